#pragma once
// The dispatcher that reads a list of files into consecutive slots. The file
// formats plug in as readers (one per load format); the dispatcher owns the
// slot rules that are the same for every format.
#include "core/Log.h"
#include "core/Progress.h"
#include "core/ReadResult.h"
#include "core/SignalStore.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

enum class LoadFormat : int {
    Morvanet = 0,
    MatlabV6,
    Ascii,
    SingleIeee754,
    BkBkc,
    BkCsv,
    BkWav,
    BkPti,
    InterfleetRaw,
};
inline constexpr int kLoadFormatCount = 9;
inline constexpr std::array<const char*, kLoadFormatCount> kLoadFormatNames = {
    "Morvanet", "Matlab -v6", "ASCII",   "Single IEEE754", "B&K_BKC",
    "B&K_CSV",  "B&K_WAV",    "B&K_PTI", "Interfleet raw"};

enum class SaveFormat : int { Morvanet = 0, MatlabV6, Ascii, SingleIeee754 };
inline constexpr int kSaveFormatCount = 4;
inline constexpr std::array<const char*, kSaveFormatCount> kSaveFormatNames = {
    "Morvanet", "Matlab -v6", "ASCII", "Single IEEE754"};

// The extension of the files of the first four load formats (".mvn", ".mat", ".txt",
// ".dat"), the ones a test folder is opened with by name; "" for the others.
const char* loadFileExtension(LoadFormat f);

// Format index by caption ("Matlab -v6") or by its number as text ("1"); -1 when unknown.
int loadFormatIndex(std::string_view nameOrIndex);
int saveFormatIndex(std::string_view nameOrIndex);

// What the dispatcher needs beyond the files: where to report, the reader options
// that come from the settings, and the progress of the whole load.
struct LoadContext {
    Log& log;
    // Sampling frequency given to signals whose file carries none ("f process [Hz]").
    double defaultFs = 4000.0;
    // The user's decimal separator, for text formats that follow it.
    char decimalSeparator = '.';
    // Reported after each file; a cancel stops the load between two files.
    Progress& progress = NullProgress::instance();
};

// Decodes one file (full path). A reader only reads: it returns the signals and the
// lines it has to say, and the dispatcher installs them.
using FormatReader = std::function<ReadResult(const std::string& path, const ReadOptions& opt)>;

class ReaderTable {
public:
    void set(LoadFormat f, FormatReader r) { readers_[static_cast<int>(f)] = std::move(r); }
    const FormatReader& get(LoadFormat f) const { return readers_[static_cast<int>(f)]; }

private:
    std::array<FormatReader, kLoadFormatCount> readers_;
};

struct LoadResult {
    int filled = 0;
    // All files were processed; with filled > 0 the caller redraws the graphs.
    bool completed = false;
    // The user cancelled between two files: what was loaded is complete and stays.
    bool cancelled = false;
    bool redraw() const { return (completed || cancelled) && filled > 0; }
};

// Joins a directory (with or without trailing '/') and a file name; an absolute name
// stands on its own.
std::string joinPath(std::string_view dir, std::string_view name);

// The one place decoded signals enter the store: installs the reader's signals of the
// file `path` from slot `slot` on and writes its lines to the log. Never fills a slot
// beyond 200 (the result then asks to stop the load); a file that yields no signal
// leaves every slot untouched. Returns the number of slots filled; throws the
// reader's conversion failure after installing what was decoded.
struct InstallResult {
    int filled = 0;
    bool stopLoad = false;
};
InstallResult installRead(SignalStore& store, ReadResult&& read, const std::string& path, int slot,
                          Log& log);

LoadResult LoadFiles(SignalStore& store, const ReaderTable& readers, const std::string& dir,
                     const std::vector<std::string>& names, int firstSlot, LoadFormat format,
                     const LoadContext& ctx);

} // namespace mv
