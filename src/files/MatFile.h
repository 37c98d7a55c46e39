#pragma once
// Level-5 MAT-files ("Matlab -v6"). We write one signal per file, uncompressed, as a
// 1x1 structure with eight fields laid out so the samples start at byte 1024, exactly
// like the native file; we read those files back and plain numeric vectors saved by
// Matlab, Octave or scipy, compressed ("-v7") or not, and vectors in version 7.3
// (HDF5) files through libmatio where the build has it.
#include "core/LoadFiles.h"
#include "core/TimeWindow.h"
#include "files/FileHeader.h"

#include <array>
#include <string>

namespace mv::files {

namespace mat {
enum Type : std::uint32_t {
    miINT8 = 1,
    miUINT8 = 2,
    miINT16 = 3,
    miUINT16 = 4,
    miINT32 = 5,
    miUINT32 = 6,
    miSINGLE = 7,
    miDOUBLE = 9,
    miINT64 = 12,
    miUINT64 = 13,
    miMATRIX = 14,
    miCOMPRESSED = 15,
    miUTF8 = 16,
};
enum Class : std::uint8_t {
    mxSTRUCT = 2,
    mxCHAR = 4,
    mxDOUBLE = 6,
    mxSINGLE = 7,
    mxINT8 = 8,
    mxUINT64 = 15,
    mxINT32 = 12,
};
// The three text fields share 168 bytes (each rounded up to 8) in the fixed layout.
inline constexpr std::size_t kTextRoom = 168;
} // namespace mat

// Fills `out` (zeroed) with the structure element from its tag up to and including
// the Data real-part tag, for n samples; returns its length (896): the padding field
// takes up whatever the name and the texts leave, so the samples start at byte 1024. Texts too long
// for the fixed layout are shortened: the note first, then the sensor type, then the units.
std::size_t buildMatStructHeader(std::array<unsigned char, 1024>& out, const SignalRecord& rec,
                                 double fsWritten, std::int32_t fileId, std::int64_t n);

// Reads our structure files (with the name padded to 64 bytes, as older versions wrote
// it, or with its own length) and plain numeric vectors. A rejected file yields no
// signal and a warning.
ReadResult readMat(const std::string& path, const ReadOptions& opt);

// The first variable of a version 7.3 (HDF5) MAT-file, by the rules of the vector path;
// without libmatio, a warning that names the version.
ReadResult readMat73(const std::string& path, std::uint64_t fileSize, const ReadOptions& opt);

void writeMat(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
              const HeaderInfo& info);

} // namespace mv::files
