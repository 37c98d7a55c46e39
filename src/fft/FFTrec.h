#pragma once
// The FFT engine: turns a stream of samples into windowed, weighted and averaged
// power spectra and the overall RMS level of the stream. One engine per FFT series
// and per SPL processing step; an engine is used by one thread at a time.
#include "fft/FFTTables.h"

#include <cstdint>
#include <span>
#include <vector>

namespace mv {

inline constexpr int kFFTRingLen = 66196;

enum FFTWindowType : std::uint8_t { fwRectangle = 0, fwHamming, fwHanning, fwFlatTop248D };
enum FFTAverType : std::uint8_t { faLinear = 0, faExp };
enum FFTWeighting : std::uint8_t { fwtL = 0, fwtA };

// Names of the pick lists, index = the value the engine takes.
extern const char* const kFFTLineNames[kFFTSizeCount]; // "8" .. "32768"
extern const char* const kFFTWindowNames[4];
extern const char* const kFFTAverNames[2];
extern const char* const kFFTWeightNames[2];
extern const char* const kFFTSpectTypeNames[5];

// What an engine computes: set whole at construction or Init, or changed with Configure.
struct FFTConfig {
    std::int32_t lines = 0; // N: a power of two in 8 .. 32768; frames are 2N samples
    double fs = 0.0;        // sampling rate of the samples [Hz]
    FFTWindowType window = fwRectangle;
    FFTAverType averType = faLinear;
    std::uint32_t averCnt = 0; // exponential averaging: the newest frame weighs 1 / (averCnt + 1)
    std::int32_t step = 0; // samples from one frame start to the next; 0 (or beyond the ring) = 2N
    FFTWeighting weighting = fwtL;
    bool operator==(const FFTConfig&) const = default;
};

class TFFTrec {
public:
    TFFTrec();
    // An engine initialised with cfg (see Init).
    explicit TFFTrec(const FFTConfig& cfg);
    TFFTrec(const TFFTrec&) = delete;
    TFFTrec& operator=(const TFFTrec&) = delete;
    TFFTrec(TFFTrec&&) = default;
    TFFTrec& operator=(TFFTrec&&) = default;

    // Starts afresh with cfg: empty ring, averaging restarted; Level and FirstLevel keep
    // their values. Returns false, and the engine takes no samples, for a line count that
    // is not a power of two in 8 .. 32768 (config().lines is then 0).
    bool Init(const FFTConfig& cfg);
    // Applies cfg to a running engine: a new line count or rate (or an engine not yet
    // initialised) starts afresh as Init does; window, weighting, step and averaging
    // change in place, keeping the samples in the ring and the running average.
    bool Configure(const FFTConfig& cfg);
    // Forgets the configuration; the next Configure starts afresh.
    void Reset() { cfg_.lines = 0; }
    // The next frame starts a new average.
    void RestartAveraging() { averDone_ = 0; }

    // Takes any number of samples (handed to the ring in pieces it can hold); returns the
    // number of frames completed.
    int AddSamples(std::span<const float> samples);

    const FFTConfig& config() const { return cfg_; }
    bool ready() const { return tables_ != nullptr && cfg_.lines > 0; }

    // Results.
    double Level() const { return level_; }          // RMS of the newest average
    float FirstLevel() const { return firstLevel_; } // Level after the first frame of a call
    std::int32_t AverDone() const { return averDone_; }
    double ENBW() const { return enbw_; }
    double NENBW() const { return nenbw_; }
    // Averaged power per line, lines 0 .. N.
    std::span<const double> Aver() const { return {aver_.data(), std::size_t(cfg_.lines) + 1}; }
    // Weight per line, lines 0 .. N (twice the squared weighting gain; line 0 once).
    std::span<const double> Weight() const { return {weight_.data(), std::size_t(cfg_.lines) + 1}; }
    // Display copy of the spectrum, lines 0 .. N, for the monitors.
    std::span<double> Disp() { return {disp_.data(), std::size_t(cfg_.lines) + 1}; }

private:
    void setWindow(int type);
    void setWeighting(int type);
    void takeChunk(const float* src, int count);
    void frame(bool firstOfCall);
    void transform();

    FFTConfig cfg_;
    const FFTTableSet* tables_ = nullptr;
    double level_ = 0.0;
    float firstLevel_ = 0.0f;
    std::int32_t averDone_ = 0;
    double enbw_ = 0.0, s1sq_ = 0.0, nenbw_ = 0.0;
    std::vector<float> ring_;
    std::int32_t pending_ = 0;
    std::int32_t frameCount_ = 0;
    std::int32_t wrPos_ = 0, rdPos_ = 0;
    std::vector<double> win_;                     // 2N used
    std::vector<double> re_, im_, weight_, aver_; // N + 1 used
    std::vector<double> disp_;                    // N + 1 used
};

} // namespace mv
