#include "evaluation/CurveProfile.h"

#include "core/TextNumbers.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "processing/ZeroPhase.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace mv {

namespace {

constexpr float kMarker = kTransitionMarker;
constexpr double kLowFreq = 0.2, kHighFreq = 2.0;

void error(std::vector<EvalLine>& lines, std::string text) {
    lines.push_back({LineLevel::Error, std::move(text)});
}

std::optional<double> userOrDotNumber(std::string_view text, char sep) {
    if (auto v = parseUserNumber(text, sep))
        return v;
    return parseUserNumber(text, '.');
}

void filter0(std::vector<float>& x, double fs, const char* what, std::vector<EvalLine>& lines) {
    const ZeroPhaseStatus st = ZeroPhaseLowPass(x.data(), x.size(), fs, kLowFreq, kHighFreq);
    if (st != ZeroPhaseStatus::Ok)
        lines.push_back({LineLevel::Warning,
                         std::string("Filter0 of the ") + what + ": " + zeroPhaseStatusText(st)});
}

} // namespace

Curve2xlsSettings readCurve2xlsSettings(const SettingsBackend& s) {
    Curve2xlsSettings c;
    c.speedName = s.read("Curve2xls/Speed").value_or("");
    c.curveName = s.read("Curve2xls/Meas_Curve").value_or("");
    c.trackKmName = s.read("Curve2xls/Meas_Track_km").value_or("");
    const std::string f = s.read("Curve2xls/MeasCurveSlope").value_or("1.0");
    c.mmToCurve = parseWholeFinite(trimBlanks(f)) ? f : "1.0";
    return c;
}

void writeCurve2xlsSettings(SettingsBackend& s, const Curve2xlsSettings& c) {
    s.write("Curve2xls/Speed", c.speedName);
    s.write("Curve2xls/Meas_Curve", c.curveName);
    s.write("Curve2xls/Meas_Track_km", c.trackKmName);
    s.write("Curve2xls/MeasCurveSlope", c.mmToCurve);
}

