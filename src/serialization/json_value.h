#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillbarrow {

// The in-memory JSON value of every content record. Reads are lenient: a
// value of the wrong kind reads as 0, 0.0, false or "", and looking a key up
// inserts it, so after a record has been read its source holds every key the
// reader asked for.
class JsonValue {
public:
    enum class Kind { Null, Object, Array, String, Float, Integer, Boolean };
    using Object = std::map<std::string, JsonValue>;
    using Array = std::vector<JsonValue>;

    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool value) : kind_(Kind::Boolean), boolean_(value) {}
    JsonValue(double value) : kind_(Kind::Float), float_(value) {}
    JsonValue(float value) : kind_(Kind::Float), float_(value) {}
    JsonValue(std::int64_t value) : kind_(Kind::Integer), integer_(value) {}
    JsonValue(int value) : kind_(Kind::Integer), integer_(value) {}
    JsonValue(std::string value) : kind_(Kind::String), string_(std::move(value)) {}
    JsonValue(const char* value) : kind_(Kind::String), string_(value) {}

    static JsonValue object() {
        JsonValue v;
        v.kind_ = Kind::Object;
        return v;
    }
    static JsonValue array() {
        JsonValue v;
        v.kind_ = Kind::Array;
        return v;
    }

    Kind kind() const { return kind_; }
    bool is_object() const { return kind_ == Kind::Object; }
    bool is_array() const { return kind_ == Kind::Array; }
    bool is_string() const { return kind_ == Kind::String; }

    // Converts to an object (dropping other content) and inserts a null
    // member when the key is absent. The const overload does the same: the
    // readers take their source by const reference and still leave every key
    // they asked for behind.
    JsonValue& operator[](const std::string& key);
    const JsonValue& operator[](const std::string& key) const;
    // Converts to an array (dropping other content) and appends nulls until
    // the index exists.
    JsonValue& operator[](std::size_t index);
    const JsonValue& operator[](std::size_t index) const;

    // True only for an object that holds the key; never inserts.
    bool has(const std::string& key) const;
    // Members of an object, elements of an array, -1 for every other kind.
    std::int64_t size() const;

    double as_float() const { return kind_ == Kind::Float ? float_ : 0.0; }
    std::int64_t as_int() const { return kind_ == Kind::Integer ? integer_ : 0; }
    bool as_bool() const { return kind_ == Kind::Boolean ? boolean_ : false; }
    const std::string& as_string() const;

    void push_back(JsonValue value);
    const Object& members() const { return object_; }
    const Array& elements() const { return array_; }

    bool operator==(const JsonValue& other) const;

    // JSON text. Floats always carry a decimal point or exponent so that they
    // read back as floats; integers never do.
    static JsonValue parse(std::string_view text, const std::string& source_name = "JSON text");
    static JsonValue parse_file(const std::string& path);
    std::string dump(int indent = 2) const;

private:
    void become(Kind kind) const;

    // Mutable so that lookups through a const reference keep the
    // insert-on-lookup rule (which may also change the kind).
    mutable Kind kind_ = Kind::Null;
    mutable Object object_;
    mutable Array array_;
    mutable std::string string_;
    mutable double float_ = 0.0;
    mutable std::int64_t integer_ = 0;
    mutable bool boolean_ = false;
};

// A JSON text that does not parse; the message names source, line and column.
class JsonSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace quillbarrow
