#include "shader_report/shader_build_report.h"

#include <algorithm>
#include <cctype>

#include <GL/glew.h>

#include "render/gl_object.h"

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

bool linked(unsigned int program) {
    GLint status = GL_FALSE;
    if (program) glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

void append_stage(std::vector<ShaderBuildError>& errors, ShaderBuildError::Stage stage, unsigned int shader,
                  const ExpandedSource& source) {
    const char* name = stage == ShaderBuildError::Stage::Vertex ? "vertex" : "fragment";
    for (ShaderError& error : placed_errors(shader_log(shader), compiled(shader), source)) {
        if (error.origin.line == 0) error.message = std::string(name) + " shader: " + error.message;
        errors.push_back({stage, error.origin, std::move(error.message)});
    }
}

GlShader compiled_stage(GLenum stage, const std::string& text) {
    GlShader shader(glCreateShader(stage));
    const char* source = text.c_str();
    const GLint length = static_cast<GLint>(text.size());
    glShaderSource(shader, 1, &source, &length);
    glCompileShader(shader);
    return shader;
}

ProgramBuild build_of(const ShaderProgram& program) {
    return {program.vertex_shader_id, program.fragment_shader_id, program.program_id, program.include_error};
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

std::vector<ShaderBuildError> build_errors(const ProgramBuild& build, const ExpandedSource& vertex,
                                           const ExpandedSource& fragment) {
    using Stage = ShaderBuildError::Stage;
    if (!build.include_error.empty()) return {{Stage::Includes, {}, build.include_error}};
    std::vector<ShaderBuildError> errors;
    append_stage(errors, Stage::Vertex, build.vertex_shader, vertex);
    append_stage(errors, Stage::Fragment, build.fragment_shader, fragment);
    if (errors.empty() && !linked(build.program))
        errors.push_back({Stage::Link, {}, "shaders do not link: " + one_line(program_log(build.program))});
    return errors;
}

std::vector<ShaderBuildError> compile_and_report(const ExpandedSource& vertex, const ExpandedSource& fragment) {
    if (!fragment.error.empty()) return build_errors({0, 0, 0, fragment.error}, vertex, fragment);
    const GlShader vertex_shader = compiled_stage(GL_VERTEX_SHADER, vertex.text);
    const GlShader fragment_shader = compiled_stage(GL_FRAGMENT_SHADER, fragment.text);
    GlProgram program;
    if (compiled(vertex_shader) && compiled(fragment_shader)) {
        program = GlProgram(glCreateProgram());
        glAttachShader(program, vertex_shader);
        glAttachShader(program, fragment_shader);
        glLinkProgram(program);
    }
    return build_errors({vertex_shader, fragment_shader, program, ""}, vertex, fragment);
}

bool program_built(const ShaderProgram& program) {
    const ProgramBuild build = build_of(program);
    return build.include_error.empty() && compiled(build.vertex_shader) && compiled(build.fragment_shader) &&
           linked(build.program);
}

std::string failed_build_report(const ShaderProgram::ProgramList& programs) {
    using Stage = ShaderBuildError::Stage;
    std::string report;
    IncludeExpander includes = includes_of(programs);
    for (const auto& program : programs) {
        if (program_built(*program)) continue;
        const std::string& name = program->fragment_shader_filename;
        const std::vector<ShaderBuildError> errors = build_errors(
            build_of(*program), ExpandedSource::plain(program->vertex_shader_source),
            program->include_error.empty() ? includes.expand(name, program->fragment_shader_source) : ExpandedSource{});
        for (const ShaderBuildError& error : errors) {
            const bool vertex = error.stage == Stage::Vertex;
            const std::string& own_file = vertex ? program->vertex_shader_filename : name;
            if (error.origin.line == 0) {
                report += own_file + ": error: " + error.message + "\n";
                continue;
            }
            const std::string& file =
                error.origin.file == kExpandedFile ? own_file : programs[error.origin.file]->fragment_shader_filename;
            report += file + ":" + std::to_string(error.origin.line) + ": error: " + error.message + " (" +
                      (vertex ? "vertex" : "fragment") + " shader of " + name + ")\n";
        }
    }
    return report;
}

}  // namespace quillbarrow
