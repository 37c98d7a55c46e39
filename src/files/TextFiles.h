#pragma once
// The two headerless formats: ASCII with one value per line, and raw float32.
// Neither stores a frequency, a name or units: a signal read from them is named
// after its file and gets the default process frequency.
#include "core/LoadFiles.h"
#include "core/TimeWindow.h"

#include <string>
#include <string_view>

namespace mv::files {

// One value per line. A line that is not a number ends the read with a conversion
// failure; the signal then holds the values read so far and zeros after them.
ReadResult readAscii(const std::string& path, const ReadOptions& opt);
ReadResult readRaw(const std::string& path, const ReadOptions& opt);
// The conversion behind readAscii for a text already in memory, split into `parts`
// stretches converted side by side (readAscii takes one per core for large files); the
// outcome does not depend on `parts`.
ReadResult decodeAscii(std::string_view text, const std::string& path, const ReadOptions& opt,
                       std::size_t parts);

// Fixed-point text with `decPlaces` decimals, at least 4 characters wide, right-aligned.
std::string formatAsciiValue(float v, int decPlaces);

void writeAscii(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
                bool append);
void writeRaw(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
              bool append);

} // namespace mv::files
