#include "app/Workspace.h"
#include "core/Log.h"
#include "processing/MV_func.h"
#include "support/RecordingProgress.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace mv {
namespace {

class Process : public ::testing::Test {
protected:
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    CaptureLog log;

    void fill(int slot, std::size_t n, double fs, float base) {
        SampleBuffer b = SampleBuffer::allocate(n);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = base + static_cast<float>(i);
        SignalRecord& r = ws->store[slot];
        r.setData(std::move(b));
        r.f_sampl = fs;
        r.SigName = "sig" + std::to_string(slot);
    }
    void attach(int slot, int step, const std::string& text) {
        std::string why;
        ASSERT_TRUE(FnAttach(*ws, slot, step, text, log, &why)) << text << ": " << why;
    }
};

TEST_F(Process, ResultGoesToTheSlotAfterTheLast) {
    for (int s = 1; s <= 10; ++s)
        fill(s, 100, 100.0, float(s * 1000));
    attach(3, Fn1, "Drop( Limit differ=10; ReplaceSamplesCnt=100)");
    ws->store[3].ProcFn = true;
    ws->store[3].Units = "kN";
    ws->store[11].SigColor = 0x123456;
    const ProcessResult r = ProcessSignal(*ws, 3, 0.1, 0.2, false, false, log);
    ASSERT_EQ(r.status, ProcessStatus::Done);
    EXPECT_EQ(r.resultSlot, 11);
    const SignalRecord& out = ws->store[11];
    EXPECT_EQ(out.SigName.str(), "sig3_Drop");
    EXPECT_EQ(out.Sens_type.str(), "Computed signal");
    EXPECT_EQ(out.Units.str(), "kN");
    EXPECT_EQ(out.SigColor, 0x123456u);
    EXPECT_EQ(out.SampleCount, 100);
    EXPECT_FALSE(out.ProcFn);
    EXPECT_TRUE(out.Unsaved); // closing asks before it is lost
    EXPECT_FALSE(ws->store[3].Unsaved);
    EXPECT_NE(out.Sig_note.str().find(" mvtervik"), std::string::npos);
    // Samples 11..21 (1-based) were processed: the first jump from 0 exceeds the limit, so
    // all eleven are replaced by the held 0; the rest is the source as it was.
    for (int i = 0; i < 100; ++i) {
        const float expect = (i >= 10 && i <= 20) ? 0.0f : float(3000 + i);
        ASSERT_EQ(out.Data[i], expect) << i;
        ASSERT_EQ(ws->store[3].Data[i], float(3000 + i));
    }
    EXPECT_FALSE(ws->store[3].ProcFn);
    EXPECT_TRUE(ws->store[3].ProcData.empty());
    EXPECT_EQ(ws->fnSlots.FnBlockLen, 40);
}

TEST_F(Process, NoRoomLeavesEverythingAsItWas) {
    for (int s = 1; s <= 200; ++s)
        fill(s, 10, 100.0, 0);
    attach(3, Fn1, "Drop( Limit differ=10; ReplaceSamplesCnt=100)");
    ws->store[3].ProcFn = true;
    EXPECT_EQ(ProcessSignal(*ws, 3, 0, 1, false, false, log).status, ProcessStatus::NoRoom);
    EXPECT_TRUE(log.contains("Nedostatek místa pro zpracované signály"));
    EXPECT_TRUE(ws->store[3].ProcFn);
    EXPECT_EQ(ws->store[3].SigName.str(), "sig3");
    // In place needs no room.
    EXPECT_FALSE(ws->store[3].Unsaved);
    EXPECT_EQ(ProcessSignal(*ws, 3, 0, 1, true, false, log).status, ProcessStatus::Done);
    EXPECT_EQ(ws->store[3].SigName.str(), "sig3_Drop");
    EXPECT_TRUE(ws->store[3].Unsaved);
}

TEST_F(Process, ChainRunsInOrderInPlaceAndRestoresTheRate) {
    fill(1, 100, 100.0, 0);
    fill(2, 100, 100.0, 1);
    attach(1, Fn1, "Calc( Sig2No=2; Signum=+; Sig2 slope=1; Output slope=1; Output offset=0)");
    attach(1, Fn3, "Math( Math func name=Sqr; Slope=1; Offset=0)");
    ws->settings.dfltSampl_f = 4000.0;
    const auto r = ProcessSignal(*ws, 1, 0, 10, true, false, log);
    ASSERT_EQ(r.status, ProcessStatus::Done);
    EXPECT_EQ(r.resultSlot, 1);
    EXPECT_EQ(ws->settings.dfltSampl_f, 4000.0);
    EXPECT_EQ(ws->store[1].SigName.str(), "sig1_Calc_Math");
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(ws->store[1].Data[i], float((2 * i + 1) * (2 * i + 1))) << i;
    // Keeping the name.
    fill(4, 10, 100.0, 0);
    attach(4, Fn2, "Math( Math func name=Abs; Slope=1; Offset=0)");
    ProcessSignal(*ws, 4, 0, 10, true, true, log);
    EXPECT_EQ(ws->store[4].SigName.str(), "sig4");
}

TEST_F(Process, BlockwiseRunMatchesTheWholeWindow) {
    // 100 samples in blocks 40 + 40 + 20 give the moving mean of the whole window.
    fill(1, 100, 100.0, 0);
    for (int i = 0; i < 100; ++i)
        ws->store[1].Data[i] = float((i * 37) % 11);
    attach(1, Fn1, "MovAver( Moving average type=Mean; Count=4)");
    test::RecordingProgress progress;
    ProcessOptions opts;
    opts.progress = &progress;
    ASSERT_EQ(ProcessSignal(*ws, 1, 0, 0.99, false, false, log, opts).status, ProcessStatus::Done);
    ASSERT_FALSE(progress.fractions.empty());
    EXPECT_EQ(progress.fractions.back(), 1.0); // 100 of 100 samples
    double window[4] = {0, 0, 0, 0};
    for (int i = 0; i < 100; ++i) {
        window[i % 4] = (i * 37) % 11;
        const double mean = (window[0] + window[1] + window[2] + window[3]) / 4.0;
        ASSERT_FLOAT_EQ(ws->store[2].Data[i], float(mean)) << i;
    }
}

TEST_F(Process, DistanceContinuesFromTheLastRun) {
    fill(1, 8, 100.0, 0);
    const float pulses[] = {0, 5, 0, 5, 0, 5, 0, 0};
    for (int i = 0; i < 8; ++i)
        ws->store[1].Data[i] = pulses[i];
    attach(1, Fn1,
           "Distance( IPR=1; Wheel perimeter=2; DecisionLevelHigh=9; "
           "DecisionLevelLow=1)");
    ProcessSignal(*ws, 1, 0, 1, false, false, log);
    ProcessSignal(*ws, 1, 0, 1, false, false, log);
    EXPECT_EQ(ws->store[2].Data[7], 6.0f);
    EXPECT_EQ(ws->store[3].Data[0], 6.0f);
    EXPECT_EQ(ws->store[3].Data[7], 12.0f);
}

TEST_F(Process, StaleOrMissingAuxiliaryInputsAreRefused) {
    fill(1, 100, 100.0, 0);
    fill(2, 50, 100.0, 0);
    struct Case {
        const char* text;
        const char* fragment;
    };
    const Case cases[] = {
        {"Calc( Sig2No=7; Signum=+; Sig2 slope=1; Output slope=1; Output offset=0)",
         "signal 7, which is empty"},
        {"Calc( Sig2No=2; Signum=+; Sig2 slope=1; Output slope=1; Output offset=0)",
         "shorter than the window"},
        {"Gate( Gate SigNo=0; KeepLastOnValue=0; GateDecisionLevelHigh=10; "
         "GateDecisionLevelLow=5)",
         "needs a signal number"},
        // Designed for f process 4000, but this signal runs at 100 Hz.
        {"Filter( Filter type=Butterworth; Low-High pass=Low; Filter order=2; f1=60; zzz2=0)",
         "f1 must be"},
    };
    for (const auto& c : cases) {
        attach(1, Fn2, c.text);
        ws->store[1].ProcFn = true;
        log.lines.clear();
        EXPECT_EQ(ProcessSignal(*ws, 1, 0, 10, false, false, log).status, ProcessStatus::Refused)
            << c.text;
        EXPECT_TRUE(log.contains(c.fragment)) << c.text;
        EXPECT_FALSE(ws->store[3].occupied());
        EXPECT_TRUE(ws->store[1].ProcFn);
        EXPECT_EQ(ws->fnSlots(1, Fn2).FnTyp,
                  fnTypeByName(ws->fnSlots.FnTable,
                               std::string(c.text).substr(0, std::string(c.text).find('('))));
    }
    // Within the auxiliary signal's length it runs.
    attach(1, Fn2, "Calc( Sig2No=2; Signum=+; Sig2 slope=1; Output slope=1; Output offset=0)");
    EXPECT_EQ(ProcessSignal(*ws, 1, 0, 0.49, false, false, log).status, ProcessStatus::Done);
}

TEST_F(Process, FilterIsDesignedForTheSignalsOwnRate) {
    fill(1, 200, 100.0, 0);
    for (int i = 0; i < 200; ++i)
        ws->store[1].Data[i] = (i % 7 == 0) ? 1.0f : 0.0f;
    attach(1, Fn1,
           "Filter( Filter type=Butterworth; Low-High pass=Low; Filter order=3; "
           "f1=10; zzz2=0)");
    ProcessSignal(*ws, 1, 0, 10, false, false, log);
    TIirFilter f;
    ASSERT_TRUE(DesignIirFilter(IirKind::LowPass, 3, 0.1, f).ok);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(ws->store[2].Data[i], float(RunIirSample(f, ws->store[1].Data[i]))) << i;
}

TEST_F(Process, ZeroingTakesTheLowerGraphMean) {
    fill(1, 10, 100.0, 0);
    attach(1, Fn1, "Zeroing( Offset=0; MACount=100)");
    ProcessOptions opts;
    opts.lowerGraphMean = [](int) { return std::optional<double>(2.5); };
    ProcessSignal(*ws, 1, 0, 1, false, false, log, opts);
    EXPECT_EQ(ws->store[2].Data[0], -2.5f);
    EXPECT_EQ(ws->store[2].Data[9], 6.5f);
    // Without a graph: the window's own mean (4.5).
    ProcessSignal(*ws, 1, 0, 1, false, false, log);
    EXPECT_EQ(ws->store[3].Data[0], -4.5f);
}

TEST_F(Process, IncrementShapeCountsOnFromTheReplayCounter) {
    // The replay thread advances the counter; a run reads where it stands at its start.
    fill(1, 6, 100.0, 0.0f);
    attach(1, Fn1,
           "Generator( Modulation SigNo=0; Shape=Increment; Phase=0; Output slope=1; "
           "Output offset=0)");
    ws->replay.advance(65534);
    ASSERT_EQ(ProcessSignal(*ws, 1, 0, 1, true, true, log).status, ProcessStatus::Done);
    const SignalRecord& r = ws->store[1];
    EXPECT_EQ(std::vector<float>(r.Data.data(), r.Data.data() + 6),
              (std::vector<float>{65534, 65535, 0, 1, 2, 3}));
}

TEST_F(Process, ProcessAllVisitsFlaggedSlots) {
    fill(1, 10, 100.0, 0);
    fill(2, 10, 100.0, 0);
    attach(1, Fn1, "Math( Math func name=Sqr; Slope=1; Offset=0)");
    attach(2, Fn1, "Math( Math func name=Sqr; Slope=1; Offset=0)");
    ws->store[1].ProcFn = true;
    ws->store[1].Ovr = true;
    ws->settings.KeepOrigSigName = true;
    EXPECT_EQ(ProcessAllSignals(*ws, 0, 1, ws->settings.KeepOrigSigName, log), 1);
    EXPECT_EQ(ws->store[1].Data[3], 9.0f);
    EXPECT_EQ(ws->store[1].SigName.str(), "sig1");
    EXPECT_EQ(ws->store[2].Data[3], 3.0f);
    EXPECT_FALSE(ws->store[3].occupied());
}

} // namespace
} // namespace mv
