// SignalGridUpdate of all 200 rows with ten signals of 10 M samples loaded, against
// the same refresh of an empty store (the table must not depend on the length of
// the signals) and against a single read of all the samples (what touching them
// would cost). Runs offscreen.
#include "app/Workspace.h"
#include "core/FnColumns.h"
#include "core/ui/SignalGrid.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double timeUpdates(mv::TSignalGrid& grid, int reps) {
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i)
        grid.SignalGridUpdate(0);
    return seconds(t0, Clock::now()) / reps;
}

__attribute__((noinline)) double sumAll(const mv::SignalStore& s) {
    double acc = 0;
    for (int n = 1; n <= mv::kSlotCount; ++n)
        for (float v : s[n].Data.span())
            acc += v;
    return acc;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000ull;
    const int reps = 20;
    mv::Workspace ws;
    mv::NoFnColumns fns;
    mv::NullLog log;
    QWidget host;
    mv::TSignalGrid grid({ws.store, ws.settings, ws.readers, ws.actualDir, ws.decimalSeparator},
                         fns, log, &host, &host);
    // Statistics come from the graphs' column pass; the table only formats them.
    grid.statsOf = [](int) { return mv::WindowStats{1000, -1.5f, 2.5f, 0.25f, 1.125}; };
    host.resize(1600, 400);
    host.show();
    QCoreApplication::processEvents();

    const double empty = timeUpdates(grid, reps);
    for (int k = 1; k <= 10; ++k) {
        auto& r = ws.store[k];
        r.setData(mv::SampleBuffer::zeros(n));
        r.f_sampl = 4000;
        r.Plot = true;
        r.SigName = "signal_" + std::to_string(k);
    }
    const double loaded = timeUpdates(grid, reps);
    const auto s0 = Clock::now();
    volatile double sink = sumAll(ws.store);
    (void)sink;
    const double scan = seconds(s0, Clock::now());

    std::printf("SignalGridUpdate(0), 200 rows: empty store %.3f ms, ten x %zu samples %.3f ms "
                "(ratio %.2f, 1 = independent of the samples)\n",
                empty * 1e3, n, loaded * 1e3, loaded / empty);
    std::printf("one read of all samples %.1f ms; refresh / read = %.4f\n", scan * 1e3,
                loaded / scan);
    return 0;
}
