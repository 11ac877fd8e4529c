#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "serialization/page_payload.h"

namespace quillbarrow {

// A finished production is the player executable followed by
// [payload][u32 little-endian payload length]["DEMO"].
inline constexpr char kTrailerMagic[4] = {'D', 'E', 'M', 'O'};

// BadEncoding: a page whose payload element is not base64.
enum class TrailerStatus { Found, Missing, BadLength, BadEncoding };

struct PayloadLocation {
    TrailerStatus status = TrailerStatus::Missing;
    std::uint64_t offset = 0;  // first payload byte
    std::uint32_t length = 0;
};

// Checks all four magic bytes, then the length, and leaves the stream at the
// payload's first byte. A length that reaches before the start of the file is
// BadLength rather than a wild seek.
PayloadLocation locate_payload(std::FILE* stream);

// Reads the payload of a packed file into memory: an executable with the
// trailer, or a page packed for the web (see page_payload.h).
struct PayloadRead {
    TrailerStatus status = TrailerStatus::Missing;
    std::vector<std::uint8_t> bytes;
};
PayloadRead read_payload(const std::string& path);
// The same result for a payload found in a page.
PayloadRead payload_read_of(PagePayload page);

// Appends payload, length and magic to an open stream.
bool append_payload(std::FILE* stream, const std::vector<std::uint8_t>& payload);

}  // namespace quillbarrow
