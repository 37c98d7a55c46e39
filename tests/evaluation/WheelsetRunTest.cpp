// The wheel's block of "CalibrWS" as the Log workbook holds it, and the refusals of the
// wheelset commands before anything is computed.
#include "evaluation/WheelsetRun.h"

#include "core/Log.h"
#include "files/Readers.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

using namespace wheelset;

struct LogBook {
    SpreadsheetApp app;
    SpreadsheetState st;
    SheetHandle calibr;
    explicit LogBook(bool withCalibr = true) {
        const WorkbookId wb = app.newWorkbook("Log");
        st.LogSheet = app.sheet(wb, "Log");
        if (withCalibr)
            calibr = app.addSheet(wb, "CalibrWS");
    }
};

TEST(WheelsetRun, BlockOfDevice5IsRows1449To1810AndWritesBackInPlace) {
    LogBook b;
    b.app.setValue(b.calibr, 1449, 1, CellValue::str("first"));
    b.app.setValue(b.calibr, 1451, 8, CellValue::num(0.25)); // H1451: B8 of Q, position 1
    b.app.setValue(b.calibr, 1810, 117, CellValue::num(7));
    b.app.setValue(b.calibr, 1811, 1, CellValue::str("device 6"));
    Block blk = readCalibrBlock(b.app, b.calibr, 5);
    ASSERT_EQ(blk.rows, 362);
    ASSERT_EQ(blk.cols, 117);
    EXPECT_EQ(calibr::at(blk, 1, 1).text, "first");
    EXPECT_EQ(
        calibr::at(blk, calibr::positionRow(1), calibr::bridgeCol(0, 8, calibr::coefBaseFW)).number,
        0.25);
    EXPECT_EQ(calibr::at(blk, 362, 117).number, 7);
    calibr::at(blk, calibr::q3Row(1), 2) = CellValue::num(3.5);
    writeCalibrBlock(b.app, b.calibr, 5, blk);
    EXPECT_EQ(b.app.value2(b.calibr, 1483, 2).number, 3.5);
    EXPECT_EQ(b.app.value2(b.calibr, 1811, 1).text, "device 6");
    EXPECT_THROW(readCalibrBlock(b.app, b.calibr, 33), RangeError);
}

TEST(WheelsetRun, RefusalsBeforeAnyComputation) {
    SignalStore store;
    ReaderTable readers;
    files::installReaders(readers);
    CaptureLog log;
    ComputeContext ctx{store, readers, log};
    DeviceTable devices;
    {
        LogBook noSheet(false);
        QytlRunRequest req;
        req.currentId = 1;
        EXPECT_FALSE(ComputeQytlRun(noSheet.app, noSheet.st, devices, req, ctx).started);
        EXPECT_TRUE(log.contains("Can not open Excel calibration sheet:  \"CalibrWS\""));
        CalibrRequest cr;
        cr.direction = CalibrDirection::Forward;
        EXPECT_FALSE(
            runCalibrCommand(noSheet.app, noSheet.st, devices[5], CalibrCommand::Q3, cr, ctx)
                .sheetFound);
    }
    LogBook b;
    QytlRunRequest req;
    EXPECT_FALSE(ComputeQytlRun(b.app, b.st, devices, req, ctx).started);
    EXPECT_TRUE(log.contains("No Test ID selected !"));
    req.currentId = 1;
    req.loadFormat = LoadFormat::BkCsv;
    EXPECT_FALSE(ComputeQytlRun(b.app, b.st, devices, req, ctx).started);
    EXPECT_TRUE(log.contains("Unsuported input file format: B&K_CSV"));

    // The click in the graph: From then To of the direction's column.
    EXPECT_FALSE(fillFromToSample(b.app, b.st, 5, CalibrDirection::None, 0, 10, log));
    EXPECT_TRUE(log.contains("Select direction of calibration."));
    EXPECT_TRUE(fillFromToSample(b.app, b.st, 5, CalibrDirection::Backward, 0, 10, log));
    EXPECT_TRUE(fillFromToSample(b.app, b.st, 5, CalibrDirection::Backward, 1, 20, log));
    EXPECT_EQ(b.app.value2(b.calibr, 1465, 3).number, 10);
    EXPECT_EQ(b.app.value2(b.calibr, 1466, 3).number, 20);

    // A refused calibration writes nothing into the block.
    const Block before = readCalibrBlock(b.app, b.calibr, 5);
    CalibrRequest cr;
    cr.direction = CalibrDirection::Forward;
    const auto r = runCalibrCommand(b.app, b.st, devices[5], CalibrCommand::Table, cr, ctx);
    EXPECT_TRUE(r.sheetFound);
    EXPECT_FALSE(r.result.ok);
    const Block after = readCalibrBlock(b.app, b.calibr, 5);
    EXPECT_EQ(after.values, before.values);
}

} // namespace
} // namespace mv
