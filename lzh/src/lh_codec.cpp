// LZSS + static Huffman coder for -lh5-/-lh6-/-lh7-: a hash-chain lazy matcher, or for the smallest
// output a binary-tree optimal parse; entropy-guided block splitting; the matching block decoder.
#include "lh_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "huffman.h"
#include "lzh/crc16.h"

namespace lzh::detail {
namespace {

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr int kNC = 256 + kMaxMatch - kMinMatch + 1;  // literals + match lengths
constexpr int kNT = 19;                              // symbols that code the literal/length lengths
constexpr int kTBits = 5;
constexpr int kCBits = 9;
constexpr int kMaxPositionCodes = 17;
constexpr std::uint32_t kMaxBlockCodes = 0xFFFF;

constexpr MethodParams kMethods[] = {
    {Method::Lh5, 13, 14, 4},
    {Method::Lh6, 15, 16, 5},
    {Method::Lh7, 16, 17, 5},
};

Status bad_data(const char* what) { return Status::data_error(what); }

// ---- decoding ------------------------------------------------------------------------------

Status read_pt_lengths(BitReader& in, HuffmanDecoder& table, int symbols, int count_bits, int special) {
    int n = static_cast<int>(in.get(static_cast<unsigned>(count_bits)));
    if (n == 0) {
        int only = static_cast<int>(in.get(static_cast<unsigned>(count_bits)));
        if (only >= symbols) return bad_data("bad Huffman table");
        table.set_single(only);
        return Status::ok();
    }
    if (n > symbols) return bad_data("bad Huffman table");
    std::uint8_t lengths[32] = {};
    int i = 0;
    while (i < n) {
        int len = static_cast<int>(in.get(3));
        if (len == 7) {
            while (in.get(1))
                if (++len > kMaxCodeLength) return bad_data("bad Huffman table");
        }
        lengths[i++] = static_cast<std::uint8_t>(len);
        if (i == special) {
            int zeros = static_cast<int>(in.get(2));
            while (zeros-- > 0 && i < symbols) lengths[i++] = 0;
        }
    }
    if (!table.build(lengths, symbols)) return bad_data("bad Huffman table");
    return Status::ok();
}

Status read_c_lengths(BitReader& in, const HuffmanDecoder& pt, HuffmanDecoder& table) {
    int n = static_cast<int>(in.get(kCBits));
    if (n == 0) {
        int only = static_cast<int>(in.get(kCBits));
        if (only >= kNC) return bad_data("bad Huffman table");
        table.set_single(only);
        return Status::ok();
    }
    if (n > kNC) return bad_data("bad Huffman table");
    std::uint8_t lengths[kNC] = {};
    int i = 0;
    while (i < n) {
        int c = pt.decode(in);
        if (c < 0) return bad_data("bad Huffman code");
        if (c <= 2) {
            int run = c == 0 ? 1 : c == 1 ? static_cast<int>(in.get(4)) + 3 : static_cast<int>(in.get(kCBits)) + 20;
            if (run > n - i) return bad_data("bad Huffman table");
            i += run;
        } else {
            lengths[i++] = static_cast<std::uint8_t>(c - 2);
        }
    }
    if (!table.build(lengths, kNC)) return bad_data("bad Huffman table");
    return Status::ok();
}

// ---- encoding ------------------------------------------------------------------------------

constexpr std::size_t kChunkTokens = 2048;  // block-split decisions are taken per chunk
constexpr std::size_t kLookBytes = 256 * 1024;
constexpr int kHashBits = 16;
// Chains are keyed on 4 bytes: 3-byte matches rarely pay for themselves, and skipping them
// keeps the chains short and the lazy step better informed.
constexpr std::size_t kHashBytes = 4;
constexpr int kTooFar = 4096;  // a 3-byte match further away costs more than three literals
constexpr std::uint64_t kJudgeAfter = 1 << 20;  // input coded before an incompressible member is stored
// The optimal parse.
constexpr int kHash3Bits = 15;
constexpr std::size_t kNear3 = 8192;         // a 3-byte match further away hardly ever pays
constexpr std::size_t kSegment = 64 * 1024;  // bytes whose path is chosen at once
constexpr std::uint32_t kPriceUnit = 8;      // prices are in eighths of a bit

inline int position_code(std::uint32_t offset) { return offset ? std::bit_width(offset) : 0; }

struct Frequencies {
    std::uint32_t c[kNC];
    std::uint32_t p[kMaxPositionCodes];
    void clear() { std::memset(this, 0, sizeof *this); }
    void add(const Frequencies& o) {
        for (int i = 0; i < kNC; ++i) c[i] += o.c[i];
        for (int i = 0; i < kMaxPositionCodes; ++i) p[i] += o.p[i];
    }
};

double entropy_bits(const std::uint32_t* freq, int n, int& used) {
    std::uint64_t total = 0;
    used = 0;
    for (int i = 0; i < n; ++i) {
        total += freq[i];
        used += freq[i] != 0;
    }
    if (used <= 1) return 0;
    double bits = 0, log_total = std::log2(static_cast<double>(total));
    for (int i = 0; i < n; ++i)
        if (freq[i]) bits += freq[i] * (log_total - std::log2(static_cast<double>(freq[i])));
    return bits;
}

// Estimated size of a block: entropy of its symbols plus a rough price for its tables.
double block_cost(const Frequencies& f) {
    int used_c = 0, used_p = 0;
    double bits = entropy_bits(f.c, kNC, used_c) + entropy_bits(f.p, kMaxPositionCodes, used_p);
    return bits + 40 + used_c * 4.5 + used_p * 3.5;
}

}  // namespace

const MethodParams* lh_params(Method method) {
    for (const auto& m : kMethods)
        if (m.method == method) return &m;
    return nullptr;
}

Status lh_decode(const MethodParams& params, ChunkSource& source, std::uint64_t original_size,
                 OutputStream& output, const ProgressFn& progress) {
    BitReader in(source);
    const std::size_t window = std::size_t{1} << params.dict_bits;
    const std::size_t flush_at = window + 128 * 1024;
    std::vector<std::uint8_t> buf(flush_at + kMaxMatch + 16);
    std::size_t pos = 0, flushed = 0;
    std::uint64_t discarded = 0;  // bytes dropped from the front of buf
    auto tables = std::make_unique<HuffmanDecoder[]>(3);
    HuffmanDecoder& t_table = tables[0];
    HuffmanDecoder& c_table = tables[1];
    HuffmanDecoder& p_table = tables[2];
    std::uint64_t remaining = original_size;
    std::uint32_t block_left = 0;

    auto flush = [&]() -> Status {
        if (pos > flushed) LZH_TRY(output.write(buf.data() + flushed, pos - flushed));
        flushed = pos;
        if (progress && !progress(original_size - remaining, original_size)) return Status::aborted();
        return Status::ok();
    };

    while (remaining > 0) {
        if (block_left == 0) {
            if (in.overrun()) return bad_data("compressed data is truncated");
            block_left = in.get(16);
            if (block_left == 0) return bad_data("empty block");
            LZH_TRY(read_pt_lengths(in, t_table, kNT, kTBits, 3));
            LZH_TRY(read_c_lengths(in, t_table, c_table));
            LZH_TRY(read_pt_lengths(in, p_table, params.position_codes, params.position_bits, -1));
        }
        --block_left;
        int c = c_table.decode(in);
        if (c < 0) return bad_data("bad Huffman code");
        if (c < 256) {
            buf[pos++] = static_cast<std::uint8_t>(c);
            --remaining;
        } else {
            std::size_t len = static_cast<std::size_t>(c - 256 + kMinMatch);
            int p = p_table.decode(in);
            if (p < 0) return bad_data("bad Huffman code");
            std::size_t dist = (p <= 1 ? static_cast<std::size_t>(p)
                                       : (std::size_t{1} << (p - 1)) + in.get(static_cast<unsigned>(p - 1))) + 1;
            if (dist > discarded + pos) return bad_data("match reaches before the start of the data");
            if (len > remaining) return bad_data("match runs past the end of the member");
            const std::uint8_t* from = buf.data() + pos - dist;
            std::uint8_t* to = buf.data() + pos;
            if (dist >= 8) {
                for (std::size_t k = 0; k < len; k += 8) std::memcpy(to + k, from + k, 8);
            } else {
                for (std::size_t k = 0; k < len; ++k) to[k] = from[k];
            }
            pos += len;
            remaining -= len;
        }
        if (pos >= flush_at) {
            LZH_TRY(flush());
            std::memmove(buf.data(), buf.data() + pos - window, window);
            discarded += pos - window;
            pos = flushed = window;
        }
    }
    LZH_TRY(flush());
    if (in.overrun()) return bad_data("compressed data is truncated");
    return Status::ok();
}

struct Match {
    std::uint16_t len, dist;
};

struct LhEncoder::Impl {
    MethodParams params;
    EncoderTuning tuning;
    std::size_t window, max_dist, capacity;
    std::vector<std::uint8_t> buf;
    std::vector<std::int32_t> head, prev;
    std::size_t pos = 0, avail = 0;
    bool eof = false;

