// Workbook engine speed and memory against openpyxl, measured in the same run:
//  - read a Log-like workbook of 65 535 rows x 13 columns, also against its floor: the
//    time to unzip the workbook and parse the sheet XML into a pugixml DOM;
//  - write 32 CalibrWS-like device blocks (32 x 362 rows x 117 columns of numbers).
// Each side runs in its own child process so its peak resident memory can be read.
#include "evaluation/workbook/SpreadsheetApp.h"
#include "evaluation/workbook/ZipIo.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace mv;

namespace {

constexpr int kLogRows = 65535;
constexpr int kLogCols = 13;
constexpr int kDevices = 32;
constexpr int kBlockRows = 362;
constexpr int kBlockCols = 117;

double deviceValue(int device, int r, int c) {
    return (device * 1000003.0 + r * 117.0 + c) * 0.001 + 0.1;
}

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Runs f in a child; the child writes its time to a pipe, the parent reads the peak RSS.
Run inChild(const std::function<void()>& f) {
    int fd[2];
    if (pipe(fd) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        const auto t0 = std::chrono::steady_clock::now();
        try {
            f();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "failed: %s\n", e.what());
            _exit(1);
        }
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (write(fd[1], &s, sizeof s) != sizeof s)
            _exit(1);
        _exit(0);
    }
    close(fd[1]);
    Run run;
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    run.ok = read(fd[0], &run.seconds, sizeof run.seconds) == sizeof run.seconds &&
             WIFEXITED(status) && WEXITSTATUS(status) == 0;
    close(fd[0]);
    run.peakKiB = ru.ru_maxrss;
    return run;
}

Run python(const std::string& script, const std::string& arg) {
    const std::string cmd = "/usr/bin/python3 -c '" + script + "' '" + arg + "'";
    return inChild([&] {
        if (std::system(cmd.c_str()) != 0)
            throw std::runtime_error("python failed");
    });
}

void makeLog(const std::string& path) {
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("Log");
    const SheetHandle s = app.sheetAt(id, 0);
    const char* headers[] = {"Date",   "Time",   "Test ID", "Category", "Mark", "Level1",  "Level2",
                             "Level3", "Level4", "Track",   "Speed",    "Note", "Operator"};
    const char* cats[] = {"Start", "Save on", "Save off", "Note", "Stop"};
    Block b(kLogRows, kLogCols);
    for (int c = 0; c < kLogCols; ++c)
        b.at(9, c) = CellValue::str(headers[c]);
    for (int r = 10; r < kLogRows; ++r) {
        const int id = r / 4;
        b.at(r, 0) = CellValue::num(45000 + r / 500);
        b.at(r, 1) = CellValue::num((r % 1440) / 1440.0);
        b.at(r, 2) = CellValue::num(id);
        b.at(r, 3) = CellValue::str(cats[r % 5]);
        b.at(r, 4) = CellValue::num(1000.0 / (1 + r % 7));
        b.at(r, 5) = CellValue::str("Campaign " + std::to_string(r / 20000));
        b.at(r, 6) = CellValue::str("Vehicle " + std::to_string(r / 3000));
        b.at(r, 7) = CellValue::str("Day " + std::to_string(r / 500));
        b.at(r, 8) = CellValue::str("Run " + std::to_string(id));
        b.at(r, 9) = CellValue::str("K" + std::to_string(1000 + r % 90) + "1_track");
        b.at(r, 10) = CellValue::num(80.0 + (r % 1000) * 0.137);
        b.at(r, 11) = CellValue::str("note " + std::to_string(r));
        b.at(r, 12) = CellValue::str("operator " + std::to_string(r % 4));
    }
    app.writeBlock(s, {1, 1}, b);
    app.setNumberFormat(s, {{11, 1}, {kLogRows, 1}}, "d.m.yyyy");
    app.setNumberFormat(s, {{11, 2}, {kLogRows, 2}}, "hh:mm:ss");
    for (int c = 1; c <= kLogCols; ++c)
        app.setBold(s, 10, c, true);
    app.saveAs(id, path);
}

} // namespace

