#include "processing/FnTable.h"

#include "fft/FFTrec.h"
#include "processing/FnCompute.h"

#include <initializer_list>

namespace mv {

namespace {

struct ParSpec {
    const char* name;
    TFnParTyp kind;
    const char* dflt;
    std::initializer_list<const char*> items = {};
};

void define(TFnTable& t, TFnTyp typ, const char* name, std::uint8_t flags, const char* description,
            TFnRun run, std::initializer_list<ParSpec> pars) {
    TFnDef& d = t[typ];
    d.Run = run;
    d.Name = name;
    d.Flags = flags;
    d.Description = description;
    int k = 0;
    for (const ParSpec& p : pars) {
        TFnParDef& pd = d.Par[++k];
        pd.Name = p.name;
        pd.Kind = p.kind;
        pd.DefaultText = p.dflt;
        int i = 0;
        for (const char* item : p.items)
            pd.Items[i++] = item;
        pd.HighItem = p.kind == fpList ? i - 1 : 0;
    }
    d.ParCount = k;
}

} // namespace

TFnTable BuildFnTable() {
    TFnTable t;
    const auto& L = kFFTLineNames;
    const auto& W = kFFTWindowNames;
    define(t, fnNone, "", 3, "", nullptr, {});
    define(t, fnAmplitude, "Amplitude", 3,
           "Compute positve maximum divide negative maximum divide 2", runAmplitude,
           {{"SamePolarityCount", fpInteger, "8"}});
    define(t, fnBandPass, "BandPass", 2, "", runBandPass,
           {{"Low stop freq", fpFloat, "0.3"},
            {"Low pass freq", fpFloat, "0.5"},
            {"High stop freq", fpFloat, "10"},
            {"High pass freq", fpFloat, "9"}});
    define(t, fnCalc, "Calc", 3, "Calculate arithmetic operation (+, -, *, /) between 2 signals",
           runCalc,
           {{"Sig2No", fpSigNo, "1"},
            {"Signum", fpList, "+", {"+", "-", "*", "/"}},
            {"Sig2 slope", fpFloat, "1"},
            {"Output slope", fpFloat, "1"},
            {"Output offset", fpFloat, "0"}});
    define(t, fnDistance, "Distance", 3, "Compute distance from pulses", runDistance,
           {{"IPR", fpInteger, "4"},
            {"Wheel perimeter", fpFloat, "1"},
            {"DecisionLevelHigh", fpFloat, "9"},
            {"DecisionLevelLow", fpFloat, "1"}});
    define(t, fnDrop, "Drop", 3, "Remove dropouts from signal", runDrop,
           {{"Limit differ", fpFloat, "10"}, {"ReplaceSamplesCnt", fpInteger, "100"}});
    define(t, fnFilter, "Filter", 3, "On-line filter", runFilter,
           {{"Filter type", fpList, "Butterworth", {"Butterworth", "Butterworth", "Butterworth"}},
            {"Low-High pass", fpList, "Low", {"Low", "High"}},
            {"Filter order", fpList, "4", {"1", "2", "3", "4", "5", "6", "7", "8"}},
            {"f1", fpFloat, "100"},
            {"zzz2", fpFloat, "0"}});
    define(t, fnFilter0, "Filter0", 2, "Off-line filter", runFilter0,
           {{"Low freq", fpFloat, "19"}, {"High freq", fpFloat, "21"}});
    define(t, fnGate, "Gate", 3, "Swich controlled second signal", runGate,
           {{"Gate SigNo", fpSigNo, "1"},
            {"KeepLastOnValue", fpInteger, "0"},
            {"GateDecisionLevelHigh", fpFloat, "10"},
            {"GateDecisionLevelLow", fpFloat, "5"}});
    define(t, fnGener, "Generator", 1, "Function generator", runGener,
           {{"Modulation SigNo", fpSigNo, "1"},
            {"Shape",
             fpList,
             "Sinus",
             {"Sinus", "Rectangle", "Triangle", "Ramp", "Noise", "Increment"}},
            {"Phase", fpFloat, "0"},
            {"Output slope", fpFloat, "1"},
            {"Output offset", fpFloat, "0"}});
    define(t, fnIncrem_AB, "Increm_AB", 3,
           "Process A and B signal from incremental sensor. Output is number of pulses",
           runIncremAB, {{"B SigNo", fpSigNo, "1"}, {"U_pulse_min", fpFloat, "0.4"}});
    define(t, fnInvSig, "InvSig", 3, "Const divide by signal", runInvSig,
           {{"Dividend", fpFloat, "1"}, {"Limit", fpFloat, "0.001"}});
    define(t, fnMath, "Math", 3, "Compute: Abs, Average, Derivative, Integeral, Sqr, Sqrt", runMath,
           {{"Math func name",
             fpList,
             "Abs",
             {"Abs", "Average", "Derivation", "Integral", "Sqr", "Sqrt"}},
            {"Slope", fpFloat, "1"},
            {"Offset", fpFloat, "0"}});
    define(t, fnMinMax, "MinMax", 3, "", runMinMax, {{"Limit", fpFloat, "0"}});
    define(t, fnMirror, "Mirror", 2, "Compute time mirror od signal", runMirror,
           {{"Nil", fpFloat, "0"}});
    define(
        t, fnMovAver, "MovAver", 3,
        "Compute: Mean moving average, RMS moving average, Exponential average, Jump "
        "average, Delay of signal",
        runMovAver,
        {{"Moving average type", fpList, "Mean", {"Mean", "RMS", "Exponential", "Jump", "Delay"}},
         {"Count", fpInteger, "1"}});
    define(t, fnPeriod, "Period", 3,
           "Compute time, where amplitude of pulse is in preset range (Pulse_length) or "
           "compute continual time, where amplitude of pulse is in preset range (Pulse_time)",
           runPeriod,
           {{"Type", fpList, "Pulse_length", {"Pulse_length", "Pulse_time"}},
            {"PulseLevelHigh", fpFloat, "9"},
            {"PulseLevelLow", fpFloat, "1"}});
    define(t, fnSpeed, "Speed", 3,
           "Compute speed from periodic signal. IPR .. Impuls Per Revolution.  For bump test "
           "set IPR = 0, Wheel preimeter = 0.2784",
           runSpeed,
           {{"IPR", fpInteger, "4"},
            {"Wheel perimeter", fpFloat, "1"},
            {"DecisionLevelHigh", fpFloat, "9"},
            {"DecisionLevelLow", fpFloat, "1"}});
    define(t, fnSPL, "SPL", 3, "Compute sound pressure level", runSPL,
           {{"FFT lines",
             fpList,
             "1024",
             {L[0], L[1], L[2], L[3], L[4], L[5], L[6], L[7], L[8], L[9], L[10], L[11], L[12]}},
            {"Window", fpList, "Hanning", {W[0], W[1], W[2], W[3]}},
            {"AverType", fpList, "Linear", {kFFTAverNames[0], kFFTAverNames[1]}},
            {"AverCnt", fpInteger, "0"},
            {"Overlay", fpInteger, "0"},
            {"Freq.weight", fpList, "A", {kFFTWeightNames[0], kFFTWeightNames[1]}},
            {"Lin / dB", fpList, "dB", {"Lin", "dB"}}});
    define(t, fnStepAver, "StepAver", 3, "Step average (Mean or RMS) on defined distance",
           runStepAver,
           {{"Speed SigNo", fpSigNo, "1"},
            {"Mean/RMS", fpList, "Mean", {"Mean", "RMS"}},
            {"Aver length [m]", fpFloat, "2.0"},
            {"Step length [m]", fpFloat, "0.5"}});
    define(t, fnTriStateReg, "Tri-state_regulator", 1,
           "Tri-state regulator. If FB > Actual set RTS. If FB<Actual set DTR. Else clear RTS "
           "and DTR",
           runTriStateReg,
           {{"Feedback sig no", fpSigNo, "1"},
            {"Max following error", fpFloat, "1"},
            {"Output", fpInteger, "0"},
            {"ComNo", fpInteger, "0"}});
    define(t, fnWork, "Work", 3,
           "Compute Absorbed, Received or Released mechanical work W = Suma(Fx * dLx)", runWork,
           {{"Force SigNo", fpSigNo, "1"},
            {"Work polarity", fpList, "Absorbed", {"Absorbed", "Received", "Released"}},
            {"Minimal displacement", fpFloat, "0"}});
    define(t, fnZeroing, "Zeroing", 3,
           "Offset signal to zero mean value. Mean value is computed frmo MAcount samples",
           runZeroing, {{"Offset", fpFloat, "0"}, {"MACount", fpInteger, "100"}});
    return t;
}

int fnTypeByName(const TFnTable& table, std::string_view name) {
    for (int i = 0; i < kFnTypeCount; ++i)
        if (table[i].Name == name)
            return i;
    return -1;
}

std::vector<TFnTyp> FnPickList(const TFnTable& table) {
    std::vector<TFnTyp> list;
    for (int i = 0; i < kFnTypeCount; ++i)
        if (table[i].Flags & kFnFlagPickList)
            list.push_back(static_cast<TFnTyp>(i));
    return list;
}

} // namespace mv
