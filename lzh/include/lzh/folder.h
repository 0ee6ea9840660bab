// Folder layer: pack a folder tree into an archive and unpack an archive into a folder,
// through replaceable file-system and name-conversion hooks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lzh/header.h"
#include "lzh/stream.h"
#include "lzh/writer.h"

namespace lzh {

struct FileInfo {
    std::filesystem::path name;  // a single component
    bool is_directory = false;
    std::uint64_t size = 0;
    std::int64_t mtime = 0;  // Unix seconds
    std::uint8_t attributes = attr::Archive;
};

// Everything the folder layer does to the disk goes through here, so the Windows build can
// add attribute handling and long-path support by overriding it.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual Status list(const std::filesystem::path& folder, std::vector<FileInfo>& entries);
    virtual Status open_read(const std::filesystem::path& file, std::unique_ptr<InputStream>& stream);
    virtual Status open_write(const std::filesystem::path& file,
                              std::unique_ptr<SeekableOutputStream>& stream);
    // Creates `file` for writing only when nothing of that name stands there; otherwise sets `existed` and
    // leaves it alone. The default creates exclusively, in one call.
    virtual Status create_new(const std::filesystem::path& file, std::unique_ptr<SeekableOutputStream>& stream,
                              bool& existed);
    // Flushes and closes a stream from open_write or create_new; must report a failed final write.
    virtual Status close_write(std::unique_ptr<SeekableOutputStream>& stream);
    // Closes a stream from create_new that holds a whole, checked file and gives the file its time and
    // attributes. The default closes, then sets them by name; a platform that can set them through the open
    // file overrides it, which saves opening each file again.
    virtual Status finish_write(const std::filesystem::path& file, std::unique_ptr<SeekableOutputStream>& stream,
                                std::int64_t mtime, std::uint8_t attributes);
    virtual Status make_folder(const std::filesystem::path& folder);  // with parents
    virtual Status set_info(const std::filesystem::path& path, std::int64_t mtime,
                            std::uint8_t attributes);
    virtual bool exists(const std::filesystem::path& path);
    virtual bool is_folder(const std::filesystem::path& path);
    // Renames; whether an existing `to` is replaced depends on the platform (never by deleting it first).
    virtual Status rename(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual Status remove(const std::filesystem::path& path);
};

// Converts one name component between the file system's form and archive bytes.
class NameCodec {
public:
    virtual ~NameCodec() = default;
    // False when the archive's code page cannot write the name exactly.
    virtual bool to_archive(const std::filesystem::path& component, std::string& bytes) = 0;
    virtual bool from_archive(const std::string& bytes, std::filesystem::path& component) = 0;
    // A readable name the code page can write, for one it cannot: what it can of the name, '_' for the rest.
    // The exact name then travels in the UTF-16 name headers. The default keeps ASCII only.
    virtual bool stand_in(const std::filesystem::path& component, std::string& bytes);
};

// Uses the path's narrow string as is. With MinGW's libstdc++ that narrow form is UTF-8, not
// the ANSI code page, so Windows builds supply their own codec for CP932 archives.
class RawNameCodec final : public NameCodec {
public:
    bool to_archive(const std::filesystem::path& component, std::string& bytes) override;
    bool from_archive(const std::string& bytes, std::filesystem::path& component) override;
};

#ifndef _WIN32
// UTF-8 file names <-> CP932 (Shift-JIS) archive names via iconv. Names that are not valid
// CP932 in an archive are used as raw bytes so that they can still be restored.
class Cp932NameCodec final : public NameCodec {
public:
    Cp932NameCodec();
    ~Cp932NameCodec() override;
    bool available() const;
    bool to_archive(const std::filesystem::path& component, std::string& bytes) override;
    bool from_archive(const std::string& bytes, std::filesystem::path& component) override;
    // Keeps every character CP932 has, '_' for the others.
    bool stand_in(const std::filesystem::path& component, std::string& bytes) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
#endif

struct PackOptions {
    WriterOptions writer;
    ProgressFn progress;  // (file bytes done, total file bytes)
};

struct UnpackOptions {
    ProgressFn progress;  // (archive bytes read, archive size or 0 when unknown)
};

// Packs the contents of `folder` (not the folder itself) with paths relative to it. A name the codec cannot
// write goes in as a stand-in unique in its folder, with the exact name in the UTF-16 name headers.
Status pack_folder(FileSystem& fs, NameCodec& names, const std::filesystem::path& folder,
                   SeekableOutputStream& archive, const PackOptions& options = {});

// Unpacks every member below `destination`, under its exact (UTF-16) name when the archive has one. A file
// whose name is free is written under that name and removed again if its CRC does not match; one that meets
// a file of the same name is written under a temporary name and takes its place only after its CRC matched.
// Unsafe names are refused. Goes on with later members after a bad one when the archive structure allows it,
// and returns the first failure.
Status unpack_folder(FileSystem& fs, NameCodec& names, InputStream& archive,
                     const std::filesystem::path& destination, const UnpackOptions& options = {});

// Checks every member's CRC without writing anything; names that unpacking would refuse
// fail the test too.
Status test_archive(InputStream& archive, const UnpackOptions& options = {});

}  // namespace lzh
