#pragma once
// The per-wheel record of the wheelset computation: the device parameters read from
// the wheel's block of the calibration sheet, the filters and zeroing set from the
// wheel table, the angular-position tracking state and the 32 block buffers in which
// the QYTL kernels produce their signals.
#include "evaluation/workbook/SpreadsheetApp.h"
#include "processing/MV_mkfilter.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mv::wheelset {

inline constexpr int kDeviceCount = 32;
inline constexpr int kFnBufCount = 32;
inline constexpr int kFnBufCapacity = 660;
inline constexpr int kFnBlockLen = 40;
inline constexpr int kMaxBridges = 10;
inline constexpr int kPositions = 360;
inline constexpr int kMaRing = 41;
inline constexpr int kHalfPeriodRing = 32;

// One entry of the FnBuf catalogue.
struct FnBufInfo {
    const char* name;
    const char* unit;
    const char* description;
};
extern const std::array<FnBufInfo, kFnBufCount> kFnBufCatalogue;

// Buffer numbers (1-based, catalogue order) the kernels write.
enum FnBufNo : int {
    fbB1f = 1,
    fbB10f = 10,
    fbQ = 11,
    fbY = 12,
    fbT = 13,
    fbL = 14,
    fbAbsQ3_P1 = 15,
    fbSinMA = 19,
    fbSin = 20,
    fbQ3_P1 = 21,
    fbHWP = 25,
    fbHWP_OK = 26,
    fbSWP = 27,
    fbDevFnErr = 28,
    fbRelP = 29,
    fbSumaSqr = 30,
};

// The status-bar text of a catalogue row: description + " [" + unit + "]".
std::string fnBufHint(int no);

// Coefficients of one angular position: [0..3] the constants of Q, Y, T, L, then for
// bridge j = 1..10 the four coefficients at [4j .. 4j + 3].
using TQytlCoef = std::array<float, 44>;

struct ZeroState {
    float offset = 0.0f;
    double sum = 0.0;
    std::int32_t counter = 0;
};

struct TDeviceFunc {
    std::int32_t NB = 0; // 0 = parameters invalid
    std::array<std::array<float, kFnBufCapacity>, kFnBufCount> FnBuf{};
    std::int32_t ZeroCount = 0;
    std::array<ZeroState, kFnBufCount> ZeroRec{};
    float HPFreq = 0.0f;
    float LPFreq = 0.0f;
    std::array<TIirFilter, kFnBufCount> LPFilt{};
    std::array<TIirFilter, kFnBufCount> HPFilt{};
    float QYTLFreq = 0.0f;
    std::array<TIirFilter, 4> QYTLFilt{};
    std::array<TQytlCoef, kPositions> CoefFW{};
    std::array<TQytlCoef, kPositions> CoefBW{};
    std::array<std::array<float, 4>, 4> Q3Coef{};
    float DegPerBridge = 0.0f;

    // Moving averages of Sin and Q3_P1..Q3_P4.
    std::array<std::array<float, kMaRing>, 5> maRing{};
    std::array<float, 5> maSum{};
    std::int32_t MALen = 1;
    std::int32_t maIndex = 0;

    // Position tracking.
    bool sinPositive = false;                                   // g
    std::array<std::int32_t, kHalfPeriodRing + 1> halfPeriod{}; // h[1..32]
    std::int32_t halfIndex = 1;                                 // ri
    std::int32_t RegrN = 2;
    double sumK = 0.0, sumK2 = 0.0, regrDet = 0.0;
    double degPerSample = 1.0; // v
    double angle = 0.0;        // A
    double relPos = 0.0;       // r
    std::int32_t position = 1; // P
    std::int32_t prevCandidate = 0;
    std::int32_t prevDirection = 0;
    std::int32_t lockedDirection = 0; // dL
    std::int32_t quality = 0;         // q
    std::int32_t error = 0;           // e
    std::int32_t sinceCrossing = 0;   // t
    float prevSinMA = 0.0f;           // for the crossing's fraction of a sample

    float SinCorr = 0.0f;
    std::int32_t DirSign = 1;
    std::int32_t SmoothN = 0;
    std::array<double, 4> QytlOut{};

