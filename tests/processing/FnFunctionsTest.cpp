#include "app/Workspace.h"
#include "core/Log.h"
#include "fft/FFTrec.h"
#include "processing/MV_func.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace mv {
namespace {

// Runs one attached function directly over prepared samples, in calls of the given sizes.
class FnRun : public ::testing::Test {
protected:
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    CaptureLog log;

    TFnSlot& attach(const std::string& text, int sig = 1) {
        std::string why;
        EXPECT_TRUE(FnAttach(*ws, sig, Fn1, text, log, &why)) << text << ": " << why;
        return ws->fnSlots(sig, Fn1);
    }

    std::vector<float> run(TFnSlot& s, std::vector<float> x, const std::vector<float>* aux,
                           const std::vector<std::size_t>& calls, double fProcess = 1000.0,
                           bool fresh = false) {
        if (fresh) {
            // Also what a reset keeps (distance, jump base, replacement counter), but not
            // the filter design.
            const TIirFilter filter = s.st.filter;
            s.st = FnRunState{};
            s.st.filter = filter;
        }
        FnSlotReset(ws->fnSlots, 1, Fn1);
        const FnRunContext ctx{fProcess, 0, &log};
        std::size_t at = 0;
        for (const std::size_t n : calls) {
            s.Buf = x.data() + at;
            s.Aux.fill(nullptr);
            if (aux)
                s.Aux[1] = aux->data() + at;
            s.Count = static_cast<std::int32_t>(n);
            ws->fnSlots.FnTable[s.FnTyp].Run(s, ctx);
            at += n;
        }
        return x;
    }
    std::vector<float> runOnce(TFnSlot& s, std::vector<float> x,
                               const std::vector<float>* aux = nullptr) {
        return run(s, x, aux, {x.size()});
    }
};

TEST_F(FnRun, EdgeCasesOfTheFunctions) {
    {
        // Increm_AB counts every edge of a quadrature pair; swapped channels count down.
        TFnSlot& s = attach("Increm_AB( B SigNo=2; U_pulse_min=0.4)");
        const std::vector<float> a{0, 1, 1, 0, 0}, b{0, 0, 1, 1, 0};
        EXPECT_EQ(runOnce(s, a, &b), (std::vector<float>{0, 1, 2, 3, 4}));
        EXPECT_EQ(runOnce(s, b, &a), (std::vector<float>{0, -1, -2, -3, -4}));
    }
    {
        // Drop compares the squared step: 5^2 > 10 at the first sample.
        TFnSlot& s = attach("Drop( Limit differ=10; ReplaceSamplesCnt=3)");
        EXPECT_EQ(runOnce(s, {5, 5, 5, 5, 5}), (std::vector<float>{0, 0, 0, 5, 5}));
    }
    {
        // Amplitude: each polarity counter reaching the count takes (max - min) / 2 and
        // clears the other side's counter and its own extreme.
        TFnSlot& s = attach("Amplitude( SamePolarityCount=2)");
        EXPECT_EQ(runOnce(s, {1, 2, -1, -3, 2}), (std::vector<float>{0, 1, 1, 1.5f, 1.5f}));
    }
    {
        TFnSlot& s = attach("Calc( Sig2No=2; Signum=/; Sig2 slope=2; Output slope=1; "
                            "Output offset=1)");
        const std::vector<float> aux{1, 0};
        const auto y = runOnce(s, {4, 1}, &aux);
        EXPECT_EQ(y[0], 3.0f);
        EXPECT_FLOAT_EQ(y[1], static_cast<float>(1.0 / 2e-9 + 1.0)); // 0 counts as 1e-9
        TFnSlot& t = attach("Calc( Sig2No=0; Signum=+; Sig2 slope=1; Output slope=2; "
                            "Output offset=1)");
        EXPECT_EQ(runOnce(t, {1, 2}), (std::vector<float>{3, 5}));
    }
    {
        TFnSlot& s = attach("Gate( Gate SigNo=2; KeepLastOnValue=-1; GateDecisionLevelHigh=10; "
                            "GateDecisionLevelLow=5)");
        const std::vector<float> g{0, 7, 7, 0};
        EXPECT_EQ(runOnce(s, {3, 4, 6, 8}, &g), (std::vector<float>{0, 1, 3, 0}));
    }
    {
        TFnSlot& s = attach("MinMax( Limit=0)");
        EXPECT_EQ(runOnce(s, {1, -3, 2, 4}), (std::vector<float>{1, -3, -3, 4}));
        TFnSlot& t = attach("MinMax( Limit=2.5)");
        EXPECT_EQ(runOnce(t, {1, 3, 2}), (std::vector<float>{1, 2.5f, 2.5f}));
    }
    {
        TFnSlot& s = attach("InvSig( Dividend=1; Limit=10)");
        EXPECT_EQ(runOnce(s, {0.05f, 0.5f, -4}), (std::vector<float>{0, 2, -0.25f}));
    }
    {
        // Period at 1000 Hz: a pulse of 3 samples in band.
        TFnSlot& s = attach("Period( Type=Pulse_length; PulseLevelHigh=9; PulseLevelLow=1)");
        EXPECT_EQ(runOnce(s, {0, 5, 5, 5, 0, 0}), (std::vector<float>{0, 0, 0, 0, 0.003f, 0.003f}));
        TFnSlot& t = attach("Period( Type=Pulse_time; PulseLevelHigh=9; PulseLevelLow=1)");
        EXPECT_EQ(runOnce(t, {5, 5, 0}), (std::vector<float>{0.001f, 0.002f, 0}));
    }
    {
        // Speed, bump test: entries at samples 2 and 6 are 4 samples apart.
        TFnSlot& s = attach("Speed( IPR=0; Wheel perimeter=1; DecisionLevelHigh=9; "
                            "DecisionLevelLow=1)");
        const auto y = runOnce(s, {0, 5, 0, 0, 0, 5, 0, 5});
        EXPECT_EQ(y[4], 0.0f);
        EXPECT_FLOAT_EQ(y[5], 1000.0f * 3.6f / 4.0f);
        EXPECT_FLOAT_EQ(y[7], y[5]); // later entries change nothing
    }
    {
        // Math: derivative, integral, running mean.
        TFnSlot& s = attach("Math( Math func name=Derivation; Slope=1; Offset=0)");
        EXPECT_EQ(runOnce(s, {1, 3, 6}), (std::vector<float>{1000, 2000, 3000}));
        TFnSlot& t = attach("Math( Math func name=Average; Slope=2; Offset=1)");
        EXPECT_EQ(runOnce(t, {1, 3, 8}), (std::vector<float>{3, 5, 9}));
    }
    {
        TFnSlot& s = attach("MovAver( Moving average type=Delay; Count=2)");
        EXPECT_EQ(runOnce(s, {1, 2, 3, 4}), (std::vector<float>{0, 0, 1, 2}));
        TFnSlot& t = attach("MovAver( Moving average type=Mean; Count=2)");
        EXPECT_EQ(runOnce(t, {2, 4, 6}), (std::vector<float>{1, 3, 5}));
    }
    {
        // Generator: the input is the frequency; a constant 250 Hz at 1000 Hz steps a
        // quarter turn per sample.
        TFnSlot& s = attach("Generator( Modulation SigNo=0; Shape=Sinus; Phase=0; "
                            "Output slope=2; Output offset=1)");
        const auto y = runOnce(s, {250, 250, 250, 250});
        EXPECT_NEAR(y[0], 3.0, 1e-6);
        EXPECT_NEAR(y[1], 1.0, 1e-6);
        EXPECT_NEAR(y[2], -1.0, 1e-6);
        EXPECT_NEAR(y[3], 1.0, 1e-6);
    }
    {
        TFnSlot& s = attach("Work( Force SigNo=2; Work polarity=Received; Minimal "
                            "displacement=0.5)");
        const std::vector<float> f{10, 10, 10, 10};
        EXPECT_EQ(runOnce(s, {1, 1.2f, 2.2f, 1.0f}, &f), (std::vector<float>{10, 10, 20, 20}));
    }
    {
        // The regulator decides per call from the means, with no port open.
        TFnSlot& s = attach("Tri-state_regulator( Feedback sig no=2; Max following error=1; "
                            "Output=0; ComNo=0)");
        const std::vector<float> low{1, 1}, near{2.5f, 3.5f}, high{6, 6};
        EXPECT_EQ(runOnce(s, {3, 3}, &low), (std::vector<float>{1, 1}));
        EXPECT_EQ(runOnce(s, {3, 3}, &near), (std::vector<float>{0, 0}));
        EXPECT_EQ(runOnce(s, {3, 3}, &high), (std::vector<float>{-1, -1}));
        EXPECT_FALSE(s.port.isOpen());
    }
    {
        TFnSlot& s = attach("Mirror( Nil=0)");
        EXPECT_EQ(runOnce(s, {1, 2, 3}), (std::vector<float>{3, 2, 1}));
    }
}

TEST_F(FnRun, DistanceAndStepAverFollowTheirAuxiliaryInputs) {
    // Two pulses, IPR 2, perimeter 3 m: 1.5 m per entry into the band.
    TFnSlot& d = attach("Distance( IPR=2; Wheel perimeter=3; DecisionLevelHigh=9; "
                        "DecisionLevelLow=1)");
    EXPECT_EQ(runOnce(d, {0, 5, 0, 5, 5}), (std::vector<float>{0, 1.5f, 1.5f, 3, 3}));
    // Speed 3.6 km/h at 1000 Hz is 1 mm per sample: a 0.5 m step every 500 samples.
    TFnSlot& s = attach("StepAver( Speed SigNo=2; Mean/RMS=Mean; Aver length [m]=1; Step "
                        "length [m]=0.5)");
    std::vector<float> x(2000), v(2000, 3.6f);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = i < 500 ? 1.0f : (i < 1000 ? 3.0f : 5.0f);
    const auto y = runOnce(s, x, &v);
    EXPECT_EQ(y[400], 0.0f);
    // A step closes on the first sample past its length, which it still holds.
    EXPECT_NEAR(y[700], 1.0, 0.01);  // first step only
    EXPECT_NEAR(y[1200], 2.0, 0.02); // mean of the steps of 1 and 3
    EXPECT_NEAR(y[1700], 4.0, 0.02); // mean of the steps of 3 and 5
}

// Every function that keeps its state per sample gives the same result whether the
// window comes in one call or in blocks of 40 + 40 + 20.
TEST_F(FnRun, BlockWiseRunsEqualOneCall) {
    const char* texts[] = {
        "Amplitude( SamePolarityCount=3)",
        "Calc( Sig2No=2; Signum=/; Sig2 slope=1; Output slope=2; Output offset=1)",
        "Distance( IPR=4; Wheel perimeter=2; DecisionLevelHigh=0.5; DecisionLevelLow=-0.5)",
        "Drop( Limit differ=0.5; ReplaceSamplesCnt=3)",
        "Filter( Filter type=Butterworth; Low-High pass=High; Filter order=5; f1=100; zzz2=0)",
        "Gate( Gate SigNo=2; KeepLastOnValue=1; GateDecisionLevelHigh=10; "
        "GateDecisionLevelLow=0)",
        "Generator( Modulation SigNo=2; Shape=Triangle; Phase=30; Output slope=1; "
        "Output offset=0)",
        "Increm_AB( B SigNo=2; U_pulse_min=0)",
        "InvSig( Dividend=1; Limit=10)",
        "Math( Math func name=Average; Slope=1; Offset=0)",
        "Math( Math func name=Derivation; Slope=1; Offset=0)",
        "Math( Math func name=Integral; Slope=1; Offset=0)",
        "MinMax( Limit=-0.5)",
        "MovAver( Moving average type=Mean; Count=4)",
        "MovAver( Moving average type=RMS; Count=7)",
        "MovAver( Moving average type=Exponential; Count=3)",
        "MovAver( Moving average type=Jump; Count=6)",
        "MovAver( Moving average type=Delay; Count=9)",
        "Period( Type=Pulse_length; PulseLevelHigh=2; PulseLevelLow=0)",
        "Speed( IPR=2; Wheel perimeter=1; DecisionLevelHigh=2; DecisionLevelLow=0)",
        "StepAver( Speed SigNo=2; Mean/RMS=RMS; Aver length [m]=0.02; Step length [m]=0.01)",
        "Work( Force SigNo=2; Work polarity=Absorbed; Minimal displacement=0.1)",
        "Zeroing( Offset=0.5; MACount=100)",
    };
    std::mt19937 gen(11);
    std::normal_distribution<float> noise;
    std::vector<float> x(100), aux(100);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = noise(gen);
        aux[i] = 20.0f * (1.0f + noise(gen)) + 10.0f;
    }
    for (const char* text : texts) {
        TFnSlot& s = attach(text);
        const auto whole = run(s, x, &aux, {100}, 1000.0, true);
        const auto blocks = run(s, x, &aux, {40, 40, 20}, 1000.0, true);
        EXPECT_EQ(whole, blocks) << text;
        EXPECT_NE(whole, x) << text; // the function did something
    }
}

