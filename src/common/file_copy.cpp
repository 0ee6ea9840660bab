// Checked copies with the file system's own calls, CRC-32, and read-backs from the medium.
#include "common/file_copy.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <memory>

#include "common/text.h"

namespace {

constexpr DWORD kChunk = 1 << 20;  // a multiple of every sector size, as unbuffered reads need

const std::array<uint32_t, 256>& mCrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

// A handle that closes itself.
struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Handle() { Close(); }
  bool Close() {
    if (h == INVALID_HANDLE_VALUE) return true;
    const BOOL ok = CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }
  bool IsOpen() const { return h != INVALID_HANDLE_VALUE; }
};

// Page-aligned memory, as reads that pass the system's cache need.
struct AlignedBuffer {
  explicit AlignedBuffer(size_t size)
      : data(static_cast<char*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
  ~AlignedBuffer() {
    if (data != nullptr) VirtualFree(data, 0, MEM_RELEASE);
  }
  char* data;
};

bool mFail(FileFailure& failure, const std::string& path, DWORD error) {
  failure.path = path;
  failure.error = error != 0 ? error : ERROR_GEN_FAILURE;
  return false;
}

}  // namespace

uint32_t gCrc32(uint32_t crc, const void* data, size_t size) {
  const auto& table = mCrcTable();
  const auto* p = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

namespace {

// The copy behind both public forms: the whole file (with its times and attributes) when whole, else
// `length` bytes from `offset` as a new file of its own.
bool mCopy(const std::string& from, const std::string& to, bool whole, uint64_t offset, uint64_t length,
           uint32_t& crc, uint64_t& size, const CopyProgress& progress, FileFailure& failure, CopyKind kind) {
  crc = 0;
  size = 0;
  const std::wstring wfrom = gToWide(from), wto = gToWide(to);
  Handle in;
  // Mail programs keep their stores open; reading alongside them is fine, a program that shares nothing
  // is told to the user by the caller.
  in.h = CreateFileW(wfrom.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (!in.IsOpen()) return mFail(failure, from, GetLastError());
  LARGE_INTEGER total{};
  FILETIME created{}, accessed{}, written{};
  if (!GetFileSizeEx(in.h, &total) || !GetFileTime(in.h, &created, &accessed, &written))
    return mFail(failure, from, GetLastError());
  if (!whole) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    // A range past the end is a caller's mistake that must not pass as a short copy.
    if (offset > static_cast<uint64_t>(total.QuadPart) || length > static_cast<uint64_t>(total.QuadPart) - offset)
      return mFail(failure, from, ERROR_HANDLE_EOF);
    if (!SetFilePointerEx(in.h, at, nullptr, FILE_BEGIN)) return mFail(failure, from, GetLastError());
  }
  const DWORD attributes = whole ? GetFileAttributesW(wfrom.c_str()) : INVALID_FILE_ATTRIBUTES;
  Handle out;
  const bool kept = kind == CopyKind::Kept;
  // A scratch copy is made only into a fresh folder: its name is asked for exactly as given, which Windows
  // treats alike, and which spares Wine a read of the whole folder for a twin in other letters.
  out.h = CreateFileW(wto.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | (kept ? FILE_FLAG_WRITE_THROUGH : FILE_FLAG_POSIX_SEMANTICS), nullptr);
  if (!out.IsOpen()) return mFail(failure, to, GetLastError());
  auto undo = [&](const std::string& path, DWORD error) {
    out.Close();
    DeleteFileW(wto.c_str());
    return mFail(failure, path, error);
  };
  std::unique_ptr<char[]> buffer(new char[kChunk]);
  while (whole || size < length) {
    DWORD got = 0;
    const DWORD want = whole ? kChunk : static_cast<DWORD>(std::min<uint64_t>(kChunk, length - size));
    if (!ReadFile(in.h, buffer.get(), want, &got, nullptr)) return undo(from, GetLastError());
    // A whole copy reads to wherever the end is now; a range that ends early means the file shrank under us.
    if (got == 0) {
      if (whole) break;
      return undo(from, ERROR_HANDLE_EOF);
    }
    DWORD put = 0;
    if (!WriteFile(out.h, buffer.get(), got, &put, nullptr) || put != got)
      return undo(to, put != got && GetLastError() == 0 ? ERROR_DISK_FULL : GetLastError());
    crc = gCrc32(crc, buffer.get(), got);
    size += got;
    if (progress) progress(size, whole ? static_cast<uint64_t>(total.QuadPart) : length);
  }
  if (kept && !FlushFileBuffers(out.h)) return undo(to, GetLastError());
  if (whole) SetFileTime(out.h, &created, &accessed, &written);
  if (!out.Close()) {
    const DWORD error = GetLastError();
    DeleteFileW(wto.c_str());
    return mFail(failure, to, error);
  }
  const DWORD keep = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & keep) != 0)
    SetFileAttributesW(wto.c_str(), attributes & keep);
  return true;
}

}  // namespace

