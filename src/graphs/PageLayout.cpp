#include "graphs/PageLayout.h"

#include <cmath>

namespace mv {

PageGeometry pageGeometry(int W, int H) {
    (void)H;
    PageGeometry g;
    g.c = W / 30;
    g.hh = 4 * W / 30;
    g.w1 = 7 * W / 30;
    g.w2 = 14 * W / 30;
    g.w3 = W - g.w1 - g.w2 - 2 * g.c;
    g.x1 = g.c + g.w1;
    g.x2 = g.x1 + g.w2;
    return g;
}

PagePlan pagePlan(int W, int H, bool rotated) {
    PagePlan p;
    const PageGeometry g = pageGeometry(W, H);
    p.g = g;
    const int c = g.c, hh = g.hh;
    p.blue = {
        {c, c, W - c, c},
        {W - c, c, W - c, H - c},
        {W - c, H - c, c, H - c},
        {c, H - c, c, c},
        {c, c + hh, W - c, c + hh},
        {g.x1, c, g.x1, c + hh},
        {g.x2, c, g.x2, c + hh},
        rotated ? PageLine{c, H - c, W - c, c + hh} : PageLine{c, c + hh, W - c, H - c},
    };
    p.black = {{0, 200, W - 1, 220}, {100, 0, 150, H - 1}};
    const int A = (W - c) / 2, B = (H - c) / 2;
    const int angle = rotated ? 90 : 0;
    p.texts = {
        {kFontSample, A, B - 100, static_cast<int>(std::lround(0.04 * W)), angle, 0x008000},
        {kFontSample, A, B + 100, static_cast<int>(std::lround(0.08 * W)), angle, 0xFF0000},
    };
    p.printCells[0] = {c + 4, c + 2, g.x1 - 4, c + hh - 2};
    p.printCells[1] = {g.x1 + 4, c + 2, g.x2 - 4, c + hh - 2};
    p.printCells[2] = {g.x2 + 4, c + 2, g.x2 + g.w3 - 4, c + hh - 2};
    const auto edit = [](int left, int top, int width, int height) {
        return PageRect{left, top, left + width, top + height};
    };
    p.editCells[0] = edit(c + 2, c + 2, g.w1 - 3, hh - 2);
    p.editCells[1] = edit(g.x1 + 2, c + 2, g.w2 - 3, hh - 2);
    p.editCells[2] = edit(g.x2 + 2, c + 2, g.w3 - 3, hh - 2);
    return p;
}

int previewHeight(int width, int pageWidth, int pageHeight) {
    if (width <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return 0;
    return static_cast<int>(static_cast<long long>(width) * pageHeight / pageWidth);
}

} // namespace mv
