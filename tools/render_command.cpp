#include <cmath>
#include <cstdio>
#include <filesystem>

#include "command.h"
#include "document/project_file.h"
#include "player/frame_renderer.h"
#include "player/headless_session.h"
#include "player/player_state.h"

namespace {

// Beats beyond this lose their fraction in a float and overflow the
// integer part the shaders get ("iTime2").
constexpr float kLargestBeat = 1.0e7f;

float parse_beat(const std::string& text) {
    try {
        std::size_t used = 0;
        float beat = std::stof(text, &used);
        if (used == text.size() && std::isfinite(beat) && std::fabs(beat) <= kLargestBeat) return beat;
    } catch (const std::exception&) {
    }
    throw UsageError{"--beat needs a finite number of beats between -10000000 and 10000000, not '" + text + "'"};
}

// One side of a --size: digits only, 1 to 8192. Each side is capped since
// the window, its back buffer and the effects' window-sized targets all
// take width x height x 4 bytes.
bool parse_side(const std::string& text, int& side) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    side = std::stoi(text);
    return side >= 1 && side <= 8192;
}

void parse_size(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    int w = 0, h = 0;
    if (x == std::string::npos || !parse_side(text.substr(0, x), w) || !parse_side(text.substr(x + 1), h))
        throw UsageError{"--size needs WIDTHxHEIGHT, each from 1 to 8192, for example 1280x720, not '" + text + "'"};
    width = w;
    height = h;
}

// OUT.png for one beat; OUT-0.png, OUT-1.png, ... for several.
std::string numbered(const std::string& out, std::size_t index, std::size_t count) {
    if (count == 1) return out;
    std::filesystem::path p(out);
    std::string stem = (p.parent_path() / p.stem()).string();
    return stem + "-" + std::to_string(index) + (p.has_extension() ? p.extension().string() : ".png");
}

} // namespace

int run_render(const std::vector<std::string>& args) {
    std::string input, out;
    std::vector<float> beats;
    int width = 1920, height = 1080;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") out = option_value(args, i);
        else if (args[i] == "--beat") beats.push_back(parse_beat(option_value(args, i)));
        else if (args[i] == "--size") parse_size(option_value(args, i), width, height);
        else if (input.empty()) input = args[i];
        else throw UsageError{"unexpected argument '" + args[i] + "'"};
    }
    if (input.empty()) throw UsageError{"no input given"};
    if (out.empty()) throw UsageError{"no output given (-o OUT.png)"};
    if (beats.empty()) throw UsageError{"no beat given (--beat B)"};
    if (!std::filesystem::exists(input)) throw ProjectError("No such file: " + input);

    std::string error;
    if (!open_headless_session(width, height, &error)) throw ProjectError(error);
    auto demo = load_production(input);
    current_document = demo.get();
    demo->post_load();
    demo->warm_up();
    for (std::size_t i = 0; i < beats.size(); ++i) {
        std::string path = numbered(out, i, beats.size());
        if (!render_frame_to_png(*demo, beats[i], path, &error)) throw ProjectError(error);
        std::printf("beat %g -> %s\n", beats[i], path.c_str());
    }
    current_document = nullptr;
    return 0;
}
