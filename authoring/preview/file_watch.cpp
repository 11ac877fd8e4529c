#include "preview/file_watch.h"

#include "document/demo.h"

namespace quillbarrow {

namespace fs = std::filesystem;

namespace {

// Where the document looks for the music when the project does not embed it.
const char kMusicFile[] = "resources/music.mp3";

}  // namespace

std::vector<fs::path> project_files(const Demo& demo, const fs::path& project) {
    const fs::path folder = fs::absolute(project).parent_path();
    std::vector<fs::path> files{fs::absolute(project), folder / kMusicFile};
    auto add = [&](const std::string& name) {
        if (!name.empty()) files.push_back(folder / name);
    };
    for (const auto& program : demo.shaders) {
        add(program->vertex_shader_filename);
        add(program->fragment_shader_filename);
    }
    for (const auto& texture : demo.textures) add(texture->name);
    for (const auto& sample : demo.audio_samples) add(sample->name);
    for (const auto& font : demo.fonts) add(font->filename);
    for (const auto& data : demo.datas) add(data->name);
    for (const auto& model : demo.models) add(model->filename);
    return files;
}

FileWatch::Stamp FileWatch::stamp_of(const fs::path& file) {
    std::error_code error;
    Stamp stamp;
    stamp.time = fs::last_write_time(file, error);
    if (error) return {};
    stamp.size = fs::file_size(file, error);
    stamp.exists = !error;
    return stamp;
}

void FileWatch::watch(std::vector<fs::path> files) {
    files_ = std::move(files);
    stamps_.clear();
    for (const auto& file : files_) stamps_.push_back(stamp_of(file));
}

bool FileWatch::changed() {
    bool any = false;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        Stamp now = stamp_of(files_[i]);
        if (now == stamps_[i]) continue;
        stamps_[i] = now;
        any = true;
    }
    return any;
}

}  // namespace quillbarrow
