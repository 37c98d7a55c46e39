#include "core/Cp1250.h"
#include "core/Json.h"
#include "core/TimeWindow.h"

#include <cmath>
#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(TimeWindow, RoundsHalfToEvenAndClips) {
    struct Case {
        double t1, t2, fs;
        std::int64_t count;
        std::int64_t first, last;
    };
    const Case cases[] = {
        {0.0, 1.0, 10.0, 100, 1, 11},  {0.25, 0.35, 10.0, 100, 3, 5}, // 2.5 -> 2, 3.5 -> 4
        {0.15, 0.45, 10.0, 100, 3, 5},                                // 1.5 -> 2, 4.5 -> 4
        {0.0, 100.0, 10.0, 20, 1, 20},                                // last clipped to the samples
        {-1.0, 0.5, 10.0, 20, 1, 6},  // a window before the signal starts at sample 1
        {5.0, 9.0, 10.0, 20, 51, 20}, // after the last sample: empty
    };
    for (const auto& c : cases) {
        const auto r = windowToSamples(c.t1, c.t2, c.fs, c.count);
        EXPECT_EQ(r.first, c.first) << c.t1;
        EXPECT_EQ(r.last, c.last) << c.t2;
    }
    EXPECT_TRUE(windowToSamples(5.0, 9.0, 10.0, 20).empty());
    EXPECT_EQ(windowToSamples(0.0, 1.0, 10.0, 100).count(), 11);
}

TEST(Cp1250, RoundTripsCzechAndMarksWhatItCannotHold) {
    const std::string czech = "Příliš žluťoučký kůň úpěl ďábelské ódy";
    const std::string bytes = utf8ToCp1250(czech);
    EXPECT_EQ(bytes.size(), 38u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xF8); // ř
    EXPECT_EQ(cp1250ToUtf8(bytes), czech);
    EXPECT_EQ(utf8ToCp1250("€ ° µ"), "\x80 \xB0 \xB5");
    EXPECT_EQ(utf8ToCp1250("日本"), "??");
    EXPECT_EQ(utf8ToCp1250("a\xC3"), "a?"); // cut sequence
    // Every byte survives a round trip.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1250(cp1250ToUtf8(all)), all);
}

TEST(Json, WritesNestedValuesWithFullPrecision) {
    JsonWriter w;
    w.beginObject().key("a").value(0.1).key("b").beginArray().value(1).value("x\"y").null();
    w.endArray().key("c").value(std::nan("")).endObject();
    EXPECT_EQ(w.str(), R"({"a":0.1,"b":[1,"x\"y",null],"c":null})");
}

TEST(Json, ReadsWhatItWritesAndRefusesMalformedText) {
    JsonWriter w;
    w.beginObject().key("t").value("a\"\\\n\x01\u00e9").key("n").value(-1.25e-300);
    w.key("l").beginArray().value(true).value(false).null().raw("{}").endArray().endObject();
    const auto v = parseJson(w.str());
    ASSERT_TRUE(v);
    EXPECT_EQ(v->find("t")->text, "a\"\\\n\x01\u00e9");
    EXPECT_EQ(v->find("n")->number, -1.25e-300);
    ASSERT_EQ(v->find("l")->items.size(), 4U);
    EXPECT_TRUE(v->find("l")->items[0].boolean);
    EXPECT_TRUE(v->find("l")->items[2].isNull());
    EXPECT_TRUE(v->find("l")->items[3].isObject());
    EXPECT_EQ(v->find("missing"), nullptr);
    // A pair of surrogates is one character outside the basic plane.
    EXPECT_EQ(parseJson(R"(" \ud83d\ude00 \u0041")")->text, " \xF0\x9F\x98\x80 A");
    for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "01", "1.", "-", "1e", "\"\\ud800\"",
                            "\"\\udc00\"", "\"\\x\"", "\"a\nb\"", "tru", "[1] 2", "1e999"}) {
        std::string why;
        EXPECT_FALSE(parseJson(bad, &why)) << bad;
        EXPECT_NE(why.find(" at offset "), std::string::npos) << bad;
    }
    EXPECT_FALSE(parseJson(std::string(100000, '[')));
}

} // namespace
} // namespace mv

#include "core/LogFormat.h"

namespace mv {
namespace {
TEST(LogFormat, CounterThreeSpacesTimeTwoSpacesText) {
    EXPECT_EQ(formatLogLine(3, "12:04:05", "Hello"), "3   12:04:05  Hello");
    EXPECT_EQ(versionLogLine("09.12.2026", "23:40"), "MVtervik 25.12.  Exe date: 09.12.2026 23:40");
}
} // namespace
} // namespace mv
