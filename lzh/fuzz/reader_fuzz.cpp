// Fuzz target: feeds arbitrary bytes to the archive reader and extracts every member.
#include <cstddef>
#include <cstdint>

#include "lzh/header.h"
#include "lzh/reader.h"

namespace {

// Caps output so a tiny input that declares gigabytes cannot stall the fuzzer.
class CappedSink final : public lzh::OutputStream {
public:
    lzh::Status write(const std::uint8_t*, std::size_t size) override {
        total_ += size;
        return total_ > (16u << 20) ? lzh::Status::io_error("cap") : lzh::Status::ok();
    }

private:
    std::uint64_t total_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lzh::MemoryInputStream in(data, size);
    lzh::Reader reader(in);
    CappedSink sink;
    for (int i = 0; i < 1000; ++i) {
        lzh::Entry e;
        bool has = false;
        if (!reader.next(e, has).is_ok() || !has) break;
        std::vector<std::string> parts;
        (void)lzh::split_safe_name(e.name, parts);
        (void)reader.extract(sink);
    }
    return 0;
}

#ifdef LZH_FUZZ_STANDALONE
// Without libFuzzer: mutate the seed corpus at random for a bounded time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SECONDS CORPUS_DIR...\n", argv[0]);
        return 2;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[1]));
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int i = 2; i < argc; ++i)
        for (const auto& de : std::filesystem::recursive_directory_iterator(argv[i]))
            if (de.is_regular_file()) {
                std::ifstream f(de.path(), std::ios::binary);
                seeds.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
            }
    if (seeds.empty()) seeds.push_back({});
    std::mt19937_64 rng(12345);
    std::uint64_t runs = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<std::uint8_t> input = seeds[rng() % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < edits; ++k) {
            switch (rng() % 4) {
                case 0: if (!input.empty()) input[rng() % input.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8)); break;
                case 1: if (!input.empty()) input[rng() % input.size()] = static_cast<std::uint8_t>(rng()); break;
                case 2: if (!input.empty()) input.resize(rng() % input.size()); break;
                case 3: input.insert(input.begin() + static_cast<std::ptrdiff_t>(input.empty() ? 0 : rng() % input.size()), static_cast<std::uint8_t>(rng())); break;
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++runs;
    }
    std::printf("standalone fuzz: %llu runs, no crash\n", static_cast<unsigned long long>(runs));
    return 0;
}
#endif
