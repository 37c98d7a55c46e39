// The polygraph block of the PARAM sheet: writing, reading back, and bad cells.
#include "monitors/PolyGrafStore.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

constexpr double kFs = 1000;

void build(PolyGrafList& list) {
    PolyGrafDefinition a;
    a.texts[0] = "1|Wheels";
    a.texts[2] = "5|90|500|300|0";
    auto p = list.create(a, kFs);
    PolyGrafDefinition b;
    b.texts[0] = "2|Spectra";
    b.texts[1] = "FFT|0";
    b.texts[2] = "600|90|420|400|1";
    b.texts[4] = "1|PDF|9|1|1";
    auto q = list.create(b, kFs);
    MonitorDefaults& d = list.defaults;
    {
        std::lock_guard lock(p->mutex);
        p->addSubGrafLikeLast(d, 0, kFs);
        p->addSubGrafLikeLast(d, 1, kFs);
        TSubGraf& sg = *p->_SubGrafList[1];
        SetYRange(sg, 0, "-2.5", "7.5");
        SetYRange(sg, 1, "0", "300");
        SetYLimits(sg, "-1", "5");
        sg._SubGrafParam._sName = "Right wheel";
        setSeriesSignal(sg, 2, 17);
        setSeriesColour(sg, 2, 13);
        sg._SubGrafParam.SerPar[2].Axis = 1;
        sg._SubGrafParam.SerPar[2].LineWidth = 3;
        SetLP_FilterCoef(sg, 2, 25, kFs);
        p->_SubGrafList[0]->_SubGrafParam._RelHeight = 0.7f;
        p->_SubGrafList[1]->_SubGrafParam._RelHeight = 0.3f;
    }
    {
        std::lock_guard lock(q->mutex);
        for (int i = 0; i < 3; ++i)
            q->addSubGrafLikeLast(d, 2 + i, kFs);
        TSerPar& s = q->_SubGrafList[2]->_SubGrafParam.SerPar[0];
        s.SpectType = 4;
        s.FFTLines = 4096;
        s.WinType = 3;
        s.AverType = 0;
        s.FreqWeight = 1;
        s.Overlay = 2048;
        s.AverCnt = 12;
    }
}

TEST(PolyGrafStore, SavedBlockReadsBackTheSamePolygraphs) {
    PolyGrafList list;
    build(list);
    const Block b = polyGrafBlock(list);
    // Rows 151..155: column 1 only where a polygraph starts.
    EXPECT_FALSE(b.at(0, 0).isEmpty());
    EXPECT_TRUE(b.at(1, 0).isEmpty());
    EXPECT_FALSE(b.at(2, 0).isEmpty());
    EXPECT_TRUE(b.at(3, 0).isEmpty());
    EXPECT_FALSE(b.at(4, 6).isEmpty());
    EXPECT_TRUE(b.at(5, 6).isEmpty());

    PolyGrafList back;
    CaptureLog log;
    EXPECT_EQ(loadPolyGrafBlock(b, back, kFs, log), 2);
    EXPECT_TRUE(log.lines.empty());
    const auto a = list.snapshot(), c = back.snapshot();
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(c[i]->name, a[i]->name);
        EXPECT_EQ(c[i]->_MonType, a[i]->_MonType);
        EXPECT_EQ(c[i]->rect, a[i]->rect);
        EXPECT_EQ(c[i]->_JeFloating, a[i]->_JeFloating);
        EXPECT_EQ(c[i]->sXmax, a[i]->sXmax);
        EXPECT_EQ(c[i]->_PRN.JePrint, a[i]->_PRN.JePrint);
        ASSERT_EQ(c[i]->subGrafCount(), a[i]->subGrafCount());
        for (int s = 0; s < a[i]->subGrafCount(); ++s) {
            auto x = a[i]->_SubGrafList[std::size_t(s)]->_SubGrafParam;
            auto y = c[i]->_SubGrafList[std::size_t(s)]->_SubGrafParam;
            EXPECT_NEAR(y._RelHeight, x._RelHeight, 1e-6);
            y._RelHeight = x._RelHeight;
            y._TxtHeight = x._TxtHeight;
            EXPECT_EQ(y, x) << "polygraph " << i << " subgraph " << s;
        }
    }
    EXPECT_FLOAT_EQ(c[0]->_SubGrafList[1]->_YMaxR, 300);
    EXPECT_TRUE(c[0]->_SubGrafList[1]->run[2].lpOn);
}

