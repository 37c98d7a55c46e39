#include "wheelset/DeviceFunc.h"

#include <gtest/gtest.h>

namespace mv::wheelset {
namespace {

using namespace calibr;

TEST(CalibrLayout, DeviceFiveCells) {
    EXPECT_EQ(sheetRow(5, 1), 1449);
    EXPECT_EQ(sheetRow(5, kBlockRows), 1810);
    EXPECT_EQ(sheetRow(1, kBlockRows), 362);
    EXPECT_EQ(cellName(5, positionRow(1), bridgeCol(0, 8, coefBaseFW)), "H1451");
    EXPECT_EQ(cellName(5, positionRow(1), bridgeCol(0, 8, coefBaseBW)), "BM1451");
    EXPECT_EQ(cellName(5, positionRow(1), bridgeCol(0, 1, coefBaseFW)), "O1451");
    EXPECT_EQ(cellName(5, positionRow(1), constCol(0, coefBaseFW)), "P1451");
    EXPECT_EQ(cellName(5, positionRow(1), bridgeCol(3, 10, coefBaseBW)), "DA1451");
    EXPECT_EQ(cellName(5, positionRow(1), r2Col(3, coefBaseBW)), "DM1451");
    EXPECT_EQ(cellName(5, positionRow(1), stdErrCol(1, coefBaseFW)), "AE1451");
    EXPECT_EQ(cellName(5, positionRow(1), countCol(coefBaseFW)), "D1451");
    EXPECT_EQ(cellName(5, positionRow(1), countCol(coefBaseBW)), "BI1451");
    EXPECT_EQ(cellName(5, q3Row(1), 2), "B1483");
    EXPECT_EQ(cellName(5, q3Row(4) + 6, 2), "B1516");
    EXPECT_EQ(cellName(5, rowPath, colBW), "C1464");
    EXPECT_EQ(cellName(5, rowFrom, colFW), "B1465");
    EXPECT_EQ(cellName(5, rowTo, colBW), "C1466");
    EXPECT_EQ(cellName(5, rowTime, colFW), "B1470");
    EXPECT_EQ(cellName(5, rowMaxS + 3, colFW), "B1480");
}

TEST(FnBufCatalogue, NamesAndHints) {
    EXPECT_STREQ(kFnBufCatalogue[0].name, "B1f");
    EXPECT_STREQ(kFnBufCatalogue[fbSWP - 1].name, "SWP");
    EXPECT_STREQ(kFnBufCatalogue[31].name, "fb32");
    EXPECT_EQ(fnBufHint(fbQ), "Q force [kN]");
    EXPECT_EQ(fnBufHint(fbSumaSqr), "Sum of square of all filtered values bridges [(mV/V)2]");
}

struct SetterCase {
    const char* setter;
    const char* text;
    char sep;
    int result;
    const char* message;
};

TEST(Setters, MessagesAndResults) {
    const SetterCase cases[] = {
        {"zero", "abc", '.', -1, "Device 3 - Zero value must be integer >= 0"},
        {"zero", "3", '.', 1, "Device 3 - Zero count 0..2^32"},
        {"zero", "-1", '.', -1, "Device 3 - Zero value must be integer >= 0"},
        {"hp", "0.005", '.', -1,
         "Device 3 - invalid HP frequency: 0.005. Minimal high pass frequency: 0.01 Hz"},
        {"hp", "0,05", ',', 1, "Device 3 - High pass frequency: 0.05 Hz"},
        {"hp", "0.05", ',', 1, "Device 3 - High pass frequency: 0.05 Hz"},
        {"hp", "0,05", '.', 1, "Device 3 - High pass frequency: 0.05 Hz"},
        {"hp", "x", '.', -1,
         "Device 3 - invalid HP frequency: x. Minimal high pass frequency: 0.01 Hz"},
        {"lp", "0.5", '.', -1,
         "Device 3 - invalid LP frequency: 0.5. Minimal low pass frequency: 1.00 Hz"},
        {"lp", "", '.', 0, ""},
        {"zero", "", '.', 1, "Device 3 - Zero count 0..2^32"},
        {"lp", "80", '.', 1, "Device 3 - Low pass frequency: 80.00 Hz"},
        {"lp", "600", '.', -1, "half the sampling frequency"},
        {"qytl", "0", '.', 0, "Device 3 - QYTL low pass frequency off"},
        {"qytl", "abc", '.', 0, "Device 3 - QYTL low pass frequency off"},
        {"qytl", "20", '.', 1, "Device 3 - QYTL low pass frequency20.00 Hz"},
    };
    for (const auto& c : cases) {
        TDeviceFunc d;
        d.NB = 8;
        const std::string s = c.setter;
        SetterResult r = s == "zero" ? SetZeroCount(d, 3, c.text, c.sep)
                         : s == "hp" ? SetHighPass(d, 3, 1200, c.text, c.sep)
                         : s == "lp" ? SetLowPass(d, 3, 1200, c.text, c.sep)
                                     : SetQytlLowPass(d, 3, 1200, c.text, c.sep);
        EXPECT_EQ(r.result, c.result) << s << " " << c.text;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
        if (s == "hp" && r.result == 1) {
            EXPECT_FLOAT_EQ(d.HPFreq, 0.05f);
        }
        if (r.result == -1 && s != "zero") {
            EXPECT_EQ(s == "hp" ? d.HPFreq : d.LPFreq, 0.0f);
        }
    }
}

TEST(Setters, HighPassOffOnlySaysSoWhenItWasOn) {
    TDeviceFunc d;
    d.NB = 8;
    EXPECT_EQ(SetHighPass(d, 1, 1200, "0", '.').message, "");
    ASSERT_EQ(SetHighPass(d, 1, 1200, "0.1", '.').result, 1);
    const SetterResult off = SetHighPass(d, 1, 1200, "0", '.');
    EXPECT_EQ(off.result, 0);
    EXPECT_EQ(off.message, "High pass filter off");
    EXPECT_EQ(d.HPFreq, 0.0f);
}

TEST(Setters, ZeroCountClearsTheZeroingState) {
    TDeviceFunc d;
    d.NB = 8;
    d.ZeroRec[7] = {1.5f, 3.0, 2};
    d.ZeroRec[8] = {1.5f, 3.0, 2};
    SetZeroCount(d, 1, "2", '.');
    EXPECT_EQ(d.ZeroRec[7].offset, 0.0f);
    EXPECT_EQ(d.ZeroRec[8].counter, 2) << "bridges above NB keep theirs";
    EXPECT_EQ(d.ZeroCount, 2);
}

Block validBlock() {
    Block b = emptyBlock();
    at(b, rowNB, 2) = CellValue::num(8);
    at(b, rowRegrN, 2) = CellValue::num(8);
    at(b, rowSinCorr, 2) = CellValue::str("0.25");
    at(b, rowDirSign, 2) = CellValue::num(-1);
    at(b, rowMALen, 2) = CellValue::num(5);
    return b;
}

TEST(LoadDevFuncParam, ReadsParametersTablesAndResetsTracking) {
    Block b = validBlock();
    at(b, positionRow(1), bridgeCol(0, 8, coefBaseFW)) = CellValue::num(2.5);
    at(b, positionRow(360), constCol(3, coefBaseBW)) = CellValue::num(-7);
    at(b, positionRow(2), bridgeCol(1, 9, coefBaseFW)) = CellValue::num(4);
    at(b, q3Row(1), 2) = CellValue::num(11);
    at(b, q3Row(4) + 3, 2) = CellValue::num(44);
    at(b, rowTrackingMarker, colBW) = CellValue::num(1);
    TDeviceFunc d;
    d.FnBuf[9].fill(3.0f); // B10f left by a ten-bridge wheel
    d.quality = 8;
    ASSERT_TRUE(LoadDevFuncParam(d, 5, b).ok);
    EXPECT_EQ(d.NB, 8);
    EXPECT_EQ(d.DirSign, -1);
    EXPECT_FLOAT_EQ(d.SinCorr, 0.25f);
    EXPECT_EQ(d.SmoothN, 0) << "an empty cell reads as 0";
    EXPECT_FLOAT_EQ(d.CoefFW[0][32], 2.5f);
    EXPECT_FLOAT_EQ(d.CoefBW[359][3], -7.0f);
    EXPECT_FLOAT_EQ(d.CoefFW[1][37], 4.0f);
    EXPECT_FLOAT_EQ(d.Q3Coef[0][0], 11.0f);
    EXPECT_FLOAT_EQ(d.Q3Coef[3][3], 44.0f);
    EXPECT_FALSE(d.compensatedFW);
    EXPECT_TRUE(d.compensatedBW);
    EXPECT_DOUBLE_EQ(d.sumK, 36);
    EXPECT_DOUBLE_EQ(d.sumK2, 204);
    EXPECT_DOUBLE_EQ(d.regrDet, 8 * 204 - 36 * 36);
    EXPECT_EQ(d.quality, 0);
    EXPECT_FLOAT_EQ(d.DegPerBridge, 45.0f);
    EXPECT_EQ(d.FnBuf[9][0], 0.0f);
}

TEST(LoadDevFuncParam, InvalidParametersNameTheirCell) {
    struct Case {
        int row;
        CellValue v;
        const char* cell;
    };
    const Case cases[] = {
        {rowNB, CellValue::num(7), "B1450"},        {rowNB, CellValue::num(11), "B1450"},
        {rowNB, CellValue::empty(), "B1450"},       {rowRegrN, CellValue::num(1), "B1451"},
        {rowRegrN, CellValue::num(33), "B1451"},    {rowMALen, CellValue::num(0), "B1454"},
        {rowMALen, CellValue::num(42), "B1454"},    {rowSmoothN, CellValue::num(-1), "B1455"},
        {rowSinCorr, CellValue::str("x"), "B1452"}, {rowDirSign, CellValue::str("+-"), "B1453"},
    };
    for (const auto& c : cases) {
        Block b = validBlock();
        at(b, c.row, 2) = c.v;
        TDeviceFunc d;
        const LoadParamResult r = LoadDevFuncParam(d, 5, b);
        EXPECT_FALSE(r.ok) << c.cell;
        EXPECT_EQ(d.NB, 0);
        EXPECT_NE(r.detail.find(c.cell), std::string::npos) << r.detail;
    }
}

} // namespace
} // namespace mv::wheelset
