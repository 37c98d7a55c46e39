#include "files/TextFiles.h"

#include "core/Errors.h"
#include "files/FileIo.h"
#include "files/NativeFile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <thread>
#include <vector>

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

namespace {

// One stretch of the text that starts at a line start and ends just after a line end
// (the last one at the end of the text), with the lines it holds.
struct Chunk {
    std::size_t begin = 0, end = 0;
    std::size_t lines = 0;  // line ends in the stretch
    std::size_t first = 0;  // index of its first line in the whole file
    std::size_t failed = 0; // lines converted before the first bad one (== lines: none)
};

// Just after the first line end at or after pos (a CR LF pair counts once).
std::size_t afterLineEnd(std::string_view text, std::size_t pos) {
    const std::size_t n = text.size();
    while (pos < n && text[pos] != '\r' && text[pos] != '\n')
        ++pos;
    if (pos >= n)
        return n;
    return pos + ((text[pos] == '\r' && pos + 1 < n && text[pos + 1] == '\n') ? 2 : 1);
}

// Converts the lines of one stretch into d[first...]; stops at the first bad line.
void convertChunk(std::string_view text, Chunk& c, char sep, float* d) {
    LineCursor lines(text.substr(c.begin, c.end - c.begin));
    std::string_view line;
    std::size_t i = 0;
    for (; i < c.lines && lines.next(line); ++i) {
        double v;
        if (!parseNumber(line, sep, v))
            break;
        d[c.first + i] = static_cast<float>(v);
    }
    c.failed = i;
}

// Runs f(k) for k = 0..n-1, the first on this thread and the others on threads of
// their own; an exception of any of them is thrown here after all have ended.
template <class F>
void onThreads(std::size_t n, F&& f) {
    std::vector<std::exception_ptr> errors(n);
    const auto guarded = [&](std::size_t k) {
        try {
            f(k);
        } catch (...) {
            errors[k] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(n);
    for (std::size_t k = 1; k < n; ++k)
        threads.emplace_back(guarded, k);
    guarded(0);
    for (auto& t : threads)
        t.join();
    for (const auto& e : errors)
        if (e)
            std::rethrow_exception(e);
}

struct FreeBytes {
    void operator()(char* p) const { std::free(p); }
};

// Memory for the whole text, not cleared. A large one lies on 2 MB boundaries and asks the
// kernel for huge pages: first touch of the pages is much of the cost of a load.
std::unique_ptr<char[], FreeBytes> freshBytes(std::size_t n) {
    constexpr std::size_t kHuge = std::size_t(2) << 20;
    if (n < 4 * kHuge)
        return std::unique_ptr<char[], FreeBytes>(
            static_cast<char*>(std::malloc(std::max<std::size_t>(n, 1))));
    const std::size_t rounded = (n + kHuge - 1) / kHuge * kHuge;
    std::unique_ptr<char[], FreeBytes> p(static_cast<char*>(std::aligned_alloc(kHuge, rounded)));
    if (p)
        (void)::madvise(p.get(), rounded, MADV_HUGEPAGE); // only a hint
    return p;
}

} // namespace

ReadResult readAscii(const std::string& path, const ReadOptions& opt) {
    ReadResult warnings;
    auto f = openForReading(path, warnings);
    if (!f)
        return warnings;
    // Large files are read, counted and converted in stretches side by side, one per
    // core. The buffer is not cleared first: every byte of it is read, and each thread
    // touches the fresh pages of its own stretch.
    constexpr std::size_t kPerThread = std::size_t(1) << 20;
    const auto size = static_cast<std::size_t>(f->size());
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t parts = std::clamp<std::size_t>(size / kPerThread, 1, cores);
    const auto bytes = freshBytes(size);
    std::vector<char> complete(parts, 0);
    if (!bytes)
        throw std::bad_alloc();
    onThreads(parts, [&](std::size_t k) {
        const std::size_t lo = size / parts * k,
                          hi = k + 1 == parts ? size : size / parts * (k + 1);
        complete[k] = f->readAt(lo, bytes.get() + lo, hi - lo);
    });
    f->close();
    if (std::find(complete.begin(), complete.end(), 0) != complete.end())
        throw FileError("Cannot read file " + path + ": it became shorter while reading");
    return decodeAscii(std::string_view(bytes.get(), size), path, opt, parts);
}

ReadResult decodeAscii(std::string_view text, const std::string& path, const ReadOptions& opt,
                       std::size_t parts) {
    // The stretches meet at line ends, so each line is converted exactly as a single pass
    // would, and the first bad line in file order decides the outcome.
    ReadResult out;
    parts = std::max<std::size_t>(parts, 1);
    std::vector<Chunk> chunks(parts);
    for (std::size_t k = 0; k < parts; ++k) {
        chunks[k].begin = k == 0 ? 0 : chunks[k - 1].end;
        chunks[k].end =
            k + 1 == parts
                ? text.size()
                : std::max(chunks[k].begin, afterLineEnd(text, text.size() / parts * (k + 1)));
    }
    onThreads(parts, [&](std::size_t k) {
        chunks[k].lines = countLines(text.substr(chunks[k].begin, chunks[k].end - chunks[k].begin));
    });
    std::size_t count = 0;
    for (auto& c : chunks) {
        c.first = count;
        count += c.lines;
    }
    if (tooManySamples(count))
        return ReadResult::refused(tooManyText(path));

    SampleBuffer data = allocateSamples(count);
    float* d = data.data();
    onThreads(parts,
              [&](std::size_t k) { convertChunk(text, chunks[k], opt.decimalSeparator, d); });

    const auto bad = std::find_if(chunks.begin(), chunks.end(),
                                  [](const Chunk& c) { return c.failed < c.lines; });
    if (bad != chunks.end()) {
        const std::size_t i = bad->first + bad->failed;
        std::string_view line;
        LineCursor lines(text.substr(bad->begin, bad->end - bad->begin));
        for (std::size_t k = 0; k <= bad->failed; ++k)
            lines.next(line);
        // The signal keeps its full length; what could not be read is zero, not garbage.
        out.failure = ConversionError("'" + std::string(line.substr(0, 80)) +
                                      "' is not a valid floating point value (line " +
                                      std::to_string(i + 1) + " of " + path + ")");
        std::fill(d + i, d + count, 0.0f);
    }
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
