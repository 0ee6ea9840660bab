// The archiver entry point over our own LZH codec.
//
// The two command lines it takes, and what each switch means here:
//   u  -a1 -r2 -x1 -l1 -jp1 -o2 -n -gm ARCHIVE BASEFOLDER\ SOURCEFOLDER\ (ending in a blank)
//   x -a1 -gm -n "ARCHIVE" "DESTINATION\"
//   t -gm -n "ARCHIVE"    (every member's CRC checked, the archive read past the system's cache)
//   -a1   keep the files' attributes (read-only, hidden, system, archive) in the archive and on unpacking
//   -r2   take the source folder recursively, storing each member's path relative to the source folder,
//         so that unpacking recreates the same tree below the destination
//   -x1   store those relative paths (folders included) rather than bare file names
//   -l1   compress with the largest dictionary, -lh7- (64 KiB); a member that does not shrink is stored
//   -jp1  keep names in the system code page (Shift-JIS on Japanese Windows), as other LZH programs do
//   -o2   write level 2 headers (no 64 KiB header limit, time stamps in Unix form)
//   -n    show no progress window (progress goes to the callback set with gSetArchiveProgress)
//   -gm   show no message box on errors; the result code and the output report say what failed
// The base folder of "u" is accepted for compatibility; paths are always relative to the source folder.
// "u" never updates an existing archive: the backup always packs into a fresh working folder, and mixing
// members of two backups into one archive would be worse than refusing.
#include "formats/unlha.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/text.h"
#include "lzh/folder.h"

namespace fs = std::filesystem;

namespace {

ArchiveProgress mProgress;

// Names in the archive are in the system code page, exactly as the ANSI entry points see them.
class AnsiNameCodec final : public lzh::NameCodec {
 public:
  bool to_archive(const fs::path& component, std::string& bytes) override {
    const std::wstring w = component.wstring();
    if (w.empty()) return false;
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()),
                                      nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) return false;  // a name the code page cannot hold would not restore
    bytes.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), bytes.data(), n,
                        nullptr, nullptr);
    return true;
  }
  // What the code page can write of the name, "_" for each character it lacks ("café.txt" as "caf_.txt"); the
  // exact name goes beside it in the archive's UTF-16 name headers.
  bool stand_in(const fs::path& component, std::string& bytes) override {
    bytes.clear();
    const std::wstring w = component.wstring();
    for (size_t i = 0; i < w.size(); ++i) {
      const int n = (w[i] >= 0xD800 && w[i] < 0xDC00 && i + 1 < w.size()) ? 2 : 1;
      char one[8] = {};
      BOOL lossy = FALSE;
      const int got = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data() + i, n, one, sizeof one, nullptr, &lossy);
      bytes += got > 0 && !lossy ? std::string(one, static_cast<size_t>(got)) : std::string("_");
      i += static_cast<size_t>(n - 1);
    }
    return !bytes.empty();
  }
  bool from_archive(const std::string& bytes, fs::path& component) override {
    if (bytes.empty()) return false;
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    if (n <= 0) return false;
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    component = fs::path(w);
    return true;
  }
};

// The default file system plus the DOS attributes Windows keeps.
class WinFileSystem final : public lzh::FileSystem {
 public:
  explicit WinFileSystem(bool keepAttributes) : keepAttributes_(keepAttributes) {}

  lzh::Status list(const fs::path& folder, std::vector<lzh::FileInfo>& entries) override {
    lzh::Status s = lzh::FileSystem::list(folder, entries);
    if (!s.is_ok() || !keepAttributes_) return s;
    for (lzh::FileInfo& e : entries) {
      const DWORD a = GetFileAttributesW((folder / e.name).c_str());
      if (a != INVALID_FILE_ATTRIBUTES) e.attributes = static_cast<uint8_t>(a & 0x37);
    }
    return s;
  }

