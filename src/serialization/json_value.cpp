#include "serialization/json_value.h"

#include <fstream>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>

namespace quillbarrow {

namespace {

const std::string kEmptyString;

JsonValue from_library(const nlohmann::json& j) {
    using T = nlohmann::json::value_t;
    switch (j.type()) {
    case T::object: {
        JsonValue v = JsonValue::object();
        for (auto it = j.begin(); it != j.end(); ++it) v[it.key()] = from_library(it.value());
        return v;
    }
    case T::array: {
        JsonValue v = JsonValue::array();
        for (const auto& e : j) v.push_back(from_library(e));
        return v;
    }
    case T::string: return JsonValue(j.get<std::string>());
    case T::boolean: return JsonValue(j.get<bool>());
    case T::number_integer: return JsonValue(j.get<std::int64_t>());
    case T::number_unsigned: {
        auto u = j.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(INT64_MAX)) return JsonValue(static_cast<double>(u));
        return JsonValue(static_cast<std::int64_t>(u));
    }
    case T::number_float: return JsonValue(j.get<double>());
    default: return JsonValue();
    }
}

nlohmann::json to_library(const JsonValue& v) {
    switch (v.kind()) {
    case JsonValue::Kind::Object: {
        nlohmann::json j = nlohmann::json::object();
        for (const auto& [key, member] : v.members()) j[key] = to_library(member);
        return j;
    }
    case JsonValue::Kind::Array: {
        nlohmann::json j = nlohmann::json::array();
        for (const auto& e : v.elements()) j.push_back(to_library(e));
        return j;
    }
    case JsonValue::Kind::String: return v.as_string();
    case JsonValue::Kind::Float: return v.as_float();
    case JsonValue::Kind::Integer: return v.as_int();
    case JsonValue::Kind::Boolean: return v.as_bool();
    default: return nullptr;
    }
}

// Line and column (both from 1) of a byte offset into the text.
std::pair<std::size_t, std::size_t> line_and_column(std::string_view text, std::size_t offset) {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return {line, column};
}

// Deeper than any project needs; reading and freeing values recurses, so a
// hostile nesting must stop before any value is built.
constexpr std::size_t kMaxNesting = 512;

// Offset of the bracket that opens one level too many, or npos.
std::size_t too_deep_at(std::string_view text) {
    std::size_t depth = 0;
    bool in_string = false, escaped = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::string_view::npos;
}

}  // namespace

void JsonValue::become(Kind kind) const {
    if (kind_ == kind) return;
    object_.clear();
    array_.clear();
    string_.clear();
    float_ = 0.0;
    integer_ = 0;
    boolean_ = false;
    kind_ = kind;
}

JsonValue& JsonValue::operator[](const std::string& key) { return const_cast<JsonValue&>(std::as_const(*this)[key]); }

const JsonValue& JsonValue::operator[](const std::string& key) const {
    become(Kind::Object);
    return object_[key];
}

JsonValue& JsonValue::operator[](std::size_t index) { return const_cast<JsonValue&>(std::as_const(*this)[index]); }

const JsonValue& JsonValue::operator[](std::size_t index) const {
    become(Kind::Array);
    if (array_.size() <= index) array_.resize(index + 1);
    return array_[index];
}

bool JsonValue::has(const std::string& key) const { return kind_ == Kind::Object && object_.count(key) != 0; }

std::int64_t JsonValue::size() const {
    if (kind_ == Kind::Object) return static_cast<std::int64_t>(object_.size());
    if (kind_ == Kind::Array) return static_cast<std::int64_t>(array_.size());
    return -1;
}

const std::string& JsonValue::as_string() const { return kind_ == Kind::String ? string_ : kEmptyString; }

void JsonValue::push_back(JsonValue value) {
    become(Kind::Array);
    array_.push_back(std::move(value));
}

bool JsonValue::operator==(const JsonValue& other) const {
    if (kind_ != other.kind_) return false;
    switch (kind_) {
    case Kind::Null: return true;
    case Kind::Object: return object_ == other.object_;
    case Kind::Array: return array_ == other.array_;
    case Kind::String: return string_ == other.string_;
    case Kind::Float: return float_ == other.float_;
    case Kind::Integer: return integer_ == other.integer_;
    case Kind::Boolean: return boolean_ == other.boolean_;
    }
    return false;
}

JsonValue JsonValue::parse(std::string_view text, const std::string& source_name) {
    if (std::size_t at = too_deep_at(text); at != std::string_view::npos) {
        auto [line, column] = line_and_column(text, at);
        throw JsonSyntaxError(source_name + ":" + std::to_string(line) + ":" + std::to_string(column) +
                              ": nesting deeper than " + std::to_string(kMaxNesting) + " levels");
    }
    try {
        return from_library(nlohmann::json::parse(text.begin(), text.end()));
    } catch (const nlohmann::json::parse_error& e) {
        // The library counts the offending byte from 1; point at it.
        std::size_t offset = e.byte > 0 ? e.byte - 1 : 0;
        auto [line, column] = line_and_column(text, offset);
        std::string what = e.what();
        auto cut = what.find("syntax error");
        std::string reason = cut == std::string::npos ? what : what.substr(cut);
        throw JsonSyntaxError(source_name + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + reason);
    }
}

JsonValue JsonValue::parse_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str(), path);
}

std::string JsonValue::dump(int indent) const { return to_library(*this).dump(indent); }

}  // namespace quillbarrow
