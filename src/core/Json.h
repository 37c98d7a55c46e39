#pragma once
// A small streaming JSON writer for the command-line front: numbers keep full
// double precision, texts are UTF-8 with the required escapes. And its reader, for the
// files the program writes itself and reads back (bulk fragments).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mv {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view k);
    JsonWriter& value(std::string_view s);
    JsonWriter& value(const char* s) { return value(std::string_view(s)); }
    JsonWriter& value(double v); // NaN and infinities become null
    JsonWriter& value(long long v);
    JsonWriter& value(int v) { return value(static_cast<long long>(v)); }
    JsonWriter& value(bool b);
    JsonWriter& null();
    // A value that is already JSON text (the report of another run), written as it is.
    JsonWriter& raw(std::string_view json);
    const std::string& str() const { return out_; }

    static std::string quote(std::string_view s);

private:
    void separate();
    std::string out_;
    std::vector<bool> first_; // per open container: no element written yet
    bool afterKey_ = false;
};

struct JsonMember;

// A parsed JSON value. Objects keep their members in the order of the text.
struct JsonValue {
    enum class Type : unsigned char { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items; // Array
    // A vector may hold a type that is complete only later; a pair may not (clang's
    // library refuses std::pair<std::string, JsonValue> inside JsonValue).
    std::vector<JsonMember> members; // Object

    bool isNull() const { return type == Type::Null; }
    bool isNumber() const { return type == Type::Number; }
    bool isString() const { return type == Type::String; }
    bool isArray() const { return type == Type::Array; }
    bool isObject() const { return type == Type::Object; }
    // The member `key` of an object; null for anything else or a missing key.
    const JsonValue* find(std::string_view key) const;
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

// Parses one whole JSON text (RFC 8259; nesting deeper than 64 levels is refused so no
// input can exhaust the stack). Without a value, `why` says what and where.
std::optional<JsonValue> parseJson(std::string_view text, std::string* why = nullptr);

} // namespace mv
