// Helpers shared by the lzh tests.
#include "test_support.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <cstring>
#include <stdexcept>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "lzh/stream.h"

namespace fs = std::filesystem;

namespace lzh::test {

const std::string kSjisNihongo = "\x93\xfa\x96\x7b\x8c\xea";
const std::string kSjisHyou = "\x95\x5c";
const std::string kUtf8Nihongo = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";
const std::string kUtf8Hyou = "\xe8\xa1\xa8";

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937 rng(seed());
    do {
        path_ = fs::temp_directory_path() / ("lzhtest-" + std::to_string(rng()));
    } while (!fs::create_directory(path_));
}

TempDir::~TempDir() {
    std::error_code ec;
    // Read-only files and folders from attribute tests must not block cleanup.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

Bytes read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& p, const Bytes& data) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void write_file(const fs::path& p, const std::string& data) { write_file(p, Bytes(data.begin(), data.end())); }

Bytes random_bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

Bytes text_bytes(std::size_t n, std::uint32_t seed) {
    static const char* words[] = {"backup", "restore", "folder", "archive", "Velnor", "the", "of", "mail",
                                  "Subject:", "From:", "\n", "2024", "received", "data", "copy", ", "};
    std::mt19937 rng(seed);
    Bytes b;
    b.reserve(n + 16);
    while (b.size() < n) {
        const char* w = words[rng() % (sizeof words / sizeof *words)];
        b.insert(b.end(), w, w + std::strlen(w));
        b.push_back(' ');
        if (rng() % 7 == 0) b.push_back(static_cast<std::uint8_t>('0' + rng() % 10));
    }
    b.resize(n);
    return b;
}

Bytes make_archive(const std::vector<Member>& members, Method method, int level, bool smallest) {
    MemoryOutputStream out;
    WriterOptions options;
    options.method = method;
    options.header_level = level;
    options.smallest = smallest;
    Writer writer(out, options);
    for (const auto& m : members) {
        MemberInfo info{m.name, 1700000000, attr::Archive, m.data.size()};
        Status s;
        if (m.directory) {
            s = writer.add_directory(info);
        } else {
            MemoryInputStream in(m.data);
            s = writer.add_file(info, in);
        }
        if (!s.is_ok()) throw std::runtime_error(s.message());
    }
    if (!writer.finish().is_ok()) throw std::runtime_error("finish failed");
    return out.data();
}

Status read_archive(const Bytes& archive, std::vector<Member>& members, std::vector<Entry>* entries) {
    MemoryInputStream in(archive);
    Reader reader(in);
    members.clear();
    for (;;) {
        Entry e;
        bool has = false;
        LZH_TRY(reader.next(e, has));
        if (!has) return Status::ok();
        MemoryOutputStream out;
        LZH_TRY(reader.extract(out));
        members.push_back({e.name, out.data(), e.is_directory()});
        if (entries) entries->push_back(e);
    }
}

#ifndef _WIN32
RunResult run(const std::string& command) {
    RunResult r;
    std::FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int status = pclose(p);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool have_tool(const std::string& name) { return run("command -v " + name).exit_code == 0; }
#else
// The command-line tests and the lhasa/jlha interop tests only run natively.
RunResult run(const std::string&) { return {}; }
bool have_tool(const std::string&) { return false; }
#endif

std::string quote(const fs::path& p) {
    std::string s = "'";
    for (char c : p.string()) {
        if (c == '\'') s += "'\\''";
        else s += c;
    }
    return s + "'";
}

}  // namespace lzh::test
