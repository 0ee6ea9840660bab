// The stage clock and the running total of the wizards' pauses.
#include "common/stage_clock.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/files.h"
#include "common/text.h"

namespace {

unsigned long long mPaused = 0;

long long mNow() {
  LARGE_INTEGER t{};
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

// Writes text to a log file: appended, or in place of what was there. No file named, nothing written.
void mWriteLog(const std::wstring& log, const std::string& text, bool append) {
  if (log.empty()) return;
  HANDLE file = CreateFileW(log.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            append ? OPEN_ALWAYS : CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

StageClock::StageClock(const char* name) : name_(name), start_(mNow()), pausedAtStart_(mPaused) {}

StageClock::~StageClock() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  const double wall = frequency.QuadPart > 0 ? static_cast<double>(mNow() - start_) / frequency.QuadPart : 0;
  const double work = wall - static_cast<double>(mPaused - pausedAtStart_) / 1000.0;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", work > 0 ? work : 0.0);
  static const std::wstring log = gToWide(gGetEnvValue("VELNOR_STAGE_LOG"));
  mWriteLog(log, std::string(name_) + "\t" + seconds + "\r\n", true);
}

void gAddPause(unsigned long milliseconds) {
  mPaused += milliseconds;
  static const std::wstring log = gToWide(gGetEnvValue("VELNOR_PAUSE_LOG"));
  mWriteLog(log, std::to_string(mPaused) + "\r\n", false);
}

unsigned long long gGetPausedMilliseconds() { return mPaused; }
