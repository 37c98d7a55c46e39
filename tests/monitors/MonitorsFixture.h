#pragma once
// A store, a replay clock driven tick by tick, the polygraph list and a graph engine:
// the whole replay path without a thread.
#include "monitors/GraphPass.h"

#include <functional>

namespace mv::test {

struct Replay {
    SignalStore store;
    ReplayClock clock{store};
    PolyGrafList list;
    GraphEngine engine{clock, list};

    explicit Replay(double fs) {
        clock.setFsPlay(fs);
        engine.round(); // joins the ring at the present
    }
    // Slot `slot` with n samples f(i) (i from 0) at rate fs.
    void load(int slot, int n, double fs, const std::function<float(int)>& f) {
        SignalRecord r;
        r.f_sampl = fs;
        SampleBuffer b = SampleBuffer::allocate(std::size_t(n));
        for (int i = 0; i < n; ++i)
            b[std::size_t(i)] = f(i);
        r.setData(std::move(b));
        store.installSignal(slot, std::move(r));
    }
    // `ticks` clock ticks, each followed by a graph round.
    void run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            clock.tick();
            while (engine.round() > 0) {
            }
        }
    }
    // A polygraph of the given plot size with one subgraph showing slot 1.
    std::shared_ptr<TPolyGraf> poly(TMonType t, int plotW, int plotH, const std::string& x) {
        PolyGrafDefinition def;
        def.texts[1] = std::string(kMonTypeNames[t]) + "|0";
        def.texts[2] =
            "0|0|" + std::to_string(plotW + 38) + "|" + std::to_string(plotH + 39) + "|0";
        def.texts[3] = x;
        auto p = list.create(def, clock.fsPlay());
        std::lock_guard lock(p->mutex);
        TSubGrafPar t0;
        t0._sYLgrid = "0";
        p->Add1SubGraf(t0, 0, clock.fsPlay());
        p->ReCalcSubGrafCoef(true);
        return p;
    }
};

// Rows of column x of the image that have colour c.
inline int countColour(const PixelImage& im, int x, std::uint32_t c) {
    int n = 0;
    for (int y = 0; y < im.height; ++y)
        n += im.at(x, y) == c ? 1 : 0;
    return n;
}

} // namespace mv::test
