// Copying plotted windows into the output sheet, and the reading rows of PasteToExcel.
#include "evaluation/CopyToSheet.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

void put(SignalStore& st, int slot, const std::string& name, double fs, int n, bool plot = true,
         float scale = 1.0F) {
    SignalRecord r;
    r.f_sampl = fs;
    r.SigName = name;
    r.Plot = plot;
    r.SigDir = "/data/" + name + "/";
    auto b = SampleBuffer::allocate(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        b[static_cast<size_t>(i)] = scale * static_cast<float>(i) + 0.25F;
    r.setData(std::move(b));
    st.installSignal(slot, std::move(r));
}

struct Clipboard final : TextSink {
    void setText(const std::string& t) override { texts.push_back(t); }
    std::vector<std::string> texts;
};

TEST(CopyIndices, LineCountsOfTheThinning) {
    struct Case {
        double T1, T2, fs;
        std::int64_t n;
        int M;
        size_t lines;
        std::int64_t first, last;
    };
    const Case cases[] = {
        {0, 0.05, 100, 10, 1000, 5, 1, 5},          // From 1, To 6: the sample at To is not copied
        {0, 24.99, 100, 5000, 1000, 1250, 1, 2499}, // 2500 samples, step 2
        {0, 19.98, 100, 5000, 1000, 1998, 1, 1998}, // 1999 samples, step 1
        {0.5, 0.5, 100, 100, 1000, 1, 51, 51},      // To = From: that one sample
        {-1, 0.02, 100, 100, 1000, 2, 1, 2},        // clamped to the first sample
        {0, 5, 100, 10, 1000, 9, 1, 9},             // clamped to the last sample
        {2, 3, 100, 10, 1000, 0, 0, 0},             // no sample in the window
    };
    for (const Case& c : cases) {
        const auto idx = copyIndices(c.T1, c.T2, c.fs, c.n, c.M);
        ASSERT_EQ(idx.size(), c.lines) << c.T1 << ".." << c.T2;
        if (!idx.empty()) {
            EXPECT_EQ(idx.front(), c.first);
            EXPECT_EQ(idx.back(), c.last);
        }
    }
}

TEST(CopySignals, ColumnsOfTwoRatesLandAsNumbersWithACommaSeparator) {
    SignalStore st;
    put(st, 2, "Fast", 100, 300);
    put(st, 3, "Hidden", 100, 300, false);
    put(st, 5, "Slow", 50, 150, true, -0.5F);
    put(st, 6, "Late", 100, 20); // no sample in 1 .. 2 s
    st[2].DecPlaces = 2;
    SpreadsheetApp app;
    const SheetHandle h = app.sheetAt(app.newWorkbook("Out"), 0);
    CaptureLog log;
    Clipboard clip;
    ASSERT_TRUE(copySignalsToSheet(app, h, st, {1.0, 2.0, 1000, ','}, log, &clip));

    EXPECT_EQ(app.value2(h, 1, 1).text, "/data/Fast/");
    EXPECT_EQ(app.value2(h, 2, 1).text, "Time");
    EXPECT_EQ(app.value2(h, 2, 2).text, "Fast");
    EXPECT_EQ(app.value2(h, 2, 3).text, "Slow");
    EXPECT_EQ(app.value2(h, 2, 4).text, "Late");
    // Column A and B hold 100 lines, C 50; from row 4 on C's rows are 0.02 s apart.
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(app.value2(h, 3, c).type, CellType::Number) << c;
    EXPECT_EQ(app.value2(h, 3, 1).number, 1.0);
    EXPECT_EQ(app.value2(h, 4, 1).number, 1.01);
    EXPECT_EQ(app.value2(h, 102, 1).number, 1.99);
    EXPECT_EQ(app.value2(h, 103, 1).type, CellType::Empty);
    EXPECT_EQ(app.value2(h, 3, 2).number, 100.25);
    EXPECT_EQ(app.value2(h, 102, 2).number, 199.25);
    EXPECT_EQ(app.value2(h, 4, 3).number, -0.5 * 51 + 0.25);
    EXPECT_EQ(app.value2(h, 52, 3).number, -0.5 * 99 + 0.25);
    EXPECT_EQ(app.value2(h, 53, 3).type, CellType::Empty);
    EXPECT_EQ(app.value2(h, 3, 4).type, CellType::Empty);
    // The clipboard carried the same blocks, in the user's separator.
    ASSERT_EQ(clip.texts.size(), 4U);
    EXPECT_EQ(clip.texts[0].substr(0, 18), "1,000000\n1,010000\n");
    EXPECT_EQ(clip.texts[1].substr(0, 14), "100,25\n101,25\n");
    EXPECT_TRUE(clip.texts[3].empty());
    EXPECT_TRUE(log.contains("Copy signals to Excel Slow"));
}

TEST(CopySignals, AnErrorStopsWithItsLine) {
    SignalStore st;
    put(st, 1, "A", 100, 10);
    SpreadsheetApp app;
    const WorkbookId wb = app.newWorkbook("Out");
    const SheetHandle h = app.sheetAt(wb, 0);
    app.close(wb);
    CaptureLog log;
    EXPECT_FALSE(copySignalsToSheet(app, h, st, {0, 1, 1000, '.'}, log));
    EXPECT_TRUE(log.contains("Copy to Excel Error !"));
}

class Readings : public ::testing::Test {
protected:
    void SetUp() override {
        put(st, 1, "A", 100, 50); // 0 .. 0.49 s
        put(st, 2, "Off", 100, 500, false);
        put(st, 3, "B", 100, 500);
        img._T1 = 0.0;
        img._T2 = 2.0;
        img._Sirka = 201; // 0.01 s a column
        for (const int k : {1, 3}) {
            TImageSigRec& r = img.ImageRec[static_cast<size_t>(k - 1)];
            r.Pts.resize(202);
            r.Pts[150].Val = 1.5F * static_cast<float>(k);
            r.Pts[150].SmpNo = 151;
            r.SmpCount = 200;
            r.SMin = -static_cast<float>(k);
            r.SMax = static_cast<float>(k);
            r.SMean = 0.5F;
            r.SRMS = 0.25 * k;
        }
        h = app.sheetAt(app.newWorkbook("Out"), 0);
    }
    SignalStore st;
    SigImageState img;
    SpreadsheetApp app;
    SheetHandle h;
    CaptureLog log;
};

TEST_F(Readings, HeaderAndReadingUnderIt) {
    StatMarks marks{};
    marks[3] = marks[6] = true; // Min, RMS
    EXPECT_EQ(PasteToExcel(app, h, 4, st, marks, img, -1, log), 5);
    const char* head[] = {"T1", "T2", "T", "A Min", "A RMS", "B Min", "B RMS", "Path"};
    for (int c = 1; c <= 8; ++c) {
        EXPECT_EQ(app.value2(h, 4, c).text, head[c - 1]) << c;
        EXPECT_TRUE(app.bold(h, 4, c)) << c;
    }
    EXPECT_TRUE(log.contains("Header pasted to Excel"));

    // 1.5 s lies after A's last sample: its two cells stay empty.
    EXPECT_EQ(PasteToExcel(app, h, 5, st, marks, img, 150, log), 6);
    EXPECT_EQ(app.value2(h, 5, 1).number, 0.0);
    EXPECT_EQ(app.value2(h, 5, 2).number, 2.0);
    EXPECT_DOUBLE_EQ(app.value2(h, 5, 3).number, 1.5);
    EXPECT_EQ(app.value2(h, 5, 4).type, CellType::Empty);
    EXPECT_EQ(app.value2(h, 5, 5).type, CellType::Empty);
    EXPECT_EQ(app.value2(h, 5, 6).number, -3.0);
    EXPECT_EQ(app.value2(h, 5, 7).number, 0.75);
    EXPECT_EQ(app.value2(h, 5, 8).text, "/data/A/");
    EXPECT_FALSE(app.bold(h, 5, 6));
    EXPECT_TRUE(log.contains("Paste to Excel.Time=1.500000"));

    // All seven marked, at a time inside A.
    marks.fill(true);
    img._T2 = 0.4;
    EXPECT_EQ(PasteToExcel(app, h, 6, st, marks, img, 150, log), 7);
    EXPECT_FLOAT_EQ(static_cast<float>(app.value2(h, 6, 4).number), 1.5F);
    EXPECT_EQ(app.value2(h, 6, 5).number, 151);
    EXPECT_EQ(app.value2(h, 6, 6).number, 200);
    EXPECT_EQ(app.value2(h, 6, 10).number, 0.25);
    EXPECT_EQ(app.value2(h, 6, 18).text, "/data/A/");
}

TEST_F(Readings, NoMarksRowLimitAndErrors) {
    const StatMarks none{};
    EXPECT_EQ(PasteToExcel(app, h, 9, st, none, img, -1, log), 10);
    EXPECT_EQ(app.value2(h, 9, 4).text, "Path");
    EXPECT_EQ(PasteToExcel(app, h, 10, st, none, img, 20, log), 11);
    EXPECT_DOUBLE_EQ(app.value2(h, 10, 3).number, 0.2);
    EXPECT_EQ(app.value2(h, 10, 4).text, "/data/A/");
    // The last row is written and stays the next one.
    EXPECT_EQ(PasteToExcel(app, h, kRowInXlsMax, st, none, img, -1, log), kRowInXlsMax);
    EXPECT_EQ(app.value2(h, kRowInXlsMax, 1).text, "T1");
    // A failing sheet still moves the row on.
    app.close(h.workbook);
    EXPECT_EQ(PasteToExcel(app, h, 12, st, none, img, 20, log), 13);
    EXPECT_TRUE(log.contains("Paste to Excel Error !"));
}

} // namespace
} // namespace mv
