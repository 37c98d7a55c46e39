#pragma once
// The program family's own signal file: a 128-byte text header, an 896-byte
// signal header that mirrors the first fields of the signal record, then the
// samples as float32 with no count and no trailer.
#include "core/LoadFiles.h"
#include "core/TimeWindow.h"
#include "files/FileHeader.h"

#include <string>

namespace mv::files {

inline constexpr std::size_t kNativeHeaderSize = 1024;

// Signal header offsets, from the start of the file.
namespace native {
inline constexpr std::size_t kFs = 128;
inline constexpr std::size_t kId = 128 + 16;
inline constexpr std::size_t kName = 128 + 20;      // char[64]
inline constexpr std::size_t kUnits = 128 + 84;     // char[32]
inline constexpr std::size_t kSensType = 128 + 116; // char[255]
inline constexpr std::size_t kNote = 128 + 371;     // char[255]
} // namespace native

// A file whose rate lies outside this range, or is not a number, is not a signal file
// (any file renamed to .mvn has some 8 bytes at that offset).
inline constexpr double kNativeFsMin = 1e-6;
inline constexpr double kNativeFsMax = 1e9;
bool plausibleNativeFs(double fs);

// Refuses, with a warning, a file whose rate is not plausible or whose samples part is
// not a whole number of float32 values.
ReadResult readNative(const std::string& path, const ReadOptions& opt);

// Writes Data[first], Data[first + step], ... up to last (1-based, inclusive) with the
// header of the record; the stored frequency is f_sampl / step.
void writeNative(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
                 const HeaderInfo& info);

// Writes the selected samples of a record as float32 from the handle's offset on;
// returns the number written.
class FileHandle;
std::int64_t writeSelectedSamples(FileHandle& f, std::uint64_t offset, const SignalRecord& rec,
                                  SampleRange range, int step);

} // namespace mv::files
