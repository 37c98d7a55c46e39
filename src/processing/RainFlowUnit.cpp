#include "processing/RainFlowUnit.h"

#include "core/TextNumbers.h"
#include "core/TimeWindow.h"
#include "evaluation/workbook/CellRef.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>

namespace mv {

namespace {

constexpr int kMatrixRow = 4; // B4: mean class 0, range class 0
constexpr int kMatrixCol = 2;
constexpr int kCounterRow = 2; // J2: the number of matrices added to the sheet
constexpr int kCounterCol = 10;
constexpr int kLogFirstRow = 10;
constexpr int kMaxRow = 1048576;
constexpr int kMaxCol = 16384;

// The stage message that is shown when a stage fails.
struct StageFailure {
    std::string text;
};

// A cell's value as a number the way a spreadsheet converts it: empty is 0, a text must
// hold a number. nullopt when it cannot be converted.
std::optional<double> cellNumber(const CellValue& v) {
    switch (v.type) {
    case CellType::Empty:
        return 0.0;
    case CellType::Number:
    case CellType::Date:
    case CellType::Bool:
        return v.number;
    case CellType::Text:
        return parseWholeDouble(trimBlanks(v.text));
    case CellType::Error:
        break;
    }
    return std::nullopt;
}

double readReal(SpreadsheetApp& app, const SheetHandle& sh, const char* name) {
    const NamedCell c = app.namedCell(sh, name);
    const auto v = cellNumber(app.value2(c.sheet, c.row, c.column));
    if (!v)
        throw StageFailure{std::string("V buňce ") + name + " není číslo !"};
    return *v;
}

// An integer cell converts by rounding to the nearest integer, ties to even.
std::optional<long long> readWhole(SpreadsheetApp& app, const SheetHandle& sh, const char* name) {
    const double v = readReal(app, sh, name);
    if (!std::isfinite(v) || std::abs(v) > 2e9)
        return std::nullopt;
    return roundHalfEven(v);
}

std::string fixed4(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

// Restores screen updating however the command ends.
class ScreenUpdatingOff {
public:
    explicit ScreenUpdatingOff(SpreadsheetApp& app) : app_(app) { app_.setScreenUpdating(false); }
    ~ScreenUpdatingOff() { app_.setScreenUpdating(true); }
    ScreenUpdatingOff(const ScreenUpdatingOff&) = delete;
    ScreenUpdatingOff& operator=(const ScreenUpdatingOff&) = delete;

private:
    SpreadsheetApp& app_;
};

struct Prepared {
    RainflowParams params;
    int logRow = 0;
};

// Steps 1 to 4: the parameter sheet, Ident, the four parameters, the log row.
std::optional<Prepared> prepare(SpreadsheetApp& app, const SheetHandle& sh, Log& log,
                                std::vector<std::string>& messages) {
    std::string stage = kRfNoParamSheet;
    try {
        if (!sh.isSet() || !app.isOpen(sh))
            throw StageFailure{stage};
        app.workbook(sh.workbook).name();

        stage = kRfWrongSheet;
        {
            const NamedCell c = app.namedCell(sh, "Ident");
            const CellValue v = app.value2(c.sheet, c.row, c.column);
            if (v.type != CellType::Text || v.text != "RainFlow")
                throw StageFailure{stage};
        }

        Prepared p;
        stage = "V buňce PocetAmpli není číslo !";
        const auto nA = readWhole(app, sh, "PocetAmpli");
        if (!nA)
            throw StageFailure{stage};
        stage = "V buňce PocetPredp není číslo !";
        const auto nM = readWhole(app, sh, "PocetPredp");
        if (!nM)
            throw StageFailure{stage};
        stage = "V buňce MaxEDif není číslo !";
        const double Em = readReal(app, sh, "MaxEDif");
        stage = "V buňce MaxAmpli není číslo !";
        const double Ea = readReal(app, sh, "MaxAmpli");

        // Classes that cannot hold a half cycle would make every count fail, and a class
        // width of zero or infinity no hysteresis: refused before anything is counted.
        const auto refuse = [&](const char* cell, const std::string& why) {
            messages.push_back(std::string("The cell ") + cell + " of the rainflow parameter " +
                               "sheet " + why + "; nothing was counted.");
            log.add(messages.back(), true);
        };
        if (*nA < 1) {
            refuse("PocetAmpli", "must hold a number of range classes of at least 1");
            return std::nullopt;
        }
        if (*nM < 1) {
            refuse("PocetPredp", "must hold a number of mean classes of at least 1");
            return std::nullopt;
        }
        if (!std::isfinite(Em) || Em <= 0) {
            refuse("MaxEDif", "must hold a span of the means greater than 0");
            return std::nullopt;
        }
        if (!std::isfinite(Ea) || Ea <= 0) {
            refuse("MaxAmpli", "must hold a top range greater than 0");
            return std::nullopt;
        }
        p.params = {static_cast<int>(*nA), static_cast<int>(*nM), Em, Ea};
        // The matrix lies from B4 on: no more classes than the sheet has cells for.
        if (p.params.nA > kMaxCol - 1) {
            log.add("PocetAmpli " + std::to_string(p.params.nA) + " is more than the sheet's " +
                        std::to_string(kMaxCol - 1) + " columns from B on; capped",
                    true);
            p.params.nA = kMaxCol - 1;
        }
        if (p.params.nM > kMaxRow - 3) {
            log.add("PocetPredp " + std::to_string(p.params.nM) + " is more than the sheet's " +
                        std::to_string(kMaxRow - 3) + " rows from 4 on; capped",
                    true);
            p.params.nM = kMaxRow - 3;
        }
        if (static_cast<long long>(p.params.nA) * p.params.nM > kRainflowMaxCells) {
            refuse("PocetAmpli", "and the cell PocetPredp ask for a matrix of more than " +
                                     std::to_string(kRainflowMaxCells) + " cells");
            return std::nullopt;
        }

        // The log row: the first empty cell of A11 downwards, A10 last.
        const auto row = app.find(sh, CellRange{{kLogFirstRow, 1}, {65536, 1}}, CellValue::empty(),
                                  FindDirection::Next);
        if (!row)
            throw StageFailure{stage};
        p.logRow = row->row;
        return p;
    } catch (const StageFailure& f) {
        messages.push_back(f.text);
    } catch (const SpreadsheetError& e) {
        log.add(e.what(), true);
        messages.push_back(stage);
    }
    return std::nullopt;
}

void writeLogRow(SpreadsheetApp& app, const SheetHandle& sh, int row, const RainflowRequest& req,
                 const SignalRecord& r) {
    app.setValue(sh, row, 1, CellValue::num(row - kLogFirstRow));
    // Times as the spreadsheet takes a fixed text with four decimals: a number.
    app.setValue(sh, row, 2, CellValue::num(std::stod(fixed4(req.T1))));
    app.setValue(sh, row, 3, CellValue::num(std::stod(fixed4(req.T2))));
    app.setNumberFormat(sh, CellRange{{row, 2}, {row, 3}}, "0.0000");
    app.setValue(sh, row, 4, CellValue::str(r.SigDir.str() + r.SigName.str() + r.FileExt.str()));
}

std::string slotText(int slot, const SignalRecord& r) {
    return std::to_string(slot) + " " + r.SigName.str();
}

// Step 7: the sheet's matrix plus this run's counts, pasted back at B4.
void addMatrix(SpreadsheetApp& app, const SheetHandle& sheet, const CountMatrix& m, Log& log) {
    const CellRange block{{kMatrixRow, kMatrixCol},
                          {kMatrixRow + m.rows() - 1, kMatrixCol + m.cols() - 1}};
    const Block old = app.readBlock(sheet, block);
    std::string text;
    bool foreign = false;
    for (int i = 0; i < m.rows(); ++i) {
        for (int j = 0; j < m.cols(); ++j) {
            auto v = cellNumber(old.at(i, j));
            if (!v || !std::isfinite(*v)) {
                foreign = true;
                v = 0.0;
            }
            const double sum = *v + static_cast<double>(m.at(i, j));
            text += std::to_string(std::llround(sum));
            text += '\t';
        }
        text += "\r\n";
    }
    if (foreign)
        log.add("The matrix of sheet " + app.sheetName(sheet) +
                    " held cells that are not numbers; they count as 0",
                true);
    app.pasteText(sheet, kMatrixRow, kMatrixCol, text);
}

} // namespace

RainflowOutcome RunRainflow(SpreadsheetApp& app, const SignalStore& store,
                            const RainflowRequest& req, Log& log) {
    RainflowOutcome out;
    const auto prepared = prepare(app, req.paramSheet, log, out.messages);
    if (!prepared)
        return out;
    out.ran = true;
    out.params = prepared->params;
    const RainflowParams& p = prepared->params;
    const double h = p.hysteresis();
    const WorkbookId book = req.paramSheet.workbook;
    const std::string bookName = app.workbook(book).name();

    ScreenUpdatingOff screen(app);
    CountMatrix counts(p.nM, p.nA);
    bool first = true;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const SignalRecord& r = store[slot];
        if (!r.occupied() || !r.Plot)
            continue;
        if (first) {
            writeLogRow(app, req.paramSheet, prepared->logRow, req, r);
            out.logRow = prepared->logRow;
            first = false;
        }
        RainflowSignalResult res;
        res.slot = slot;
        res.name = r.SigName.str();

        // A window that holds none of the signal's samples counts nothing and makes no sheet.
        // The buffer bounds the window as well as the count, so no record can make the
        // counting read past its samples.
        const SampleRange w = windowToSamples(
            req.T1, req.T2, r.f_sampl,
            std::min<std::int64_t>(r.SampleCount, static_cast<std::int64_t>(r.Data.size())));
        if (w.empty()) {
            log.add("Rainflow: the window " + fixed4(req.T1) + " .. " + fixed4(req.T2) +
                        " s holds no sample of signal " + slotText(slot, r) + "; skipped",
                    true);
            out.results.push_back(std::move(res));
            continue;
        }
        // The result sheet: refused for this signal alone when its name cannot be one.
        const auto found = app.findSheet(book, res.name);
        if (found && *found == req.paramSheet) {
            log.add("Rainflow: signal " + slotText(slot, r) +
                        " is named like the parameter sheet; its counts are not written",
                    true);
            out.results.push_back(std::move(res));
            continue;
        }
        SheetHandle sheet;
        if (found) {
            sheet = *found;
        } else {
            try {
                app.workbook(book).checkNewSheetName(res.name, nullptr);
            } catch (const SpreadsheetError& e) {
                log.add("Rainflow: signal " + slotText(slot, r) +
                            " cannot have a result sheet: " + e.what(),
                        true);
                out.results.push_back(std::move(res));
                continue;
            }
            sheet = app.addSheet(book, res.name);
            app.runMacro(bookName + "!FormatListu", sheet);
        }

        counts.zero();
        const std::span<const float> samples =
            r.Data.span().subspan(static_cast<size_t>(w.first - 1), static_cast<size_t>(w.count()));
        RainflowList list;
        try {
            list = ExtractTurningPoints(samples, h);
        } catch (const std::bad_alloc&) {
            out.messages.push_back(kRfNoMemory + slotText(slot, r));
            out.results.push_back(std::move(res));
            continue;
        }
        if (!RainflowCount(list, p, counts, log, &res.halfCycles)) {
            out.messages.push_back(kRfBadParams + slotText(slot, r));
            out.results.push_back(std::move(res));
            continue;
        }
        addMatrix(app, sheet, counts, log);
        const auto j2 = cellNumber(app.value2(sheet, kCounterRow, kCounterCol));
        app.setValue(sheet, kCounterRow, kCounterCol,
                     CellValue::num((j2 && std::isfinite(*j2) ? *j2 : 0.0) + 1.0));
        app.runMacro(bookName + "!VybarviMatici", sheet);
        res.written = true;
        res.counts = counts;
        out.results.push_back(std::move(res));
    }
    if (first)
        log.add("Rainflow: no signal is plotted; nothing was counted", true);
    return out;
}

} // namespace mv