    // The table of each direction was made with the tracking that removes the delay of
    // the moving average (its block carries the marker); evaluated the same way.
    bool compensatedFW = false;
    bool compensatedBW = false;
};

// The 32 devices, on the heap: each record holds some 230 kB of buffers and tables.
class DeviceTable {
public:
    DeviceTable() : devices_(std::make_unique<std::array<TDeviceFunc, kDeviceCount>>()) {}
    // n = 1..32; throws RangeError otherwise.
    TDeviceFunc& operator[](int n);

private:
    std::unique_ptr<std::array<TDeviceFunc, kDeviceCount>> devices_;
};

// ---- the wheel's block of the calibration sheet ---------------------------------
namespace calibr {
inline constexpr int kBlockRows = 362;
inline constexpr int kBlockCols = 117;
inline constexpr const char* kSheetName = "CalibrWS";
// Block rows of the parameters (column B unless said otherwise).
inline constexpr int rowNB = 2, rowRegrN = 3, rowSinCorr = 4, rowDirSign = 5, rowMALen = 6,
                     rowSmoothN = 7;
inline constexpr int rowFileFQ = 9; // FQ, FY, FT, L in rows 9..12
// Row of the tracking marker: column B for the forward, C for the backward table. A
// value of 1 says the table was made with the delay-compensated position tracking;
// empty (as in every block made before) keeps the tracking as it always was.
inline constexpr int rowTrackingMarker = 14;
inline constexpr int rowPath = 16, rowFrom = 17, rowTo = 18, rowKo = 20, rowKs = 21, rowTime = 22,
                     rowDate = 23, rowMeanS = 25, rowMaxS = 29;
inline constexpr int colFW = 2, colBW = 3;
inline constexpr int coefBaseFW = 5, coefBaseBW = 62;
// First block row of position group h (1..4): c0, c1, c2, c3, s, R², rows.
constexpr int q3Row(int h) {
    return 35 + 9 * (h - 1);
}
// Block row of angular position p (1..360).
constexpr int positionRow(int p) {
    return p + 2;
}
// Columns of output o (0..3 = Q, Y, T, L) with base c (5 forward, 62 backward).
constexpr int bridgeCol(int o, int bridge, int c) {
    return 11 + 14 * o + c - bridge;
}
constexpr int constCol(int o, int c) {
    return 14 * o + c + 11;
}
constexpr int stdErrCol(int o, int c) {
    return 14 * o + c + 12;
}
constexpr int r2Col(int o, int c) {
    return 14 * o + c + 13;
}
constexpr int countCol(int c) {
    return c - 1;
}
// Sheet row of block row r of device n.
constexpr int sheetRow(int n, int r) {
    return (n - 1) * kBlockRows + r;
}
// "B1451" for a cell of device n's block.
std::string cellName(int n, int blockRow, int col);
// The empty block.
Block emptyBlock();
// Block cell by block row and column (both from 1).
inline CellValue& at(Block& b, int row, int col) {
    return b.at(row - 1, col - 1);
}
inline const CellValue& at(const Block& b, int row, int col) {
    return b.at(row - 1, col - 1);
}
} // namespace calibr

// ---- the setters the wheel table (or the calibration page) drives ----------------
struct SetterResult {
    int result = 0; // -1 invalid, 0 off, 1 on
    std::string message;
};
// `sep` is the user's decimal separator; both '.' and ',' are read as it.
SetterResult SetZeroCount(TDeviceFunc& d, int n, std::string_view text, char sep);
SetterResult SetHighPass(TDeviceFunc& d, int n, double fs, std::string_view text, char sep);
SetterResult SetLowPass(TDeviceFunc& d, int n, double fs, std::string_view text, char sep);
SetterResult SetQytlLowPass(TDeviceFunc& d, int n, double fs, std::string_view text, char sep);

struct LoadParamResult {
    bool ok = false;
    // The sheet cell that made the parameters invalid, with what it held.
    std::string detail;
};
// Reads the device parameters and tables from the block (362 x 117) of device n and
// resets the tracking state. Invalid parameters leave NB = 0.
LoadParamResult LoadDevFuncParam(TDeviceFunc& d, int n, const Block& cells);

} // namespace mv::wheelset
