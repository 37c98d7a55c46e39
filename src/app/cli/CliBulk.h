#pragma once
// What `bulk`, `bulk-merge` and the Slurm submission of `bulk` share: the report of the
// records a run or a merge committed, and the submission itself.
#include "app/cli/CliEval.h"
#include "evaluation/IdRecord.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace mv::cli {

const char* outcomeName(IdOutcome o);

// The lines of the records with their levels on stderr, then what else the pane got (the
// commit's own complaints, the end of the run) that the records do not already say.
void reportLines(StderrLog& log, const std::vector<EvalLine>& before,
                 const std::vector<IdRecord>& records, const std::vector<LogLine>& pane);
// {"id": .., "outcome": .., "messages": [..], "files": [..]} for each record.
void writeIds(JsonWriter& w, const std::vector<IdRecord>& records);
// "N processed, N skipped, N failed"
std::string outcomeCounts(const std::vector<IdRecord>& records);

// A bulk run handed to Slurm: the slices of from..to as the tasks of one array job that
// write fragments into `fragments`, and a merge job that runs once all of them succeeded.
struct SlurmRequest {
    std::vector<std::string> bulkArgs;  // `bulk` options for a slice, without --from/--to
    bool jobsGiven = false;             // else each task runs as many workers as it has CPUs
    std::vector<std::string> mergeArgs; // `bulk-merge` options but --fragments/--from/--to
    std::string fragments;              // absolute
    int from = 0, to = 0;
    int tasks = 1;
    std::optional<std::string> partition;
    std::vector<std::string> sbatchArgs;
    bool wait = false;
    bool resume = false;
    bool json = false;
};
int submitToSlurm(const SlurmRequest& rq, std::ostream& out, StderrLog& log);

} // namespace mv::cli
