#include "core/SignalStore.h"

#include "core/Errors.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

void occupy(SignalStore& s, int slot, int n = 3) {
    s[slot].setData(SampleBuffer::zeros(static_cast<std::size_t>(n)));
    s[slot].f_sampl = 100.0;
    s[slot].SigName = "sig";
    s[slot].Plot = true;
}

TEST(SignalStore, FreeSlotAndSlotAfterLast) {
    struct Case {
        std::vector<int> occupied;
        int firstFree;
        int afterLast;
    };
    std::vector<int> all;
    for (int i = 1; i <= 200; ++i)
        all.push_back(i);
    const Case cases[] = {{{}, 1, 1}, {{1, 3}, 2, 4}, {{200}, 1, 201}, {all, 0, 201}};
    for (const auto& c : cases) {
        SignalStore s;
        for (int k : c.occupied)
            occupy(s, k);
        EXPECT_EQ(s.FirstFreeSlot(), c.firstFree);
        EXPECT_EQ(s.SlotAfterLast(), c.afterLast);
    }
}

TEST(SignalStore, ClearSlotKeepsSlotSettings) {
    SignalStore s;
    occupy(s, 5);
    s[5].SigColor = 0x123456;
    s[5].DecPlaces = 2;
    s[5].ProcFn = true;
    s[5].Ovr = true;
    s[5].SaveDiv = 3;
    s[5].TimeOffset = 1.5;
    s.ClearSlot(0);
    const auto& r = s[5];
    EXPECT_FALSE(r.occupied());
    EXPECT_TRUE(r.Data.empty());
    EXPECT_EQ(r.SaveDiv, 0);
    EXPECT_EQ(r.TimeOffset, 0.0);
    EXPECT_FALSE(r.Plot);
    EXPECT_TRUE(r.SigName.empty());
    EXPECT_EQ(r.SigColor, 0x123456u);
    EXPECT_EQ(r.DecPlaces, 2);
    EXPECT_TRUE(r.ProcFn);
    EXPECT_TRUE(r.Ovr);
}

TEST(SignalStore, ClearSlotLeavesEmptySlotUntouched) {
    SignalStore s;
    s[7].SigName = "left over";
    s[7].f_sampl = 50;
    s.ClearSlot(7);
    EXPECT_EQ(s[7].SigName, "left over");
    EXPECT_EQ(s[7].f_sampl, 50);
}

TEST(SignalStore, DefaultColours) {
    const std::pair<int, Colour> cases[] = {{1, 0x000080},  {14, 0xFFFF00}, {15, 0xA4A4A4},
                                            {16, 0xEAA4A4}, {17, 0xEAEAA4}, {18, 0xEAEAEA},
                                            {200, 0x989852}};
    SignalStore s;
    for (auto [slot, colour] : cases) {
        EXPECT_EQ(defaultSigColor(slot), colour) << "slot " << slot;
        EXPECT_EQ(s[slot].SigColor, colour);
        EXPECT_EQ(s[slot].DecPlaces, 4);
    }
}

TEST(SignalStore, SlotNumbersOutsideTheStoreThrow) {
    SignalStore s;
    EXPECT_THROW(s[0], RangeError);
    EXPECT_THROW(s[201], RangeError);
    EXPECT_THROW(s.ClearSlot(-1), RangeError);
}

TEST(SignalRecord, TextsAreCutToTheirCapacityOnCharacterBoundaries) {
    SignalRecord r;
    r.SigName = std::string(70, 'x');
    EXPECT_EQ(r.SigName.str().size(), 63u);
    // 40 two-byte characters fit the 31-character units text as 31 characters.
    std::string czech;
    for (int i = 0; i < 40; ++i)
        czech += "ř";
    r.Units = czech;
    EXPECT_EQ(r.Units.str().size(), 62u);
}

} // namespace
} // namespace mv
