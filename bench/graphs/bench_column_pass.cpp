// Column pass of one 100 M-sample signal on a 1900-column plot, against a plain
// single-threaded min/max scan of the same buffer in the same run.
#include "core/SignalStore.h"
#include "graphs/ColumnPass.h"
#include "graphs/GraphZoom.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// What any viewer must at least do: read every sample once for its extremes.
__attribute__((noinline)) void plainMinMax(const float* p, std::size_t n, float& mn, float& mx) {
    mn = 1e31f;
    mx = -1e31f;
    for (std::size_t i = 0; i < n; ++i) {
        mn = std::min(mn, p[i]);
        mx = std::max(mx, p[i]);
    }
}

// The same scan written so the compiler vectorises it: the fastest min/max we know
// how to write without intrinsics, to show how far the pass is from the memory bound.
__attribute__((noinline)) void laneMinMax(const float* p, std::size_t n, float& mn, float& mx) {
    constexpr int L = 16;
    float a[L], z[L];
    for (int l = 0; l < L; ++l)
        a[l] = 1e31f, z[l] = -1e31f;
    std::size_t i = 0;
    for (; i + L <= n; i += L)
        for (int l = 0; l < L; ++l) {
            a[l] = p[i + l] < a[l] ? p[i + l] : a[l];
            z[l] = p[i + l] > z[l] ? p[i + l] : z[l];
        }
    for (; i < n; ++i)
        a[0] = std::min(a[0], p[i]), z[0] = std::max(z[0], p[i]);
    mn = *std::min_element(a, a + L);
    mx = *std::max_element(z, z + L);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100'000'000ull;
    const int reps = 5;
    mv::SignalStore store;
    mv::SignalRecord& s = store[1];
    s.f_sampl = 4000.0;
    s.Plot = true;
    mv::SampleBuffer b = mv::SampleBuffer::allocate(n);
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        b[i] = float(std::sin(double(i) * 1e-4)) + float(x >> 8) * 1e-7f;
    }
    s.setData(std::move(b));

    mv::SigImageState g(true);
    mv::resizeGraph(g, 1900 + 59, 400);

    double best = 1e9, bestPlain = 1e9, bestLane = 1e9;
    float mn = 0, mx = 0;
    for (int r = 0; r < reps; ++r) {
        auto t0 = Clock::now();
        plainMinMax(s.Data.data(), n, mn, mx);
        auto t1 = Clock::now();
        mv::PrepocitejX(store, g);
        auto t2 = Clock::now();
        float lmn = 0, lmx = 0;
        laneMinMax(s.Data.data(), n, lmn, lmx);
        auto t3 = Clock::now();
        if (lmn != mn || lmx != mx)
            std::printf("vectorised scan disagrees\n");
        bestPlain = std::min(bestPlain, seconds(t0, t1));
        best = std::min(best, seconds(t1, t2));
        bestLane = std::min(bestLane, seconds(t2, t3));
    }
    const auto& rec = g.rec(1);
    if (rec.SmpCount != std::int32_t(n) || rec.SMin != mn || rec.SMax != mx) {
        std::printf("MISMATCH: pass %d samples [%g, %g], scan [%g, %g]\n", rec.SmpCount,
                    double(rec.SMin), double(rec.SMax), double(mn), double(mx));
        return 1;
    }
    std::printf("column pass, %zu samples, 1900 columns: %.1f ms (%.2f GS/s)\n", n, best * 1e3,
                double(n) / best * 1e-9);
    std::printf("plain min/max scan (baseline):          %.1f ms (%.2f GS/s)\n", bestPlain * 1e3,
                double(n) / bestPlain * 1e-9);
    std::printf("vectorised min/max scan (reference):    %.1f ms (%.2f GS/s)\n", bestLane * 1e3,
                double(n) / bestLane * 1e-9);
    std::printf("ratio pass speed / baseline speed: %.2f (goal >= 0.70)\n", bestPlain / best);
    std::printf("ratio pass speed / vectorised scan: %.2f\n", bestLane / best);
    return 0;
}
