#include "evaluation/TrackAlign.h"

#include "core/TextNumbers.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "files/SaveSlot.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace mv {

namespace {

std::optional<double> cellNumber(const CellValue& v) {
    switch (v.type) {
    case CellType::Number:
    case CellType::Date:
        return v.number;
    case CellType::Text:
        return parseWholeFinite(trimBlanks(v.text));
    default:
        return std::nullopt;
    }
}

std::string upperTrimmed(std::string_view s) {
    std::string t(trimBlanks(s));
    for (char& c : t)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return t;
}

void warn(std::vector<EvalLine>& lines, std::string text) {
    lines.push_back({LineLevel::Warning, std::move(text)});
}
void error(std::vector<EvalLine>& lines, std::string text) {
    lines.push_back({LineLevel::Error, std::move(text)});
}

// A number the user typed: the user's separator first, then the "." of the settings file.
std::optional<double> userOrDotNumber(std::string_view text, char sep) {
    if (auto v = parseUserNumber(text, sep))
        return v;
    return parseUserNumber(text, '.');
}

} // namespace

std::vector<TrackElement> readTrackElements(const SpreadsheetApp& app, const SheetHandle& sheet,
                                            bool changeSignum, std::vector<EvalLine>& lines) {
    std::vector<TrackElement> out;
    const float s = changeSignum ? -1.0F : 1.0F;
    for (int row = kTrackFirstRow;; ++row) {
        const std::optional<double> d = cellNumber(app.value2(sheet, row, 4));
        const std::optional<double> e = cellNumber(app.value2(sheet, row, 5));
        if (!(d && *d > 0.0) && !(e && *e > 0.0))
            break;
        if (static_cast<int>(out.size()) == kMaxTrackElements) {
            warn(lines, "Track info: more than " + std::to_string(kMaxTrackElements) +
                            " elements, the rows from " + std::to_string(row) + " on are not read");
            break;
        }
        TrackElement el;
        el.Start = d.value_or(0.0);
        el.End = e.value_or(0.0);
        const CellValue f = app.value2(sheet, row, 6);
        const std::string rowText = " in row " + std::to_string(row);
        std::optional<double> radius;
        if (f.type == CellType::Text) {
            const std::string k = upperTrimmed(f.text);
            if (k == "G")
                radius = 0.0;
            else if (k == "P")
                el.BauCurve = kTransitionMarker;
            else
                radius = parseWholeFinite(trimBlanks(f.text));
        } else if (f.type == CellType::Number) {
            radius = f.number;
        }
        if (!(f.type == CellType::Text && upperTrimmed(f.text) == "P")) {
            if (!radius) {
                warn(lines, "Track info: unknown element \"" + app.text(sheet, row, 6) + "\"" +
                                rowText + " skipped");
                continue;
            }
            if (*radius == 0.0) {
                if (!(f.type == CellType::Text && upperTrimmed(f.text) == "G"))
                    warn(lines, "Track info: radius 0" + rowText + " taken as straight track");
                el.BauCurve = 0.0F;
            } else {
                el.BauCurve = s * static_cast<float>(1000.0 / *radius);
            }
        }
        el.Cant = static_cast<float>(cellNumber(app.value2(sheet, row, 7)).value_or(0.0));
        out.push_back(el);
    }
    return out;
}

std::optional<std::vector<TrackElement>>
readTrackInfoFile(const std::string& path, bool changeSignum, std::vector<EvalLine>& lines) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        error(lines, "Can not open Excel track info file:  " + path);
        return std::nullopt;
    }
    try {
        // A workbook of our own, so the user's open workbooks see nothing of it.
        SpreadsheetApp app;
        const WorkbookId id = app.open(path);
        const std::optional<SheetHandle> sh = app.findSheet(id, kTrackInfoSheet);
        if (!sh) {
            error(lines, "Can not open Excel track info file:  " + path + " (no sheet \"" +
                             kTrackInfoSheet + "\")");
            return std::nullopt;
        }
        return readTrackElements(app, *sh, changeSignum, lines);
    } catch (const Error& e) {
        error(lines, "Can not open Excel track info file:  " + path + " (" + e.what() + ")");
        return std::nullopt;
    }
}