    std::vector<std::uint16_t> codes, offsets;
    std::size_t block_tokens = 0, tokens = 0;
    Frequencies block_freq{}, chunk_freq{};

    InputStream* input = nullptr;
    BitWriter* out = nullptr;
    EncodeResult* result = nullptr;
    const ProgressFn* progress = nullptr;
    std::uint64_t progress_total = 0;
    bool may_give_up = false;  // the caller can rewind and store instead

    // Optimal parse: the matches of a segment, position by position, and the cheapest path.
    std::vector<std::int32_t> head3, tree;
    std::vector<Match> found;
    std::vector<std::uint32_t> found_start;
    std::vector<std::uint32_t> cost;
    std::vector<Match> step;
    std::uint32_t lit_price[256] = {}, len_price[kMaxMatch + 1] = {}, pos_price[kMaxPositionCodes] = {};

    Impl(const MethodParams& p, const EncoderTuning& t) : params(p), tuning(t) {
        window = std::size_t{1} << p.dict_bits;
        max_dist = window - 1;
        capacity = 2 * window + 1 + kLookBytes;
        buf.assign(capacity + 16, 0);
        head.assign(std::size_t{1} << kHashBits, -1);
        if (t.optimal) {
            // The tree needs no clearing between members: only nodes reached from head are read.
            head3.assign(std::size_t{1} << kHash3Bits, -1);
            tree.assign(2 * window, -1);
        } else {
            prev.assign(window, -1);
        }
        codes.resize(kMaxBlockCodes + kChunkTokens);
        offsets.resize(kMaxBlockCodes + kChunkTokens);
    }

