#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillbarrow {

// Every text of the binary form is compressed with a small LZ-style coder,
// scrambled with a keystream and stored behind a 64-bit length (the binary
// reader and writer do the framing). The same
// keystream, without compression, covers the raw bytes of byte buffers.

// Seed of the keystream, shared by writer and reader.
inline constexpr std::int32_t kScrambleSeed = 397;

// Upper bound on a decoded string read from content. A header may declare any
// length; this keeps a corrupt one from allocating gigabytes.
inline constexpr std::uint64_t kMaxStoredStringLength = 256ull << 20;

std::string compress(std::string_view bytes);
// maximum 0 means no limit. Throws std::runtime_error("Malformed data while
// uncompressing") or std::length_error("Uncompressed data in message deemed
// too large").
std::string decompress(std::string_view bytes, std::uint64_t maximum);

// XORs the bytes with the keystream; applying it twice restores them.
void scramble(std::uint8_t* bytes, std::size_t length);

}  // namespace quillbarrow
