#include "lint/record_checks.h"

#include <algorithm>
#include <vector>

#include "lint/key_kinds.h"

namespace quillbarrow {

namespace {

using Kind = JsonValue::Kind;

std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string unknown_key_message(RecordKind record, const std::string& key) {
    std::string message = "unknown key \"" + key + "\" in " + record_description(record);
    const KeyRule* best = nullptr;
    std::size_t best_distance = 3;  // further than two edits is not a typo
    if (key.size() < 64) {
        for (const KeyRule& rule : keys_of(record)) {
            const std::size_t distance = edit_distance(key, rule.key);
            if (distance < best_distance) best = &rule, best_distance = distance;
        }
    }
    if (best) message += "; did you mean \"" + std::string(best->key) + "\"?";
    return message;
}

class RecordWalker {
public:
    explicit RecordWalker(const LintContext& context) : context_(context) {}

    void record(const JsonValue& value, RecordKind kind, const std::string& path) {
        if (!value.is_object()) {
            context_.error(path,
                           std::string(record_description(kind)) + " must be an object, not " + describe_value(value));
            return;
        }
        for (const auto& [key, child] : value.members()) {
            const std::string child_path = member_path(path, key);
            if (const KeyRule* rule = find_key(kind, key))
                this->value(child, *rule, child_path);
            else
                context_.warning(child_path, unknown_key_message(kind, key));
        }
    }

private:
    void value(const JsonValue& value, const KeyRule& rule, const std::string& path) {
        switch (rule.kind) {
        case ValueKind::Float: expect_float(value, path); break;
        case ValueKind::Integer:
            if (value.kind() != Kind::Integer)
                context_.error(path, describe_value(value) + " where an integer is read: it reads as 0");
            break;
        case ValueKind::Boolean:
            if (value.kind() != Kind::Boolean)
                context_.error(path, describe_value(value) + " where a boolean is read: it reads as false");
            break;
        case ValueKind::String: expect_string(value, path); break;
        case ValueKind::VisibleText:
            if (value.kind() == Kind::Boolean)
                context_.error(path, std::string("the boolean ") + (value.as_bool() ? "true" : "false") +
                                         " where the string \"true\" or \"false\" is read: it reads as not visible");
            else if (!value.is_string())
                context_.error(path, describe_value(value) + " where a string is read: it reads as not visible");
            else if (value.as_string() != "true" && value.as_string() != "false")
                context_.warning(path,
                                 "\"" + value.as_string() + "\" reads as not visible; write \"true\" or \"false\"");
            break;
        case ValueKind::StringList:
            if (expect_array(value, path))
                for (std::size_t i = 0; i < value.elements().size(); ++i)
                    expect_string(value.elements()[i], element_path(path, i));
            break;
        case ValueKind::FloatTriple:
            if (!expect_array(value, path)) break;
            if (value.elements().size() != 3)
                context_.error(path, "an array of " + std::to_string(value.elements().size()) +
                                         " values where three floats are read");
            for (std::size_t i = 0; i < value.elements().size() && i < 3; ++i)
                expect_float(value.elements()[i], element_path(path, i));
            break;
        case ValueKind::RecordList:
            if (expect_array(value, path))
                for (std::size_t i = 0; i < value.elements().size(); ++i)
                    record(value.elements()[i], rule.record, element_path(path, i));
            break;
        case ValueKind::Record: record(value, rule.record, path); break;
        case ValueKind::TrackMap:
            if (!value.is_object()) {
                context_.error(path,
                               describe_value(value) + " where an object of tracks is read: it reads as no tracks");
                break;
            }
            for (const auto& [name, track] : value.members()) record(track, rule.record, member_path(path, name));
            break;
        }
    }

    void expect_float(const JsonValue& value, const std::string& path) {
        if (value.kind() == Kind::Integer)
            context_.error(path, describe_value(value) + " where a float is read: it reads as 0.0; write " +
                                     std::to_string(value.as_int()) + ".0");
        else if (value.kind() != Kind::Float)
            context_.error(path, describe_value(value) + " where a float is read: it reads as 0.0");
    }

    void expect_string(const JsonValue& value, const std::string& path) {
        if (!value.is_string())
            context_.error(path, describe_value(value) + " where a string is read: it reads as \"\"");
    }

    bool expect_array(const JsonValue& value, const std::string& path) {
        if (value.is_array()) return true;
        context_.error(path, describe_value(value) + " where an array is read: it reads as empty");
        return false;
    }

    const LintContext& context_;
};

}  // namespace

void check_records(const LintContext& context) { RecordWalker(context).record(context.root, RecordKind::Document, ""); }

}  // namespace quillbarrow
