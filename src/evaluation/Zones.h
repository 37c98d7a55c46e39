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

// Preparation: reads the seven zones from `ZoneListRng` of the PARAM sheet and the
// section-list workbook name from `SectionListFile` into the plan, and checks that the
// sheets "Zone1".."Zone6" of the PARAM sheet's workbook exist and that their row-2
// headings (column 51 + 8k) show the texts of the computed-signal name cells. Needs
// `plan.C` and the `CompSigTable` name. False (with one error line saying what differs or
// what could not be read) when they do not; the caller then ends the preparation.
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

// The caller writes the failure's log line ("Can not create Zone signal from Excel",
// "Error processing !!!"); the record already holds the lines that say why.
enum class TrackOutcome : std::uint8_t {
    Done,       // evaluated (also after "User abort": saving and "Processed" follow)
    ZoneFailed, // "Can not create Zone signal from Excel"
    Failed,     // "Error processing !!!": a missing Track_km, uf_mm or Curve, no speed
                // samples or rate, no room for the result slots, an exception
};

// Runs after the computed signals exist in slots M+1..M+C and the speed in slot S.
// Opens the auxiliary signals into S+1..S+4 (from `sel.testPath`; Drop optional), creates
// S+5..S+13, and writes its log lines, counts and result rows into `rec`; the zone-sheet
// row of a result is chosen when the record is committed. The section list is read from
// plan.logFolder / io.trackSubdir / plan.sectionListFile, sheet `sel.trackInfo`.
// Signals shorter than the speed are walked over the common length (one error line).
// `progress.cancelled()` is the Escape key, polled once per zone only: a cancel that is
// still set when the next ID starts aborts that ID's section step too.
TrackOutcome EvaluateTrack(const EvaPlan& plan, const TestSelection& sel, const TrackIo& io,
                           SignalStore& store, IdRecord& rec, Progress& progress);

// Percentile of sorted samples by linear interpolation between order statistics (numpy's
// quantile, method "linear"); p in 0..1. NaN for no samples.
double percentileSorted(const std::vector<float>& sorted, double p);

} // namespace mv
