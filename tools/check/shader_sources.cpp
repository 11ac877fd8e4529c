#include "check/shader_sources.h"

#include <fstream>
#include <iterator>
#include <cctype>

#include "document/resource_reader.h"

namespace {

TracedSource trace(const std::string& text, SourceOrigin first) {
    TracedSource out;
    out.text = text;
    out.origins.push_back(first);
    for (char c : text) {
        out.char_lines.push_back(static_cast<int>(out.origins.size()) - 1);
        if (c == '\n') {
            SourceOrigin next = out.origins.back();
            ++next.line;
            out.origins.push_back(next);
        }
    }
    return out;
}

// Replaces the first occurrence of pattern, as the player's include expansion does.
void replace_first_traced(TracedSource& target, const std::string& pattern, const TracedSource& replacement) {
    const std::size_t at = target.text.find(pattern);
    if (at == std::string::npos || pattern.empty()) return;
    std::vector<int> lines(replacement.char_lines.size());
    const int offset = static_cast<int>(target.origins.size());
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = replacement.char_lines[i] + offset;
    target.origins.insert(target.origins.end(), replacement.origins.begin(), replacement.origins.end());
    target.text.replace(at, pattern.size(), replacement.text);
    target.char_lines.erase(target.char_lines.begin() + static_cast<std::ptrdiff_t>(at),
                            target.char_lines.begin() + static_cast<std::ptrdiff_t>(at + pattern.size()));
    target.char_lines.insert(target.char_lines.begin() + static_cast<std::ptrdiff_t>(at), lines.begin(),
                             lines.end());
}

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
                const char* file_key, TracedSource& out) {
    SourceOrigin origin;
    std::string text;
    if (member(shader, "fragment_shader_source")) {
        text = string_member(shader, source_key);
        origin = {context.project_file, 1, true, member_path(path, source_key)};
    } else {
        const std::string name = string_member(shader, file_key);
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(context.folder / name, ignored) || !read_file(context.folder / name, text))
            return false;
        origin = {context.shown_path(name), 1, false, member_path(path, file_key)};
    }
    out = trace(text, origin);
    return true;
}

} // namespace

std::vector<ShaderSources> read_shader_sources(const LintContext& context) {
    std::vector<ShaderSources> all;
    const auto& shaders = elements_of(member(context.root, "shaders"));
    for (std::size_t i = 0; i < shaders.size(); ++i) {
        ShaderSources sources;
        const std::string path = element_path("shaders", i);
        sources.fragment_name = string_member(shaders[i], "fragment_shader_filename");
        sources.readable = shaders[i].is_object() &&
                           read_stage(context, shaders[i], path, "vertex_shader_source", "vertex_shader_filename",
                                      sources.vertex) &&
                           read_stage(context, shaders[i], path, "fragment_shader_source", "fragment_shader_filename",
                                      sources.fragment);
        all.push_back(std::move(sources));
    }
    // Plain replacement in list order, the other programs' own sources only.
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i].expanded = all[i].fragment;
        for (std::size_t j = 0; j < all.size(); ++j)
            if (j != i && all[j].readable)
                replace_first_traced(all[i].expanded, "#include \"" + all[j].fragment_name + "\"", all[j].fragment);
    }
    return all;
}

const SourceOrigin& origin_of_line(const TracedSource& source, int line) {
    static const SourceOrigin unknown;
    if (source.origins.empty()) return unknown;
    // The first character of the expanded line tells its origin.
    std::size_t start = 0;
    for (int n = 1; n < line && start < source.text.size(); ++start)
        if (source.text[start] == '\n') ++n;
    if (start >= source.char_lines.size()) return source.origins.back();
    return source.origins[static_cast<std::size_t>(source.char_lines[start])];
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
