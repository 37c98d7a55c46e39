// Grids, labels, value mapping, polylines and the readout texts of a graph.
#include "graphs/GraphDrawing.h"

#include "core/SignalStore.h"
#include "graphs/ColumnPass.h"
#include "graphs/GraphZoom.h"

#include <array>
#include <gtest/gtest.h>

namespace mv {
namespace {

SigImageState graph(int width, int height, float yMin, float yMax) {
    SigImageState g(false);
    resizeGraph(g, width, height);
    g._YMin = yMin;
    g._YMax = yMax;
    g._TnaPix = (g._T2 - g._T1) / g._Sirka;
    updateSigNaPix(g);
    return g;
}

TEST(GraphGrid, StepDoublesHalvesAndPicksDecimals) {
    struct Case {
        double span;
        int n;
        double step;
        int decimals;
    } cases[] = {
        {24, 6, 5, 0},       // 10 gives 2.4 lines < 5: halves
        {100, 3, 50, 0},     // 10^round(1.52)=100, 1 line < 2: halves to 50
        {8, 2, 5, 0},        // 10^round(0.6)=10, 0.8 lines < 1: halves
        {0.065, 6, 0.01, 3}, // 10^round(-1.97)=0.01, 6.5 lines: kept
        {0.2, 1, 0.1, 2},    // 10^round(-0.7)=0.1, 2 lines == n+1: kept
        {30, 1, 20, 0},      // 10^round(1.48)=10, 3 lines > 2: doubles
        {1000, 20, 50, 0},   // 10^round(1.7)=100, 10 < 19 halves
    };
    for (const Case& c : cases) {
        const GridStep g = gridStep(c.span, c.n);
        EXPECT_DOUBLE_EQ(g.step, c.step) << c.span << " / " << c.n;
        EXPECT_EQ(g.decimals, c.decimals) << c.span << " / " << c.n;
    }
    EXPECT_EQ(gridStep(0.0, 5).step, 0.0);
    EXPECT_EQ(gridStep(-3.0, 5).step, 0.0);
}

TEST(GraphGrid, ValueGridOfMinus12To12On200Rows) {
    SigImageState g = graph(400, 221, -12.0f, 12.0f);
    ASSERT_EQ(g._Vyska, 200);
    const auto lines = valueGrid(g);
    ASSERT_EQ(lines.size(), 5u);
    const double want[] = {10, 5, 0, -5, -10};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[i].value, want[i]);
        EXPECT_EQ(lines[i].kind, want[i] == 0 ? GridLineKind::Zero : GridLineKind::Dotted);
    }
    EXPECT_EQ(lines[0].label, "10");
    EXPECT_EQ(lines[2].label, "0");
    EXPECT_EQ(lines[4].label, "-10");
    // Rows: round((12 - a) / (24 / 199)) + 2.
    EXPECT_EQ(lines[2].pos, 2 + 100); // 12 / 0.120603 = 99.5 -> 100 (half to even)
    EXPECT_EQ(valueToRow(g, 12.0), g._R.Top);
    EXPECT_EQ(valueToRow(g, -12.0), g._R.Bottom);
}

TEST(GraphGrid, TimeGridSolidOnWholeSecondsAndLabels) {
    SigImageState g = graph(559, 100, -1, 1); // 500 columns, n = 10
    g._T1 = 0.0;
    g._T2 = 2.0;
    g._TnaPix = 2.0 / 500;
    const auto lines = timeGrid(g);
    // step 10^round(log10 0.2) = 0.1, 20 lines > 11 doubles to 0.2; decimals 1 - round(-0.7).
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0].value, 2.0);
    EXPECT_EQ(lines[0].kind, GridLineKind::Solid);
    EXPECT_EQ(lines[0].pos, 40 + 500);
    EXPECT_EQ(lines[0].label, "2.00");
    EXPECT_EQ(lines[1].kind, GridLineKind::Dotted);
    EXPECT_EQ(lines[1].label, "1.80");
    EXPECT_EQ(lines[5].value, 1.0);
    EXPECT_EQ(lines[5].kind, GridLineKind::Solid);
    EXPECT_EQ(lines[9].label, "0.20");
    const auto labels = axisLabels(g, {}, lines, ',');
    EXPECT_EQ(labels[0].text, "2.00"); // built before, with '.'
    EXPECT_EQ(labels[lines.size()].text, "0,0000");
    EXPECT_EQ(labels[lines.size()].x, 30);
    EXPECT_EQ(labels[lines.size() + 1].text, "2,0000");
    EXPECT_EQ(labels[lines.size() + 1].x, 539 - 40);
}

