#include "core/SignalTable.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

void occupy(SignalStore& s, int slot, int n = 10, double fs = 10.0) {
    s[slot].setData(SampleBuffer::zeros(static_cast<std::size_t>(n)));
    s[slot].f_sampl = fs;
}

TEST(SignalTable, NameValidation) {
    struct Case {
        std::string name;
        bool ok;
    };
    const Case cases[] = {
        {"", true},
        {"Speed_1", true},
        {"Speed 1", false},
        {std::string(63, 'a'), true},
        {std::string(64, 'a'), false},
        {"a\\b", false},
        {"a/b", false},
        {"a:b", false},
        {"a*b", false},
        {"a?b", false},
        {"a\"b", false},
        {"a<b", false},
        {"a>b", false},
        {"a|b", false},
        {"Rychlost_\xc5\xa1", false}, // non-ASCII
    };
    for (const auto& c : cases) {
        SignalRecord rec;
        rec.SigName = "old";
        const auto r = commitTextEdit(rec, scName, c.name, '.');
        EXPECT_EQ(r == EditOutcome::Accepted, c.ok) << c.name;
        EXPECT_EQ(rec.SigName.str(), c.ok ? c.name : std::string("old")) << c.name;
    }
}

TEST(SignalTable, TextColumnsCutAndOffsetUsesUserSeparator) {
    SignalRecord rec;
    EXPECT_EQ(commitTextEdit(rec, scUnits, std::string(40, 'u'), '.'), EditOutcome::Accepted);
    EXPECT_EQ(rec.Units.str().size(), 31u);
    EXPECT_EQ(commitTextEdit(rec, scNote, std::string(300, 'n'), '.'), EditOutcome::Accepted);
    EXPECT_EQ(rec.Sig_note.str().size(), 254u);

    EXPECT_EQ(commitTextEdit(rec, scOffs, "1,5", ','), EditOutcome::Accepted);
    EXPECT_DOUBLE_EQ(rec.TimeOffset, 1.5);
    EXPECT_EQ(commitTextEdit(rec, scOffs, "2.5", ','), EditOutcome::Rejected);
    EXPECT_EQ(commitTextEdit(rec, scOffs, "abc", '.'), EditOutcome::Rejected);
    EXPECT_EQ(commitTextEdit(rec, scOffs, "", '.'), EditOutcome::NoChange);
    EXPECT_DOUBLE_EQ(rec.TimeOffset, 1.5);
    EXPECT_EQ(commitTextEdit(rec, scFs, "5", '.'), EditOutcome::NotEditable);
}

TEST(SignalTable, SampleValueEditStaysInsideBuffer) {
    SignalStore s;
    occupy(s, 1, 5);
    auto& rec = s[1];
    EXPECT_EQ(commitSampleValue(rec, "3", "2.25"), EditOutcome::Accepted);
    EXPECT_FLOAT_EQ(rec.Data[2], 2.25f);
    EXPECT_EQ(commitSampleValue(rec, "5", "-1"), EditOutcome::Accepted);
    EXPECT_FLOAT_EQ(rec.Data[4], -1.0f);
    for (const char* bad : {"0", "6", "-1", "", "x", "99999999999999999999"})
        EXPECT_EQ(commitSampleValue(rec, bad, "1"), EditOutcome::Rejected) << bad;
    EXPECT_EQ(commitSampleValue(rec, "2", "1,5"), EditOutcome::Rejected);
    EXPECT_FALSE(holdsSampleNumber(s[2], "1")); // empty slot
}

TEST(SignalTable, DecPlacesWrap) {
    EXPECT_EQ(stepDecPlaces(6, false), 0);
    EXPECT_EQ(stepDecPlaces(0, true), 6);
    EXPECT_EQ(stepDecPlaces(4, false), 5);
    EXPECT_EQ(stepDecPlaces(4, true), 3);
}

TEST(SignalTable, HeaderTogglesTouchOnlyOccupiedSlots) {
    SignalStore s;
    toggleAllPlot(s); // nothing occupied: nothing switches on
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_FALSE(s[n].Plot);

    occupy(s, 2);
    occupy(s, 5);
    s[5].Plot = true;
    toggleAllPlot(s);
    EXPECT_FALSE(s[2].Plot);
    EXPECT_FALSE(s[5].Plot);
    toggleAllPlot(s);
    EXPECT_TRUE(s[2].Plot);
    EXPECT_TRUE(s[5].Plot);
    EXPECT_FALSE(s[3].Plot);

    s[2].SaveDiv = 2;
    toggleAllSaveDiv(s);
    EXPECT_EQ(s[2].SaveDiv, 0);
    EXPECT_EQ(s[5].SaveDiv, 0);
    toggleAllSaveDiv(s);
    EXPECT_EQ(s[2].SaveDiv, 1);
    EXPECT_EQ(s[5].SaveDiv, 1);
    EXPECT_EQ(s[3].SaveDiv, 0);

    toggleAllOvr(s);
    EXPECT_TRUE(s[2].Ovr && s[5].Ovr && !s[3].Ovr);
    toggleAllOvr(s);
    EXPECT_FALSE(s[2].Ovr || s[5].Ovr);
}

