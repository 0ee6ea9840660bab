// Packing and unpacking through the archiver entry point.
#include "formats/archive_packing.h"

#include <windows.h>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/unlha.h"

std::string gPackCommandLine(const std::string& archive, const std::string& sourceFolder) {
  return std::string("u") + " " + " -a1 -r2 -x1 -l1 -jp1 -o2 -n -gm" + " " + gAddQuote(archive) + " " +
         gAddQuote(gAddRoot(gGetWinTempDir())) + " " + gAddQuote(gAddRoot(sourceFolder)) + " ";
}

std::string gUnpackCommandLine(const std::string& archive, const std::string& destination) {
  return "x -a1 -gm -n \"" + archive + "\" \"" + gAddRoot(destination) + "\"";
}

bool gProcPackLzh(const std::string& archive, const std::string& sourceFolder, long& resultCode) {
  char output[1024] = {};
  resultCode = Unlha(GetDesktopWindow(), gToAnsi(gPackCommandLine(archive, sourceFolder)).c_str(), output,
                     sizeof(output));
  if (resultCode == 0) return true;
  gErrRaise(resultCode, gFromAnsi(output));
  gProcError("gProcPackLzh", "");
  return false;
}

bool gProcPacklzh(const std::string& archive, const std::string& sourceFolder) {
  long code = 0;
  if (gProcPackLzh(archive, sourceFolder, code)) return true;
  gErrRaise(code, "packing failed");
  gProcError("gProcPacklzh", "");
  return false;
}

bool gLzhTest(const std::string& archive) {
  char output[1024] = {};
  const int code = Unlha(GetDesktopWindow(), gToAnsi("t -gm -n \"" + archive + "\"").c_str(), output, sizeof(output));
  if (code == 0) return true;
  gErrRaise(code, gFromAnsi(output));
  gProcError("gLzhTest", "");
  return false;
}

bool gLzhUnPack(const std::string& archive, const std::string& destination) {
  const int code = Unlha(GetDesktopWindow(), gToAnsi(gUnpackCommandLine(archive, destination)).c_str(), nullptr, 0);
  if (code == 0) return true;
  gErrRaise(code, "unpacking failed");
  gProcError("gLzhUnPack", "");
  return false;
}
