#include "app/Workspace.h"
#include "core/Errors.h"
#include "core/Log.h"
#include "processing/MV_func.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <unistd.h>

namespace mv {
namespace {

class FnText : public ::testing::Test {
protected:
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    CaptureLog log;
    FnSlots& fs() { return ws->fnSlots; }
    bool attach(std::string_view text, int sig = 1, int step = Fn1, std::string* why = nullptr) {
        return FnAttach(*ws, sig, step, text, log, why);
    }
};

TEST_F(FnText, CatalogueIsInOrderWithItsPickList) {
    const TFnTable& t = fs().FnTable;
    const char* names[] = {"",          "Amplitude", "BandPass",
                           "Calc",      "Distance",  "Drop",
                           "Filter",    "Filter0",   "Gate",
                           "Generator", "Increm_AB", "InvSig",
                           "Math",      "MinMax",    "Mirror",
                           "MovAver",   "Period",    "Speed",
                           "SPL",       "StepAver",  "Tri-state_regulator",
                           "Work",      "Zeroing"};
    for (int i = 0; i < kFnTypeCount; ++i)
        EXPECT_EQ(t[i].Name.str(), names[i]);
    const auto pick = FnPickList(t);
    EXPECT_EQ(pick.size(), 21u);
    EXPECT_EQ(pick.front(), fnNone);
    EXPECT_EQ(std::set<TFnTyp>(pick.begin(), pick.end()).count(fnGener), 0u);
    EXPECT_EQ(std::set<TFnTyp>(pick.begin(), pick.end()).count(fnTriStateReg), 0u);
    EXPECT_EQ(t[fnSPL].ParCount, 7);
    EXPECT_EQ(t[fnSPL].Par[1].HighItem, 12);
    EXPECT_EQ(t[fnSPL].Par[1].Items[12].str(), "32768");
    EXPECT_EQ(t[fnFilter].Par[3].HighItem, 7);
    EXPECT_EQ(t[fnSpeed].Description.str(),
              "Compute speed from periodic signal. IPR .. Impuls Per Revolution.  For bump test "
              "set IPR = 0, Wheel preimeter = 0.2784");
}

TEST_F(FnText, DefaultTextsAndRoundTrip) {
    EXPECT_EQ(FnDefaultText(fs(), fnMath).text, "Math( Math func name=Abs; Slope=1; Offset=0)");
    EXPECT_EQ(FnDefaultText(fs(), fnDrop).text, "Drop( Limit differ=10; ReplaceSamplesCnt=100)");
    EXPECT_EQ(FnDefaultText(fs(), fnNone).text, "");
    EXPECT_FALSE(FnDefaultText(fs(), fnSPL, 20).ok);
    // Every catalogue default attaches and is written back the same way.
    for (int t = 1; t < kFnTypeCount; ++t) {
        const std::string text = FnDefaultText(fs(), TFnTyp(t)).text;
        std::string why;
        ASSERT_TRUE(attach(text, 5, Fn2, &why)) << text << ": " << why;
        EXPECT_EQ(fs()(5, Fn2).FnTyp, t);
        const std::string back = FnSlotText(fs(), 5, Fn2);
        ASSERT_TRUE(attach(back, 6, Fn3, &why)) << back << ": " << why;
        EXPECT_EQ(FnSlotText(fs(), 6, Fn3), back);
    }
    EXPECT_EQ(FnSlotText(fs(), 5, Fn2, 10), "Zeroing( O");
}

TEST_F(FnText, AttachFailuresLeaveTheStepEmpty) {
    struct Case {
        const char* text;
        bool ok;
        TFnTyp type;
    };
    const Case cases[] = {
        {"Math( Math func name=Abs; Slope=1; Offset=0)", true, fnMath},
        {"Math(Math func name=Abs; Slope=1; Offset=0", false, fnNone},   // no ")"
        {"Math( Slope=1; Offset=0)", false, fnNone},                     // a name missing
        {"Average( Count=3)", false, fnNone},                            // unknown function
        {"math( Math func name=Abs; Slope=1; Offset=0)", false, fnNone}, // case matters
        {"Mirror", true, fnNone},                                        // no "(": empty name
        {"", true, fnNone},
        {"Calc( Sig2No=1; Signum=x; Sig2 slope=1; Output slope=1; Output offset=0)", false, fnNone},
        {"Drop( Limit differ=abc; ReplaceSamplesCnt=100)", false, fnNone},
        {"Drop( Limit differ=10; ReplaceSamplesCnt=1.5)", false, fnNone},
        {"Drop( Limit differ=10 ReplaceSamplesCnt=100)", false, fnNone}, // one ";" short
        {"Drop( Limit differ=0,5; ReplaceSamplesCnt=100)", true, fnDrop},
        // Names in another order: values are taken in catalogue order and do not fit.
        {"Drop( ReplaceSamplesCnt=100; Limit differ=10)", false, fnNone},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(attach("Drop( Limit differ=10; ReplaceSamplesCnt=100)"));
        EXPECT_EQ(attach(c.text), c.ok) << c.text;
        EXPECT_EQ(fs()(1, Fn1).FnTyp, c.type) << c.text;
    }
    ASSERT_TRUE(attach("Drop( Limit differ=0,5; ReplaceSamplesCnt=100)"));
    EXPECT_EQ(fs()(1, Fn1).ParVal[fnDrop][1].f, 0.5f);
}

TEST_F(FnText, AcceptedValuesBecomeTheDefaults) {
    ASSERT_TRUE(attach(FnDefaultText(fs(), fnMath).text));
    EXPECT_EQ(FnSetParam(*ws, 1, Fn1, fnMath, 2, "2", log), FnParamStatus::Accepted);
    EXPECT_EQ(FnDefaultText(fs(), fnMath).text, "Math( Math func name=Abs; Slope=2; Offset=0)");
    EXPECT_EQ(FnParamText(fs(), 1, Fn1, 2), "2");

    ASSERT_TRUE(attach(FnDefaultText(fs(), fnCalc).text, 2));
    EXPECT_EQ(FnSetParam(*ws, 2, Fn1, fnCalc, 2, "x", log), FnParamStatus::Invalid);
    EXPECT_EQ(fs().FnTable[fnCalc].Par[2].DefaultText.str(), "+");
    EXPECT_EQ(FnSetParam(*ws, 2, Fn1, fnCalc, 2, "*", log), FnParamStatus::Accepted);
    EXPECT_EQ(FnParamText(fs(), 2, Fn1, 2), "*");
    EXPECT_EQ(FnSetParam(*ws, 2, Fn1, fnCalc, 9, "1", log), FnParamStatus::Invalid);
    // Floats are written shortest, with the user's separator when asked.
    EXPECT_EQ(FnSetParam(*ws, 2, Fn1, fnCalc, 3, "0.3", log), FnParamStatus::Accepted);
    EXPECT_EQ(FnParamText(fs(), 2, Fn1, 3), "0.3");
    EXPECT_EQ(FnParamText(fs(), 2, Fn1, 3, ','), "0,3");
    EXPECT_EQ(FnSetParam(*ws, 2, Fn1, fnCalc, 3, "1e50", log), FnParamStatus::Invalid);
    EXPECT_EQ(FnSetParam(*ws, 2, Fn1, fnCalc, 3, "nan", log), FnParamStatus::Invalid);
}

TEST_F(FnText, LimitsAreRefusedAtEntryWithALogLine) {
    struct Case {
        TFnTyp type;
        int k;
        const char* value;
        FnParamStatus status;
    };
    const Case cases[] = {
        {fnMovAver, 2, "0", FnParamStatus::OutOfLimits},
        {fnMovAver, 2, "10001", FnParamStatus::OutOfLimits},
        {fnMovAver, 2, "10000", FnParamStatus::Accepted},
        {fnSpeed, 1, "501", FnParamStatus::OutOfLimits},
        {fnSpeed, 1, "-1", FnParamStatus::OutOfLimits},
        {fnSpeed, 1, "0", FnParamStatus::Accepted},
        {fnDistance, 1, "0", FnParamStatus::OutOfLimits},
        {fnStepAver, 4, "0", FnParamStatus::OutOfLimits},
        {fnStepAver, 3, "10.5", FnParamStatus::OutOfLimits}, // K = 21 with step 0.5
        {fnStepAver, 3, "10", FnParamStatus::Accepted},      // K = 20
        {fnCalc, 1, "201", FnParamStatus::OutOfLimits},
        {fnSPL, 5, "70000", FnParamStatus::OutOfLimits},
        {fnFilter, 4, "2000", FnParamStatus::OutOfLimits}, // half of f process 4000
        {fnFilter, 4, "1999", FnParamStatus::Accepted},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(attach(FnDefaultText(fs(), c.type).text));
        const std::size_t before = log.lines.size();
        EXPECT_EQ(FnSetParam(*ws, 1, Fn1, c.type, c.k, c.value, log), c.status)
            << fs().FnTable[c.type].Name.str() << " " << c.k << " = " << c.value;
        EXPECT_EQ(log.lines.size() > before, c.status == FnParamStatus::OutOfLimits);
    }
    // An attach whose values together break a limit fails; one that moves both is fine.
    EXPECT_FALSE(attach("StepAver( Speed SigNo=1; Mean/RMS=Mean; Aver length [m]=30; Step "
                        "length [m]=1)"));
    EXPECT_TRUE(attach("StepAver( Speed SigNo=1; Mean/RMS=Mean; Aver length [m]=20; Step "
                       "length [m]=5)"));
}

TEST_F(FnText, StepsOwnTheirEnginesAndDeleteAllClearsEverything) {
    ASSERT_TRUE(attach(FnDefaultText(fs(), fnSPL).text, 3, Fn4));
    EXPECT_TRUE(fs()(3, Fn4).fft != nullptr);
    ASSERT_TRUE(attach(FnDefaultText(fs(), fnDrop).text, 4, Fn1));
    ws->store[4].ProcFn = ws->store[4].Ovr = true;
    ws->store[4].SaveDiv = 3;
    DeleteAllFunctions(*ws, log);
    EXPECT_EQ(fs()(3, Fn4).FnTyp, fnNone);
    EXPECT_EQ(fs()(3, Fn4).fft, nullptr);
    EXPECT_EQ(fs()(4, Fn1).FnTyp, fnNone);
    EXPECT_FALSE(ws->store[4].ProcFn);
    EXPECT_FALSE(ws->store[4].Ovr);
    EXPECT_EQ(ws->store[4].SaveDiv, 0);
    EXPECT_THROW(attach("", 201), RangeError);
    EXPECT_THROW(attach("", 1, 4), RangeError);
}

TEST_F(FnText, RegulatorPortThatDoesNotOpenIsReportedOnce) {
    fs().comPorts.paths[7] = "/nonexistent/tty-for-test";
    ASSERT_TRUE(attach("Tri-state_regulator( Feedback sig no=1; Max following error=1; "
                       "Output=0; ComNo=7)"));
    EXPECT_FALSE(fs()(1, Fn1).port.isOpen());
    EXPECT_EQ(log.warnings(), 1);
    EXPECT_TRUE(log.contains("/nonexistent/tty-for-test"));
    EXPECT_EQ(fs().comPorts.pathOf(3), "/dev/ttyS2");
}

} // namespace
} // namespace mv

