#include "graphs/GraphDrawing.h"

#include "core/SignalStore.h"
#include "core/TextNumbers.h"
#include "core/TimeWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mv {

namespace {
// Pixel coordinates stay far inside int and far inside what a painter clips cheaply.
constexpr double kCoordLimit = 1 << 20;

int toPixel(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(roundHalfEven(std::clamp(v, -kCoordLimit, kCoordLimit)));
}

// A bound on grid lines, so no range can make the loop run away.
constexpr int kMaxGridLines = 2000;
} // namespace

GridStep gridStep(double span, int n) {
    GridStep g;
    n = std::max(n, 1);
    if (!(span > 0.0) || !std::isfinite(span))
        return g;
    double step = std::pow(10.0, double(roundHalfEven(std::log10(span / n))));
    if (span / step > n + 1)
        step *= 2.0;
    else if (span / step < n - 1)
        step /= 2.0;
    g.step = step;
    g.decimals = std::max<int>(0, 1 - int(roundHalfEven(std::log10(step))));
    return g;
}

void updateSigNaPix(SigImageState& g) {
    g._SigNaPix = (double(g._YMax) - double(g._YMin)) / double(std::max(g._Vyska - 1, 1));
}

int valueToRow(const SigImageState& g, double v) {
    if (!(g._SigNaPix != 0.0))
        return g._R.Top;
    return toPixel((double(g._YMax) - v) / g._SigNaPix) + g._R.Top;
}

std::vector<GridLine> valueGrid(const SigImageState& g, char sep) {
    std::vector<GridLine> lines;
    const double ymin = g._YMin, ymax = g._YMax;
    const GridStep gs = gridStep(ymax - ymin, std::max(g._Vyska / 30, 1));
    if (gs.step <= 0.0 || g._Vyska < 2)
        return lines;
    for (double w = std::trunc(ymax / gs.step); w * gs.step > ymin; w -= 1.0) {
        if (int(lines.size()) >= kMaxGridLines)
            break;
        const double a = w * gs.step + 0.0; // no "-0" label
        GridLine l;
        l.kind = a == 0.0 ? GridLineKind::Zero : GridLineKind::Dotted;
        l.pos = valueToRow(g, a);
        l.value = a;
        l.label = formatFloatF(a, 15, gs.decimals, sep);
        lines.push_back(std::move(l));
    }
    return lines;
}

std::vector<GridLine> timeGrid(const SigImageState& g, char sep) {
    std::vector<GridLine> lines;
    const GridStep gs = gridStep(g._T2 - g._T1, std::max(g._Sirka / 50, 1));
    if (gs.step <= 0.0 || !(g._TnaPix > 0.0))
        return lines;
    for (double w = std::trunc(g._T2 / gs.step); w * gs.step > g._T1; w -= 1.0) {
        if (int(lines.size()) >= kMaxGridLines)
            break;
        const double a = w * gs.step + 0.0;
        GridLine l;
        // Whole seconds, allowing for the rounding of w * step with decimal steps.
        const bool whole = std::fabs(a - std::round(a)) <= gs.step * 1e-6;
        l.kind = whole ? GridLineKind::Solid : GridLineKind::Dotted;
        l.pos = toPixel((a - g._T1) / g._TnaPix) + g._R.Left;
        l.value = a;
        l.label = formatFloatF(a, 15, gs.decimals, sep);
        lines.push_back(std::move(l));
    }
    return lines;
}

