#include "lint/web_shader_validation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <system_error>

#include "render/glsl_es_rewrite.h"
#include "system/child_process.h"

namespace quillbarrow {

namespace {

namespace fs = std::filesystem;

// A few lines per error; more than this is a runaway, not a report.
constexpr std::size_t kMaxValidatorOutput = 256 * 1024;

// A folder that only we can read, removed with its files when done: the
// shader text is the author's and another user must not swap the file.
class PrivateFolder {
public:
    PrivateFolder() {
        std::error_code failed;
        const fs::path base = fs::temp_directory_path(failed);
        if (failed) return;
#ifdef _WIN32
        // Each user's temporary folder is their own; the name need only be new.
        std::random_device random;
        for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
            const fs::path candidate = base / ("quillbarrow-web-" + std::to_string(random()));
            if (fs::create_directory(candidate, failed)) path_ = candidate;
        }
#else
        std::string pattern = (base / "quillbarrow-web-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
#endif
    }
    ~PrivateFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// glslangValidator pads its messages ("'=' :  cannot convert"); one space reads better.
std::string single_spaced(std::string text) {
    for (std::size_t at = text.find("  "); at != std::string::npos; at = text.find("  ", at)) text.erase(at, 1);
    return text;
}

// The validator repeats the last error as "compilation terminated" and
// closes with a count; neither says anything of its own.
bool is_echo(const std::string& message) {
    return message.find("compilation terminated") != std::string::npos ||
           message.find("compilation errors") != std::string::npos;
}

}  // namespace

std::string web_validator_missing(const std::string& what) {
    return std::string(kWebValidatorProgram) + " is not installed: " + what + "; install Debian's " +
           kWebValidatorPackage + " (apt-get install " + kWebValidatorPackage + ")";
}

std::string find_web_validator() { return find_on_path(kWebValidatorProgram); }

std::vector<ShaderError> web_stage_errors(const std::string& validator, const char* stage,
                                          const ExpandedSource& source) {
    const PrivateFolder folder;
    if (folder.path().empty()) return {{{}, "no private temporary folder to validate the shader in"}};
    const fs::path file = folder.path() / (std::string("shader.") + stage);
    {
        std::ofstream out(file, std::ios::binary);
        out << glsl_es_from_desktop(source.text);
        if (!out.flush()) return {{{}, "cannot write " + file.string()}};
    }
    std::string output;
    const int status =
        run_program_reading_output({validator, "-S", stage, file.string()}, kMaxValidatorOutput, &output);
    if (status < 0) return {{{}, "cannot run " + validator}};
    std::vector<ShaderError> errors;
    std::string unplaced;
    for (const ShaderError& error : placed_errors(output, status == 0, source)) {
        if (error.origin.line > 0 && !is_echo(error.message))
            errors.push_back({error.origin, single_spaced(error.message)});
        else if (unplaced.empty() && !is_echo(error.message) && error.message.find(file.string()) == std::string::npos)
            unplaced = single_spaced(error.message);
    }
    if (errors.empty() && status != 0)
        errors.push_back({{},
                          std::string(kWebValidatorProgram) + " refused it (exit status " + std::to_string(status) +
                              ")" + (unplaced.empty() ? "" : ": " + unplaced)});
    return errors;
}

void check_web_shaders(const LintContext& context, const std::vector<ShaderSources>& sources,
                       const std::vector<bool>& built, const std::string& validator, Finding::Severity severity) {
    std::set<std::string> validated_vertices, reported;
    auto add = [&](const std::string& path, const std::string& file, int line, const std::string& message) {
        // A file included by several programs is reported once, for the first.
        if (!reported.insert((file.empty() ? path : file + ":" + std::to_string(line)) + ": " + message).second) return;
        if (file.empty() && severity == Finding::Severity::Error)
            context.error(path, message);
        else if (file.empty())
            context.warning(path, message);
        else
            context.findings.add({severity, file, line, 0, message, path});
    };
    auto validate = [&](const StageSource& own, const char* stage, const ExpandedSource& source) {
        for (const ShaderError& error : web_stage_errors(validator, stage, source)) {
            const std::string reason = "not valid in the web player (GLSL ES 3.00): " + error.message;
            const std::string name = stage == std::string("vert") ? "vertex" : "fragment";
            if (error.origin.line == 0) {
                add(own.origin.path, "", 0, name + " shader " + reason);
                continue;
            }
            const SourceOrigin origin = origin_in_project(sources, own, error.origin);
            if (origin.embedded)
                add(origin.path, "", 0, name + " shader line " + std::to_string(origin.line) + ": " + reason);
            else  // The path names the program validated, whichever file holds the line.
                add(own.origin.path, origin.file, origin.line, reason);
        }
    };
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const ShaderSources& shader = sources[i];
        if (!shader.readable || !shader.expanded.error.empty() || (i < built.size() && !built[i])) continue;
        // Programs share vertex shaders; one run says all there is to say.
        if (validated_vertices.insert(shader.vertex.text).second)
            validate(shader.vertex, "vert", ExpandedSource::plain(shader.vertex.text));
        validate(shader.fragment, "frag", shader.expanded);
    }
}

}  // namespace quillbarrow
