#pragma once
// The computations of the catalogue functions. Each takes the step with Count
// samples at Buf (and its auxiliary inputs) and overwrites the samples in place.
#include "processing/FnSlot.h"

namespace mv {

void runAmplitude(TFnSlot& s, const FnRunContext& c);
void runBandPass(TFnSlot& s, const FnRunContext& c);
void runCalc(TFnSlot& s, const FnRunContext& c);
void runDistance(TFnSlot& s, const FnRunContext& c);
void runDrop(TFnSlot& s, const FnRunContext& c);
void runFilter(TFnSlot& s, const FnRunContext& c);
void runFilter0(TFnSlot& s, const FnRunContext& c);
void runGate(TFnSlot& s, const FnRunContext& c);
void runGener(TFnSlot& s, const FnRunContext& c);
void runIncremAB(TFnSlot& s, const FnRunContext& c);
void runInvSig(TFnSlot& s, const FnRunContext& c);
void runMath(TFnSlot& s, const FnRunContext& c);
void runMinMax(TFnSlot& s, const FnRunContext& c);
void runMirror(TFnSlot& s, const FnRunContext& c);
void runMovAver(TFnSlot& s, const FnRunContext& c);
void runPeriod(TFnSlot& s, const FnRunContext& c);
void runSpeed(TFnSlot& s, const FnRunContext& c);
void runSPL(TFnSlot& s, const FnRunContext& c);
void runStepAver(TFnSlot& s, const FnRunContext& c);
void runTriStateReg(TFnSlot& s, const FnRunContext& c);
void runWork(TFnSlot& s, const FnRunContext& c);
void runZeroing(TFnSlot& s, const FnRunContext& c);

// Clears the run state of the step's current function (and the ring in every case).
void resetRunState(TFnSlot& s);

} // namespace mv