namespace mv {
namespace {

// Mangled texts either attach or leave the step empty, and whatever attaches runs over
// a short window without touching memory it does not own (run under the sanitizers).
TEST(FnTextRobustness, MangledTextsAttachOrFailCleanly) {
    auto ws = std::make_unique<Workspace>();
    NullLog log;
    for (int s = 1; s <= 3; ++s) {
        SampleBuffer b = SampleBuffer::allocate(s == 2 ? 5 : 64);
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<float>((i * 7) % 13) - 3.0f;
        ws->store[s].setData(std::move(b));
        ws->store[s].f_sampl = 100.0;
    }
    std::mt19937 gen(17);
    const std::string junk = "();= ,.-0123456789e";
    for (int round = 0; round < 3000; ++round) {
        std::string text = FnDefaultText(ws->fnSlots, TFnTyp(1 + round % 22)).text;
        const int edits = 1 + static_cast<int>(gen() % 3);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = gen() % text.size();
            switch (gen() % 3) {
            case 0:
                text.erase(at, 1);
                break;
            case 1:
                text.insert(at, 1, junk[gen() % junk.size()]);
                break;
            default:
                text[at] = junk[gen() % junk.size()];
                break;
            }
        }
        if (FnAttach(*ws, 1, Fn1, text, log)) {
            ws->store[1].ProcFn = true;
            ProcessSignal(*ws, 1, 0.0, 0.3, true, false, log);
        } else {
            EXPECT_EQ(ws->fnSlots(1, Fn1).FnTyp, fnNone) << text;
        }
    }
}

} // namespace
} // namespace mv

