// The archiver entry point over our own LZH codec.
//
// The two command lines it takes, and what each switch means here:
//   u  -a1 -r2 -x1 -l1 -jp1 -o2 -n -gm ARCHIVE BASEFOLDER\ SOURCEFOLDER\ [@LISTFILE] (ending in a blank)
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
// @LISTFILE names a UTF-8 text file that adds folders read where they lie, so that nothing is copied before it
// is packed: a line "NAME<TAB>FOLDER" packs FOLDER's contents under the folder NAME beside the source folder's
// own contents, and a line "!<TAB>FILE" leaves one file of those folders out.
// "u" never updates an existing archive: the backup always packs into a fresh working folder, and mixing
// members of two backups into one archive would be worse than refusing.
#include "formats/unlha.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/text.h"
#include "lzh/folder.h"

namespace fs = std::filesystem;

namespace {

ArchiveProgress mProgress;
bool mSmallest = false;

// Archives keep Unix seconds; Windows counts 100 ns ticks from 1601.
constexpr uint64_t kTicksAtUnixEpoch = 116444736000000000ull;

int64_t mUnixTime(const FILETIME& t) {
  const uint64_t ticks = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return ticks > kTicksAtUnixEpoch ? static_cast<int64_t>((ticks - kTicksAtUnixEpoch) / 10000000) : 0;
}

FILETIME mFileTime(int64_t unixTime) {
  const uint64_t ticks = static_cast<uint64_t>(unixTime > 0 ? unixTime : 0) * 10000000ull + kTicksAtUnixEpoch;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

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

// A file written through its own handle and buffer.
class HandleOutputStream final : public lzh::SeekableOutputStream {
 public:
  explicit HandleOutputStream(HANDLE h) : h_(h) { buffer_.reserve(kBuffer); }
  ~HandleOutputStream() override { close(); }

  lzh::Status write(const uint8_t* data, size_t size) override {
    if (buffer_.size() + size > kBuffer && !flush()) return lzh::Status::io_error("write failed");
    if (size >= kBuffer) return put(data, size) ? lzh::Status::ok() : lzh::Status::io_error("write failed");
    buffer_.insert(buffer_.end(), data, data + size);
    return lzh::Status::ok();
  }
  lzh::Status tell(uint64_t& position) override {
    position = position_ + buffer_.size();
    return lzh::Status::ok();
  }
  lzh::Status seek(uint64_t position) override {
    if (!flush() || !mMoveTo(position)) return lzh::Status::io_error("seek failed");
    position_ = position;
    return lzh::Status::ok();
  }
  lzh::Status truncate(uint64_t length) override {
    if (!flush() || !mMoveTo(length) || !SetEndOfFile(h_) || !mMoveTo(position_ < length ? position_ : length))
      return lzh::Status::io_error("truncate failed");
    if (position_ > length) position_ = length;
    return lzh::Status::ok();
  }
  // Writes what is left, gives the file its last-write time when one is given (after the last write, so that
  // it stays), and closes; false when any of it failed.
  lzh::Status close(const FILETIME* written = nullptr) {
    if (h_ == INVALID_HANDLE_VALUE) return lzh::Status::ok();
    const bool flushed = flush();
    const bool timed = written == nullptr || SetFileTime(h_, nullptr, nullptr, written);
    const bool closed = CloseHandle(h_) != FALSE;
    h_ = INVALID_HANDLE_VALUE;
    if (!flushed || !closed) return lzh::Status::io_error("closing file failed");
    return timed ? lzh::Status::ok() : lzh::Status::io_error("cannot set the file's time");
  }

 private:
  static constexpr size_t kBuffer = 256 * 1024;
  bool put(const uint8_t* data, size_t size) {
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
      DWORD written = 0;
      if (!WriteFile(h_, data, chunk, &written, nullptr) || written != chunk) return false;
      data += chunk;
      size -= chunk;
      position_ += chunk;
    }
    return true;
  }
  bool flush() {
    const bool ok = put(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }
  bool mMoveTo(uint64_t position) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(h_, to, nullptr, FILE_BEGIN) != FALSE;
  }
  HANDLE h_;
  std::vector<uint8_t> buffer_;
  uint64_t position_ = 0;
};

// A file read through its own handle. Mail programs keep their stores open: reading alongside them is fine.
class HandleInputStream final : public lzh::InputStream {
 public:
  explicit HandleInputStream(HANDLE h) : h_(h) {
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
  }
  ~HandleInputStream() override { CloseHandle(h_); }
  lzh::Status read(uint8_t* buffer, size_t size, size_t& got) override {
    got = 0;
    while (got < size) {
      const DWORD want = static_cast<DWORD>(size - got < (1u << 30) ? size - got : (1u << 30));
      DWORD n = 0;
      if (!ReadFile(h_, buffer + got, want, &n, nullptr)) return lzh::Status::io_error("read failed");
      if (n == 0) break;
      got += n;
    }
    return lzh::Status::ok();
  }
  bool rewind() override {
    LARGE_INTEGER zero{};
    return SetFilePointerEx(h_, zero, nullptr, FILE_BEGIN) != FALSE;
  }
  std::optional<uint64_t> size() const override { return size_; }

