#pragma once
// The replay clock: every 10 ms tick copies the next samples of every slot into a ring of
// 200 rows x 66 000 values at the replay rate fs_play, whether or not a replay runs (zeros
// then), so the polygraphs keep moving. The graph thread reads the ring behind it.
//
// The ring is single-producer, single-consumer. Its values are atomics (release stores,
// acquire loads: plain moves on x86), so a reader that lags a whole ring behind reads
// stale values without a data race; the counters tell it that it did (`claimed` is raised
// before a tick writes, `total` after), and it throws such a stretch away instead of
// drawing it.
#include "core/SignalStore.h"
#include "monitors/ReplayCounter.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace mv {

inline constexpr int kRingRows = 200;
inline constexpr int kRingLen = 66000;

class ReplayRing {
public:
    ReplayRing();
    // Row of slot n (1..200).
    std::atomic<float>* row(int slot) {
        return cells_.get() + std::size_t(slot - 1) * std::size_t(kRingLen);
    }
    const std::atomic<float>* row(int slot) const {
        return cells_.get() + std::size_t(slot - 1) * std::size_t(kRingLen);
    }
    // Samples ever written, published after the values (release).
    std::int64_t total() const { return total_.load(std::memory_order_acquire); }
    // Samples a tick has started to write: values of positions below claimed - kRingLen
    // may be overwritten from now on.
    std::int64_t claimed() const { return claimed_.load(std::memory_order_relaxed); }

private:
    friend class ReplayClock;
    std::unique_ptr<std::atomic<float>[]> cells_;
    std::atomic<std::int64_t> total_{0};
    std::atomic<std::int64_t> claimed_{0};
};

// What the clock reports to the window every 21st tick: samples remaining (0 = the
// replay ended) for the replay of that generation.
struct ReplayStatus {
    std::uint64_t generation = 0;
    std::int64_t remaining = 0;
};

class ReplayClock {
public:
    ReplayClock(const SignalStore& store, ReplayCounter* counter = nullptr);

    void setFsPlay(double hz) { fsPlay_.store(hz, std::memory_order_relaxed); }
    double fsPlay() const { return fsPlay_.load(std::memory_order_relaxed); }

    // "Plot signals" down: the window t1..t2 of every signal from time 0 at fs_play.
    // Returns the generation of the new replay.
    std::uint64_t startReplay(double t1, double t2);
    // "Plot signals" up.
    void stopReplay();

    // One 10 ms tick; `report` (may be empty) gets the status every 21st tick.
    void tick(const std::function<void(ReplayStatus)>& report = {});

    const ReplayRing& ring() const { return ring_; }
    const SignalStore& store() const { return store_; }
    std::uint32_t ticks() const { return k_.load(std::memory_order_acquire); }
    bool playing() const;
    double replayTime() const;
    std::int64_t remaining() const;
    std::uint64_t generation() const;

    // Samples for tick k (1-based): round((k+1) fs/100) - round(k fs/100), so that the
    // rate has no long-term drift.
    static int samplesForTick(std::uint32_t k, double fsPlay);

private:
    const SignalStore& store_;
    ReplayCounter* counter_;
    ReplayRing ring_;
    std::atomic<double> fsPlay_{1000.0};
    std::atomic<std::uint32_t> k_{0};
    int wrPos_ = 0; // the tick's own: only tick() touches it

    mutable std::mutex stateMutex_;
    std::int64_t readPos_ = 1;   // 1-based sample number
    std::int64_t remaining_ = 0; // 0 = not replaying
    std::uint32_t playTicks_ = 0;
    bool playing_ = false;
    std::uint64_t generation_ = 0;
};

// The clock on a thread of its own: ticks every 10 ms against a steady clock (a late tick
// is caught up, so replay time stays ticks / 100). Stops and joins in stop() or the
// destructor.
class ReplayClockThread {
public:
    ReplayClockThread(ReplayClock& clock, std::function<void(ReplayStatus)> report);
    ~ReplayClockThread();
    ReplayClockThread(const ReplayClockThread&) = delete;
    ReplayClockThread& operator=(const ReplayClockThread&) = delete;
    void stop();

private:
    ReplayClock& clock_;
    std::function<void(ReplayStatus)> report_;
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace mv
