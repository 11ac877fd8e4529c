#include "lint/model_checks.h"

#include <cstdio>
#include <exception>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "project/project_file.h"
#include "document/resource_reader.h"
#include "scene/model.h"
#include "scene/model_file_access.h"

namespace quillbarrow {

namespace {

// The loader prints the player's own messages as it goes; check reports
// them as findings instead, and its output stays one finding per line.
class SilencedOutput {
public:
    SilencedOutput() {
        std::fflush(stdout);
        std::fflush(stderr);
#ifdef _WIN32
        const int null = _open("NUL", _O_WRONLY);
#else
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
#endif
        if (null < 0) return;
        for (int fd : {1, 2}) {
            saved_[fd - 1] = dup(fd);
            dup2(null, fd);
        }
        close(null);
    }
    ~SilencedOutput() {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int fd : {1, 2}) {
            if (saved_[fd - 1] < 0) continue;
            dup2(saved_[fd - 1], fd);
            close(saved_[fd - 1]);
        }
    }
    SilencedOutput(const SilencedOutput&) = delete;
    SilencedOutput& operator=(const SilencedOutput&) = delete;

private:
    int saved_[2] = {-1, -1};
};

// The errors of one model's load; the model's file itself was checked.
std::vector<std::string> load_errors(const JsonValue& record, const std::string& name) {
    try {
        SilencedOutput quiet;
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
