// The binary Brüel & Kjær recordings: BKC (float32 blocks with an XML
// description), PCM WAV with B&K's own chunks, and PTI (int32 blocks with a
// key=value setup text).
#include "core/Cp1250.h"
#include "files/FileIo.h"
#include "files/ForeignFormats.h"

#include <cmath>
#include <vector>

namespace mv::files {

namespace {

// Text between the next literal opening tag and the following closing tag, from `from` on.
std::string_view elementText(std::string_view xml, std::string_view name, std::size_t from = 0) {
    std::string open("<"), close("</");
    open.append(name).push_back('>');
    close.append(name).push_back('>');
    const auto a = xml.find(open, from);
    if (a == std::string_view::npos)
        return {};
    const auto b = xml.find(close, a + open.size());
    if (b == std::string_view::npos)
        return {};
    return xml.substr(a + open.size(), b - a - open.size());
}

struct BkcSignal {
    std::string name;
    std::string units;
};

// The recorded "Signal" elements of the description, in order.
std::vector<BkcSignal> recordedSignals(std::string_view xml) {
    std::vector<BkcSignal> out;
    std::size_t pos = 0;
    while (true) {
        auto a = xml.find("<Signal", pos);
        if (a == std::string_view::npos)
            break;
        const std::size_t after = a + 7;
        // "<SignalName>" and the like are other elements.
        if (after < xml.size() && xml[after] != '>' && xml[after] != ' ' && xml[after] != '\t' &&
            xml[after] != '\r' && xml[after] != '\n') {
            pos = after;
            continue;
        }
        const auto b = xml.find("</Signal>", after);
        const std::string_view body =
            xml.substr(after, b == std::string_view::npos ? std::string_view::npos : b - after);
        pos = b == std::string_view::npos ? xml.size() : b + 9;
        if (trimBlanks(elementText(body, "Recorded")) != "True")
            continue;
        out.push_back({cp1250ToUtf8(elementText(body, "Name")),
                       cp1250ToUtf8(elementText(body, "PhysicalQuantity"))});
    }
    return out;
}

// Splits a text at a separator byte.
std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const auto p = s.find(sep, start);
        out.push_back(
            s.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
        if (p == std::string_view::npos)
            break;
        start = p + 1;
    }
    return out;
}

std::string_view withoutCr(std::string_view s) {
    if (!s.empty() && s.back() == '\r')
        s.remove_suffix(1);
    return s;
}

// "key=value" -> key and value (both trimmed); a line without '=' has an empty value.
std::pair<std::string_view, std::string_view> keyValue(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return {trimBlanks(line), {}};
    return {trimBlanks(line.substr(0, eq)), trimBlanks(line.substr(eq + 1))};
}

// "[Channel k]" -> k, or 0 for any other line.
int channelSection(std::string_view line) {
    line = trimBlanks(line);
    constexpr std::string_view kOpen = "[Channel ";
    if (line.size() < kOpen.size() + 2 || line.substr(0, kOpen.size()) != kOpen ||
        line.back() != ']')
        return 0;
    long long k = 0;
    if (!parseIntegerPart(line.substr(kOpen.size(), line.size() - kOpen.size() - 1), k) || k < 1 ||
        k > 100000)
        return 0;
    return static_cast<int>(k);
}

} // namespace

