#include "DemoEvaluation.h"

#include "core/IniSettings.h"
#include "core/SignalRecord.h"
#include "evaluation/CurveProfile.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "files/NativeFile.h"
#include "monitors/PolyGrafStore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <stdexcept>

namespace mv::demo {

namespace fs = std::filesystem;

namespace {

constexpr double kDemoFs = 50.0;       // the demo's sampling rate [Hz]
constexpr double kTrackStartKm = 12.0; // kilometre of the section list's first row
constexpr double kRunInM = 80.0;       // recorded before and after the listed track
constexpr double kUfBiasMm = 3.0;      // the uf sensor's offset, which zeroing removes
constexpr int kDemoMeasured = 6;       // Y11, Y12, Q11, Q12, AccY, AccZ
constexpr int kComputed = 8;
const char* const kTrackFile = "TRK01_Velim.xlsx";
const char* const kTrackFolder = "Track";

// One element of the test track: straight (radius 0), transition (1) or a curve whose
// sign says its direction; the cant in mm is signed like the curve it belongs to.
struct Element {
    double lengthM;
    double radius;
    double cantMm;
    const char* text;
};

// The track holds one curve of each zone 2..6, each between two transitions, with
// straights between them: every zone and every kind of transition occurs once.
const Element kTrack[] = {
    {300, 0, 0, "straight"},         {50, 1, 0, "transition"},
    {250, 2000, 60, "curve R 2000"}, {50, 1, 0, "transition"},
    {200, 0, 0, "straight"},         {50, 1, 0, "transition"},
    {220, -800, 100, "curve R 800"}, {50, 1, 0, "transition"},
    {180, 0, 0, "straight"},         {45, 1, 0, "transition"},
    {200, 500, 150, "curve R 500"},  {45, 1, 0, "transition"},
    {150, 0, 0, "straight"},         {40, 1, 0, "transition"},
    {170, -320, 150, "curve R 320"}, {40, 1, 0, "transition"},
    {150, 0, 0, "straight"},         {40, 1, 0, "transition"},
    {140, 200, 150, "curve R 200"},  {40, 1, 0, "transition"},
    {300, 0, 0, "straight"},
};
constexpr int kElements = static_cast<int>(std::size(kTrack));

// Curvature [1/km] and signed cant [mm] of an element away from its ends.
double elementCurvature(const Element& e) {
    return (e.radius == 0.0 || e.radius == 1.0) ? 0.0 : 1000.0 / e.radius;
}
double elementCant(const Element& e) {
    return e.radius == 0.0 || e.radius == 1.0 ? 0.0 : std::copysign(e.cantMm, e.radius);
}

struct TrackGeometry {
    std::vector<double> startKm, endKm;
    double firstKm() const { return startKm.front(); }
    double lastKm() const { return endKm.back(); }