std::vector<float> drawBauCurve(std::span<const float> K, std::span<const TrackElement> elements) {
    const size_t n = K.size();
    std::vector<float> D(n, 0.0F);
    if (n == 0)
        return D;
    const bool increasing = K[n - 1] > K[0];
    size_t t = 0;
    const auto mark = [&](const TrackElement& el) {
        size_t u = t;
        if (increasing) {
            for (; u < n && K[u] <= el.End; ++u)
                if (K[u] >= el.Start)
                    D[u] = el.BauCurve;
        } else {
            for (; u < n && K[u] >= el.Start; ++u)
                if (K[u] <= el.End)
                    D[u] = el.BauCurve;
        }
        // Samples that ran out leave the next element to start where this one did.
        if (u < n)
            t = u;
    };
    if (increasing)
        for (const auto& el : elements)
            mark(el);
    else
        for (auto it = elements.rbegin(); it != elements.rend(); ++it)
            mark(*it);

    // Transition curves become ramps between the values around them.
    size_t i = 0;
    while (i < n) {
        if (D[i] != kTransitionMarker) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < n && D[j] == kTransitionMarker)
            ++j;
        if (i > 0 && j < n) {
            const double a = D[i - 1], b = D[j];
            const double L = static_cast<double>(j - i);
            for (size_t k = i; k < j; ++k)
                D[k] = static_cast<float>(a + (b - a) * static_cast<double>(k - i + 1) / L);
        }
        i = j;
    }
    return D;
}

void BauCurveToSlot(SignalStore& store, int kmSlot, int dest, const std::string& name, double fs,
                    std::span<const TrackElement> elements) {
    std::vector<float> d = drawBauCurve(store[kmSlot].Data.span(), elements);
    SignalRecord r;
    SampleBuffer b = SampleBuffer::allocate(d.size());
    std::copy(d.begin(), d.end(), b.data());
    r.setData(std::move(b));
    r.f_sampl = fs;
    r.Units = "1/km";
    r.Plot = true;
    r.SaveDiv = 1;
    r.SigName = name;
    store.installSignal(dest, std::move(r));
}

double alignedKm(double km, double km1, double slope, double offsetM) {
    return slope * (km - km1) + km1 + offsetM / 1000.0;
}

TrackInfoSummary summarise(std::span<const TrackElement> elements) {
    TrackInfoSummary s;
    s.rows = static_cast<int>(elements.size());
    if (!elements.empty()) {
        s.fromKm = elements.front().Start;
        s.toKm = elements.back().End;
    }
    return s;
}

AlignSettings readAlignSettings(const SettingsBackend& s) {
    AlignSettings a;
    const auto str = [&s](const char* key, std::string dflt) {
        return s.read(std::string("Align_km/") + key).value_or(std::move(dflt));
    };
    a.curveName = str("Meas_Curve", "");
    a.trackKmName = str("Meas_Track_km", "");
    const std::string f = str("MeasCurveSlope", "1.0");
    a.mmToCurve = parseWholeFinite(trimBlanks(f)) ? f : "1.0";
    a.changeSignum = str("ChangeBauCurveSignum", "0") == "1";
    for (int n = 0; n < kUfSensors; ++n) {
        const std::string p = "uf" + std::to_string(n + 1) + "_to_Curve0_";
        a.ufDist[static_cast<size_t>(n)] = str((p + "dist").c_str(), "");
        a.ufLabel[static_cast<size_t>(n)] = str((p + "label").c_str(), "");
    }
    a.slope = parseFloatStrict(s.read("Align_km/Track_km_slope"), "1.0");
    a.offsetM = parseFloatStrict(s.read("Align_km/Track_km_ofset"), "0.0");
    a.forwardName = str("ForwardDirectoryName", "Vpred");
    a.backwardName = str("BackwardDirectoryName", "Vzad");
    a.trackInfoSubdir = str("TrackInfoSubdirectory", "");
    return a;
}