namespace detail {

std::vector<float> radiusOf(std::span<const float> curve) {
    const size_t n = curve.size();
    std::vector<float> R(n, 0.0F);
    for (size_t i = 0; i < n; ++i)
        if (std::fabs(10000.0 * curve[i]) > 1000.0)
            R[i] = static_cast<float>(1000.0 / curve[i]);
    // A run that never tightens to 80 % of the radius it started with is a bump in a
    // straight, not a curve; a run still open at the end cannot be judged and stays.
    size_t i = 0;
    while (i < n) {
        if (R[i] == 0.0F) {
            ++i;
            continue;
        }
        size_t j = i;
        const float limit = 0.8F * std::fabs(R[i]);
        bool tightens = false;
        while (j < n && R[j] != 0.0F) {
            tightens = tightens || std::fabs(R[j]) < limit;
            ++j;
        }
        if (j < n && !tightens)
            std::fill(R.begin() + static_cast<std::ptrdiff_t>(i),
                      R.begin() + static_cast<std::ptrdiff_t>(j), 0.0F);
        i = j;
    }
    return R;
}

std::vector<float> derivativeOf(std::span<const float> R, std::span<const float> speed, double c) {
    const size_t n = std::min(R.size(), speed.size());
    std::vector<float> D(n, 0.0F);
    if (n == 0)
        return D;
    double Rp = R[0];
    for (size_t i = 1; i < n; ++i) {
        if (!(speed[i] > 0.3F))
            continue;
        double A = (R[i] - Rp) / (speed[i] * c);
        if (Rp == 0.0)
            A = -A;
        // Straight track does not change: without this every straight sample would look
        // like the steepest transition and the marker could never start.
        if (R[i] == 0.0F)
            A = 0.0;
        D[i] = static_cast<float>(std::clamp(A, -10.0, 10.0));
        Rp = R[i];
    }
    return D;
}

std::vector<float> markerOf(std::span<const float> R, std::span<const float> D,
                            std::span<const float> curve) {
    const size_t n = std::min({R.size(), D.size(), curve.size()});
    std::vector<float> T(n, 0.0F);
    if (n == 0)
        return T;
    // A leap of the radius out of straight track starts a transition; it lasts until the
    // radius settles. Forwards finds the entries, backwards the exits.
    float f = 0.0F, g = 0.0F;
    const auto step = [&](size_t k) {
        const float a = std::fabs(D[k]);
        if (f == 0.0F && a == 10.0F)
            g = kMarker;
        if (g == kMarker && a < 1.0F)
            g = 0.0F;
        if (g != 0.0F)
            T[k] = g;
        f = a;
    };
    f = std::fabs(D[0]);
    for (size_t j = 1; j < n; ++j)
        step(j);
    f = std::fabs(D[n - 1]);
    g = 0.0F;
    for (size_t j = n - 1; j-- > 0;)
        step(j);

    std::vector<size_t> idx;
    for (size_t i = 0; i < n; ++i)
        if (R[i] != 0.0F)
            idx.push_back(i);

    // Gentle transitions that never leapt: a stretch of changing radius whose radius at
    // its end differs by more than 10 % from its start.
    const auto walk = [&](size_t p0, size_t p1) {
        bool open = false;
        size_t o = 0;
        double Ro = 0.0;
        for (size_t p = p0; p <= p1; ++p) {
            const size_t k = idx[p];
            if (std::fabs(D[k]) > 0.5F) {
                if (!open) {
                    open = true;
                    o = k;
                    Ro = R[k];
                }
            } else if (open) {
                open = false;
                const double r = R[k];
                if (Ro / r < 0.9 || r / Ro < 0.9)
                    std::fill(T.begin() + static_cast<std::ptrdiff_t>(o),
                              T.begin() + static_cast<std::ptrdiff_t>(k) + 1, kMarker);
            }
        }
    };
    {
        std::ptrdiff_t start = -1;
        for (size_t p = 0; p < idx.size(); ++p) {
            if (T[idx[p]] != kMarker) {
                if (start < 0)
                    start = static_cast<std::ptrdiff_t>(p);
            } else if (start >= 0) {
                walk(static_cast<size_t>(start), p);
                start = -1;
            }
        }
    }

    // The body of each curve takes its mean curvature.
    {
        bool inRun = false;
        size_t first = 0, last = 0;
        double sum = 0.0;
        for (const size_t k : idx) {
            if (T[k] == 0.0F) {
                if (!inRun) {
                    inRun = true;
                    first = k;
                    sum = 0.0;
                }
                sum += curve[k];
                last = k;
            } else if (inRun) {
                inRun = false;
                const auto v = static_cast<float>(sum / static_cast<double>(last - first + 1));
                std::fill(T.begin() + static_cast<std::ptrdiff_t>(first),
                          T.begin() + static_cast<std::ptrdiff_t>(last) + 1, v);
            }
        }
    }
    return T;
}

std::vector<TrackElement> elementsOf(std::span<const float> T, std::span<const float> K) {
    std::vector<TrackElement> out;
    const size_t n = std::min(T.size(), K.size());
    if (n == 0)
        return out;
    const auto add = [&out](double s, double e, float v) {
        if (static_cast<int>(out.size()) < kMaxTrackElements)
            out.push_back({s, e, v, kNoCant});
    };
    if (K[n - 1] > K[0]) {
        float v = T[0];
        double s = K[0];
        for (size_t k = 1; k < n; ++k)
            if (T[k] != v) {
                add(s, K[k - 1], T[k - 1]);
                s = K[k - 1];
                v = T[k];
            }
        add(s, K[n - 1], T[n - 1]);
    } else {
        float v = T[n - 1];
        double s = K[n - 1];
        for (size_t k = n - 1; k-- > 0;)
            if (T[k] != v) {
                add(s, K[k + 1], T[k + 1]);
                s = K[k + 1];
                v = T[k];
            }
        add(s, K[0], T[0]);
    }
    return out;
}

} // namespace detail

TrackProfile deriveTrackProfile(std::span<const float> speed, std::span<const float> curve,
                                std::span<const float> km, double fs, double factor) {
    TrackProfile p;
    const size_t n = std::min({speed.size(), curve.size(), km.size()});
    p.speed.assign(speed.begin(), speed.begin() + static_cast<std::ptrdiff_t>(n));
    p.curve.resize(n);
    for (size_t i = 0; i < n; ++i)
        p.curve[i] = static_cast<float>(static_cast<double>(curve[i]) * factor);
    filter0(p.speed, fs, "speed", p.lines);
    filter0(p.curve, fs, "curvature", p.lines);
    const double c = 1.0 / (3.6 * fs);
    p.radius = detail::radiusOf(p.curve);
    p.derivR = detail::derivativeOf(p.radius, p.speed, c);
    p.marker = detail::markerOf(p.radius, p.derivR, p.curve);
    p.elements = detail::elementsOf(p.marker, km.first(n));
    return p;
}

