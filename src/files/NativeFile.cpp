#include "files/NativeFile.h"

#include "core/Cp1250.h"
#include "files/FileIo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace mv::files {

namespace {
// Copies an 8-bit text into a zeroed field, leaving at least one zero byte after it.
void putText(char* field, std::size_t fieldSize, const std::string& utf8) {
    const std::string t = utf8ToCp1250(utf8);
    std::memcpy(field, t.data(), std::min(t.size(), fieldSize - 1));
}
} // namespace

bool plausibleNativeFs(double fs) {
    return std::isfinite(fs) && fs >= kNativeFsMin && fs <= kNativeFsMax;
}

ReadResult readNative(const std::string& path, const ReadOptions&) {
    ReadResult out;
    auto f = openForReading(path, out);
    if (!f)
        return out;
    const std::uint64_t size = f->size();
    if (size < kNativeHeaderSize)
        return ReadResult::refused("File " + path +
                                   " is shorter than the 1024-byte header of a signal file;" +
                                   " it was not read");
    // Every file we write holds whole float32 samples after the header; a remainder
    // means the file is not a signal file (or was cut short).
    if ((size - kNativeHeaderSize) % 4 != 0)
        return ReadResult::refused("File " + path + " is not a Morvanet signal file: its " +
                                   std::to_string(size - kNativeHeaderSize) +
                                   " bytes after the header are not whole float32 samples;" +
                                   " it was not read");
    const std::uint64_t count = (size - kNativeHeaderSize) / 4;
    if (count > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return ReadResult::refused("File " + path +
                                   " holds more samples than a signal can have; it was not read");
    std::array<char, kNativeHeaderSize> header;
    if (!f->readAt(0, header.data(), header.size()))
        return ReadResult::refused("File " + path +
                                   " became shorter while it was read; it was not read");
    const double fs = loadLE<double>(header.data() + native::kFs);
    if (!plausibleNativeFs(fs))
        return ReadResult::refused(
            "File " + path + " is not a Morvanet signal file: its sampling frequency " +
            std::to_string(fs) + " Hz is not between 1e-6 and 1e9 Hz;" + " it was not read");
    SampleBuffer data = allocateSamples(static_cast<std::size_t>(count));
    if (!f->readLargeAt(kNativeHeaderSize, data.data(), count * 4))
        return ReadResult::refused("File " + path +
                                   " became shorter while it was read; it was not read");
    f->close();

    DecodedSignal& r = out.add();
    const std::string_view h(header.data(), header.size());
    r.SigName = zeroTerminated(h.substr(native::kName, 63));
    r.Units = zeroTerminated(h.substr(native::kUnits, 31));
    r.Sens_type = zeroTerminated(h.substr(native::kSensType, 254));
    r.Sig_note = zeroTerminated(h.substr(native::kNote, 254));
    r.f_sampl = fs;
    r.ID = loadLE<std::int32_t>(header.data() + native::kId);
    r.Data = std::move(data);
    return out;
}

std::int64_t writeSelectedSamples(FileHandle& f, std::uint64_t offset, const SignalRecord& rec,
                                  SampleRange range, int step) {
    // Never past the buffer, whatever the range says.
    range.last = std::min<std::int64_t>(range.last, static_cast<std::int64_t>(rec.Data.size()));
    if (range.empty() || step < 1)
        return 0;
    const float* d = rec.Data.data();
    if (step == 1) {
        f.writeAt(offset, d + (range.first - 1), static_cast<std::size_t>(range.count()) * 4);
        return range.count();
    }
    BufferedWriter w(f, offset);
    std::int64_t n = 0;
    for (std::int64_t k = range.first; k <= range.last; k += step, ++n)
        w.put(d + (k - 1), 4);
    w.flush();
    return n;
}

void writeNative(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
                 const HeaderInfo& info) {
    std::array<char, kNativeHeaderSize> header{};
    const auto text = buildTextHeader(info);
    std::memcpy(header.data(), text.data(), text.size());
    storeLE<double>(header.data() + native::kFs, rec.f_sampl / step);
    storeLE<std::int32_t>(header.data() + native::kId, info.fileId);
    putText(header.data() + native::kName, 64, rec.SigName);
    putText(header.data() + native::kUnits, 32, rec.Units);
    putText(header.data() + native::kSensType, 255, rec.Sens_type);
    putText(header.data() + native::kNote, 255, rec.Sig_note);

    FileHandle f(path, FileHandle::Mode::Create);
    f.writeAt(0, header.data(), header.size());
    writeSelectedSamples(f, kNativeHeaderSize, rec, range, step);
    f.close();
}

} // namespace mv::files
