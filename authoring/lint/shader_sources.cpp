#include "lint/shader_sources.h"

#include <fstream>
#include <iterator>
#include <cctype>

#include "document/resource_reader.h"

namespace quillbarrow {

namespace {

std::string without_comments(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "//") == 0) {
            while (i < text.size() && text[i] != '\n') ++i;
            out += '\n';
        } else if (text.compare(i, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 1;
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

// Regular files within the size limit only; the others are reported with the resource files.
bool read_file(const std::filesystem::path& path, std::string& out) {
    const ResourceFile file = read_resource_file(path.string());
    if (!file.ok()) return false;
    out.assign(reinterpret_cast<const char*>(file.bytes.get()), static_cast<std::size_t>(file.size));
    return true;
}

// The source under key (embedded) or in the file its filename key names.
bool read_stage(const LintContext& context, const JsonValue& shader, const std::string& path, const char* source_key,
                const char* file_key, StageSource& out) {
    SourceOrigin origin;
    std::string text;
    if (member(shader, "fragment_shader_source")) {
        text = string_member(shader, source_key);
        origin = {context.project_file, 1, true, member_path(path, source_key)};
    } else {
        const std::string name = string_member(shader, file_key);
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(context.folder / name, ignored) ||
            !read_file(context.folder / name, text))
            return false;
        origin = {context.shown_path(name), 1, false, member_path(path, file_key)};
    }
    out = {std::move(text), origin};
    return true;
}

}  // namespace

std::vector<ShaderSources> read_shader_sources(const LintContext& context) {
    std::vector<ShaderSources> all;
    const auto& shaders = elements_of(member(context.root, "shaders"));
    for (std::size_t i = 0; i < shaders.size(); ++i) {
        ShaderSources sources;
        const std::string path = element_path("shaders", i);
        sources.fragment_name = string_member(shaders[i], "fragment_shader_filename");
        sources.readable =
            shaders[i].is_object() &&
            read_stage(context, shaders[i], path, "vertex_shader_source", "vertex_shader_filename", sources.vertex) &&
            read_stage(context, shaders[i], path, "fragment_shader_source", "fragment_shader_filename",
                       sources.fragment);
        all.push_back(std::move(sources));
    }
    // Expanded as the player expands them; unreadable files are included nowhere.
    std::vector<IncludableFile> files;
    for (const ShaderSources& sources : all)
        files.push_back({&sources.fragment_name, sources.readable ? &sources.fragment.text : nullptr});
    IncludeExpander includes(std::move(files));
    for (ShaderSources& sources : all)
        if (sources.readable) sources.expanded = includes.expand(sources.fragment_name, sources.fragment.text);
    return all;
}

SourceOrigin origin_in_project(const std::vector<ShaderSources>& all, const StageSource& own, const LineOrigin& line) {
    SourceOrigin origin =
        line.file == kExpandedFile || line.file >= all.size() ? own.origin : all[line.file].fragment.origin;
    origin.line = line.line;
    return origin;
}

SourceOrigin origin_of_line(const std::vector<ShaderSources>& all, const ShaderSources& shader, int line) {
    return origin_in_project(all, shader.fragment, shader.expanded.origin_of_line(line));
}

std::vector<std::string> declared_uniforms(const std::string& text) {
    // Hand-written: std::regex recurses per character and a hostile shader could exhaust the stack.
    const std::string code = without_comments(text);
    auto is_word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    std::vector<std::string> names;
    const std::string keyword = "uniform";
    for (std::size_t at = code.find(keyword); at != std::string::npos; at = code.find(keyword, at + 1)) {
        const std::size_t after = at + keyword.size();
        if ((at > 0 && is_word(code[at - 1])) || after >= code.size() || is_word(code[after])) continue;
        const std::size_t end = code.find_first_of(";{}", after);
        if (end == std::string::npos || code[end] != ';') continue;
        // "uniform highp float a, b[2] = ...;": the last word before any "[" or "=" of each part.
        std::size_t from = after;
        while (from < end) {
            std::size_t stop = code.find(',', from);
            if (stop == std::string::npos || stop > end) stop = end;
            std::size_t tail = code.find_first_of("[=", from);
            if (tail == std::string::npos || tail > stop) tail = stop;
            std::size_t last = tail;
            while (last > from && !is_word(code[last - 1])) --last;
            std::size_t first = last;
            while (first > from && is_word(code[first - 1])) --first;
            if (first < last) names.push_back(code.substr(first, last - first));
            from = stop + 1;
        }
    }
    return names;
}

}  // namespace quillbarrow
