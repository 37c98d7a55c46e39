// mvtervik-cli workbook set / dump, run as the user runs them.
#include "support/TestSupport.h"

#include <filesystem>

namespace mv {
namespace {

using test::TempDir;

// The CLI of the same build tree: this test sits in <build>/tests/evaluation.
std::string cli() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "src" / "app" / "mvtervik-cli")
        .string();
}

TEST(WorkbookCli, SetThenDumpAsJsonAndText) {
    TempDir dir;
    const std::string file = (dir / "log.xlsx").string();
    auto r = test::runCommand(cli() + " workbook set '" + file + "' 'Log!B3' 0.1 --bold 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    r = test::runCommand(cli() + " workbook set '" + file + "' 'Log!A1' 'Ini sheet' 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    r = test::runCommand(cli() + " workbook set '" + file + "' 'Log!C2' 0.30000000000000004 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    r = test::runCommand(cli() + " workbook dump '" + file + "' --json 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, R"({"sheets":{"Log":{"A1":{"value":"Ini sheet","bold":false},)"
                     R"("C2":{"value":0.30000000000000004,"bold":false},)"
                     R"("B3":{"value":0.1,"bold":true}}},"names":{}})"
                     "\n");
    r = test::runCommand(cli() + " workbook dump '" + file + "' --sheet log --range B1:B5 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "[Log]\nB3\t0.1\tbold\n");
}

TEST(WorkbookCli, FailuresExitNonZeroWithTheReason) {
    TempDir dir;
    test::writeFile(dir / "bad.xlsx", "not a zip");
    auto r = test::runCommand(cli() + " workbook dump '" + (dir / "bad.xlsx").string() + "' 2>&1");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.out.find("not a zip"), std::string::npos) << r.out;
    r = test::runCommand(cli() + " workbook set '" + (dir / "x.xlsx").string() + "' A1 5 2>&1");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("names no single cell"), std::string::npos) << r.out;
}

} // namespace
} // namespace mv