    TrackGeometry() {
        double km = kTrackStartKm;
        for (const Element& e : kTrack) {
            startKm.push_back(km);
            km += e.lengthM / 1000.0;
            endKm.push_back(km);
        }
    }
    // Curvature and signed cant at a kilometre: constant on straights and curves, linear
    // between the neighbours on a transition, 0 off the listed track.
    void at(double km, double& curvature, double& cant) const {
        curvature = 0.0;
        cant = 0.0;
        if (km < firstKm() || km >= lastKm())
            return;
        const auto it = std::upper_bound(startKm.begin(), startKm.end(), km);
        const int k = static_cast<int>(it - startKm.begin()) - 1;
        const Element& e = kTrack[k];
        if (e.radius != 1.0) {
            curvature = elementCurvature(e);
            cant = elementCant(e);
            return;
        }
        const Element& before = kTrack[std::max(k - 1, 0)];
        const Element& after = kTrack[std::min(k + 1, kElements - 1)];
        const double w = (km - startKm[k]) / (endKm[k] - startKm[k]);
        curvature = (1 - w) * elementCurvature(before) + w * elementCurvature(after);
        cant = (1 - w) * elementCant(before) + w * elementCant(after);
    }
};

// Normal noise from the standard Mersenne twister through Box-Muller: the same seed gives
// the same samples whatever the standard library's distributions do.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : rng_(seed) {}
    double operator()(double sigma) {
        if (spare_) {
            spare_ = false;
            return sigma * next_;
        }
        const double u1 = (static_cast<double>(rng_()) + 0.5) / 4294967296.0;
        const double u2 = (static_cast<double>(rng_()) + 0.5) / 4294967296.0;
        const double r = std::sqrt(-2.0 * std::log(u1));
        next_ = r * std::sin(2.0 * std::numbers::pi * u2);
        spare_ = true;
        return sigma * r * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    std::mt19937 rng_;
    double next_ = 0.0;
    bool spare_ = false;
};

struct TestPlan {
    DemoTest t;
    double speedKmh = 60.0;
    bool reverse = false;
    bool loaded = false;
    bool saveOff = true;      // the Log has a "Save off" row for it
    bool missingFile = false; // one measured file is not written
    bool drops = false;       // the Drop signal marks invalid stretches
    bool noteAfterSaveOff = false;
    std::string trackText = "TRK01_Velim_loop";
};

std::vector<TestPlan> demoPlans() {
    auto plan = [](int id, const char* cond, const char* dir, int v, const char* route,
                   const char* note) {
        TestPlan p;
        p.t = {id,    cond, dir, "V" + std::string(v < 100 ? "0" : "") + std::to_string(v),
               route, note};
        p.speedKmh = v;
        p.reverse = std::string(dir) == "Reverse";
        p.loaded = std::string(cond) == "Loaded";
        return p;
    };
    std::vector<TestPlan> v;
    v.push_back(plan(1, "Empty", "Forward", 60, "TRK01", "every zone accepted"));
    v.push_back(plan(2, "Empty", "Forward", 100, "TRK01", "tight curves rejected by uf"));
    v.push_back(plan(3, "Empty", "Reverse", 60, "TRK01", "reverse run, kilometres decrease"));
    v.push_back(plan(4, "Empty", "Reverse", 100, "TRK01", "reverse run at speed"));
    v.push_back(plan(5, "Loaded", "Forward", 40, "TRK01", "slow: speed limits reject zones"));
    v.push_back(plan(6, "Loaded", "Forward", 80, "TRK01", "Drop = 0 stretches"));
    v.back().drops = true;
    v.push_back(plan(7, "Loaded", "Forward", 120, "TRK01", "fast run"));
    v.push_back(plan(8, "Loaded", "Forward", 80, "TRK01", "a measured file is missing"));
    v.back().missingFile = true;
    v.push_back(plan(9, "Loaded", "Forward", 80, "TRK01", "aborted: no \"Save off\" row"));
    v.back().saveOff = false;
    v.push_back(plan(10, "Loaded", "Reverse", 80, "TRK01", "reverse run, loaded"));
    v.push_back(plan(11, "Loaded", "Forward", 60, "TRK02",
                     "second track without track information; Dir_Track TRK01 skips it"));
    v.back().trackText = "TRK02_Mockup";
    v.push_back(plan(12, "Empty", "Forward", 70, "TRK01", "moderate speed"));
    v.push_back(plan(13, "Empty", "Reverse", 80, "TRK01",
                     "reverse run with Drop = 0 stretches, a note after \"Save off\""));
    v.back().drops = true;
    v.back().noteAfterSaveOff = true;
    return v;
}

// Plain tests for the benchmark: every one has its files and its "Save off" row.
std::vector<TestPlan> scaledPlans(int ids) {
    const int speeds[] = {60, 80, 100, 120};
    std::vector<TestPlan> v;
    for (int id = 1; id <= ids; ++id) {
        TestPlan p;
        p.speedKmh = speeds[(id - 1) % 4];
        p.reverse = ((id - 1) / 4) % 2 == 1;
        p.loaded = ((id - 1) / 8) % 2 == 1;
        p.t = {id,
               p.loaded ? "Loaded" : "Empty",
               p.reverse ? "Reverse" : "Forward",
               "V" + std::string(p.speedKmh < 100 ? "0" : "") +
                   std::to_string(static_cast<int>(p.speedKmh)),
               "TRK01",
               "benchmark run"};
        v.push_back(std::move(p));
    }
    return v;
}

struct Channel {
    std::string name, units, sensor;
};

std::vector<Channel> measuredChannels(int count) {
    std::vector<Channel> c = {
        {"Y11", "kN", "measuring wheelset, lateral force, wheel 1 left"},
        {"Y12", "kN", "measuring wheelset, lateral force, wheel 1 right"},
        {"Q11", "kN", "measuring wheelset, vertical force, wheel 1 left"},
        {"Q12", "kN", "measuring wheelset, vertical force, wheel 1 right"},
        {"AccY", "m/s2", "car body accelerometer, lateral"},
        {"AccZ", "m/s2", "bogie frame accelerometer, vertical"},
    };
    for (int k = kDemoMeasured + 1; k <= count; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "Ch%02d", k);
        c.push_back({name, "ue", "strain gauge"});
    }
    return c;
}

const files::HeaderInfo kHeader = [] {
    files::HeaderInfo h;
    h.dateTime = "12.05.2026 09:00:00";
    h.logWorkbook = "Log.xlsx";
    return h;
}();

void writeSignal(const fs::path& file, const Channel& ch, double rate,
                 const std::vector<float>& data) {
    SignalRecord r;
    r.SigName = ch.name;
    r.Units = ch.units;
    r.Sens_type = ch.sensor;
    r.Sig_note = "demo evaluation signal";
    r.f_sampl = rate;
    SampleBuffer b = SampleBuffer::allocate(data.size());
    std::copy(data.begin(), data.end(), b.data());
    r.setData(std::move(b));
    mv::files::writeNative(file.string(), r, {1, static_cast<std::int64_t>(data.size())}, 1,
                           kHeader);
}

// Synthesises one test's run and writes its files; returns the sampling rate.
double writeTestSignals(const fs::path& folder, const TestPlan& p, const TrackGeometry& track,
                        const EvalScale& scale) {
    const double dir = p.reverse ? -1.0 : 1.0;
    const double fromKm =
        p.reverse ? track.lastKm() + kRunInM / 1000 : track.firstKm() - kRunInM / 1000;
    const double distanceM = (track.lastKm() - track.firstKm()) * 1000.0 + 2 * kRunInM;
    const double seconds = distanceM / (p.speedKmh / 3.6);
    std::size_t n = 0;
    double rate = kDemoFs;
    if (scale.samples > 0) {
        n = static_cast<std::size_t>(scale.samples);
        rate = static_cast<double>(n) / seconds;
    } else {
        n = static_cast<std::size_t>(std::ceil(seconds * rate));
    }
    const double dt = 1.0 / rate;

    Noise noise(static_cast<std::uint32_t>(1000 + p.t.id));
    std::vector<float> speed(n), km(n), drop(n), uf(n), curve(n);
    std::vector<double> ufVehicle(n), curveVehicle(n);
    double pos = fromKm;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) * dt;
        const double v = p.speedKmh + 1.5 * std::sin(2 * std::numbers::pi * t / 37.0) + noise(0.1);
        double c = 0, cant = 0;
        track.at(pos, c, cant);
        const double ufTrack = 11.8 * v * v * c / 1000.0 - cant;
        // Vehicle coordinates: in a reverse run a right-hand curve of the list is a left one.
        curveVehicle[i] = dir * c;
        ufVehicle[i] = dir * ufTrack;
        speed[i] = static_cast<float>(v);
        km[i] = static_cast<float>(pos);
        curve[i] = static_cast<float>(curveVehicle[i] + noise(0.004));
        uf[i] = static_cast<float>(ufVehicle[i] + kUfBiasMm + noise(1.5));
        // Invalid stretches: 15 m on the first straight and 30 m in the middle of the
        // zone-3 curve, where the recording dropped out.
        const bool dropped =
            p.drops && ((pos > 12.100 && pos < 12.115) ||
                        (pos > track.startKm[6] + 0.095 && pos < track.startKm[6] + 0.125));
        drop[i] = dropped ? 0.0F : 1.0F;
        pos += dir * v / 3.6 * dt / 1000.0;
    }

    fs::create_directories(folder);
    const int measured = scale.signalsPerTest - 5;
    const auto channels = measuredChannels(measured);
    const double q0 = p.loaded ? 80.0 : 55.0;
    std::vector<float> x(n);
    for (int k = 0; k < measured; ++k) {
        if (p.missingFile && k == kDemoMeasured - 1)
            continue;
        Noise nk(static_cast<std::uint32_t>(100000 * p.t.id + k));
        const double f = 0.7 + 0.37 * k;
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) * dt;
            const double u = ufVehicle[i], a = std::abs(curveVehicle[i]);
            const double w = 2 * std::numbers::pi * t;
            double s = 0;
            switch (k) {
            case 0:
                s = 4 + 0.09 * u + 6 * a + 2 * std::sin(w * 3.1) + nk(1.2);
                break;
            case 1:
                s = -3 + 0.05 * u + 3 * a + 1.5 * std::sin(w * 2.3 + 1) + nk(1.0);
                break;
            case 2:
                s = q0 + 0.22 * u + 3 * std::sin(w * 4.7) + nk(2.5);
                break;
            case 3:
                s = q0 - 0.22 * u + 3 * std::sin(w * 4.7 + 0.5) + nk(2.5);
                break;
            case 4:
                s = 0.25 + 9.81 * u / 1500 + 0.3 * std::sin(w * 1.1) + nk(0.15);
                break;
            case 5:
                s = 9.81 + 0.6 * std::sin(w * 6.3) + nk(0.5);
                break;
            default:
                s = 0.5 * std::sin(w * f) + nk(0.3);
                break;
            }
            x[i] = static_cast<float>(s);
        }
        writeSignal(folder / (channels[k].name + ".mvn"), channels[k], rate, x);
    }
    writeSignal(folder / "Speed.mvn", {"Speed", "km/h", "tachogenerator"}, rate, speed);
    writeSignal(folder / "Track_km.mvn", {"Track_km", "km", "track kilometre"}, rate, km);
    writeSignal(folder / "Drop.mvn", {"Drop", "1", "validity of the record"}, rate, drop);
    writeSignal(folder / "uf_mm.mvn", {"uf_mm", "mm", "cant deficiency"}, rate, uf);
    writeSignal(folder / "Curve.mvn", {"Curve", "1/km", "track curvature"}, rate, curve);
    return rate;
}