ReadResult readBkBkc(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    const auto bytesRead = readWholeFile(path, out);
    if (!bytesRead)
        return out;
    const std::string& bytes = *bytesRead;
    const ByteView v(bytes);
    std::uint16_t xmlLength = 0, blockOffset = 0;
    std::int32_t N = 0;
    std::uint8_t C = 0;
    if (!v.get(22, xmlLength) || !v.get(44, blockOffset) || !v.get(blockOffset + 16u, N) ||
        !v.get(blockOffset + 28u, C))
        return ReadResult::refused("B&K BKC file: " + path +
                                   " is too short for its header; it was not read");
    if (C == 0) {
        out.warn("No channels found: " + path);
        out.stopLoad = true;
        return out;
    }
    const std::size_t data = blockOffset + 32u + 20u * C;
    const std::size_t full = N > 0 ? static_cast<std::size_t>(N) / 4096 : 0;
    const std::size_t rest = N > 0 ? static_cast<std::size_t>(N) % 4096 : 0;
    if (N < 0 || !v.has(data, std::size_t(C) * (full * 4096 + rest) * 4))
        return ReadResult::refused("B&K BKC file: " + path + " is shorter than its " +
                                   std::to_string(N) + " samples of " + std::to_string(C) +
                                   " channels; it was not read");
    const auto names = recordedSignals(v.text(180, xmlLength));

    for (int i = 1; i <= C; ++i) {
        if (i > opt.room) {
            out.stopLoad = true;
            return out;
        }
        DecodedSignal& r = out.add();
        SampleBuffer d = allocateSamples(static_cast<std::size_t>(N));
        for (std::size_t j = 0; j < full; ++j)
            std::memcpy(d.data() + j * 4096, v.data + data + (j * C + std::size_t(i - 1)) * 16384,
                        16384);
        // A file of no samples has no buffer to copy into.
        if (rest > 0)
            std::memcpy(d.data() + full * 4096,
                        v.data + data + std::size_t(C) * full * 16384 +
                            std::size_t(i - 1) * rest * 4,
                        rest * 4);
        r.Data = std::move(d);
        r.f_sampl = 500.0;
        if (std::size_t(i) <= names.size()) {
            r.SigName = names[std::size_t(i) - 1].name;
            r.Units = names[std::size_t(i) - 1].units;
        }
    }
    if (names.size() != C)
        out.warn("xml channels count mismatch: " + path);
    return out;
}

