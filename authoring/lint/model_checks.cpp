#include "lint/model_checks.h"

#include <exception>

#include "project/project_file.h"
#include "document/resource_reader.h"
#include "player/diagnostics.h"
#include "scene/model.h"
#include "scene/model_file_access.h"

namespace quillbarrow {

namespace {

struct ModelReport {
    std::vector<std::string> errors;
    std::vector<std::string> warnings;  // what the player ignores in it
};

// The errors of one model's load, and what the player will draw without;
// the model's file itself was checked.
ModelReport load_report(const JsonValue& record, const std::string& name) {
    try {
        // The loader's messages come back as findings: check's output stays
        // one finding per line.
        DiagnosticScope quiet([](const Diagnostic&) {});
        const Model model(record);
        ModelReport report{model_load_errors(model), {}};
        // Refusals are load errors already.
        for (const ModelFinding& finding : model.findings)
            if (finding.effect == ModelFinding::Effect::Ignored)
                report.warnings.push_back("model \"" + name + "\": " + finding.message);
        return report;
    } catch (const std::exception& e) {
        return {{"model \"" + name + "\": " + e.what()}, {}};
    } catch (...) {
        // A fatal resource error of the tool's own kind.
        return {{"model \"" + name + "\" does not load"}, {}};
    }
}

}  // namespace

void check_models(const LintContext& context) {
    const auto& models = elements_of(member(context.root, "models"));
    if (models.empty()) return;
    WorkingDirectory in_project(context.folder.string());
    for (std::size_t i = 0; i < models.size(); ++i) {
        const JsonValue& record = models[i];
        const JsonValue* filename = member(record, "filename");
        if (!filename || !filename->is_string()) continue;  // reported with the kinds
        const std::string name = filename->as_string();
        if (!member(record, "buffer") && !resource_file_problem(name).ok()) continue;
        const std::string path = member_path(element_path("models", i), "filename");
        const ModelReport report = load_report(record, name);
        for (const std::string& error : report.errors) context.error(path, error);
        for (const std::string& warning : report.warnings) context.warning(path, warning);
    }
}

}  // namespace quillbarrow
