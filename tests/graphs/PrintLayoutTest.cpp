// The printed page's geometry and the RTF of its header cells.
#include "graphs/PageLayout.h"
#include "graphs/RichText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(PageGeometry, CellsAndMarginsByIntegerDivision) {
    struct Case {
        int W, H;
        int c, hh, x1, x2, w3;
    };
    const Case cases[] = {
        {600, 848, 20, 80, 160, 440, 140},
        {4961, 7016, 165, 661, 1322, 3637, 1159}, // A4 at 600 dpi
        {29, 40, 0, 3, 6, 19, 10},                // a margin of nothing
    };
    for (const auto& k : cases) {
        const PageGeometry g = pageGeometry(k.W, k.H);
        EXPECT_EQ(g.c, k.c) << k.W;
        EXPECT_EQ(g.hh, k.hh) << k.W;
        EXPECT_EQ(g.x1, k.x1) << k.W;
        EXPECT_EQ(g.x2, k.x2) << k.W;
        EXPECT_EQ(g.w3, k.w3) << k.W;
        EXPECT_EQ(g.x2 + g.w3, k.W - k.c) << "the right cell ends at the frame";
    }
}

TEST(PagePlan, DiagonalAndFontSampleFollowTheRotation) {
    const PagePlan up = pagePlan(600, 848, false);
    const PagePlan rot = pagePlan(600, 848, true);
    EXPECT_EQ(up.blue.back(), (PageLine{20, 100, 580, 828}));
    EXPECT_EQ(rot.blue.back(), (PageLine{20, 828, 580, 100}));
    ASSERT_EQ(up.texts.size(), 2u);
    EXPECT_EQ(up.texts[0].angle, 0);
    EXPECT_EQ(rot.texts[1].angle, 90);
    // A = (600 - 20) div 2, B = (848 - 20) div 2; heights 4 % and 8 % of W.
    EXPECT_EQ(up.texts[0].x, 290);
    EXPECT_EQ(up.texts[0].y, 314);
    EXPECT_EQ(up.texts[0].height, 24);
    EXPECT_EQ(up.texts[1].y, 514);
    EXPECT_EQ(up.texts[1].height, 48);
    EXPECT_EQ(up.texts[1].rgb, 0xFF0000u);
    EXPECT_EQ(up.printCells[1], (PageRect{164, 22, 436, 98}));
    EXPECT_EQ(up.printCells[2], (PageRect{444, 22, 576, 98}));
    EXPECT_EQ(up.editCells[0], (PageRect{22, 22, 22 + 137, 22 + 78}));
    EXPECT_EQ(up.black[0], (PageRect{0, 200, 599, 220}));
    EXPECT_EQ(previewHeight(1000, 4961, 7016), 1414);
    EXPECT_EQ(previewHeight(1000, 0, 7016), 0);
}

TEST(ParseRtf, StylesSizesAndCharacters) {
    const RichDocument d = parseRtf(
        "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator Riched20;}"
        "\\pard\\qc\\f0\\fs20 Zkou\\'9aka \\b tu\\u269?n\\'e1\\b0  \\i it\\i0\\ul u\\ulnone\\par\n"
        "\\pard\\fs32 Velk\\'fd \\{x\\}\\\\\\par\n}");
    ASSERT_EQ(d.paragraphs.size(), 2u);
    const auto& p0 = d.paragraphs[0];
    EXPECT_EQ(p0.align, RichAlign::Center);
    const std::vector<RichRun> runs0 = {
        {"Zkouška ", false, false, false, 10}, {"tučná", true, false, false, 10},
        {" ", false, false, false, 10},        {"it", false, true, false, 10},
        {"u", false, false, true, 10},
    };
    EXPECT_EQ(p0.runs, runs0);
    EXPECT_EQ(d.paragraphs[1].align, RichAlign::Left);
    EXPECT_EQ(d.paragraphs[1].runs,
              (std::vector<RichRun>{{"Velký {x}\\", false, false, false, 16}}));
    EXPECT_EQ(d.plainText(), "Zkouška tučná itu\nVelký {x}\\");
}

TEST(ParseRtf, UnicodeSkipsGroupsAndBrokenInput) {
    struct Case {
        const char* rtf;
        const char* text;
    };
    const Case cases[] = {
        {"{\\rtf1\\uc2\\u-3998\\'3f\\'3fx}", "\uF062x"}, // negative: 16-bit signed
        {"{\\rtf1\\uc0\\u8364 x}", "€x"},
        {"{\\rtf1 {\\b a}b}", "ab"},
        {"{\\rtf1 a{\\*\\unknown hidden}b{\\info{\\title t}}c}", "abc"},
        {"{\\rtf1 a\\line b\\tab c}", "a\nb\tc"},
        {"{\\rtf1\\b a", "a"}, // unbalanced
        {"plain text", "plain text"},
        {"{\\rtf1 \\'9", ""}, // cut in a hex escape
        {"{\\rtf1 x\\", "x"},
        {"}}}{", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseRtf(c.rtf).plainText(), c.text) << c.rtf;
    EXPECT_TRUE(parseRtf("{\\rtf1 {\\b a}b}").paragraphs[0].runs[0].bold);
    EXPECT_FALSE(parseRtf("{\\rtf1 {\\b a}b}").paragraphs[0].runs[1].bold);
}

TEST(ParseRtf, TheShippedHeaderFiles) {
    const char* names[] = {"LeftRichEdit.rtf", "MiddleRichEdit.rtf", "RightRichEdit.rtf"};
    for (const char* n : names) {
        const RichDocument d = parseRtf(test::readFile(test::sourceDir() / "src/app/headers" / n));
        EXPECT_GE(d.paragraphs.size(), 2u) << n;
        EXPECT_EQ(d.plainText().find("Arial"), std::string::npos) << n;
    }
    EXPECT_EQ(parseRtf(test::readFile(test::sourceDir() / "src/app/headers/MiddleRichEdit.rtf"))
                  .paragraphs[0],
              (RichParagraph{RichAlign::Center,
                             {{"Měření jízdních vlastností", true, false, false, 14}}}));
}

TEST(ChunkLines, AnOverlongHeaderIsDrawnAgainFromWhereItStopped) {
    EXPECT_EQ(chunkLines({10, 10, 10, 10, 10}, 25),
              (std::vector<LineChunk>{{0, 2}, {2, 2}, {4, 1}}));
    EXPECT_EQ(chunkLines({10, 10}, 25), (std::vector<LineChunk>{{0, 2}}));
    // A line taller than the cell: nothing advances, drawing stops.
    EXPECT_EQ(chunkLines({10, 40, 10}, 25), (std::vector<LineChunk>{{0, 1}}));
    EXPECT_TRUE(chunkLines({10}, 0).empty());
    EXPECT_TRUE(chunkLines({}, 10).empty());
}

} // namespace
} // namespace mv
