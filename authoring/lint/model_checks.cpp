#include "lint/model_checks.h"

#include <exception>

#include "project/project_file.h"
#include "document/resource_reader.h"
#include "player/diagnostics.h"
#include "scene/model.h"
#include "scene/model_file_access.h"

namespace quillbarrow {

namespace {

// The errors of one model's load; the model's file itself was checked.
std::vector<std::string> load_errors(const JsonValue& record, const std::string& name) {
    try {
        // The loader's messages come back as findings: check's output stays
        // one finding per line.
        DiagnosticScope quiet([](const Diagnostic&) {});
        const Model model(record);
        return model_load_errors(model);
    } catch (const std::exception& e) {
        return {"model \"" + name + "\": " + e.what()};
    } catch (...) {
        // A fatal resource error of the tool's own kind.
        return {"model \"" + name + "\" does not load"};
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
        for (const std::string& error : load_errors(record, name)) context.error(path, error);
    }
}

}  // namespace quillbarrow
