// Drives the test floppy drive through its controller script, which Wine runs as a Unix program.
#include "support/floppy.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "support/temp_env.h"

namespace testfloppy {
namespace {

std::atomic<unsigned> mCounter{0};
std::string mLastMessage;

bool mReadSetting(const char* name, std::string& value) {
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  HKEY key = nullptr;
  // The set-up writes Windows's own view; a 32-bit test program on 64-bit Windows asks for it by name.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VelnorTest\\Floppy", 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS)
    return false;
  const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return false;
  value = buffer;
  return !value.empty();
}

// A Unix path as Wine's drive Z: shows it.
std::string mWindowsPath(std::string unixPath) {
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

// Runs one controller command and returns its answer text, or false with the reason in answer.
bool mControl(const std::string& command, std::string& answer) {
  std::string control, dir;
  if (!mReadSetting("Control", control) || !mReadSetting("Dir", dir)) {
    answer = "no test floppy drive in this prefix (run tests/support/floppy.sh)";
    return false;
  }
  const std::string id = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(mCounter++);
  const std::string result = mWindowsPath(dir + "/results/" + id);
  DeleteFileA(result.c_str());
  std::string line = "\"" + mWindowsPath(control) + "\" control \"" + dir + "\" " + id + " " + command;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  // Wine runs a Unix program outside the Windows world: the process information it gives back is not
  // usable (closing those "handles" closes random ones of ours, such as standard output), and there is
  // nothing to wait on, so the answer comes as a file.
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    answer = "cannot start " + control;
    return false;
  }
  for (int waited = 0; waited < 30000; waited += 20) {
    if (FileExistsPlain(result)) {
      const std::string text = ReadFileBytes(result);
      DeleteFileA(result.c_str());
      const bool ok = text.rfind("ok ", 0) == 0;
      answer = text.substr(text.find(' ') + 1);
      while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
      return ok;
    }
    Sleep(20);
  }
  answer = "no answer from " + control;
  return false;
}

}  // namespace

bool Available(std::string* why) {
  std::string control;
  if (mReadSetting("Control", control) && GetDriveTypeA((kDrive + ":\\").c_str()) == DRIVE_REMOVABLE) return true;
  if (why != nullptr) *why = "no test floppy drive in this prefix (run tests/support/floppy.sh)";
  return false;
}

int InsertNewDisk(unsigned kib) {
  if (!mControl("new " + std::to_string(kib), mLastMessage)) return 0;
  return std::atoi(mLastMessage.c_str());
}

int InsertNewBadDisk(unsigned kib) {
  if (!mControl("new-bad " + std::to_string(kib), mLastMessage)) return 0;
  return std::atoi(mLastMessage.c_str());
}

bool InsertStick(unsigned kib) { return mControl("stick " + std::to_string(kib), mLastMessage); }

bool RemoveStick() { return mControl("unstick", mLastMessage); }

bool InsertDisk(int number) { return mControl("insert " + std::to_string(number), mLastMessage); }

bool Eject() { return mControl("eject", mLastMessage); }

const std::string& LastMessage() { return mLastMessage; }

}  // namespace testfloppy
