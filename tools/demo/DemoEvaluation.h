#pragma once
// The evaluation workspace of the demo: a test Log, an EvaLog with its zone sheets, a
// track-information folder with the section list, and one folder of native signal files
// per test, synthesised from one track so that speed, kilometre, curvature, cant
// deficiency and forces agree with each other and with the section list.
#include <filesystem>
#include <string>
#include <vector>

namespace mv::demo {

// How big the workspace is. The default is the small demo a newcomer opens; the
// benchmark asks for many tests of many long signals.
struct EvalScale {
    // 0: the dozen hand-made tests, each exercising one path of the evaluation.
    // Otherwise that many plain tests 1..ids, all of them processable.
    int ids = 0;
    // Files per test folder: the measured signals plus Speed, Track_km, Drop, uf_mm and
    // Curve. At least 11 (the six measured signals the computed ones use).
    int signalsPerTest = 11;
    // Samples per signal; 0 keeps the demo's 50 Hz, otherwise the rate follows the run's
    // duration so that every run still covers the whole track.
    long samples = 0;
};

// The levels of the tests, for the caller's report and the tests that read them back.
struct DemoTest {
    int id = 0;
    std::string condition, direction, speed, route; // the four path levels
    std::string note;                               // what the test exercises
};

// Writes the workspace into `dir` (created when missing); returns the tests it logged.
// Throws on any write failure. The same scale always writes the same signals: the noise
// comes from seeded generators and the file headers carry a fixed date.
std::vector<DemoTest> writeEvaluationWorkspace(const std::filesystem::path& dir,
                                               const EvalScale& scale);

// The settings a demo session starts with: the "Align km" and "Curve2xls" pages filled for
// the demo's signals, the directions named as the Log names them and the track folder of
// the evaluation workspace, and the "raw to QYTL" page's tables set for the simulated
// wheel. Groups the file already holds are left as the user set them. Throws when the file
// cannot be written.
void writeDemoSettings(const std::filesystem::path& file);

} // namespace mv::demo
