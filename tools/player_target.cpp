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

}  // namespace

std::string native_player() {
    return first_existing(beside_or_installed(executable_file_name("quillbarrow-player")), "player",
                          "build it (cmake --build build) or install it");
}

std::string player_for_target(const std::string& target) {
    if (target != "windows") throw UsageError{"unknown target '" + target + "' (known: windows)"};
    const std::string name = "quillbarrow-player.exe";
    std::vector<fs::path> places = beside_or_installed(name);
    places.push_back(fs::path(executable_path()).parent_path().parent_path() / "build-windows" / name);
    return first_existing(places, "Windows player", "build it with scripts/build-windows.sh");
}

}  // namespace quillbarrow
