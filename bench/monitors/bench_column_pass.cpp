// The graph thread's column pass: 16 Scroll polygraphs with 8 series each (16 x 8 =
// 128 traces) replaying at fs_play = 10 kHz. The clock ticks and the rounds run on this
// thread as fast as they can; the figure is seconds of signal drawn per second of CPU
// (the goal is at least 50 times real time), beside a plain min/max scan of the same
// samples measured in the same run.
#include "monitors/GraphPass.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

__attribute__((noinline)) float plainMinMax(const float* p, std::size_t n) {
    float mn = 1e31f, mx = -1e31f;
    for (std::size_t i = 0; i < n; ++i) {
        mn = std::min(mn, p[i]);
        mx = std::max(mx, p[i]);
    }
    return mx - mn;
}

} // namespace

int main(int argc, char** argv) {
    using namespace mv;
    const double fs = 10000;
    const double signalSeconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    SignalStore store;
    for (int slot = 1; slot <= 8; ++slot) {
        SignalRecord r;
        r.f_sampl = fs;
        const int n = int(signalSeconds * fs) + 1000;
        SampleBuffer b = SampleBuffer::allocate(std::size_t(n));
        for (int i = 0; i < n; ++i)
            b[std::size_t(i)] = float(5 * std::sin(2 * M_PI * (3 + slot) * i / fs));
        r.setData(std::move(b));
        store.installSignal(slot, std::move(r));
    }
    ReplayClock clock(store);
    clock.setFsPlay(fs);
    PolyGrafList list;
    GraphEngine engine(clock, list);
    engine.round();
    for (int k = 0; k < 16; ++k) {
        PolyGrafDefinition def;
        def.texts[2] = "0|0|838|300|0"; // 800-column plots
        def.texts[3] = "0|4|1";
        auto p = list.create(def, fs);
        std::lock_guard lock(p->mutex);
        TSubGrafPar t;
        for (int s = 0; s < kMaxSeries; ++s)
            t.SerPar[std::size_t(s)].SigNo = s + 1;
        p->Add1SubGraf(t, k, fs);
        p->ReCalcSubGrafCoef(true);
    }
    clock.startReplay(0, signalSeconds);
    const int ticks = int(signalSeconds * 100);
    double clockCpu = 0, passCpu = 0;
    for (int i = 0; i < ticks; ++i) {
        const double a = cpuSeconds();
        clock.tick();
        const double b = cpuSeconds();
        while (engine.round() > 0) {
        }
        passCpu += cpuSeconds() - b;
        clockCpu += b - a;
    }
    // Baseline: read the 128 traces' samples once for their extremes.
    const double a = cpuSeconds();
    float sink = 0;
    for (int k = 0; k < 16; ++k)
        for (int slot = 1; slot <= 8; ++slot)
            sink += plainMinMax(store[slot].Data.data(), std::size_t(signalSeconds * fs));
    const double scan = cpuSeconds() - a;
    std::printf("monitors column pass, 16 polygraphs x 8 series at 10 kHz, %.0f s of signal\n",
                signalSeconds);
    std::printf("  graph thread: %.3f s CPU = %.0f x real time\n", passCpu,
                signalSeconds / passCpu);
    std::printf("  replay clock: %.3f s CPU = %.0f x real time\n", clockCpu,
                signalSeconds / clockCpu);
    std::printf("  plain min/max scan of the same samples: %.3f s (pass / scan = %.1f) [%g]\n",
                scan, passCpu / scan, double(sink));
    return 0;
}
