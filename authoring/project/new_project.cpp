#include "project/new_project.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

#include "project/generated_model.h"
#include "project/generated_music.h"
#include "project/new_project_shaders.h"
#include "project/project_file.h"
#include "serialization/json_value.h"

namespace quillbarrow {

// DejaVu Sans Bold, embedded at build time, and the notice its licence asks
// to travel with every copy.
extern const unsigned char new_project_font[];
extern const std::size_t new_project_font_size;
extern const char* const kNewProjectFontLicence;

namespace {

namespace fs = std::filesystem;

constexpr double kBpm = 120.0;
constexpr double kEndBeat = 32.0;
const char* const kFontFile = "resources/DejaVuSans-Bold.ttf";
const char* const kModelFile = "resources/stage.gltf";

using Points = std::vector<std::pair<double, double>>;

JsonValue strings(std::initializer_list<const char*> names) {
    JsonValue array = JsonValue::array();
    for (const char* name : names) array.push_back(name);
    return array;
}

JsonValue track(int mode, const Points& points) {
    JsonValue value = JsonValue::object();
    value["mode"] = mode;
    value["repeat"] = false;
    value["control_points"] = JsonValue::array();
    for (auto [beat, v] : points) {
        JsonValue point = JsonValue::object();
        point["beat"] = beat;
        point["value"] = v;
        value["control_points"].push_back(point);
    }
    return value;
}

JsonValue uniform_def(const char* name, double low, double high, double initial) {
    JsonValue value = JsonValue::object();
    value["name"] = name;
    value["min_val"] = low;
    value["max_val"] = high;
    value["default_val"] = initial;
    return value;
}

JsonValue shader(const char* vertex, const char* fragment, JsonValue uniform_defs = JsonValue::array()) {
    JsonValue value = JsonValue::object();
    value["vertex_shader_filename"] = vertex;
    value["fragment_shader_filename"] = fragment;
    value["uniform_defs"] = std::move(uniform_defs);
    return value;
}

JsonValue effect(const char* name, const char* program, JsonValue font_textures = JsonValue::array()) {
    JsonValue value = JsonValue::object();
    value["name"] = name;
    value["program"] = program;
    value["textures"] = JsonValue::array();
    value["effects"] = JsonValue::array();
    value["font_textures"] = std::move(font_textures);
    value["feedback"] = false;
    value["screen_texture"] = false;
    return value;
}

JsonValue event(const char* name, const char* effect_name, double start, double end,
                JsonValue tracks = JsonValue::object()) {
    JsonValue value = JsonValue::object();
    value["type"] = 1;
    value["name"] = name;
    value["effect"] = effect_name;
    value["start_beat"] = start;
    value["end_beat"] = end;
    value["visible"] = "true";
    value["control_points"] = std::move(tracks);
    return value;
}

// The camera circles the cube half a turn over the piece, a point every
// four beats on a spline; the light swings from one side to the other.
JsonValue stage_tracks() {
    Points x, z;
    for (double beat = 0.0; beat <= kEndBeat; beat += 4.0) {
        const double angle = -0.6 + beat / kEndBeat * 3.14159265;
        x.emplace_back(beat, std::round(8.0 * std::sin(angle) * 1000.0) / 1000.0);
        z.emplace_back(beat, std::round(8.0 * std::cos(angle) * 1000.0) / 1000.0);
    }
    JsonValue tracks = JsonValue::object();
    tracks["camera_position_x"] = track(2, x);
    tracks["camera_position_z"] = track(2, z);
    tracks["ldX"] = track(1, {{0.0, 0.7}, {kEndBeat, -0.7}});
    tracks["ldY"] = track(0, {{0.0, 0.6}});
    tracks["ldZ"] = track(0, {{0.0, 0.5}});
    tracks["ldD"] = track(0, {{0.0, 16.0}});
    return tracks;
}

JsonValue stage_scene() {
    JsonValue camera = JsonValue::object();
    camera["position"] = JsonValue::array();
    for (double v : {0.0, 3.2, 8.0}) camera["position"].push_back(v);
    camera["direction"] = JsonValue::array();
    for (double v : {0.0, 0.8, 0.0}) camera["direction"].push_back(v);
    camera["up"] = JsonValue::array();
    for (double v : {0.0, 1.0, 0.0}) camera["up"].push_back(v);
    camera["aspect"] = 1.7778;
    camera["fov"] = 45.0;
    camera["znear"] = 0.1;
    camera["zfar"] = 100.0;
    camera["direction_mode"] = false;
    JsonValue scene = JsonValue::object();
    scene["name"] = "stage";
    scene["camera"] = camera;
    scene["root_node"]["name"] = "stage";
    scene["root_node"]["model"] = kModelFile;
    scene["camera_scene_only_direction"] = false;
    return scene;
}

JsonValue project_json(const std::string& title, bool with_scene) {
    JsonValue project = JsonValue::object();
    project["bpm"] = kBpm;
    project["beat_offset"] = 0.0;
    project["end_beat"] = kEndBeat;
    for (const char* list : {"textures", "audio_samples", "datas", "event_groups", "models", "scenes"})
        project[list] = JsonValue::array();

    JsonValue& shaders = project["shaders"];
    // The included file comes before the files that include it.
    shaders.push_back(shader("shaders/fullscreen.vert", "shaders/common.frag"));
    shaders.push_back(shader("shaders/fullscreen.vert", "shaders/background.frag"));
    JsonValue title_defs = JsonValue::array();
    title_defs.push_back(uniform_def("fade", 0.0, 1.0, 1.0));
    title_defs.push_back(uniform_def("band", 0.0, 1.0, with_scene ? 0.12 : 0.5));
    shaders.push_back(shader("shaders/fullscreen.vert", "shaders/title.frag", title_defs));

    JsonValue font = JsonValue::object();
    font["name"] = "bold";
    font["filename"] = kFontFile;
    font["ptsize"] = 64;
    project["fonts"].push_back(font);
    JsonValue font_texture = JsonValue::object();
    font_texture["name"] = "title";
    font_texture["width"] = 1280;
    font_texture["height"] = 96;
    font_texture["font"] = "bold";
    font_texture["center"] = true;
    font_texture["chars_per_beat"] = 8;
    project["font_textures"].push_back(font_texture);

    JsonValue& effects = project["effects"];
    JsonValue& events = project["events"];
    effects.push_back(effect("background", "shaders/background.frag"));
    events.push_back(event("background", "background", 0.0, kEndBeat));
    if (with_scene) {
        JsonValue light_defs = JsonValue::array();
        light_defs.push_back(uniform_def("ldX", -1.0, 1.0, 0.5));
        light_defs.push_back(uniform_def("ldY", -1.0, 1.0, 0.6));
        light_defs.push_back(uniform_def("ldZ", -1.0, 1.0, 0.5));
        shaders.push_back(shader("shaders/scene.vert", "shaders/scene.frag", light_defs));
        JsonValue model = JsonValue::object();
        model["filename"] = kModelFile;
        project["models"].push_back(model);
        project["scenes"].push_back(stage_scene());
        JsonValue stage = effect("stage", "shaders/scene.frag");
        stage["scene"] = "stage";
        effects.push_back(stage);
        events.push_back(event("stage", "stage", 0.0, kEndBeat, stage_tracks()));
    }
    effects.push_back(effect("title", "shaders/title.frag", strings({"title"})));
    JsonValue title_tracks = JsonValue::object();
    title_tracks["fade"] = track(1, {{0.0, 0.0}, {2.0, 1.0}, {26.0, 1.0}, {30.0, 0.0}});
    JsonValue text = JsonValue::object();
    text["beat"] = 0.0;
    text["text"] = title;
    title_tracks["title"]["mode"] = 0;
    title_tracks["title"]["repeat"] = false;
    title_tracks["title"]["control_points"].push_back(text);
    events.push_back(event("title", "title", 1.0, kEndBeat - 1.0, title_tracks));
    return project;
}

// Refuses a folder that is not a folder or holds anything.
void ensure_empty_folder(const std::string& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) return;
    if (!fs::is_directory(status))
        throw ProjectError(folder + " already exists and is not a folder; nothing was written");
    if (!fs::is_empty(folder, error) || error)
        throw ProjectError(folder +
                           " already exists and is not empty; nothing was written (choose a new name or empty it)");
}

// Opens a new file for writing, or none when it exists already.
std::FILE* open_exclusively(const fs::path& path) {
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    return fd < 0 ? nullptr : _fdopen(fd, "wb");
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

// Creates the file, failing rather than replacing one that appeared since.
void write_new_file(const fs::path& path, const std::string& bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_exclusively(path), std::fclose);
    if (!file) throw ProjectError("cannot create " + path.string() + ": " + std::strerror(errno));
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    written = std::fclose(file.release()) == 0 && written;
    if (!written) throw ProjectError("cannot write " + path.string());
}

}  // namespace

