// Speed of the processing engine beside baselines measured in the same run:
//   RunIirSpan order 8 vs scipy.signal.lfilter, ZeroPhaseLowPass vs scipy.signal.sosfiltfilt
//   (same sections), TFFTrec.AddSamples vs numpy.fft.rfft on the same frames, and a
//   four-step chain in ProcessSignal vs memcpy of the same buffer.
// Usage: bench_processing [samples]   (default 10 000 000)
#include "app/Workspace.h"
#include "core/Log.h"
#include "fft/FFTrec.h"
#include "processing/MV_func.h"
#include "processing/MV_mkfilter.h"
#include "processing/ZeroPhase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double best(int reps, F f) {
    double b = 1e300;
    for (int i = 0; i < reps; ++i) {
        const auto t0 = Clock::now();
        f();
        b = std::min(b, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return b;
}

void writeFloats(const std::filesystem::path& p, const float* x, std::size_t n) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(x), static_cast<std::streamsize>(n * sizeof(float)));
}

std::string full(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v);
    return b;
}

// Runs the python baselines; returns name -> seconds.
std::map<std::string, double> pythonBaselines(const std::filesystem::path& dir,
                                              const std::string& args) {
    const char* script = R"(
import sys, time, numpy as np, scipy.signal as ss
d = sys.argv[1]
x = np.fromfile(d + '/x.f32', dtype=np.float32).astype(np.float64)
b = [float(v) for v in sys.argv[2].split(',')]; a = [float(v) for v in sys.argv[3].split(',')]
g = float(sys.argv[4]); a1 = [float(v) for v in sys.argv[5].split(',')]
a2 = [float(v) for v in sys.argv[6].split(',')]
def best(f, reps=3):
    t = 1e300
    for _ in range(reps):
        t0 = time.perf_counter(); f(); t = min(t, time.perf_counter() - t0)
    return t
print('lfilter', best(lambda: ss.lfilter(b, a, x)))
sos = np.array([[g, 0.0, 0.0, 1.0, p, q] for p, q in zip(a1, a2)])
print('sosfiltfilt', best(lambda: ss.sosfiltfilt(sos, x), 2))
for n in (1024, 32768):
    frames = np.fromfile(d + '/frames%d.f32' % n, dtype=np.float32).astype(np.float64)
    frames = frames.reshape(-1, 2 * n)
    def loop():
        for f in frames:
            np.fft.rfft(f)
    print('rfft_loop%d' % n, best(loop) / len(frames))
    print('rfft_batch%d' % n, best(lambda: np.fft.rfft(frames, axis=1)) / len(frames))
)";
    std::ofstream(dir / "baseline.py") << script;
    const std::string cmd = "/usr/bin/python3 " + (dir / "baseline.py").string() + " " + args;
    std::map<std::string, double> out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char line[256];
    while (std::fgets(line, sizeof line, p)) {
        std::istringstream in(line);
        std::string name;
        double v;
        if (in >> name >> v)
            out[name] = v;
    }
    ::pclose(p);
    return out;
}