    std::uint32_t hash_at(std::size_t p) const {
        std::uint32_t v;
        std::memcpy(&v, buf.data() + p, kHashBytes);
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    void insert(std::size_t p) {
        std::uint32_t h = hash_at(p);
        prev[p & (window - 1)] = head[h];
        head[h] = static_cast<std::int32_t>(p);
    }

    // Keeps the window behind pos and tops the buffer up. Returns the shift applied.
    Status fill(std::size_t& shift) {
        shift = 0;
        // Whole windows only: the chains and the tree are indexed by position modulo the window.
        if (capacity - avail < kLookBytes / 2 && pos >= 2 * window + 1) {
            shift = (pos - (window + 1)) & ~(window - 1);
            std::memmove(buf.data(), buf.data() + shift, avail - shift);
            pos -= shift;
            avail -= shift;
            const auto s = static_cast<std::int32_t>(shift);
            for (auto& v : head) v = v >= s ? v - s : -1;
            for (auto& v : prev) v = v >= s ? v - s : -1;
            for (auto& v : head3) v = v >= s ? v - s : -1;
            for (auto& v : tree) v = v >= s ? v - s : -1;
        }
        while (avail < capacity && !eof) {
            std::size_t got = 0;
            LZH_TRY(input->read(buf.data() + avail, capacity - avail, got));
            if (got == 0) {
                eof = true;
                break;
            }
            result->crc = crc16_update(result->crc, buf.data() + avail, got);
            result->input_bytes += got;
            avail += got;
            if (*progress && !(*progress)(result->input_bytes, progress_total)) return Status::aborted();
        }
        return Status::ok();
    }

    std::size_t match_length(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) const {
        std::size_t len = 0;
        while (len < limit) {
            std::uint64_t x, y;
            std::memcpy(&x, a + len, 8);
            std::memcpy(&y, b + len, 8);
            if (std::uint64_t d = x ^ y) {
                if constexpr (std::endian::native == std::endian::little)
                    len += static_cast<std::size_t>(std::countr_zero(d)) / 8;
                else
                    len += static_cast<std::size_t>(std::countl_zero(d)) / 8;
                return std::min(len, limit);
            }
            len += 8;
        }
        return limit;
    }

    // A match's worth against the bits of its position code, counting a byte as 4 bits.
    static int gain(std::size_t len, std::size_t dist) {
        return 4 * static_cast<int>(len) - position_code(static_cast<std::uint32_t>(dist - 1));
    }

    std::size_t longest_match(std::int32_t candidate, std::size_t best, std::size_t lookahead,
                              std::size_t& match_start) const {
        int chain = tuning.max_chain;
        if (best >= static_cast<std::size_t>(tuning.good_length)) chain >>= 2;
        const std::size_t max_len = std::min<std::size_t>(kMaxMatch, lookahead);
        if (best >= max_len) return best;
        const std::size_t nice = std::min<std::size_t>(static_cast<std::size_t>(tuning.nice_length), max_len);
        const std::uint8_t* s = buf.data() + pos;
        const std::int64_t limit = pos > max_dist ? static_cast<std::int64_t>(pos - max_dist) : 0;
        do {
            const std::uint8_t* m = buf.data() + candidate;
            if (m[best] != s[best] || m[best - 1] != s[best - 1] || m[0] != s[0] || m[1] != s[1]) continue;
            std::size_t len = match_length(s, m, max_len);
            // The chain runs from near to far, and a farther match costs more bits for its
            // position: it must be longer by enough to pay for them. The match to beat may be the
            // one still pending from the position before.
            if (len > best && (best < kMinMatch || gain(len, pos - static_cast<std::size_t>(candidate)) >
                                                       gain(best, pos - match_start))) {
                best = len;
                match_start = static_cast<std::size_t>(candidate);
                if (len >= nice) break;
            }
        } while ((candidate = prev[static_cast<std::size_t>(candidate) & (window - 1)]) >= limit && --chain != 0);
        return best;
    }

    void emit_literal(std::uint8_t byte) {
        codes[tokens++] = byte;
        ++chunk_freq.c[byte];
    }

    void emit_match(std::size_t len, std::size_t dist) {
        auto code = static_cast<std::uint16_t>(len - kMinMatch + 256);
        auto offset = static_cast<std::uint16_t>(dist - 1);
        codes[tokens] = code;
        offsets[tokens++] = offset;
        ++chunk_freq.c[code];
        ++chunk_freq.p[position_code(offset)];
    }

    // Decides whether the finished chunk joins the current block or starts a new one.
    void close_chunk() {
        const std::size_t chunk_tokens = tokens - block_tokens;
        if (chunk_tokens == 0) return;
        if (block_tokens > 0) {
            bool split = block_tokens + chunk_tokens > kMaxBlockCodes;
            if (!split) {
                Frequencies merged = block_freq;
                merged.add(chunk_freq);
                split = block_cost(block_freq) + block_cost(chunk_freq) < block_cost(merged);
            }
            if (split) {
                send_block(block_tokens, block_freq);
                std::memmove(codes.data(), codes.data() + block_tokens, chunk_tokens * sizeof codes[0]);
                std::memmove(offsets.data(), offsets.data() + block_tokens, chunk_tokens * sizeof offsets[0]);
                tokens = chunk_tokens;
                block_freq.clear();
            }
        }
        block_freq.add(chunk_freq);
        chunk_freq.clear();
        block_tokens = tokens;
    }

    void write_pt_lengths(const std::uint8_t* lengths, int symbols, int count_bits, int special) {
        int n = symbols;
        while (n > 0 && lengths[n - 1] == 0) --n;
        out->put(static_cast<unsigned>(count_bits), static_cast<std::uint32_t>(n));
        int i = 0;
        while (i < n) {
            int k = lengths[i++];
            if (k <= 6)
                out->put(3, static_cast<std::uint32_t>(k));
            else
                out->put(static_cast<unsigned>(k - 3), (1u << (k - 3)) - 2);
            if (i == special) {
                int zeros = 0;
                while (i < n && i < 6 && lengths[i] == 0) ++i, ++zeros;
                out->put(2, static_cast<std::uint32_t>(zeros));
            }
        }
    }

    void send_block(std::size_t count, const Frequencies& freq) {
        std::uint8_t c_len[kNC];
        std::uint16_t c_code[kNC];
        std::uint8_t p_len[kMaxPositionCodes];
        std::uint16_t p_code[kMaxPositionCodes];
        const int np = params.position_codes;

        out->put(16, static_cast<std::uint32_t>(count));
        int used_c = build_code_lengths(freq.c, kNC, kMaxCodeLength, c_len);
        if (used_c <= 1) {
            int only = static_cast<int>(std::find_if(freq.c, freq.c + kNC, [](std::uint32_t f) { return f != 0; }) - freq.c) % kNC;
            out->put(kTBits, 0);
            out->put(kTBits, 0);
            out->put(kCBits, 0);
            out->put(kCBits, static_cast<std::uint32_t>(only));
        } else {
            // The literal/length code lengths are themselves Huffman coded, with run-length
            // codes 0..2 for zeros.
            int n = kNC;
            while (n > 0 && c_len[n - 1] == 0) --n;
            std::uint32_t t_freq[kNT] = {};
            for (int i = 0; i < n;) {
                int k = c_len[i++];
                if (k == 0) {
                    int run = 1;
                    while (i < n && c_len[i] == 0) ++i, ++run;
                    if (run <= 2) t_freq[0] += static_cast<std::uint32_t>(run);
                    else if (run <= 18) ++t_freq[1];
                    else if (run == 19) ++t_freq[0], ++t_freq[1];
                    else ++t_freq[2];
                } else {
                    ++t_freq[k + 2];
                }
            }
            std::uint8_t t_len[kNT];
            std::uint16_t t_code[kNT];
            int used_t = build_code_lengths(t_freq, kNT, kMaxCodeLength, t_len);
            if (used_t <= 1) {
                int only = static_cast<int>(std::find_if(t_freq, t_freq + kNT, [](std::uint32_t f) { return f != 0; }) - t_freq) % kNT;
                out->put(kTBits, 0);
                out->put(kTBits, static_cast<std::uint32_t>(only));
            } else {
                write_pt_lengths(t_len, kNT, kTBits, 3);
            }
            build_codes(t_len, kNT, t_code);
            out->put(kCBits, static_cast<std::uint32_t>(n));
            for (int i = 0; i < n;) {
                int k = c_len[i++];
                if (k == 0) {
                    int run = 1;
                    while (i < n && c_len[i] == 0) ++i, ++run;
                    if (run <= 2) {
                        for (int r = 0; r < run; ++r) out->put(t_len[0], t_code[0]);
                    } else if (run <= 18) {
                        out->put(t_len[1], t_code[1]);
                        out->put(4, static_cast<std::uint32_t>(run - 3));
                    } else if (run == 19) {
                        out->put(t_len[0], t_code[0]);
                        out->put(t_len[1], t_code[1]);
                        out->put(4, 15);
                    } else {
                        out->put(t_len[2], t_code[2]);
                        out->put(kCBits, static_cast<std::uint32_t>(run - 20));
                    }
                } else {
                    out->put(t_len[k + 2], t_code[k + 2]);
                }
            }
        }
        build_codes(c_len, kNC, c_code);

        int used_p = build_code_lengths(freq.p, np, kMaxCodeLength, p_len);
        if (used_p <= 1) {
            int only = static_cast<int>(std::find_if(freq.p, freq.p + np, [](std::uint32_t f) { return f != 0; }) - freq.p) % np;
            out->put(static_cast<unsigned>(params.position_bits), 0);
            out->put(static_cast<unsigned>(params.position_bits), static_cast<std::uint32_t>(only));
        } else {
            write_pt_lengths(p_len, np, params.position_bits, -1);
        }
        build_codes(p_len, np, p_code);

        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t c = codes[i];
            out->put(c_len[c], c_code[c]);
            if (c >= 256) {
                std::uint32_t offset = offsets[i];
                int p = position_code(offset);
                out->put(p_len[p], p_code[p]);
                if (p > 1) out->put(static_cast<unsigned>(p - 1), offset & ((1u << (p - 1)) - 1));
            }
        }
    }