// --- workbooks -------------------------------------------------------------------------

CellValue num(double v) {
    return CellValue::num(v);
}
CellValue str(const std::string& s) {
    return CellValue::str(s);
}

struct Book {
    SpreadsheetApp& app;
    WorkbookId id;
    SheetHandle first;
    Workbook& wb() { return app.workbook(id); }
    void set(const SheetHandle& h, int row, int col, const CellValue& v) {
        app.setValue(h, row, col, v);
    }
    void name(const std::string& n, const SheetHandle& h, int row, int col, int rows = 1,
              int cols = 1) {
        wb().setName(n, app.resolve(h), {{row, col}, {row + rows - 1, col + cols - 1}});
    }
};

double excelDate(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    const sys_days day = year{y} / month{m} / std::chrono::day{d};
    const sys_days epoch = year{1899} / December / std::chrono::day{30};
    return static_cast<double>((day - epoch).count());
}

void writeLog(SpreadsheetApp& app, const fs::path& file, const std::vector<TestPlan>& plans,
              const std::vector<double>& rates) {
    Book b{app, app.newWorkbook("Log"), {}};
    b.first = app.sheet(b.id, "Log");
    const SheetHandle log = b.first;
    const SheetHandle ini = app.addSheet(b.id, "Ini");
    b.set(log, 1, 1, str("Test log of the demo campaign (EN 14363 on-track tests)"));
    b.set(log, 2, 1, str("Ini sheet"));
    b.set(log, 2, 2, str("Ini"));
    b.set(log, 3, 1, str("The test folders are <Condition>/<Direction>/<Speed>/<Route>/<Test ID>"));
    b.set(ini, 1, 1, str("Path levels"));
    const char* captions[] = {"Condition", "Direction", "Speed", "Route"};
    for (int k = 0; k < 4; ++k)
        b.set(ini, 2 + k, 1, str(captions[k]));

    // The Test ID sits in column D: the rescan reads the highest ID from there.
    const char* headers[] = {"Entry",     "Date",      "Time",  "Test ID", "Category", "Mark",
                             "Condition", "Direction", "Speed", "Route",   "Track",    "Note"};
    for (int c = 0; c < 12; ++c) {
        b.set(log, 10, c + 1, str(headers[c]));
        app.setBold(log, 10, c + 1, true);
    }
    int row = 11;
    auto event = [&](const TestPlan& p, double day, double timeOfDay, const char* category) {
        b.set(log, row, 1, num(row - 10));
        b.set(log, row, 2, num(day));
        b.set(log, row, 3, num(timeOfDay));
        b.set(log, row, 4, num(p.t.id));
        b.set(log, row, 5, str(category));
        return row++;
    };
    for (std::size_t k = 0; k < plans.size(); ++k) {
        const TestPlan& p = plans[k];
        const double day = excelDate(2026, 5, 12) + (p.t.id - 1) / 5;
        const double t0 = (9.0 + 0.5 * ((p.t.id - 1) % 5)) / 24.0;
        const double minute = 1.0 / 1440.0;
        int r = event(p, day, t0, "Start");
        b.set(log, r, 12, str(p.t.note));
        event(p, day, t0 + minute, "Save on");
        r = event(p, day, t0 + 3 * minute, "Remark");
        b.set(log, r, 12, str("run " + p.t.speed + " " + p.t.direction));
        if (!p.saveOff) {
            r = event(p, day, t0 + 4 * minute, "Abort");
            b.set(log, r, 12, str("recording aborted, nothing saved"));
            continue;
        }
        r = event(p, day, t0 + 5 * minute, "Save off");
        // The sample period in microseconds: 1 000 000 / Mark is the processing rate.
        b.set(log, r, 6, num(1.0e6 / rates[k]));
        b.set(log, r, 7, str(p.t.condition));
        b.set(log, r, 8, str(p.t.direction));
        b.set(log, r, 9, str(p.t.speed));
        b.set(log, r, 10, str(p.t.route));
        b.set(log, r, 11, str(p.trackText));
        if (p.noteAfterSaveOff) {
            r = event(p, day, t0 + 6 * minute, "Remark");
            b.set(log, r, 12, str("wheel profiles measured after the run"));
        }
    }
    app.setNumberFormat(log, {{11, 2}, {row, 2}}, "dd.mm.yyyy");
    app.setNumberFormat(log, {{11, 3}, {row, 3}}, "hh:mm:ss");
    app.setColumnWidth(log, 12, 48);
    app.saveAs(b.id, file.string());
    app.close(b.id);
}