Curve2xlsResult openCurve2xls(SignalStore& store, const AlignIo& io, const std::string& testPath,
                              const Curve2xlsSettings& settings) {
    Curve2xlsResult res;
    const std::optional<double> factor = userOrDotNumber(settings.mmToCurve, io.decimalSeparator);
    if (!factor) {
        error(res.lines, "Invalid MeasCurveSlope");
        return res;
    }
    auto scratch = std::make_unique<SignalStore>();
    if (!loadSignalFiles(*scratch, io, testPath,
                         {settings.speedName, settings.curveName, settings.trackKmName}, res.lines))
        return res;
    SignalStore& s = *scratch;
    const double fs = s[1].f_sampl;
    TrackProfile p =
        deriveTrackProfile(s[1].Data.span(), s[2].Data.span(), s[3].Data.span(), fs, *factor);
    res.lines.insert(res.lines.end(), p.lines.begin(), p.lines.end());

    const auto fill = [](SignalRecord& r, const std::vector<float>& v) {
        SampleBuffer b = SampleBuffer::allocate(v.size());
        std::copy(v.begin(), v.end(), b.data());
        r.setData(std::move(b));
    };
    fill(s[1], p.speed);
    fill(s[2], p.curve);
    const int saveDiv = s[1].SaveDiv;
    const auto computed = [&](int slot, const char* name, const char* units,
                              const std::vector<float>& v) {
        SignalRecord& r = s[slot];
        fill(r, v);
        r.f_sampl = fs;
        r.SaveDiv = saveDiv;
        r.SigName = name;
        r.Units = units;
        r.Plot = false;
        r.Unsaved = true;
    };
    computed(4, "Radius", "m", p.radius);
    computed(5, "DerivR", "m/m", p.derivR);
    s[1].Unsaved = s[2].Unsaved = true;

    store.ClearSlot(0);
    for (int k = 1; k <= 5; ++k)
        store.installSignal(k, std::move(s[k]));
    BauCurveToSlot(store, 3, 6, "MeasBauCurve", fs, p.elements);
    store[6].Unsaved = true;
    res.elements = std::move(p.elements);
    res.lines.push_back(
        {LineLevel::Info, "Track elements: " + std::to_string(res.elements.size())});
    res.ok = true;
    return res;
}

std::string trackInfoFileName(const std::string& logFolder, const std::string& subdir,
                              const std::string& level4, std::vector<EvalLine>& lines) {
    if (trimBlanks(level4).empty()) {
        error(lines, "The test has no path level 4 to name its track info file");
        return {};
    }
    std::string f = logFolder;
    if (!subdir.empty())
        f = joinPath(f, subdir);
    return joinPath(f, level4 + ".xlsx");
}

namespace {

CellValue kindCell(float bau) {
    if (bau == kMarker)
        return CellValue::str("P");
    if (bau == 0.0F)
        return CellValue::str("G");
    return CellValue::num(std::round(1000.0 / static_cast<double>(bau)));
}

double round3(double v) {
    return std::round(v * 1000.0) / 1000.0;
}

} // namespace

bool writeTrackInfoWorkbook(const TrackInfoWrite& w, std::span<const TrackElement> elements,
                            std::vector<EvalLine>& lines) {
    std::error_code ec;
    if (std::filesystem::exists(w.file, ec)) {
        error(lines, "File \"" + w.file + "\" exists !");
        return false;
    }
    try {
        SpreadsheetApp app;
        const WorkbookId id = app.newWorkbook(kTrackInfoSheet);
        const SheetHandle sh = app.sheet(id, kTrackInfoSheet);
        const auto range = [](int r1, int c1, int r2, int c2) {
            return CellRange{{r1, c1}, {r2, c2}};
        };
        const char* heads[] = {"Od km", "Do km", "G prima\nP prech.\nRP (+)\nRL (-)", "prevyseni"};
        for (int k = 0; k < 4; ++k) {
            const CellRange r = range(2, 4 + k, 8, 4 + k);
            app.merge(sh, r);
            app.setBorders(sh, r);
            app.setValue(sh, 2, 4 + k, CellValue::str(heads[k]));
        }
        app.setWrap(sh, range(2, 6, 8, 6));
        app.setBorders(sh, range(9, 4, 9, 7));
        app.setValue(sh, 9, 6, CellValue::str("m"));
        app.setValue(sh, 9, 7, CellValue::str("mm"));
        app.setColumnNumberFormat(sh, 4, "0.000");
        app.setColumnNumberFormat(sh, 5, "0.000");
        app.setColumnNumberFormat(sh, 6, "0");
        int row = kTrackFirstRow;
        for (const TrackElement& el : elements) {
            app.setValue(sh, row, 4, CellValue::num(round3(el.Start)));
            app.setValue(sh, row, 5, CellValue::num(round3(el.End)));
            app.setValue(sh, row, 6, kindCell(el.BauCurve));
            ++row;
        }
        lines.push_back({LineLevel::Info, "Excel track info:  \"" + w.file + "\"  created."});
        std::string created = w.created.empty() ? files::currentDateTime() : w.created;
        if (w.created.empty()) {
            const auto sp = created.find(' ');
            if (sp != std::string::npos)
                created.insert(sp, " ");
        }
        app.setValue(sh, 1, 1, CellValue::str(created));
        app.setValue(sh, 1, 4, CellValue::str(w.testPath));
        app.setValue(sh, 2, 1, CellValue::str("mm to curve 1/km"));
        app.setValue(sh, 2, 2, CellValue::num(w.factor));
        std::filesystem::create_directories(std::filesystem::path(w.file).parent_path(), ec);
        app.saveAs(id, w.file);
        app.close(id);
        return true;
    } catch (const Error& e) {
        error(lines, "Excel track info \"" + w.file + "\": " + e.what());
        return false;
    }
}

} // namespace mv