TEST(SignalTable, ProcFnHeaderLeavesSlotsWithoutFunctions) {
    SignalStore s;
    occupy(s, 1);
    occupy(s, 2);
    occupy(s, 3);
    s[2].ProcFn = true; // no function: does not count and is not touched
    const auto hasFn = [](int slot) { return slot != 2; };
    toggleAllProcFn(s, hasFn);
    EXPECT_TRUE(s[1].ProcFn);
    EXPECT_TRUE(s[2].ProcFn);
    EXPECT_TRUE(s[3].ProcFn);
    toggleAllProcFn(s, hasFn);
    EXPECT_FALSE(s[1].ProcFn);
    EXPECT_TRUE(s[2].ProcFn);
    EXPECT_FALSE(s[3].ProcFn);
}

TEST(SignalTable, SaveDivPresetKeys) {
    SignalRecord rec;
    rec.f_sampl = 1000;
    int preset = 3;
    EXPECT_FALSE(stepSaveDivPreset(rec, preset, true)); // SaveDiv 0: keys do not act
    EXPECT_EQ(preset, 3);
    toggleSaveDiv(rec, preset);
    EXPECT_EQ(rec.SaveDiv, 3);
    EXPECT_EQ(exportRateText(rec), "333.33");
    EXPECT_TRUE(stepSaveDivPreset(rec, preset, true));
    EXPECT_EQ(preset, 4);
    EXPECT_EQ(rec.SaveDiv, 4);
    for (int i = 0; i < 6; ++i)
        stepSaveDivPreset(rec, preset, false);
    EXPECT_EQ(preset, 1);
    EXPECT_EQ(rec.SaveDiv, 1);
    toggleSaveDiv(rec, preset);
    EXPECT_EQ(rec.SaveDiv, 0);
    EXPECT_EQ(exportRateText(rec), "");
}

TEST(SignalTable, RowTexts) {
    EXPECT_EQ(rowCaption(1), "  1");
    EXPECT_EQ(rowCaption(9), "  9");
    EXPECT_EQ(rowCaption(10), "10");
    EXPECT_EQ(rowCaption(200), "200");

    SignalStore s;
    occupy(s, 1, 100, 4000.0);
    auto& rec = s[1];
    rec.SigName = "Q1";
    rec.SigDir = "/data/t1/";
    rec.FileExt = ".mvn";
    rec.Units = "kN";
    rec.ID = 7;
    rec.Plot = true;
    rec.DecPlaces = 2;
    rec.TimeOffset = 0.5;
    const WindowStats st{100, -1.5f, 2.25f, 0.125f, 1.0};

    auto t = signalRowTexts(rec, false, st, ',');
    EXPECT_EQ(*t[scName], "Q1");
    EXPECT_EQ(*t[scFs], "4000.0");
    EXPECT_EQ(*t[scId], "7");
    EXPECT_EQ(*t[scUnits], "kN");
    EXPECT_EQ(*t[scOffs], "0,5");
    // Statistics: the user's separator, the row's decimals, precision 10, width 10.
    EXPECT_EQ(*t[scSamples], "       100");
    EXPECT_EQ(*t[scMin], "     -1,50");
    EXPECT_EQ(*t[scMax], "      2,25");
    EXPECT_EQ(*t[scMean], "      0,12"); // 0.125 to even
    EXPECT_EQ(*t[scRms], "      1,00");
    EXPECT_FALSE(t[scYValue].has_value()); // the cursor readout stays
    EXPECT_EQ(*t[scPlot], "");
    EXPECT_EQ(*signalRowTexts(rec, true, st, '.')[scName], "/data/t1/Q1.mvn");

    rec.DecPlaces = 3;
    t = signalRowTexts(rec, false, WindowStats{3, -1.0f, 1.0f, 0.33333334f, 1.0}, ',');
    EXPECT_EQ(*t[scSamples], "         3");
    EXPECT_EQ(*t[scMin], "    -1,000");
    EXPECT_EQ(*t[scMean], "     0,333");
    EXPECT_EQ(*t[scRms], "     1,000");
    rec.DecPlaces = 6; // ten significant digits, then zeros; beyond them the exponent form
    t = signalRowTexts(rec, false, WindowStats{3, -1.0f, 1.0e12f, 0.0f, 1234567.891234}, '.');
    EXPECT_EQ(*t[scRms], "1234567.891000");
    EXPECT_EQ(*t[scMax], "9.999999959E+11");
    EXPECT_EQ(*t[scMean], "  0.000000");

    rec.Plot = false; // not plotted: readouts and statistics are cleared
    t = signalRowTexts(rec, false, st, '.');
    for (int c = scYValue; c <= scRms; ++c)
        EXPECT_EQ(*t[c], "") << c;
    rec.Plot = true;
    t = signalRowTexts(rec, false, WindowStats{}, '.'); // no samples in the window
    EXPECT_EQ(*t[scSamples], "");
}