struct MeasEntry {
    std::string name, units;
};

struct CompEntry {
    const char* name;
    const char* units;
    std::string sig1;
    const char* op;
    std::string sig2;
    double slope1, slope2;
    const char* highPass;
    const char* lowPass;
    const char* stepMode;
    const char* averLength;
    const char* stepLength;
    CellValue offset;
    bool plot;
};

// The computed signals exercise each operation, both filters, the step average, an
// offset and zeroing; the power uses the speed slot through "M" + S.
std::vector<CompEntry> computedSignals(int measured) {
    const std::string speedSlot = "M" + std::to_string(measured + kComputed + 1);
    return {
        {"SumY", "kN", "M1", "+", "M2", 1, 1, "", "10", "", "", "", num(0), true},
        {"YQ11", "1", "M1", "/", "M3", 1, 1, "", "", "", "", "", num(0), true},
        {"dQ1", "kN", "M3", "-", "M4", 0.5, 0.5, "", "", "", "", "", num(0), false},
        {"PowerY11", "kW", "M1", "*", speedSlot, 1, 1 / 3.6, "", "", "", "", "", num(0), false},
        {"AccY_f", "m/s2", "M5", "", "", 1, 1, "0.5", "10", "", "", "", num(0), true},
        {"AccZ_dyn", "m/s2", "M6", "", "", 1, 1, "", "", "", "", "", num(-9.81), false},
        {"Y11_0", "kN", "M1", "", "0", 1, 1, "", "", "", "", "", str("Zeroing"), false},
        {"SumY_2m", "kN", "1", "", "", 1, 1, "", "", "Mean", "2", "1", num(0), true},
    };
}

