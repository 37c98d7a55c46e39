#include "evaluation/WheelsetRun.h"

#include "core/Errors.h"
#include "files/SaveSlot.h"

#include <filesystem>

namespace mv {

using namespace wheelset;

std::optional<SheetHandle> calibrSheet(const SpreadsheetApp& app, const SpreadsheetState& st) {
    if (!st.LogSheet.isSet() || !app.isOpen(st.LogSheet))
        return std::nullopt;
    return app.findSheet(st.LogSheet.workbook, calibr::kSheetName);
}

namespace {
CellRange blockRange(int n) {
    return {{calibr::sheetRow(n, 1), 1},
            {calibr::sheetRow(n, calibr::kBlockRows), calibr::kBlockCols}};
}
bool validDevice(int n) {
    return n >= 1 && n <= kDeviceCount;
}
} // namespace

Block readCalibrBlock(const SpreadsheetApp& app, const SheetHandle& sheet, int n) {
    if (!validDevice(n))
        throw RangeError("device number " + std::to_string(n) + " outside 1..32");
    return app.readBlock(sheet, blockRange(n));
}

void writeCalibrBlock(SpreadsheetApp& app, const SheetHandle& sheet, int n, const Block& block) {
    if (!validDevice(n))
        throw RangeError("device number " + std::to_string(n) + " outside 1..32");
    app.writeBlock(sheet, blockRange(n).first, block);
}

CalibrRunResult runCalibrCommand(SpreadsheetApp& app, const SpreadsheetState& st,
                                 TDeviceFunc& device, CalibrCommand cmd, const CalibrRequest& req,
                                 ComputeContext& ctx) {
    CalibrRunResult out;
    const auto sheet = calibrSheet(app, st);
    if (!sheet) {
        ctx.log.warn(kNoCalibrSheet);
        return out;
    }
    out.sheetFound = true;
    if (!validDevice(req.device)) {
        ctx.log.warn("Device number " + std::to_string(req.device) + " outside 1..32");
        return out;
    }
    Block block = readCalibrBlock(app, *sheet, req.device);
    switch (cmd) {
    case CalibrCommand::Load:
        out.result = LoadCalibrFiles(device, block, req, ctx);
        break;
    case CalibrCommand::Q3:
        out.result = ComputeQ3Coef(device, block, req, ctx);
        break;
    case CalibrCommand::Table:
        out.result = ComputeQytlCoef(device, block, req, ctx);
        break;
    }
    if (out.result.blockChanged) {
        writeCalibrBlock(app, *sheet, req.device, block);
        app.setScreenUpdating(true);
    }
    return out;
}

bool fillFromToSample(SpreadsheetApp& app, const SpreadsheetState& st, int n, CalibrDirection dir,
                      int gridColumn, long long sample, Log& log) {
    const auto sheet = calibrSheet(app, st);
    if (!sheet) {
        log.warn(kNoCalibrSheet);
        return false;
    }
    if (dir == CalibrDirection::None) {
        log.warn("Select direction of calibration.");
        return false;
    }
    if (!validDevice(n))
        return false;
    const int row = calibr::sheetRow(n, gridColumn == 0 ? calibr::rowFrom : calibr::rowTo);
    const int col = dir == CalibrDirection::Backward ? calibr::colBW : calibr::colFW;
    app.setValue(*sheet, row, col, CellValue::num(static_cast<double>(sample)));
    return true;
}

QytlRunResult ComputeQytlRun(SpreadsheetApp& app, SpreadsheetState& st, DeviceTable& devices,
                             const QytlRunRequest& req, ComputeContext& ctx,
                             const QytlRunHooks& hooks) {
    QytlRunResult res;
    const auto sheet = calibrSheet(app, st);
    if (!sheet) {
        ctx.log.warn(kNoCalibrSheet);
        return res;
    }
    if (static_cast<int>(req.loadFormat) > static_cast<int>(LoadFormat::SingleIeee754)) {
        ctx.log.warn(std::string("Unsuported input file format: ") +
                     kLoadFormatNames[static_cast<size_t>(req.loadFormat)]);
        return res;
    }
    std::vector<int> ids;
    if (req.fromId != 0 && req.toId != 0) {
        if (hooks.beforeRange)
            hooks.beforeRange();
        for (int id = req.fromId; id <= req.toId; ++id)
            ids.push_back(id);
    } else if (req.currentId != 0) {
        ids.push_back(req.currentId);
    } else {
        ctx.log.warn("No Test ID selected !");
        return res;
    }
    res.started = true;
    for (int id : ids) {
        ctx.store.ClearSlot(0);
        const TestSelection sel = SelectTestId(app, st, id, req.trackSubdir);
        if (hooks.selected)
            hooks.selected(sel);
        if (!sel.valid) {
            for (const auto& l : sel.messages)
                ctx.log.add(l.text, l.level != LineLevel::Info);
            res.skippedIds.push_back(id);
            continue;
        }
        st.TestPath = sel.testPath;
        ctx.log.info("Processing QYTL test ID: " + std::to_string(id) + " ....");
        res.processedIds.push_back(id);
        for (int n = 1; n <= kDeviceCount; ++n) {
            const WheelRowSettings& w = req.wheels[static_cast<size_t>(n - 1)];
            if (w.Proceed != "1")
                continue;
            QytlWheelOutcome outcome{id, n, false, {}};
            TDeviceFunc& d = devices[n];
            const Block block = readCalibrBlock(app, *sheet, n);
            const LoadParamResult lp = LoadDevFuncParam(d, n, block);
            if (!lp.ok) {
                ctx.log.warn("Invalid DevFuncParam for device " + std::to_string(n) + " (" +
                             lp.detail + ")");
                res.wheels.push_back(outcome);
                continue;
            }
            ComputeRequest cr;
            cr.device = n;
            cr.save = req.save;
            cr.path = sel.testPath;
            cr.wheelName = w.WheelName;
            cr.zeroing = w.Zeroing;
            cr.highPass = w.HP;
            cr.lowPass = w.LP;
            cr.qytlFilter = req.qytlFilter;
            cr.format = req.loadFormat;
            const ComputeResult c = ComputeQYTL(d, cr, ctx);
            if (c.cancelled) {
                res.cancelled = true;
                res.wheels.push_back(outcome);
                return res;
            }
            if (!c.ok) {
                ctx.log.warn("Error QYTL processing for ID: " + std::to_string(id) +
                             "  device: " + std::to_string(n));
                res.wheels.push_back(outcome);
                continue;
            }
            outcome.ok = true;
            for (int s : c.slotOf)
                if (s)
                    outcome.outputs.push_back(ctx.store[s].SigName.str());
            res.wheels.push_back(std::move(outcome));
        }
        if (hooks.computed)
            hooks.computed(id);
        if (req.saveDiv != 0) {
            ctx.log.info("Export files from ID: " + std::to_string(id));
            std::string dir = sel.testPath;
            if (!req.outDir.empty()) {
                dir = joinPath(req.outDir, std::to_string(id));
                std::error_code ec;
                std::filesystem::create_directories(dir, ec);
            }
            files::SaveContext sc{ctx.log, {}, ctx.progress};
            for (int s = 1; s <= kSlotCount; ++s) {
                if (!ctx.store[s].occupied())
                    continue;
                {
                    auto guard = ctx.store.writeGuard();
                    ctx.store[s].SaveDiv = req.saveDiv;
                }
                files::SaveRequest sr;
                sr.slot = s;
                sr.T1 = req.T1;
                sr.T2 = req.T2;
                sr.dir = dir;
                sr.format = req.saveFormat;
                sr.backup = req.backup;
                if (files::SaveSlot(ctx.store, sr, sc) == files::SaveStatus::Written)
                    ++res.filesWritten;
                if (ctx.progress.cancelled()) {
                    res.cancelled = true;
                    return res;
                }
            }
        }
    }
    ctx.log.info("End QYTL processing ");
    return res;
}

} // namespace mv
