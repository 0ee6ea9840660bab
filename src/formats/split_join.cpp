// Raw binary cutting, joining and slow copying of backup archives, streamed in chunks.
#include "formats/split_join.h"

#include <windows.h>

#include <cmath>
#include <vector>

#include "common/error_log.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"

namespace {

constexpr DWORD kJoinChunk = 64512;
constexpr int64_t kDivideChunk = 1 << 20;

// A file handle that closes itself; every read and write is checked in full.
class RawFile {
 public:
  static RawFile OpenRead(const std::string& path) {
    return RawFile(CreateFileW(gToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  static RawFile OpenAppend(const std::string& path) {
    return RawFile(CreateFileW(gToWide(path).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  static RawFile OpenWrite(const std::string& path) {
    return RawFile(CreateFileW(gToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  RawFile(RawFile&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
  ~RawFile() { Close(); }
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Size(int64_t& size) const {
    LARGE_INTEGER li{};
    if (!GetFileSizeEx(h_, &li)) return false;
    size = li.QuadPart;
    return true;
  }
  bool Read(char* data, DWORD n) {
    DWORD got = 0;
    return ReadFile(h_, data, n, &got, nullptr) && got == n;
  }
  bool Write(const char* data, DWORD n) {
    DWORD put = 0;
    return WriteFile(h_, data, n, &put, nullptr) && put == n;
  }
  bool Close() {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  explicit RawFile(HANDLE h) : h_(h) {}
  HANDLE h_;
};

// Copies `count` bytes from one file to the other in chunks of `chunk` bytes.
bool mCopyBytes(RawFile& from, RawFile& to, int64_t count, DWORD chunk, bool yield) {
  std::vector<char> buffer(chunk);
  while (count > 0) {
    const DWORD n = static_cast<DWORD>(count < chunk ? count : chunk);
    if (!from.Read(buffer.data(), n)) return false;
    if (yield) gUi().DoEvents();
    if (!to.Write(buffer.data(), n)) return false;
    if (yield) gUi().DoEvents();
    count -= n;
  }
  return true;
}

}  // namespace

bool gFileDivide(const std::string& source, int64_t size, const std::string& first, const std::string& second) {
  if (size <= 0) {
    gErrRaise(5, "size=" + std::to_string(size));
    gProcError("gFileDivide", "");
    return false;
  }
  if (!gChkFileExists(source)) return false;
  RawFile in = RawFile::OpenRead(source);
  int64_t length = 0;
  if (!in.IsOpen() || !in.Size(length)) {
    gErrRaiseLastError();
    gProcError("gFileDivide", "");
    return false;
  }
  if (length <= size) return false;
  {
    RawFile out = RawFile::OpenWrite(first);
    if (!out.IsOpen() || !mCopyBytes(in, out, size, kDivideChunk, false) || !out.Close()) {
      gErrRaiseLastError();
      gProcError("gFileDivide", "");
      return false;
    }
  }
  gUi().DoEvents();
  RawFile out = RawFile::OpenWrite(second);
  if (!out.IsOpen() || !mCopyBytes(in, out, length - size, kDivideChunk, false) || !out.Close()) {
    gErrRaiseLastError();
    gProcError("gFileDivide", "");
    return false;
  }
  return true;
}

bool gFileConbine(const std::string& first, const std::string& second, const std::string& destination,
                  bool deletePieces, bool yield) {
  if (gChkFileExists(destination)) return false;
  RawFile out = RawFile::OpenWrite(destination);
  bool ok = out.IsOpen();
  for (const std::string* piece : {&first, &second}) {
    if (!ok) break;
    RawFile in = RawFile::OpenRead(*piece);
    int64_t length = 0;
    ok = in.IsOpen() && in.Size(length) && mCopyBytes(in, out, length, kJoinChunk, yield);
  }
  if (ok) ok = out.Close();
  if (!ok) {
    gErrRaiseLastError();
    gProcError("gFileConbine", "");
    return false;
  }
  if (deletePieces) {
    DeleteFileW(gToWide(first).c_str());
    DeleteFileW(gToWide(second).c_str());
  }
  return true;
}

bool gFileAppend(const std::string& destination, const std::string& piece) {
  RawFile out = RawFile::OpenAppend(destination);
  RawFile in = RawFile::OpenRead(piece);
  int64_t length = 0;
  if (out.IsOpen() && in.IsOpen() && in.Size(length) && mCopyBytes(in, out, length, kDivideChunk, false) && out.Close())
    return true;
  gErrRaiseLastError();
  gProcError("gFileAppend", "");
  return false;
}

bool gFileCopySlow(const std::string& source, const std::string& destination, int64_t& slice, long pauseMs) {
  if (slice <= 0 || !gChkFileExists(source) || gChkFileExists(destination)) return false;
  RawFile in = RawFile::OpenRead(source);
  RawFile out = RawFile::OpenWrite(destination);
  int64_t length = 0;
  bool ok = in.IsOpen() && out.IsOpen() && in.Size(length);
  // Half the pause before and after each write; halves round to even, as the pause always did.
  const long half = static_cast<long>(std::nearbyint(pauseMs / 2.0));
  std::vector<char> buffer;
  for (int64_t done = 0; ok && done < length;) {
    if (slice > length - done) slice = length - done;
    buffer.resize(static_cast<size_t>(slice));
    ok = in.Read(buffer.data(), static_cast<DWORD>(slice));
    if (!ok) break;
    gProcTune(half);
    ok = out.Write(buffer.data(), static_cast<DWORD>(slice));
    gProcTune(half);
    done += slice;
  }
  if (ok) ok = in.Close() && out.Close();
  if (!ok) {
    gErrRaiseLastError();
    gProcError("gFileCopySlow", "");
    return false;
  }
  gProcTune(100);
  return true;
}
