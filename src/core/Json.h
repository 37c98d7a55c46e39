#pragma once
// A small streaming JSON writer for the command-line front: numbers keep full
// double precision, texts are UTF-8 with the required escapes.
#include <string>
#include <string_view>
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
    const std::string& str() const { return out_; }

    static std::string quote(std::string_view s);

private:
    void separate();
    std::string out_;
    std::vector<bool> first_; // per open container: no element written yet
    bool afterKey_ = false;
};

} // namespace mv