void writeAlignSettings(SettingsBackend& s, const AlignSettings& a) {
    const auto put = [&s](const std::string& key, const std::string& v) {
        s.write("Align_km/" + key, v);
    };
    put("Meas_Curve", a.curveName);
    put("Meas_Track_km", a.trackKmName);
    put("MeasCurveSlope", a.mmToCurve);
    put("ChangeBauCurveSignum", a.changeSignum ? "1" : "0");
    for (int n = 0; n < kUfSensors; ++n) {
        const std::string p = "uf" + std::to_string(n + 1) + "_to_Curve0_";
        put(p + "dist", a.ufDist[static_cast<size_t>(n)]);
        put(p + "label", a.ufLabel[static_cast<size_t>(n)]);
    }
    put("Track_km_slope", formatFloatFull(a.slope));
    put("Track_km_ofset", formatFloatFull(a.offsetM));
    put("ForwardDirectoryName", a.forwardName);
    put("BackwardDirectoryName", a.backwardName);
    put("TrackInfoSubdirectory", a.trackInfoSubdir);
}

namespace {

// Reads one signal file into slot `slot` of a scratch store; false with an error line.
bool loadOne(SignalStore& scratch, const AlignIo& io, const std::string& dir,
             const std::string& name, int slot, std::vector<EvalLine>& lines) {
    if (trimBlanks(name).empty()) {
        error(lines, "No signal name given");
        return false;
    }
    CaptureLog log;
    LoadResult lr;
    try {
        const LoadContext ctx{log, io.defaultFs, io.decimalSeparator, NullProgress::instance()};
        lr = LoadFiles(scratch, io.readers, dir, {name + loadFileExtension(io.format)}, slot,
                       io.format, ctx);
    } catch (const Error& e) {
        log.warn(e.what());
    }
    for (const auto& l : log.lines)
        lines.push_back({l.warning ? LineLevel::Warning : LineLevel::Info, l.text});
    // A file of several signals keeps its first one only.
    for (int k = slot + 1; k < slot + lr.filled && k <= kSlotCount; ++k)
        scratch.ClearSlot(k);
    if (lr.filled < 1 || !scratch[slot].occupied()) {
        error(lines, "Can not open " + joinPath(dir, name + loadFileExtension(io.format)));
        return false;
    }
    return true;
}

} // namespace

bool loadSignalFiles(SignalStore& scratch, const AlignIo& io, const std::string& dir,
                     const std::vector<std::string>& names, std::vector<EvalLine>& lines) {
    for (size_t k = 0; k < names.size(); ++k)
        if (!loadOne(scratch, io, dir, names[k], static_cast<int>(k) + 1, lines))
            return false;
    const SignalRecord& a = scratch[1];
    for (size_t k = 1; k < names.size(); ++k) {
        const SignalRecord& b = scratch[static_cast<int>(k) + 1];
        if (b.SampleCount != a.SampleCount || b.f_sampl != a.f_sampl) {
            error(lines, "Signals " + a.SigName.str() + " and " + b.SigName.str() +
                             " differ in sample count or sampling frequency (" +
                             std::to_string(a.SampleCount) + " / " + std::to_string(b.SampleCount) +
                             " samples)");
            return false;
        }
    }
    return true;
}

AlignOpenResult openAlignment(SignalStore& store, const AlignIo& io, const AlignOpenRequest& req) {
    AlignOpenResult res;
    const AlignSettings& a = req.settings;
    const std::optional<double> factor = userOrDotNumber(a.mmToCurve, io.decimalSeparator);
    if (!factor) {
        error(res.lines, "Invalid MeasCurveSlope");
        return res;
    }
    auto scratch = std::make_unique<SignalStore>();
    if (!loadSignalFiles(*scratch, io, req.testPath, {a.curveName, a.trackKmName}, res.lines))
        return res;
    std::optional<std::vector<TrackElement>> els =
        readTrackInfoFile(req.trackInfoFile, a.changeSignum, res.lines);
    if (!els)
        return res;
    res.elements = std::move(*els);
    res.summary = summarise(res.elements);

    SignalRecord& curve = (*scratch)[1];
    for (float& x : curve.Data.span())
        x = static_cast<float>(static_cast<double>(x) * *factor);
    SignalRecord& km = (*scratch)[2];
    km.ProcData = km.Data.clone();
    // The record's name field cuts it to its capacity.
    km.SigName = "Align_" + km.SigName.str() + "0";

    store.ClearSlot(0);
    store.installSignal(1, std::move(curve));
    store.installSignal(2, std::move(km));
    realign(store, a.slope, a.offsetM, res.elements);
    res.ok = true;
    return res;
}

