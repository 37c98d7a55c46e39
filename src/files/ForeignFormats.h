#pragma once
// Readers of other recorders' files: Brüel & Kjær BKC, CSV, WAV and PTI, and the
// Interfleet raw text of the IWT4 measuring wheelset. Read only; each file holds
// several channels and every channel fills one slot, from the given slot on.
#include "core/LoadFiles.h"

#include <string>

namespace mv::files {

ReadOutcome readBkBkc(SignalStore& store, const std::string& path, int slot,
                      const LoadContext& ctx);
ReadOutcome readBkCsv(SignalStore& store, const std::string& path, int slot,
                      const LoadContext& ctx);
ReadOutcome readBkWav(SignalStore& store, const std::string& path, int slot,
                      const LoadContext& ctx);
ReadOutcome readBkPti(SignalStore& store, const std::string& path, int slot,
                      const LoadContext& ctx);
ReadOutcome readInterfleet(SignalStore& store, const std::string& path, int slot,
                           const LoadContext& ctx);

// The sampling frequency of the IWT4 wheelset's raw files.
inline constexpr double kInterfleetFs = 1632.625;

} // namespace mv::files