TEST(SignalTable, CopyRangesAndTexts) {
    EXPECT_EQ(copyRangeOf({2, 1, 14, 3}), CopyRange::Texts);
    EXPECT_EQ(copyRangeOf({15, 1, 18, 1}), CopyRange::Functions);
    EXPECT_EQ(copyRangeOf({1, 1, 3, 1}), CopyRange::None);
    EXPECT_EQ(copyRangeOf({0, 1, 0, 1}), CopyRange::None);
    EXPECT_EQ(copyRangeOf({14, 1, 15, 1}), CopyRange::None);
    EXPECT_EQ(copyRangeOf({2, 0, 3, 2}), CopyRange::None); // header row

    EXPECT_EQ(joinCopyText({{"a", "b"}, {"c", ""}}), "a\tb\r\nc\t\r\n");
    const auto rows = splitPasteText("a\tb\r\nc\r\n\r\nd\r\n");
    ASSERT_EQ(rows.size(), 2u); // the empty line ends the paste
    EXPECT_EQ(rows[0], (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"c"}));
    EXPECT_EQ(splitPasteText("x\ty").size(), 1u); // last line without CR LF
    EXPECT_TRUE(splitPasteText("").empty());
}

TEST(SignalTable, FileListKeepsOnlyExactNativeExtension) {
    const auto files =
        nativeFilesOnly({"/d/a.mvn", "/d/b.MVN", "/d/c.mat", "/d.mvn/noext", "/d/e.mvn0"});
    EXPECT_EQ(files, (std::vector<std::string>{"/d/a.mvn"}));
}

TEST(SignalTable, FillStaysInsideBuffer) {
    SignalStore s;
    occupy(s, 3, 10, 10.0); // samples at 0.0 .. 0.9 s
    EXPECT_TRUE(fillSignal(s, 3, 2.0, 3.0, 9.0f).empty());
    EXPECT_FALSE(s[3].Unsaved); // nothing written, nothing to lose
    auto r = fillSignal(s, 3, 0.2, 0.4, 5.0f);
    EXPECT_TRUE(s[3].Unsaved);
    EXPECT_EQ(r.first, 3);
    EXPECT_EQ(r.last, 5);
    EXPECT_EQ(s[3].Data[1], 0.0f);
    EXPECT_EQ(s[3].Data[2], 5.0f);
    EXPECT_EQ(s[3].Data[4], 5.0f);
    EXPECT_EQ(s[3].Data[5], 0.0f);

    r = fillSignal(s, 3, -5.0, 100.0, 1.0f); // window wider than the signal
    EXPECT_EQ(r.first, 1);
    EXPECT_EQ(r.last, 10);
    EXPECT_EQ(s[3].Data[9], 1.0f);

    EXPECT_TRUE(fillSignal(s, 3, 2.0, 3.0, 9.0f).empty()); // after the last sample
    EXPECT_TRUE(fillSignal(s, 201, 0, 1, 9.0f).empty());
    EXPECT_TRUE(fillSignal(s, 0, 0, 1, 9.0f).empty());
    EXPECT_TRUE(fillSignal(s, 4, 0, 1, 9.0f).empty()); // empty slot
}

TEST(SignalTable, PickColours) {
    EXPECT_EQ(kPickColours.size(), 16u);
    EXPECT_EQ(pickColourIndex(0x000080), 1);
    EXPECT_EQ(pickColourIndex(0xFFFFFF), 15);
    EXPECT_EQ(pickColourIndex(0xA4A4A4), -1);
    EXPECT_EQ(kSignalGridColumns[2].caption, std::string("Sigal Name"));
    EXPECT_EQ(kSignalGridColumns[21].width, 55);
}

} // namespace
} // namespace mv
