#pragma once
// The FFT engine: turns a stream of samples into windowed, weighted and averaged
// power spectra and the overall RMS level of the stream. One engine per FFT series
// and per SPL processing step; an engine is used by one thread at a time.
#include "fft/FFTTables.h"

#include <cstdint>
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

class TFFTrec {
public:
    TFFTrec();
    TFFTrec(const TFFTrec&) = delete;
    TFFTrec& operator=(const TFFTrec&) = delete;
    TFFTrec(TFFTrec&&) = default;
    TFFTrec& operator=(TFFTrec&&) = default;

    // The caller sets Lines and fs first. Returns false (and leaves Lines = 0) for a line
    // count that is not a power of two in 8 .. 32768.
    bool Init();
    double SetWindow(int type);
    void SetWeighting(int type);
    // The caller sets Src and SrcCount first; returns the number of frames completed.
    int AddSamples();

    std::int32_t Lines = 0;
    std::uint8_t WinType = 0;
    std::uint8_t AverType = 0;
    std::uint32_t AverCnt = 0;
    std::int32_t Step = 0;
    std::uint8_t FreqWeight = 0;
    double fs = 0.0;
    double Level = 0.0;
    std::int32_t AverDone = 0;
    double ENBW = 0.0;
    double S1sq = 0.0;
    double NENBW = 0.0;
    const float* Src = nullptr;
    std::vector<float> Ring;
    float FirstLevel = 0.0f;
    std::int32_t SrcCount = 0;
    std::int32_t Pending = 0;
    std::int32_t FrameCount = 0;
    std::int32_t WrPos = 0, RdPos = 0;
    std::vector<double> Win;                  // 2N used
    std::vector<double> Re, Im, Weight, Aver; // N + 1 used
    std::vector<double> Disp;                 // N + 1 used, for the display
    const FFTTableSet* tables = nullptr;

private:
    std::vector<double> ReWork, ImWork; // the split writes here, then trades places with Re, Im
    void takeChunk(const float* src, int count);
    void frame(bool firstOfCall);
    void transform();
};

} // namespace mv
