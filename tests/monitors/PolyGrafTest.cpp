// The polygraph model: creation from the definition texts, layout, setters.
#include "monitors/MonitorsEngine.h"

#include <cmath>
#include <gtest/gtest.h>

namespace mv {
namespace {

constexpr double kFs = 1000;

std::unique_ptr<TPolyGraf> make(const std::string& geometry, const std::string& type = "Scroll|0",
                                const std::string& x = "0|10|2") {
    PolyGrafDefinition def;
    def.texts[1] = type;
    def.texts[2] = geometry;
    def.texts[3] = x;
    return std::make_unique<TPolyGraf>(def, 0, kFs);
}

TEST(PolyGraf, CreatedFromTheDefinitionTexts) {
    PolyGrafDefinition def;
    def.texts[0] = "3|Bogie";
    def.texts[2] = "10|20|538|300|1";
    def.texts[4] = "1|LaserJet|9|1|1";
    TPolyGraf p(def, 4, kFs);
    EXPECT_EQ(p.name, "Bogie");
    EXPECT_TRUE(p._JeFloating);
    EXPECT_EQ(p.rect, (PolyRect{10, 20, 538, 300}));
    EXPECT_EQ(p._ScrPGCoef.plotWidth(), 500);
    EXPECT_EQ(p.image.width, 0); // no pixels until a pass draws
    ASSERT_TRUE(p.ensureImage());
    EXPECT_EQ(p.image.width, 500);
    EXPECT_EQ(p.image.height, 300 - 39);
    EXPECT_EQ(p._ScrPGCoef.TimeNaPixel_us, 20000);
    EXPECT_EQ(p._ScrPGCoef.MinLines, 1);
    EXPECT_TRUE(p._PRN.JePrint);
    EXPECT_EQ(p._PRN.PrinterName, "LaserJet");
    EXPECT_TRUE(p._PRN.ToFile);

    // An empty name counts the polygraphs; bad geometry takes the defaults and minimums.
    def.texts[0] = "1|";
    def.texts[2] = "x|1e300|100|-5|0";
    TPolyGraf q(def, 1, kFs);
    EXPECT_EQ(q.name, "PolyGraf 2");
    EXPECT_EQ(q.rect, (PolyRect{1, 1, 320, 120}));
    EXPECT_FALSE(q._JeFloating);
}

TEST(PolyGraf, XSettingsAreCheckedPerType) {
    auto p = make("0|0|538|239|0");
    struct Case {
        const char *xmin, *xmax, *grid;
        bool ok;
    } scroll[] = {{"0", "5", "1", true},      {"1", "5", "1", false},   {"0", "0", "1", false},
                  {"0", "0.4", "1", false}, // less than a sample per column at 1 kHz
                  {"0", "1e300", "1", false}, {"0", "abc", "1", false}, {"0", "10", "1e9", false}};
    for (const auto& c : scroll)
        EXPECT_EQ(p->SetXParam(c.xmin, c.xmax, c.grid, kFs), c.ok) << c.xmax << " " << c.grid;
    EXPECT_EQ(p->_ScrPGCoef.TimeNaPixel_us, 10000); // the last valid one (5 s) stays
    EXPECT_EQ(p->sXmax, "5");

    p->SetPolyGrafMonType(mtFFT, kFs);
    EXPECT_FLOAT_EQ(p->_Xmax, 500);
    EXPECT_FALSE(p->SetXParam("0", "600", "50", kFs)); // beyond fs/2
    EXPECT_TRUE(p->SetXParam("100", "200", "10", kFs));
    EXPECT_EQ(p->_ScrPGCoef.XOffset, -int(std::round(p->_ScrPGCoef.Xslope * 100)));
}

TEST(PolyGraf, TypeChangeToFFTResetsRangesScopeKeepsThem) {
    auto p = make("0|0|538|239|0");
    MonitorDefaults d;
    p->Add1SubGraf(d.tmpl, 0, kFs);
    p->ReCalcSubGrafCoef(true);
    TSubGraf& sg = *p->_SubGrafList[0];
    ASSERT_TRUE(SetYRange(sg, 0, "-3", "7", &d));
    EXPECT_EQ(d.tmpl._sYLmax, "7"); // the next subgraph starts like this one
    p->SetPolyGrafMonType(mtScope, kFs, &d);
    EXPECT_FLOAT_EQ(sg._YMaxL, 7);
    EXPECT_EQ(d.def.texts[1], "Scope|0");
    p->SetPolyGrafMonType(mtFFT, kFs, &d);
    EXPECT_FLOAT_EQ(sg._YMinL, 0);
    EXPECT_FLOAT_EQ(sg._YMaxR, 100);
    EXPECT_FLOAT_EQ(sg._YLimitMin, 0);
    EXPECT_FLOAT_EQ(p->_Xmin, 0);
    EXPECT_FLOAT_EQ(p->_Xmax, 500);
    p->SetPolyGrafMonType(mtScroll, kFs, &d);
    EXPECT_FLOAT_EQ(sg._YMinL, -10);
    EXPECT_FLOAT_EQ(p->_Xmax, 10);
}

TEST(PolyGraf, LayoutSharesThePlotHeight) {
    auto p = make("0|0|538|339|0"); // plot 500 x 300
    MonitorDefaults d;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(p->addSubGrafLikeLast(d, p->subGrafCount(), kFs));
    const int active = 300 - 3 * 3 + 3;
    int y = 4;
    for (const auto& sg : p->_SubGrafList) {
        EXPECT_EQ(sg->_ScrSubGrCoef._Top, y);
        EXPECT_EQ(sg->_ScrSubGrCoef._HeightPix, int(std::lround(active / 3.0)));
        y += sg->_ScrSubGrCoef._HeightPix + 3;
    }
    // The alternating band colours of added subgraphs.
    EXPECT_EQ(p->_SubGrafList[1]->_SubGrafParam._BGColor, 0xBEFAFA);
    EXPECT_EQ(p->_SubGrafList[2]->_SubGrafParam._BGColor, 0xFFFFFF);
    // The axis maps its range onto the band: max at the band top, min at its bottom.
    const TSubGraf& sg = *p->_SubGrafList[1];
    const int top = sg._ScrSubGrCoef._Top - 4;
    EXPECT_EQ(sg._ScrSubGrCoef._YL.row(10), top);
    EXPECT_EQ(sg._ScrSubGrCoef._YL.row(-10), top + sg._ScrSubGrCoef._HeightPix);
    // Grid every 2 over -10..10: ten lines, from 8 down.
    ASSERT_EQ(sg._YgridLines, 10);
    EXPECT_EQ(sg._ScrSubGrCoef._YgridArr[0].row, sg._ScrSubGrCoef._YL.row(8));
    // Relative heights from a splitter drag are kept when not levelled.
    p->_SubGrafList[0]->_SubGrafParam._RelHeight = 2;
    p->ReCalcSubGrafCoef(false);
    EXPECT_NEAR(p->_SubGrafList[0]->_SubGrafParam._RelHeight, 0.75, 1e-6); // 2 of 2 + 1/3 + 1/3
}

TEST(PolyGraf, SubgraphLimitsAreSixteenHereAndNinetySixInAll) {
    auto p = make("0|0|538|2000|0");
    MonitorDefaults d;
    for (int i = 0; i < 20; ++i)
        p->addSubGrafLikeLast(d, p->subGrafCount(), kFs);
    EXPECT_EQ(p->subGrafCount(), 16);
    auto q = make("0|0|538|2000|0");
    EXPECT_FALSE(q->addSubGrafLikeLast(d, 96, kFs));
    EXPECT_TRUE(q->addSubGrafLikeLast(d, 95, kFs));
    EXPECT_FALSE(q->removeLastSubGraf()); // at least one stays
}

TEST(PolyGraf, LowPassTextsAndTheirMessages) {
    auto p = make("0|0|538|239|0");
    MonitorDefaults d;
    TSubGraf& sg = *p->Add1SubGraf(d.tmpl, 0, kFs);
    struct Case {
        const char* text;
        int result;
        const char* message;
        bool warning;
    } cases[] = {{"0.5", -1, "Invalid series low pass frequency: \"0.5\" Hz", true},
                 {"0", 0, "Low pass filter off: ", false},
                 {"12.5", 1, "Low pass frequency: 12.5 Hz", false},
                 {"abc", -1, "Invalid series low pass frequency: \"abc\" Hz", true},
                 {"600", -1, "Invalid series low pass frequency: \"600\" Hz", true}};
    for (const auto& c : cases) {
        CaptureLog log;
        EXPECT_EQ(applyLPText(sg, 0, c.text, kFs, log), c.result) << c.text;
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0].text, c.message);
        EXPECT_EQ(log.lines[0].warning, c.warning);
    }
    // A 12.5 Hz low pass keeps a step and kills a 200 Hz tone.
    ASSERT_EQ(SetLP_FilterCoef(sg, 1, 12.5, kFs), 1);
    float last = 0;
    for (int i = 0; i < 2000; ++i)
        last = sg.run[1].filter(1.0f + float(std::sin(2 * M_PI * 200 * i / kFs)));
    EXPECT_NEAR(last, 1.0, 1e-3);
}

