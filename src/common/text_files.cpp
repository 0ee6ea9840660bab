// Rewriting of exported registry files: UTF-16 to the system code page, and one line replaced.
#include "common/files.h"

#include <windows.h>

#include <cstdio>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/text.h"

namespace {

// Closes the file on every way out of a procedure.
struct FileCloser {
  FILE* f = nullptr;
  ~FileCloser() {
    if (f != nullptr) std::fclose(f);
  }
  bool Close() {
    const bool ok = f == nullptr || std::fclose(f) == 0;
    f = nullptr;
    return ok;
  }
};

// The whole file; share says what others may do with it meanwhile (0: nobody changes it under us).
bool mReadWhole(const std::string& path, DWORD share, std::string& bytes) {
  HANDLE h = CreateFileW(gToWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart < 0x40000000;
  if (ok) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = bytes.empty() || (ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                           got == bytes.size());
  }
  CloseHandle(h);
  return ok;
}

bool mWriteAll(FILE* f, const std::string& bytes) {
  return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

}  // namespace

bool gReadFileBytes(const std::string& path, std::string& bytes) {
  return mReadWhole(path, FILE_SHARE_READ | FILE_SHARE_WRITE, bytes);
}

bool gFileTransChar(const std::string& source, const std::string& destination, const std::string& find,
                    const std::string& replace) {
  FileCloser out;
  try {
    // Read first: a destination that is the source itself must not be emptied before it is read.
    std::string bytes;
    const bool read = mReadWhole(source, 0, bytes);
    if (!read) gErrRaiseLastError();
    out.f = _wfopen(gToWide(destination).c_str(), L"wb");
    if (out.f == nullptr || !read) {
      if (read) gErrRaise(75, "could not open " + destination);
      gProcError("gFileTransChar", "");
      return false;
    }
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
      std::wstring wide((bytes.size() - 2) / 2, L'\0');
      for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                       (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
      text = gFromWide(wide);
    }
    long counter = 0;
    if (!find.empty() && !gProcTransString(text, find, replace, -1, counter)) {
      gProcError("gFileTransChar", "");
      return false;
    }
    if (!mWriteAll(out.f, gToAnsi(text) + "\r\n") || !out.Close()) {
      gErrRaise(57, "could not write " + destination);
      gProcError("gFileTransChar", "");
      return false;
    }
    return true;
  } catch (...) {
    gErrRaise(5, "gFileTransChar");
    gProcError("gFileTransChar", "");
    return false;
  }
}

bool gFileTransLine(const std::string& source, const std::string& destination, long lineNumber,
                    const std::string& newText) {
  FileCloser out;
  try {
    std::string bytes;
    if (!mReadWhole(source, 0, bytes)) {
      gErrRaiseLastError();
      gProcError("gFileTransLine", "");
      return false;
    }
    out.f = _wfopen(gToWide(destination).c_str(), L"wb");
    if (out.f == nullptr) {
      gErrRaise(75, "could not open " + destination);
      gProcError("gFileTransLine", "");
      return false;
    }
    // Lines end at CR LF, a lone CR or a lone LF; their bytes pass through in the system code page.
    std::string written;
    long number = 0;
    size_t at = 0;
    while (at < bytes.size()) {
      size_t end = bytes.find_first_of("\r\n", at);
      if (end == std::string::npos) end = bytes.size();
      ++number;
      written += number == lineNumber ? gToAnsi(newText) : bytes.substr(at, end - at);
      written += "\r\n";
      at = end;
      if (at < bytes.size() && bytes[at] == '\r') ++at;
      if (at < bytes.size() && bytes[at] == '\n') ++at;
    }
    if (!mWriteAll(out.f, written) || !out.Close()) {
      gErrRaise(57, "could not write " + destination);
      gProcError("gFileTransLine", "");
      return false;
    }
    return true;
  } catch (...) {
    gErrRaise(5, "gFileTransLine");
    gProcError("gFileTransLine", "");
    return false;
  }
}