ReadResult readBkWav(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    const auto bytesRead = readWholeFile(path, out);
    if (!bytesRead)
        return out;
    // A format error stops the load; the channels decoded before it still go in.
    const auto stop = [&out](std::string warning) {
        out.warn(std::move(warning));
        out.stopLoad = true;
        return std::move(out);
    };
    const std::string& bytes = *bytesRead;
    const ByteView v(bytes);
    const std::string stem = stemOf(path);

    int channels = 0, bits = 0;
    std::uint32_t rate = 0;
    bool haveFormat = false;
    bool haveData = false;
    std::vector<std::string> texts;                           // "bkdk" list
    int exChannels = -1;                                      // "NoChannels" of "bkEx"
    std::vector<std::pair<std::string, std::string>> exNames; // per channel: units, name

    std::size_t pos = 12;
    while (v.has(pos, 8)) {
        const std::string_view id = v.text(pos, 4);
        std::uint32_t declared = 0;
        v.get(pos + 4, declared);
        const std::size_t size = std::min<std::size_t>(declared, v.size - pos - 8);
        const ByteView chunk(v.data + pos + 8, size);
        if (id == "fmt ") {
            std::uint16_t tag = 0, ch = 0, bps = 0;
            chunk.get(0, tag);
            chunk.get(2, ch);
            chunk.get(4, rate);
            chunk.get(14, bps);
            if (declared != 16 && declared != 18)
                return stop("Invalit WAV 'fmt ' chunk " + path);
            if (size < 16)
                return stop("Invalit WAV 'fmt ' chunk " + path);
            if (tag != 1)
                return stop("File is not PCM file " + path);
            if (ch < 1 || ch > 32)
                return stop("Invalid channels count (" + std::to_string(ch) + ")" + path);
            if (bps != 8 && bps != 16)
                return stop("Invalid bits count per sampel (" + std::to_string(bps) + ")" + path);
            // A rate of zero would make every time on the signals infinite.
            if (rate == 0)
                return stop("Invalid sampling rate (0) " + path);
            channels = ch;
            bits = bps;
            haveFormat = true;
        } else if (id == "data" && !haveData) {
            if (!haveFormat)
                return stop("WAV file " + path + " has its 'data' chunk before its 'fmt ' chunk");
            haveData = true;
            const std::size_t frame = std::size_t(bits / 8) * channels;
            const std::size_t count = size / frame;
            for (int k = 1; k <= channels; ++k) {
                if (k > opt.room) {
                    out.stopLoad = true;
                    break;
                }
                DecodedSignal& r = out.add();
                SampleBuffer d = allocateSamples(count);
                const unsigned char* p = chunk.data + std::size_t(k - 1) * (bits / 8);
                if (bits == 8) {
                    for (std::size_t i = 0; i < count; ++i)
                        d[i] = static_cast<float>(p[i * frame]);
                } else {
                    for (std::size_t i = 0; i < count; ++i)
                        d[i] = static_cast<float>(loadLE<std::int16_t>(p + i * frame));
                }
                r.Data = std::move(d);
                r.SigName = stem + "." + std::to_string(k);
                r.Units = "Pa";
                r.f_sampl = rate;
            }
            if (out.stopLoad)
                break;
        } else if (id == "bkdk") {
            const auto list = split(chunk.text(0, chunk.size), '\0');
            texts.assign(list.begin(), list.end());
            for (std::size_t i = 0; i < texts.size(); ++i)
                if (!texts[i].empty())
                    out.info("bkdk chunk[" + std::to_string(i + 1) +
                             "]: " + cp1250ToUtf8(texts[i]));
        } else if (id == "bkEx") {
            const auto lines = split(chunk.text(0, chunk.size), '\n');
            for (std::size_t i = 1; i < lines.size(); ++i) {
                const std::string_view line = withoutCr(lines[i]);
                if (line.empty() || trimBlanks(line) == "[SETUP STOP]")
                    break;
                out.info("bkEx chunk[" + std::to_string(i + 1) + "]: " + cp1250ToUtf8(line));
                const auto [key, value] = keyValue(line);
                if (key == "NoChannels") {
                    long long n = 0;
                    exChannels = parseIntegerPart(value, n) ? static_cast<int>(n) : -1;
                }
                if (const int k = channelSection(line); k > 0 && k <= 32) {
                    if (exNames.size() < std::size_t(k))
                        exNames.resize(std::size_t(k));
                    // The section's next line carries the unit, the one after it the name.
                    if (i + 1 < lines.size() && keyValue(withoutCr(lines[i + 1])).first == "Unit")
                        exNames[std::size_t(k - 1)].first =
                            cp1250ToUtf8(keyValue(withoutCr(lines[i + 1])).second);
                    if (i + 2 < lines.size() && keyValue(withoutCr(lines[i + 2])).first == "Name")
                        exNames[std::size_t(k - 1)].second =
                            cp1250ToUtf8(keyValue(withoutCr(lines[i + 2])).second);
                }
            }
        }
        // Chunks of odd size are followed by one pad byte.
        pos += 8 + std::size_t(declared) + (declared & 1u);
        if (pos > v.size)
            break;
    }

    // Scale and name once every chunk is known, whichever order the recorder wrote them in.
    for (int k = 1; k <= static_cast<int>(out.decoded.size()); ++k) {
        DecodedSignal& r = out.decoded[std::size_t(k - 1)];
        const std::size_t at = 10 + 11 * std::size_t(k - 1); // 1-based position in the list
        if (at <= texts.size() && bits > 0) {
            const double fullScale = toNumber(texts[at - 1], opt.decimalSeparator);
            const float factor = static_cast<float>(fullScale / std::ldexp(1.0, bits - 1));
            for (float& x : r.Data.span())
                x *= factor;
        }
        if (exChannels == channels && std::size_t(k) <= exNames.size()) {
            const auto& [units, name] = exNames[std::size_t(k - 1)];
            r.Units = units;
            r.SigName = name;
        }
    }
    // No 'data' chunk (or no RIFF chunks at all): say so instead of loading nothing in
    // silence.
    if (!haveData)
        return stop("WAV file " + path + " has no 'data' chunk");
    return out;
}

