#pragma once
// The dispatcher that reads a list of files into consecutive slots. The file
// formats plug in as readers (one per load format); the dispatcher owns the
// slot rules that are the same for every format.
#include "core/Log.h"
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

// Format index by caption ("Matlab -v6") or by its number as text ("1"); -1 when unknown.
int loadFormatIndex(std::string_view nameOrIndex);
int saveFormatIndex(std::string_view nameOrIndex);

// What a reader needs beyond the file itself.
struct LoadContext {
    Log& log;
    // Sampling frequency given to signals whose file carries none ("f process [Hz]").
    double defaultFs = 4000.0;
    // The user's decimal separator, for text formats that follow it.
    char decimalSeparator = '.';
};

struct ReadOutcome {
    int filled = 0;        // slots filled from this file
    bool stopLoad = false; // a format error that stops the whole load
};

// Reads one file (full path) into slots from `slot` on. A reader calls ClearSlot on each
// slot before filling it, never fills a slot beyond 200, and reports its own problems.
using FormatReader = std::function<ReadOutcome(SignalStore& store, const std::string& path,
                                               int slot, const LoadContext& ctx)>;

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
    bool redraw() const { return completed && filled > 0; }
};

// Optional progress: called after each file with (files done, files total).
using LoadProgress = std::function<void(int done, int total)>;

// Joins a directory (with or without trailing '/') and a file name; an absolute name
// stands on its own.
std::string joinPath(std::string_view dir, std::string_view name);

LoadResult LoadFiles(SignalStore& store, const ReaderTable& readers, const std::string& dir,
                     const std::vector<std::string>& names, int firstSlot, LoadFormat format,
                     const LoadContext& ctx, const LoadProgress& progress = {});

} // namespace mv
