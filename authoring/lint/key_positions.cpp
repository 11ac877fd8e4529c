#include "lint/key_positions.h"

namespace quillbarrow {

namespace {

// A recursive walk over text that is known to be valid JSON; the reader
// caps nesting, so the recursion is bounded.
class Scanner {
public:
    Scanner(std::string_view text, std::unordered_map<std::string, int>& lines) : text_(text), lines_(lines) {}

    void value(const std::string& path) {
        skip_space();
        if (at_end()) return;
        if (text_[pos_] == '{')
            object(path);
        else if (text_[pos_] == '[')
            array(path);
        else if (text_[pos_] == '"')
            string_text();
        else
            while (!at_end() && !is_delimiter(text_[pos_])) ++pos_;
    }

private:
    bool at_end() const { return pos_ >= text_.size(); }
    static bool is_delimiter(char c) {
        return c == ',' || c == ']' || c == '}' || c == ' ' || c == '\n' || c == '\r' || c == '\t';
    }

    // Raw newlines occur only between tokens in JSON, so only here are they counted.
    void skip_space() {
        while (!at_end()) {
            const char c = text_[pos_];
            if (c == '\n')
                ++line_;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++pos_;
        }
    }

    // The string at pos_, with the simple escapes decoded (others kept as written).
    std::string string_text() {
        std::string out;
        ++pos_;
        while (!at_end() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c == '\\' && !at_end()) {
                const char e = text_[pos_++];
                switch (e) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'b': c = '\b'; break;
                case 'f': c = '\f'; break;
                case 'u': out += "\\u"; continue;
                default: c = e;
                }
            }
            out += c;
        }
        ++pos_;
        return out;
    }

    void object(const std::string& path) {
        ++pos_;
        while (true) {
            skip_space();
            if (at_end() || text_[pos_] == '}') break;
            if (text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (text_[pos_] != '"') return;
            const int key_line = line_;
            const std::string child = member_path(path, string_text());
            lines_.emplace(child, key_line);
            skip_space();
            if (!at_end() && text_[pos_] == ':') ++pos_;
            value(child);
        }
        ++pos_;
    }

    void array(const std::string& path) {
        ++pos_;
        std::size_t index = 0;
        while (true) {
            skip_space();
            if (at_end() || text_[pos_] == ']') break;
            if (text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            const std::string child = element_path(path, index++);
            lines_.emplace(child, line_);
            value(child);
        }
        ++pos_;
    }

    std::string_view text_;
    std::unordered_map<std::string, int>& lines_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

}  // namespace

std::string member_path(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "." + key;
}

std::string element_path(const std::string& parent, std::size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

KeyPositions::KeyPositions(std::string_view text) {
    Scanner scanner(text, lines_);
    scanner.value("");
}

int KeyPositions::line_of(const std::string& path) const {
    std::string at = path;
    while (!at.empty()) {
        if (auto found = lines_.find(at); found != lines_.end()) return found->second;
        const std::size_t cut = at.find_last_of(".[");
        at.resize(cut == std::string::npos ? 0 : cut);
    }
    return 1;
}

}  // namespace quillbarrow
