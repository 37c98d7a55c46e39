#pragma once
// A simulated measuring wheel: eight strain-gauge bridges round the wheel whose signals
// follow from known forces Q, Y, T and the contact point L through known response
// shapes, with noise. Used to check that calibration and QYTL give the forces back.
#include "evaluation/workbook/SpreadsheetApp.h"

#include <functional>
#include <string>
#include <vector>

namespace mv::wheelsim {

struct WheelRun {
    double fs = 1200.0;
    std::vector<double> angle;               // contact angle [deg], unwrapped
    std::vector<double> Q, Y, T, L;          // truth per sample
    std::vector<std::vector<float>> bridges; // 8 bridges [mV/V]
};

struct WheelSimOptions {
    double fs = 1200.0;
    double seconds = 60.0;
    double revPerSecond = 1.0; // negative turns backward
    double startAngle = 0.0;
    double noise = 0.001; // bridge noise, mV/V (standard deviation)
    unsigned seed = 1;
    bool stand = true; // stand loads vary Q, Y, T and L independently; running loads less
};

// Bridge k (1..8) under unit loads at angle delta from its centre.
double bridgeResponse(int load, double deltaDeg); // load 0 Q, 1 Y, 2 T, 3 moment Q*L
WheelRun simulateWheel(const WheelSimOptions& o);

// One native file of a signal named `name`.
void writeSignal(const std::string& path, const std::string& name, double fs,
                 const std::vector<float>& v);

// Writes the bridges (prefix_B1.mvn ..) and the forces (FQ1, FY1, FT2, L1) as native files.
// The running tests leave the stand's force files out (forces = false).
void writeWheelFiles(const WheelRun& run, const std::string& dir, const std::string& prefix,
                     bool forces = true);

// A device block with NB 8, RegrN 8, MALen maLen, SmoothN 0 and the force file names.
Block simulatedBlock(int maLen);

} // namespace mv::wheelsim
