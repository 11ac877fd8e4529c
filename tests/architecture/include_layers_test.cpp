#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace quillbarrow {

namespace {

namespace fs = std::filesystem;

// The runtime's layers, lowest first. A module (a header with its source,
// named by its path under src/ without extension) belongs to the layer of
// the longest prefix that matches it; a module may include only modules of
// its own layer or lower ones.
struct Layer {
    const char* prefix;
    const char* name;
};
const Layer kLayers[] = {
    {"platform/", "platform"},
    {"render/gl_object", "GL object owners"},
    {"player/audio_analysis", "audio analysis"},
    {"serialization/", "serialization"},
    {"document/", "document resources"},
    {"render/", "render"},
    {"scene/", "scene"},
    {"render/effect", "effects"},
    {"timeline/", "timeline"},
    {"document/demo", "document root"},
    {"document/document_reading", "document root"},
    {"player/", "player"},
};

// Headers every layer may include although they sit in the player: the
// player's process-wide state and the fatal-error service. Both must stay
// leaves that include no project header.
const std::set<std::string> kAllowedUpward = {"player/player_state.h", "player/diagnostics.h"};

struct Include {
    std::string file;  // path under src/
    int line = 0;
    std::string target;  // as written between the quotes
};

std::string module_of(const std::string& path) { return path.substr(0, path.rfind('.')); }

// Index into kLayers, or -1 for a module no layer claims.
int layer_of(const std::string& module) {
    int found = -1;
    std::size_t longest = 0;
    for (int i = 0; i < static_cast<int>(std::size(kLayers)); ++i) {
        const std::string prefix = kLayers[i].prefix;
        if (module.compare(0, prefix.size(), prefix) == 0 && prefix.size() > longest) {
            found = i;
            longest = prefix.size();
        }
    }
    return found;
}

std::string where(const Include& include) { return "src/" + include.file + ":" + std::to_string(include.line); }

// One message per include that runs from a lower layer to a higher one,
// outside the allowed headers, and per module no layer claims.
std::vector<std::string> upward_includes(const std::vector<Include>& includes) {
    std::vector<std::string> problems;
    for (const Include& include : includes) {
        const int from = layer_of(module_of(include.file));
        const int to = layer_of(module_of(include.target));
        if (from < 0) {
            problems.push_back(where(include) + ": src/" + include.file + " is in no layer");
            continue;
        }
        if (to < 0) {
            problems.push_back(where(include) + ": includes \"" + include.target + "\", which is in no layer");
            continue;
        }
        if (to > from && !kAllowedUpward.count(include.target))
            problems.push_back(where(include) + ": the " + kLayers[from].name + " layer includes \"" + include.target +
                               "\" of the higher " + kLayers[to].name + " layer");
    }
    return problems;
}

// One message per include cycle between modules, naming the modules round
// the cycle and the include that closes it.
std::vector<std::string> module_cycles(const std::vector<Include>& includes) {
    std::map<std::string, std::map<std::string, const Include*>> edges;
    for (const Include& include : includes) {
        const std::string from = module_of(include.file), to = module_of(include.target);
        if (from != to) edges[from].emplace(to, &include);
    }
    std::vector<std::string> problems;
    std::map<std::string, int> state;  // 1 on the current path, 2 done
    std::vector<std::string> path;
    // Iterative depth-first search: each frame is a module and the next
    // edge to follow.
    for (const auto& entry : edges) {
        const std::string& start = entry.first;
        if (state[start]) continue;
        std::vector<std::pair<std::string, std::map<std::string, const Include*>::const_iterator>> stack;
        stack.emplace_back(start, edges[start].cbegin());
        state[start] = 1;
        path.push_back(start);
        while (!stack.empty()) {
            auto& [module, next] = stack.back();
            if (next == edges[module].cend()) {
                state[module] = 2;
                path.pop_back();
                stack.pop_back();
                continue;
            }
            const auto [to, include] = *next++;
            if (state[to] == 1) {
                std::string cycle;
                for (auto it = std::find(path.begin(), path.end(), to); it != path.end(); ++it) cycle += *it + " -> ";
                problems.push_back(where(*include) + ": include cycle " + cycle + to);
            } else if (state[to] == 0) {
                state[to] = 1;
                path.push_back(to);
                stack.emplace_back(to, edges[to].cbegin());
            }
        }
    }
    return problems;
}

fs::path source_root() { return fs::path(QB_EXAMPLES_DIR).parent_path(); }

// Every quoted #include of every file under src/.
std::vector<Include> runtime_includes() {
    const fs::path src = source_root() / "src";
    const std::regex directive(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<Include> includes;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
        std::ifstream in(entry.path());
        std::string text;
        int line = 0;
        while (std::getline(in, text)) {
            ++line;
            std::smatch match;
            if (std::regex_search(text, match, directive))
                includes.push_back({fs::relative(entry.path(), src).generic_string(), line, match[1].str()});
        }
    }
    return includes;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

TEST(IncludeLayers, RuntimeIncludesRunDownwardOnlyAndFormNoCycle) {
    const std::vector<Include> includes = runtime_includes();
    ASSERT_GT(includes.size(), 200u);  // the scan found the runtime

    std::vector<std::string> outside;
    for (const Include& include : includes) {
        if (fs::exists(source_root() / "src" / include.target)) continue;
        const bool authoring = fs::exists(source_root() / "authoring" / include.target);
        outside.push_back(where(include) + ": includes \"" + include.target + "\"" +
                          (authoring ? ", a header of authoring/" : ", which is not under src/"));
    }
    EXPECT_TRUE(outside.empty()) << joined(outside);
    EXPECT_TRUE(upward_includes(includes).empty()) << joined(upward_includes(includes));
    EXPECT_TRUE(module_cycles(includes).empty()) << joined(module_cycles(includes));

    // The headers every layer may reach include no project header.
    for (const Include& include : includes)
        EXPECT_FALSE(kAllowedUpward.count(include.file))
            << where(include) << ": an allowed header includes \"" << include.target << "\"";
}

TEST(IncludeLayers, ReportsUpwardIncludesUnplacedModulesAndCycles) {
    const std::vector<Include> upward = {
        {"serialization/byte_buffer.cpp", 7, "document/resource_reader.h"},
        {"render/shader_program.cpp", 3, "render/effect.h"},
        {"timeline/event.cpp", 5, "player/player_state.h"},  // allowed
        {"scene/model.cpp", 9, "render/gl_object.h"},        // downward
        {"gadgets/widget.cpp", 2, "render/effect.h"},
    };
    const std::vector<std::string> problems = upward_includes(upward);
    ASSERT_EQ(problems.size(), 3u) << joined(problems);
    EXPECT_EQ(problems[0], "src/serialization/byte_buffer.cpp:7: the serialization layer includes "
                           "\"document/resource_reader.h\" of the higher document resources layer");
    EXPECT_NE(problems[1].find("\"render/effect.h\" of the higher effects layer"), std::string::npos);
    EXPECT_NE(problems[2].find("gadgets/widget.cpp is in no layer"), std::string::npos);

    const std::vector<Include> circle = {
        {"timeline/event.h", 12, "timeline/event_group.h"},
        {"timeline/event_group.cpp", 3, "timeline/event.h"},
        {"timeline/event.cpp", 4, "timeline/event.h"},  // a module's own header
        {"timeline/control_track.cpp", 2, "timeline/control_track.h"},
    };
    const std::vector<std::string> cycles = module_cycles(circle);
    ASSERT_EQ(cycles.size(), 1u) << joined(cycles);
    EXPECT_EQ(cycles[0], "src/timeline/event_group.cpp:3: include cycle timeline/event -> timeline/event_group -> "
                         "timeline/event");
    EXPECT_TRUE(module_cycles({circle[0], circle[2], circle[3]}).empty());
}

}  // namespace

}  // namespace quillbarrow
