// Speed of the signal file readers and writers, each beside a baseline measured
// in the same run on the same page-cached file:
//   native load and save of a 400 MB file   vs  reading it into fresh memory, and dd
//                                               reading it (bs=1M)
//   ASCII load of a 50 MB file              vs  pandas read_csv (C engine)
//   peak memory of a native load            vs  the bytes of its samples
// Big files go to a fresh directory under /tmp and are removed at the end.
#include "core/LoadFiles.h"
#include "files/FileIo.h"
#include "files/NativeFile.h"
#include "files/Readers.h"
#include "files/SaveSlot.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point a) {
    return std::chrono::duration<double>(Clock::now() - a).count();
}

std::string run(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

// dd's own figure for copying the file to /dev/null: "..., 0.0421254 s, 9.5 GB/s".
double ddSeconds(const std::string& path) {
    const std::string out = run("dd if='" + path + "' of=/dev/null bs=1M");
    const auto comma = out.find("copied, ");
    if (comma == std::string::npos)
        return NAN;
    return std::atof(out.c_str() + comma + 8);
}

long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

// Resets the peak resident size so the next peak belongs to one operation.
bool resetPeak() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    return bool(f);
}

// CPU time of the whole process (all threads): on a machine shared with others, the
// wall time of a threaded load depends on what they run; this does not.
double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