 private:
  HANDLE h_;
  std::optional<uint64_t> size_;
};

// The default file system plus the DOS attributes Windows keeps; linked folders are not followed.
class WinFileSystem : public lzh::FileSystem {
 public:
  explicit WinFileSystem(bool keepAttributes) : keepAttributes_(keepAttributes) {}

  lzh::Status open_read(const fs::path& file, std::unique_ptr<lzh::InputStream>& stream) override {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lzh::Status::io_error("cannot open " + gFromWide(file.wstring()));
    stream = std::make_unique<HandleInputStream>(h);
    return lzh::Status::ok();
  }

  lzh::Status create_new(const fs::path& file, std::unique_ptr<lzh::SeekableOutputStream>& stream,
                         bool& existed) override {
    existed = false;
    // One call that creates only a free name. The POSIX flag asks for the name exactly as given: Windows
    // compares names without regard to case all the same, while Wine then looks the name up once instead of
    // reading the whole folder for a twin in other letters, which in a folder of thousands of mails is what
    // unpacking would cost.
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_POSIX_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      existed = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                (error == ERROR_ACCESS_DENIED && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES);
      return existed ? lzh::Status::ok() : lzh::Status::io_error("cannot create file");
    }
    stream = std::make_unique<HandleOutputStream>(h);
    return lzh::Status::ok();
  }

  lzh::Status close_write(std::unique_ptr<lzh::SeekableOutputStream>& stream) override {
    auto* own = dynamic_cast<HandleOutputStream*>(stream.get());
    if (own == nullptr) return lzh::FileSystem::close_write(stream);
    const lzh::Status s = own->close();
    stream.reset();
    return s;
  }

  lzh::Status list(const fs::path& folder, std::vector<lzh::FileInfo>& entries) override {
    lzh::Status s = lzh::FileSystem::list(folder, entries);
    if (!s.is_ok()) return s;
    // A linked folder (Vista's "My Music" in Documents, say) belongs elsewhere.
    std::vector<lzh::FileInfo> kept;
    for (lzh::FileInfo& e : entries) {
      const DWORD a = GetFileAttributesW((folder / e.name).c_str());
      if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      if (a != INVALID_FILE_ATTRIBUTES && keepAttributes_) e.attributes = static_cast<uint8_t>(a & 0x37);
      kept.push_back(std::move(e));
    }
    entries = std::move(kept);
    return s;
  }

  // Each name looked up costs: the time goes on through the open file, and the attributes only when they
  // are more than the archive flag a new file has anyway.
  lzh::Status finish_write(const fs::path& file, std::unique_ptr<lzh::SeekableOutputStream>& stream, int64_t mtime,
                           uint8_t attributes) override {
    auto* own = dynamic_cast<HandleOutputStream*>(stream.get());
    if (own == nullptr) return lzh::FileSystem::finish_write(file, stream, mtime, attributes);
    const FILETIME written = mFileTime(mtime);
    const lzh::Status s = own->close(&written);
    stream.reset();
    if (!s.is_ok() || !keepAttributes_ || (mKept(attributes) & ~FILE_ATTRIBUTE_ARCHIVE) == 0) return s;
    return mSetAttributes(file, attributes);
  }

  lzh::Status set_info(const fs::path& path, int64_t mtime, uint8_t attributes) override {
    lzh::Status s = lzh::FileSystem::set_info(path, mtime, keepAttributes_ ? attributes : 0);
    if (!s.is_ok() || !keepAttributes_) return s;
    return mSetAttributes(path, attributes);
  }

 private:
  static DWORD mKept(uint8_t attributes) {
    return attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  }
  static lzh::Status mSetAttributes(const fs::path& path, uint8_t attributes) {
    const DWORD keep = mKept(attributes);
    if (keep != 0 && !SetFileAttributesW(path.c_str(), keep | (GetFileAttributesW(path.c_str()) &
                                                                FILE_ATTRIBUTE_DIRECTORY)))
      return lzh::Status::io_error("cannot set attributes");
    return lzh::Status::ok();
  }

