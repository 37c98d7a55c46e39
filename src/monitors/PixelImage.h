#pragma once
// The off-screen picture of a polygraph's plot: 32-bit pixels 0xFFRRGGBB, row by row,
// laid out as the window's image format expects so that painting is one copy. Every
// drawing call clips to the picture, so a stale coordinate can never write outside it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace mv {

struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> px;

    void resize(int w, int h, std::uint32_t colour) {
        width = std::max(0, w);
        height = std::max(0, h);
        px.assign(std::size_t(width) * std::size_t(height), colour);
    }
    std::uint32_t at(int x, int y) const { return px[std::size_t(y) * width + x]; }
    void set(int x, int y, std::uint32_t c) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            px[std::size_t(y) * width + x] = c;
    }
    // Fills columns [x0, x1) of rows [y0, y1).
    void fill(int x0, int x1, int y0, int y1, std::uint32_t c) {
        x0 = std::max(x0, 0);
        x1 = std::min(x1, width);
        y0 = std::max(y0, 0);
        y1 = std::min(y1, height);
        for (int y = y0; y < y1; ++y)
            std::fill(px.begin() + std::ptrdiff_t(y) * width + x0,
                      px.begin() + std::ptrdiff_t(y) * width + std::max(x0, x1), c);
    }
    // A vertical line covering rows a..b in either order, both ends drawn.
    void vline(int x, int a, int b, std::uint32_t c) {
        if (x < 0 || x >= width)
            return;
        if (a > b)
            std::swap(a, b);
        a = std::max(a, 0);
        b = std::min(b, height - 1);
        for (int y = a; y <= b; ++y)
            px[std::size_t(y) * width + x] = c;
    }
    void hline(int x0, int x1, int y, std::uint32_t c) { fill(x0, x1, y, y + 1, c); }
    // A line between two points, both ends drawn.
    void line(int x0, int y0, int x1, int y1, std::uint32_t c) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (int guard = 0; guard < 20000; ++guard) {
            set(x0, y0, c);
            if (x0 == x1 && y0 == y1)
                break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    // Moves the whole picture k columns to the left; the freed strip keeps old pixels.
    void scrollLeft(int k) {
        if (k <= 0 || k >= width)
            return;
        for (int y = 0; y < height; ++y) {
            std::uint32_t* row = px.data() + std::size_t(y) * width;
            std::memmove(row, row + k, sizeof(std::uint32_t) * std::size_t(width - k));
        }
    }
};

} // namespace mv
