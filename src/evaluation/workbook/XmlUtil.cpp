#include "evaluation/workbook/XmlUtil.h"

#include "evaluation/workbook/SpreadsheetError.h"

#include <sstream>
#include <stdexcept>

namespace mv::detail {

namespace {
void appendUtf8(std::string& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
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
} // namespace

void appendEscaped(std::string& out, std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            out += "&#13;";
            break;
        case '\n':
        case '\t':
            out.push_back(ch);
            break;
        case '_':
            // A literal "_x0041_" would read back as an escape: escape its underscore.
            if (i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_' &&
                hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0 &&
                hexDigit(text[i + 4]) >= 0 && hexDigit(text[i + 5]) >= 0)
                out += "_x005F_";
            else
                out.push_back(ch);
            break;
        default:
            if (static_cast<unsigned char>(ch) < 0x20) {
                out += "_x00";
                out.push_back(hex[(ch >> 4) & 0xF]);
                out.push_back(hex[ch & 0xF]);
                out.push_back('_');
            } else {
                out.push_back(ch);
            }
        }
    }
}

std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r') {
            // XML end-of-line handling: a literal CR or CR LF reads as LF.
            if (i + 1 >= text.size() || text[i + 1] != '\n')
                out.push_back('\n');
            continue;
        }
        if (ch != '&') {
            out.push_back(ch);
            continue;
        }
        const auto semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out.push_back('&');
            continue;
        }
        const std::string_view ent = text.substr(i + 1, semi - i - 1);
        if (ent == "amp")
            out.push_back('&');
        else if (ent == "lt")
            out.push_back('<');
        else if (ent == "gt")
            out.push_back('>');
        else if (ent == "quot")
            out.push_back('"');
        else if (ent == "apos")
            out.push_back('\'');
        else if (ent.size() > 1 && ent[0] == '#') {
            unsigned long cp = 0;
            const bool hex = ent[1] == 'x' || ent[1] == 'X';
            for (size_t k = hex ? 2 : 1; k < ent.size(); ++k) {
                const int d =
                    hex ? hexDigit(ent[k]) : (ent[k] >= '0' && ent[k] <= '9' ? ent[k] - '0' : -1);
                if (d < 0) {
                    cp = 0xFFFD;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(d);
                if (cp > 0x10FFFF)
                    cp = 0xFFFD;
            }
            appendUtf8(out, cp);
        } else {
            out.push_back('&');
            continue;
        }
        i = semi;
    }
    return decodeControlEscapes(std::move(out));
}

std::string decodeControlEscapes(std::string text) {
    if (text.find("_x") == std::string::npos && text.find('\0') == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // No cell text holds a NUL: one in the file reads as "_x0000_" does, so that the
        // text is the same after we write it and read it again.
        if (text[i] == '\0') {
            appendUtf8(out, 0xFFFD);
            continue;
        }
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_') {
            int v = 0;
            bool ok = true;
            for (size_t k = i + 2; k < i + 6; ++k) {
                const int d = hexDigit(text[k]);
                ok = ok && d >= 0;
                v = v * 16 + (d < 0 ? 0 : d);
            }
            if (ok) {
                appendUtf8(out, static_cast<unsigned long>(v == 0 ? 0xFFFD : v));
                i += 6;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

namespace {

// A name as namespaces allow it: a part without colons, or prefix:local (ASCII rules; every
// byte of a UTF-8 sequence counts as a name character). The writer builds names of its own
// from prefixes it read (`xmlns:2r` would give `2r:id`), so only these can be kept.
bool validNcName(std::string_view n) {
    if (n.empty())
        return false;
    const auto start = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
    };
    if (!start(static_cast<unsigned char>(n[0])))
        return false;
    for (char ch : n.substr(1)) {
        const auto c = static_cast<unsigned char>(ch);
        if (!start(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool validName(std::string_view n) {
    const auto colon = n.find(':');
    if (colon == std::string_view::npos)
        return validNcName(n);
    return validNcName(n.substr(0, colon)) && validNcName(n.substr(colon + 1));
}

// The parser takes some broken names (`<row r"1="">` gives an attribute `r"1`); kept parts
// are written back as read, so such a name would make a saved workbook that nothing opens.
// Refuse it on reading instead.
class NameCheck final : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& n) override {
        if (n.type() != pugi::node_element)
            return true;
        if (!validName(n.name())) {
            bad = n.name();
            return false;
        }
        for (const pugi::xml_attribute a : n.attributes())
            if (!validName(a.name())) {
                bad = a.name();
                return false;
            }
        return true;
    }
    std::string bad;
};

} // namespace

void parseXml(pugi::xml_document& doc, const std::string& xml, const std::string& part) {
    const auto res = doc.load_buffer(xml.data(), xml.size(),
                                     pugi::parse_default | pugi::parse_ws_pcdata_single |
                                         pugi::parse_declaration);
    if (!res)
        throw PackageError("malformed XML in " + part + ": " + res.description() + " at offset " +
                           std::to_string(res.offset));
    NameCheck check;
    if (!doc.traverse(check))
        throw PackageError("malformed XML in " + part + ": invalid name \"" + check.bad + "\"");
}

std::string writeXml(const pugi::xml_document& doc) {
    std::ostringstream os;
    doc.save(os, "", pugi::format_raw);
    return os.str();
}

} // namespace mv::detail
