#pragma once
// How many samples the replay has sent to the Monitors window so far. The replay clock
// thread advances it; the processing functions on the UI thread read it (the
// "Increment" shape counts on from it). It belongs to the monitors, which own the replay.
#include <atomic>
#include <cstdint>

namespace mv {

class ReplayCounter {
public:
    // The replay thread: `n` more samples are out. Release, so that a reader that sees
    // the new count also sees the samples written before it.
    void advance(std::int64_t n) { samples_.fetch_add(n, std::memory_order_release); }
    void reset() { samples_.store(0, std::memory_order_release); }
    std::int64_t load() const { return samples_.load(std::memory_order_acquire); }
    // For the processing chains, which cannot see the monitors' types.
    const std::atomic<std::int64_t>& atomic() const { return samples_; }

private:
    std::atomic<std::int64_t> samples_{0};
};

} // namespace mv
