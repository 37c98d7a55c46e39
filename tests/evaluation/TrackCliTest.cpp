// mvtervik-cli align, curve2xls and copy-to-sheet, run as the user runs them.
#include "TrackCliFixture.h"
#include "files/Readers.h"

namespace mv {
namespace {

namespace fs = std::filesystem;
using test::CliRun;

std::vector<float> readNative(const fs::path& file) {
    ReaderTable readers;
    files::installReaders(readers);
    SignalStore st;
    CaptureLog log;
    LoadFiles(st, readers, file.parent_path().string(), {file.filename().string()}, 1,
              LoadFormat::Morvanet, {log});
    if (!st[1].occupied())
        return {};
    return {st[1].Data.data(), st[1].Data.data() + st[1].SampleCount};
}

class TrackCliTest : public test::TrackCli {
protected:
    void SetUp() override {
        makeLog();
        run_ = test::runTrack(test::mixedTrack(), 12.0, 30.0, kFs);
        writeRun(test1(), run_);
        writeRun(test2(), run_);
        SpreadsheetApp app;
        const WorkbookId wb = app.newWorkbook(kTrackInfoSheet);
        const SheetHandle h = app.sheetAt(wb, 0);
        const auto& b = run_.bounds;
        const char* kinds[] = {"G", "P", "", "P", "G", "P", "", "P", "G"};
        const double radii[] = {0, 0, 600, 0, 0, 0, -900, 0, 0};
        for (int k = 0; k < 9; ++k) {
            app.setValue(h, 10 + k, 4, CellValue::num(b[static_cast<size_t>(k)]));
            app.setValue(h, 10 + k, 5, CellValue::num(b[static_cast<size_t>(k) + 1]));
            app.setValue(h, 10 + k, 6,
                         *kinds[k] ? CellValue::str(kinds[k]) : CellValue::num(radii[k]));
        }
        app.saveAs(wb, (dir / "info" / "TRA12 design.xlsx").string());
        test::writeFile(dir / "MVtervik.ini",
                        "[Align_km]\nTrackInfoSubdirectory=info\nMeas_Curve=Curve\n"
                        "Meas_Track_km=Km\nMeasCurveSlope=0.01\n\n"
                        "[Curve2xls]\nSpeed=Speed\nMeas_Curve=Curve\nMeas_Track_km=Km\n"
                        "MeasCurveSlope=0.01\n");
    }
    std::string settings() const { return " --settings '" + (dir / "MVtervik.ini").string() + "'"; }
    test::TrackRun run_;
};

TEST_F(TrackCliTest, AlignSavesTheUfKilometres) {
    const CliRun r = run("align", log() +
                                      " --id 1 --slope 1.0005 --offset-m 25 --uf 1:3:Front "
                                      "--uf 2::None --save --json" +
                                      settings());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"("ok":true,"trackInfo":{"fromKm":12,"toKm":14.03,"rows":9})"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("saved":2)"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("I Create track km 1\n"), std::string::npos) << r.err;

    const std::vector<float> km = readNative(test1() / "Align_Front_Track_km.mvn");
    ASSERT_EQ(km.size(), run_.km.size());
    for (size_t i = 0; i < km.size(); i += 97) {
        const double want = 1.0005 * (double(run_.km[i]) - run_.km[0]) + run_.km[0] + 0.025 + 0.003;
        EXPECT_EQ(km[i], static_cast<float>(want)) << i;
    }
    const std::vector<float> bau = readNative(test1() / "Align_Front_BauCurve.mvn");
    ASSERT_EQ(bau.size(), km.size());
    EXPECT_NEAR(bau[km.size() / 3], 1000.0 / 600.0, 1e-4); // 670 m in: the right curve
    EXPECT_FALSE(fs::exists(test1() / "Align_None_Track_km.mvn"));

    // Without the settings file the names are missing: nothing opens.
    const CliRun bare = run("align", log() + " --id 1 --track-subdir info");
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_NE(bare.err.find("E No signal name given"), std::string::npos) << bare.err;
}

TEST_F(TrackCliTest, Curve2xlsSavesOnceAndRefusesASecondSave) {
    const CliRun r = run("curve2xls", log() + " --id 2 --save --json" + settings());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind(R"({"elements":[{"start":12,"end":12.30)", 0), 0U) << r.out;
    EXPECT_NE(r.out.find(R"("kind":600})"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("kind":-900})"), std::string::npos) << r.out;
    const fs::path file = dir / "info" / "TRA34 south.xlsx";
    ASSERT_TRUE(fs::exists(file)) << r.err;
    EXPECT_NE(r.err.find("I Excel track info:  \"" + file.string() + "\"  created.\n"),
              std::string::npos)
        << r.err;

    const std::string before = test::readFile(file);
    const CliRun again = run("curve2xls", log() + " --id 2 --save" + settings());
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("E File \"" + file.string() + "\" exists !\n"), std::string::npos)
        << again.err;
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_NE(again.out.find("12.000 12.3"), std::string::npos) << again.out;