  lzh::Status set_info(const fs::path& path, int64_t mtime, uint8_t attributes) override {
    lzh::Status s = lzh::FileSystem::set_info(path, mtime, keepAttributes_ ? attributes : 0);
    if (!s.is_ok() || !keepAttributes_) return s;
    const DWORD keep = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE);
    if (keep != 0 && !SetFileAttributesW(path.c_str(), keep | (GetFileAttributesW(path.c_str()) &
                                                                FILE_ATTRIBUTE_DIRECTORY)))
      return lzh::Status::io_error("cannot set attributes");
    return s;
  }

 private:
  bool keepAttributes_;
};

// Splits a command line into words; double quotes group blanks and are removed.
std::vector<std::string> mWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

fs::path mPath(const std::string& ansi) {
  std::string text = ansi;
  while (text.size() > 3 && text.back() == '\\') text.pop_back();
  return fs::path(gToWide(gFromAnsi(text)));
}

int mCode(const lzh::Status& s) {
  switch (s.code()) {
    case lzh::StatusCode::Ok: return kUnlhaOk;
    case lzh::StatusCode::DataError:
    case lzh::StatusCode::Unsupported: return kUnlhaBadArchive;
    case lzh::StatusCode::Aborted: return kUnlhaAborted;
    default: return kUnlhaFileError;
  }
}

int mReport(char* output, DWORD size, int code, const std::string& text) {
  if (output != nullptr && size > 0) {
    const std::string ansi = gToAnsi(text);
    const size_t n = ansi.size() < size - 1 ? ansi.size() : size - 1;
    std::copy(ansi.begin(), ansi.begin() + static_cast<std::ptrdiff_t>(n), output);
    output[n] = '\0';
  }
  return code;
}

int mPack(const fs::path& archive, const fs::path& source, bool keepAttributes, char* output, DWORD size) {
  std::error_code ec;
  if (fs::exists(archive, ec)) return mReport(output, size, kUnlhaArchiveExists, "archive already exists");
  if (!fs::is_directory(source, ec)) return mReport(output, size, kUnlhaFileError, "source folder not found");
  WinFileSystem files(keepAttributes);
  AnsiNameCodec names;
  lzh::FileOutputStream out;
  lzh::Status s = out.open(archive);
  if (s.is_ok()) {
    lzh::PackOptions options;
    options.writer.method = lzh::Method::Lh7;
    options.writer.header_level = 2;
    options.progress = mProgress;
    s = lzh::pack_folder(files, names, source, out, options);
    const lzh::Status closed = out.close();
    if (s.is_ok()) s = closed;
  }
  if (!s.is_ok()) {
    // A half-written archive must never be taken for a backup.
    fs::remove(archive, ec);
    return mReport(output, size, mCode(s), "pack failed: " + s.message());
  }
  return mReport(output, size, kUnlhaOk, "packed");
}

// An archive file read past the system's cache, so that a test reads what the medium holds rather than what
// was just written to memory. Where the medium does not allow that, it is read the usual way.
class MediumInputStream final : public lzh::InputStream {
 public:
  ~MediumInputStream() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    if (buffer_ != nullptr) VirtualFree(buffer_, 0, MEM_RELEASE);
  }
  lzh::Status open(const fs::path& path) {
    h_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h_ == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
      h_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size{};
    if (h_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(h_, &size)) return lzh::Status::io_error("cannot open archive");
    size_ = static_cast<uint64_t>(size.QuadPart);
    buffer_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, kChunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    return buffer_ != nullptr ? lzh::Status::ok() : lzh::Status::io_error("out of memory");
  }
  lzh::Status read(uint8_t* out, size_t size, size_t& got) override {
    got = 0;
    while (got < size) {
      if (pos_ == len_) {
        DWORD n = 0;
        if (!ReadFile(h_, buffer_, kChunk, &n, nullptr)) return lzh::Status::io_error("cannot read archive");
        pos_ = 0;
        len_ = n;
        if (n == 0) break;
      }
      const size_t take = std::min(size - got, len_ - pos_);
      std::memcpy(out + got, buffer_ + pos_, take);
      pos_ += take;
      got += take;
    }
    return lzh::Status::ok();
  }
  std::optional<uint64_t> size() const override { return size_; }

 private:
  static constexpr DWORD kChunk = 1 << 20;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  uint8_t* buffer_ = nullptr;
  size_t pos_ = 0, len_ = 0;
  uint64_t size_ = 0;
};

