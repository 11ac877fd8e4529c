#pragma once

#include <filesystem>
#include <string>

#include "serialization/json_value.h"
#include "support/tool_process.h"

namespace quillbarrow {

// Writes a JSON project into a folder and packs it with the real tool.
// Returns the tool's result; the packed file is folder/name.
inline ProcessResult pack_project(const std::filesystem::path& folder, const JsonValue& project,
                                  const std::string& name) {
    std::filesystem::create_directories(folder);
    {
        std::FILE* f = std::fopen((folder / "project.json").c_str(), "wb");
        std::string text = project.dump(2);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    return run_tool({"pack", (folder / "project.json").string(), "-o", (folder / name).string()}, folder.string());
}

inline JsonValue tempo_only_project(double end_beat, double bpm, const std::string& music_base64 = "") {
    JsonValue v = JsonValue::object();
    v["music"] = music_base64;
    v["end_beat"] = end_beat;
    v["bpm"] = bpm;
    v["beat_offset"] = 0.5;
    return v;
}

}  // namespace quillbarrow
