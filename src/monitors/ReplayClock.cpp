#include "monitors/ReplayClock.h"

#include <cmath>

namespace mv {

ReplayRing::ReplayRing()
    : cells_(new std::atomic<float>[std::size_t(kRingRows) * std::size_t(kRingLen)]) {
    for (std::size_t i = 0; i < std::size_t(kRingRows) * std::size_t(kRingLen); ++i)
        cells_[i].store(0.0f, std::memory_order_relaxed);
}

ReplayClock::ReplayClock(const SignalStore& store, ReplayCounter* counter)
    : store_(store), counter_(counter) {}

int ReplayClock::samplesForTick(std::uint32_t k, double fs) {
    if (!(fs > 0) || fs > 1e7)
        return 0;
    const double a = std::nearbyint((double(k) + 1) * fs / 100.0);
    const double b = std::nearbyint(double(k) * fs / 100.0);
    return int(a - b);
}

std::uint64_t ReplayClock::startReplay(double t1, double t2) {
    const double fs = fsPlay();
    std::lock_guard lock(stateMutex_);
    ++generation_;
    playTicks_ = 0;
    const double a = std::nearbyint(t1 * fs), b = std::nearbyint(t2 * fs);
    // Computed in double; a window that does not fit is not replayed at all.
    if (!(fs > 0) || !std::isfinite(a) || !std::isfinite(b) || b < a || std::abs(a) > 9e15 ||
        b - a + 1 > 9e15) {
        remaining_ = 0;
        playing_ = false;
        return generation_;
    }
    readPos_ = std::int64_t(a) + 1;
    remaining_ = std::int64_t(b - a) + 1;
    playing_ = true;
    return generation_;
}

void ReplayClock::stopReplay() {
    std::lock_guard lock(stateMutex_);
    playing_ = false;
    remaining_ = 0;
}

bool ReplayClock::playing() const {
    std::lock_guard lock(stateMutex_);
    return playing_;
}
double ReplayClock::replayTime() const {
    std::lock_guard lock(stateMutex_);
    return playTicks_ / 100.0;
}
std::int64_t ReplayClock::remaining() const {
    std::lock_guard lock(stateMutex_);
    return remaining_;
}
std::uint64_t ReplayClock::generation() const {
    std::lock_guard lock(stateMutex_);
    return generation_;
}

void ReplayClock::tick(const std::function<void(ReplayStatus)>& report) {
    const double fs = fsPlay();
    const std::uint32_t k = k_.load(std::memory_order_relaxed) + 1;
    const int n = std::min(samplesForTick(k, fs), kRingLen);
    ReplayStatus status;
    {
        std::lock_guard lock(stateMutex_);
        // Real samples this tick: the last tick of a replay copies what is left, then zeros.
        std::int64_t real = 0;
        if (remaining_ > 0) {
            real = std::min<std::int64_t>(remaining_, n);
            ++playTicks_;
        }
        const std::int64_t start = ring_.total_.load(std::memory_order_relaxed);
        ring_.claimed_.store(start + n, std::memory_order_relaxed);
        {
            const auto guard = store_.readGuard();
            for (int slot = 1; slot <= kRingRows; ++slot) {
                const SignalRecord& r = store_[slot];
                const bool live = real > 0 && r.SampleCount > 0 && r.f_sampl == fs && r.Data &&
                                  std::size_t(r.SampleCount) <= r.Data.size();
                std::atomic<float>* row = ring_.row(slot);
                int pos = wrPos_;
                for (int i = 0; i < n; ++i) {
                    const std::int64_t s = readPos_ + i; // 1-based sample number
                    float v = 0.0f;
                    if (live && i < real && s >= 1 && s <= r.SampleCount)
                        v = r.Data[std::size_t(s - 1)];
                    // Release: a reader that sees this value also sees the raised claim.
                    row[pos].store(v, std::memory_order_release);
                    if (++pos == kRingLen)
                        pos = 0;
                }
            }
        }
        wrPos_ = int((wrPos_ + n) % kRingLen);
        if (remaining_ > 0) {
            readPos_ += real;
            remaining_ -= real;
            if (remaining_ == 0)
                playing_ = false;
        }
        status = {generation_, remaining_};
        ring_.total_.store(start + n, std::memory_order_release);
    }
    k_.store(k, std::memory_order_release);
    if (counter_)
        counter_->advance(n);
    if (k % 21 == 0 && report)
        report(status);
}

ReplayClockThread::ReplayClockThread(ReplayClock& clock, std::function<void(ReplayStatus)> report)
    : clock_(clock), report_(std::move(report)) {
    thread_ = std::thread([this] {
        using namespace std::chrono;
        auto next = steady_clock::now();
        std::unique_lock lock(m_);
        while (!stop_) {
            next += milliseconds(10);
            if (cv_.wait_until(lock, next, [this] { return stop_; }))
                break;
            lock.unlock();
            clock_.tick(report_);
            lock.lock();
        }
    });
}

ReplayClockThread::~ReplayClockThread() {
    stop();
}

void ReplayClockThread::stop() {
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

} // namespace mv