TEST(PolyGraf, GridEditsAreValidatedWhereTheyEnter) {
    auto p = make("0|0|538|239|0");
    MonitorDefaults d;
    TSubGraf& sg = *p->Add1SubGraf(d.tmpl, 0, kFs);
    EXPECT_FALSE(setSeriesSignal(sg, 0, 201));
    EXPECT_FALSE(setSeriesSignal(sg, 0, -1));
    EXPECT_FALSE(setSeriesSignal(sg, 8, 3));
    EXPECT_TRUE(setSeriesSignal(sg, 7, 200));
    EXPECT_EQ(sg.seriesRows, 9);
    stepSeriesSignal(sg, 7, 1);
    EXPECT_EQ(sg._SubGrafParam.SerPar[7].SigNo, 0); // 200 wraps to 0
    stepSeriesSignal(sg, 7, -10);
    EXPECT_EQ(sg._SubGrafParam.SerPar[7].SigNo, 191);
    EXPECT_FALSE(setSeriesColour(sg, 0, 16));
    EXPECT_FALSE(setSeriesFFTLines(sg, 0, 1000));
    EXPECT_TRUE(setSeriesFFTLines(sg, 0, 32768));
    EXPECT_FALSE(setSeriesOverlay(sg, 0, "40000"));
    EXPECT_TRUE(setSeriesOverlay(sg, 0, "1024"));
    EXPECT_FALSE(setSeriesAverCnt(sg, 0, "1e12"));
    // Width and decimals wrap round.
    cycleLineWidth(sg, 0, true);
    EXPECT_EQ(sg._SubGrafParam.SerPar[0].LineWidth, 8);
    cycleValDec(sg, 0, false);
    cycleValDec(sg, 0, false);
    cycleValDec(sg, 0, false);
    cycleValDec(sg, 0, false);
    cycleValDec(sg, 0, false);
    EXPECT_EQ(sg._SubGrafParam.SerPar[0].ValDec, 0);
    // Series rows: at most 8 series, at least 1.
    EXPECT_FALSE(addSeriesRow(sg));
    for (int i = 0; i < 10; ++i)
        removeSeriesRow(sg);
    EXPECT_EQ(sg.seriesRows, 2);
    // Equal axis limits and a limit pair that is not ascending are ignored.
    EXPECT_FALSE(SetYRange(sg, 0, "5", "5"));
    EXPECT_FALSE(SetYLimits(sg, "5", "1"));
}

