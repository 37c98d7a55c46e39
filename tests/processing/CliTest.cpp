// The design-filter and process subcommands, run as the user runs them.
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace mv {
namespace {

// Beside this test: build/tests/processing/ -> build/src/app/.
std::string cli() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "src/app/mvtervik-cli").string();
}

TEST(CliDesignFilter, PrintsTheDesignAndItsJson) {
    const auto text = test::runCommand(cli() + " design-filter --low --order 2 --alpha 0.1");
    ASSERT_EQ(text.exitCode, 0) << text.out;
    EXPECT_NE(text.out.find("Gain 14.8246377539652"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("XCoef 1 2 1\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("YCoef -0.4128015980961"), std::string::npos) << text.out;

    const auto json =
        test::runCommand(cli() + " design-filter --high --order 2 --alpha 0.0005 --json");
    ASSERT_EQ(json.exitCode, 0) << json.out;
    EXPECT_EQ(json.out.rfind("{\"Gain\":1.00222391", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("\"XCoef\":[1,-2,1]"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"YCoef\":[-0.99556697"), std::string::npos) << json.out;

    for (const char* bad : {"--low --order 9 --alpha 0.1", "--low --order 2 --alpha 0.5",
                            "--order 2 --alpha 0.1", "--low --order x --alpha 0.1"}) {
        const auto r = test::runCommand(cli() + " design-filter " + bad);
        EXPECT_EQ(r.exitCode, 2) << bad << ": " << r.out;
    }
}

TEST(CliProcess, RunsAChainWithAnAuxiliarySignalOverAWindow) {
    test::TempDir dir;
    std::string a, b;
    for (int i = 0; i < 10; ++i) {
        a += "5\n";
        b += std::to_string(i) + "\n";
    }
    test::writeFile(dir / "a.txt", a);
    test::writeFile(dir / "b.txt", b);
    // ASCII files are read at f process (4000 Hz): the window 0.5 ms .. 1.5 ms is
    // samples 3..7.
    const auto r = test::runCommand(
        cli() +
        " process --fn \"Drop( Limit differ=10; ReplaceSamplesCnt=2)\" --fn \"Calc( "
        "Sig2No=5; Signum=+; Sig2 slope=1; Output slope=1; Output offset=0)\" --aux 5=" +
        (dir / "b.txt").string() + " --window 0.0005 0.0015 " + (dir / "a.txt").string() +
        " --out " + (dir / "out").string());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    std::istringstream in(test::readFile(dir / "out/a_Drop_Calc.txt"));
    std::vector<double> y;
    double v;
    while (in >> v)
        y.push_back(v);
    // Drop replaces the first two samples of the window (the jump from 0) by 0.
    EXPECT_EQ(y, (std::vector<double>{5, 5, 2, 3, 9, 10, 11, 5, 5, 5}));

    const auto refused =
        test::runCommand(cli() +
                         " process --fn \"Calc( Sig2No=9; Signum=+; Sig2 slope=1; Output slope=1; "
                         "Output offset=0)\" " +
                         (dir / "a.txt").string() + " --out " + (dir / "out").string());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.out.find("signal 9, which is empty"), std::string::npos) << refused.out;
    const auto bad =
        test::runCommand(cli() + " process --fn \"Drop( Limit differ=10)\" " +
                         (dir / "a.txt").string() + " --out " + (dir / "out").string());
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.out.find("ReplaceSamplesCnt"), std::string::npos) << bad.out;
}

} // namespace
} // namespace mv
