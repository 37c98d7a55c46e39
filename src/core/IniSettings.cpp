#include "core/IniSettings.h"

#include "core/Cp1250.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace mv {

namespace {

constexpr const char* kGeneral = "General";

// UTF-8 -> UTF-16; a byte that starts no valid sequence stands for itself, as Latin-1.
std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        unsigned cp = b;
        size_t len = 1;
        if (b >= 0xC0 && b < 0xF8) {
            len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            cp = b & (len == 2 ? 0x1Fu : len == 3 ? 0x0Fu : 0x07u);
            bool ok = i + len <= s.size();
            for (size_t k = 1; ok && k < len; ++k) {
                const auto c = static_cast<unsigned char>(s[i + k]);
                ok = (c & 0xC0) == 0x80;
                cp = (cp << 6) | (c & 0x3Fu);
            }
            if (!ok || cp > 0x10FFFF) {
                cp = b;
                len = 1;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string toUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00u);
            ++i;
        }
        appendUtf8(out, cp);
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A stored value as QSettings types it: "@@x" is the text "@x", "@Invalid()" no value,
// "@ByteArray(...)" bytes.
struct Typed {
    bool valid = true;
    bool bytes = false;
    std::u16string text;
};

Typed typeOf(std::u16string v) {
    Typed t;
    if (v.size() >= 2 && v[0] == u'@' && v[1] == u'@') {
        t.text = v.substr(1);
    } else if (v == u"@Invalid()") {
        t.valid = false;
    } else if (v.size() >= 12 && v.compare(0, 11, u"@ByteArray(") == 0 && v.back() == u')') {
        t.bytes = true;
        t.text = v.substr(11, v.size() - 12);
    } else {
        t.text = std::move(v);
    }
    return t;
}

} // namespace

