#pragma once

#include <cstdint>

namespace quillbarrow {

// The largest file a project may name as a resource (data, texture, sound,
// font, music, shader file, model and the files a model names). A packed
// production holds 2 GB at most, and the JSON form carries each file again
// as base64 text, so one file of 512 MiB already takes a third of what a
// production can hold; anything larger is a mistake or an attack, and it
// is refused before a byte of it is read.
constexpr std::uint64_t kMaxResourceFileBytes = std::uint64_t{512} * 1024 * 1024;

}  // namespace quillbarrow
