#include "player_target.h"

#include <filesystem>
#include <vector>

#include "command.h"
#include "platform/executable_path.h"
#include "project/project_file.h"

namespace quillbarrow {

namespace {

namespace fs = std::filesystem;

// The first of the places that holds the file, or an error naming every
// place looked at and the ways out.
std::string first_existing(const std::vector<fs::path>& places, const std::string& what, const std::string& remedy) {
    for (const fs::path& place : places)
        if (fs::is_regular_file(place)) return place.string();
    std::string looked;
    for (const fs::path& place : places) looked += (looked.empty() ? "" : ", ") + place.string();
    throw ProjectError("no " + what + ": looked for " + looked + "; " + remedy + ", or pass --player PATH");
}

// A build tree keeps the player beside the tool; an installed tree in
// ../lib/quillbarrow/ next to the tool's bin/.
std::vector<fs::path> beside_or_installed(const std::string& name) {
    const fs::path tool_folder = fs::path(executable_path()).parent_path();
    return {tool_folder / name, tool_folder.parent_path() / "lib" / "quillbarrow" / name};
}

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

std::string native_player() {
    return first_existing(beside_or_installed(executable_file_name("quillbarrow-player")), "player",
                          "build it (cmake --build build) or install it");
}

std::string player_for_target(const std::string& target) {
    const TargetPlayer* known = nullptr;
    for (const TargetPlayer& candidate : kTargets)
        if (target == candidate.target) known = &candidate;
    if (!known) throw UsageError{"unknown target '" + target + "' (known: windows, web)"};
    std::vector<fs::path> places = beside_or_installed(known->file_name);
    places.push_back(fs::path(executable_path()).parent_path().parent_path() / known->build_folder / known->file_name);
    return first_existing(places, known->what, std::string("build it with ") + known->script);
}

}  // namespace quillbarrow
