#include "render/shader_build_report.h"

#include <regex>

#include <GL/glew.h>

namespace {

// One origin per character, so expansions inside expansions keep track of
// where every line came from.
struct TrackedText {
    std::string text;
    std::vector<SourceLine> origins;

    static TrackedText of_file(const std::string& file, const std::string& text) {
        TrackedText tracked{text, {}};
        tracked.origins.reserve(text.size());
        int line = 1;
        for (char c : text) {
            tracked.origins.push_back({file, line});
            if (c == '\n') ++line;
        }
        return tracked;
    }

    void replace_first(const std::string& pattern, const TrackedText& with) {
        if (pattern.empty()) return;
        const std::size_t at = text.find(pattern);
        if (at == std::string::npos) return;
        text.replace(at, pattern.size(), with.text);
        auto first = origins.begin() + static_cast<std::ptrdiff_t>(at);
        origins.erase(first, first + static_cast<std::ptrdiff_t>(pattern.size()));
        origins.insert(origins.begin() + static_cast<std::ptrdiff_t>(at), with.origins.begin(), with.origins.end());
    }
};

// A shader's or a program's info log, read with that object's own pair of
// GL queries.
std::string info_log(unsigned int object, void (*get_length)(GLuint, GLenum, GLint*),
                     void (*get_log)(GLuint, GLsizei, GLsizei*, GLchar*)) {
    if (!object) return {};
    GLint length = 0;
    get_length(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return {};
    std::string log(static_cast<std::size_t>(length), '\0');
    get_log(object, length, nullptr, log.data());
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    return log;
}

std::string shader_log(unsigned int shader) {
    return info_log(shader, [](GLuint id, GLenum name, GLint* out) { glGetShaderiv(id, name, out); },
                    [](GLuint id, GLsizei size, GLsizei* length, GLchar* log) { glGetShaderInfoLog(id, size, length, log); });
}

std::string program_log(unsigned int program) {
    return info_log(program, [](GLuint id, GLenum name, GLint* out) { glGetProgramiv(id, name, out); },
                    [](GLuint id, GLsizei size, GLsizei* length, GLchar* log) { glGetProgramInfoLog(id, size, length, log); });
}

bool compiled(unsigned int shader) {
    GLint status = GL_FALSE;
    if (shader) glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status == GL_TRUE;
}

std::string place(const std::vector<SourceLine>& origins, int line) {
    if (line < 1 || line > static_cast<int>(origins.size())) return {};
    const SourceLine& origin = origins[static_cast<std::size_t>(line - 1)];
    return origin.file + ":" + std::to_string(origin.line);
}

// The vertex stage has no includes: its lines are its file's.
std::vector<SourceLine> plain_line_origins(const std::string& file, const std::string& text) {
    std::vector<SourceLine> lines{{file, 1}};
    for (char c : text)
        if (c == '\n') lines.push_back({file, static_cast<int>(lines.size()) + 1});
    return lines;
}

void append_stage(std::string& report, const char* stage, const std::string& log,
                  const std::vector<SourceLine>& origins) {
    if (log.empty()) return;
    report += "  ";
    report += stage;
    report += ":\n";
    report += map_log_to_files(log, origins);
    if (report.back() != '\n') report += '\n';
}

} // namespace

std::vector<SourceLine> expanded_line_origins(const ShaderProgram& program,
                                              const ShaderProgram::ProgramList& programs) {
    TrackedText expanded = TrackedText::of_file(program.fragment_shader_filename, program.fragment_shader_source);
    for (const auto& other : programs) {
        if (other.get() == &program) continue;
        expanded.replace_first(include_directive(other->fragment_shader_filename),
                               TrackedText::of_file(other->fragment_shader_filename, other->fragment_shader_source));
    }
    std::vector<SourceLine> lines;
    bool line_start = true;
    for (std::size_t i = 0; i < expanded.text.size(); ++i) {
        if (line_start) lines.push_back(expanded.origins[i]);
        line_start = expanded.text[i] == '\n';
    }
    // A last empty line (after a final newline, or an empty source) still
    // belongs to the program's own file.
    if (line_start) lines.push_back({program.fragment_shader_filename, lines.empty() ? 1 : lines.back().line + 1});
    return lines;
}

std::string map_log_to_files(const std::string& log, const std::vector<SourceLine>& origins) {
    // Mesa "0:12(5): error", NVIDIA "0(12) : error", others "ERROR: 0:12: ...".
    static const std::regex with_column(R"(\b0:(\d+)\((\d+)\))");
    static const std::regex parenthesised(R"(\b0\((\d+)\))");
    static const std::regex colon_pair(R"(\b0:(\d+):)");
    std::string out;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        std::string line = log.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::smatch match;
        std::string where;
        if (std::regex_search(line, match, with_column) && !(where = place(origins, std::stoi(match[1]))).empty())
            line = match.prefix().str() + where + "(" + match[2].str() + ")" + match.suffix().str();
        else if (std::regex_search(line, match, parenthesised) &&
                 !(where = place(origins, std::stoi(match[1]))).empty())
            line = match.prefix().str() + where + match.suffix().str();
        else if (std::regex_search(line, match, colon_pair) && !(where = place(origins, std::stoi(match[1]))).empty())
            line = match.prefix().str() + where + ":" + match.suffix().str();
        out += line;
        if (end == std::string::npos) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

bool program_built(const ShaderProgram& program) {
    if (!compiled(program.vertex_shader_id) || !compiled(program.fragment_shader_id)) return false;
    GLint linked = GL_FALSE;
    if (program.program_id) glGetProgramiv(program.program_id, GL_LINK_STATUS, &linked);
    return linked == GL_TRUE;
}

std::string failed_build_report(const ShaderProgram::ProgramList& programs) {
    std::string report;
    for (const auto& program : programs) {
        if (program_built(*program)) continue;
        report += "Shader program " + program->fragment_shader_filename + " (vertex " +
                  program->vertex_shader_filename + ") does not build:\n";
        append_stage(report, "vertex", shader_log(program->vertex_shader_id),
                     plain_line_origins(program->vertex_shader_filename, program->vertex_shader_source));
        append_stage(report, "fragment", shader_log(program->fragment_shader_id),
                     expanded_line_origins(*program, programs));
        append_stage(report, "link", program_log(program->program_id), {});
    }
    return report;
}
