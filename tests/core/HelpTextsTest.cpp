// The help table: both languages everywhere, the texts users know word for word, and the
// lookup that picks the most specific entry for a grid cell.
#include "core/HelpTexts.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace mv;

TEST(HelpTexts, EveryEntryHasBothLanguagesAndIsFoundAgain) {
    std::set<std::tuple<std::string, int, int>> seen;
    for (const HelpEntry& e : helpEntries()) {
        const std::string where =
            std::string(e.target) + " " + std::to_string(e.row) + "/" + std::to_string(e.column);
        EXPECT_FALSE(e.text.en.empty()) << where;
        EXPECT_FALSE(e.text.cz.empty()) << where;
        // Headings are built from the column captions for the Signal table only.
        if (e.target != kSignalTableTarget) {
            EXPECT_FALSE(e.heading.en.empty()) << where;
            EXPECT_FALSE(e.heading.cz.empty()) << where;
        }
        EXPECT_NE(e.text.en, e.text.cz) << where;
        // One entry per place, and the lookup of that place gives it back.
        EXPECT_TRUE(seen.emplace(std::string(e.target), e.row, e.column).second) << where;
        EXPECT_EQ(findHelp(e.target, e.row, e.column), &e) << where;
    }
}

TEST(HelpTexts, SignalTableTextsAsUsersKnowThem) {
    struct Case {
        int row, column;
        HelpLang lang;
        const char* text; // the whole text, or its first line when it has more
    };
    const Case cases[] = {
        {1, 3, HelpLang::English, "Displays the signal sampling frequency."},
        {1, 3, HelpLang::Czech, "Zobrazuje vzorkovací frekvenci signálu."},
        {1, 1, HelpLang::English,
         "Press [Enter] or [Space bar] to switch On/Off signal visibility"},
        {1, 4, HelpLang::English,
         "Test ID. The sequence number of the test record. Corresponds to the entry in the "
         "\"Test ID\" "},
        {1, 16, HelpLang::English,
         "Applying functions to a signal. The [Enter] or [Space] key expands the list of "
         "available functions,"},
        {1, 21, HelpLang::English,
         "[Enter] or [Space] key - Turns on/off the signal export preset."},
        {1, 23, HelpLang::English, "Info field. (sensor position,...)"},
        {0, 1, HelpLang::English,
         "[LMouse]  on the header - toggles the visibility of all signals."},
        {0, 10, HelpLang::English,
         "[LMouse] on header - toggles the header's green background color."},
        {0, 19, HelpLang::English, "[Mouse] on header - toggles \"Pro Fn\" state"},
    };
    for (const Case& c : cases) {
        const HelpEntry* e = findHelp(kSignalTableTarget, c.row, c.column);
        ASSERT_NE(e, nullptr) << c.row << "/" << c.column;
        const std::string_view t = e->text.in(c.lang);
        EXPECT_EQ(t.substr(0, t.find('\n')), c.text);
    }
    // Header cells without a job of their own explain nothing; every data column does.
    EXPECT_EQ(findHelp(kSignalTableTarget, 0, 3), nullptr);
    EXPECT_EQ(findHelp(kSignalTableTarget, 0, 23), nullptr);
    for (int col = 1; col <= 23; ++col)
        EXPECT_NE(findHelp(kSignalTableTarget, 1, col), nullptr) << col;
    EXPECT_EQ(findHelp(kSignalTableTarget, 1, 0), nullptr);
    EXPECT_EQ(signalTableHeading("fs [Hz]"), "Signal table - fs [Hz]");
}

TEST(HelpTexts, TheMostSpecificEntryOfACellWins) {
    struct Case {
        const char* target;
        int row, column;
        const char* heading; // "" = no help
    };
    const Case cases[] = {
        // A row of its own beats a column: the file names of the alignment grid.
        {"Align_km_FileNameStringGrid", 0, 2, "Meas.curve"},
        {"Align_km_FileNameStringGrid", 1, 1, "Meas.track_km"},
        {"Align_km_FileNameStringGrid", 3, 2, "uf sensor label"},
        {"Align_km_FileNameStringGrid", 4, 1, "uf sensor distance"},
        // Per column, on any row.
        {"From_To_Sample_StringGrid", 1, 1, "To sample"},
        {"WheelGrid", 7, 5, "Proc"},
        // Outside every cell: the control's own entry.
        {"WheelGrid", kAnyCell, kAnyCell, "Wheel table"},
        {"Curve2xlsStringGrid", 2, 0, "Meas.track_km [km]"},
        {kPageControlTarget.data(), kAnyCell, 2, "raw to QYTL"},
        {"FillSignalButton", kAnyCell, kAnyCell, "Fill signal"},
        {"NoSuchControl", kAnyCell, kAnyCell, ""},
        {kPageControlTarget.data(), kAnyCell, 6, ""},
    };
    for (const Case& c : cases) {
        const HelpEntry* e = findHelp(c.target, c.row, c.column);
        EXPECT_EQ(e ? e->heading.en : std::string_view(), c.heading)
            << c.target << " " << c.row << "/" << c.column;
    }
}
