// The strip chart: page layout numbers, grid labels, and a replay printed onto a
// recording surface.
#include "monitors/StripChart.h"

#include "MonitorsFixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace mv {
namespace {

struct Recorder final : PrintSurface {
    struct Text {
        int x, y;
        std::string s;
    };
    struct Page {
        std::vector<Text> texts;
        int lines = 0;
        int minX = 1 << 30, maxX = -1;
    };
    std::vector<Page>* pages;
    bool* finished;
    int w, h;
    double dpm;
    Recorder(std::vector<Page>* p, bool* f, int w_, int h_, double d)
        : pages(p), finished(f), w(w_), h(h_), dpm(d) {}
    int pageWidth() const override { return w; }
    int pageHeight() const override { return h; }
    double dotsPerMM() const override { return dpm; }
    bool colour() const override { return true; }
    void newPage() override { pages->emplace_back(); }
    void text(int x, int y, const std::string& s, PrintFont, std::uint32_t) override {
        pages->back().texts.push_back({x, y, s});
    }
    void line(int x0, int, int x1, int, std::uint32_t, bool) override {
        auto& p = pages->back();
        ++p.lines;
        p.minX = std::min({p.minX, x0, x1});
        p.maxX = std::max({p.maxX, x0, x1});
    }
    void finish() override { *finished = true; }
    bool has(std::size_t page, const std::string& s) const {
        for (const auto& t : (*pages)[page].texts)
            if (t.s == s)
                return true;
        return false;
    }
};

TEST(StripChart, GridLabelsFitEightCharacters) {
    struct Case {
        double step, value;
        const char* label;
    } cases[] = {{0.1, 0.3, "0.30"},
                 {2, 8, "8.0"},
                 {10, 80, "80"},
                 {1000, 12345, "1.23e+04"},
                 {1000, -12345, "-1.2e+04"},
                 {0.001, 0.0123456, "0.0123"},
                 {0.5, -0.5, "-0.5"}};
    for (const auto& c : cases) {
        const std::string l = gridLabel(c.value, gridDecimals(c.step));
        EXPECT_EQ(l, c.label) << c.step << " " << c.value;
        EXPECT_LE(l.size(), 8u);
    }
}

TEST(StripChart, PageLayoutAtThreeHundredDpi) {
    PolyGrafDefinition def;
    def.texts[3] = "0|10|1";
    TPolyGraf p(def, 0, 1000);
    TSubGrafPar t;
    p.Add1SubGraf(t, 0, 1000);
    p.Add1SubGraf(t, 1, 1000);
    p._SubGrafList[0]->_SubGrafParam._RelHeight = 0.25f;
    p._SubGrafList[1]->_SubGrafParam._RelHeight = 0.75f;
    const StripLayout l = stripLayout(p, 2480, 3508, 300 / 25.4);
    EXPECT_EQ(l.plotLeft, 283);
    EXPECT_EQ(l.plotTop, 201);
    EXPECT_EQ(l.plotRight, 2468);
    EXPECT_EQ(l.plotBottom, 3414);
    EXPECT_EQ(l.timePerPixel_us, 4577);
    EXPECT_EQ(l.logoLeft, 47);
    EXPECT_EQ(l.footerY, 3416);
    ASSERT_EQ(l.bands.size(), 2u);
    EXPECT_EQ(l.bands[0].top, 201);
    EXPECT_EQ(l.bands[0].height, 797);
    EXPECT_EQ(l.bands[1].top, 201 + 797 + 24);
    EXPECT_EQ(l.bands[1].height, 2392);
    // Axis -10..10 over the band; grid every 2 from 8 down with one decimal.
    EXPECT_EQ(l.bands[1].yl.row(10), l.bands[1].top);
    EXPECT_EQ(l.bands[1].yl.row(-10), l.bands[1].top + 2392);
    ASSERT_EQ(l.bands[1].grid.size(), 10u);
    EXPECT_EQ(l.bands[1].grid[0].label, "8.0");
    EXPECT_EQ(l.bands[1].grid[9].label, "-10.0");
    EXPECT_EQ(stripFileName("12", "PolyGraf 1", ".prn"), "~12/ID_12 ID_12 PolyGraf 1.prn");
}

TEST(StripChart, TenSecondsAtFiveSecondsAPageMakeTwoPages) {
    test::Replay r(1000);
    r.load(1, 20000, 1000, [](int i) { return float(std::sin(i / 50.0)); });
    auto p = r.poly(mtScroll, 500, 200, "0|5|1");
    std::vector<Recorder::Page> pages;
    bool finished = false;
    int opened = 0;
    StripChartDriver driver(
        [&](const TPolyGraf&, const std::string& id) -> std::unique_ptr<PrintSurface> {
            ++opened;
            EXPECT_EQ(id, "12");
            // A page 1000 pixels wide at 4 per mm: a 900-column plot.
            return std::make_unique<Recorder>(&pages, &finished, 1000, 700, 4.0);
        });
    StripHeader h;
    h.testId = "12";
    h.sigNames.assign(200, "");
    h.sigUnits.assign(200, "");
    h.sigNames[0] = "Force";
    h.sigUnits[0] = "kN";
    driver.setHeader(h);
    r.engine.afterPass = [&](TPolyGraf& q, const RoundData& d) { driver.afterPass(q, d); };
    {
        std::lock_guard lock(p->mutex);
        p->_PRN.JePrint = true;
    }
    r.clock.startReplay(0, 9.9);
    r.run(1060);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(finished);
    ASSERT_EQ(pages.size(), 2u);
    const Recorder rec(&pages, &finished, 0, 0, 4);
    // Headers, series label, time marks right-aligned in 5 characters.
    EXPECT_TRUE(rec.has(0, "  Pg. 1"));
    EXPECT_TRUE(rec.has(1, "  Pg. 2"));
    EXPECT_TRUE(rec.has(0, "ID: 12"));
    EXPECT_TRUE(rec.has(0, "Force"));
    EXPECT_TRUE(rec.has(0, "kN"));
    for (const char* mark : {"  1.0", "  2.0", "  3.0", "  4.0"})
        EXPECT_TRUE(rec.has(0, mark)) << mark;
    for (const char* mark : {"  6.0", "  7.0", "  8.0", "  9.0"})
        EXPECT_TRUE(rec.has(1, mark)) << mark;
    // The first page is filled edge to edge.
    EXPECT_EQ(pages[0].maxX, 1000 - 4);
    EXPECT_LE(pages[0].minX, 96);
}

TEST(StripChart, AJobThatCannotStartLogsOneWarningAndXYPrintsNothing) {
    test::Replay r(1000);
    r.load(1, 5000, 1000, [](int) { return 1.0f; });
    auto scroll = r.poly(mtScroll, 500, 200, "0|5|1");
    auto xy = r.poly(mtXY, 500, 200, "-10|10|1");
    std::vector<Recorder::Page> pages;
    bool finished = false;
    StripChartDriver driver(
        [&](const TPolyGraf& q, const std::string&) -> std::unique_ptr<PrintSurface> {
            if (q._MonType == mtScroll)
                return nullptr; // no such printer
            return std::make_unique<Recorder>(&pages, &finished, 1000, 700, 4.0);
        });
    r.engine.afterPass = [&](TPolyGraf& q, const RoundData& d) { driver.afterPass(q, d); };
    for (auto& q : {scroll, xy}) {
        std::lock_guard lock(q->mutex);
        q->_PRN.JePrint = true;
    }
    r.clock.startReplay(0, 1);
    r.run(120);
    EXPECT_EQ(driver.takeWarnings().size(), 1u);
    EXPECT_TRUE(driver.takeWarnings().empty());
    EXPECT_EQ(driver.jobsStarted(), 1);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(pages.empty());
}

} // namespace
} // namespace mv
