#pragma once

#include <string>
#include <vector>

namespace quillbarrow {

// One problem the linter found, located the way compilers locate theirs so
// that editors can jump to it.
struct Finding {
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    std::string file;
    int line = 1;
    int column = 0;  // 0 when only the line is known
    std::string message;
    std::string path;  // key path in the project, like "effects[2].textures[0]"; may be empty
};

class Findings {
public:
    void add(Finding finding) { list_.push_back(std::move(finding)); }
    const std::vector<Finding>& list() const { return list_; }
    bool has_errors() const;
    bool has_warnings() const;
    // What was not checked and why: said once, neither error nor warning.
    void note(std::string notice) { notices_.push_back(std::move(notice)); }
    const std::vector<std::string>& notices() const { return notices_; }

private:
    std::vector<Finding> list_;
    std::vector<std::string> notices_;
};

// "FILE:LINE[:COLUMN]: error: message (path)"
std::string format_text(const Finding& finding);
// One JSON object on one line: file, line, column, severity, message, path.
std::string format_json(const Finding& finding);

}  // namespace quillbarrow
