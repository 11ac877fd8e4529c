#include "lint/findings.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace quillbarrow {

namespace {

const char* severity_name(Finding::Severity severity) {
    return severity == Finding::Severity::Error ? "error" : "warning";
}

}  // namespace

bool Findings::has_errors() const {
    return std::any_of(list_.begin(), list_.end(),
                       [](const Finding& f) { return f.severity == Finding::Severity::Error; });
}

bool Findings::has_warnings() const {
    return std::any_of(list_.begin(), list_.end(),
                       [](const Finding& f) { return f.severity == Finding::Severity::Warning; });
}

std::string format_text(const Finding& finding) {
    std::string text = finding.file + ":" + std::to_string(finding.line);
    if (finding.column > 0) text += ":" + std::to_string(finding.column);
    text += std::string(": ") + severity_name(finding.severity) + ": " + finding.message;
    if (!finding.path.empty()) text += " (" + finding.path + ")";
    return text;
}

std::string format_json(const Finding& finding) {
    nlohmann::json object = {{"file", finding.file},
                             {"line", finding.line},
                             {"severity", severity_name(finding.severity)},
                             {"message", finding.message},
                             {"path", finding.path}};
    if (finding.column > 0) object["column"] = finding.column;
    // Project text need not be valid UTF-8; a finding quoting it must still print.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace quillbarrow