std::string join(const double* v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ',';
        s += full(v[i]);
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    using namespace mv;
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
    std::mt19937 gen(1);
    std::normal_distribution<float> noise;
    std::vector<float> x(n);
    for (float& v : x)
        v = noise(gen);
    const auto dir = std::filesystem::temp_directory_path() / "mv_bench_processing";
    std::filesystem::create_directories(dir);
    writeFloats(dir / "x.f32", x.data(), n);

    // IIR order 8.
    TIirFilter iir;
    DesignIirFilter(IirKind::LowPass, 8, 0.02, iir);
    std::vector<float> y;
    const double tIir = best(3, [&] {
        y = x;
        TIirFilter f = iir;
        RunIirSpan(f, y);
    });
    double b[9], a[9];
    for (int d = 0; d <= 8; ++d) {
        b[d] = iir.XCoef[8 - d] / iir.Gain;
        a[d] = d == 0 ? 1.0 : -iir.YCoef[8 - d];
    }

    // Zero-phase low-pass, fs 500, 19 / 21 Hz: order 48, 24 sections.
    const ZeroPhaseDesign zd = DesignZeroPhase(500.0, 19.0, 21.0);
    const double tZero = best(2, [&] {
        y = x;
        ZeroPhaseLowPass(y.data(), y.size(), 500.0, 19.0, 21.0);
    });

    // FFT engine, one frame per call.
    std::map<int, double> tFft;
    for (int lines : {1024, 32768}) {
        const std::size_t frames = std::min<std::size_t>(n / (2 * lines), 2000);
        writeFloats(dir / ("frames" + std::to_string(lines) + ".f32"), x.data(),
                    frames * 2 * lines);
        TFFTrec e({.lines = lines, .fs = 4000.0, .window = fwRectangle});
        tFft[lines] = best(3,
                           [&] {
                               for (std::size_t f = 0; f < frames; ++f)
                                   e.AddSamples({x.data() + f * 2 * lines, 2 * std::size_t(lines)});
                           }) /
                      double(frames);
    }

    // A four-step chain over the whole signal against copying it.
    auto ws = std::make_unique<Workspace>();
    NullLog log;
    SampleBuffer buf = SampleBuffer::allocate(n);
    std::memcpy(buf.data(), x.data(), n * sizeof(float));
    ws->store[1].setData(std::move(buf));
    ws->store[1].f_sampl = 4000.0;
    FnAttach(*ws, 1, Fn1,
             "Calc( Sig2No=0; Signum=+; Sig2 slope=1; Output slope=2; Output offset=1)", log);
    FnAttach(*ws, 1, Fn2, "MovAver( Moving average type=Mean; Count=16)", log);
    FnAttach(*ws, 1, Fn3,
             "Filter( Filter type=Butterworth; Low-High pass=Low; Filter order=4; f1=100; zzz2=0)",
             log);
    FnAttach(*ws, 1, Fn4, "MinMax( Limit=0)", log);
    const double tChain = best(3, [&] {
        ProcessSignal(*ws, 1, 0.0, 1e9, false, false, log);
        ws->store.ClearSlot(2);
    });
    std::vector<float> copy(n);
    const double tCopy = best(5, [&] { std::memcpy(copy.data(), x.data(), n * sizeof(float)); });

    const auto base = pythonBaselines(
        dir, dir.string() + " " + join(b, 9) + " " + join(a, 9) + " " + full(zd.gain) + " " +
                 join(zd.a1.data(), zd.sections()) + " " + join(zd.a2.data(), zd.sections()));
    auto ratio = [&](const char* key, double ours) {
        const auto it = base.find(key);
        return it == base.end() ? 0.0 : it->second / ours;
    };
    auto baseOf = [&](const char* key) {
        const auto it = base.find(key);
        return it == base.end() ? 0.0 : it->second;
    };
    std::printf("samples %zu\n", n);
    std::printf(
        "RunIirSpan order 8          %8.1f ms  scipy lfilter      %8.1f ms  speed ratio %.2f\n",
        tIir * 1e3, baseOf("lfilter") * 1e3, ratio("lfilter", tIir));
    std::printf(
        "ZeroPhaseLowPass 24 sect.   %8.1f ms  scipy sosfiltfilt  %8.1f ms  speed ratio %.2f\n",
        tZero * 1e3, baseOf("sosfiltfilt") * 1e3, ratio("sosfiltfilt", tZero));
    for (int lines : {1024, 32768}) {
        const std::string loop = "rfft_loop" + std::to_string(lines);
        const std::string batch = "rfft_batch" + std::to_string(lines);
        std::printf(
            "AddSamples %5d lines/frame %8.1f us  numpy rfft loop    %8.1f us  speed ratio %.2f"
            "  (batched rfft %.1f us, ratio %.2f)\n",
            lines, tFft[lines] * 1e6, baseOf(loop.c_str()) * 1e6, ratio(loop.c_str(), tFft[lines]),
            baseOf(batch.c_str()) * 1e6, ratio(batch.c_str(), tFft[lines]));
    }
    std::printf(
        "ProcessSignal 4-step chain  %8.1f ms  memcpy             %8.1f ms  memcpy / chain %.3f\n",
        tChain * 1e3, tCopy * 1e3, tCopy / tChain);
    std::filesystem::remove_all(dir);
    return 0;
}