// The end labels _T1 and _T2 never share pixels with a grid label, whatever the window:
// the grid label yields (keeps its place, loses its text), and _T2 ends inside the plot.
TEST(GraphGrid, EndLabelsNeverOverprintGridLabels) {
    constexpr int cw = 7, th = 13;
    const auto box = [](const GraphLabel& l) {
        return std::array<int, 4>{l.x, l.y, l.x + int(l.text.size()) * cw, l.y + th};
    };
    struct Case {
        double t1, t2;
        float yMin, yMax;
    };
    int cleared = 0;
    for (const Case& c : {Case{0.19, 2.19, -1, 1}, Case{0.0, 2.0, -12, 12},
                          Case{12345.6789, 12347.1, -0.001f, 0.3f}, Case{-3.001, 0.0015, -1000, 5},
                          Case{0.0, 1e-3, 0, 1}}) {
        SigImageState g = graph(559, 100, c.yMin, c.yMax);
        g._T1 = c.t1;
        g._T2 = c.t2;
        g._TnaPix = (c.t2 - c.t1) / 500;
        const auto values = valueGrid(g);
        const auto times = timeGrid(g);
        const auto labels = axisLabels(g, values, times, '.', cw, th);
        ASSERT_EQ(labels.size(), values.size() + times.size() + 2);
        const GraphLabel& last = labels.back();
        EXPECT_LE(box(last)[2], g._R.Right) << c.t2;
        for (std::size_t i = 0; i + 2 < labels.size(); ++i) {
            if (labels[i].text.empty()) {
                ++cleared;
                continue;
            }
            for (const GraphLabel& end : {labels[labels.size() - 2], last}) {
                const auto a = box(labels[i]), b = box(end);
                EXPECT_FALSE(a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3])
                    << labels[i].text << " under " << end.text;
            }
        }
    }
    EXPECT_GE(cleared, 2); // the first window puts grid lines right at both ends
}

// The cursor readout sits left of the cursor when it fits, else right of it, and never
// leaves the control.
TEST(GraphReadout, LabelStaysInsideTheControlAndOffTheCursor) {
    struct Case {
        int cursorX, labelWidth, controlWidth, want;
    };
    for (const Case& c : {Case{500, 120, 1000, 365}, Case{100, 120, 1000, 115},
                          Case{990, 120, 1000, 855}, Case{60, 200, 250, 50}, Case{10, 300, 200, 0}})
        EXPECT_EQ(readoutLabelX(c.cursorX, c.labelWidth, c.controlWidth), c.want)
            << c.cursorX << " " << c.labelWidth;
}

TEST(GraphGrid, DegenerateRangesGiveNoLines) {
    SigImageState g = graph(400, 221, 3.0f, 3.0f);
    EXPECT_TRUE(valueGrid(g).empty());
    g._T1 = g._T2 = 1.0;
    g._TnaPix = 0;
    EXPECT_TRUE(timeGrid(g).empty());
}

