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

// The channels hold zeros where a failed line stopped the read.
void zeroFrom(std::vector<DecodedSignal>& decoded, std::size_t from) {
    for (DecodedSignal& d : decoded) {
        auto span = d.Data.span();
        if (from < span.size())
            std::fill(span.begin() + static_cast<std::ptrdiff_t>(from), span.end(), 0.0f);
    }
}

} // namespace

ReadResult readBkCsv(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    const auto textRead = readWholeFile(path, out);
    if (!textRead)
        return out;
    const std::string& text = *textRead;
    const std::size_t totalLines = countLines(text);
    LineCursor lines(text);
    std::string_view line;
    double fs = 0.0;
    long long C = 0, N = 0;
    std::vector<std::string_view> fields;
    for (int n = 1; n <= 13 && lines.next(line); ++n) {
        if (!line.empty())
            out.info("bkdk csv header[" + std::to_string(n) + "]: " + cp1250ToUtf8(line));
        if (n == 1)
            fs = static_cast<double>(integerOf(secondField(line)));
        else if (n == 2)
            C = integerOf(secondField(line));
        else if (n == 4)
            N = integerOf(secondField(line));
        else if (n == 9 && C > 0) {
            if (fs <= 0) {
                out.warn("B&K CSV file: " + path +
                         " gives no sampling frequency in its first line; it was not read");
                return out;
            }
            const std::size_t dataLines = totalLines > 13 ? totalLines - 13 : 0;
            if (N < 0)
                N = 0;
            if (static_cast<std::size_t>(N) > dataLines) {
                out.warn("B&K CSV file: " + path + " holds " + std::to_string(dataLines) +
                         " of its " + std::to_string(N) + " samples");
                N = static_cast<long long>(dataLines);
            }
            splitInto(line, ',', fields);
            // The channels that fit below slot 200 are read in full; the load stops after
            // them, as in the other readers.
            if (C > opt.room)
                out.stopLoad = true;
            for (long long k = 1; k <= std::min<long long>(C, opt.room); ++k) {
                DecodedSignal& r = out.add();
                r.Data = allocateSamples(static_cast<std::size_t>(N));
                if (std::size_t(k) <= fields.size())
                    r.SigName = cp1250ToUtf8(trimBlanks(fields[std::size_t(k - 1)]));
                r.Units = "Pa";
                r.f_sampl = fs;
            }
        }
    }
    if (out.decoded.empty()) {
        out.warn("No channels found: " + path);
        return out;
    }
    const std::size_t channels = out.decoded.size();
    std::size_t i = 0;
    for (; i < static_cast<std::size_t>(N) && lines.next(line); ++i) {
        splitInto(line, ',', fields);
        for (std::size_t k = 0; k < channels; ++k) {
            float* d = out.decoded[k].Data.data();
            if (k < fields.size()) {
                double v;
                if (!parseNumber(fields[k], opt.decimalSeparator, v)) {
                    out.failure =
                        ConversionError("'" + std::string(fields[k]) +
                                        "' is not a valid floating point value (line " +
                                        std::to_string(lines.lineNumber()) + " of " + path + ")");
                    zeroFrom(out.decoded, i);
                    return out;
                }
                d[i] = static_cast<float>(v);
            } else {
                // A short line repeats the channel's previous value.
                d[i] = i > 0 ? d[i - 1] : 0.0f;
            }
        }
    }
    zeroFrom(out.decoded, i);
    return out;
}

ReadResult readInterfleet(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    const auto textRead = readWholeFile(path, out);
    if (!textRead)
        return out;
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
    if (C < 1)
        return ReadResult::refused("No channels found: " + path);
    // The channels that fit below slot 200 are read; the load stops after them.
    const int channels = static_cast<int>(std::min<long long>(C, opt.room));
    static const char* const kQytl[7] = {"Q", "Y", "MX", "X", "Angle", "RotationFreq", "CPP"};
    const std::size_t N = rows.size();
    for (int k = 1; k <= channels; ++k) {
        DecodedSignal& r = out.add();
        r.Data = allocateSamples(N);
        if (C == 7)
            r.SigName = kQytl[k - 1];
        else if (C == 12)
            r.SigName = std::string("B").append(std::to_string(k));
        else
            r.SigName = std::string("IF_").append(std::to_string(k));
        r.f_sampl = kInterfleetFs;
    }
    std::vector<std::string_view> fields;
    for (std::size_t i = 0; i < N; ++i) {
        splitInto(rows[i], '\t', fields);
        for (int k = 0; k < channels; ++k) {
            float* d = out.decoded[std::size_t(k)].Data.data();
            const std::size_t col = 3 + std::size_t(k);
            double v;
            // A column that does not convert (or is missing) repeats the previous value.
            if (col < fields.size() && parseNumber(fields[col], opt.decimalSeparator, v))
                d[i] = static_cast<float>(v);
            else
                d[i] = i > 0 ? d[i - 1] : 0.0f;
        }
    }
    out.stopLoad = channels < C;
    return out;
}

} // namespace mv::files
