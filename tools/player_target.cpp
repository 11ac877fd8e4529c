#include "player_target.h"

#include <filesystem>

#include "command.h"
#include "project/project_file.h"
#include "platform/executable_path.h"

namespace quillbarrow {

namespace {

struct TargetPlayer {
    const char* target;
    const char* file_name;
    const char* build_folder;
    const char* what;
    const char* script;
};

const TargetPlayer kTargets[] = {
    {"windows", "quillbarrow-player.exe", "build-windows", "Windows player", "scripts/build-windows.sh"},
    {"web", "quillbarrow-player.html", "build-web", "web player", "scripts/build-web.sh"},
};

}  // namespace

std::string player_for_target(const std::string& target) {
    const TargetPlayer* known = nullptr;
    for (const TargetPlayer& candidate : kTargets)
        if (target == candidate.target) known = &candidate;
    if (!known) throw UsageError{"unknown target '" + target + "' (known: windows, web)"};
    const std::filesystem::path tool_folder = std::filesystem::path(executable_path()).parent_path();
    const std::filesystem::path beside = tool_folder / known->file_name,
                                built = tool_folder.parent_path() / known->build_folder / known->file_name;
    for (const auto& candidate : {beside, built})
        if (std::filesystem::is_regular_file(candidate)) return candidate.string();
    throw ProjectError(std::string("no ") + known->what + ": neither " + beside.string() + " nor " + built.string() +
                       " exists; build it with " + known->script);
}

}  // namespace quillbarrow
