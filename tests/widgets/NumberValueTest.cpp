#include "widgets/NumberValue.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

NumberValue make(TNumberTyp t, double lo, double hi, double inc = 1) {
    NumberValue v;
    v.FNumberTyp = t;
    v.FMin = lo;
    v.FMax = hi;
    v.FIncrement = inc;
    return v;
}

TEST(NumberValue, DoubleTextsAndRange) {
    auto v = make(ntDouble, 100, 1000000);
    EXPECT_TRUE(v.change("2,5e3"));
    EXPECT_DOUBLE_EQ(v.DoubleVal, 2500);
    EXPECT_EQ(v.Text_OK, "2,5e3");
    for (const char* bad : {"50", "abc", "", "1,5,5", "2000000", "nan", "inf"}) {
        EXPECT_FALSE(v.change(bad)) << bad;
        EXPECT_DOUBLE_EQ(v.DoubleVal, 2500) << bad; // the last valid value stays
        EXPECT_EQ(v.Text_OK, "2,5e3");
    }
    EXPECT_TRUE(v.change("4000.5"));
    EXPECT_DOUBLE_EQ(v.DoubleVal, 4000.5);
}

TEST(NumberValue, IntegerStepsClampAndRewrite) {
    auto v = make(ntInteger, 1, 200);
    EXPECT_TRUE(v.change("200"));
    EXPECT_EQ(v.stepText(1, '.'), "200"); // at the maximum: stays, text still rewritten
    EXPECT_EQ(v.stepText(-10, '.'), "190");
    EXPECT_TRUE(v.change("3"));
    EXPECT_EQ(v.stepText(-10, '.'), "1");
    EXPECT_FALSE(v.change("2.5"));
    EXPECT_FALSE(v.change("201"));
    EXPECT_FALSE(v.change("99999999999"));
    EXPECT_EQ(v.IntegerVal, 3);
    v.FIncrement = 2.6; // steps by the rounded increment
    EXPECT_EQ(v.stepText(1, '.'), "6");
}

TEST(NumberValue, DoubleStepUsesUserSeparator) {
    auto v = make(ntDouble, 0, 10, 0.1);
    EXPECT_TRUE(v.change("1"));
    EXPECT_EQ(v.stepText(1, ','), "1,1");
    EXPECT_EQ(v.stepText(-100, '.'), "0");
    EXPECT_EQ(v.stepText(1000, '.'), "10");
}

TEST(NumberValue, EnumStepsThroughRates) {
    struct Case {
        const char* from;
        int steps;
        const char* to;
    };
    const Case cases[] = {{"44100", 1, "48000"},  {"44100", -1, "22050"}, {"96000", 1, "8000"},
                          {"8000", -1, "96000"},  {"10000", 1, "22050"},  {"200000", 1, "11025"},
                          {"9512,5", 1, "22050"}, {"44100", 10, "48000"}};
    for (const auto& c : cases) {
        auto v = make(ntEnum, 0, 0);
        EXPECT_TRUE(v.change(c.from));
        EXPECT_EQ(v.stepText(c.steps, '.'), c.to) << c.from;
    }
    // Each step starts from the text the previous one wrote.
    auto v = make(ntEnum, 0, 0);
    EXPECT_TRUE(v.change("44100"));
    for (const char* next : {"48000", "96000", "8000", "11025"}) {
        const auto t = v.stepText(1, ',');
        EXPECT_EQ(t, next);
        EXPECT_TRUE(v.change(*t));
    }
    EXPECT_TRUE(v.change("whatever"));      // no check
    EXPECT_EQ(v.stepText(1, '.'), "22050"); // and the last number stays
}

TEST(NumberValue, IPv4) {
    auto v = make(ntIPv4, 0, 0);
    EXPECT_TRUE(v.change("192.168.1.20"));
    EXPECT_EQ(v.uInt32Val, 0xC0A80114u);
    EXPECT_TRUE(v.change("1."));
    EXPECT_EQ(v.uInt32Val, 0xFFFFFFFFu);
    for (const char* bad : {"1.2", "256.1.1.1", "1.2.3.4.5", "a.b.c.d", "1.2.3.4 "})
        EXPECT_FALSE(v.change(bad)) << bad;
    EXPECT_FALSE(v.stepText(1, '.').has_value());
}

TEST(SplitGeometry, LimitsOfTheTarget) {
    EXPECT_EQ(splitTargetSize(10, 600), 50);
    EXPECT_EQ(splitTargetSize(900, 600), 600);
    EXPECT_EQ(splitTargetSize(300, 600), 300);
    EXPECT_EQ(sizingLinePos(120, 100), 150);
    EXPECT_EQ(sizingLinePos(300, 100), 300);
}

} // namespace
} // namespace mv