int main(int argc, char** argv) {
    const fs::path dir =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "mv_workbook_bench";
    fs::create_directories(dir);
    const std::string log = (dir / "log.xlsx").string();
    makeLog(log);
    std::size_t sheetXml = 0;
    for (const auto& [name, data] : detail::readZip(log))
        if (name.rfind("xl/worksheets/", 0) == 0)
            sheetXml += data.size();
    const bool havePython = access("/usr/bin/python3", X_OK) == 0;

    std::printf("Workbook engine vs openpyxl (same machine, same run)\n");
    std::printf("Read: Log workbook, %d rows x %d columns; sheet XML %.1f MB unzipped\n", kLogRows,
                kLogCols, sheetXml / 1e6);
    const Run ourRead = inChild([&] {
        auto wb = Workbook::open(log);
        double sum = 0;
        std::size_t texts = 0;
        for (const auto& [row, data] : wb->sheet(0).rows())
            for (const Cell& c : data.cells) {
                sum += c.number;
                texts += c.str().size();
            }
        if (sum == 0 || texts == 0)
            throw std::runtime_error("nothing read");
    });
    std::printf("  ours     %8.3f s   peak RSS %7.1f MB (%.2f x the sheet XML)\n", ourRead.seconds,
                ourRead.peakKiB / 1024.0, ourRead.peakKiB * 1024.0 / static_cast<double>(sheetXml));
    const Run floorRead = inChild([&] {
        const auto parts = detail::readZip(log);
        pugi::xml_document doc;
        for (const auto& [name, data] : parts)
            if (name.rfind("xl/worksheets/", 0) == 0 && !doc.load_buffer(data.data(), data.size()))
                throw std::runtime_error("pugixml could not parse " + name);
    });
    std::printf(
        "  unzip + pugixml DOM of the sheet (the floor) %8.3f s   peak RSS %7.1f MB   -> ours "
        "is %.2f x the floor's speed (goal >= 0.5)\n",
        floorRead.seconds, floorRead.peakKiB / 1024.0, floorRead.seconds / ourRead.seconds);
    if (havePython) {
        const Run pyRead = python("import sys, openpyxl\n"
                                  "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                  "n = sum(1 for row in wb.active.iter_rows(values_only=True) for "
                                  "v in row if v is not None)\n",
                                  log);
        std::printf("  openpyxl %8.3f s   peak RSS %7.1f MB   -> ours is %.1f x faster\n",
                    pyRead.seconds, pyRead.peakKiB / 1024.0, pyRead.seconds / ourRead.seconds);
    }

    const std::string cal = (dir / "calibr.xlsx").string();
    std::printf("Write: %d device blocks of %d x %d numbers into CalibrWS\n", kDevices, kBlockRows,
                kBlockCols);
    const Run ourWrite = inChild([&] {
        SpreadsheetApp app;
        const WorkbookId id = app.newWorkbook("CalibrWS");
        const SheetHandle s = app.sheetAt(id, 0);
        for (int d = 0; d < kDevices; ++d) {
            Block b(kBlockRows, kBlockCols);
            for (int r = 0; r < kBlockRows; ++r)
                for (int c = 0; c < kBlockCols; ++c)
                    b.at(r, c) = CellValue::num(deviceValue(d, r, c));
            app.writeBlock(s, {d * kBlockRows + 1, 1}, b);
        }
        app.saveAs(id, cal);
    });
    std::size_t calXml = 0;
    for (const auto& [name, data] : detail::readZip(cal))
        if (name.rfind("xl/worksheets/", 0) == 0)
            calXml += data.size();
    std::printf("  ours     %8.3f s   peak RSS %7.1f MB (%.2f x the sheet XML of %.1f MB)\n",
                ourWrite.seconds, ourWrite.peakKiB / 1024.0,
                ourWrite.peakKiB * 1024.0 / static_cast<double>(calXml), calXml / 1e6);
    if (havePython) {
        const Run pyWrite = python("import sys, openpyxl\n"
                                   "wb = openpyxl.Workbook()\n"
                                   "ws = wb.active\n"
                                   "ws.title = \"CalibrWS\"\n"
                                   "for d in range(32):\n"
                                   "    for r in range(362):\n"
                                   "        for c in range(117):\n"
                                   "            ws.cell(row=d * 362 + r + 1, column=c + 1, "
                                   "value=(d * 1000003.0 + r * 117.0 + c) * 0.001 + 0.1)\n"
                                   "wb.save(sys.argv[1])\n",
                                   (dir / "calibr_py.xlsx").string());
        std::printf("  openpyxl %8.3f s   peak RSS %7.1f MB   -> ours is %.1f x faster\n",
                    pyWrite.seconds, pyWrite.peakKiB / 1024.0, pyWrite.seconds / ourWrite.seconds);
    }
    return ourRead.ok && ourWrite.ok ? 0 : 1;
}
