#include "core/Settings.h"

#include "core/IniSettings.h"
#include "core/SignalStore.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(Settings, ParsingRules) {
    EXPECT_EQ(parseIntOr(std::nullopt, 7), 7);
    EXPECT_EQ(parseIntOr(" 12 ", 7), 12);
    EXPECT_EQ(parseIntOr("-3", 7), -3);
    EXPECT_EQ(parseIntOr("12x", 7), 7);
    EXPECT_EQ(parseIntOr("", 7), 7);
    EXPECT_EQ(parseIntOr("99999999999", 7), 7);
    EXPECT_EQ(parseFloatStrict("4000,5", "4000"), 4000.0);
    EXPECT_EQ(parseFloatStrict("4000.5", "4000"), 4000.5);
    EXPECT_EQ(parseFloatStrict("1e3", "4000"), 1000.0);
    EXPECT_EQ(parseFloatStrict(" 5", "4000"), 4000.0);
    EXPECT_EQ(parseFloatStrict("nan", "4000"), 4000.0);
    EXPECT_EQ(parseFloatStrict(std::nullopt, "1.0"), 1.0);
    EXPECT_EQ(formatFloatFull(4000.0), "4000");
    EXPECT_EQ(formatFloatFull(0.1), "0.1");
    EXPECT_EQ(formatFixed(2.5, 4), "2.5000");
    EXPECT_EQ(formatFixed(-0.00005, 4), "-0.0001");
}

TEST(Settings, EmptyStoreGivesTheFirstStartDefaults) {
    MemorySettings s;
    MainSettings m;
    readMainAtCreate(s, m);
    readMainAtActivation(s, m);
    EXPECT_EQ(m.dfltSampl_f, 4000.0);
    EXPECT_EQ(m.SaveDivPreset, 1);
    EXPECT_TRUE(m.CreateSignalBackUp);
    EXPECT_FALSE(m.czechHelp());
    EXPECT_FALSE(m.Image1_YMin.has_value());
    const auto w = readWindowPos(s);
    EXPECT_EQ(w.main, (WindowBounds{1, 1, 1920, 1080}));
    EXPECT_EQ(w.SignalGridHeight, 200);
    EXPECT_EQ(w.Image1Height, 200);
    EXPECT_EQ(w.scrMon, (WindowBounds{10, 10, 1600, 1200}));
}

TEST(Settings, ValuesThatAreReadSpecially) {
    MemorySettings s;
    s.values["HelpLanguage"] = "cz";
    s.values["dfltSampl_f"] = "4000,5";
    s.values["WindowPos/SignalGridHeight"] = "10";
    s.values["CreateSignalBackUp"] = "-1";
    MainSettings m;
    readMainAtCreate(s, m);
    EXPECT_FALSE(m.czechHelp());
    EXPECT_EQ(m.dfltSampl_f, 4000.0);
    EXPECT_TRUE(m.CreateSignalBackUp);
    EXPECT_EQ(readWindowPos(s).SignalGridHeight, 50);
    s.values["HelpLanguage"] = "CZ";
    readMainAtCreate(s, m);
    EXPECT_TRUE(m.czechHelp());
}

TEST(Settings, ValuesOutsideTheirRangeTakeTheDefault) {
    struct Case {
        const char* key;
        const char* text;
    };
    // Each out-of-range text once, then the edges of the range, which are kept.
    for (const Case c :
         {Case{"dfltSampl_f", "0"}, Case{"dfltSampl_f", "-4000"}, Case{"dfltSampl_f", "99.99"},
          Case{"dfltSampl_f", "1000000.5"}, Case{"dfltSampl_f", "inf"}, Case{"LoadFileFormat", "9"},
          Case{"LoadFileFormat", "-1"}, Case{"SaveFileFormat", "4"}, Case{"SaveFileFormat", "-2"},
          Case{"ActivePageIndex", "6"}, Case{"SaveDivPreset", "0"}, Case{"FillSigNo", "201"}}) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        MemorySettings s;
        s.values[c.key] = c.text;
        MainSettings m;
        m.dfltSampl_f = m.LoadFileFormat = m.SaveFileFormat = 77; // what was there before
        m.ActivePageIndex = m.SaveDivPreset = m.FillSigNo = 77;
        readMainAtCreate(s, m);
        EXPECT_EQ(m.dfltSampl_f, 4000.0);
        EXPECT_EQ(m.LoadFileFormat, 0);
        EXPECT_EQ(m.SaveFileFormat, 0);
        EXPECT_EQ(m.ActivePageIndex, 0);
        EXPECT_EQ(m.SaveDivPreset, 1);
        EXPECT_EQ(m.FillSigNo, 0);
    }
    MemorySettings s;
    s.values = {{"dfltSampl_f", "100"},
                {"LoadFileFormat", "8"},
                {"SaveFileFormat", "3"},
                {"ActivePageIndex", "5"},
                {"FillSigNo", "200"}};
    MainSettings m;
    readMainAtCreate(s, m);
    EXPECT_EQ(m.dfltSampl_f, 100.0);
    EXPECT_EQ(m.LoadFileFormat, 8);
    EXPECT_EQ(m.SaveFileFormat, 3);
    EXPECT_EQ(m.ActivePageIndex, 5);
    EXPECT_EQ(m.FillSigNo, 200);
    s.values["dfltSampl_f"] = "1000000";
    readMainAtCreate(s, m);
    EXPECT_EQ(m.dfltSampl_f, 1000000.0);
}

