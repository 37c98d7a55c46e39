#include "evaluation/CopyToSheet.h"

#include "core/Errors.h"
#include "core/TextNumbers.h"
#include "core/TimeWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mv {

std::vector<int> copiedSignals(const SignalStore& store) {
    std::vector<int> out;
    for (int k = 1; k <= kSlotCount; ++k)
        if (store[k].SampleCount > 0 && store[k].Plot)
            out.push_back(k);
    return out;
}

std::vector<std::int64_t> copyIndices(double T1, double T2, double fs, std::int64_t count,
                                      int maxRows) {
    std::vector<std::int64_t> out;
    if (!(fs > 0.0) || count <= 0)
        return out;
    const SampleRange w = windowToSamples(T1, T2, fs, count);
    if (w.empty() || w.first > count)
        return out;
    const std::int64_t from = std::max<std::int64_t>(w.first, 1), to = w.last;
    const std::int64_t step = std::max<std::int64_t>(1, (to - from + 1) / std::max(1, maxRows));
    std::int64_t i = from;
    do {
        out.push_back(i);
        i += step;
    } while (i < to);
    return out;
}

namespace {

std::string timeText(double t, char sep) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%1.6f", t);
    return withDecimalSeparator(buf, sep);
}

} // namespace

SheetCopy planSheetCopy(const SignalStore& store, const CopyRequest& req) {
    SheetCopy plan;
    bool first = true;
    int col = 2;
    for (const int k : copiedSignals(store)) {
        const SignalRecord& r = store[k];
        const std::vector<std::int64_t> idx =
            copyIndices(req.T1, req.T2, r.f_sampl, r.SampleCount, req.maxRows);
        if (first) {
            plan.dir = r.SigDir.str();
            for (const auto i : idx)
                plan.timeText +=
                    timeText(static_cast<double>(i - 1) / r.f_sampl, req.decimalSeparator) + "\n";
            plan.timeLines = static_cast<int>(idx.size());
            first = false;
        }
        // Decimal places come from the settings file; keep them to what a float can show.
        const int decimals = std::clamp(r.DecPlaces, 0, 15);
        CopyColumn c;
        c.col = col++;
        c.name = r.SigName.str();
        for (const auto i : idx)
            c.text += formatFloatF(r.Data[static_cast<size_t>(i - 1)], 10, decimals,
                                   req.decimalSeparator) +
                      "\n";
        c.lines = static_cast<int>(idx.size());
        plan.columns.push_back(std::move(c));
    }
    return plan;
}

bool copySignalsToSheet(SpreadsheetApp& app, const SheetHandle& sheet, const SignalStore& store,
                        const CopyRequest& req, Log& log, TextSink* clipboard) {
    const SheetCopy plan = planSheetCopy(store, req);
    try {
        bool first = true;
        for (const CopyColumn& c : plan.columns) {
            log.info("Copy signals to Excel " + c.name);
            if (first) {
                app.setValue(sheet, 1, 1, CellValue::str(plan.dir));
                app.setValue(sheet, 2, 1, CellValue::str("Time"));
                if (clipboard)
                    clipboard->setText(plan.timeText);
                app.pasteText(sheet, 3, 1, plan.timeText, req.decimalSeparator);
                first = false;
            }
            app.setValue(sheet, 2, c.col, CellValue::str(c.name));
            if (clipboard)
                clipboard->setText(c.text);
            app.pasteText(sheet, 3, c.col, c.text, req.decimalSeparator);
        }
    } catch (const Error& e) {
        log.warn("Copy to Excel Error !");
        log.warn(e.what());
        return false;
    }
    return true;
}

int PasteToExcel(SpreadsheetApp& app, const SheetHandle& sheet, int row, const SignalStore& store,
                 const StatMarks& marks, const SigImageState& image, int column, Log& log) {
    const int r = std::clamp(row, kRowInXlsMin, kRowInXlsMax);
    const int next = std::min(r + 1, kRowInXlsMax);
    const std::vector<int> sigs = copiedSignals(store);
    int c = 4;
    try {
        if (column < 0) {
            log.info("Header pasted to Excel");
            const auto head = [&](int col, const std::string& text) {
                app.setValue(sheet, r, col, CellValue::str(text));
                app.setBold(sheet, r, col, true);
            };
            head(1, "T1");
            head(2, "T2");
            head(3, "T");
            for (const int k : sigs)
                for (size_t m = 0; m < marks.size(); ++m)
                    if (marks[m])
                        head(c++, store[k].SigName.str() + " " + kStatCaptions[m]);
            head(c, "Path");
            return next;
        }
        const double T = image._Sirka > 1
                             ? image._T1 + column * (image._T2 - image._T1) / (image._Sirka - 1)
                             : image._T1;
        log.info("Paste to Excel.Time=" + formatFloatF(T, 10, 6));
        app.setValue(sheet, r, 1, CellValue::num(image._T1));
        app.setValue(sheet, r, 2, CellValue::num(image._T2));
        app.setValue(sheet, r, 3, CellValue::num(T));
        for (const int k : sigs) {
            const SignalRecord& s = store[k];
            const TImageSigRec& rec = image.ImageRec[static_cast<size_t>(k - 1)];
            const bool none = roundHalfEven(T * s.f_sampl) + 1 > s.SampleCount;
            const bool inPts = static_cast<size_t>(column) < rec.Pts.size();
            for (size_t m = 0; m < marks.size(); ++m) {
                if (!marks[m])
                    continue;
                CellValue v = CellValue::empty();
                if (!none) {
                    switch (m) {
                    case 0:
                        if (inPts)
                            v = CellValue::num(rec.Pts[static_cast<size_t>(column)].Val);
                        break;
                    case 1:
                        if (inPts)
                            v = CellValue::num(rec.Pts[static_cast<size_t>(column)].SmpNo);
                        break;
                    case 2:
                        v = CellValue::num(rec.SmpCount);
                        break;
                    case 3:
                        v = CellValue::num(rec.SMin);
                        break;
                    case 4:
                        v = CellValue::num(rec.SMax);
                        break;
                    case 5:
                        v = CellValue::num(rec.SMean);
                        break;
                    default:
                        v = CellValue::num(rec.SRMS);
                        break;
                    }
                    if (v.type == CellType::Number && !std::isfinite(v.number))
                        v = CellValue::empty();
                }
                app.setValue(sheet, r, c++, v);
            }
        }
        app.setValue(sheet, r, c, CellValue::str(store[1].SigDir.str()));
    } catch (const Error& e) {
        log.warn("Paste to Excel Error !");
        log.warn(e.what());
    }
    return next;
}

} // namespace mv
