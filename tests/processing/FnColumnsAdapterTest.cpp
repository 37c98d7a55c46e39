// The function columns over the real chains: what the Signal table shows and sets.
#include "processing/FnColumnsAdapter.h"

#include "app/Workspace.h"
#include "processing/MV_func.h"

#include <gtest/gtest.h>
#include <string>

namespace mv {
namespace {

TEST(ChainFnColumns, PickAttachAndParameters) {
    Workspace ws;
    CaptureLog log;
    ChainFnColumns fns(ws.chainsView(), log);
    const auto names = fns.pickNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Generator"), 0); // not offered

    EXPECT_EQ(fns.defaultText("Math"), "Math( Math func name=Abs; Slope=1; Offset=0)");
    ASSERT_TRUE(fns.attach(3, 1, fns.defaultText("Math")));
    EXPECT_EQ(fns.stepName(3, 1), "Math");
    EXPECT_TRUE(fns.hasFunction(3));
    EXPECT_FALSE(fns.hasFunction(4));

    auto ps = fns.params(3, 1);
    ASSERT_EQ(ps.size(), 3u);
    EXPECT_TRUE(ps[0].isList);
    EXPECT_EQ(ps[0].items.size(), 6u);
    EXPECT_EQ(ps[1].name, "Slope");
    EXPECT_EQ(ps[1].text, "1");

    EXPECT_TRUE(fns.setParam(3, 1, 2, "2"));
    EXPECT_FALSE(fns.setParam(3, 1, 2, "abc"));
    EXPECT_TRUE(fns.setParam(3, 1, 1, "Sqrt"));
    ps = fns.params(3, 1);
    EXPECT_EQ(ps[0].listIndex, 5);
    EXPECT_EQ(fns.stepText(3, 1), "Math( Math func name=Sqrt; Slope=2; Offset=0)");

    EXPECT_FALSE(fns.attach(3, 1, "Math( Slope=1; Offset=0)"));
    EXPECT_EQ(fns.stepName(3, 1), "");
    EXPECT_FALSE(fns.attach(201, 0, "")); // out of range is refused, not thrown
    EXPECT_EQ(fns.stepName(0, 0), "");
}

TEST(ChainFnColumns, FilterPickedAtAnyFProcessIsAttached) {
    // The default corner (100 Hz) is refused at or below 200 Hz; a pick still attaches.
    for (const double fp : {100.0, 150.0, 200.0, 4000.0}) {
        SCOPED_TRACE(fp);
        Workspace ws;
        ws.settings.dfltSampl_f = fp;
        CaptureLog log;
        ChainFnColumns fns(ws.chainsView(), log);
        ASSERT_TRUE(fns.attach(2, 0, fns.defaultText("Filter")));
        EXPECT_EQ(fns.stepName(2, 0), "Filter");
        EXPECT_FALSE(FnLimitProblem(ws.processContext(), 2, 0));
        const double corner = std::stod(fns.params(2, 0)[3].text);
        EXPECT_LT(corner, fp / 2);
        if (fp > 200.0) {
            EXPECT_EQ(corner, 100.0); // the default itself where it is valid
        }
    }
}

} // namespace
} // namespace mv