    // The alignment of ID 2 now finds the workbook it just got.
    const CliRun a = run("align", log() + " --id 2 --uf 4:-2:Back --save" + settings());
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_TRUE(fs::exists(test2() / "Align_Back_Track_km.mvn"));
}

TEST_F(TrackCliTest, CopyToSheetKeepsTheOtherSheets) {
    const fs::path book = dir / "Out.xlsx";
    {
        SpreadsheetApp app;
        const WorkbookId wb = app.newWorkbook("Keep");
        app.setValue(app.sheet(wb, "Keep"), 1, 1, CellValue::str("mine"));
        app.saveAs(wb, book.string());
    }
    const std::string files =
        " '" + (test1() / "Speed.mvn").string() + "' '" + (test1() / "Km.mvn").string() + "'";
    const CliRun r =
        run("copy-to-sheet", "--workbook '" + book.string() +
                                 "' --sheet Copy --window 1 2 --max-rows 25 --json" + files);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, R"({"ok":true,"timeLines":25,"columns":[{"col":2,"name":"Speed","lines":25},)"
                     R"({"col":3,"name":"Km","lines":25}]})"
                     "\n");
    SpreadsheetApp app;
    const WorkbookId wb = app.open(book.string());
    EXPECT_EQ(app.value2(app.sheet(wb, "Keep"), 1, 1).text, "mine");
    const SheetHandle h = app.sheet(wb, "Copy");
    EXPECT_EQ(app.value2(h, 2, 1).text, "Time");
    EXPECT_EQ(app.value2(h, 3, 1).number, 1.0);
    EXPECT_EQ(app.value2(h, 4, 1).number, 1.04); // 51 samples / 25: every second one
    EXPECT_NEAR(app.value2(h, 3, 3).number, run_.km[50], 1e-4);
    EXPECT_EQ(app.value2(h, 28, 1).type, CellType::Empty);

    const std::pair<std::string, int> usage[] = {
        {"--sheet S --window 0 1" + files, 2},
        {"--workbook x.xlsx --window 0 1" + files, 2},
        {"--workbook x.xlsx --sheet S" + files, 2},
        {"--workbook x.xlsx --sheet S --window 0 one" + files, 2},
        {"--workbook x.xlsx --sheet S --window 0 1", 2},
        {"--workbook x.xlsx --sheet S --window 0 1 --max-rows 0" + files, 2},
        {"--workbook x.xlsx --sheet S --window 0 1 --format Nope" + files, 2},
    };
    for (const auto& [args, code] : usage)
        EXPECT_EQ(run("copy-to-sheet", args).exitCode, code) << args;
    EXPECT_EQ(run("align", log()).exitCode, 2);
    EXPECT_EQ(run("align", log() + " --id 1 --uf 5:1:X").exitCode, 2);
    EXPECT_EQ(run("align", log() + " --id 1 --save-format Excel").exitCode, 2);
    EXPECT_EQ(run("curve2xls", "--id 1").exitCode, 2);
    EXPECT_EQ(run("curve2xls", log() + " --id 9" + settings()).exitCode, 1);
}

} // namespace
} // namespace mv

namespace mv {
namespace {

// The demo a newcomer runs: its settings fill the track pages, test 11 runs on a track
// without information workbook and the others on one that has it.
TEST(DemoTracks, CurveToProfileAndAlignmentOnTheDemo) {
    test::TempDir dir;
    const auto self = fs::read_symlink("/proc/self/exe");
    const fs::path demo =
        self.parent_path().parent_path().parent_path() / "tools" / "demo" / "mvt-demo";
    ASSERT_EQ(test::runCommand("'" + demo.string() + "' '" + dir.path().string() + "'").exitCode,
              0);
    const std::string common = " --log '" + (dir / "evaluation" / "Log.xlsx").string() +
                               "' --settings '" + (dir / "settings.ini").string() + "'";
    const auto c = test::runCommand(test::cliPath() + " curve2xls --id 11 --save --json" + common +
                                    " 2>/dev/null");
    ASSERT_EQ(c.exitCode, 0) << c.out;
    // The radii of the demo track's five curves, within 2 %.
    std::vector<double> radii;
    for (size_t at = c.out.find("\"kind\":"); at != std::string::npos;
         at = c.out.find("\"kind\":", at + 1))
        if (c.out[at + 7] != '"')
            radii.push_back(std::stod(c.out.substr(at + 7)));
    const std::vector<double> want = {2000, -800, 500, -320, 200};
    ASSERT_EQ(radii.size(), want.size()) << c.out;
    for (size_t k = 0; k < want.size(); ++k)
        EXPECT_NEAR(radii[k], want[k], 0.02 * std::abs(want[k])) << k;
    EXPECT_TRUE(fs::exists(dir / "evaluation" / "Track" / "TRK02.xlsx"));

    const auto a =
        test::runCommand(test::cliPath() + " align --id 3 --save --json" + common + " 2>/dev/null");
    ASSERT_EQ(a.exitCode, 0) << a.out;
    EXPECT_NE(a.out.find(R"("rows":21)"), std::string::npos) << a.out;
    EXPECT_NE(a.out.find(R"("saved":4)"), std::string::npos) << a.out;
}

} // namespace
} // namespace mv
