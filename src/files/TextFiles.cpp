#include "files/TextFiles.h"

#include "core/Errors.h"
#include "files/FileIo.h"
#include "files/NativeFile.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace mv::files {

namespace {
void nameFromFile(SignalRecord& r, const std::string& path, const LoadContext& ctx) {
    r.SigName = stemOf(path);
    r.f_sampl = ctx.defaultFs;
    finishSlot(r, path);
}

bool tooManySamples(std::uint64_t n, const std::string& path, Log& log) {
    if (n <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    log.warn("File " + path + " holds more samples than a signal can have; it was not read");
    return true;
}
} // namespace

ReadOutcome readAscii(SignalStore& store, const std::string& path, int slot,
                      const LoadContext& ctx) {
    const auto textRead = readWholeFile(path, ctx.log);
    if (!textRead)
        return {};
    const std::string& text = *textRead;
    const std::size_t count = countLines(text);
    if (tooManySamples(count, path, ctx.log))
        return {};

    SignalRecord& r = prepareSlot(store, slot);
    r.setData(allocateSamples(count));
    nameFromFile(r, path, ctx);
    float* d = r.Data.data();
    LineCursor lines(text);
    std::string_view line;
    std::size_t i = 0;
    for (; i < count && lines.next(line); ++i) {
        double v;
        if (!parseNumber(line, ctx.decimalSeparator, v)) {
            // The slot keeps its full length; what could not be read is zero, not garbage.
            std::fill(d + i, d + count, 0.0f);
            throw ConversionError("'" + std::string(line.substr(0, 80)) +
                                  "' is not a valid floating point value (line " +
                                  std::to_string(i + 1) + " of " + path + ")");
        }
        d[i] = static_cast<float>(v);
    }
    std::fill(d + i, d + count, 0.0f);
    return {1, false};
}

ReadOutcome readRaw(SignalStore& store, const std::string& path, int slot, const LoadContext& ctx) {
    auto f = openForReading(path, ctx.log);
    if (!f)
        return {};
    const std::uint64_t count = f->size() / 4;
    if (tooManySamples(count, path, ctx.log))
        return {};
    SampleBuffer data = allocateSamples(static_cast<std::size_t>(count));
    if (!f->readAt(0, data.data(), count * 4)) {
        ctx.log.warn("File " + path + " became shorter while it was read; it was not read");
        return {};
    }
    f->close();
    SignalRecord& r = prepareSlot(store, slot);
    r.setData(std::move(data));
    nameFromFile(r, path, ctx);
    return {1, false};
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