    // Photos, video and archives gain nothing, and coding all of one only to store it after
    // doubles the work: once a stretch has gone in with almost nothing saved, store it.
    bool gains_nothing() const {
        if (!may_give_up) return false;
        const std::uint64_t consumed = result->input_bytes - (avail - pos);
        return consumed >= kJudgeAfter && out->bytes() + consumed / 256 >= consumed;
    }

    // ---- optimal parse: every position's matches, then the cheapest path through them ----

    std::uint32_t hash3_at(std::size_t p) const {
        const std::uint32_t v = buf[p] | buf[p + 1] << 8 | buf[p + 2] << 16;
        return (v * 2654435761u) >> (32 - kHash3Bits);
    }

    // Puts p into the tables and collects its matches of at most `limit` bytes: each one longer
    // than the one before, at the nearest distance found for that length.
    std::size_t find_matches(std::size_t p, std::size_t limit, Match* found_here) {
        std::size_t count = 0, best = kMinMatch - 1;
        const std::uint8_t* s = buf.data() + p;
        auto keep = [&](std::size_t len, std::size_t dist) {
            while (count > 0 && found_here[count - 1].dist >= dist) --count;
            found_here[count++] = {static_cast<std::uint16_t>(len), static_cast<std::uint16_t>(dist)};
            best = len;
        };
        if (p + 3 <= avail) {
            // The tree is keyed on 4 bytes; a near 3-byte match comes from a table of its own.
            const std::uint32_t h3 = hash3_at(p);
            const std::int32_t near = head3[h3];
            head3[h3] = static_cast<std::int32_t>(p);
            if (near >= 0 && p - static_cast<std::size_t>(near) <= std::min(kNear3, max_dist) && limit >= kMinMatch) {
                const std::uint8_t* m = buf.data() + near;
                if (m[0] == s[0] && m[1] == s[1] && m[2] == s[2]) keep(match_length(s, m, limit), p - static_cast<std::size_t>(near));
            }
        }
        if (p + kHashBytes > avail) return count;

        // A binary tree of the window's strings with this hash, ordered by their bytes. Going down
        // it meets ever longer matches, and it is re-linked around p on the way, so that p becomes
        // the root. Each side's common prefix with p is known, so no byte is compared twice.
        const std::size_t ahead = std::min<std::size_t>(kMaxMatch, avail - p);
        const std::size_t nice = std::min<std::size_t>(static_cast<std::size_t>(tuning.nice_length), ahead);
        const std::int64_t oldest = p > max_dist ? static_cast<std::int64_t>(p - max_dist) : 0;
        const std::uint32_t h = hash_at(p);
        std::int32_t candidate = head[h];
        head[h] = static_cast<std::int32_t>(p);
        std::int32_t* smaller = &tree[2 * (p & (window - 1))];
        std::int32_t* larger = smaller + 1;
        std::size_t len_smaller = 0, len_larger = 0;
        for (int depth = tuning.max_chain; candidate >= oldest && depth > 0; --depth) {
            const std::uint8_t* m = buf.data() + candidate;
            std::int32_t* node = &tree[2 * (static_cast<std::size_t>(candidate) & (window - 1))];
            std::size_t len = std::min(len_smaller, len_larger);
            if (m[len] == s[len]) {
                len += match_length(s + len, m + len, ahead - len);
                if (std::min(len, limit) > best) keep(std::min(len, limit), p - static_cast<std::size_t>(candidate));
                if (len >= nice) {
                    // As long as p for as far as we look: p takes over its place and children.
                    *smaller = node[0];
                    *larger = node[1];
                    return count;
                }
            }
            if (m[len] < s[len]) {
                *smaller = candidate;
                smaller = node + 1;
                candidate = *smaller;
                len_smaller = len;
            } else {
                *larger = candidate;
                larger = node;
                candidate = *larger;
                len_larger = len;
            }
        }
        *smaller = *larger = -1;
        return count;
    }

