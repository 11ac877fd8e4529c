#pragma once

#include <string>

namespace quillbarrow {

// The player `pack` copies by default: beside this tool (a build tree), else
// in ../lib/quillbarrow/ (an installed tree). Throws ProjectError naming
// where it looked and how to pass --player when it is in neither place.
std::string native_player();

// The player that `pack --target NAME` copies: "windows" is the cross-built
// quillbarrow-player.exe, "web" the page quillbarrow-player.html. Each is
// looked for in the same places, else in build-windows/ or build-web/ next to
// the tool's folder (the tool in build/, the player in build-web/).
// Throws ProjectError, naming the script that builds it, when it is in none,
// and UsageError for a target it does not know.
std::string player_for_target(const std::string& target);

}  // namespace quillbarrow
