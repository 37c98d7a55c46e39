#pragma once
// The cell formats of a workbook (xl/styles.xml). The document is kept as read so
// everything we do not model (fonts, fills, themes, named styles) is written back;
// a change of bold, number format, borders or fill makes (or reuses) a derived format.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

namespace mv {

class Styles {
public:
    Styles(); // the minimal set a new workbook needs
    ~Styles();
    Styles(const Styles&) = delete;
    Styles& operator=(const Styles&) = delete;

    // Throws PackageError with the problem when the XML is malformed.
    void load(const std::string& xml);
    std::string save() const;

    std::size_t formatCount() const { return xfFont_.size(); }
    bool isBold(std::uint32_t xf) const;
    // The number format code of a cell format ("General", "0.000", "d/m/yyyy").
    std::string numberFormat(std::uint32_t xf) const;
    bool hasAllBorders(std::uint32_t xf) const;
    bool wraps(std::uint32_t xf) const;
    // Fill colour as 0xRRGGBB, or -1 when the format has no solid fill.
    long fillColor(std::uint32_t xf) const;

    std::uint32_t withBold(std::uint32_t xf, bool bold);
    std::uint32_t withNumberFormat(std::uint32_t xf, const std::string& code);
    // Thin continuous lines on the left, top, right and bottom.
    std::uint32_t withAllBorders(std::uint32_t xf);
    // Wrapped text, centred: for headers written on several lines.
    std::uint32_t withWrap(std::uint32_t xf);
    // Solid fill with 0xRRGGBB, or no fill for rgb < 0.
    std::uint32_t withFill(std::uint32_t xf, long rgb);

private:
    pugi::xml_node sheetStyle(const char* name);
    std::uint32_t derive(std::uint32_t xf, const std::string& key,
                         void (Styles::*change)(pugi::xml_node xf, const std::string& arg),
                         const std::string& arg);
    void changeBold(pugi::xml_node xf, const std::string& arg);
    void changeNumFmt(pugi::xml_node xf, const std::string& arg);
    void changeBorders(pugi::xml_node xf, const std::string& arg);
    void changeWrap(pugi::xml_node xf, const std::string& arg);
    void changeFill(pugi::xml_node xf, const std::string& arg);
    void index();
    pugi::xml_node xfNode(std::uint32_t xf) const;

    std::unique_ptr<pugi::xml_document> doc_;
    std::vector<pugi::xml_node> xfNodes_;
    std::vector<std::uint32_t> xfFont_;
    std::vector<bool> fontBold_;
    std::map<int, std::string> customFormats_;
    std::map<std::string, std::uint32_t> derived_; // "xf|change|arg" -> xf
};

// The code of a built-in number format id, or empty when the id is not built in.
std::string builtinNumberFormat(int id);

} // namespace mv