struct Zone {
    const char* title;
    double p[8];
};

// Radius bounds, uf ranges and speed ranges after EN 14363's test zones; P3 and P4 are
// read by the program and not used.
const Zone kZones[7] = {
    {"Zone1 straight track", {10000, 0, 0, 0, -40, 40, 50, 200}},
    {"Zone2 large radius curves", {1500, 10000, 0, 0, -75, 150, 50, 200}},
    {"Zone3 curves 600..1500 m", {600, 1500, 0, 0, -75, 150, 40, 160}},
    {"Zone4 curves 400..600 m", {400, 600, 0, 0, -75, 165, 30, 140}},
    {"Zone5 curves 250..400 m", {250, 400, 0, 0, -75, 165, 20, 110}},
    {"Zone6 curves below 250 m", {150, 250, 0, 0, -75, 165, 10, 90}},
    {"Zone7 transition curves", {0, 0, 0, 0, 0, 0, 10, 200}},
};

// One Scroll polygraph for the demo signals (mvt-demo opens Speed, Curvature and
// AxleBoxAcc into slots 1..3), docked under the Monitors window's button panel. The replay
// runs at "f process", 4000 Hz unless the settings say otherwise, and replays only the
// signals sampled at that rate: the accelerometer, raw above and low-passed at 10 Hz
// below, where its 7.5 Hz component shows. Written by the Monitors' own persistence, so
// the block reads back as "Save polygr." would have stored it.
void writeDemoPolygraph(SpreadsheetApp& app, const SheetHandle& param) {
    constexpr double kFsPlay = 4000.0;
    PolyGrafDefinition def;
    def.texts = {"1|Demo replay", "Scroll|0", "10|95|900|500|0", "0|2|0.5", "0||9|1|0", "2"};
    PolyGrafList list;
    auto p = list.create(def, kFsPlay);
    struct Band {
        const char* name;
        int slot, colour;
        float lowPass;
    };
    const Band bands[] = {{"AxleBoxAcc", 3, 9, 0.0f}, {"AxleBoxAcc 10 Hz", 3, 12, 10.0f}};
    std::unique_lock lock(p->mutex);
    int all = 0;
    for (const Band& b : bands) {
        TSubGrafPar t;
        t._sName = b.name;
        t._sYLmin = "-2";
        t._sYLmax = "2";
        t._sYLgrid = "1";
        t._BGColor = all % 2 ? 0xBEFAFA : 0xFFFFFF;
        t.SerPar[0].SigNo = b.slot;
        t.SerPar[0].ColorIdx = b.colour;
        t.SerPar[0].LineWidth = 2;
        t.SerPar[0].LPFreq = b.lowPass;
        if (!p->Add1SubGraf(t, all++, kFsPlay))
            throw std::runtime_error("the demo polygraph was refused a subgraph");
    }
    p->ReCalcSubGrafCoef(false);
    lock.unlock(); // the writer takes each polygraph's lock itself
    savePolyGrafs(app, param, list);
}

