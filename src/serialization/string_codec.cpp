#include "serialization/string_codec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace quillbarrow {

namespace {

constexpr int kBuckets = 4096;
constexpr int kSlots = 12;
constexpr int kMinMatch = 5;

void put_varint(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

int varint_size(std::uint64_t x) { return 1 + (x > 127) + (x > 16383) + (x > 2097151); }

// The compressor's hash table: 4096 buckets, each a ring of 12 slots holding
// an input position plus one (0 = empty) and the cursor of the next write.
// Clearing all 416 KB per string would dominate short strings, so the table
// lives on between calls and only the buckets a string touched are reset.
struct MatchTable {
    struct Bucket {
        std::uint64_t slots[kSlots];
        std::uint64_t cursor;
    };
    std::vector<Bucket> buckets = std::vector<Bucket>(kBuckets);
    std::vector<std::uint8_t> dirty = std::vector<std::uint8_t>(kBuckets);
    std::vector<std::uint16_t> touched;

    Bucket& bucket(std::uint32_t index) {
        if (!dirty[index]) {
            dirty[index] = 1;
            touched.push_back(static_cast<std::uint16_t>(index));
        }
        return buckets[index];
    }
    void reset() {
        for (auto index : touched) {
            buckets[index] = Bucket{};
            dirty[index] = 0;
        }
        touched.clear();
    }
};

std::uint32_t fnv1a5(const std::uint8_t* p) {
    std::uint32_t h = 2166136261u;
    for (int i = 0; i < 5; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}

void flush_literals(std::string& out, const std::uint8_t* data, std::size_t begin, std::size_t end) {
    if (end == begin) return;
    put_varint(out, 2 * static_cast<std::uint64_t>(end - begin) + 1);
    out.append(reinterpret_cast<const char*>(data + begin), end - begin);
}

// Reads a varint; false when the input ends first or it runs past ten bytes.
bool get_varint(const std::uint8_t*& p, const std::uint8_t* end, std::uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (p == end) return false;
        std::uint8_t byte = *p++;
        if (shift == 63 && byte > 1) return false;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

[[noreturn]] void malformed() { throw std::runtime_error("Malformed data while uncompressing"); }

// The keystream is periodic: it restarts at the seed whenever it reaches 1,
// so one period is computed once and indexed by position.
const std::vector<std::uint8_t>& keystream_period() {
    static const std::vector<std::uint8_t> period = [] {
        std::vector<std::uint8_t> bytes;
        std::int32_t s = kScrambleSeed;
        do {
            s = (s & 1) ? 3 * s + 1 : s / 2;
            if (s == 1) s = kScrambleSeed;
            bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        } while (s != kScrambleSeed);
        return bytes;
    }();
    return period;
}

}  // namespace

std::string compress(std::string_view input) {
    thread_local MatchTable table;
    const auto* d = reinterpret_cast<const std::uint8_t*>(input.data());
    const std::size_t n = input.size();
    std::string out;
    out.reserve(n + n / 64 + 16);
    put_varint(out, n);

    std::size_t literal_start = 0;
    std::size_t p = 0;
    while (p < n) {
        if (p + kMinMatch > n) {
            ++p;
            continue;
        }
        auto& b = table.bucket(fnv1a5(d + p) % kBuckets);
        std::uint64_t best_length = 0, best_distance = 0, best_gain = 0;
        for (int visited = 0; visited < kSlots; ++visited) {
            std::uint64_t slot = b.slots[(b.cursor + kSlots - 1 - visited) % kSlots];
            if (slot == 0) break;
            std::size_t c = slot - 1;
            std::uint64_t m = 0;
            if (d[c] == d[p]) {
                m = 1;
                while (p + m < n && d[c + m] == d[p + m]) ++m;
            }
            std::uint64_t distance = p - c;
            std::uint64_t cost = varint_size(distance << 4) + (m >= 8 ? varint_size(m - 4) : 0);
            std::uint64_t gain = m >= cost ? m - cost : 0;
            if (gain > best_gain) {
                best_gain = gain;
                best_length = m;
                best_distance = distance;
            }
        }
        b.slots[b.cursor] = p + 1;
        b.cursor = (b.cursor + 1) % kSlots;

        if (best_length >= kMinMatch) {
            flush_literals(out, d, literal_start, p);
            std::uint64_t l = best_length - 4;
            if (l <= 7) {
                put_varint(out, (best_distance << 4) | (l << 1));
            } else {
                put_varint(out, best_distance << 4);
                put_varint(out, l);
            }
            p += best_length;
            literal_start = p;
        } else {
            ++p;
        }
    }
    flush_literals(out, d, literal_start, n);
    table.reset();
    return out;
}

std::string decompress(std::string_view bytes, std::uint64_t maximum) {
    if (bytes.empty()) return {};
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* end = p + bytes.size();
    std::uint64_t n = 0;
    if (!get_varint(p, end, n)) malformed();
    if (maximum != 0 && n > maximum) throw std::length_error("Uncompressed data in message deemed too large");
    std::string out(n, '\0');
    auto* o = reinterpret_cast<std::uint8_t*>(out.data());
    std::uint64_t pos = 0;
    while (p < end && pos < n) {
        std::uint64_t token = 0;
        if (!get_varint(p, end, token)) break;  // a cut stream keeps its zero tail
        if (token & 1) {
            std::uint64_t count = token >> 1;
            if (count > n - pos) malformed();
            std::uint64_t available = std::min<std::uint64_t>(count, static_cast<std::uint64_t>(end - p));
            std::memcpy(o + pos, p, available);
            p += available;
            pos += available;
            if (available < count) break;
        } else {
            std::uint64_t code = (token >> 1) & 7;
            std::uint64_t length = code + 4;
            if (code == 0) {
                std::uint64_t extra = 0;
                if (!get_varint(p, end, extra)) break;
                if (extra > n) malformed();
                length = extra + 4;
            }
            std::uint64_t distance = token >> 4;
            // Distance 0 is never written; it repeats the (still zero) bytes
            // in place, which the byte-wise copy below does.
            if (distance > pos || length > n - pos) malformed();
            std::uint64_t source = pos - distance;
            if (distance >= length) {
                std::memcpy(o + pos, o + source, length);
            } else {
                for (std::uint64_t i = 0; i < length; ++i) o[pos + i] = o[source + i];
            }
            pos += length;
        }
    }
    return out;
}

void scramble(std::uint8_t* bytes, std::size_t length) {
    const auto& period = keystream_period();
    const std::size_t size = period.size();
    std::size_t k = 0;
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] ^= period[k];
        if (++k == size) k = 0;
    }
}

}  // namespace quillbarrow
