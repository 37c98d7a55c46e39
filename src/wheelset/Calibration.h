#pragma once
// The three calibration commands of a measuring wheel: load the stand's forces with the
// wheel's tracking signals, fit the Q3 coefficients of a forward run, and fit the
// 360-position QYTL tables of either direction. They work on the wheel's block of the
// calibration sheet as a value block; the caller reads it before and writes it back
// after. The block changes only when a fit succeeds.
#include "wheelset/Qytl.h"

#include <string>
#include <vector>

namespace mv::wheelset {

enum class CalibrDirection { None, Forward, Backward };

struct CalibrRequest {
    int device = 5;
    CalibrDirection direction = CalibrDirection::None;
    std::string testPath; // the selected test's directory (Load only)
    std::string highPass = "0.05";
    std::string lowPass = "80.0";
    LoadFormat format = LoadFormat::Morvanet;
    std::string wheelName; // prefix of the raw bridge files, as in the wheel table
    // Current time and date texts for the table's stamp.
    std::string timeText;
    std::string dateText;
};

// Statistics of one least-squares fit; NaN where a value cannot be formed (one row, a
// target without variation); written as an empty cell then.
struct FitStats {
    double s = 0.0;
    double r2 = 0.0;
    int rows = 0;   // rows of the system (N)
    int filled = 0; // rows actually filled
};

struct CalibrResult {
    bool ok = false;
    bool blockChanged = false;
    // Q3: the four groups; QYTL: per output (Q, Y, T, L) the mean and maximum s.
    std::vector<FitStats> groups;
    std::array<double, 4> meanS{};
    std::array<double, 4> maxS{};
    std::vector<int> failed; // groups or positions whose fit was singular
};

// Statistics of a solved system: rows a (N x K, the last column the constant) and y.
FitStats fitStatistics(const std::vector<std::vector<double>>& a, const std::vector<double>& y,
                       const std::vector<double>& x);

// "Load calibration files": writes the test directory into the block (row 16) and
// fills slots 1 FQ, 2 FY, 3 "B1f" x 100, 4 "SinMA", 5 "HWP".
CalibrResult LoadCalibrFiles(TDeviceFunc& d, Block& block, const CalibrRequest& req,
                             ComputeContext& ctx);
// "Compute Q3 coef" (forward runs): fits the four position groups over From..To of the
// block and writes coefficients, statistics and DirSign; then computes the check run
// (slots 1 "SinMA", 2 "HWP", 3 "SWP").
CalibrResult ComputeQ3Coef(TDeviceFunc& d, Block& block, const CalibrRequest& req,
                           ComputeContext& ctx);
// "Compute QYTL calibr.coef.": the 360 position tables of the request's direction, with
// the compensated tracking, and the marker of that direction.
CalibrResult ComputeQytlCoef(TDeviceFunc& d, Block& block, const CalibrRequest& req,
                             ComputeContext& ctx);

} // namespace mv::wheelset
