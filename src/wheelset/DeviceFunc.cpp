#include "wheelset/DeviceFunc.h"

#include "core/Errors.h"
#include "core/TextNumbers.h"
#include "evaluation/workbook/CellRef.h"

#include <cmath>
#include <optional>

namespace mv::wheelset {

const std::array<FnBufInfo, kFnBufCount> kFnBufCatalogue = {{
    {"B1f", "mV/V", "Filtered value of Bridge 1"},
    {"B2f", "mV/V", "Compute filtered value of Bridge 2"},
    {"B3f", "mV/V", "Compute filtered value of Bridge 3"},
    {"B4f", "mV/V", "Compute filtered value of Bridge 4"},
    {"B5f", "mV/V", "Filtered value of Bridge 5"},
    {"B6f", "mV/V", "Compute filtered value of Bridge 6"},
    {"B7f", "mV/V", "Compute filtered value of Bridge 7"},
    {"B8f", "mV/V", "Compute filtered value of Bridge 8"},
    {"B9f", "mV/V", "Filtered value of Bridge 9"},
    {"B10f", "mV/V", "Compute filtered value of Bridge 10"},
    {"Q", "kN", "Q force"},
    {"Y", "kN", "Y force"},
    {"T", "kN", "T force"},
    {"L", "mm", "lateral position of contact point"},
    {"absQ3_P1", "", "Value=2 in P1 and P5"},
    {"absQ3_P2", "", "Value=2 in P2 and P6"},
    {"absQ3_P3", "", "Value=2 in P3 and P7"},
    {"absQ3_P4", "", "Value=2 in P4 and P8"},
    {"SinMA", "1", "Moving average of Sin"},
    {"Sin", "1", "Sin"},
    {"Q3_P1", "kN", "Q3 from 3 equations in position 0 deg"},
    {"Q3_P2", "kN", "Q3 from 3 equations in position 45 deg"},
    {"Q3_P3", "kN", "Q3 from 3 equations in position 90 deg"},
    {"Q3_P4", "kN", "Q3 from 3 equations in position 135 deg"},
    {"HWP", "1", "hardware position P1..P8"},
    {"HWP_OK", "1", "Quality of HWP"},
    {"SWP", "\xC2\xB0", "Software position"},
    {"devFnErr", "\xC2\xB0", ""},
    {"rel_P", "\xC2\xB0", "Relative position"},
    {"SumaSqr", "(mV/V)2", "Sum of square of all filtered values bridges"},
    {"fb31", "%", ""},
    {"fb32", "", ""},
}};

std::string fnBufHint(int no) {
    if (no < 1 || no > kFnBufCount)
        return {};
    const auto& e = kFnBufCatalogue[static_cast<size_t>(no - 1)];
    return std::string(e.description) + " [" + e.unit + "]";
}

TDeviceFunc& DeviceTable::operator[](int n) {
    if (n < 1 || n > kDeviceCount)
        throw RangeError("Device number " + std::to_string(n) + " outside 1..32");
    return (*devices_)[static_cast<size_t>(n - 1)];
}

namespace calibr {
std::string cellName(int n, int blockRow, int col) {
    return mv::cellName(sheetRow(n, blockRow), col);
}
Block emptyBlock() {
    return Block(kBlockRows, kBlockCols);
}
} // namespace calibr

namespace {

// The user may type either separator: both are read as the decimal point.
std::optional<double> readFrequency(std::string_view text, char sep) {
    std::string s(trimBlanks(text));
    // An empty cell of the wheel table is not marked invalid there: it means off.
    if (s.empty())
        return 0.0;
    for (char& ch : s)
        if (ch == ',' || ch == sep)
            ch = '.';
    return parseWholeFinite(s);
}

std::string fixed(double v) {
    return formatFloatF(v, 15, 2);
}

std::string dev(int n) {
    return "Device " + std::to_string(n);
}

int bridgesOf(const TDeviceFunc& d) {
    return d.NB == 0 ? kFnBufCount : d.NB;
}

} // namespace

SetterResult SetZeroCount(TDeviceFunc& d, int n, std::string_view text, char sep) {
    auto v = readFrequency(text, sep);
    if (!v || *v < 0 || *v > 4294967295.0)
        return {-1, dev(n) + " - Zero value must be integer >= 0"};
    // Counts above int32 behave as "never average": no recording is that long.
    const double r = std::nearbyint(*v);
    d.ZeroCount = r > 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(r);
    for (int k = 0; k < bridgesOf(d); ++k)
        d.ZeroRec[static_cast<size_t>(k)] = {};
    return {1, dev(n) + " - Zero count 0..2^32"};
}

namespace {

SetterResult setBridgeFilter(TDeviceFunc& d, int n, double fs, std::string_view text, char sep,
                             bool high) {
    float& freq = high ? d.HPFreq : d.LPFreq;
    const double minimum = high ? 0.00999 : 0.999;
    const char* tag = high ? "HP" : "LP";
    auto v = readFrequency(text, sep);
    if (!v) {
        freq = 0.0f;
        return {-1, dev(n) + " - invalid " + tag + " frequency: " + std::string(text) +
                        ". Minimal " + (high ? "high" : "low") +
                        " pass frequency: " + fixed(high ? 0.01 : 1.0) + " Hz"};
    }
    if (*v <= 0) {
        const bool wasOn = freq > 0.0f;
        freq = 0.0f;
        return {0, wasOn ? std::string(high ? "High pass filter off" : "Low pass filter off")
                         : std::string()};
    }
    if (*v < minimum) {
        freq = 0.0f;
        return {-1, dev(n) + " - invalid " + tag + " frequency: " + std::string(text) +
                        ". Minimal " + (high ? "high" : "low") +
                        " pass frequency: " + fixed(high ? 0.01 : 1.0) + " Hz"};
    }
    // A corner at or above half the sampling rate has no digital filter.
    if (!(fs > 0) || *v >= fs / 2) {
        freq = 0.0f;
        return {-1, dev(n) + " - invalid " + tag + " frequency: " + std::string(text) +
                        ". It must stay below half the sampling frequency " + fixed(fs / 2) +
                        " Hz"};
    }
    auto& filters = high ? d.HPFilt : d.LPFilt;
    for (int k = 0; k < bridgesOf(d); ++k) {
        auto& f = filters[static_cast<size_t>(k)];
        DesignIirFilter(high ? IirKind::HighPass : IirKind::LowPass, high ? 2 : 5, *v / fs, f);
        f.reset();
    }
    freq = static_cast<float>(*v);
    return {1, dev(n) + " - " + (high ? "High" : "Low") + " pass frequency: " + fixed(*v) + " Hz"};
}

} // namespace

SetterResult SetHighPass(TDeviceFunc& d, int n, double fs, std::string_view text, char sep) {
    return setBridgeFilter(d, n, fs, text, sep, true);
}

SetterResult SetLowPass(TDeviceFunc& d, int n, double fs, std::string_view text, char sep) {
    return setBridgeFilter(d, n, fs, text, sep, false);
}

SetterResult SetQytlLowPass(TDeviceFunc& d, int n, double fs, std::string_view text, char sep) {
    auto v = readFrequency(text, sep);
    if (!v || *v <= 0) {
        d.QYTLFreq = 0.0f;
        return {0, dev(n) + " - QYTL low pass frequency off"};
    }
    if (!(fs > 0) || *v >= fs / 2) {
        d.QYTLFreq = 0.0f;
        return {-1, dev(n) + " - invalid QYTL low pass frequency: " + std::string(text) +
                        ". It must stay below half the sampling frequency " + fixed(fs / 2) +
                        " Hz"};
    }
    for (auto& f : d.QYTLFilt) {
        DesignIirFilter(IirKind::LowPass, 4, *v / fs, f);
        f.reset();
    }
    d.QYTLFreq = static_cast<float>(*v);
    return {1, dev(n) + " - QYTL low pass frequency" + fixed(*v) + " Hz"};
}

namespace {

// A parameter cell: empty reads as 0, a number as itself, a text only when it is one.
std::optional<double> paramValue(const CellValue& c) {
    if (c.isEmpty())
        return 0.0;
    if (c.isNumber() || c.type == CellType::Bool)
        return c.number;
    if (c.type == CellType::Text)
        return parseWholeFinite(trimBlanks(c.text));
    return std::nullopt;
}

// Table cells: anything that is not a number reads as 0, as the spreadsheet delivers it.
float tableValue(const CellValue& c) {
    if (c.isNumber())
        return static_cast<float>(c.number);
    if (c.type == CellType::Text)
        if (auto v = parseWholeFinite(trimBlanks(c.text)))
            return static_cast<float>(*v);
    return 0.0f;
}

std::string cellText(const CellValue& c) {
    if (c.isEmpty())
        return "empty";
    if (c.isNumber())
        return formatFloatF(c.number, 15, 6);
    return "\"" + c.text + "\"";
}

} // namespace

LoadParamResult LoadDevFuncParam(TDeviceFunc& d, int n, const Block& cells) {
    using namespace calibr;
    if (cells.rows < kBlockRows || cells.cols < kBlockCols) {
        d.NB = 0;
        return {false, "the block is smaller than 362 x 117 cells"};
    }
    auto bad = [&](int row, const char* what) {
        d.NB = 0;
        return LoadParamResult{false, "cell " + calibr::cellName(n, row, 2) + " (" + what +
                                          ") = " + cellText(at(cells, row, 2))};
    };
    std::array<double, 8> p{};
    for (int row = rowNB; row <= rowSmoothN; ++row) {
        auto v = paramValue(at(cells, row, 2));
        if (!v)
            return bad(row, "not a number");
        p[static_cast<size_t>(row)] = *v;
    }
    const int nb = static_cast<int>(std::nearbyint(p[rowNB]));
    if (nb < 8 || nb > kMaxBridges)
        return bad(rowNB, "NB must be 8..10");
    const int regrN = static_cast<int>(std::nearbyint(p[rowRegrN]));
    if (regrN < 2 || regrN > kHalfPeriodRing)
        return bad(rowRegrN, "RegrN must be 2..32");
    const int maLen = static_cast<int>(std::nearbyint(p[rowMALen]));
    if (maLen < 1 || maLen > kMaRing)
        return bad(rowMALen, "MALen must be 1..41");
    const int smoothN = static_cast<int>(std::nearbyint(p[rowSmoothN]));
    if (smoothN < 0)
        return bad(rowSmoothN, "SmoothN must be >= 0");

    d.NB = nb;
    d.DirSign = static_cast<int>(std::nearbyint(p[rowDirSign]));
    d.RegrN = regrN;
    d.SinCorr = static_cast<float>(p[rowSinCorr]);
    d.MALen = maLen;
    d.SmoothN = smoothN;
    for (int h = 1; h <= 4; ++h)
        for (int i = 0; i < 4; ++i)
            d.Q3Coef[static_cast<size_t>(h - 1)][static_cast<size_t>(i)] =
                tableValue(at(cells, q3Row(h) + i, 2));
    for (int pos = 1; pos <= kPositions; ++pos) {
        auto& fw = d.CoefFW[static_cast<size_t>(pos - 1)];
        auto& bw = d.CoefBW[static_cast<size_t>(pos - 1)];
        for (int o = 0; o < 4; ++o) {
            fw[static_cast<size_t>(o)] =
                tableValue(at(cells, positionRow(pos), constCol(o, coefBaseFW)));
            bw[static_cast<size_t>(o)] =
                tableValue(at(cells, positionRow(pos), constCol(o, coefBaseBW)));
            for (int j = 1; j <= kMaxBridges; ++j) {
                fw[static_cast<size_t>(4 * j + o)] =
                    tableValue(at(cells, positionRow(pos), bridgeCol(o, j, coefBaseFW)));
                bw[static_cast<size_t>(4 * j + o)] =
                    tableValue(at(cells, positionRow(pos), bridgeCol(o, j, coefBaseBW)));
            }
        }
    }
    d.compensatedFW = tableValue(at(cells, rowTrackingMarker, colFW)) == 1.0f;
    d.compensatedBW = tableValue(at(cells, rowTrackingMarker, colBW)) == 1.0f;

    d.degPerSample = 1.0;
    const double N = regrN;
    d.sumK = N * (N + 1) / 2;
    d.sumK2 = (2 * N * N * N + 3 * N * N + N) / 6;
    d.regrDet = N * d.sumK2 - d.sumK * d.sumK;
    d.angle = 0.0;
    d.relPos = 0.0;
    d.sinceCrossing = 0;
    d.halfIndex = 1;
    d.halfPeriod.fill(1);
    d.sinPositive = false;
    d.prevSinMA = 0.0f;
    d.maIndex = 0;
    for (auto& r : d.maRing)
        r.fill(0.0f);
    d.maSum.fill(0.0f);
    d.position = 1;
    d.prevCandidate = 0;
    d.prevDirection = 0;
    d.lockedDirection = 0;
    d.quality = 0;
    d.error = 0;
    d.DegPerBridge = 360.0f / static_cast<float>(nb);
    // Bridges an earlier wheel with more bridges left in the buffers would enter
    // SumaSqr of this one.
    for (int k = nb; k < kMaxBridges; ++k)
        d.FnBuf[static_cast<size_t>(k)].fill(0.0f);
    return {true, {}};
}

} // namespace mv::wheelset
