#pragma once
// The off-screen picture of a polygraph's plot: 32-bit pixels 0xFFRRGGBB, row by row,
// laid out as the window's image format expects. Every drawing call clips to the
// picture, so a stale coordinate can never write outside it.
//
// The columns form a ring: scrolling left moves the origin instead of the pixels (a
// scrolling recorder would otherwise move the whole picture for every few new columns).
// Coordinates of the calls are those of the picture as shown; the physical column of
// shown column x is (x + origin) mod width, and painting copies [origin, width) first.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace mv {

struct PixelImage {
    int width = 0;
    int height = 0;
    int origin = 0; // physical column of shown column 0
    std::vector<std::uint32_t> px;

    int phys(int x) const {
        const int p = x + origin;
        return p >= width ? p - width : p;
    }

    void resize(int w, int h, std::uint32_t colour) {
        width = std::max(0, w);
        height = std::max(0, h);
        origin = 0;
        px.assign(std::size_t(width) * std::size_t(height), colour);
    }
    std::uint32_t at(int x, int y) const { return px[std::size_t(y) * width + phys(x)]; }
    void set(int x, int y, std::uint32_t c) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            px[std::size_t(y) * width + phys(x)] = c;
    }
    // Fills columns [x0, x1) of rows [y0, y1).
    void fill(int x0, int x1, int y0, int y1, std::uint32_t c) {
        x0 = std::max(x0, 0);
        x1 = std::min(x1, width);
        y0 = std::max(y0, 0);
        y1 = std::min(y1, height);
        if (x0 >= x1)
            return;
        // At most two physical stretches.
        const int p0 = phys(x0), n = x1 - x0;
        const int first = std::min(n, width - p0);
        for (int y = y0; y < y1; ++y) {
            std::uint32_t* row = px.data() + std::size_t(y) * width;
            std::fill(row + p0, row + p0 + first, c);
            std::fill(row, row + (n - first), c);
        }
    }
    // A vertical line covering rows a..b in either order, both ends drawn.
    void vline(int x, int a, int b, std::uint32_t c) {
        if (x < 0 || x >= width)
            return;
        if (a > b)
            std::swap(a, b);
        a = std::max(a, 0);
        b = std::min(b, height - 1);
        const int p = phys(x);
        for (int y = a; y <= b; ++y)
            px[std::size_t(y) * width + p] = c;
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
    // Moves the whole picture k columns to the left; the freed strip on the right shows
    // the old left columns until it is drawn over.
    void scrollLeft(int k) {
        if (k <= 0 || k >= width)
            return;
        origin = phys(k);
    }
};

} // namespace mv
