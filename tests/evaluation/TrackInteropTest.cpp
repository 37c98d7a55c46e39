// A noisy synthetic track through `mvtervik-cli curve2xls --save`, the saved workbook read
// back with openpyxl against the design, and opened by LibreOffice.
#include "TrackCliFixture.h"

#include <sstream>

namespace mv {
namespace {

namespace fs = std::filesystem;

const char* const kCheck = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
assert wb.sheetnames == ["Databaze_kolej"], wb.sheetnames
ws = wb["Databaze_kolej"]
design = json.loads(sys.argv[2])
rows = []
r = 10
while isinstance(ws.cell(r, 4).value, (int, float)):
    rows.append((ws.cell(r, 4).value, ws.cell(r, 5).value, ws.cell(r, 6).value))
    r += 1
bad = []
if len(rows) != len(design):
    bad.append("%d elements, design has %d: %r" % (len(rows), len(design), rows))
else:
    for (s, e, k), (ws_, we, wk) in zip(rows, design):
        if abs(s - ws_) > 0.015 or abs(e - we) > 0.015:
            bad.append("bounds %r %r against %r %r" % (s, e, ws_, we))
        if isinstance(wk, str):
            if k != wk:
                bad.append("kind %r against %r" % (k, wk))
        elif not isinstance(k, (int, float)) or abs(k - wk) > 0.02 * abs(wk):
            bad.append("radius %r against %r" % (k, wk))
assert ws["A2"].value == "mm to curve 1/km" and ws["B2"].value == 0.01
assert ws["D2"].value == "Od km" and "D2:D8" in [str(m) for m in ws.merged_cells.ranges]
print("\n".join(bad) if bad else "ok")
sys.exit(1 if bad else 0)
)PY";

class TrackInterop : public test::TrackCli {};

TEST_F(TrackInterop, NoisyTrackBackThroughOpenpyxlAndLibreOffice) {
    MV_REQUIRE_TOOL(test::debianPython());
    makeLog();
    const auto design = test::mixedTrack();
    // Noise of ±0.05 1/km on every sample and a blip of 0.115 1/km on the first straight
    // that the 80 % rule must take out again.
    const test::TrackRun run = test::runTrack(design, 7.5, 30.0, kFs, 0.1, 150.0, 0.115, true);
    writeRun(test2(), run);
    test::writeFile(dir / "MVtervik.ini", "[Align_km]\nTrackInfoSubdirectory=info\n");
    const test::CliRun r = this->run("curve2xls", log() +
                                                      " --id 2 --speed Speed --curve Curve "
                                                      "--track-km Km --mm-to-curve 0.01 --save "
                                                      "--settings '" +
                                                      (dir / "MVtervik.ini").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fs::path file = dir / "info" / "TRA34 south.xlsx";
    ASSERT_TRUE(fs::exists(file));

    // The design as the rows of a decreasing run: from the lowest kilometre up.
    std::ostringstream js;
    js << "[";
    for (size_t k = design.size(); k-- > 0;) {
        const size_t i = design.size() - 1 - k;
        js << (i ? "," : "") << "[" << run.bounds[k + 1] << "," << run.bounds[k] << ",";
        if (design[k].kind == 'R')
            js << design[k].radius;
        else
            js << "\"" << design[k].kind << "\"";
        js << "]";
    }
    js << "]";
    test::writeFile(dir / "check.py", kCheck);
    const auto py =
        test::runCommand(std::string(test::debianPython()) + " '" + (dir / "check.py").string() +
                         "' '" + file.string() + "' '" + js.str() + "' 2>&1");
    EXPECT_EQ(py.exitCode, 0) << py.out << "\n" << js.str();

    const char* office = test::haveTool("soffice") ? "soffice" : "libreoffice";
    MV_REQUIRE_TOOL(office);
    const std::string lo = std::string(office) + " -env:UserInstallation=file://" +
                           (dir / "profile").string() + " --headless --norestore ";
    const auto res = test::runCommand(lo + "--convert-to csv --outdir '" + (dir / "csv").string() +
                                      "' '" + file.string() + "' 2>&1");
    ASSERT_EQ(res.exitCode, 0) << res.out;
    const std::string csv = test::readFile(dir / "csv" / "TRA34 south.csv");
    EXPECT_NE(csv.find("mm to curve 1/km,0.01"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",7.5,G,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",P,"), std::string::npos) << csv;
}

} // namespace
} // namespace mv