namespace mv {
namespace {

TEST(SerialLines, OpensTerminalsOnlyAndRegulatorDrivesThem) {
    SerialLines lines;
    std::string why;
    EXPECT_FALSE(lines.open("/dev/null", why));
    EXPECT_EQ(why, "not a serial device");
    EXPECT_FALSE(lines.open("/nonexistent/ttyS0", why));
    EXPECT_FALSE(lines.isOpen());
    EXPECT_FALSE(lines.setLines(true, false));

    // A pseudo-terminal stands in for a serial port.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminals here";
    const std::string slave = ::ptsname(master);
    auto ws = std::make_unique<Workspace>();
    CaptureLog log;
    ws->fnSlots.comPorts.paths[3] = slave;
    ASSERT_TRUE(FnAttach(*ws, 1, Fn1,
                         "Tri-state_regulator( Feedback sig no=2; Max following error=1; "
                         "Output=0; ComNo=3)",
                         log));
    EXPECT_TRUE(ws->fnSlots(1, Fn1).port.isOpen());
    EXPECT_EQ(log.warnings(), 0);
    // Setting ComNo again closes the port first; 0 leaves it closed.
    EXPECT_EQ(FnSetParam(*ws, 1, Fn1, fnTriStateReg, 4, "0", log), FnParamStatus::Accepted);
    EXPECT_FALSE(ws->fnSlots(1, Fn1).port.isOpen());
    ::close(master);
}

} // namespace
} // namespace mv
