// The text recordings of other recorders: B&K's comma-separated export and the
// Interfleet raw files of the IWT4 measuring wheelset.
#include "core/Cp1250.h"
#include "core/Errors.h"
#include "files/FileIo.h"
#include "files/ForeignFormats.h"

#include <algorithm>
#include <vector>

namespace mv::files {

namespace {

// Fields of a line separated by one character.
void splitInto(std::string_view s, char sep, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t start = 0;
    while (true) {
        const auto p = s.find(sep, start);
        if (p == std::string_view::npos) {
            out.push_back(s.substr(start));
            return;
        }
        out.push_back(s.substr(start, p - start));
        start = p + 1;
    }
}

// The second field of a line whose fields are separated by spaces.
std::string_view secondField(std::string_view line) {
    std::size_t i = 0;
    for (int field = 0; field < 2; ++field) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (field == 1)
            return line.substr(start, i - start);
    }
    return {};
}

long long integerOf(std::string_view text) {
    long long v = 0;
    if (!parseIntegerPart(text, v))
        throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
    return v;
}

// The slots of a file's channels hold zeros where a failed line stopped the read.
void zeroFrom(SignalStore& store, int slot, int channels, std::size_t from) {
    for (int k = 0; k < channels; ++k) {
        auto span = store[slot + k].Data.span();
        if (from < span.size())
            std::fill(span.begin() + static_cast<std::ptrdiff_t>(from), span.end(), 0.0f);
    }
}

} // namespace

ReadOutcome readBkCsv(SignalStore& store, const std::string& path, int slot,
                      const LoadContext& ctx) {
    const auto textRead = readWholeFile(path, ctx.log);
    if (!textRead)
        return {};
    const std::string& text = *textRead;
    const std::size_t totalLines = countLines(text);
    LineCursor lines(text);
    std::string_view line;
    double fs = 0.0;
    long long C = 0, N = 0;
    int channels = 0;
    std::vector<std::string_view> fields;
    for (int n = 1; n <= 13 && lines.next(line); ++n) {
        if (!line.empty())
            ctx.log.info("bkdk csv header[" + std::to_string(n) + "]: " + cp1250ToUtf8(line));
        if (n == 1)
            fs = static_cast<double>(integerOf(secondField(line)));
        else if (n == 2)
            C = integerOf(secondField(line));
        else if (n == 4)
            N = integerOf(secondField(line));
        else if (n == 9 && C > 0) {
            const std::size_t dataLines = totalLines > 13 ? totalLines - 13 : 0;
            if (N < 0)
                N = 0;
            if (static_cast<std::size_t>(N) > dataLines) {
                ctx.log.warn("B&K CSV file: " + path + " holds " + std::to_string(dataLines) +
                             " of its " + std::to_string(N) + " samples");
                N = static_cast<long long>(dataLines);
            }
            splitInto(line, ',', fields);
            for (long long k = 1; k <= C; ++k) {
                const int s = slot + static_cast<int>(k) - 1;
                if (s > kSlotCount)
                    return {channels, true};
                SignalRecord& r = prepareSlot(store, s);
                r.setData(allocateSamples(static_cast<std::size_t>(N)));
                if (std::size_t(k) <= fields.size())
                    r.SigName = cp1250ToUtf8(trimBlanks(fields[std::size_t(k - 1)]));
                r.Units = "Pa";
                r.f_sampl = fs;
                finishSlot(r, path);
                ++channels;
            }
        }
    }
    if (channels == 0) {
        ctx.log.warn("No channels found: " + path);
        return {};
    }
    std::size_t i = 0;
    for (; i < static_cast<std::size_t>(N) && lines.next(line); ++i) {
        splitInto(line, ',', fields);
        for (int k = 0; k < channels; ++k) {
            float* d = store[slot + k].Data.data();
            if (std::size_t(k) < fields.size()) {
                double v;
                if (!parseNumber(fields[std::size_t(k)], ctx.decimalSeparator, v)) {
                    zeroFrom(store, slot, channels, i);
                    throw ConversionError("'" + std::string(fields[std::size_t(k)]) +
                                          "' is not a valid floating point value (line " +
                                          std::to_string(lines.lineNumber()) + " of " + path + ")");
                }
                d[i] = static_cast<float>(v);
            } else {
                // A short line repeats the channel's previous value.
                d[i] = i > 0 ? d[i - 1] : 0.0f;
            }
        }
    }
    zeroFrom(store, slot, channels, i);
    return {channels, false};
}

ReadOutcome readInterfleet(SignalStore& store, const std::string& path, int slot,
                           const LoadContext& ctx) {
    const auto textRead = readWholeFile(path, ctx.log);
    if (!textRead)
        return {};
    const std::string& text = *textRead;

    // A line ends at LF (with or without CR); a last line without an end counts too.
    std::vector<std::string_view> rows;
    {
        std::size_t start = 0;
        while (start < text.size()) {
            auto e = text.find('\n', start);
            const std::size_t end = e == std::string::npos ? text.size() : e;
            std::string_view l(text.data() + start, end - start);
            if (!l.empty() && l.back() == '\r')
                l.remove_suffix(1);
            if (l.empty() || l.front() != '%')
                rows.push_back(l);
            start = end + 1;
        }
    }
    const long long tabs = rows.empty() ? 0 : std::count(rows[0].begin(), rows[0].end(), '\t');
    const long long C = tabs - 2;
    if (C < 1) {
        ctx.log.warn("No channels found: " + path);
        return {};
    }
    // The channels that fit below slot 200 are read; the load stops after them.
    const int channels = static_cast<int>(std::min<long long>(C, kSlotCount - slot + 1));
    static const char* const kQytl[7] = {"Q", "Y", "MX", "X", "Angle", "RotationFreq", "CPP"};
    const std::size_t N = rows.size();
    for (int k = 1; k <= channels; ++k) {
        SignalRecord& r = prepareSlot(store, slot + k - 1);
        r.setData(allocateSamples(N));
        if (C == 7)
            r.SigName = kQytl[k - 1];
        else if (C == 12)
            r.SigName = std::string("B").append(std::to_string(k));
        else
            r.SigName = std::string("IF_").append(std::to_string(k));
        r.f_sampl = kInterfleetFs;
        finishSlot(r, path);
    }
    std::vector<std::string_view> fields;
    for (std::size_t i = 0; i < N; ++i) {
        splitInto(rows[i], '\t', fields);
        for (int k = 0; k < channels; ++k) {
            float* d = store[slot + k].Data.data();
            const std::size_t col = 3 + std::size_t(k);
            double v;
            // A column that does not convert (or is missing) repeats the previous value.
            if (col < fields.size() && parseNumber(fields[col], ctx.decimalSeparator, v))
                d[i] = static_cast<float>(v);
            else
                d[i] = i > 0 ? d[i - 1] : 0.0f;
        }
    }
    return {channels, channels < C};
}

} // namespace mv::files
