#pragma once
// The printed report page: a blue frame with a header band of three cells, a diagonal,
// and fixed test marks (two rectangles and a font sample). Everything here is geometry;
// the widgets paint it on a printer page or on the preview image.
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

struct PageGeometry {
    int c = 0;  // margin
    int hh = 0; // header height
    int w1 = 0, w2 = 0, w3 = 0;
    int x1 = 0, x2 = 0; // cell borders
};
PageGeometry pageGeometry(int W, int H);

struct PageLine {
    int x1, y1, x2, y2;
    bool operator==(const PageLine&) const = default;
};
struct PageRect {
    int left, top, right, bottom; // inclusive corners as drawn
    bool operator==(const PageRect&) const = default;
};
struct PageText {
    std::string text;
    int x, y;          // top-left corner of the text
    int height;        // character cell height in pixels
    int angle;         // degrees, counter-clockwise (90: running upwards)
    std::uint32_t rgb; // 0xRRGGBB
};

inline constexpr const char* kFontSample = "abc123 +ěščřžýáíéüÜäÄ";

struct PagePlan {
    PageGeometry g;
    std::vector<PageLine> blue;  // pen width 2: frame, header line, cell borders, diagonal
    std::vector<PageRect> black; // pen width 1
    std::vector<PageText> texts; // the font sample, "Times New Roman"
    PageRect printCells[3];      // where a print job draws the header texts
    PageRect editCells[3];       // left, top, right, bottom of the preview's text edits
};

// The page for a canvas of W x H pixels; `rotated` when the printer was in landscape.
PagePlan pagePlan(int W, int H, bool rotated);

// The preview image's height for a width, at the page's aspect ratio.
int previewHeight(int width, int pageWidth, int pageHeight);

} // namespace mv