ReadResult readBkPti(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    const auto bytesRead = readWholeFile(path, out);
    if (!bytesRead)
        return out;
    const std::string& bytes = *bytesRead;
    const ByteView v(bytes);
    std::int32_t L = 0;
    if (!v.get(4, L) || L < 0 || !v.has(9, std::size_t(L)))
        return ReadResult::refused("B&K PTI file: " + path +
                                   " is too short for its setup text; it was not read");
    const std::string stem = stemOf(path);
    struct Channel {
        std::string name, units;
        double factor = 1.0 / 65536;
        bool haveFactor = false;
        double fs = 0.0;
    };
    std::vector<Channel> ch;
    double fileFs = 0.0;
    int C = -1;
    int current = 0;
    const auto lines = split(v.text(9, std::size_t(L)), '\n');
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = withoutCr(lines[i]);
        if (trimBlanks(line) == "[SETUP STOP]")
            break;
        out.info("pti_Head[" + std::to_string(i + 1) + "]: " + cp1250ToUtf8(line));
        if (const int k = channelSection(line); k > 0) {
            current = k;
            continue;
        }
        const auto [key, value] = keyValue(line);
        if (current == 0) {
            if (key == "Version" && value != "2.00.000") {
                out.warn("Invalid pti Version: " + cp1250ToUtf8(line) + " " + path);
                out.stopLoad = true;
                return out;
            }
            if (key == "SampleFrequency") {
                // Written with ',' or '.', whatever the user's notation: its first ','
                // becomes '.', and the text is then read with '.'.
                std::string t(value);
                if (const auto c = t.find(','); c != std::string::npos)
                    t[c] = '.';
                fileFs = toNumber(t, '.');
            }
            if (key == "NoChannels" && C < 0) {
                long long n = 0;
                C = parseIntegerPart(value, n) && n >= 0 && n <= 100000 ? static_cast<int>(n) : 0;
            }
            continue;
        }
        // Sections of channels the file does not have are read but never used.
        if (ch.size() < std::size_t(current))
            ch.resize(std::min<std::size_t>(std::size_t(current), 100000));
        Channel& c = ch[std::size_t(current - 1)];
        if (key == "SignalName")
            c.name = stem + "." + cp1250ToUtf8(value);
        else if (key == "Unit")
            c.units = cp1250ToUtf8(value);
        else if (key == "CorrectionFactor") {
            c.factor = toNumber(value, opt.decimalSeparator) / 65536.0;
            c.haveFactor = true;
        } else if (key == "SampleFrequency")
            c.fs = toNumber(value, opt.decimalSeparator);
    }
    if (C <= 0) {
        out.warn("No channels found: " + path);
        out.stopLoad = true;
        return out;
    }
    ch.resize(std::max(ch.size(), std::size_t(C)));
    const std::size_t data = std::size_t(L) + 20;
    const std::size_t blocks = v.size > data ? (v.size - data) / 8208 / std::size_t(C) : 0;
    for (int k = 1; k <= C; ++k) {
        if (k > opt.room) {
            out.stopLoad = true;
            return out;
        }
        const Channel& c = ch[std::size_t(k - 1)];
        const double rate = c.fs != 0.0 ? c.fs : fileFs;
        // Without a usable rate no time on the channel means anything: a header fault
        // like a wrong version, so the file is refused and the load ends.
        if (!(std::isfinite(rate) && rate > 0.0)) {
            out.decoded.clear();
            out.warn("B&K PTI file: " + path + ": channel " + std::to_string(k) +
                     " has no valid SampleFrequency; it was not read");
            out.stopLoad = true;
            return out;
        }
        if (!c.haveFactor)
            out.warn("B&K PTI file: " + path + ": channel " + std::to_string(k) +
                     " has no CorrectionFactor; factor 1 is used");
        DecodedSignal& r = out.add();
        SampleBuffer d = allocateSamples(blocks * 2048);
        for (std::size_t j = 0; j < blocks; ++j) {
            const unsigned char* b =
                v.data + data + (j * std::size_t(C) + std::size_t(k - 1)) * 8208 + 16;
            for (std::size_t i = 0; i < 2048; ++i)
                d[j * 2048 + i] = static_cast<float>(loadLE<std::int32_t>(b + i * 4) * c.factor);
        }
        r.Data = std::move(d);
        r.SigName = c.name;
        r.Units = c.units;
        r.f_sampl = rate;
    }
    return out;
}

} // namespace mv::files
