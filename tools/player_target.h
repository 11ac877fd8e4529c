#pragma once

#include <string>

namespace quillbarrow {

// The player that `pack --target NAME` copies: "windows" is the cross-built
// quillbarrow-player.exe, "web" the page quillbarrow-player.html. Each is
// looked for beside the tool, else in build-windows/ or build-web/ next to
// the tool's folder (the tool in build/, the player in build-web/).
// Throws ProjectError, naming the script that builds it, when it is in
// neither place, and UsageError for a target it does not know.
std::string player_for_target(const std::string& target);

}  // namespace quillbarrow