void writeEvaLog(SpreadsheetApp& app, const fs::path& file, int measured) {
    Book b{app, app.newWorkbook("PARAM"), {}};
    b.first = app.sheet(b.id, "PARAM");
    const SheetHandle p = b.first;
    b.set(p, 1, 1, str("Evaluation of the demo campaign: track sections and zones"));
    int row = 3;
    auto named = [&](const char* label, const char* name, const CellValue& v) {
        b.set(p, row, 1, str(label));
        b.set(p, row, 2, v);
        b.name(name, p, row, 2);
        return row++;
    };
    named("Processing type", "Ident", str("EN14363_BauCurve"));
    named("Measured signals", "MeasSigCnt", num(measured));
    named("Computed signals", "CompSigCnt", num(kComputed));
    // The user conditions stay empty; Dir_Track "TRK01" skips test 11 (second track).
    const char* conds[][2] = {{"Condition", "Dir_Condition"},
                              {"Direction", "Dir_Direction"},
                              {"Speed", "Dir_Speed"},
                              {"Route", "Dir_Track"}};
    for (const auto& c : conds) {
        const int r = named(c[0], c[1], CellValue::empty());
        if (std::string(c[1]) == "Dir_Track")
            b.set(p, r, 4, str("e.g. TRK01 skips test 11, which ran on the second track"));
    }
    ++row;
    b.set(p, row, 2, str("File name"));
    b.set(p, row, 3, str("Units"));
    b.set(p, row, 4, str("SaveDiv"));
    ++row;
    struct Aux {
        const char* label;
        const char* name;
        const char* file;
        const char* units;
    };
    const Aux aux[] = {{"Speed", "AuxName_Speed", "Speed", "km/h"},
                       {"Track km", "AuxName_Track_km", "Track_km", "km"},
                       {"Validity", "AuxName_Drop", "Drop", "1"},
                       {"Cant deficiency", "AuxName_uf_mm", "uf_mm", "mm"},
                       {"Curvature", "AuxName_Curve", "Curve", "1/km"}};
    for (const Aux& a : aux) {
        const int r = named(a.label, a.name, str(a.file));
        b.set(p, r, 3, str(a.units));
        b.set(p, r, 4, num(1));
        if (std::string(a.name) == "AuxName_uf_mm")
            b.set(p, r, 5, str("Zeroing"));
        if (std::string(a.name) == "AuxName_Speed")
            app.setBold(p, r, 2, true);
    }
    ++row;
    named("Section list", "SectionListFile", str(kTrackFile));

    // Measured-signal table.
    row += 2;
    b.set(p, row, 1, str("Measured signals"));
    b.set(p, row, 2, str("File name"));
    b.set(p, row, 3, str("Units"));
    b.set(p, row, 4, str("SaveDiv"));
    ++row;
    const auto channels = measuredChannels(measured);
    b.name("MeasSigTable", p, row, 2);
    for (int k = 0; k < measured; ++k, ++row) {
        b.set(p, row, 1, num(k + 1));
        b.set(p, row, 2, str(channels[k].name));
        b.set(p, row, 3, str(channels[k].units));
        b.set(p, row, 4, num(1));
        app.setBold(p, row, 2, k < 2);
    }

    // Computed-signal table.
    row += 2;
    const char* compHead[] = {"Name",
                              "Units",
                              "Sig1",
                              "Op",
                              "Sig2",
                              "Slope1",
                              "Slope2",
                              "High pass",
                              "Low pass",
                              "Mean/RMS",
                              "Aver length [m]",
                              "Step length [m]",
                              "Offset",
                              "SaveDiv"};
    b.set(p, row, 1, str("Computed signals"));
    for (int c = 0; c < 14; ++c)
        b.set(p, row, 2 + c, str(compHead[c]));
    ++row;
    b.name("CompSigTable", p, row, 2);
    const auto comp = computedSignals(measured);
    for (std::size_t k = 0; k < comp.size(); ++k, ++row) {
        const CompEntry& e = comp[k];
        auto text = [](const std::string& s) { return s.empty() ? CellValue::empty() : str(s); };
        b.set(p, row, 1, num(static_cast<double>(k + 1)));
        b.set(p, row, 2, str(e.name));
        app.setBold(p, row, 2, e.plot);
        b.set(p, row, 3, str(e.units));
        b.set(p, row, 4, text(e.sig1));
        b.set(p, row, 5, text(e.op));
        b.set(p, row, 6, text(e.sig2));
        b.set(p, row, 7, num(e.slope1));
        b.set(p, row, 8, num(e.slope2));
        b.set(p, row, 9, text(e.highPass));
        b.set(p, row, 10, text(e.lowPass));
        b.set(p, row, 11, text(e.stepMode));
        b.set(p, row, 12, text(e.averLength));
        b.set(p, row, 13, text(e.stepLength));
        b.set(p, row, 14, e.offset);
        b.set(p, row, 15, num(1));
    }

    // Zone list: seven rows of eight values right of the named cell.
    row += 2;
    b.set(p, row, 1, str("Zones"));
    const char* zoneHead[] = {
        "R limit / min [m]", "R max [m]",    "-",           "-", "uf min [mm]",
        "uf max [mm]",       "v min [km/h]", "v max [km/h]"};
    for (int c = 0; c < 8; ++c)
        b.set(p, row, 3 + c, str(zoneHead[c]));
    ++row;
    b.name("ZoneListRng", p, row, 2, 7, 9);
    for (int z = 0; z < 7; ++z, ++row) {
        b.set(p, row, 1, num(z + 1));
        b.set(p, row, 2, str(kZones[z].title));
        for (int c = 0; c < 8; ++c)
            b.set(p, row, 3 + c, num(kZones[z].p[c]));
    }
    app.setColumnWidth(p, 1, 18);
    app.setColumnWidth(p, 2, 26);
    // A large campaign's tables reach into the polygraph rows; it goes without one.
    if (row < kPolyBlockRow)
        writeDemoPolygraph(app, p);

    // The processing log.
    const SheetHandle e = app.addSheet(b.id, "EvaLog");
    b.set(e, 1, 1, str("Processing log"));
    const char* logHead[] = {"Test ID", "Written", "Message"};
    for (int c = 0; c < 3; ++c)
        b.set(e, 4, 1 + c, str(logHead[c]));
    b.set(e, 4, 5, str("Rejected (Drop)"));
    for (int z = 1; z <= 6; ++z) {
        b.set(e, 4, 6 + z, str("Z" + std::to_string(z) + " sections"));
        b.set(e, 4, 12 + z, str("Z" + std::to_string(z) + " transitions"));
    }
    b.set(e, 4, 20, str("Test path"));
    for (int c = 1; c <= 20; ++c)
        app.setBold(e, 4, c, true);
    b.name("Proc_ID", e, 4, 1);
    app.setColumnWidth(e, 2, 20);
    app.setColumnWidth(e, 3, 60);

    // The zone sheets: result rows from row 3 (sections) and row 1099 (transitions).
    const char* resultHead[] = {
        "Test ID",  "Section", "t first [s]", "t last [s]", "Duration [s]", "v min",
        "v max",    "v mean",  "km first",    "km last",    "Length [m]",   "uf min",
        "uf max",   "uf mean", "|uf mean|",   "R min",      "R max",        "R mean",
        "|R mean|", "",        "Track info",  "Track no.",  "Radius",       "",
        "Cant",     "",        "Text"};
    const char* stats[] = {"p0.15%", "p2.5%", "p50%", "p97.5%", "p99.85%", "mean", "RMS", "max"};
    for (int z = 1; z <= 6; ++z) {
        const SheetHandle s = app.addSheet(b.id, "Zone" + std::to_string(z));
        b.set(s, 1, 1, str(kZones[z - 1].title));
        for (int c = 0; c < static_cast<int>(std::size(resultHead)); ++c)
            if (*resultHead[c])
                b.set(s, 2, c + 1, str(resultHead[c]));
        for (int v = 0; v < 14; ++v)
            b.set(s, 2, 30 + v, str("Value " + std::to_string(v + 1)));
        for (std::size_t k = 0; k < comp.size(); ++k) {
            const int col = 51 + 8 * static_cast<int>(k);
            b.set(s, 2, col, str(comp[k].name));
            for (int j = 0; j < 8; ++j)
                b.set(s, 1, col + j, str(stats[j]));
        }
        b.set(s, 1098, 1, str("Transitions"));
    }
    app.saveAs(b.id, file.string());
    app.close(b.id);
}

