// Environment variables.
#include "common/files.h"

#include <windows.h>

#include "common/error_log.h"
#include "common/system.h"
#include "common/text.h"

std::string gGetEnvValue(const std::string& name) {
  const std::string ansiName = gToAnsi(name);
  const DWORD n = GetEnvironmentVariableA(ansiName.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::string value(n, '\0');
  const DWORD got = GetEnvironmentVariableA(ansiName.c_str(), value.data(), n);
  value.resize(got < n ? got : 0);
  return gFromAnsi(value);
}
