// Writes a small demo test into a directory: the native signal files of one
// run of a vehicle through a curve (speed, track curvature, a noisy axle-box
// vibration) and files.txt, which lists them for the application to open; then the
// evaluation workspace in evaluation/ and workbooks.txt, which lists its Log and EvaLog.
//   mvt-demo DIR
//   mvt-demo --evaluation DIR [--ids N] [--signals N] [--samples N]
// The second form writes only the evaluation workspace, at the size asked for.
#include "DemoEvaluation.h"
#include "core/TimeWindow.h"
#include "files/NativeFile.h"
#include "wheelsim/WheelsetWorkspace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <random>
#include <string>

namespace {

using mv::SignalRecord;

struct Demo {
    const char* name;
    const char* units;
    const char* sensor;
    double fs;
    double seconds;
    double (*value)(double t, std::mt19937& rng);
};

// Accelerates to 120 km/h, holds, brakes towards the end of the 10-minute run.
double speed(double t, std::mt19937&) {
    if (t < 120.0)
        return 120.0 * t / 120.0;
    if (t < 480.0)
        return 120.0 + 2.0 * std::sin(t / 15.0);
    return std::max(0.0, 120.0 - (t - 480.0));
}

// Straight track, a transition, a 600 m curve (1/R in 1/km), a transition, straight.
double curvature(double t, std::mt19937&) {
    const double k = 1000.0 / 600.0;
    if (t < 150.0)
        return 0.0;
    if (t < 180.0)
        return k * (t - 150.0) / 30.0;
    if (t < 300.0)
        return k;
    if (t < 330.0)
        return k * (330.0 - t) / 30.0;
    return 0.0;
}

double noisySine(double t, std::mt19937& rng) {
    static thread_local std::normal_distribution<double> noise(0.0, 0.3);
    return std::sin(2.0 * std::numbers::pi * 7.5 * t) +
           0.4 * std::sin(2.0 * std::numbers::pi * 42.0 * t) + noise(rng);
}

const Demo kDemos[] = {
    {"Speed", "km/h", "tachogenerator", 500.0, 600.0, speed},
    {"Curvature", "1/km", "gyroscope", 1000.0, 600.0, curvature},
    {"AxleBoxAcc", "m/s2", "accelerometer", 4000.0, 100.0, noisySine},
};

int usage() {
    std::cerr << "usage: mvt-demo DIR\n"
                 "       mvt-demo --evaluation DIR [--ids N] [--signals N] [--samples N]\n";
    return 2;
}

// The evaluation workspace alone, for the tests and the benchmark.
int evaluationOnly(int argc, char** argv) {
    // The Log holds five rows a test below row 10; the EvaLog at most 128 measured signals.
    long ids = 0, signals = 11, samples = 0;
    struct Option {
        const char* name;
        long* value;
        long min, max;
    };
    const Option options[] = {{"--ids", &ids, 0, 10000},
                              {"--signals", &signals, 11, 133},
                              {"--samples", &samples, 0, 100000000}};
    std::filesystem::path dir;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const Option* o = nullptr;
        for (const Option& c : options)
            if (a == c.name)
                o = &c;
        if (!o) {
            if (a.starts_with("--") || !dir.empty())
                return usage();
            dir = a;
            continue;
        }
        if (i + 1 >= argc)
            return usage();
        char* end = nullptr;
        *o->value = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || *o->value < o->min || *o->value > o->max)
            return usage();
    }
    const mv::demo::EvalScale scale{static_cast<int>(ids), static_cast<int>(signals), samples};
    if (dir.empty())
        return usage();
    try {
        const auto tests = mv::demo::writeEvaluationWorkspace(dir, scale);
        std::cout << (dir / "Log.xlsx").string() << ": " << tests.size() << " tests\n";
    } catch (const std::exception& e) {
        std::cerr << "mvt-demo: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

// The simulated measuring wheelset joins the campaign: its stand runs and running tests
// follow the evaluation tests in the Log, whose sheet "CalibrWS" holds the wheel's block
// (device 5, wheel name "W1") ready for the calibration.
void addWheelset(const std::filesystem::path& dir, const std::vector<mv::demo::DemoTest>& tests) {
    int last = 0;
    for (const auto& t : tests)
        last = std::max(last, t.id);
    mv::SpreadsheetApp app;
    const mv::WorkbookId wb = app.open((dir / "Log.xlsx").string());
    const auto wheelset =
        mv::wheelsim::addWheelsetTests(app, app.sheet(wb, "Log"), dir, last + 1, {});
    app.save(wb);
    std::cout << (dir / "Log.xlsx").string() << ": simulated wheelset, Test IDs "
              << wheelset.front().id << " .. " << wheelset.back().id << "\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--evaluation")
        return evaluationOnly(argc, argv);
    if (argc != 2)
        return usage();
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::ofstream list(dir / "files.txt");
    std::mt19937 rng(12345);
    try {
        for (const Demo& d : kDemos) {
            SignalRecord r;
            r.SigName = d.name;
            r.Units = d.units;
            r.Sens_type = d.sensor;
            r.Sig_note = "demo signal";
            r.f_sampl = d.fs;
            const auto n = static_cast<std::size_t>(d.fs * d.seconds);
            r.setData(mv::SampleBuffer::allocate(n));
            for (std::size_t k = 0; k < n; ++k)
                r.Data[k] = static_cast<float>(d.value(double(k) / d.fs, rng));
            const std::string file = std::string(d.name) + ".mvn";
            mv::files::writeNative((dir / file).string(), r, {1, static_cast<std::int64_t>(n)}, 1,
                                   {});
            list << file << "\n";
            std::cout << (dir / file).string() << ": " << n << " samples at " << d.fs << " Hz\n";
        }
        // The Log and the EvaLog open with the application; the test folders, the track
        // information and the zone sheets are theirs.
        const auto tests = mv::demo::writeEvaluationWorkspace(dir / "evaluation", {});
        addWheelset(dir / "evaluation", tests);
        std::ofstream books(dir / "workbooks.txt");
        books << "evaluation/Log.xlsx\nevaluation/EvaLog.xlsx\n";
        std::cout << (dir / "evaluation").string() << ": " << tests.size() << " tests\n";
        // A demo session keeps its settings beside the demo, with its pages filled in.
        mv::demo::writeDemoSettings(dir / "settings.ini");
        if (!books)
            return 1;
    } catch (const std::exception& e) {
        std::cerr << "mvt-demo: " << e.what() << "\n";
        return 1;
    }
    return list ? 0 : 1;
}
