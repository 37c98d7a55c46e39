#pragma once
// Small XML helpers shared by the reader and the writer of the workbook engine.
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace mv::detail {

// The name without a namespace prefix: "x:row" -> "row".
inline std::string_view localName(std::string_view name) {
    const auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The first child whose local name matches, so prefixed documents read as well.
inline pugi::xml_node child(pugi::xml_node n, std::string_view local) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && localName(c.name()) == local)
            return c;
    return {};
}

inline pugi::xml_node nextNamed(pugi::xml_node n, std::string_view local) {
    for (pugi::xml_node c = n.next_sibling(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && localName(c.name()) == local)
            return c;
    return {};
}

// An XML name by the ASCII rules; every byte of a UTF-8 sequence counts as a name character.
inline bool validXmlName(std::string_view n) {
    const auto start = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
               c >= 0x80;
    };
    if (n.empty() || !start(static_cast<unsigned char>(n[0])))
        return false;
    for (const char ch : n.substr(1)) {
        const auto c = static_cast<unsigned char>(ch);
        if (!start(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.')
            return false;
    }
    return true;
}

// Appends text escaped for element content or attribute values (quotes escaped too).
// Control characters that XML 1.0 cannot carry are written as _xHHHH_, as the
// spreadsheet does; a carriage return is kept as a character reference.
void appendEscaped(std::string& out, std::string_view text);
// Resolves the five named entities and numeric character references.
std::string unescape(std::string_view text);
// Reverses the _xHHHH_ escapes of control characters.
std::string decodeControlEscapes(std::string text);

// Parses a document; throws std::runtime_error("malformed XML in PART: why, at offset N").
void parseXml(pugi::xml_document& doc, const std::string& xml, const std::string& part);
std::string writeXml(const pugi::xml_document& doc);

} // namespace mv::detail
