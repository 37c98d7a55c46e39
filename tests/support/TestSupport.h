#pragma once
// Shared helpers of the tests: NaN-aware comparison that prints enough digits,
// temporary directories, running independent tools.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace mv::test {

// |a - b| <= tol * max(1, |a|, |b|); NaN equals NaN. Prints 17 digits on failure.
::testing::AssertionResult nearRel(double a, double b, double tol);
#define EXPECT_NEAR_REL(a, b, tol) EXPECT_TRUE(::mv::test::nearRel((a), (b), (tol)))

// Checks the exception type and that its message contains a fragment.
#define EXPECT_THROW_MSG(stmt, Type, fragment)                                                     \
    do {                                                                                           \
        try {                                                                                      \
            stmt;                                                                                  \
            ADD_FAILURE() << "expected " #Type;                                                    \
        } catch (const Type& e) {                                                                  \
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos)                     \
                << "message: " << e.what();                                                        \
        }                                                                                          \
    } while (0)

// A fresh directory removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Directory text with a trailing '/', as the store keeps SigDir.
    std::string dir() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& p, const std::string& bytes);
std::string readFile(const std::filesystem::path& p);

struct CommandResult {
    int exitCode = -1;
    std::string out; // stdout and stderr together
};
// Runs a shell command line and captures its output.
CommandResult runCommand(const std::string& commandLine);
// True when an executable is on PATH (or an absolute path exists).
bool haveTool(const std::string& name);
// Debian's interpreter, which carries numpy, scipy and openpyxl.
inline const char* debianPython() {
    return "/usr/bin/python3";
}
// Skips an interop test with a clear message when the tool is missing.
#define MV_REQUIRE_TOOL(name)                                                                      \
    do {                                                                                           \
        if (!::mv::test::haveTool(name))                                                           \
            GTEST_SKIP() << "tool '" << (name) << "' is not installed (./mvt deps installs it)";   \
    } while (0)

std::filesystem::path sourceDir();
std::filesystem::path binaryDir();

} // namespace mv::test
