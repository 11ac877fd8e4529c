#include "shader_report/shader_build_report.h"

#include <algorithm>
#include <cctype>

#include <GL/glew.h>

namespace quillbarrow {

namespace {

// Digits at text[at], advancing at; -1 when there are none.
int read_number(const std::string& text, std::size_t& at) {
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return -1;
    long value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = std::min(value * 10 + (text[at] - '0'), 100000000L);
        ++at;
    }
    return static_cast<int>(value);
}

bool starts_with_at(const std::string& text, std::size_t at, const char* prefix) {
    return text.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
}

LogLine parse_log_line(const std::string& text) {
    LogLine out;
    out.message = text;
    std::size_t at = 0;
    if (starts_with_at(text, 0, "ERROR: "))
        out.is_error = true, at = 7;
    else if (starts_with_at(text, 0, "WARNING: "))
        at = 9;
    if (read_number(text, at) < 0) {
        out.is_error = out.is_error || text.find("error") != std::string::npos;
        return out;
    }
    int line = -1;
    if (at < text.size() && text[at] == ':') {  // "0:12(5): " or "0:12: "
        ++at;
        line = read_number(text, at);
        if (at < text.size() && text[at] == '(') {
            while (at < text.size() && text[at] != ')') ++at;
            ++at;
        }
    } else if (at < text.size() && text[at] == '(') {  // "0(12) "
        ++at;
        line = read_number(text, at);
        if (at < text.size() && text[at] == ')') ++at;
    }
    if (line < 0) return out;
    while (at < text.size() && (text[at] == ' ' || text[at] == ':')) ++at;
    std::string rest = at < text.size() ? text.substr(at) : std::string();
    // The driver's own label ("error", "error C0000", "preprocessor error",
    // "warning") says what it is; reports add their own.
    const std::size_t colon = rest.find(": ");
    const std::string label = colon != std::string::npos && colon < 24 ? rest.substr(0, colon) : std::string();
    const bool labelled_error = label.find("error") != std::string::npos;
    if (labelled_error) out.is_error = true;
    if (labelled_error || label.find("warning") != std::string::npos) rest = rest.substr(colon + 2);
    out.line = line;
    out.message = rest;
    return out;
}

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
    return info_log(
        shader, [](GLuint id, GLenum name, GLint* out) { glGetShaderiv(id, name, out); },
        [](GLuint id, GLsizei size, GLsizei* length, GLchar* log) { glGetShaderInfoLog(id, size, length, log); });
}

std::string program_log(unsigned int program) {
    return info_log(
        program, [](GLuint id, GLenum name, GLint* out) { glGetProgramiv(id, name, out); },
        [](GLuint id, GLsizei size, GLsizei* length, GLchar* log) { glGetProgramInfoLog(id, size, length, log); });
}

bool compiled(unsigned int shader) {
    GLint status = GL_FALSE;
    if (shader) glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status == GL_TRUE;
}

std::string one_line(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// One stage's errors as report lines; own_file names the stage's own text.
void append_stage(std::string& report, const char* stage, const std::string& own_file, const std::string& log,
                  bool stage_compiled, const ExpandedSource& source, const ShaderProgram::ProgramList& programs,
                  const std::string& program_name) {
    for (const ShaderError& error : placed_errors(log, stage_compiled, source)) {
        const LineOrigin& at = error.origin;
        if (at.line == 0) {
            report += own_file + ": error: " + stage + " shader: " + error.message + "\n";
            continue;
        }
        const std::string& file = at.file == kExpandedFile ? own_file : programs[at.file]->fragment_shader_filename;
        report += file + ":" + std::to_string(at.line) + ": error: " + error.message + " (" + stage + " shader of " +
                  program_name + ")\n";
    }
}

}  // namespace

std::vector<LogLine> parse_info_log(const std::string& log) {
    std::vector<LogLine> lines;
    std::size_t from = 0;
    while (from < log.size()) {
        std::size_t end = log.find('\n', from);
        if (end == std::string::npos) end = log.size();
        std::string text = log.substr(from, end - from);
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
        if (!text.empty()) lines.push_back(parse_log_line(text));
        from = end + 1;
    }
    return lines;
}

std::vector<ShaderError> placed_errors(const std::string& log, bool compiled, const ExpandedSource& source) {
    std::vector<ShaderError> errors;
    for (const LogLine& line : parse_info_log(log)) {
        if (!line.is_error) continue;
        errors.push_back({line.line > 0 ? source.origin_of_line(line.line) : LineOrigin{}, line.message});
    }
    if (errors.empty() && !compiled) errors.push_back({{}, "does not compile: " + one_line(log)});
    return errors;
}

bool program_built(const ShaderProgram& program) {
    if (!program.include_error.empty()) return false;
    if (!compiled(program.vertex_shader_id) || !compiled(program.fragment_shader_id)) return false;
    GLint linked = GL_FALSE;
    if (program.program_id) glGetProgramiv(program.program_id, GL_LINK_STATUS, &linked);
    return linked == GL_TRUE;
}

std::string failed_build_report(const ShaderProgram::ProgramList& programs) {
    std::string report;
    IncludeExpander includes = includes_of(programs);
    for (const auto& program : programs) {
        if (program_built(*program)) continue;
        const std::string& name = program->fragment_shader_filename;
        if (!program->include_error.empty()) {
            report += name + ": error: " + program->include_error + "\n";
            continue;
        }
        const std::size_t before = report.size();
        append_stage(report, "vertex", program->vertex_shader_filename, shader_log(program->vertex_shader_id),
                     compiled(program->vertex_shader_id), ExpandedSource::plain(program->vertex_shader_source),
                     programs, name);
        append_stage(report, "fragment", name, shader_log(program->fragment_shader_id),
                     compiled(program->fragment_shader_id), includes.expand(name, program->fragment_shader_source),
                     programs, name);
        if (report.size() == before)
            report += name + ": error: shaders do not link: " + one_line(program_log(program->program_id)) + "\n";
    }
    return report;
}

}  // namespace quillbarrow