std::string new_project_title(const std::string& folder) {
    fs::path path = fs::path(folder).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    if (path.filename() == "." || path.filename() == ".." || path.empty())
        path = fs::absolute(path).lexically_normal().parent_path();
    return path.filename().string();
}

std::vector<WrittenFile> write_new_project(const NewProjectOptions& options) {
    ensure_empty_folder(options.folder);
    std::vector<std::pair<std::string, std::string>> files = {
        {"project.json", project_json(new_project_title(options.folder), options.with_scene).dump(2) + "\n"},
        {"shaders/fullscreen.vert", kNewFullscreenVertex},
        {"shaders/common.frag", kNewCommonFragment},
        {"shaders/background.frag", kNewBackgroundFragment},
        {"shaders/title.frag", kNewTitleFragment},
        // The player always plays resources/music.mp3. SDL_mixer tells formats
        // apart by their content, not their name, and no MP3 encoder is at
        // hand here, so this "MP3" is a WAV file.
        {"resources/music.mp3", generated_music_wav(kEndBeat * 60.0 / kBpm, kBpm)},
        {kFontFile, std::string(reinterpret_cast<const char*>(new_project_font), new_project_font_size)},
        {"resources/DejaVuSans-Bold.LICENSE.txt", kNewProjectFontLicence},
    };
    if (options.with_scene) {
        files.emplace_back("shaders/scene.vert", kNewSceneVertex);
        files.emplace_back("shaders/scene.frag", kNewSceneFragment);
        files.emplace_back(kModelFile, generated_stage_gltf());
    }
    const fs::path folder(options.folder);
    fs::create_directories(folder / "shaders");
    fs::create_directories(folder / "resources");
    std::vector<WrittenFile> written;
    for (const auto& [name, bytes] : files) {
        write_new_file(folder / name, bytes);
        written.push_back({name, bytes.size()});
    }
    return written;
}

}  // namespace quillbarrow
