// The command-line front and the demo generator, run as the user runs them.
#include "files/FilesTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv {
namespace {

namespace fs = std::filesystem;

// The build tree: this test program lives in <build>/tests/files/.
fs::path buildDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? test::binaryDir() : exe.parent_path().parent_path().parent_path();
}

std::string program(const char* rel) {
    const fs::path p = buildDir() / rel;
    return fs::exists(p) ? p.string() : std::string();
}

TEST(Cli, DemoSignalsLoadConvertAndLoadAgain) {
    const std::string cli = program("src/app/mvtervik-cli");
    const std::string demo = program("tools/demo/mvt-demo");
    if (cli.empty() || demo.empty())
        GTEST_SKIP() << "mvtervik-cli and mvt-demo are not built";
    test::TempDir dir;
    ASSERT_EQ(test::runCommand(demo + " " + dir.path().string()).exitCode, 0);
    EXPECT_EQ(test::readFile(dir / "files.txt"), "Speed.mvn\nCurvature.mvn\nAxleBoxAcc.mvn\n");

    auto r = test::runCommand(cli + " load --format Morvanet --first-slot 7 " + dir.dir() +
                              "Speed.mvn " + dir.dir() + "missing.mvn");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("slot 7  name=Speed  units=km/h  f_sampl=500  samples=300000  min=0"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("warning: Soubor " + dir.dir() + "missing.mvn nebyl nalezen"),
              std::string::npos);

    r = test::runCommand(cli +
                         " convert --from 0 --to \"Single IEEE754\" --savediv 100 "
                         "--window 1 2 " +
                         dir.dir() + "Speed.mvn --out " + dir.dir() + "out");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("log: File " + dir.dir() + "out/Speed.dat created."), std::string::npos)
        << r.out;
    // Samples 501, 601, ..., 1001 of the 500 Hz signal: the window 1 s .. 2 s thinned by 100.
    EXPECT_EQ(fs::file_size(dir / "out" / "Speed.dat"), 6u * 4);

    r = test::runCommand(cli + " load --format 3 --json " + dir.dir() + "out/Speed.dat");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find(R"({"slots":[{"slot":1,"name":"Speed","units":"","f_sampl":4000,)"
                         R"("samples":6,"min":1,"max":2,)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("log":[]})"), std::string::npos) << r.out;

    r = test::runCommand(cli + " load --format 9 x");
    EXPECT_EQ(r.exitCode, 2);
}

TEST(Cli, ConversionErrorIsReportedWithWhatWasRead) {
    const std::string cli = program("src/app/mvtervik-cli");
    if (cli.empty())
        GTEST_SKIP() << "mvtervik-cli is not built";
    test::TempDir dir;
    test::writeFile(dir / "a.txt", "1\r\nx\r\n");
    const auto r = test::runCommand(cli + " load --format ASCII --json " + dir.dir() + "a.txt");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find(R"("samples":2,"min":0,"max":1,"mean":0.5,"first":[1,0]})"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("is not a valid floating point value"), std::string::npos);
}

} // namespace
} // namespace mv
