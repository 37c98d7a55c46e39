#pragma once
// The full evaluation of one test: zone signals from the section list, zeroing, and
// the accepted stretches of every zone with their result rows.
#include "core/LoadFiles.h"
#include "core/Progress.h"
#include "core/SignalStore.h"
#include "evaluation/EvaPlan.h"
#include "evaluation/IdRecord.h"
#include "evaluation/TestLog.h"

#include <string>
#include <vector>

namespace mv {

// Preparation: reads the seven zones from `ZoneListRng` of the PARAM sheet into the plan
// and checks that the sheets "Zone1".."Zone6" exist and that their row-2 headings name
// the computed signals. False (with a line saying what differs) when they do not.
bool readZoneList(SpreadsheetApp& app, const SheetHandle& param, EvaPlan& plan,
                  std::vector<EvalLine>& lines);

// Where a worker reads the auxiliary signals and the section list from.
struct TrackIo {
    const ReaderTable& readers;
    LoadFormat format = LoadFormat::Morvanet;
    double defaultFs = 4000.0;
    char decimalSeparator = '.';
    std::string trackSubdir; // track-information subfolder of the Log folder
};

enum class TrackOutcome : std::uint8_t {
    Done,       // evaluated (also after "User abort": saving and "Processed" follow)
    ZoneFailed, // "Can not create Zone signal from Excel"
    Failed,     // "Error processing !!!"
};

// Runs after the computed signals exist in slots M+1..M+C and the speed in slot S.
// Opens the auxiliary signals into S+1..S+4, creates S+5..S+13, and writes its log
// lines, counts and result rows into `rec`. `progress.cancelled()` is the Escape key,
// polled once per zone.
TrackOutcome EvaluateTrack(const EvaPlan& plan, const TestSelection& sel, const TrackIo& io,
                           SignalStore& store, IdRecord& rec, Progress& progress);

// Percentile of sorted samples by linear interpolation between order statistics.
double percentileSorted(const std::vector<float>& sorted, double p);

} // namespace mv
