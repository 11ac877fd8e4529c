#include "player_target.h"

#include <filesystem>

#include "command.h"
#include "project/project_file.h"
#include "platform/executable_path.h"

namespace quillbarrow {

std::string player_for_target(const std::string& target) {
    if (target != "windows") throw UsageError{"unknown target '" + target + "' (known: windows)"};
    const std::filesystem::path tool_folder = std::filesystem::path(executable_path()).parent_path();
    const char name[] = "quillbarrow-player.exe";
    for (const auto& candidate : {tool_folder / name, tool_folder.parent_path() / "build-windows" / name})
        if (std::filesystem::is_regular_file(candidate)) return candidate.string();
    throw ProjectError("no Windows player: neither " + (tool_folder / name).string() + " nor " +
                       (tool_folder.parent_path() / "build-windows" / name).string() +
                       " exists; build it with scripts/build-windows.sh");
}

}  // namespace quillbarrow
