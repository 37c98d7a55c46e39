// A full RedrawGraphs (column pass and drawing of both graphs) with ten signals of
// 10 M samples each, offscreen, against a plain min/max scan of the same samples as
// many times as the two passes read them.
#include "app/Workspace.h"
#include "graphs/ColumnPass.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"

#include <QApplication>
#include <QWidget>
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
__attribute__((noinline)) float plainMinMax(const float* p, std::size_t n) {
    float mn = 1e31f, mx = -1e31f;
    for (std::size_t i = 0; i < n; ++i) {
        mn = std::min(mn, p[i]);
        mx = std::max(mx, p[i]);
    }
    return mn + mx;
}
} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::size_t n = 10'000'000;
    mv::Workspace ws;
    for (int s = 1; s <= 10; ++s) {
        mv::SignalRecord& r = ws.store[s];
        r.f_sampl = 4000.0;
        r.Plot = true;
        auto b = mv::SampleBuffer::allocate(n);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = float(std::sin(double(i) * 1e-4 * s) * s);
        r.setData(std::move(b));
    }
    QWidget host;
    host.resize(1959, 900);
    mv::GraphPair pair(ws.graphsView(), &host);
    pair.Image1()->setGeometry(0, 0, 1959, 400); // 1900 plot columns
    pair.Image2()->setGeometry(0, 406, 1959, 480);
    host.show();
    app.processEvents();
    pair.RedrawGraphs();
    // The lower graph shows everything too: the worst case, every sample read twice.
    pair.zoomAll();

    double best = 1e9, bestPlain = 1e9;
    float sink = 0;
    for (int rep = 0; rep < 5; ++rep) {
        auto t0 = Clock::now();
        pair.RedrawGraphs();
        auto t1 = Clock::now();
        for (int pass = 0; pass < 2; ++pass)
            for (int s = 1; s <= 10; ++s)
                sink += plainMinMax(ws.store[s].Data.data(), n);
        auto t2 = Clock::now();
        best = std::min(best, seconds(t0, t1));
        bestPlain = std::min(bestPlain, seconds(t1, t2));
    }
    {
        auto a = Clock::now();
        pair.Image1()->PrepocitejX();
        pair.Image2()->PrepocitejX();
        auto b = Clock::now();
        pair.MalujBoth();
        auto c = Clock::now();
        auto d = c;
        double engine = 1e9;
        for (int k = 0; k < 3; ++k) {
            auto e0 = Clock::now();
            mv::PrepocitejX(ws.store, ws.graphs.image1);
            d = Clock::now();
            engine = std::min(engine, seconds(e0, d));
        }
        std::printf(
            "  of which: passes %.1f ms (engine alone, one graph: %.1f ms), drawing %.1f ms\n",
            seconds(a, b) * 1e3, engine * 1e3, seconds(b, c) * 1e3);
    }
    std::printf("RedrawGraphs, 10 signals x 10 M samples, both graphs full range: %.1f ms\n",
                best * 1e3);
    std::printf("plain min/max scan of the same 2 x 100 M samples (baseline):    %.1f ms\n",
                bestPlain * 1e3);
    std::printf("ratio RedrawGraphs speed / baseline speed: %.2f%s\n", bestPlain / best,
                sink == 12345.0f ? " " : "");
    return 0;
}