  bool keepAttributes_;
};

// The folders a pack reads where they lie, from the list file of "u", and the files of them left out.
struct PackList {
  std::vector<std::pair<fs::path, fs::path>> folders;  // name in the archive, folder on disk
  std::set<fs::path> leftOut;
};

bool mReadPackList(const fs::path& file, PackList& list) {
  std::string text;
  if (!gReadFileBytes(gFromWide(file.wstring()), text)) return false;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(from, end - from);
    from = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) return false;
    const fs::path name(gToWide(line.substr(0, tab))), path(gToWide(line.substr(tab + 1)));
    if (name == L"!") list.leftOut.insert(path);
    else if (name.has_parent_path() || name == L"." || name == L"..") return false;  // one folder name
    else list.folders.emplace_back(name, path);
  }
  return true;
}

// The source folder as the archive sees it: its own contents, and beside them each listed folder under its
// name, read from where it lies.
class PackingFileSystem final : public WinFileSystem {
 public:
  PackingFileSystem(bool keepAttributes, fs::path root, PackList list)
      : WinFileSystem(keepAttributes), root_(std::move(root)), list_(std::move(list)) {}

  lzh::Status list(const fs::path& folder, std::vector<lzh::FileInfo>& entries) override {
    lzh::Status s = WinFileSystem::list(mOnDisk(folder), entries);
    if (!s.is_ok()) return s;
    const fs::path real = mOnDisk(folder);
    std::erase_if(entries, [&](const lzh::FileInfo& e) { return list_.leftOut.count(real / e.name) > 0; });
    if (folder != root_) return s;
    for (const auto& [name, path] : list_.folders) {
      for (const lzh::FileInfo& e : entries)
        if (_wcsicmp(e.name.c_str(), name.c_str()) == 0) return lzh::Status::io_error("two folders of one name");
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
          !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return lzh::Status::io_error("folder not found: " + gFromWide(path.wstring()));
      lzh::FileInfo info;
      info.name = name;
      info.is_directory = true;
      info.mtime = mUnixTime(data.ftLastWriteTime);
      info.attributes = lzh::attr::Directory;
      entries.push_back(info);
    }
    return s;
  }
  lzh::Status open_read(const fs::path& file, std::unique_ptr<lzh::InputStream>& stream) override {
    return WinFileSystem::open_read(mOnDisk(file), stream);
  }

 private:
  // Where a path below the source folder lies on disk.
  fs::path mOnDisk(const fs::path& path) const {
    const fs::path rel = path.lexically_relative(root_);
    if (rel.empty() || *rel.begin() == L"..") return path;
    for (const auto& [name, folder] : list_.folders) {
      if (_wcsicmp(rel.begin()->c_str(), name.c_str()) != 0) continue;
      fs::path real = folder;
      for (auto it = std::next(rel.begin()); it != rel.end(); ++it) real /= *it;
      return real;
    }
    return path;
  }
  fs::path root_;
  PackList list_;
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

int mPack(const fs::path& archive, const fs::path& source, const PackList& list, bool keepAttributes, char* output,
          DWORD size) {
  std::error_code ec;
  if (fs::exists(archive, ec)) return mReport(output, size, kUnlhaArchiveExists, "archive already exists");
  if (!fs::is_directory(source, ec)) return mReport(output, size, kUnlhaFileError, "source folder not found");
  PackingFileSystem files(keepAttributes, source, list);
  AnsiNameCodec names;
  lzh::FileOutputStream out;
  lzh::Status s = out.open(archive);
  if (s.is_ok()) {
    lzh::PackOptions options;
    options.writer.method = lzh::Method::Lh7;
    options.writer.header_level = 2;
    options.writer.smallest = mSmallest;
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

void gSetArchiveSmallest(bool smallest) { mSmallest = smallest; }

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
      PackList list;
      if (paths.size() == 4 && (paths[3].size() < 2 || paths[3][0] != '@' || !mReadPackList(mPath(paths[3].substr(1)), list)))
        return mReport(output, size, kUnlhaBadCommand, "unreadable list file: " + paths[3]);
      if (paths.size() != 3 && paths.size() != 4)
        return mReport(output, size, kUnlhaBadCommand, "u takes archive, base, source and a list file");
      return mPack(mPath(paths[0]), mPath(paths[2]), list, keepAttributes, output, size);
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