TEST_F(FnRun, SoundLevelOfASineOnALine) {
    // 8 lines at 16 Hz: line k is k Hz.
    TFnSlot& s = attach("SPL( FFT lines=8; Window=Rectangle; AverType=Linear; AverCnt=0; "
                        "Overlay=0; Freq.weight=L; Lin / dB=dB)");
    std::vector<float> x(16);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * 3.0 * i / 16.0));
    const auto y = run(s, x, nullptr, {16}, 16.0);
    EXPECT_NEAR(y[0], 20.0 * std::log10(std::sqrt(0.5) / 2e-5), 1e-4); // 90.97 dB
    ASSERT_TRUE(s.fft);
    EXPECT_NEAR(s.fft->Aver()[3], 0.5, 1e-7); // float32 samples
}

TEST_F(FnRun, AuxiliaryFunctionsWithoutTheirInputLeaveSamples) {
    for (const char* text : {"Gate( Gate SigNo=0; KeepLastOnValue=0; GateDecisionLevelHigh=10; "
                             "GateDecisionLevelLow=5)",
                             "Work( Force SigNo=0; Work polarity=Absorbed; Minimal "
                             "displacement=0)"}) {
        TFnSlot& s = attach(text);
        EXPECT_EQ(runOnce(s, {1, 2, 3}), (std::vector<float>{1, 2, 3})) << text;
    }
}

} // namespace
} // namespace mv
