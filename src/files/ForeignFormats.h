#pragma once
// Readers of other recorders' files: Brüel & Kjær BKC, CSV, WAV and PTI, and the
// Interfleet raw text of the IWT4 measuring wheelset. Read only; each file holds
// several channels and every channel becomes one signal; a file with more channels
// than slots left (ReadOptions::room) gives those that fit and stops the load.
#include "core/LoadFiles.h"

#include <string>

namespace mv::files {

ReadResult readBkBkc(const std::string& path, const ReadOptions& opt);
ReadResult readBkCsv(const std::string& path, const ReadOptions& opt);
ReadResult readBkWav(const std::string& path, const ReadOptions& opt);
ReadResult readBkPti(const std::string& path, const ReadOptions& opt);
ReadResult readInterfleet(const std::string& path, const ReadOptions& opt);

// The sampling frequency of the IWT4 wheelset's raw files.
inline constexpr double kInterfleetFs = 1632.625;

} // namespace mv::files
