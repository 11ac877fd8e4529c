#include "lint/project_linter.h"

#include <fstream>
#include <iterator>

#include "lint/key_positions.h"
#include "lint/lint_context.h"
#include "lint/model_checks.h"
#include "lint/record_checks.h"
#include "lint/reference_checks.h"
#include "lint/shader_checks.h"
#include "lint/shader_sources.h"
#include "lint/web_shader_validation.h"
#include "offscreen/headless_session.h"

namespace quillbarrow {

namespace {

// "FILE:LINE:COLUMN: reason" from the reader becomes a finding at that place.
Finding syntax_finding(const std::string& path, const std::string& what) {
    Finding finding{Finding::Severity::Error, path, 1, 0, what, ""};
    if (what.compare(0, path.size() + 1, path + ":") != 0) return finding;
    std::size_t at = path.size() + 1;
    std::size_t used = 0;
    try {
        finding.line = std::stoi(what.substr(at), &used);
        at += used + 1;
        finding.column = std::stoi(what.substr(at), &used);
        at += used;
        if (what.compare(at, 2, ": ") == 0) at += 2;
        finding.message = what.substr(at);
    } catch (const std::exception&) {
        finding.message = what;
    }
    return finding;
}

// A value the JSON library refuses, located by the text it quotes.
Finding unreadable_value_finding(const std::string& path, const std::string& text, std::string what) {
    if (what.compare(0, 16, "[json.exception.") == 0 && what.find("] ") != std::string::npos)
        what = what.substr(what.find("] ") + 2);
    Finding finding{Finding::Severity::Error, path, 1, 0, what, ""};
    const std::size_t open = what.find('\''), close = what.rfind('\'');
    if (open == std::string::npos || close <= open + 1) return finding;
    const std::size_t at = text.find(what.substr(open + 1, close - open - 1));
    if (at == std::string::npos) return finding;
    finding.line = 1;
    finding.column = 1;
    for (std::size_t i = 0; i < at; ++i) {
        if (text[i] == '\n')
            ++finding.line, finding.column = 1;
        else
            ++finding.column;
    }
    return finding;
}

// The same hidden window as rendering; one is enough for every program and model.
bool open_hidden_session(std::string* why) {
    static std::string failure;
    static const bool opened = open_headless_session(64, 64, &failure);
    if (why) *why = failure;
    return opened;
}

void check_models_loaded(const LintContext& context, const LintOptions& options) {
    if (!options.load_models || elements_of(member(context.root, "models")).empty()) return;
    std::string why;
    if (!open_hidden_session(&why)) {
        context.warning("models", "models were not loaded: " + why);
        return;
    }
    check_models(context);
}

// Programs that do not build here have their errors already; the rest are
// what the web player would refuse on its own.
void check_shaders_for_web(const LintContext& context, const std::vector<ShaderSources>& sources,
                           const std::vector<bool>& built) {
    const std::string validator = find_web_validator();
    if (validator.empty()) {
        context.findings.note(web_validator_missing("shaders were not validated for the web player"));
        return;
    }
    check_web_shaders(context, sources, built, validator, Finding::Severity::Warning);
}

void check_shaders(const LintContext& context, const LintOptions& options) {
    const std::vector<ShaderSources> sources = read_shader_sources(context);
    check_tracks_and_uniforms(context, sources);
    if (sources.empty()) return;
    std::vector<bool> built;  // empty: not compiled here, so every program is validated
    if (options.compile_shaders) {
        std::string why;
        if (open_hidden_session(&why))
            built = check_shader_builds(context, sources);
        else
            context.warning("shaders", "shaders were not compiled: " + why);
    }
    if (options.validate_for_web) check_shaders_for_web(context, sources, built);
}

// The project's JSON, or false with the finding that says why it does not read.
bool read_project(const std::string& path, JsonValue& root, std::string& text, Findings& findings) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        findings.add({Finding::Severity::Error, path, 1, 0, "cannot read the project file", ""});
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    try {
        root = JsonValue::parse(text, path);
    } catch (const JsonSyntaxError& e) {
        findings.add(syntax_finding(path, e.what()));
        return false;
    } catch (const std::exception& e) {
        // The reader's library refuses numbers beyond a double ("1e999") without a position.
        findings.add(unreadable_value_finding(path, text, e.what()));
        return false;
    }
    return true;
}

}  // namespace

Findings lint_project(const std::string& path, const LintOptions& options) {
    Findings findings;
    std::string text;
    JsonValue root;
    if (!read_project(path, root, text, findings)) return findings;
    const KeyPositions positions(text);
    const LintContext context{path, std::filesystem::path(path).parent_path(), root, positions, findings};
    if (!root.is_object()) {
        context.error("", "a project is a JSON object, not " + describe_value(root));
        return findings;
    }
    check_records(context);
    check_references(context);
    check_resource_files(context);
    check_shaders(context, options);
    check_models_loaded(context, options);
    return findings;
}

Findings web_shader_findings(const std::string& path, const std::string& validator_path) {
    Findings findings, unread;
    std::string text;
    JsonValue root;
    if (!read_project(path, root, text, unread) || !root.is_object()) return findings;
    const KeyPositions positions(text);
    const LintContext context{path, std::filesystem::path(path).parent_path(), root, positions, findings};
    check_web_shaders(context, read_shader_sources(context), {}, validator_path, Finding::Severity::Error);
    return findings;
}

}  // namespace quillbarrow