    // Collects the matches of the segment's n positions. Inside a match of nice_length or more,
    // positions only go into the tables: a path through them would hardly be cheaper.
    void gather(std::size_t n) {
        found.clear();
        found_start.resize(n + 1);
        Match here[kMaxMatch];
        std::size_t skip = 0;
        for (std::size_t i = 0; i < n; ++i) {
            found_start[i] = static_cast<std::uint32_t>(found.size());
            if (skip) {
                --skip;
                find_matches(pos + i, 0, here);
                continue;
            }
            const std::size_t count = find_matches(pos + i, std::min<std::size_t>(kMaxMatch, n - i), here);
            if (count == 0) continue;
            found.insert(found.end(), here, here + count);
            if (here[count - 1].len >= tuning.nice_length) skip = here[count - 1].len - 1u;
        }
        found_start[n] = static_cast<std::uint32_t>(found.size());
    }

    std::uint32_t dist_price(std::uint32_t dist) const {
        const int p = position_code(dist - 1);
        return pos_price[p] + (p > 1 ? static_cast<std::uint32_t>(p - 1) * kPriceUnit : 0);
    }

    // The cheapest path from each position to the segment's end, under the current prices,
    // worked out from the end back. A match may be taken at any length up to the one found.
    void price_path(std::size_t n) {
        cost.resize(n + 1);
        step.resize(n + 1);
        cost[n] = 0;
        const std::uint8_t* s = buf.data() + pos;
        for (std::size_t i = n; i-- > 0;) {
            std::uint32_t best = lit_price[s[i]] + cost[i + 1];
            Match choice{1, 0};
            std::size_t len = kMinMatch;
            for (std::uint32_t k = found_start[i]; k < found_start[i + 1]; ++k) {
                const Match m = found[k];
                const std::uint32_t dp = dist_price(m.dist);
                for (; len <= m.len; ++len) {
                    const std::uint32_t c = len_price[len] + dp + cost[i + len];
                    if (c < best) {
                        best = c;
                        choice = {static_cast<std::uint16_t>(len), m.dist};
                    }
                }
            }
            cost[i] = best;
            step[i] = choice;
        }
    }