TEST(Settings, FProcessTextInTheUsersNotation) {
    EXPECT_EQ(parseFProcess("2,5e3", ','), 2500.0);
    EXPECT_EQ(parseFProcess(" 4000 ", '.'), 4000.0);
    EXPECT_EQ(parseFProcess("2.5e3", ','), std::nullopt); // not the user's separator
    EXPECT_EQ(parseFProcess("2,5e3", '.'), std::nullopt);
    EXPECT_EQ(parseFProcess("99,9", ','), std::nullopt); // below the range
    EXPECT_EQ(parseFProcess("1e7", '.'), std::nullopt);
}

TEST(Settings, MainValuesAndSlotsRoundTrip) {
    MemorySettings s;
    MainSettings m;
    m.dfltSampl_f = 1234.5678901234567;
    m.FillSigValue = 1.23456;
    m.SaveFileFormat = 3;
    m.CreateSignalBackUp = false;
    m.Image2_YMax = -0.25;
    m.HelpLanguage = "CZ";
    writeMain(s, m);
    EXPECT_EQ(s.values["FillSigValue"], "1.2346");
    EXPECT_EQ(s.values["CreateSignalBackUp"], "0");
    MainSettings back;
    readMainAtCreate(s, back);
    readMainAtActivation(s, back);
    EXPECT_EQ(back.dfltSampl_f, m.dfltSampl_f);
    EXPECT_EQ(back.SaveFileFormat, 3);
    EXPECT_FALSE(back.CreateSignalBackUp);
    EXPECT_EQ(back.Image2_YMax, -0.25);
    EXPECT_TRUE(back.czechHelp());

    SignalStore store;
    store[3].SigColor = 0xABCDEF;
    store[200].DecPlaces = 7;
    writeSlotSettings(s, store);
    EXPECT_EQ(s.values["Signals/003/SigColor"], std::to_string(0xABCDEF));
    SignalStore fresh;
    readSlotSettings(s, fresh);
    EXPECT_EQ(fresh[3].SigColor, 0xABCDEFu);
    EXPECT_EQ(fresh[200].DecPlaces, 7);
    EXPECT_EQ(fresh[15].SigColor, defaultSigColor(15));
}

TEST(Settings, WindowBoundsMustLieOnAMonitor) {
    const std::vector<MonitorRect> one{{0, 0, 1920, 1080}};
    const std::vector<MonitorRect> two{{0, 0, 1920, 1080}, {1920, 0, 2560, 1440}};
    const WindowBounds onSecond{2100, 100, 1200, 800};
    EXPECT_EQ(checkOnMonitors(onSecond, two), onSecond);
    // The second monitor has been removed.
    EXPECT_EQ(checkOnMonitors(onSecond, one), (WindowBounds{1, 1, 1920, 1080}));
    EXPECT_EQ(checkOnMonitors({100, 100, 800, 600}, one), (WindowBounds{100, 100, 800, 600}));
    EXPECT_EQ(checkOnMonitors({100, -50, 800, 600}, one), (WindowBounds{}));
    EXPECT_EQ(checkOnMonitors({100, 100, 800, 600}, {}), (WindowBounds{}));
}

} // namespace
} // namespace mv

namespace mv {
namespace {
TEST(Settings, LayoutHeightsMustLeaveRoomInTheWindow) {
    WindowPosSettings w;
    w.SignalGridHeight = 400;
    w.Image1Height = 300;
    fitLayoutHeights(w, 150); // 850 <= 1080 - 200
    EXPECT_EQ(w.SignalGridHeight, 400);
    w.Image1Height = 340; // 890 > 880
    fitLayoutHeights(w, 150);
    EXPECT_EQ(w.SignalGridHeight, 200);
    EXPECT_EQ(w.Image1Height, 200);
}
} // namespace
} // namespace mv

namespace mv {
namespace {

// The wheelset tables survive the desktop's settings file: Save marks as the bytes '1'
// and 0, the 32 device subkeys, and a filter text that is no number restores as "0".
TEST(Settings, DevFnTablesRoundTripThroughTheSettingsFile) {
    MemorySettings empty;
    const DevFnSettings dflt = readDevFn(empty);
    EXPECT_EQ(dflt, DevFnSettings{});

    DevFnSettings d;
    d.save[0] = d.save[10] = d.save[31] = true;
    d.QYTL_filter = "12.5";
    d.wheels[4] = {"W11_", "3", "0.05", "80", "1"};
    d.wheels[31] = {"", "", "abc", "", ""};
    IniSettings ini;
    writeDevFn(ini, d);
    const auto bytes = ini.readBytes("DevFn/DevChannelSet");
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 32u);
    EXPECT_EQ((*bytes)[0], '1');
    EXPECT_EQ((*bytes)[1], '\0');
    EXPECT_EQ(ini.read("DevFn/DevNo5/WheelName"), "W11_");
    EXPECT_EQ(readDevFn(IniSettings::parse(ini.text())), d);

    ini.write("DevFn/QYTL_filter", "12,5");
    ini.writeBytes("DevFn/DevChannelSet", "1"); // short: the rest reads as empty
    const DevFnSettings back = readDevFn(ini);
    EXPECT_EQ(back.QYTL_filter, "0");
    EXPECT_TRUE(back.save[0]);
    EXPECT_FALSE(back.save[10]);
}

} // namespace
} // namespace mv
