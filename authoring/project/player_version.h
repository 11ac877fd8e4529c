#pragma once

#include <cstdint>
#include <string>

namespace quillbarrow {

// This build's version: "0.9.0", followed by " (git DESCRIPTION)" when it was
// built from a git checkout. Defined by the stamp every executable links.
extern const char kBuildVersion[];

// The version stamped into the player part of a packed file (its first
// player_bytes bytes), or empty when it carries none (a player built before
// versions were stamped, or not our player at all).
std::string stamped_player_version(const std::string& path, std::uint64_t player_bytes);

}  // namespace quillbarrow
