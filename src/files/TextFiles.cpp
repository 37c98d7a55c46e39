#include "files/TextFiles.h"

#include "core/Errors.h"
#include "files/FileIo.h"
#include "files/NativeFile.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace mv::files {

namespace {
DecodedSignal& namedAfterFile(ReadResult& out, const std::string& path, const ReadOptions& opt) {
    DecodedSignal& r = out.add();
    r.SigName = stemOf(path);
    r.f_sampl = opt.defaultFs;
    return r;
}

bool tooManySamples(std::uint64_t n) {
    return n > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}
std::string tooManyText(const std::string& path) {
    return "File " + path + " holds more samples than a signal can have; it was not read";
}
} // namespace

ReadResult readAscii(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    const auto textRead = readWholeFile(path, out);
    if (!textRead)
        return out;
    const std::string& text = *textRead;
    const std::size_t count = countLines(text);
    if (tooManySamples(count))
        return ReadResult::refused(tooManyText(path));

    SampleBuffer data = allocateSamples(count);
    float* d = data.data();
    LineCursor lines(text);
    std::string_view line;
    std::size_t i = 0;
    for (; i < count && lines.next(line); ++i) {
        double v;
        if (!parseNumber(line, opt.decimalSeparator, v)) {
            // The signal keeps its full length; what could not be read is zero, not garbage.
            out.failure = ConversionError("'" + std::string(line.substr(0, 80)) +
                                          "' is not a valid floating point value (line " +
                                          std::to_string(i + 1) + " of " + path + ")");
            break;
        }
        d[i] = static_cast<float>(v);
    }
    std::fill(d + i, d + count, 0.0f);
    namedAfterFile(out, path, opt).Data = std::move(data);
    return out;
}

ReadResult readRaw(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    auto f = openForReading(path, out);
    if (!f)
        return out;
    const std::uint64_t count = f->size() / 4;
    if (tooManySamples(count))
        return ReadResult::refused(tooManyText(path));
    SampleBuffer data = allocateSamples(static_cast<std::size_t>(count));
    if (!f->readAt(0, data.data(), count * 4))
        return ReadResult::refused("File " + path +
                                   " became shorter while it was read; it was not read");
    f->close();
    namedAfterFile(out, path, opt).Data = std::move(data);
    return out;
}

std::string formatAsciiValue(float v, int decPlaces) {
    decPlaces = std::clamp(decPlaces, 0, 20);
    char buf[400];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v),
                                       std::chars_format::fixed, decPlaces);
    std::string_view s(buf, ec == std::errc() ? static_cast<std::size_t>(p - buf) : 0);
    if (s.size() >= 4)
        return std::string(s);
    return std::string(4 - s.size(), ' ') + std::string(s);
}

void writeAscii(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
                bool append) {
    FileHandle f(path, append ? FileHandle::Mode::Update : FileHandle::Mode::Create);
    BufferedWriter w(f, append ? f.size() : 0);
    range.last = std::min<std::int64_t>(range.last, static_cast<std::int64_t>(rec.Data.size()));
    for (std::int64_t k = range.first; k <= range.last && step >= 1; k += step) {
        w.put(formatAsciiValue(rec.Data[static_cast<std::size_t>(k - 1)], rec.DecPlaces));
        w.put("\r\n", 2);
    }
    w.flush();
    f.close();
}

void writeRaw(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
              bool append) {
    FileHandle f(path, append ? FileHandle::Mode::Update : FileHandle::Mode::Create);
    // A file of float32 records: appending starts after the last whole record.
    const std::uint64_t start = append ? f.size() / 4 * 4 : 0;
    writeSelectedSamples(f, start, rec, range, step);
    f.close();
}

} // namespace mv::files
