#include "evaluation/workbook/Styles.h"

#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/XmlUtil.h"

#include <cstdio>
#include <cstring>
#include <pugixml.hpp>

namespace mv {

using detail::child;
using detail::localName;

namespace {
const char* const kDefaultStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill>)"
    R"(<fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

// Order of the children of <styleSheet>; a list we add goes before the first later one.
const char* const kSheetOrder[] = {"numFmts",      "fonts",   "fills",      "borders",
                                   "cellStyleXfs", "cellXfs", "cellStyles", "dxfs",
                                   "tableStyles",  "colors",  "extLst"};

bool flagOn(pugi::xml_node n) {
    if (!n)
        return false;
    auto v = n.attribute("val");
    if (!v)
        return true;
    const std::string s = v.value();
    return !(s == "0" || s == "false");
}

std::vector<pugi::xml_node> elements(pugi::xml_node list) {
    std::vector<pugi::xml_node> out;
    for (auto c = list.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            out.push_back(c);
    return out;
}

pugi::xml_node nth(pugi::xml_node list, unsigned n) {
    for (auto c = list.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && n-- == 0)
            return c;
    return {};
}

void setAttr(pugi::xml_node n, const char* name, const std::string& value) {
    auto a = n.attribute(name);
    if (!a)
        a = n.append_attribute(name);
    a.set_value(value.c_str());
}
} // namespace

std::string builtinNumberFormat(int id) {
    switch (id) {
    case 0:
        return "General";
    case 1:
        return "0";
    case 2:
        return "0.00";
    case 3:
        return "#,##0";
    case 4:
        return "#,##0.00";
    case 9:
        return "0%";
    case 10:
        return "0.00%";
    case 11:
        return "0.00E+00";
    case 12:
        return "# ?/?";
    case 13:
        return "# ?"
               "?/?"
               "?";
    case 14:
        return "mm-dd-yy";
    case 15:
        return "d-mmm-yy";
    case 16:
        return "d-mmm";
    case 17:
        return "mmm-yy";
    case 18:
        return "h:mm AM/PM";
    case 19:
        return "h:mm:ss AM/PM";
    case 20:
        return "h:mm";
    case 21:
        return "h:mm:ss";
    case 22:
        return "m/d/yy h:mm";
    case 37:
        return "#,##0 ;(#,##0)";
    case 38:
        return "#,##0 ;[Red](#,##0)";
    case 39:
        return "#,##0.00;(#,##0.00)";
    case 40:
        return "#,##0.00;[Red](#,##0.00)";
    case 45:
        return "mm:ss";
    case 46:
        return "[h]:mm:ss";
    case 47:
        return "mmss.0";
    case 48:
        return "##0.0E+0";
    case 49:
        return "@";
    default:
        return {};
    }
}

Styles::Styles() : doc_(std::make_unique<pugi::xml_document>()) {
    load(kDefaultStyles);
}
Styles::~Styles() = default;

void Styles::load(const std::string& xml) {
    auto doc = std::make_unique<pugi::xml_document>();
    detail::parseXml(*doc, xml, "xl/styles.xml");
    if (!child(*doc, "styleSheet"))
        throw PackageError("xl/styles.xml holds no styleSheet");
    doc_ = std::move(doc);
    derived_.clear();
    // Every list we rely on must exist with at least one entry.
    auto ensure = [&](const char* list, const char* entry) {
        auto l = sheetStyle(list);
        if (!child(l, entry))
            l.append_child(entry);
    };
    ensure("fonts", "font");
    ensure("fills", "fill");
    ensure("borders", "border");
    ensure("cellXfs", "xf");
    index();
}

pugi::xml_node Styles::sheetStyle(const char* name) {
    auto root = child(*doc_, "styleSheet");
    if (auto n = child(root, name))
        return n;
    // Insert in schema order.
    bool after = false;
    for (const char* later : kSheetOrder) {
        if (std::strcmp(later, name) == 0) {
            after = true;
            continue;
        }
        if (!after)
            continue;
        if (auto next = child(root, later))
            return root.insert_child_before(name, next);
    }
    return root.append_child(name);
}

void Styles::index() {
    auto root = child(*doc_, "styleSheet");
    xfNodes_ = elements(child(root, "cellXfs"));
    fontBold_.clear();
    for (auto f : elements(child(root, "fonts")))
        fontBold_.push_back(flagOn(child(f, "b")));
    xfFont_.clear();
    for (auto xf : xfNodes_) {
        auto font = xf.attribute("fontId").as_uint(0);
        xfFont_.push_back(font < fontBold_.size() ? font : 0);
    }
    customFormats_.clear();
    for (auto f : elements(child(root, "numFmts")))
        customFormats_[f.attribute("numFmtId").as_int(-1)] = f.attribute("formatCode").value();
}

std::string Styles::save() const {
    auto root = child(*doc_, "styleSheet");
    for (const char* list : {"numFmts", "fonts", "fills", "borders", "cellXfs"}) {
        auto l = child(root, list);
        if (l)
            setAttr(l, "count", std::to_string(elements(l).size()));
    }
    return detail::writeXml(*doc_);
}

pugi::xml_node Styles::xfNode(std::uint32_t xf) const {
    return xf < xfNodes_.size() ? xfNodes_[xf] : xfNodes_.front();
}

bool Styles::isBold(std::uint32_t xf) const {
    if (xf >= xfFont_.size())
        xf = 0;
    return fontBold_[xfFont_[xf]];
}

std::string Styles::numberFormat(std::uint32_t xf) const {
    const int id = xfNode(xf).attribute("numFmtId").as_int(0);
    if (auto it = customFormats_.find(id); it != customFormats_.end())
        return it->second;
    auto code = builtinNumberFormat(id);
    return code.empty() ? "General" : code;
}

bool Styles::hasAllBorders(std::uint32_t xf) const {
    auto root = child(*doc_, "styleSheet");
    auto border = nth(child(root, "borders"), xfNode(xf).attribute("borderId").as_uint(0));
    for (const char* side : {"left", "top", "right", "bottom"}) {
        auto s = child(border, side);
        const std::string style = s.attribute("style").value();
        if (style.empty() || style == "none")
            return false;
    }
    return true;
}

bool Styles::wraps(std::uint32_t xf) const {
    return child(xfNode(xf), "alignment").attribute("wrapText").as_bool(false);
}

long Styles::fillColor(std::uint32_t xf) const {
    auto root = child(*doc_, "styleSheet");
    auto fill = nth(child(root, "fills"), xfNode(xf).attribute("fillId").as_uint(0));
    auto pattern = child(fill, "patternFill");
    if (std::string(pattern.attribute("patternType").value()) != "solid")
        return -1;
    std::string rgb = child(pattern, "fgColor").attribute("rgb").value();
    if (rgb.size() == 8)
        rgb = rgb.substr(2);
    if (rgb.size() != 6)
        return -1;
    return std::strtol(rgb.c_str(), nullptr, 16);
}

std::uint32_t Styles::derive(std::uint32_t xf, const std::string& key,
                             void (Styles::*change)(pugi::xml_node, const std::string&),
                             const std::string& arg) {
    if (xf >= xfNodes_.size())
        xf = 0;
    const std::string fullKey = std::to_string(xf) + "|" + key + "|" + arg;
    if (auto it = derived_.find(fullKey); it != derived_.end())
        return it->second;
    auto list = sheetStyle("cellXfs");
    auto copy = list.append_copy(xfNodes_[xf]);
    (this->*change)(copy, arg);
    index();
    const auto result = static_cast<std::uint32_t>(xfNodes_.size() - 1);
    derived_[fullKey] = result;
    return result;
}

std::uint32_t Styles::withBold(std::uint32_t xf, bool bold) {
    if (isBold(xf) == bold)
        return xf < xfNodes_.size() ? xf : 0;
    return derive(xf, "bold", &Styles::changeBold, bold ? "1" : "0");
}

void Styles::changeBold(pugi::xml_node xf, const std::string& arg) {
    auto root = child(*doc_, "styleSheet");
    auto fonts = sheetStyle("fonts");
    const auto fontId = xf.attribute("fontId").as_uint(0);
    auto base = nth(fonts, fontId);
    if (!base)
        base = nth(fonts, 0);
    auto font = fonts.append_copy(base);
    while (auto b = child(font, "b"))
        font.remove_child(b);
    if (arg == "1")
        font.prepend_child("b");
    (void)root;
    setAttr(xf, "fontId", std::to_string(elements(fonts).size() - 1));
    setAttr(xf, "applyFont", "1");
}

std::uint32_t Styles::withNumberFormat(std::uint32_t xf, const std::string& code) {
    if (numberFormat(xf) == code)
        return xf < xfNodes_.size() ? xf : 0;
    return derive(xf, "numfmt", &Styles::changeNumFmt, code);
}

void Styles::changeNumFmt(pugi::xml_node xf, const std::string& code) {
    int id = -1;
    for (int k = 0; k <= 49 && id < 0; ++k)
        if (builtinNumberFormat(k) == code)
            id = k;
    for (const auto& [cid, ccode] : customFormats_)
        if (id < 0 && ccode == code)
            id = cid;
    if (id < 0) {
        id = 164;
        for (const auto& [cid, ccode] : customFormats_)
            id = std::max(id, cid + 1);
        auto fmts = sheetStyle("numFmts");
        auto f = fmts.append_child("numFmt");
        f.append_attribute("numFmtId").set_value(id);
        f.append_attribute("formatCode").set_value(code.c_str());
        customFormats_[id] = code;
    }
    setAttr(xf, "numFmtId", std::to_string(id));
    setAttr(xf, "applyNumberFormat", "1");
}

std::uint32_t Styles::withAllBorders(std::uint32_t xf) {
    if (hasAllBorders(xf))
        return xf < xfNodes_.size() ? xf : 0;
    return derive(xf, "borders", &Styles::changeBorders, "thin");
}

void Styles::changeBorders(pugi::xml_node xf, const std::string& style) {
    auto borders = sheetStyle("borders");
    auto b = borders.append_child("border");
    for (const char* side : {"left", "right", "top", "bottom"}) {
        auto s = b.append_child(side);
        s.append_attribute("style").set_value(style.c_str());
        s.append_child("color").append_attribute("indexed").set_value(64);
    }
    b.append_child("diagonal");
    setAttr(xf, "borderId", std::to_string(elements(borders).size() - 1));
    setAttr(xf, "applyBorder", "1");
}

std::uint32_t Styles::withWrap(std::uint32_t xf) {
    if (wraps(xf))
        return xf < xfNodes_.size() ? xf : 0;
    return derive(xf, "wrap", &Styles::changeWrap, "1");
}

void Styles::changeWrap(pugi::xml_node xf, const std::string&) {
    auto a = child(xf, "alignment");
    if (!a)
        a = xf.prepend_child("alignment");
    setAttr(a, "horizontal", "center");
    setAttr(a, "vertical", "center");
    setAttr(a, "wrapText", "1");
    setAttr(xf, "applyAlignment", "1");
}

std::uint32_t Styles::withFill(std::uint32_t xf, long rgb) {
    if (fillColor(xf) == rgb)
        return xf < xfNodes_.size() ? xf : 0;
    return derive(xf, "fill", &Styles::changeFill, std::to_string(rgb));
}

void Styles::changeFill(pugi::xml_node xf, const std::string& arg) {
    const long rgb = std::stol(arg);
    if (rgb < 0) {
        setAttr(xf, "fillId", "0");
        return;
    }
    auto fills = sheetStyle("fills");
    auto pattern = fills.append_child("fill").append_child("patternFill");
    pattern.append_attribute("patternType").set_value("solid");
    char text[16];
    std::snprintf(text, sizeof text, "FF%06lX", rgb & 0xFFFFFF);
    pattern.append_child("fgColor").append_attribute("rgb").set_value(text);
    pattern.append_child("bgColor").append_attribute("indexed").set_value(64);
    setAttr(xf, "fillId", std::to_string(elements(fills).size() - 1));
    setAttr(xf, "applyFill", "1");
}

} // namespace mv
