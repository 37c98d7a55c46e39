// The replay on real threads: the clock thread and the graph thread run for a second
// while this thread, standing in for the user interface, clears and reloads the replayed
// slot, resizes a polygraph and adds and removes another. Run under ThreadSanitizer and
// AddressSanitizer by the check script.
#include "monitors/GraphPass.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

namespace mv {
namespace {

void load(SignalStore& store, int slot, int n, double fs, float v) {
    SignalRecord r;
    r.f_sampl = fs;
    SampleBuffer b = SampleBuffer::allocate(std::size_t(n));
    for (int i = 0; i < n; ++i)
        b[std::size_t(i)] = v;
    r.setData(std::move(b));
    store.installSignal(slot, std::move(r));
}

TEST(ReplayThread, ClockAndGraphThreadsBesideTheUserInterface) {
    constexpr double fs = 20000;
    SignalStore store;
    ReplayClock clock(store);
    clock.setFsPlay(fs);
    PolyGrafList list;
    GraphEngine engine(clock, list);
    std::atomic<int> changes{0};
    std::atomic<std::int64_t> wrongValues{0};
    // Every value a pass sees is one the signals hold, or a zero.
    engine.afterPass = [&](TPolyGraf&, const RoundData& d) {
        for (float v : d.row(1))
            if (v != 0.0f && v != 1.0f && v != 2.0f)
                wrongValues.fetch_add(1);
    };
    load(store, 1, 30000, fs, 1.0f);
    PolyGrafDefinition def;
    def.texts[2] = "0|0|538|239|0";
    def.texts[3] = "0|1|0";
    auto p = list.create(def, fs);
    {
        std::lock_guard lock(p->mutex);
        TSubGrafPar t;
        for (int s = 0; s < kMaxSeries; ++s)
            t.SerPar[std::size_t(s)].SigNo = 1;
        p->Add1SubGraf(t, 0, fs);
        p->Add1SubGraf(t, 1, fs);
        p->ReCalcSubGrafCoef(true);
    }
    std::vector<ReplayStatus> reports;
    std::mutex reportMutex;
    {
        ReplayClockThread clockThread(clock, [&](ReplayStatus s) {
            std::lock_guard lock(reportMutex);
            reports.push_back(s);
        });
        GraphThread graphThread(engine, [&](TPolyGraf&) { changes.fetch_add(1); });
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        int round = 0;
        std::shared_ptr<TPolyGraf> other;
        while (std::chrono::steady_clock::now() < until) {
            ++round;
            clock.startReplay(-0.01 * (round % 3), 5.0);
            store.ClearSlot(1);
            load(store, 1, 100 + (round * 997) % 30000, fs, round % 2 ? 1.0f : 2.0f);
            {
                std::lock_guard lock(p->mutex);
                p->SetSize({0, 0, 400 + (round * 37) % 600, 150 + (round * 53) % 400}, fs);
                p->ReCalcSubGrafCoef(false);
                if (round % 5 == 0)
                    p->SetPolyGrafMonType(TMonType(round / 5 % 4), fs);
            }
            if (round % 4 == 0) {
                if (other) {
                    list.remove(other.get());
                    other.reset();
                } else {
                    other = list.create(def, fs);
                    std::lock_guard lock(other->mutex);
                    other->Add1SubGraf(TSubGrafPar{}, 2, fs);
                    other->ReCalcSubGrafCoef(true);
                }
            }
            if (round % 7 == 0)
                clock.stopReplay();
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        graphThread.stop();
        clockThread.stop();
    }
    EXPECT_GT(clock.ticks(), 0u); // how many depends on the machine's load
    EXPECT_GT(changes.load(), 0); // few under a sanitizer: the point is that it ran
    EXPECT_EQ(wrongValues.load(), 0);
    EXPECT_FALSE(reports.empty());
    // Replay time is ticks / 100 and a stale report names its own replay.
    const auto gen = clock.generation();
    for (const auto& r : reports)
        EXPECT_LE(r.generation, gen);
}

} // namespace
} // namespace mv