void writeTrackInfo(SpreadsheetApp& app, const fs::path& file, const TrackGeometry& track) {
    const std::string sheetName = file.filename().string();
    Book b{app, app.newWorkbook(sheetName), {}};
    const SheetHandle s = app.sheet(b.id, sheetName);
    b.set(s, 1, 1, str("Track information: Velim test circuit, demo section list"));
    b.set(s, 9, 4, str("Start km"));
    b.set(s, 9, 5, str("End km"));
    b.set(s, 9, 6, str("Radius (0 straight, 1 transition)"));
    b.set(s, 9, 7, str("Cant [mm]"));
    b.set(s, 9, 10, str("Element"));
    const char* values[] = {"Cant",        "Gauge",     "Inclination", "Design speed", "Curvature",
                            "Cant excess", "Rail",      "Sleepers",    "Ballast",      "Gradient",
                            "Line no.",    "Track no.", "Quality",     "Remark"};
    for (int v = 0; v < 14; ++v)
        b.set(s, 9, 15 + v, str(values[v]));
    for (int k = 0; k < kElements; ++k) {
        const Element& e = kTrack[k];
        const int r = 10 + k;
        b.set(s, r, 1, num(k + 1));
        b.set(s, r, 4, num(track.startKm[k]));
        b.set(s, r, 5, num(track.endKm[k]));
        b.set(s, r, 6, num(e.radius));
        b.set(s, r, 7, num(e.cantMm));
        b.set(s, r, 10, str(e.text));
        const double a = std::abs(elementCurvature(e));
        const double designSpeed = a > 0 ? std::sqrt((e.cantMm + 130) / (11.8 * a / 1000)) : 160;
        const double row[14] = {e.cantMm,
                                1435,
                                40,
                                std::min(160.0, std::round(designSpeed)),
                                elementCurvature(e),
                                0,
                                60,
                                1667,
                                300,
                                0.0015 * k,
                                1,
                                1,
                                static_cast<double>(1 + k % 3),
                                0};
        for (int v = 0; v < 14; ++v)
            b.set(s, r, 15 + v, num(row[v]));
    }
    app.setNumberFormat(s, {{10, 4}, {9 + kElements, 5}}, "0.000");

    // The same elements as the track information the "Align km" page reads.
    const SheetHandle d = app.addSheet(b.id, "Databaze_kolej");
    b.set(d, 1, 1, str("Track information: Velim test circuit"));
    b.set(d, 9, 6, str("m"));
    b.set(d, 9, 7, str("mm"));
    for (int k = 0; k < kElements; ++k) {
        const Element& e = kTrack[k];
        const int r = 10 + k;
        b.set(d, r, 4, num(track.startKm[k]));
        b.set(d, r, 5, num(track.endKm[k]));
        b.set(d, r, 6, e.radius == 0.0 ? str("G") : e.radius == 1.0 ? str("P") : num(e.radius));
        b.set(d, r, 7, num(e.cantMm));
    }
    app.saveAs(b.id, file.string());
    app.close(b.id);
}

} // namespace

