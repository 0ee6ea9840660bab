// velnor-lzh: command-line front end (c/l/t/x) over the lzh library.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "lzh/folder.h"
#include "lzh/reader.h"

namespace {

int usage() {
    std::fputs("usage: velnor-lzh c ARCHIVE FOLDER [-m lh5|lh6|lh7] [-l 1|2] [-s]   (-s: smallest, slower)\n"
               "       velnor-lzh l ARCHIVE\n"
               "       velnor-lzh t ARCHIVE\n"
               "       velnor-lzh x ARCHIVE FOLDER\n",
               stderr);
    return 2;
}

int fail(const lzh::Status& s) {
    std::fprintf(stderr, "velnor-lzh: %s: %s\n", lzh::to_string(s.code()), s.message().c_str());
    return 1;
}

// Names are CP932 in our archives; natively they become UTF-8 file names.
lzh::NameCodec& name_codec() {
#ifdef _WIN32
    static lzh::RawNameCodec codec;
#else
    static lzh::Cp932NameCodec codec;
#endif
    return codec;
}

int create(const char* archive, const char* folder, lzh::Method method, int level, bool smallest) {
    lzh::FileSystem fs;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return fail(lzh::Status::io_error(std::string("not a folder: ") + folder));
    std::filesystem::path target(archive);
    std::filesystem::path temp = target;
    temp += ".part";
    lzh::FileOutputStream out;
    if (auto s = out.open(temp); !s.is_ok()) return fail(s);
    lzh::PackOptions options;
    options.writer.method = method;
    options.writer.header_level = level;
    options.writer.smallest = smallest;
    lzh::Status s = lzh::pack_folder(fs, name_codec(), folder, out, options);
    lzh::Status closed = out.close();
    if (s.is_ok()) s = closed;
    if (s.is_ok()) {
        std::filesystem::rename(temp, target, ec);
        if (ec) s = lzh::Status::io_error("cannot rename archive: " + ec.message());
    }
    if (!s.is_ok()) {
        std::filesystem::remove(temp, ec);
        return fail(s);
    }
    return 0;
}

int list(const char* archive) {
    lzh::FileInputStream in;
    if (auto s = in.open(archive); !s.is_ok()) return fail(s);
    lzh::Reader reader(in);
    std::printf("%-7s %12s %12s %4s %-19s %s\n", "method", "size", "packed", "crc", "time (UTC)", "name");
    for (;;) {
        lzh::Entry e;
        bool has = false;
        if (auto s = reader.next(e, has); !s.is_ok()) return fail(s);
        if (!has) break;
        char when[32] = "";
        std::time_t t = static_cast<std::time_t>(e.mtime);
        if (const std::tm* tm = std::gmtime(&t)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", tm);
        std::printf("%-7s %12llu %12llu %04x %-19s %s%s\n", e.method_id.c_str(),
                    static_cast<unsigned long long>(e.original_size), static_cast<unsigned long long>(e.packed_size),
                    e.crc, when, e.name.c_str(), e.is_directory() ? "/" : "");
    }
    return 0;
}

int test(const char* archive) {
    lzh::FileInputStream in;
    if (auto s = in.open(archive); !s.is_ok()) return fail(s);
    if (auto s = lzh::test_archive(in); !s.is_ok()) return fail(s);
    return 0;
}

int extract(const char* archive, const char* folder) {
    lzh::FileInputStream in;
    if (auto s = in.open(archive); !s.is_ok()) return fail(s);
    lzh::FileSystem fs;
    if (auto s = lzh::unpack_folder(fs, name_codec(), in, folder); !s.is_ok()) return fail(s);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strlen(argv[1]) != 1) return usage();
    const char command = argv[1][0];
    switch (command) {
        case 'c': {
            if (argc < 4) return usage();
            lzh::Method method = lzh::Method::Lh7;
            int level = 2;
            bool smallest = false;
            for (int i = 4; i < argc; ++i) {
                std::string opt = argv[i];
                if (opt == "-m" && i + 1 < argc) {
                    std::string m = argv[++i];
                    if (m == "lh0") method = lzh::Method::Lh0;
                    else if (m == "lh5") method = lzh::Method::Lh5;
                    else if (m == "lh6") method = lzh::Method::Lh6;
                    else if (m == "lh7") method = lzh::Method::Lh7;
                    else return usage();
                } else if (opt == "-l" && i + 1 < argc) {
                    level = std::atoi(argv[++i]);
                    if (level != 1 && level != 2) return usage();
                } else if (opt == "-s") {
                    smallest = true;
                } else {
                    return usage();
                }
            }
            return create(argv[2], argv[3], method, level, smallest);
        }
        case 'l': return argc == 3 ? list(argv[2]) : usage();
        case 't': return argc == 3 ? test(argv[2]) : usage();
        case 'x': return argc == 4 ? extract(argv[2], argv[3]) : usage();
        default: return usage();
    }
}