TEST(GraphTraces, MinMaxTwoPointsPerEntrySingleModeOne) {
    SignalStore store;
    auto& a = store[1];
    a.f_sampl = 1000;
    a.Plot = true;
    a.SigColor = 0x0000FF;
    a.setData(SampleBuffer::zeros(10000));
    auto& b = store[2];
    b.f_sampl = 1;
    b.Plot = true;
    b.setData(SampleBuffer::zeros(3));
    auto& c = store[3]; // loaded, not plotted: no polyline
    c.f_sampl = 1;
    c.setData(SampleBuffer::zeros(3));
    SigImageState g = graph(159, 221, -1, 1); // 100 columns
    g._T1 = 0, g._T2 = 4;
    PrepocitejX(store, g);
    const auto polys = tracePolylines(store, g);
    ASSERT_EQ(polys.size(), 2u);
    EXPECT_EQ(polys[0].slot, 1);
    EXPECT_EQ(polys[0].colour, 0x0000FFu);
    EXPECT_EQ(polys[0].points.size(), std::size_t(2 * g.rec(1).PtCount));
    EXPECT_EQ(polys[1].points.size(), 3u);
    EXPECT_EQ(polys[1].points[1].X, 40 + 25);
    EXPECT_EQ(polys[1].points[1].Y, valueToRow(g, 0.0));
}

TEST(GraphReadout, TextsAndNumberFormat) {
    EXPECT_EQ(formatFloatF(1.5, 10, 4), "1.5000");
    EXPECT_EQ(formatFloatF(123.456789123, 8, 6), "123.456790");
    EXPECT_EQ(formatFloatF(-0.00001, 8, 4), "0.0000");
    EXPECT_EQ(formatFloatF(2.5e9, 8, 6), "2.5000000E+09");
    EXPECT_EQ(tLabelText(1.25, -3.5), "T = 1.2500 s\nY = -3.5000");
    EXPECT_EQ(deltaStatusText(0.5, 2.0), "Delta T  0.500000 s   Delta Y  2.000000");
    EXPECT_EQ(invDeltaText(0.5, ','), "1/Delta T= 2,000000 Hz");
    EXPECT_EQ(invDeltaText(0.0), "");
}

TEST(GraphReadout, CursorTimeValueAndCells) {
    SignalStore store;
    auto& s = store[4];
    s.f_sampl = 1;
    s.Plot = true;
    s.setData(SampleBuffer::zeros(3));
    s.Data[1] = -7.0f;
    SigImageState g = graph(1024 + 59, 221, -12, 12);
    g._T1 = 0, g._T2 = 4;
    PrepocitejX(store, g);
    EXPECT_DOUBLE_EQ(cursorTime(g, g._R.Left), 0.0);
    EXPECT_DOUBLE_EQ(cursorTime(g, g._R.Right), 4.0); // the last column maps to _T2
    EXPECT_DOUBLE_EQ(cursorValue(g, g._R.Top), 12.0);
    EXPECT_NEAR(cursorValue(g, g._R.Bottom), -12.0, 1e-5);
    const int x = g._R.Left + 200;
    const auto cells = cursorCells(store, g, x, cursorTime(g, x));
    EXPECT_EQ(cells[3].state, CursorCell::State::Value);
    EXPECT_EQ(cells[3].SmpNo, 2);
    EXPECT_EQ(cells[3].Val, -7.0f);
    EXPECT_EQ(cells[0].state, CursorCell::State::Untouched);
    // Beyond the signal's last sample (2 s) the cells are blanked.
    const int x2 = g._R.Left + 700;
    EXPECT_EQ(cursorCells(store, g, x2, cursorTime(g, x2))[3].state, CursorCell::State::Blank);
}

TEST(GraphReadout, CursorCellTexts) {
    SignalRecord sig;
    sig.Plot = true;
    sig.DecPlaces = 3;
    CursorCell c{CursorCell::State::Value, 2.5f, 17};
    EXPECT_EQ(cursorCellTexts(sig, c), (std::array<std::string, 2>{"2.500", "17"}));
    // The user's separator, and precision 11: digits beyond it are not invented.
    sig.DecPlaces = 6;
    c.Val = 123456.789f; // 123456.7890625 as a float, 11 digits kept
    EXPECT_EQ(cursorCellTexts(sig, c, ','), (std::array<std::string, 2>{"123456,789060", "17"}));
    c.Val = 1.0e12f;
    EXPECT_EQ(cursorCellTexts(sig, c, ',')[0], "9,9999999590E+11");
    c.state = CursorCell::State::Blank;
    EXPECT_EQ(cursorCellTexts(sig, c), (std::array<std::string, 2>{}));
}

} // namespace
} // namespace mv
