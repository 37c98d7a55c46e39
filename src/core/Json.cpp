#include "core/Json.h"

#include <cctype>
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
JsonWriter& JsonWriter::raw(std::string_view json) {
    separate();
    out_ += json;
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

const JsonValue* JsonValue::find(std::string_view key) const {
    if (type != Type::Object)
        return nullptr;
    for (const auto& [k, v] : members)
        if (k == key)
            return &v;
    return nullptr;
}

namespace {

constexpr int kMaxDepth = 64;

class JsonParser {
public:
    explicit JsonParser(std::string_view s) : s_(s) {}

    std::optional<JsonValue> parseAll(std::string* why) {
        JsonValue v;
        if (parse(v, 0)) {
            skipSpace();
            if (i_ == s_.size())
                return v;
            error_ = "text after the value";
        }
        if (why)
            *why = error_ + " at offset " + std::to_string(i_);
        return std::nullopt;
    }

private:
    std::string_view s_;
    std::size_t i_ = 0;
    std::string error_;

    bool fail(const char* what) {
        if (error_.empty())
            error_ = what;
        return false;
    }
    void skipSpace() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool literal(std::string_view word) {
        if (s_.substr(i_, word.size()) != word)
            return fail("unknown literal");
        i_ += word.size();
        return true;
    }

    bool parse(JsonValue& v, int depth) {
        if (depth > kMaxDepth)
            return fail("nesting too deep");
        skipSpace();
        if (i_ >= s_.size())
            return fail("unexpected end");
        const char c = s_[i_];
        switch (c) {
        case '{':
            return object(v, depth);
        case '[':
            return array(v, depth);
        case '"':
            v.type = JsonValue::Type::String;
            return string(v.text);
        case 't':
            v.type = JsonValue::Type::Bool;
            v.boolean = true;
            return literal("true");
        case 'f':
            v.type = JsonValue::Type::Bool;
            return literal("false");
        case 'n':
            return literal("null");
        default:
            return number(v);
        }
    }

    bool object(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Object;
        ++i_;
        skipSpace();
        if (i_ < s_.size() && s_[i_] == '}') {
            ++i_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (i_ >= s_.size() || s_[i_] != '"')
                return fail("a member name expected");
            std::string key;
            if (!string(key))
                return false;
            skipSpace();
            if (i_ >= s_.size() || s_[i_] != ':')
                return fail("':' expected");
            ++i_;
            JsonValue member;
            if (!parse(member, depth + 1))
                return false;
            v.members.push_back({std::move(key), std::move(member)});
            skipSpace();
            if (i_ < s_.size() && s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < s_.size() && s_[i_] == '}') {
                ++i_;
                return true;
            }
            return fail("',' or '}' expected");
        }
    }

    bool array(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Array;
        ++i_;
        skipSpace();
        if (i_ < s_.size() && s_[i_] == ']') {
            ++i_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!parse(item, depth + 1))
                return false;
            v.items.push_back(std::move(item));
            skipSpace();
            if (i_ < s_.size() && s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < s_.size() && s_[i_] == ']') {
                ++i_;
                return true;
            }
            return fail("',' or ']' expected");
        }
    }

    static void appendUtf8(std::string& o, unsigned cp) {
        if (cp < 0x80) {
            o += static_cast<char>(cp);
        } else if (cp < 0x800) {
            o += static_cast<char>(0xC0 | (cp >> 6));
            o += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            o += static_cast<char>(0xE0 | (cp >> 12));
            o += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            o += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            o += static_cast<char>(0xF0 | (cp >> 18));
            o += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            o += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            o += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool hex4(unsigned& cp) {
        if (i_ + 4 > s_.size())
            return fail("short \\u escape");
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            const char h = s_[i_++];
            v <<= 4;
            if (h >= '0' && h <= '9')
                v |= unsigned(h - '0');
            else if (h >= 'a' && h <= 'f')
                v |= unsigned(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                v |= unsigned(h - 'A' + 10);
            else
                return fail("bad \\u escape");
        }
        cp = v;
        return true;
    }

    bool string(std::string& o) {
        ++i_; // the opening quote
        for (;;) {
            if (i_ >= s_.size())
                return fail("unterminated string");
            const char c = s_[i_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("control character in a string");
            if (c != '\\') {
                o += c;
                continue;
            }
            if (i_ >= s_.size())
                return fail("unterminated string");
            const char e = s_[i_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                o += e;
                break;
            case 'b':
                o += '\b';
                break;
            case 'f':
                o += '\f';
                break;
            case 'n':
                o += '\n';
                break;
            case 'r':
                o += '\r';
                break;
            case 't':
                o += '\t';
                break;
            case 'u': {
                unsigned cp = 0;
                if (!hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    unsigned lo = 0;
                    if (s_.substr(i_, 2) != "\\u" || (i_ += 2, !hex4(lo)) || lo < 0xDC00 ||
                        lo > 0xDFFF)
                        return fail("unpaired surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    return fail("unpaired surrogate");
                }
                appendUtf8(o, cp);
                break;
            }
            default:
                return fail("unknown escape");
            }
        }
    }

    bool number(JsonValue& v) {
        const std::size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-')
            ++i_;
        const std::size_t digits = i_;
        while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
            ++i_;
        if (i_ == digits)
            return fail("a value expected");
        if (s_[digits] == '0' && i_ > digits + 1)
            return fail("a number with a leading zero");
        if (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            const std::size_t frac = i_;
            while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
                ++i_;
            if (i_ == frac)
                return fail("digits expected after '.'");
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-'))
                ++i_;
            const std::size_t exp = i_;
            while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
                ++i_;
            if (i_ == exp)
                return fail("digits expected in the exponent");
        }
        v.type = JsonValue::Type::Number;
        const auto [p, ec] = std::from_chars(s_.data() + start, s_.data() + i_, v.number);
        if (ec == std::errc::result_out_of_range)
            return fail("number out of range");
        if (ec != std::errc() || p != s_.data() + i_)
            return fail("bad number");
        return true;
    }
};

} // namespace

std::optional<JsonValue> parseJson(std::string_view text, std::string* why) {
    return JsonParser(text).parseAll(why);
}

} // namespace mv