    void count_path(std::size_t n, Frequencies& f) const {
        f.clear();
        for (std::size_t i = 0; i < n; i += step[i].len) {
            const Match m = step[i];
            if (m.len == 1) {
                ++f.c[buf[pos + i]];
            } else {
                ++f.c[m.len - kMinMatch + 256];
                ++f.p[position_code(m.dist - 1u)];
            }
        }
    }

    // Prices in eighths of a bit from how often each symbol was used; an unused one is priced
    // as rarer than any used one, not as impossible.
    static void set_prices(const std::uint32_t* freq, int n, std::uint32_t* price) {
        std::uint64_t total = 0;
        for (int i = 0; i < n; ++i) total += freq[i];
        const double log_total = std::log2(static_cast<double>(total) + 1);
        for (int i = 0; i < n; ++i) {
            const double bits = freq[i] ? log_total - std::log2(static_cast<double>(freq[i])) : log_total + 2;
            price[i] = static_cast<std::uint32_t>(std::clamp(bits, 1.0, double{kMaxCodeLength}) * kPriceUnit + 0.5);
        }
    }

    void set_prices(const Frequencies& f) {
        std::uint32_t c_price[kNC];
        set_prices(f.c, kNC, c_price);
        std::memcpy(lit_price, c_price, sizeof lit_price);
        for (int len = kMinMatch; len <= kMaxMatch; ++len) len_price[len] = c_price[len - kMinMatch + 256];
        set_prices(f.p, params.position_codes, pos_price);
    }