bool gCopyFileChecked(const std::string& from, const std::string& to, uint32_t& crc, uint64_t& size,
                      const CopyProgress& progress, FileFailure& failure, CopyKind kind) {
  return mCopy(from, to, true, 0, 0, crc, size, progress, failure, kind);
}

bool gCopyFileRangeChecked(const std::string& from, uint64_t offset, uint64_t length, const std::string& to,
                           uint32_t& crc, uint64_t& size, const CopyProgress& progress, FileFailure& failure) {
  return mCopy(from, to, false, offset, length, crc, size, progress, failure, CopyKind::Kept);
}

bool gWriteFileChecked(const std::string& path, const std::string& bytes, FileFailure& failure) {
  const std::wstring wpath = gToWide(path);
  Handle out;
  out.h = CreateFileW(wpath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (!out.IsOpen()) return mFail(failure, path, GetLastError());
  DWORD put = 0;
  const bool ok = WriteFile(out.h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                  put == bytes.size() && FlushFileBuffers(out.h);
  const DWORD error = ok ? 0 : (GetLastError() != 0 ? GetLastError() : ERROR_DISK_FULL);
  if (!out.Close() || !ok) {
    DeleteFileW(wpath.c_str());
    return mFail(failure, path, error != 0 ? error : GetLastError());
  }
  return true;
}

bool gReadBackCrc(const std::string& path, uint32_t& crc, uint64_t& size, const CopyProgress& progress,
                  FileFailure& failure) {
  crc = 0;
  size = 0;
  const std::wstring wpath = gToWide(path);
  Handle in;
  // Past the cache, so that what is compared is what the medium holds; a medium that cannot be read so
  // (some network drives) is read the usual way.
  in.h = CreateFileW(wpath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (!in.IsOpen() && GetLastError() == ERROR_INVALID_PARAMETER)
    in.h = CreateFileW(wpath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (!in.IsOpen()) return mFail(failure, path, GetLastError());
  LARGE_INTEGER total{};
  if (!GetFileSizeEx(in.h, &total)) return mFail(failure, path, GetLastError());
  AlignedBuffer buffer(kChunk);
  if (buffer.data == nullptr) return mFail(failure, path, ERROR_NOT_ENOUGH_MEMORY);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.h, buffer.data, kChunk, &got, nullptr)) return mFail(failure, path, GetLastError());
    if (got == 0) break;
    crc = gCrc32(crc, buffer.data, got);
    size += got;
    if (progress) progress(size, static_cast<uint64_t>(total.QuadPart));
  }
  // An unbuffered read goes in whole sectors; the file ends where its size says.
  if (size > static_cast<uint64_t>(total.QuadPart)) return mFail(failure, path, ERROR_CRC);
  return true;
}

bool gCopyTree(const std::string& from, const std::string& to, FileFailure& failure,
               const std::function<bool(const std::string& source)>& leaveOut, CopyKind kind) {
  std::wstring wfrom = gToWide(from), wto = gToWide(to);
  // Names are joined with one "\", whether or not the folders were given with a trailing one.
  for (std::wstring* w : {&wfrom, &wto})
    while (!w->empty() && w->back() == L'\\') w->pop_back();
  if (!CreateDirectoryW(wto.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return mFail(failure, to, GetLastError());
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((wfrom + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? true : mFail(failure, from, error);
  }
  bool ok = true;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string source = gFromWide(wfrom + L"\\" + name), target = gFromWide(wto + L"\\" + name);
    // A linked folder (Vista's "My Music" in Documents, say) belongs elsewhere and is not followed.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = gCopyTree(source, target, failure, leaveOut, kind);
    } else if (leaveOut && leaveOut(source)) {
      continue;
    } else {
      uint32_t crc = 0;
      uint64_t size = 0;
      ok = gCopyFileChecked(source, target, crc, size, {}, failure, kind);
    }
  } while (ok && FindNextFileW(h, &data));
  FindClose(h);
  return ok;
}

bool gChkFileInUse(unsigned long error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

bool gChkDiskFull(unsigned long error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }
