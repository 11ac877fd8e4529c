#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "command.h"
#include "project/project_file.h"
#include "offscreen/drawing_session.h"
#include "option_values.h"
#include "offscreen/frame_renderer.h"

namespace quillbarrow {

namespace {

struct RenderOptions {
    std::string input, out, size = "1920x1080";
    std::vector<std::string> beats;
};

// OUT.png for one beat; OUT-0.png, OUT-1.png, ... for several.
std::string numbered(const std::string& out, std::size_t index, std::size_t count) {
    if (count == 1) return out;
    std::filesystem::path p(out);
    std::string stem = (p.parent_path() / p.stem()).string();
    return stem + "-" + std::to_string(index) + p.extension().string();
}

bool ends_in_png(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return extension.size() == 4 && extension[0] == '.' &&
           std::equal(extension.begin() + 1, extension.end(), "png",
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

int render(const RenderOptions& options) {
    if (!ends_in_png(options.out))
        throw UsageError{"-o needs a file name ending in .png (render writes PNG images), not '" + options.out + "'"};
    std::vector<float> beats;
    for (const std::string& text : options.beats) beats.push_back(parse_beat("--beat", text));
    int width = 0, height = 0;
    parse_size(options.size, width, height);
    DrawingSession session(options.input, width, height);
    std::string error;
    for (std::size_t i = 0; i < beats.size(); ++i) {
        std::string path = numbered(options.out, i, beats.size());
        if (!render_frame_to_png(session.demo(), beats[i], path, &error)) throw ProjectError(error);
        std::printf("beat %g -> %s\n", beats[i], path.c_str());
    }
    return 0;
}

}  // namespace

CommandAction add_render_command(CLI::App& tool) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = tool.add_subcommand("render", "render frames of a production to PNG files");
    command->add_option("INPUT", options->input, "a JSON project or a packed executable")->required();
    command->add_option("-o", options->out, "the PNG to write")->required()->type_name("OUT.png");
    command->add_option("--beat", options->beats, "a beat to draw; give several for numbered files")
        ->required()
        ->type_name("B")
        ->allow_extra_args(false);
    command->add_option("--size", options->size, "the window size shaders see as their resolution")
        ->capture_default_str()
        ->type_name("WxH");
    command->footer("Loads INPUT in a hidden window of the given size, draws the frame at each beat\n"
                    "as the player would and writes it as a PNG. With several beats the files are\n"
                    "numbered: OUT-0.png, OUT-1.png, ...");
    return [options] { return render(*options); };
}

}  // namespace quillbarrow
