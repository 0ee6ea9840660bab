// Shared helpers for the lzh tests: temp folders, files, data generators, tool runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "lzh/header.h"
#include "lzh/reader.h"
#include "lzh/writer.h"

namespace lzh::test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& s) const { return path_ / s; }

private:
    std::filesystem::path path_;
};

Bytes read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const Bytes& data);
void write_file(const std::filesystem::path& p, const std::string& data);

Bytes random_bytes(std::size_t n, std::uint32_t seed);
Bytes text_bytes(std::size_t n, std::uint32_t seed);  // compressible, word-like

struct Member {
    std::string name;
    Bytes data;
    bool directory = false;
};

// Builds an archive in memory.
Bytes make_archive(const std::vector<Member>& members, Method method = Method::Lh7, int level = 2,
                   bool smallest = false);

// Reads every member back; returns the first failure.
Status read_archive(const Bytes& archive, std::vector<Member>& members, std::vector<Entry>* entries = nullptr);

struct RunResult {
    int exit_code = -1;
    std::string output;  // stdout and stderr together
};
RunResult run(const std::string& command);
bool have_tool(const std::string& name);
std::string quote(const std::filesystem::path& p);

// "日本語" and friends in CP932 bytes, for names.
extern const std::string kSjisNihongo;   // 日本語
extern const std::string kSjisHyou;      // 表 (second byte 0x5C)
extern const std::string kUtf8Nihongo;
extern const std::string kUtf8Hyou;

}  // namespace lzh::test