    // Before anything was coded: literals as the segment's bytes go, short matches commoner than
    // long ones, every distance class alike.
    void default_prices(std::size_t n) {
        Frequencies f;
        f.clear();
        for (std::size_t i = 0; i < n; ++i) ++f.c[buf[pos + i]];
        for (int len = kMinMatch; len <= kMaxMatch; ++len)
            f.c[len - kMinMatch + 256] = static_cast<std::uint32_t>(n / 64 / static_cast<std::size_t>(len * len / 8 + 1) + 1);
        for (int p = 0; p < params.position_codes; ++p) f.p[p] = static_cast<std::uint32_t>(n / 64 + 1);
        set_prices(f);
    }

    // A segment is parsed under the prices the one before it left. The first has only guesses,
    // so it is parsed again under the prices of its own first path.
    Status run_optimal(std::uint64_t give_up_at) {
        std::fill(head3.begin(), head3.end(), -1);
        bool priced = false;
        for (;;) {
            if (avail - pos < kSegment + kMaxMatch && !eof) {
                std::size_t shift = 0;
                LZH_TRY(fill(shift));
            }
            if (pos >= avail) break;
            const std::size_t n = std::min(avail - pos, kSegment);
            gather(n);
            const int passes = priced ? 1 : 2;
            if (!priced) default_prices(n);
            priced = true;
            Frequencies f;
            for (int pass = 0; pass < passes; ++pass) {
                price_path(n);
                count_path(n, f);
                set_prices(f);
            }
            for (std::size_t i = 0; i < n; i += step[i].len) {
                if (step[i].len == 1) emit_literal(buf[pos + i]);
                else emit_match(step[i].len, step[i].dist);
                if (tokens - block_tokens >= kChunkTokens) {
                    close_chunk();
                    if (out->bytes() >= give_up_at || gains_nothing()) {
                        result->gave_up = true;
                        return out->status();
                    }
                }
            }
            pos += n;
        }
        close_chunk();
        if (block_tokens) send_block(block_tokens, block_freq);
        return out->finish();
    }

