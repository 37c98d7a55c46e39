// The settings file without Qt: the entries QSettings writes come back as the desktop's
// backend reads them, and what we write reads back the same.
#include "core/IniSettings.h"

#include "support/TestSupport.h"

#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace mv {
namespace {

TEST(IniSettings, ReadsGroupsGeneralAndEscapesAsTheDesktopWritesThem) {
    const IniSettings s = IniSettings::parse("\xEF\xBB\xBF"
                                             "; a comment\r\n"
                                             "[General]\r\n"
                                             "dfltSampl_f=4000,5\r\n"
                                             "LoadFileFormat=2\r\n"
                                             "DestinationPath=\"C:\\\\data, old\"\r\n"
                                             "Spaced= \" a \" \r\n"
                                             "At=@@home\r\n"
                                             "Gone=@Invalid()\r\n"
                                             "Tabbed=a\\tb\\x10g\r\n"
                                             "\r\n"
                                             "[Align_km]\r\n"
                                             "TrackInfoSubdirectory=Trat\xC4\x9B info\r\n"
                                             "Long=first \\\r\n"
                                             "second\r\n"
                                             "[Signals]\r\n"
                                             "001\\DecPlaces=3\r\n"
                                             "[My%20Group]\r\n"
                                             "Key%3D=1\r\n"
                                             "[%General]\r\n"
                                             "x=group\r\n");
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        // A list to QSettings: joined again, so the strict parser sees it as written.
        {"dfltSampl_f", "4000,5"},
        {"LoadFileFormat", "2"},
        {"DestinationPath", "C:\\data, old"},
        {"Spaced", " a "},
        {"At", "@home"},
        {"Gone", std::nullopt},
        {"Tabbed", "a\tb\x10g"},
        {"Align_km/TrackInfoSubdirectory", "Trat\xC4\x9B info"},
        {"Align_km/Long", "first second"},
        {"Signals/001/DecPlaces", "3"},
        {"My Group/Key=", "1"},
        {"General/x", "group"},
        {"Missing", std::nullopt},
    };
    for (const auto& [key, want] : cases)
        EXPECT_EQ(s.read(key), want) << key;

    MainSettings m;
    readMainAtCreate(s, m);
    readMainAtActivation(s, m);
    EXPECT_EQ(m.dfltSampl_f, 4000.0); // with a comma it is no number
    EXPECT_EQ(m.LoadFileFormat, 2);
}

TEST(IniSettings, WrittenValuesReadBackAndSurviveTheFile) {
    test::TempDir dir;
    IniSettings s;
    const std::pair<const char*, const char*> values[] = {
        {"dfltSampl_f", "4000.5"},
        {"DestinationPath", "/data/a, b;c=d"},
        {"Align_km/TrackInfoSubdirectory", " tracks "},
        {"Quote", "say \"hi\" \\ there"},
        {"At", "@Invalid()"},
        {"Signals/001/SigColor", "\xC5\xBElut\xC3\xA1"},
        {"General/Odd", "1"},
        {"Ctl", "a\x01"
                "2\n"},
    };
    for (const auto& [k, v] : values)
        s.write(k, v);
    s.writeBytes("DevChannelSet", std::string("\x00\x01\xFF"
                                              "A",
                                              4));
    const std::string file = (dir / "MVtervik.ini").string();
    ASSERT_TRUE(s.save(file));
    const auto back = IniSettings::load(file);
    ASSERT_TRUE(back.has_value());
    for (const auto& [k, v] : values)
        EXPECT_EQ(back->read(k), std::string(v)) << k;
    EXPECT_EQ(back->readBytes("DevChannelSet"), std::string("\x00\x01\xFF"
                                                            "A",
                                                            4));
    const std::string text = test::readFile(file);
    EXPECT_EQ(text.rfind("[General]\n", 0), 0u) << text;
    EXPECT_NE(text.find("[Signals]\n001\\SigColor="), std::string::npos) << text;
    EXPECT_NE(text.find("[%General]\nOdd=1"), std::string::npos) << text;

    std::string why;
    EXPECT_FALSE(IniSettings::load((dir / "none.ini").string(), &why));
    EXPECT_NE(why.find("none.ini"), std::string::npos);
    EXPECT_FALSE(IniSettings::load(dir.path().string(), &why));
    EXPECT_FALSE(s.save((dir / "no" / "such" / "x.ini").string(), &why));
}

// A file edited by hand that the program opens and saves must mean the same afterwards.
TEST(IniSettings, HandEditedOddsSurviveASave) {
    struct Case {
        const char* what;
        const char* text;
        std::vector<std::pair<std::string, std::string>> values;
    };
    const std::vector<Case> cases = {
        // Written as an entry without a name, which no reader takes back.
        {"a key ending in '/'", "x/=1\n[g]\n/y//z/=2\n", {{"x", "1"}, {"g/y/z", "2"}}},
        // Written before b, it continued onto b's line and swallowed it.
        {"a backslash ending the file", "b=2\na=1\\", {{"a", "1"}, {"b", "2"}}},
        {"blanks after a backslash", "a=1\\\t\nb=2\n", {{"a", "1"}, {"b", "2"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const IniSettings first = IniSettings::parse(c.text);
        const IniSettings back = IniSettings::parse(first.text());
        for (const auto& [key, value] : c.values) {
            EXPECT_EQ(first.read(key), value) << key;
            EXPECT_EQ(back.read(key), value) << key;
        }
        EXPECT_EQ(back.keys(), first.keys());
    }
    // Values that read back as something else after a save (found by
    // fuzzing): a NUL and invalid bytes across a continued line; blanks before an escaped
    // blank and a lone backslash at the end; an encoded lone surrogate before a character,
    // and one in a value that has to be rewritten.
    for (const char* name :
         {"nul-in-continued-value.ini", "trailing-blanks-before-escaped-blank.ini",
          "lone-surrogate-before-a-character.ini", "encoded-surrogate-in-byte-value.ini"}) {
        SCOPED_TRACE(name);
        std::ifstream in(test::sourceDir() / "tests/fuzz/regressions/settings" / name,
                         std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        ASSERT_FALSE(text.empty());
        const IniSettings first = IniSettings::parse(text);
        const IniSettings back = IniSettings::parse(first.text());
        EXPECT_EQ(back.keys(), first.keys());
        for (const std::string& key : first.keys())
            EXPECT_EQ(back.read(key), first.read(key)) << key;
    }
}

} // namespace
} // namespace mv
