// Speed of the QYTL computation of one measuring wheel, beside a baseline measured in
// the same run on the same page-cached files:
//   ComputeQYTL over 8 bridges x N samples (read, filter, track, forces Q, Y, T, L)
//   vs  reading the same 8 bridge files into the store alone
// Goal: at least 20 M bridge-samples/s and at most 3 x the bare read.
// The wheel is calibrated first on simulated stand runs, so the tracking locks and the
// forces come from the tables as in a real evaluation. Files go to a fresh directory
// under /tmp and are removed at the end.
#include "core/LoadFiles.h"
#include "files/NativeFile.h"
#include "files/Readers.h"
#include "wheelset/Calibration.h"
#include "wheelsim/WheelSim.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace mv;
using namespace mv::wheelset;

namespace {

double seconds(Clock::time_point a) {
    return std::chrono::duration<double>(Clock::now() - a).count();
}

// CPU time of the process: the machine is shared, so wall time alone says little.
double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double loadAverage() {
    double l[1] = {0};
    return ::getloadavg(l, 1) == 1 ? l[0] : NAN;
}

struct Env {
    SignalStore store;
    ReaderTable readers;
    NullLog log;
    Env() { files::installReaders(readers); }
    ComputeContext ctx() { return {store, readers, log}; }
};

// The stand runs of the simulator, and the Q3 and table fits of both directions.
Block calibratedBlock(const fs::path& dir) {
    Block block = wheelsim::simulatedBlock(5);
    Env env;
    auto ctx = env.ctx();
    auto dev = std::make_unique<TDeviceFunc>();
    for (int k = 0; k < 2; ++k) {
        wheelsim::WheelSimOptions o;
        o.seconds = 60;
        o.revPerSecond = k == 0 ? 1 : -1;
        o.startAngle = k == 0 ? -30 : 30;
        o.seed = static_cast<unsigned>(k + 1);
        const wheelsim::WheelRun run = wheelsim::simulateWheel(o);
        const fs::path d = dir / (k == 0 ? "fw" : "bw");
        fs::create_directories(d);
        wheelsim::writeWheelFiles(run, d.string(), "W1");
        const int col = k == 0 ? calibr::colFW : calibr::colBW;
        long long from = 1000;
        if (k == 0)
            for (std::size_t i = 0; i < run.angle.size(); ++i)
                if (run.angle[i] >= 340) {
                    from = static_cast<long long>(i) + 1;
                    break;
                }
        calibr::at(block, calibr::rowPath, col) = CellValue::str(d.string() + "/");
        calibr::at(block, calibr::rowFrom, col) = CellValue::num(static_cast<double>(from));
        calibr::at(block, calibr::rowTo, col) =
            CellValue::num(static_cast<double>(run.angle.size() - 100));
        CalibrRequest req;
        req.wheelName = "W1";
        req.direction = k == 0 ? CalibrDirection::Forward : CalibrDirection::Backward;
        if (k == 0 && !ComputeQ3Coef(*dev, block, req, ctx).ok)
            throw std::runtime_error("Q3 fit failed");
        if (!ComputeQytlCoef(*dev, block, req, ctx).ok)
            throw std::runtime_error("table fit failed");
    }
    return block;
}

// Eight bridges of a wheel at 3 rev/s under slowly varying loads, N samples each, one
// bridge at a time (the simulator's per-sample truth would not fit in memory).
void writeBridges(const fs::path& dir, std::size_t n) {
    const double fs = 1200.0;
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(0.0, 0.001);
    std::vector<float> v(n);
    for (int k = 1; k <= 8; ++k) {
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / fs;
            const double angle = 360.0 * 3.0 * t;
            const double d = std::remainder(angle - 45.0 * (k - 1), 360.0);
            const double Q = 75 + 8 * std::sin(0.3 * t), Y = 10 * std::sin(0.17 * t),
                         T = 5 * std::sin(0.23 * t + 1), L = 6 * std::sin(0.11 * t);
            const double loads[4] = {Q, Y, T, Q * L};
            double x = 0;
            for (int l = 0; l < 4; ++l)
                x += loads[l] * wheelsim::bridgeResponse(l, d);
            v[i] = static_cast<float>(x + noise(gen));
        }
        const std::string name = "W1_B" + std::to_string(k);
        wheelsim::writeSignal((dir / (name + ".mvn")).string(), name, fs, v);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::size_t n = 10'000'000;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--samples")
            n = static_cast<std::size_t>(std::strtoull(argv[i + 1], nullptr, 10));
    char tmpl[] = "/tmp/bench_qytl_XXXXXX";
    if (!::mkdtemp(tmpl)) {
        std::cerr << "bench_qytl: no temporary directory\n";
        return 1;
    }
    const fs::path dir = tmpl;
    int rc = 0;
    try {
        const Block block = calibratedBlock(dir);
        const fs::path run = dir / "run";
        fs::create_directories(run);
        writeBridges(run, n);

        Env env;
        auto ctx = env.ctx();
        std::vector<std::string> names;
        for (int k = 1; k <= 8; ++k)
            names.push_back("W1_B" + std::to_string(k) + ".mvn");
        LoadContext lc{env.log, 1200.0, '.'};
        // Warm the page cache, then the bare read.
        LoadFiles(env.store, env.readers, run.string(), names, kRawBridgeSlot, LoadFormat::Morvanet,
                  lc);
        env.store.ClearSlot(0);
        double tRead = 1e300, tQytl = 1e300, cRead = 1e300, cQytl = 1e300;
        for (int rep = 0; rep < 2; ++rep) {
            auto t0 = Clock::now();
            double c0 = cpuSeconds();
            LoadFiles(env.store, env.readers, run.string(), names, kRawBridgeSlot,
                      LoadFormat::Morvanet, lc);
            tRead = std::min(tRead, seconds(t0));
            cRead = std::min(cRead, cpuSeconds() - c0);
            env.store.ClearSlot(0);

            auto dev = std::make_unique<TDeviceFunc>();
            if (!LoadDevFuncParam(*dev, 5, block).ok)
                throw std::runtime_error("block not valid");
            ComputeRequest req;
            req.device = 5;
            req.path = run.string();
            req.wheelName = "W1";
            req.highPass = "0.05";
            req.lowPass = "80";
            for (int r : {fbQ, fbY, fbT, fbL})
                req.save[static_cast<size_t>(r - 1)] = true;
            t0 = Clock::now();
            c0 = cpuSeconds();
            const ComputeResult c = ComputeQYTL(*dev, req, ctx);
            tQytl = std::min(tQytl, seconds(t0));
            cQytl = std::min(cQytl, cpuSeconds() - c0);
            if (!c.ok)
                throw std::runtime_error("QYTL failed");
            env.store.ClearSlot(0);
        }
        const double bridgeSamples = 8.0 * static_cast<double>(n);
        const double rate = bridgeSamples / tQytl / 1e6;
        std::cout << "QYTL, 8 bridges x " << n << " samples: " << tQytl << " s wall, " << cQytl
                  << " s CPU; " << rate << " M bridge-samples/s wall, "
                  << bridgeSamples / cQytl / 1e6 << " CPU (goal >= 20)\n"
                  << "bare read of the 8 bridge files: " << tRead << " s wall, " << cRead
                  << " s CPU; QYTL / read = " << tQytl / tRead << " wall, " << cQytl / cRead
                  << " CPU (goal <= 3)\n"
                  << "load average " << loadAverage() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "bench_qytl: " << e.what() << "\n";
        rc = 1;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return rc;
}
