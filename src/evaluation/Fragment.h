#pragma once
// A bulk run split across machines: each part evaluates a slice of the Test IDs and
// writes the record of every ID into a folder of fragments instead of the EvaLog; the
// merge reads them all and commits them in ID order through the EvaLog writer of an
// ordinary run, so the workbook it writes is the one a single run writes.
//
// The folder holds, per ID, "record-<id>.json":
//   {"format": "mvtervik-bulk-record", "version": 1,
//    "layout": {"ident": "...", "computed": ["SumY", ...], "zoneSheets": ["Zone1", ...]},
//    "id": 12, "testPath": "/data/.../12/", "outcome": "processed" | "skipped" | "failed",
//    "ops": [ {"op": "pane", "level": "info" | "warning" | "error", "text": "..."},
//             {"op": "log", "level": ..., "text": "..."},          a row of the EvaLog log
//             {"op": "zone", "zone": 1..6, "transition": false,
//              "cells": [null | {"n": 1.5} | {"d": 45000} | {"s": "text"} | {"b": true}
//                        | {"e": "#N/A"}, ...]},                    a result row
//             {"op": "count", "column": 7, "value": 3} ],           a count of the log row
//    "files": ["/dest/.../12/SumY.mvn", ...]}
// and per slice that was started, "slice-<from>-<to>.json":
//   {"format": "mvtervik-bulk-slice", "version": 1, "from": 1, "to": 40, "layout": {...}}
// A number that is not finite is written as the text "nan", "inf" or "-inf". A record
// file appears whole or not at all (written beside it and renamed).
#include "evaluation/Bulk.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mv {

// What decides where a record's rows and counts land in an EvaLog: records written for
// one layout are not committed into another.
struct EvaLogLayout {
    std::string ident;
    std::vector<std::string> computed;   // computed-signal names, in table order
    std::vector<std::string> zoneSheets; // the "Zone1".."Zone6" sheets the EvaLog holds
    bool operator==(const EvaLogLayout&) const = default;
};

EvaLogLayout LayoutOf(const EvaPlan& plan, const SpreadsheetApp& app, const SpreadsheetState& st);
// The layout of the EvaLog in `st` (no Log needed); nullopt with the error lines.
std::optional<EvaLogLayout> ReadEvaLogLayout(SpreadsheetApp& app, const SpreadsheetState& st,
                                             std::vector<EvalLine>& lines);
// "" when equal, else what differs, e.g. "computed signals SumY, dQ1 / SumY, dQ2".
std::string LayoutDifference(const EvaLogLayout& here, const EvaLogLayout& there);

std::string RecordFileName(int id); // "record-12.json"
// "3, 7-12, 20": IDs as runs, in ascending order.
std::string IdRuns(std::vector<int> ids);
std::string RecordToJson(const IdRecord& rec, const EvaLogLayout& layout);
struct FragmentRecord {
    IdRecord record;
    EvaLogLayout layout;
};
// nullopt with `why` for anything that is not a whole record of the documented form.
std::optional<FragmentRecord> RecordFromJson(std::string_view text, std::string* why);

// The run over from..to writing fragments into `dir` (created when missing). The records
// of its IDs left by an earlier attempt are removed first, so a record present is one this
// run wrote. `unwritten` names the IDs whose record could not be written.
struct FragmentRun {
    BulkResult run;
    std::vector<int> unwritten;
};
FragmentRun RunBulkToFragments(SpreadsheetApp& app, SpreadsheetState& st, int from, int to,
                               const BulkOptions& opt, const ReaderTable& readers,
                               const std::string& dir, Log& pane, Progress& progress);

// IDs from..to whose record in `dir` is missing or cannot be read (used to resume).
std::vector<int> IncompleteIds(const std::string& dir, int from, int to);

struct MergeResult {
    bool merged = false;           // every record was committed
    int from = 0, to = 0;          // the range merged
    std::vector<EvalLine> lines;   // why nothing was committed
    std::vector<int> missing;      // IDs without a record
    std::vector<int> damaged;      // IDs whose record cannot be read or is another ID's
    std::vector<int> foreign;      // IDs whose record was written for another layout
    std::vector<IdRecord> records; // committed, in ID order
};

// Reads the records of from..to (without a range: from the slices and records the folder
// holds), and only when every one is there, sound and of the EvaLog's layout, commits
// them in ID order into the EvaLog of `st`. Otherwise the workbook is not touched.
MergeResult MergeFragments(SpreadsheetApp& app, const SpreadsheetState& st, const std::string& dir,
                           std::optional<std::pair<int, int>> range, Log& pane);

} // namespace mv
