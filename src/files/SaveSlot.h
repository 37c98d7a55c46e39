#pragma once
// Writing slots to files in the four save formats: the save divider thins the
// samples, only the part inside a time window is written, ASCII and raw files
// can be appended to, and an existing file can first be moved to a backup whose
// extension ends in '0'.
#include "core/LoadFiles.h"
#include "core/Progress.h"
#include "files/FileHeader.h"

#include <limits>
#include <optional>
#include <string>

namespace mv::files {

struct SaveContext {
    Log& log;
    // Descriptive text, open Log workbook and file ID of the headers we write.
    HeaderInfo header;
    // The commands that save several files report after each one (the user interface
    // shows its log line at once) and stop between two files when cancelled.
    Progress& progress = NullProgress::instance();
};

// One file to write: which slot, which part of it, where and how.
struct SaveRequest {
    int slot = 0;
    // The time window in seconds; the default takes the whole signal.
    double T1 = 0.0;
    double T2 = std::numeric_limits<double>::infinity();
    // Every saveDiv-th sample is written; empty takes the slot's own save divider.
    std::optional<int> saveDiv;
    // Target directory, with or without its trailing '/'.
    std::string dir;
    SaveFormat format = SaveFormat::Morvanet;
    // Add to an existing ASCII or raw file instead of creating one.
    bool append = false;
    // Move an existing file to its backup name (".mv0") before writing.
    bool backup = false;
};

bool validSaveFormat(SaveFormat f);
// ".mvn", ".mat", ".txt", ".dat"; "" for a format outside the list.
const char* saveExtension(SaveFormat f);
// The path with the last character of its extension replaced by '0' (".mvn" -> ".mv0").
std::string backupName(const std::string& path);
// The signal name as a file name: '/' cannot be part of one, so it becomes '_'.
std::string fileNameOf(const std::string& sigName);

enum class SaveStatus {
    Written,
    NotSaved,     // save divider 0 (or below)
    NotFound,     // appending to a file that does not exist
    BackupFailed, // the old file could not be moved away; nothing written
    EmptyWindow,  // the window holds none of the signal's samples; nothing written
    Refused,      // the format cannot be appended to, or is not a save format at all
};

// The one saver: writes the request's slot as dir / name + extension, samples first,
// first + saveDiv, ... of the window T1..T2, and logs the file only once it is written.
// A new file is written beside the target and renamed over it when complete, so a
// failed write never leaves a half-written file or loses the old one; a failed append
// cuts the file back to its old length.
SaveStatus SaveSlot(const SignalStore& store, const SaveRequest& req, const SaveContext& ctx);

// "Save signal to actual directory": one slot into the actual directory; a slot without
// a save divider is reported.
SaveStatus saveSignalToActualDir(const SignalStore& store, int slot, const std::string& actualDir,
                                 double T1, double T2, SaveFormat format, bool backup,
                                 const SaveContext& ctx);

// "Save signals to ..." (dir from the folder dialog; empty when cancelled), "Save to actual
// dir" (dir = the actual directory) and, with append, "Append signals" (never a backup):
// every occupied slot whose save divider is set. Returns the number of files written.
int saveSignals(const SignalStore& store, std::string dir, double T1, double T2, SaveFormat format,
                bool append, bool backup, const SaveContext& ctx);

// The commands of the graphs' context menu, by name. The window is the active graph's;
// `chosenDir` is the folder the dialog returned (empty on Cancel) — the caller stores it
// back into the ExportDir setting; `backup` is the check box "Backup saved signals".
inline int saveSignalsTo(const SignalStore& store, const std::string& chosenDir, double T1,
                         double T2, SaveFormat format, bool backup, const SaveContext& ctx) {
    return saveSignals(store, chosenDir, T1, T2, format, false, backup, ctx);
}
inline int saveToActualDir(const SignalStore& store, const std::string& actualDir, double T1,
                           double T2, SaveFormat format, bool backup, const SaveContext& ctx) {
    return saveSignals(store, actualDir, T1, T2, format, false, backup, ctx);
}
inline int appendSignals(const SignalStore& store, const std::string& chosenDir, double T1,
                         double T2, SaveFormat format, const SaveContext& ctx) {
    return saveSignals(store, chosenDir, T1, T2, format, true, false, ctx);
}

} // namespace mv::files