namespace detail {

std::u16string iniUnescapeValue(std::string_view str) {
    // The reading rules of QSettings: spaces before an item are skipped and unquoted
    // trailing ones dropped, quotes group, unquoted commas separate list items.
    static const char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                       {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                       {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    std::vector<std::u16string> items;
    std::u16string cur;
    bool inQuotes = false, quoted = false;
    size_t chopLimit = 0;
    size_t i = 0;
    auto skipSpaces = [&] {
        while (i < str.size() && (str[i] == ' ' || str[i] == '\t'))
            ++i;
        chopLimit = cur.size();
    };
    auto chopTrailing = [&] {
        while (cur.size() > chopLimit && (cur.back() == u' ' || cur.back() == u'\t'))
            cur.pop_back();
    };
    skipSpaces();
    while (i < str.size()) {
        const char ch = str[i];
        if (ch == '\\') {
            if (++i >= str.size())
                break;
            const char e = str[i++];
            bool simple = false;
            for (const auto& code : kEscapes)
                if (e == code[0]) {
                    cur += static_cast<char16_t>(code[1]);
                    simple = true;
                    break;
                }
            if (simple) {
                chopLimit = cur.size(); // an escaped space or tab stays
                continue;
            }
            if (e == 'x') {
                unsigned v = 0;
                int n = 0;
                while (i < str.size() && hexDigit(str[i]) >= 0 && n < 4) {
                    v = v * 16 + static_cast<unsigned>(hexDigit(str[i++]));
                    ++n;
                }
                if (n > 0)
                    cur += static_cast<char16_t>(v);
            } else if (e >= '0' && e <= '7') {
                unsigned v = static_cast<unsigned>(e - '0');
                int n = 1;
                while (i < str.size() && str[i] >= '0' && str[i] <= '7' && n < 3) {
                    v = v * 8 + static_cast<unsigned>(str[i++] - '0');
                    ++n;
                }
                cur += static_cast<char16_t>(v);
            } else if (e == '\n' || e == '\r') {
                // A continued line.
                if (i < str.size() && (str[i] == '\n' || str[i] == '\r') && str[i] != e)
                    ++i;
            }
            chopLimit = cur.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipSpaces();
        } else if (ch == ',' && !inQuotes) {
            if (!quoted)
                chopTrailing();
            items.push_back(std::move(cur));
            cur.clear();
            quoted = false;
            ++i;
            skipSpaces();
        } else {
            size_t j = i + 1;
            while (j < str.size() && str[j] != '\\' && str[j] != '"' && str[j] != ',')
                ++j;
            cur += fromUtf8(str.substr(i, j - i));
            i = j;
        }
    }
    if (!quoted)
        chopTrailing();
    if (items.empty())
        return cur;
    // A list: each item typed on its own ("@@"), then joined as the desktop's backend does.
    items.push_back(std::move(cur));
    std::u16string joined;
    for (size_t k = 0; k < items.size(); ++k) {
        if (k)
            joined += u',';
        joined += typeOf(std::move(items[k])).text;
    }
    return joined;
}

std::string iniEscapeValue(std::u16string_view str) {
    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    char buf[16];
    for (size_t i = 0; i < str.size(); ++i) {
        const unsigned ch = str[i];
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        // "\x1" followed by "2" would read as "\x12".
        if (escapeNextIfDigit && ch < 0x80 && hexDigit(static_cast<char>(ch)) >= 0) {
            std::snprintf(buf, sizeof buf, "\\x%x", ch);
            out += buf;
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
        case 0:
            out += "\\0";
            escapeNextIfDigit = true;
            break;
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += static_cast<char>(ch);
            break;
        default:
            if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < str.size() && str[i + 1] >= 0xDC00 &&
                str[i + 1] < 0xE000) {
                appendUtf8(out, 0x10000 + ((ch - 0xD800) << 10) + (str[i + 1] - 0xDC00u));
                ++i;
            } else if (ch <= 0x1F || (ch >= 0xD800 && ch < 0xE000)) {
                // UTF-8 cannot carry a lone surrogate (it would become U+FFFD), an escape can.
                std::snprintf(buf, sizeof buf, "\\x%x", ch);
                out += buf;
                escapeNextIfDigit = true;
            } else {
                appendUtf8(out, ch);
            }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = "\"" + out + "\"";
    return out;
}

std::string iniUnescapeKey(std::string_view raw) {
    std::u16string out;
    for (size_t i = 0; i < raw.size();) {
        const char c = raw[i];
        if (c == '\\') {
            out += u'/';
            ++i;
        } else if (c == '%' && raw.size() - i >= 3 && hexDigit(raw[i + 1]) >= 0 &&
                   hexDigit(raw[i + 2]) >= 0) {
            out += static_cast<char16_t>(hexDigit(raw[i + 1]) * 16 + hexDigit(raw[i + 2]));
            i += 3;
        } else if (c == '%' && raw.size() - i >= 6 && raw[i + 1] == 'U' &&
                   hexDigit(raw[i + 2]) >= 0 && hexDigit(raw[i + 3]) >= 0 &&
                   hexDigit(raw[i + 4]) >= 0 && hexDigit(raw[i + 5]) >= 0) {
            out += static_cast<char16_t>(hexDigit(raw[i + 2]) * 4096 + hexDigit(raw[i + 3]) * 256 +
                                         hexDigit(raw[i + 4]) * 16 + hexDigit(raw[i + 5]));
            i += 6;
        } else {
            size_t j = i + 1;
            while (j < raw.size() && raw[j] != '\\' && raw[j] != '%')
                ++j;
            out += fromUtf8(raw.substr(i, j - i));
            i = j;
        }
    }
    return toUtf8(out);
}

std::string iniEscapeKey(std::string_view key) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (char16_t ch : fromUtf8(key)) {
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                   (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.') {
            out += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += kHex[ch / 16];
            out += kHex[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(ch >> shift) & 0xF];
        }
    }
    return out;
}

} // namespace detail

namespace {
// Without a leading or trailing '/' and without empty parts.
std::string normalizedKey(std::string_view key) {
    std::string out;
    for (size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '/' && (out.empty() || out.back() == '/'))
            continue;
        out += key[i];
    }
    if (!out.empty() && out.back() == '/')
        out.pop_back();
    return out;
}
} // namespace

std::vector<std::string> IniSettings::keys() const {
    std::vector<std::string> out;
    out.reserve(raw_.size());
    for (const auto& [key, raw] : raw_)
        out.push_back(key);
    return out;
}

IniSettings IniSettings::parse(std::string_view text) {
    IniSettings s;
    std::string section;
    size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        pos = 3;
    while (pos < text.size()) {
        size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string line(text.substr(pos, eol - pos));
        pos = eol;
        // A backslash at the end of a line continues the value on the next line.
        while (pos < text.size()) {
            size_t bs = 0;
            for (auto it = line.rbegin(); it != line.rend() && *it == '\\'; ++it)
                ++bs;
            if (bs % 2 == 0)
                break;
            size_t next = pos + 1;
            if (next < text.size() && (text[next] == '\r' || text[next] == '\n') &&
                text[next] != text[pos])
                ++next;
            line += '\n';
            eol = text.find_first_of("\r\n", next);
            if (eol == std::string_view::npos)
                eol = text.size();
            line += text.substr(next, eol - next);
            pos = eol;
        }
        while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n'))
            ++pos;

        const std::string_view l = trim(line);
        if (l.empty() || l.front() == ';' || l.front() == '#')
            continue;
        if (l.front() == '[') {
            const size_t close = l.find(']');
            const std::string_view inner =
                l.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            section = detail::iniUnescapeKey(trim(inner));
            if (section == kGeneral)
                section.clear();
            else if (trim(inner) == "%General")
                section = kGeneral;
            continue;
        }
        const size_t eq = l.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string name = detail::iniUnescapeKey(trim(l.substr(0, eq)));
        // As QSettings does: "a//b/" names the key "a/b". Without it a name ending in '/'
        // would be written as an entry without a name, which no reader takes back.
        const std::string key = normalizedKey(section.empty() ? name : section + "/" + name);
        if (key.empty())
            continue;
        // A value that still ends in a lone backslash (the last line of the file, or
        // blanks after the backslash) continues nothing; kept, it would swallow the next
        // entry once the file is written again.
        std::string value(l.substr(eq + 1));
        size_t bs = 0;
        for (auto it = value.rbegin(); it != value.rend() && *it == '\\'; ++it)
            ++bs;
        if (bs % 2 == 1)
            value.pop_back();
        s.raw_[key] = std::move(value);
    }
    return s;
}

std::optional<IniSettings> IniSettings::load(const std::string& path, std::string* why) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        if (why)
            *why = path + " is a folder, not a settings file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (why)
            *why = "cannot read the settings file " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        if (why)
            *why = "cannot read the settings file " + path;
        return std::nullopt;
    }
    return parse(text.str());
}