template <class F>
double best(int reps, F&& f) {
    double b = std::numeric_limits<double>::infinity();
    for (int i = 0; i < reps; ++i)
        b = std::min(b, f());
    return b;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t nativeMb = 400, asciiMb = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--native-mb")
            nativeMb = std::strtoul(argv[i + 1], nullptr, 10);
        else if (a == "--ascii-mb")
            asciiMb = std::strtoul(argv[i + 1], nullptr, 10);
    }
    const fs::path dir =
        fs::temp_directory_path() / ("mvbench-files-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    int status = 0;
    try {
        mv::ReaderTable readers;
        mv::files::installReaders(readers);
        mv::NullLog nullLog;
        const mv::LoadContext ctx{nullLog, 4000.0, '.'};

        // ---- native file -------------------------------------------------------------
        const std::size_t n = nativeMb * 1000 * 1000 / 4;
        {
            mv::SignalRecord r;
            r.SigName = "big";
            r.f_sampl = 4000;
            r.setData(mv::SampleBuffer::allocate(n));
            std::mt19937 rng(1);
            std::uniform_real_distribution<float> u(-1, 1);
            for (std::size_t i = 0; i < n; ++i)
                r.Data[i] = u(rng);
            mv::files::writeNative((dir / "big.mvn").string(), r, {1, static_cast<std::int64_t>(n)},
                                   1, {});
        }
        const std::string big = (dir / "big.mvn").string();
        const double fileMb = double(fs::file_size(big)) / 1e6;
        run("cat '" + big + "' > /dev/null"); // into the page cache

        const double dd = best(5, [&] { return ddSeconds(big); });
        long peakKb = -1, baseKb = -1;
        const double load = best(5, [&] {
            mv::SignalStore store;
            const bool peak = resetPeak();
            baseKb = statusKb("VmRSS:");
            const auto t = Clock::now();
            const auto res = mv::LoadFiles(store, readers, dir.string(), {"big.mvn"}, 1,
                                           mv::LoadFormat::Morvanet, ctx);
            const double s = seconds(t);
            if (peak)
                peakKb = statusKb("VmHWM:");
            if (res.filled != 1 || store[1].SampleCount != static_cast<std::int32_t>(n))
                throw std::runtime_error("the native file did not load");
            return s;
        });
        // The floor: the file read into freshly allocated memory of its size (plain pages,
        // one read), which pays the first touch a load has to pay.
        const double fresh = best(5, [&] {
            const auto t = Clock::now();
            const std::size_t bytes = fs::file_size(big);
            std::unique_ptr<char[]> buf(new char[bytes]);
            mv::files::FileHandle f(big, mv::files::FileHandle::Mode::Read);
            if (!f.readAt(0, buf.get(), bytes))
                throw std::runtime_error("short read");
            const double s = seconds(t);
            if (buf[bytes / 2] == 1 && buf[bytes / 3] == 1)
                std::printf(" ");
            return s;
        });
        // Where the time goes: touching fresh memory (the kernel zeroes every page it
        // hands out), which dd never pays as it reuses one small buffer.
        const double touch = best(3, [&] {
            const auto t = Clock::now();
            mv::SampleBuffer b = mv::files::allocateSamples(n);
            std::memset(b.data(), 0, n * 4);
            const double s = seconds(t);
            if (b[n / 2] != 0.0f)
                throw std::runtime_error("memset");
            return s;
        });
        mv::SignalStore store;
        mv::LoadFiles(store, readers, dir.string(), {"big.mvn"}, 1, mv::LoadFormat::Morvanet, ctx);
        store[1].SaveDiv = 1;
        mv::files::SaveContext sc{nullLog, {}};
        fs::create_directories(dir / "out");
        const double save = best(3, [&] {
            const auto t = Clock::now();
            mv::files::SaveSlot(store,
                                {.slot = 1,
                                 .T2 = 1e12,
                                 .saveDiv = 1,
                                 .dir = (dir / "out").string(),
                                 .format = mv::SaveFormat::Morvanet},
                                sc);
            return seconds(t);
        });
        store.ClearSlot(0);
        fs::remove(dir / "out" / "big.mvn");

        std::printf("native file: %.0f MB (%zu samples)\n", fileMb, n);
        std::printf("  dd read (page cache, bs=1M)  %8.1f MB/s\n", fileMb / dd);
        std::printf("  read into fresh memory       %8.1f MB/s   (the floor)\n", fileMb / fresh);
        std::printf("  native load                  %8.1f MB/s   ratio to the floor %.2f (goal >= "
                    "0.90), to dd %.2f\n",
                    fileMb / load, fresh / load, dd / load);
        std::printf("  of which first touch of fresh memory ~ %.0f%% of the load time\n",
                    100.0 * std::min(1.0, touch / load));
        std::printf("  native save                  %8.1f MB/s   ratio to dd read %.2f\n",
                    fileMb / save, dd / save);
        if (peakKb > 0) {
            const double extra = double(peakKb - baseKb) * 1024.0;
            const double samples = double(n) * 4.0;
            std::printf("  peak memory of a load: samples + %.2f%% (goal <= 1%%)\n",
                        100.0 * (extra - samples) / samples);
        }
        fs::remove(big);

        // ---- ASCII file --------------------------------------------------------------
        const std::string txt = (dir / "ascii.txt").string();
        std::size_t lines = 0;
        {
            std::ofstream out(txt, std::ios::binary);
            std::mt19937 rng(2);
            std::normal_distribution<double> g(0, 100);
            char buf[64];
            std::size_t bytes = 0;
            while (bytes < asciiMb * 1000 * 1000) {
                const int k = std::snprintf(buf, sizeof buf, "%.4f\r\n", g(rng));
                out.write(buf, k);
                bytes += std::size_t(k);
                ++lines;
            }
        }
        run("cat '" + txt + "' > /dev/null");
        const double txtMb = double(fs::file_size(txt)) / 1e6;
        double asciiCpu = 1e9;
        const double ascii = best(3, [&] {
            mv::SignalStore s;
            const double c0 = cpuSeconds();
            const auto t = Clock::now();
            mv::LoadFiles(s, readers, dir.string(), {"ascii.txt"}, 1, mv::LoadFormat::Ascii, ctx);
            const double sec = seconds(t);
            asciiCpu = std::min(asciiCpu, cpuSeconds() - c0);
            if (s[1].SampleCount != static_cast<std::int32_t>(lines))
                throw std::runtime_error("the ASCII file did not load");
            return sec;
        });
        const std::string py = "import time, pandas as pd\n"
                               "b = 1e9\n"
                               "bc = 1e9\n"
                               "for _ in range(3):\n"
                               "    t = time.perf_counter()\n"
                               "    c = time.process_time()\n"
                               "    df = pd.read_csv('" +
                               txt +
                               "', header=None, engine='c', dtype='float64')\n"
                               "    b = min(b, time.perf_counter() - t)\n"
                               "    bc = min(bc, time.process_time() - c)\n"
                               "assert len(df) == " +
                               std::to_string(lines) +
                               "\n"
                               "print('pandas_seconds=%.6f' % b)\n"
                               "print('pandas_cpu=%.6f' % bc)\n";
        const std::string out = run("/usr/bin/python3 -c \"" + py + "\"");
        const auto at = out.find("pandas_seconds=");
        std::printf("ASCII file: %.0f MB (%zu lines)\n", txtMb, lines);
        std::printf("  ASCII load                   %8.1f MB/s   (%.3f s wall, %.3f s CPU on all "
                    "threads)\n",
                    txtMb / ascii, ascii, asciiCpu);
        if (at == std::string::npos) {
            std::printf("  pandas baseline not available: %s\n", out.c_str());
        } else {
            const double pandas = std::atof(out.c_str() + at + 15);
            const auto atCpu = out.find("pandas_cpu=");
            const double pandasCpu =
                atCpu == std::string::npos ? NAN : std::atof(out.c_str() + atCpu + 11);
            std::printf("  pandas read_csv (C engine)   %8.1f MB/s   (%.3f s wall, %.3f s CPU)\n",
                        txtMb / pandas, pandas, pandasCpu);
            std::printf("  ratio ours/pandas: wall %.2f (goal >= 4.00), CPU %.2f\n", pandas / ascii,
                        pandasCpu / asciiCpu);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_files: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return status;
}
