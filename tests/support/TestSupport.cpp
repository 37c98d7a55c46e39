#include "support/TestSupport.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace mv::test {

::testing::AssertionResult nearRel(double a, double b, double tol) {
    if (std::isnan(a) && std::isnan(b))
        return ::testing::AssertionSuccess();
    const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
    if (std::fabs(a - b) <= tol * scale)
        return ::testing::AssertionSuccess();
    std::ostringstream o;
    o << std::setprecision(17) << a << " vs " << b << " (diff " << (a - b) << ", tol " << tol
      << " relative)";
    return ::testing::AssertionFailure() << o.str();
}

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100; ++i) {
        auto p = base / ("mvtest-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream o;
    o << f.rdbuf();
    return o.str();
}

CommandResult runCommand(const std::string& commandLine) {
    CommandResult r;
    const std::string full = commandLine + " 2>&1";
    FILE* pipe = ::popen(full.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
        r.out.append(buf.data(), n);
    const int status = ::pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool haveTool(const std::string& name) {
    if (!name.empty() && name.front() == '/')
        return ::access(name.c_str(), X_OK) == 0;
    return runCommand("command -v '" + name + "' >/dev/null").exitCode == 0;
}

std::filesystem::path sourceDir() {
    const char* s = std::getenv("MV_SOURCE_DIR");
    return s ? s : MV_TEST_SOURCE_DIR;
}
std::filesystem::path binaryDir() {
    const char* s = std::getenv("MV_BINARY_DIR");
    return s ? s : MV_TEST_BINARY_DIR;
}

} // namespace mv::test