TEST(PolyGrafStore, WorkbookRoundTripReadByOpenpyxl) {
    MV_REQUIRE_TOOL(test::debianPython());
    test::TempDir dir;
    PolyGrafList list;
    build(list);
    {
        SpreadsheetApp app;
        const WorkbookId id = app.newWorkbook("PARAM");
        const SheetHandle h = app.sheet(id, "PARAM");
        app.setValue(h, 151, 1, CellValue::str("stale"));
        app.setValue(h, 246, 26, CellValue::str("stale"));
        savePolyGrafs(app, h, list);
        app.saveAs(id, (dir / "EvaLog.xlsx").string());
    }
    const std::string py =
        "import openpyxl,sys\n"
        "ws=openpyxl.load_workbook(sys.argv[1])['PARAM']\n"
        "print(ws.cell(151,1).value, '#', ws.cell(153,1).value, '#', ws.cell(152,1).value)\n"
        "print(ws.cell(153,20).value, '#', ws.cell(152,8).value, '#', ws.cell(246,26).value)\n";
    test::writeFile(dir / "read.py", py);
    const auto r =
        test::runCommand(std::string(test::debianPython()) + " " + (dir / "read.py").string() +
                         " " + (dir / "EvaLog.xlsx").string());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("1|Wheels # 2|Spectra # None"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PS|PS|PS|PS|PS|PS|PS|PS # -2.5|7.5|2|-1|5 # None"), std::string::npos)
        << r.out;
    // Reading the saved file gives the same block.
    SpreadsheetApp app;
    const WorkbookId id = app.open((dir / "EvaLog.xlsx").string());
    const Block b = readPolyGrafBlock(app, app.sheet(id, "PARAM"));
    PolyGrafList back;
    CaptureLog log;
    EXPECT_EQ(loadPolyGrafBlock(b, back, kFs, log), 2);
    EXPECT_EQ(back.snapshot()[1]->_SubGrafList[2]->_SubGrafParam.SerPar[0].SpectType, 4);
}

Block blockWith(std::initializer_list<std::tuple<int, int, CellValue>> cells) {
    Block b(kPolyBlockRows, kPolyBlockCols);
    for (const auto& [r, c, v] : cells)
        b.at(r, c - 1) = v;
    return b;
}

TEST(PolyGrafStore, CountsAreCutAndBadValuesRefused) {
    using V = CellValue;
    // Three subgraphs from three rows with empty column 1; a count of 9 cut at the next
    // polygraph; names unknown or out of range keep the template.
    const Block b = blockWith({
        {0, 1, V::str("1|A")},
        {0, 6, V::num(3)},
        {0, 20, V::str("PSD dB|Nope|PS")},
        {1, 14, V::str("4|5|6")},
        {2, 15, V::str("99|1e300|3")},
        {2, 17, V::str("0|9|2.5")},
        {3, 1, V::str("2|B")},
        {3, 6, V::str("9")},
        {5, 1, V::str("3|C")},
        {5, 6, V::num(1e300)},
        {5, 21, V::str("1000|65536|64")},
        {5, 10, V::num(-7)},
    });
    PolyGrafList list;
    CaptureLog log;
    EXPECT_EQ(loadPolyGrafBlock(b, list, kFs, log), 3);
    const auto p = list.snapshot();
    ASSERT_EQ(p[0]->subGrafCount(), 3);
    EXPECT_EQ(p[0]->_SubGrafList[0]->_SubGrafParam.SerPar[0].SpectType, 4);
    EXPECT_EQ(p[0]->_SubGrafList[0]->_SubGrafParam.SerPar[1].SpectType, 1);
    EXPECT_EQ(p[0]->_SubGrafList[1]->_SubGrafParam.SerPar[2].SigNo, 6);
    const auto& third = p[0]->_SubGrafList[2]->_SubGrafParam.SerPar;
    EXPECT_EQ(third[0].ColorIdx, 9); // 99 refused: the template's red
    EXPECT_EQ(third[1].ColorIdx, 12);
    EXPECT_EQ(third[2].ColorIdx, 3);
    EXPECT_EQ(third[1].LineWidth, 1); // 9 refused
    EXPECT_EQ(third[2].LineWidth, 1); // 2.5 refused
    EXPECT_EQ(p[1]->subGrafCount(), 2);
    EXPECT_EQ(p[2]->subGrafCount(), 1);
    const auto& c = p[2]->_SubGrafList[0]->_SubGrafParam;
    EXPECT_EQ(c.SerPar[0].FFTLines, 1024);
    EXPECT_EQ(c.SerPar[1].FFTLines, 1024);
    EXPECT_EQ(c.SerPar[2].FFTLines, 64);
    EXPECT_EQ(c._BGColor, 0xFFFFFF);
    EXPECT_TRUE(log.contains("\"B\": 9 subgraphs stored, 2 built"));
    EXPECT_TRUE(log.contains("row 153"));
    EXPECT_GE(log.warnings(), 3);
}

// The name may have 64 characters of its own; saving puts the polygraph's number before
// it, and the cell used to be cut at 64 characters with the number included.
TEST(PolyGrafStore, ALongNameSurvivesItsNumberOnSaving) {
    const std::string name(64, 'n');
    PolyGrafList list;
    CaptureLog log;
    ASSERT_EQ(loadPolyGrafBlock(blockWith({{0, 1, CellValue::str("|" + name)}}), list, kFs, log),
              1);
    ASSERT_EQ(list.snapshot()[0]->name, name);
    PolyGrafList back;
    ASSERT_EQ(loadPolyGrafBlock(polyGrafBlock(list), back, kFs, log), 1);
    EXPECT_EQ(back.snapshot()[0]->name, name);
}

TEST(PolyGrafStore, NinetySixSubgraphsInAll) {
    Block b(kPolyBlockRows, kPolyBlockCols);
    for (int r = 0; r < kPolyBlockRows; r += 16) {
        b.at(r, 0) = CellValue::str("1|P");
        b.at(r, 5) = CellValue::num(16);
    }
    PolyGrafList list;
    CaptureLog log;
    EXPECT_EQ(loadPolyGrafBlock(b, list, kFs, log), 6);
    EXPECT_EQ(list.subGrafTotal(), 96);
    EXPECT_TRUE(log.lines.empty());
}

} // namespace
} // namespace mv
