#include "wheelsim/WheelSim.h"

#include "core/SignalRecord.h"
#include "files/NativeFile.h"
#include "wheelset/DeviceFunc.h"

#include <cmath>
#include <numbers>
#include <random>

namespace mv::wheelsim {

namespace {
double gaussD(double d, double sigma) {
    const double x = d / sigma;
    return x * std::exp(-0.5 * x * x);
}
double rad(double deg) {
    return deg * std::numbers::pi / 180.0;
}
} // namespace

// Odd parts (antisymmetric about the bridge centre) carry Q, Y and T with different
// shapes, so that the Q3 differences tell the three apart; even parts carry Y and the
// moment Q*L as harmonics that leave the Sin crossings on the bridge centres.
double bridgeResponse(int load, double d) {
    switch (load) {
    case 0:
        return -0.010 * gaussD(d, 25.0);
    case 1:
        return 0.006 * std::sin(rad(d)) + 0.004 * gaussD(d, 40.0) + 0.004 * std::cos(rad(d));
    case 2:
        return 0.006 * std::sin(rad(2 * d)) + 0.006 * gaussD(d, 12.0);
    default:
        return 0.0001 * std::cos(rad(2 * d)) + 0.00005 * std::cos(rad(d));
    }
}

WheelRun simulateWheel(const WheelSimOptions& o) {
    WheelRun r;
    r.fs = o.fs;
    const auto n = static_cast<size_t>(o.seconds * o.fs);
    std::mt19937 gen(o.seed);
    std::normal_distribution<double> noise(0.0, o.noise);
    r.angle.resize(n);
    r.Q.resize(n);
    r.Y.resize(n);
    r.T.resize(n);
    r.L.resize(n);
    r.bridges.assign(8, std::vector<float>(n));
    const double tau = 2 * std::numbers::pi;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / o.fs;
        r.angle[i] = o.startAngle + 360.0 * o.revPerSecond * t;
        // Slow against the bridge filter's delay; incommensurate so the loads vary
        // independently over the run.
        if (o.stand) {
            r.Q[i] = 80 + 20 * std::sin(tau * 0.047 * t);
            r.Y[i] = 18 * std::sin(tau * 0.031 * t + 1.0);
            r.T[i] = 10 * std::sin(tau * 0.059 * t + 2.0);
            r.L[i] = 12 * std::sin(tau * 0.023 * t + 0.5);
        } else {
            r.Q[i] = 75 + 8 * std::sin(tau * 0.3 * t);
            r.Y[i] = 10 * std::sin(tau * 0.17 * t);
            r.T[i] = 5 * std::sin(tau * 0.23 * t + 1);
            r.L[i] = 6 * std::sin(tau * 0.11 * t);
        }
        const double loads[4] = {r.Q[i], r.Y[i], r.T[i], r.Q[i] * r.L[i]};
        for (int k = 1; k <= 8; ++k) {
            double d = std::remainder(r.angle[i] - 45.0 * (k - 1), 360.0);
            double v = 0;
            for (int l = 0; l < 4; ++l)
                v += loads[l] * bridgeResponse(l, d);
            r.bridges[static_cast<size_t>(k - 1)][i] = static_cast<float>(v + noise(gen));
        }
    }
    return r;
}

void writeSignal(const std::string& path, const std::string& name, double fs,
                 const std::vector<float>& v) {
    SignalRecord rec;
    rec.SigName = name;
    rec.f_sampl = fs;
    SampleBuffer b = SampleBuffer::allocate(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        b[i] = v[i];
    rec.setData(std::move(b));
    files::writeNative(path, rec, {1, static_cast<std::int64_t>(v.size())}, 1, {});
}

namespace {
std::vector<float> asFloat(const std::vector<double>& v) {
    return {v.begin(), v.end()};
}
} // namespace

void writeWheelFiles(const WheelRun& run, const std::string& dir, const std::string& prefix,
                     bool forces) {
    for (int k = 1; k <= 8; ++k) {
        const std::string name = prefix + "_B" + std::to_string(k);
        writeSignal(dir + "/" + name + ".mvn", name, run.fs,
                    run.bridges[static_cast<size_t>(k - 1)]);
    }
    if (!forces)
        return;
    writeSignal(dir + "/FQ1.mvn", "FQ1", run.fs, asFloat(run.Q));
    writeSignal(dir + "/FY1.mvn", "FY1", run.fs, asFloat(run.Y));
    writeSignal(dir + "/FT2.mvn", "FT2", run.fs, asFloat(run.T));
    writeSignal(dir + "/L1.mvn", "L1", run.fs, asFloat(run.L));
}

Block simulatedBlock(int maLen) {
    using namespace wheelset::calibr;
    Block b = emptyBlock();
    at(b, rowNB, 2) = CellValue::num(8);
    at(b, rowRegrN, 2) = CellValue::num(8);
    at(b, rowSinCorr, 2) = CellValue::num(0);
    at(b, rowDirSign, 2) = CellValue::num(1);
    at(b, rowMALen, 2) = CellValue::num(maLen);
    at(b, rowSmoothN, 2) = CellValue::num(0);
    const char* names[4] = {"FQ1.mvn", "FY1.mvn", "FT2.mvn", "L1.mvn"};
    for (int i = 0; i < 4; ++i)
        at(b, rowFileFQ + i, 2) = CellValue::str(names[i]);
    return b;
}

} // namespace mv::wheelsim
