#pragma once
// The list of polygraphs and the graph thread's round: take the new stretch of the replay
// ring, and for every polygraph turn it into pixel columns of its image (Scroll, Scope),
// lines (XY) or averaged spectra (FFT).
#include "monitors/PolyGrafUnit.h"
#include "monitors/ReplayClock.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace mv {

// Owns every polygraph. The user-interface thread adds and removes them; the graph thread
// takes a snapshot per round, so a polygraph removed meanwhile lives until that round ends.
class PolyGrafList {
public:
    std::shared_ptr<TPolyGraf> create(const PolyGrafDefinition& def, double fsPlay);
    void remove(const TPolyGraf* p);
    void clear();
    std::vector<std::shared_ptr<TPolyGraf>> snapshot() const;
    int count() const;
    // Subgraphs of all polygraphs (locks each in turn; not while holding one).
    int subGrafTotal() const;

    // The last used settings (user-interface thread only).
    MonitorDefaults defaults;

private:
    mutable std::mutex m_;
    std::vector<std::shared_ptr<TPolyGraf>> list_;
};

// What one round hands to each pass.
struct RoundData {
    // Values of ring row `slot` for this round (n of them).
    std::span<const float> row(int slot) const {
        return {staged + std::size_t(slot - 1) * std::size_t(stride), std::size_t(n)};
    }
    const float* staged = nullptr;
    int stride = 0;
    int n = 0;
    std::int32_t samplePeriod_us = 1000;
    double fsPlay = 1000;
    bool valueTick = false;
    bool playing = false;
    double replayTime = 0;
};

// The passes of one polygraph over one round; the caller holds the polygraph's mutex.
void Scr_TimePolyGrafProc(TPolyGraf& p, const RoundData& d);
void Scr_XYPolyGrafProc(TPolyGraf& p, const RoundData& d);
int FFT_Process(TPolyGraf& p, const RoundData& d);
void FFT_PolyGrafProc(TPolyGraf& p, const RoundData& d);
// Fixed-point text of a value with `dec` decimals (the "Sig val." cells).
std::string valueText(float v, int dec);

class GraphEngine {
public:
    // Longest stretch handled in one round; the rest comes next round.
    static constexpr int kMaxRound = 8192;

    GraphEngine(const ReplayClock& clock, PolyGrafList& list);

    // One round; returns the samples handled (0: nothing new). `changed` is called for
    // each polygraph whose image changed, without its lock held.
    int round(const std::function<void(TPolyGraf&)>& changed = {});

    // Per polygraph after its pass, its lock held (the strip chart's hook).
    std::function<void(TPolyGraf&, const RoundData&)> afterPass;

    std::int64_t consumed() const { return consumed_; }
    // Stretches thrown away because the clock had overwritten them.
    std::int64_t overruns() const { return overruns_; }

private:
    const ReplayClock& clock_;
    PolyGrafList& list_;
    std::vector<float> staged_;
    std::int64_t consumed_ = -1;
    int readPos_ = 0;
    std::uint32_t lastValueBlock_ = 0;
    std::int64_t overruns_ = 0;
};

// The graph thread: a round whenever there is something new, else a 10 ms sleep.
class GraphThread {
public:
    GraphThread(GraphEngine& engine, std::function<void(TPolyGraf&)> changed);
    ~GraphThread();
    GraphThread(const GraphThread&) = delete;
    GraphThread& operator=(const GraphThread&) = delete;
    void stop();

private:
    GraphEngine& engine_;
    std::function<void(TPolyGraf&)> changed_;
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace mv