std::vector<DemoTest> writeEvaluationWorkspace(const fs::path& dir, const EvalScale& scale) {
    if (scale.signalsPerTest < kDemoMeasured + 5)
        throw std::invalid_argument("a test needs at least " + std::to_string(kDemoMeasured + 5) +
                                    " signals");
    fs::create_directories(dir);
    const TrackGeometry track;
    const std::vector<TestPlan> plans = scale.ids > 0 ? scaledPlans(scale.ids) : demoPlans();
    std::vector<double> rates;
    std::vector<DemoTest> tests;
    for (const TestPlan& p : plans) {
        const fs::path folder =
            dir / p.t.condition / p.t.direction / p.t.speed / p.t.route / std::to_string(p.t.id);
        // The aborted test has no folder: its recording was never saved.
        rates.push_back(p.saveOff ? writeTestSignals(folder, p, track, scale) : kDemoFs);
        tests.push_back(p.t);
    }
    SpreadsheetApp app;
    writeLog(app, dir / "Log.xlsx", plans, rates);
    writeEvaLog(app, dir / "EvaLog.xlsx", scale.signalsPerTest - 5);
    fs::create_directories(dir / kTrackFolder);
    writeTrackInfo(app, dir / kTrackFolder / kTrackFile, track);
    return tests;
}

void writeDemoSettings(const fs::path& file) {
    IniSettings ini;
    if (fs::exists(file)) {
        std::string why;
        auto old = IniSettings::load(file.string(), &why);
        if (!old)
            throw std::runtime_error(file.string() + ": " + why);
        ini = std::move(*old);
    }
    if (!ini.read("Align_km/Meas_Curve")) {
        AlignSettings a;
        a.curveName = "Curve";
        a.trackKmName = "Track_km";
        a.mmToCurve = "1.0";
        // Two uf sensors, 2.5 m ahead of and behind the curvature sensor.
        a.ufDist = {"2.5", "-2.5", "", ""};
        a.ufLabel = {"Front", "Rear", "", ""};
        a.forwardName = "Forward";
        a.backwardName = "Reverse";
        a.trackInfoSubdir = kTrackFolder;
        writeAlignSettings(ini, a);
    }
    if (!ini.read("Curve2xls/Meas_Curve"))
        writeCurve2xlsSettings(ini, {"Speed", "Curve", "Track_km", "1.0"});
    // The simulated wheel of the Log's sheet "CalibrWS": device 5, "W1", computed with
    // Q, Y, T and L kept (the device functions' rows 11 .. 14).
    if (!ini.read("DevFn/QYTL_filter")) {
        DevFnSettings d;
        d.wheels[4] = {"W1", "0", "0.05", "80", "1"};
        for (int row : {11, 12, 13, 14})
            d.save[std::size_t(row - 1)] = true;
        writeDevFn(ini, d);
    }
    std::string why;
    if (!ini.save(file.string(), &why))
        throw std::runtime_error(file.string() + ": " + why);
}

} // namespace mv::demo
