#include "project/player_version.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

namespace quillbarrow {

namespace {

constexpr std::string_view kStampPrefix = "QUILLBARROW-PLAYER-VERSION ";
constexpr std::size_t kMaxVersionLength = 200;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The printable text after the prefix up to its terminating zero, if the
// bytes hold all of it.
std::string version_after(std::string_view bytes, std::size_t prefix_at) {
    const std::size_t begin = prefix_at + kStampPrefix.size();
    // Ended by its zero in an executable, by its attribute's quote in a page.
    const std::size_t end = bytes.find_first_of(std::string_view("\0\"", 2), begin);
    if (end == std::string_view::npos || end - begin > kMaxVersionLength) return {};
    std::string_view version = bytes.substr(begin, end - begin);
    if (!std::all_of(version.begin(), version.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) return {};
    return std::string(version);
}

}  // namespace

std::string stamped_player_version(const std::string& path, std::uint64_t player_bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return {};
    // Read in blocks that overlap by a stamp's length, so one that straddles
    // two blocks is still found whole.
    constexpr std::size_t kBlock = 1 << 20, kOverlap = 256;
    std::vector<char> block(kBlock + kOverlap);
    std::size_t kept = 0;
    std::uint64_t left = player_bytes;
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kBlock));
        const std::size_t got = std::fread(block.data() + kept, 1, want, file.get());
        if (got == 0) break;
        left -= got;
        const std::string_view bytes(block.data(), kept + got);
        const std::size_t at = bytes.find(kStampPrefix);
        if (at != std::string_view::npos) {
            std::string version = version_after(bytes, at);
            if (!version.empty() || bytes.size() - at > kOverlap) return version;
        }
        kept = std::min(bytes.size(), kOverlap);
        std::copy(bytes.end() - static_cast<std::ptrdiff_t>(kept), bytes.end(), block.begin());
    }
    return {};
}

}  // namespace quillbarrow
