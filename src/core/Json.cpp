#include "core/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace mv {

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_ += ',';
        first_.back() = false;
    }
}

JsonWriter& JsonWriter::beginObject() {
    separate();
    out_ += '{';
    first_.push_back(true);
    return *this;
}
JsonWriter& JsonWriter::endObject() {
    out_ += '}';
    first_.pop_back();
    return *this;
}
JsonWriter& JsonWriter::beginArray() {
    separate();
    out_ += '[';
    first_.push_back(true);
    return *this;
}
JsonWriter& JsonWriter::endArray() {
    out_ += ']';
    first_.pop_back();
    return *this;
}
JsonWriter& JsonWriter::key(std::string_view k) {
    separate();
    out_ += quote(k);
    out_ += ':';
    afterKey_ = true;
    return *this;
}
JsonWriter& JsonWriter::value(std::string_view s) {
    separate();
    out_ += quote(s);
    return *this;
}
JsonWriter& JsonWriter::value(double v) {
    separate();
    if (!std::isfinite(v)) {
        out_ += "null";
        return *this;
    }
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, ec == std::errc() ? p : buf);
    return *this;
}
JsonWriter& JsonWriter::value(long long v) {
    separate();
    out_ += std::to_string(v);
    return *this;
}
JsonWriter& JsonWriter::value(bool b) {
    separate();
    out_ += b ? "true" : "false";
    return *this;
}
JsonWriter& JsonWriter::null() {
    separate();
    out_ += "null";
    return *this;
}

std::string JsonWriter::quote(std::string_view s) {
    std::string o = "\"";
    for (char c : s) {
        switch (c) {
        case '"':
            o += "\\\"";
            break;
        case '\\':
            o += "\\\\";
            break;
        case '\n':
            o += "\\n";
            break;
        case '\r':
            o += "\\r";
            break;
        case '\t':
            o += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
                o += buf;
            } else {
                o += c;
            }
        }
    }
    o += '"';
    return o;
}

} // namespace mv