bool realign(SignalStore& store, double slope, double offsetM,
             std::span<const TrackElement> elements) {
    SignalRecord& km = store[2];
    if (!km.occupied() || km.ProcData.size() != static_cast<size_t>(km.SampleCount))
        return false;
    {
        const auto guard = store.writeGuard();
        const double k0 = km.ProcData[0];
        for (size_t i = 0; i < km.ProcData.size(); ++i)
            km.Data[i] = static_cast<float>(alignedKm(km.ProcData[i], k0, slope, offsetM));
    }
    const double fs = store[1].occupied() ? store[1].f_sampl : km.f_sampl;
    BauCurveToSlot(store, 2, 3, "Align_BauCurve0", fs, elements);
    return true;
}

SaveAlignedResult saveAligned(SignalStore& store, const SaveAlignedRequest& req,
                              std::span<const TrackElement> elements) {
    SaveAlignedResult res;
    const AlignSettings& a = req.settings;
    int d = 0;
    if (req.level2 == a.forwardName)
        d = 1;
    else if (req.level2 == a.backwardName)
        d = -1;
    if (d == 0) {
        error(res.lines, "Invalid direction name");
        return res;
    }
    const SignalRecord& km = store[2];
    const size_t n = km.occupied() ? static_cast<size_t>(km.SampleCount) : 0;
    if (n == 0 || km.Data[n - 1] == km.Data[0]) {
        error(res.lines, "Strange Track km");
        return res;
    }
    const int e = km.Data[n - 1] > km.Data[0] ? 1 : -1;
    // The kilometre as measured, so every output is rounded to float once only.
    const bool measured = km.ProcData.size() == n;
    const double k0 = measured ? km.ProcData[0] : km.Data[0];

    CaptureLog log;
    const files::SaveContext sctx{log, req.header, NullProgress::instance()};
    for (int i = 1; i <= kUfSensors; ++i) {
        const int kmSlot = 2 * i + 2, bauSlot = 2 * i + 3;
        store.ClearSlot(kmSlot);
        store.ClearSlot(bauSlot);
        const std::string& distText = a.ufDist[static_cast<size_t>(i - 1)];
        const std::optional<double> delta =
            trimBlanks(distText).empty() ? std::nullopt : userOrDotNumber(distText, '.');
        if (!delta) {
            if (!trimBlanks(distText).empty())
                warn(res.lines,
                     "uf" + std::to_string(i) + ": distance \"" + distText + "\" is not a number");
            continue;
        }
        const std::string& label = a.ufLabel[static_cast<size_t>(i - 1)];
        res.lines.push_back({LineLevel::Info, "Create track km " + std::to_string(i)});
        SignalRecord r;
        SampleBuffer b = SampleBuffer::allocate(n);
        const double shift = d * 0.001 * e * *delta;
        for (size_t k = 0; k < n; ++k) {
            const double v = measured ? alignedKm(km.ProcData[k], k0, a.slope, a.offsetM)
                                      : static_cast<double>(km.Data[k]);
            b[k] = static_cast<float>(v + shift);
        }
        r.setData(std::move(b));
        r.Units = "km";
        r.Plot = true;
        r.SaveDiv = 1;
        r.f_sampl = km.f_sampl;
        r.SigName = "Align_" + label + "_Track_km";
        r.Unsaved = true;
        store.installSignal(kmSlot, std::move(r));
        BauCurveToSlot(store, kmSlot, bauSlot, "Align_" + label + "_BauCurve", km.f_sampl,
                       elements);
        store[bauSlot].Unsaved = true;
        ++res.sensors;
        for (const int slot : {kmSlot, bauSlot}) {
            files::SaveRequest sr;
            sr.slot = slot;
            sr.T1 = req.T1;
            sr.T2 = req.T2;
            sr.dir = req.testPath;
            sr.format = req.format;
            sr.backup = req.backup;
            try {
                if (files::SaveSlot(store, sr, sctx) == files::SaveStatus::Written) {
                    ++res.saved;
                    store[slot].Unsaved = false;
                }
            } catch (const Error& err) {
                log.warn(err.what());
            }
        }
        for (const auto& l : log.lines)
            res.lines.push_back({l.warning ? LineLevel::Warning : LineLevel::Info, l.text});
        log.lines.clear();
    }
    res.ok = true;
    return res;
}

} // namespace mv
