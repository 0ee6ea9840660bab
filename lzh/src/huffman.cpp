// Huffman code lengths (two-queue construction, then Kraft-preserving length limiting).
#include "huffman.h"

#include <algorithm>
#include <cstring>

namespace lzh::detail {

int build_code_lengths(const std::uint32_t* freq, int n, int max_length, std::uint8_t* lengths) {
    std::memset(lengths, 0, static_cast<std::size_t>(n));
    struct Leaf {
        std::uint32_t freq;
        int symbol;
    };
    std::vector<Leaf> leaves;
    leaves.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        if (freq[i]) leaves.push_back({freq[i], i});
    const int used = static_cast<int>(leaves.size());
    if (used <= 1) return used;
    std::stable_sort(leaves.begin(), leaves.end(),
                     [](const Leaf& a, const Leaf& b) { return a.freq < b.freq; });

    // Nodes 0..used-1 are leaves in ascending weight; internal nodes follow in creation order,
    // which is also ascending weight, so two queues replace a heap.
    std::vector<std::uint64_t> weight(static_cast<std::size_t>(2 * used - 1));
    std::vector<int> parent(weight.size(), 0);
    for (int i = 0; i < used; ++i) weight[static_cast<std::size_t>(i)] = leaves[static_cast<std::size_t>(i)].freq;
    int next_leaf = 0, next_inner = used;
    for (int node = used; node < 2 * used - 1; ++node) {
        int pick[2];
        for (int& p : pick) {
            if (next_leaf < used && (next_inner >= node || weight[static_cast<std::size_t>(next_leaf)] <= weight[static_cast<std::size_t>(next_inner)]))
                p = next_leaf++;
            else
                p = next_inner++;
        }
        weight[static_cast<std::size_t>(node)] = weight[static_cast<std::size_t>(pick[0])] + weight[static_cast<std::size_t>(pick[1])];
        parent[static_cast<std::size_t>(pick[0])] = parent[static_cast<std::size_t>(pick[1])] = node;
    }
    std::vector<int> depth(weight.size(), 0);
    int count[64] = {};
    for (int node = 2 * used - 3; node >= 0; --node) {
        depth[static_cast<std::size_t>(node)] = depth[static_cast<std::size_t>(parent[static_cast<std::size_t>(node)])] + 1;
        if (node < used) ++count[std::min(depth[static_cast<std::size_t>(node)], max_length)];
    }

    // Clamping deep leaves over-subscribes the code space; move leaves down one level at a
    // time (each step frees exactly one slot at max_length) until it fits again.
    std::uint64_t kraft = 0;
    for (int len = 1; len <= max_length; ++len) kraft += static_cast<std::uint64_t>(count[len]) << (max_length - len);
    while (kraft > (1ull << max_length)) {
        --count[max_length];
        for (int len = max_length - 1; len > 0; --len) {
            if (count[len]) {
                --count[len];
                count[len + 1] += 2;
                break;
            }
        }
        --kraft;
    }

    // Rarest symbols get the longest codes.
    int index = 0;
    for (int len = max_length; len >= 1; --len)
        for (int k = 0; k < count[len]; ++k)
            lengths[leaves[static_cast<std::size_t>(index++)].symbol] = static_cast<std::uint8_t>(len);
    return used;
}

void build_codes(const std::uint8_t* lengths, int n, std::uint16_t* codes) {
    int count[kMaxCodeLength + 2] = {};
    for (int i = 0; i < n; ++i) ++count[lengths[i]];
    count[0] = 0;
    std::uint32_t next[kMaxCodeLength + 2] = {};
    std::uint32_t code = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + static_cast<std::uint32_t>(count[len - 1])) << 1;
        next[len] = code;
    }
    for (int i = 0; i < n; ++i)
        codes[i] = lengths[i] ? static_cast<std::uint16_t>(next[lengths[i]]++) : 0;
}

bool HuffmanDecoder::build(const std::uint8_t* lengths, int n) {
    single_ = -1;
    std::uint32_t count[kMaxCodeLength + 1] = {};
    for (int i = 0; i < n; ++i) {
        if (lengths[i] > kMaxCodeLength) return false;
        ++count[lengths[i]];
    }
    count[0] = 0;
    std::uint32_t start = 0;
    std::uint16_t index = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        base_[len] = start;
        offset_[len] = index;
        start += count[len] << (16 - len);
        if (start > 0x10000) return false;
        limit_[len] = start;
        index = static_cast<std::uint16_t>(index + count[len]);
    }
    std::uint16_t fill[kMaxCodeLength + 1];
    std::memcpy(fill, offset_, sizeof fill);
    for (int i = 0; i < n; ++i)
        if (lengths[i]) symbols_[fill[lengths[i]]++] = static_cast<std::uint16_t>(i);

    std::memset(fast_, 0, sizeof fast_);
    for (int len = 1; len <= kFastBits; ++len) {
        for (std::uint32_t k = 0; k < count[len]; ++k) {
            std::uint32_t first = (base_[len] >> (16 - kFastBits)) + (k << (kFastBits - len));
            std::uint16_t entry = static_cast<std::uint16_t>((symbols_[offset_[len] + k] << 5) | len);
            for (std::uint32_t j = 0; j < (1u << (kFastBits - len)); ++j) fast_[first + j] = entry;
        }
    }
    return true;
}

int HuffmanDecoder::decode_slow(BitReader& in, std::uint32_t bits) const {
    for (int len = kFastBits + 1; len <= kMaxCodeLength; ++len) {
        if (bits < limit_[len]) {
            if (bits < base_[len]) return -1;
            in.drop(static_cast<unsigned>(len));
            return symbols_[offset_[len] + ((bits - base_[len]) >> (16 - len))];
        }
    }
    return -1;
}

}  // namespace lzh::detail