TEST(PixelImage, ScrollingMovesTheOriginAndDrawingWrapsRoundIt) {
    PixelImage im;
    im.resize(10, 3, 0);
    for (int x = 0; x < 10; ++x)
        im.set(x, 1, std::uint32_t(x));
    im.scrollLeft(4);
    im.scrollLeft(3);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(im.at(x, 1), std::uint32_t(x + 7));
    im.fill(1, 10, 0, 3, 99); // wraps round the ring's end
    EXPECT_EQ(im.at(0, 1), 7u);
    for (int x = 1; x < 10; ++x)
        EXPECT_EQ(im.at(x, 2), 99u) << x;
    im.vline(9, 0, 2, 5);
    EXPECT_EQ(im.at(9, 0), 5u);
    EXPECT_EQ(im.px[std::size_t(9 + 7 - 10)], 5u);
    im.fill(-5, 50, 0, 1, 1); // clipped
    im.vline(10, 0, 2, 1);
}

TEST(Arrange, RegionsDragsDockingAndRescaling) {
    EXPECT_EQ(arrangeRegion(150, 100, 300, 200), 4);
    EXPECT_EQ(arrangeRegion(10, 10, 300, 200), 0);
    EXPECT_EQ(arrangeRegion(290, 10, 300, 200), 1);
    EXPECT_EQ(arrangeRegion(10, 190, 300, 200), 2);
    EXPECT_EQ(arrangeRegion(290, 190, 300, 200), 3);
    const PolyRect r{100, 100, 400, 200};
    EXPECT_EQ(*dragRect(r, 3, 20, 10), (PolyRect{100, 100, 420, 210}));
    EXPECT_EQ(*dragRect(r, 0, 20, 10), (PolyRect{120, 110, 380, 190}));
    EXPECT_FALSE(dragRect(r, 1, -80, 0)); // 320 wide is not above the minimum
    EXPECT_EQ(*dragRect(r, 4, -500, 7), (PolyRect{-400, 107, 400, 200}));
    const PolyRect monitors{0, 0, 1000, 800};
    EXPECT_TRUE(mostlyInside({700, 100, 400, 200}, monitors));
    EXPECT_FALSE(mostlyInside({850, 100, 400, 200}, monitors));
    // Halving the width halves left and width; heights scale below the 85-pixel panel.
    EXPECT_EQ(scaleDocked({200, 85, 400, 300}, 1000, 885, 500, 485, 85),
              (PolyRect{100, 85, 200, 150}));
}

} // namespace
} // namespace mv