std::vector<TracePolyline> tracePolylines(const SignalStore& store, const SigImageState& g) {
    std::vector<TracePolyline> out;
    for (int i = 1; i <= kSlotCount; ++i) {
        const SignalRecord& s = store[i];
        const TImageSigRec& r = g.rec(i);
        if (r.SmpCount <= 0 || !s.Plot)
            continue;
        const int count = std::clamp<int>(r.PtCount, 0, int(r.Pts.size()));
        TracePolyline p;
        p.slot = i;
        p.colour = s.SigColor;
        p.points.reserve(std::size_t(count) * (r.JeMinMax ? 2 : 1));
        for (int k = 0; k < count; ++k) {
            const TImagePt& e = r.Pts[std::size_t(k)];
            const int x = e.X + g._R.Left;
            p.points.push_back({x, valueToRow(g, e.Y1)});
            if (r.JeMinMax)
                p.points.push_back({x, valueToRow(g, e.Y2)});
        }
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<GraphLabel> axisLabels(const SigImageState& g, const std::vector<GridLine>& values,
                                   const std::vector<GridLine>& times, char sep, int charWidth,
                                   int textHeight) {
    charWidth = std::max(charWidth, 1);
    textHeight = std::max(textHeight, 1);
    const auto width = [charWidth](const std::string& t) { return int(t.size()) * charWidth; };
    std::vector<GraphLabel> out;
    for (const GridLine& l : values)
        out.push_back({1, l.pos - 6, l.label});
    for (const GridLine& l : times)
        out.push_back({l.pos, g._R.Bottom + 3, l.label});
    const GraphLabel first{g._R.Left - 10, g._R.Bottom + 3, formatFloatF(g._T1, 15, 4, sep)};
    std::string lastText = formatFloatF(g._T2, 15, 4, sep);
    const int lastX = std::min(g._R.Right - 40, g._R.Right - width(lastText));
    const GraphLabel last{lastX, g._R.Bottom + 3, std::move(lastText)};
    // Half a digit of gap keeps two texts from reading as one number.
    const int gap = (charWidth + 1) / 2;
    const auto meets = [&](const GraphLabel& a, const GraphLabel& b) {
        return a.x < b.x + width(b.text) + gap && b.x < a.x + width(a.text) + gap &&
               a.y < b.y + textHeight && b.y < a.y + textHeight;
    };
    for (GraphLabel& l : out)
        if (meets(l, first) || meets(l, last))
            l.text.clear();
    out.push_back(first);
    out.push_back(last);
    return out;
}

double cursorTime(const SigImageState& g, int x) {
    if (g._Sirka <= 1)
        return g._T1;
    return g._T1 + double(x - g._R.Left) * (g._T2 - g._T1) / double(g._Sirka - 1);
}

double cursorValue(const SigImageState& g, int y) {
    return double(g._YMax) - double(y - g._R.Top) * g._SigNaPix;
}

std::string tLabelText(double t, double y, char sep) {
    return "T = " + formatFloatF(t, 10, 4, sep) + " s\nY = " + formatFloatF(y, 10, 4, sep);
}

std::string deltaStatusText(double dT, double dY, char sep) {
    return "Delta T  " + formatFloatF(dT, 8, 6, sep) + " s   Delta Y " + " " +
           formatFloatF(dY, 8, 6, sep);
}

std::string invDeltaText(double dT, char sep) {
    if (!(dT > 0.0))
        return {};
    return "1/Delta T= " + formatFloatF(1.0 / dT, 8, 6, sep) + " Hz";
}

CursorCells cursorCells(const SignalStore& store, const SigImageState& g, int x, double t) {
    CursorCells cells(kSlotCount);
    const int column = x - g._R.Left;
    for (int i = 1; i <= kSlotCount; ++i) {
        const SignalRecord& s = store[i];
        if (!s.Plot || s.SampleCount <= 0)
            continue;
        CursorCell& c = cells[std::size_t(i - 1)];
        c.state = CursorCell::State::Blank;
        const TImageSigRec& r = g.rec(i);
        if (!(s.f_sampl > 0.0) || t < s.TimeOffset || t > s.timeOf(s.SampleCount))
            continue;
        if (column < 0 || column >= int(r.Pts.size()))
            continue;
        c.state = CursorCell::State::Value;
        c.Val = r.Pts[std::size_t(column)].Val;
        c.SmpNo = r.Pts[std::size_t(column)].SmpNo;
    }
    return cells;
}

std::array<std::string, 2> cursorCellTexts(const SignalRecord& sig, const CursorCell& cell,
                                           char sep) {
    if (cell.state != CursorCell::State::Value)
        return {};
    return {formatFloatF(cell.Val, 11, sig.DecPlaces, sep), std::to_string(cell.SmpNo)};
}

int readoutLabelX(int cursorX, int labelWidth, int controlWidth) {
    constexpr int kGap = 15; // keeps the text off the cursor line
    labelWidth = std::max(labelWidth, 0);
    int x = cursorX - kGap - labelWidth;
    if (x < 0)
        x = cursorX + kGap;
    return std::max(0, std::min(x, controlWidth - labelWidth));
}

int clampX(const SigImageState& g, int x) {
    return std::clamp(x, g._R.Left, std::max(g._R.Left, g._R.Right));
}
int clampY(const SigImageState& g, int y) {
    return std::clamp(y, g._R.Top, std::max(g._R.Top, g._R.Bottom));
}

} // namespace mv
