#pragma once

#include <string>

namespace quillbarrow {

// The player that `pack --target NAME` copies. "windows" is the cross-built
// quillbarrow-player.exe: beside this tool, else in build-windows/ next to
// the tool's folder (the tool in build/, the player in build-windows/).
// Throws ProjectError, naming scripts/build-windows.sh, when it is in
// neither place, and UsageError for a target it does not know.
std::string player_for_target(const std::string& target);

}  // namespace quillbarrow
