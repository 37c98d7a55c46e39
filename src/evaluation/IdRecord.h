#pragma once
// Everything one Test ID of a bulk run writes, kept in the order it happened, so the
// evaluation of an ID can run anywhere (another thread, another machine) and be
// committed later: the commit of the records in ID order writes the same workbook a
// sequential run writes.
#include "evaluation/EvalLine.h"
#include "evaluation/workbook/SpreadsheetApp.h"

#include <string>
#include <vector>

namespace mv {

enum class IdOutcome : std::uint8_t { Processed, Skipped, Failed };

struct RecordOp {
    enum class Kind : std::uint8_t {
        Pane,    // a line of the log pane only
        LogLine, // "ID " + id + " " + text in the pane and a row of the EvaLog log
        ZoneRow, // a result row of sheet "Zone" + zone
        Count,   // a number into `column` of the EvaLog log row the next log line uses
    };
    Kind kind = Kind::Pane;
    LineLevel level = LineLevel::Info; // Pane, LogLine (Error: bold in the EvaLog)
    std::string text;                  // Pane, LogLine
    int zone = 0;                      // ZoneRow: 1..6
    bool transition = false;           // ZoneRow
    std::vector<CellValue> cells;      // ZoneRow: columns 1.. of the row
    int column = 0;                    // Count: column of the log, the Proc_ID column being 1
    double value = 0.0;                // Count
};

struct IdRecord {
    int id = 0;
    std::string testPath;
    IdOutcome outcome = IdOutcome::Failed;
    std::vector<RecordOp> ops;
    std::vector<std::string> files; // signal files written, full paths

    void pane(LineLevel level, std::string text) {
        RecordOp op;
        op.level = level;
        op.text = std::move(text);
        ops.push_back(std::move(op));
    }
    void logLine(std::string text, bool error = false) {
        RecordOp op;
        op.kind = RecordOp::Kind::LogLine;
        op.level = error ? LineLevel::Error : LineLevel::Info;
        op.text = std::move(text);
        ops.push_back(std::move(op));
    }
    void zoneRow(int zone, bool transition, std::vector<CellValue> cells) {
        RecordOp op;
        op.kind = RecordOp::Kind::ZoneRow;
        op.zone = zone;
        op.transition = transition;
        op.cells = std::move(cells);
        ops.push_back(std::move(op));
    }
    void count(int column, double value) {
        RecordOp op;
        op.kind = RecordOp::Kind::Count;
        op.column = column;
        op.value = value;
        ops.push_back(std::move(op));
    }
    // The lines as the pane shows them, for reports (JSON "messages").
    std::vector<EvalLine> messages() const;
};

} // namespace mv