    Status run(std::uint64_t give_up_at) {
        may_give_up = give_up_at != UINT64_MAX;
        std::fill(head.begin(), head.end(), -1);
        pos = avail = 0;
        eof = false;
        tokens = block_tokens = 0;
        block_freq.clear();
        chunk_freq.clear();
        if (tuning.optimal) return run_optimal(give_up_at);

        std::size_t match_len = kMinMatch - 1, match_start = 0;
        bool pending = false;
        for (;;) {
            if (avail - pos < kMaxMatch + kMinMatch && !eof) {
                std::size_t shift = 0;
                LZH_TRY(fill(shift));
                match_start -= std::min(match_start, shift);
            }
            if (pos >= avail) break;
            const std::size_t lookahead = avail - pos;
            std::int32_t candidate = -1;
            if (lookahead >= kHashBytes) {
                std::uint32_t h = hash_at(pos);
                candidate = head[h];
                prev[pos & (window - 1)] = candidate;
                head[h] = static_cast<std::int32_t>(pos);
            }
            const std::size_t prev_len = match_len, prev_start = match_start;
            match_len = kMinMatch - 1;
            if (candidate >= 0 && prev_len < static_cast<std::size_t>(tuning.lazy_length) &&
                pos - static_cast<std::size_t>(candidate) <= max_dist) {
                match_len = longest_match(candidate, std::max<std::size_t>(prev_len, kMinMatch - 1), lookahead, match_start);
                if (match_len <= prev_len) match_len = kMinMatch - 1;  // nothing better was found
                else if (match_len == kMinMatch && pos - match_start > kTooFar) match_len = kMinMatch - 1;
            }
            if (prev_len >= kMinMatch && match_len <= prev_len) {
                emit_match(prev_len, pos - 1 - prev_start);
                const std::size_t end = pos - 1 + prev_len;
                for (std::size_t q = pos + 1; q < end; ++q)
                    if (q + kHashBytes <= avail) insert(q);
                pos = end;
                pending = false;
                match_len = kMinMatch - 1;
            } else if (pending) {
                emit_literal(buf[pos - 1]);
                ++pos;
            } else {
                pending = true;
                ++pos;
            }
            if (tokens - block_tokens >= kChunkTokens) {
                close_chunk();
                if (out->bytes() >= give_up_at || gains_nothing()) {
                    result->gave_up = true;
                    return out->status();
                }
            }
        }
        if (pending) emit_literal(buf[pos - 1]);
        close_chunk();
        if (block_tokens) send_block(block_tokens, block_freq);
        return out->finish();
    }
};

EncoderTuning encoder_tuning(const MethodParams& params, bool smallest) {
    if (smallest) return {24, 0, kMaxMatch, 0, true};
    return params.dict_bits >= 15 ? EncoderTuning{64, 32, 128, 64} : EncoderTuning{64, 16, 128, 32};
}

LhEncoder::LhEncoder(const MethodParams& params) : LhEncoder(params, encoder_tuning(params, false)) {}

LhEncoder::LhEncoder(const MethodParams& params, const EncoderTuning& tuning)
    : impl_(std::make_unique<Impl>(params, tuning)) {}

LhEncoder::~LhEncoder() = default;

Status LhEncoder::encode(InputStream& input, OutputStream& output, std::uint64_t give_up_at,
                         const ProgressFn& progress, std::uint64_t progress_total, EncodeResult& result) {
    result = {};
    BitWriter writer(output);
    impl_->input = &input;
    impl_->out = &writer;
    impl_->result = &result;
    impl_->progress = &progress;
    impl_->progress_total = progress_total;
    Status status = impl_->run(give_up_at);
    result.output_bytes = writer.bytes();
    return status;
}

}  // namespace lzh::detail