int mTest(const fs::path& archive, char* output, DWORD size) {
  MediumInputStream in;
  lzh::Status s = in.open(archive);
  if (s.is_ok()) {
    lzh::UnpackOptions options;
    options.progress = mProgress;
    s = lzh::test_archive(in, options);
  }
  if (!s.is_ok()) return mReport(output, size, mCode(s), "test failed: " + s.message());
  return mReport(output, size, kUnlhaOk, "tested");
}

int mUnpack(const fs::path& archive, const fs::path& destination, bool keepAttributes, char* output,
            DWORD size) {
  WinFileSystem files(keepAttributes);
  AnsiNameCodec names;
  lzh::FileInputStream in;
  lzh::Status s = in.open(archive);
  if (s.is_ok()) {
    lzh::UnpackOptions options;
    options.progress = mProgress;
    s = lzh::unpack_folder(files, names, in, destination, options);
  }
  if (!s.is_ok()) return mReport(output, size, mCode(s), "unpack failed: " + s.message());
  return mReport(output, size, kUnlhaOk, "unpacked");
}

}  // namespace

void gSetArchiveProgress(ArchiveProgress progress) { mProgress = std::move(progress); }

int Unlha(HWND, const char* commandLine, char* output, DWORD size) {
  try {
    const std::vector<std::string> words = mWords(commandLine != nullptr ? commandLine : "");
    if (words.empty()) return mReport(output, size, kUnlhaBadCommand, "no command");
    const std::string& command = words[0];
    const std::set<std::string> allowed = command == "u"   ? std::set<std::string>{"-a1", "-r2", "-x1", "-l1",
                                                                                    "-jp1", "-o2", "-n", "-gm"}
                                          : command == "x" ? std::set<std::string>{"-a1", "-gm", "-n"}
                                          : command == "t" ? std::set<std::string>{"-gm", "-n"}
                                                           : std::set<std::string>{};
    if (allowed.empty()) return mReport(output, size, kUnlhaBadCommand, "unknown command: " + command);
    std::set<std::string> switches;
    std::vector<std::string> paths;
    for (size_t i = 1; i < words.size(); ++i) {
      if (!words[i].empty() && words[i][0] == '-') {
        if (!allowed.count(words[i]) || !paths.empty())
          return mReport(output, size, kUnlhaBadCommand, "unknown switch: " + words[i]);
        switches.insert(words[i]);
      } else {
        paths.push_back(words[i]);
      }
    }
    const bool keepAttributes = switches.count("-a1") > 0;
    if (command == "u") {
      if (paths.size() != 3) return mReport(output, size, kUnlhaBadCommand, "u takes archive, base and source");
      return mPack(mPath(paths[0]), mPath(paths[2]), keepAttributes, output, size);
    }
    if (command == "t") {
      if (paths.size() != 1) return mReport(output, size, kUnlhaBadCommand, "t takes the archive");
      return mTest(mPath(paths[0]), output, size);
    }
    if (paths.size() != 2) return mReport(output, size, kUnlhaBadCommand, "x takes archive and destination");
    return mUnpack(mPath(paths[0]), mPath(paths[1]), keepAttributes, output, size);
  } catch (const std::exception& e) {
    return mReport(output, size, kUnlhaFileError, e.what());
  } catch (...) {
    return mReport(output, size, kUnlhaFileError, "unexpected failure");
  }
}