std::optional<std::string> IniSettings::read(const std::string& key) const {
    const auto it = raw_.find(key);
    if (it == raw_.end())
        return std::nullopt;
    const Typed t = typeOf(detail::iniUnescapeValue(it->second));
    if (!t.valid)
        return std::nullopt;
    if (t.bytes) {
        std::string b;
        for (char16_t c : t.text)
            b += static_cast<char>(c & 0xFF);
        return b;
    }
    return toUtf8(t.text);
}

std::optional<std::string> IniSettings::readBytes(const std::string& key) const {
    // A text value read as bytes is its UTF-8, as QVariant converts it.
    return read(key);
}

void IniSettings::write(const std::string& key, const std::string& value) {
    std::u16string v = fromUtf8(value);
    if (!v.empty() && v.front() == u'@')
        v.insert(v.begin(), u'@');
    raw_[key] = detail::iniEscapeValue(v);
}

void IniSettings::writeBytes(const std::string& key, const std::string& bytes) {
    std::u16string v = u"@ByteArray(";
    for (char c : bytes)
        v += static_cast<char16_t>(static_cast<unsigned char>(c));
    v += u')';
    raw_[key] = detail::iniEscapeValue(v);
}

std::string IniSettings::text() const {
    // Group -> entries; the top-level keys form [General], written first.
    std::map<std::string, std::map<std::string, std::string>> groups;
    for (const auto& [key, raw] : raw_) {
        const size_t slash = key.find('/');
        if (slash == std::string::npos)
            groups[""][key] = raw;
        else
            groups[key.substr(0, slash)][key.substr(slash + 1)] = raw;
    }
    std::string out;
    for (const auto& [group, entries] : groups) {
        if (!out.empty())
            out += "\n";
        if (group.empty())
            out += "[General]\n";
        else if (group == kGeneral)
            out += "[%General]\n";
        else
            out += "[" + detail::iniEscapeKey(group) + "]\n";
        for (const auto& [name, raw] : entries) {
            out += detail::iniEscapeKey(name) + "=";
            // A value read across continued lines, holding a NUL, or ending in a blank or a
            // backslash would not read back the same written as it stood: it is written
            // from what it means instead.
            const bool fragile =
                raw.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos ||
                (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\\'));
            if (fragile)
                out += detail::iniEscapeValue(detail::iniUnescapeValue(raw));
            else
                out += raw;
            out += "\n";
        }
    }
    return out;
}

bool IniSettings::save(const std::string& path, std::string* why) const {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        const std::string t = text();
        out.write(t.data(), static_cast<std::streamsize>(t.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(tmp, ec);
            if (why)
                *why = "cannot write the settings file " + path;
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        if (why)
            *why = "cannot replace the settings file " + path;
        return false;
    }
    return true;
}

} // namespace mv
