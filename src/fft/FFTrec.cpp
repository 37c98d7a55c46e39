#include "fft/FFTrec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace mv {

const char* const kFFTLineNames[kFFTSizeCount] = {
    "8", "16", "32", "64", "128", "256", "512", "1024", "2048", "4096", "8192", "16384", "32768"};
const char* const kFFTWindowNames[4] = {"Rectangle", "Hamming", "Hanning", "FlatTop248D"};
const char* const kFFTAverNames[2] = {"Linear", "Exp"};
const char* const kFFTWeightNames[2] = {"L", "A"};
const char* const kFFTSpectTypeNames[5] = {"LS", "PS", "LSD", "PSD", "PSD dB"};

TFFTrec::TFFTrec()
    : ring_(kFFTRingLen, 0.0f), win_(2 * kFFTMaxSize, 0.0), re_(kFFTMaxSize + 1, 0.0),
      im_(kFFTMaxSize + 1, 0.0), weight_(kFFTMaxSize + 1, 0.0), aver_(kFFTMaxSize + 1, 0.0),
      disp_(kFFTMaxSize + 1, 0.0), reWork_(kFFTMaxSize + 1, 0.0), imWork_(kFFTMaxSize + 1, 0.0) {}

TFFTrec::TFFTrec(const FFTConfig& cfg) : TFFTrec() {
    Init(cfg);
}

namespace {
// A frame step outside the ring would read samples that are not there.
std::int32_t validStep(std::int32_t step, std::int32_t lines) {
    return step < 1 || step > kFFTRingLen ? 2 * lines : step;
}
} // namespace

bool TFFTrec::Init(const FFTConfig& cfg) {
    tables_ = FFTTables(cfg.lines);
    cfg_ = cfg;
    if (!tables_) {
        cfg_.lines = 0;
        return false;
    }
    wrPos_ = 0;
    rdPos_ = 0;
    pending_ = 0;
    cfg_.step = validStep(cfg.step, cfg.lines);
    averDone_ = 0;
    std::fill(aver_.begin(), aver_.begin() + cfg_.lines + 1, 0.0);
    setWindow(cfg.window);
    setWeighting(cfg.weighting);
    return true;
}

bool TFFTrec::Configure(const FFTConfig& cfg) {
    if (!ready() || cfg.lines != cfg_.lines || cfg.fs != cfg_.fs)
        return Init(cfg);
    if (cfg.window != cfg_.window)
        setWindow(cfg.window);
    if (cfg.weighting != cfg_.weighting)
        setWeighting(cfg.weighting);
    cfg_.averType = cfg.averType;
    cfg_.averCnt = cfg.averCnt;
    cfg_.step = validStep(cfg.step, cfg_.lines);
    return true;
}

void TFFTrec::setWindow(int t) {
    const int len = 2 * cfg_.lines;
    const double pi = std::numbers::pi;
    double s1 = 0.0, s2 = 0.0;
    for (int i = 0; i < len; ++i) {
        const double x = 2.0 * pi * i / len;
        double w = 1.0;
        switch (t) {
        case fwHamming:
            w = 0.54 - 0.46 * std::cos(x);
            break;
        case fwHanning: {
            const double c = std::cos((x - pi) / 2.0);
            w = c * c;
            break;
        }
        case fwFlatTop248D:
            w = 1.0 - 1.985844164102 * std::cos(x) + 1.791176438506 * std::cos(2 * x) -
                1.282075284005 * std::cos(3 * x) + 0.667777530266 * std::cos(4 * x) -
                0.240160796576 * std::cos(5 * x) + 0.056656381764 * std::cos(6 * x) -
                0.008134974479 * std::cos(7 * x) + 0.00062454465 * std::cos(8 * x) -
                1.9808998e-5 * std::cos(9 * x) + 1.32974e-7 * std::cos(10 * x);
            break;
        default:
            break;
        }
        win_[i] = w;
        s1 += w;
        s2 += w * w;
    }
    if (len > 0) {
        s1sq_ = s1 * s1;
        nenbw_ = len * s2 / s1sq_;
        enbw_ = cfg_.fs * s2 / s1sq_;
    }
    cfg_.window = static_cast<FFTWindowType>(t);
}

void TFFTrec::setWeighting(int t) {
    const int lines = cfg_.lines;
    const double fs = cfg_.fs;
    for (int k = 0; k <= lines; ++k) {
        if (t == fwtA) {
            const double f = k * fs / (2.0 * lines);
            const double e = f * f;
            const double p1 = e + 424.31867740600904, p4 = e + 148698928.24308902;
            weight_[k] = 2.0 * (e * e * e * e) * 3.5041384e16 /
                         (p1 * p1 * (e + 11589.0930520225) * (e + 544440.6704605728) * p4 * p4);
        } else {
            weight_[k] = 2.0;
        }
    }
    if (lines > 0)
        weight_[0] /= 2.0;
    cfg_.weighting = static_cast<FFTWeighting>(t);
}

int TFFTrec::AddSamples(std::span<const float> samples) {
    frameCount_ = 0;
    if (!ready() || samples.empty())
        return 0;
    const int lines = cfg_.lines;
    // Hand the samples over in pieces the ring can hold without overwriting samples
    // that no frame has read yet; an ordinary call is one piece.
    const float* src = samples.data();
    std::size_t left = samples.size();
    bool first = true;
    while (left > 0) {
        const int room = std::min(kFFTRingLen, kFFTRingLen - std::max(pending_, 0));
        const int piece =
            static_cast<int>(std::min<std::size_t>(left, std::size_t(std::max(room, 1))));
        takeChunk(src, piece);
        src += piece;
        left -= std::size_t(piece);
        while (pending_ >= 2 * lines) {
            frame(first);
            first = false;
        }
    }
    return frameCount_;
}

void TFFTrec::takeChunk(const float* src, int count) {
    const int toEnd = std::min(count, kFFTRingLen - wrPos_);
    std::memcpy(ring_.data() + wrPos_, src, sizeof(float) * static_cast<std::size_t>(toEnd));
    if (count > toEnd)
        std::memcpy(ring_.data(), src + toEnd,
                    sizeof(float) * static_cast<std::size_t>(count - toEnd));
    wrPos_ = (wrPos_ + count) % kFFTRingLen;
    pending_ += count;
}

void TFFTrec::frame(bool firstOfCall) {
    const int n = cfg_.lines;
    double* re = re_.data();
    double* im = im_.data();
    const double* win = win_.data();
    const float* ring = ring_.data();
    // Pack the 2N windowed real samples as N complex values. The ring's length is even and
    // frames start at even offsets only when the step is even, so a frame may wrap between
    // the two samples of a pair: pack in two straight runs.
    const int first = std::min(2 * n, kFFTRingLen - rdPos_);
    const float* a = ring + rdPos_;
    auto sample = [&](int j) { return j < first ? a[j] : ring[j - first]; };
    const int straight = first / 2;
    for (int i = 0; i < straight; ++i) {
        re[i] = a[2 * i] * win[2 * i];
        im[i] = a[2 * i + 1] * win[2 * i + 1];
    }
    for (int i = straight; i < n; ++i) {
        re[i] = sample(2 * i) * win[2 * i];
        im[i] = sample(2 * i + 1) * win[2 * i + 1];
    }
    transform();

    // Split the N-point complex transform into the spectrum of the 2N real samples. The
    // transform is still in bit-reversed order; reading it through the permutation here
    // saves a pass of scattered exchanges. Line N stands for line 0.
    const std::int32_t* rev = tables_->bitRev.data();
    const double* ss = tables_->splitSin.data();
    const double* sc = tables_->splitCos.data();
    double* outRe = reWork_.data();
    double* outIm = imWork_.data();
    for (int k = 0; k <= n / 2; ++k) {
        const int p0 = rev[k], p1 = k == 0 ? 0 : rev[n - k];
        const double s = ss[k], c = sc[k];
        const double a = re[p0], b = re[p1], g = im[p0], u = im[p1];
        const double p = (g + u) * c - (a - b) * s;
        const double q = (a - b) * c + (g + u) * s;
        outRe[k] = (a + b + p) / 2.0;
        outIm[k] = (g - u - q) / 2.0;
        outRe[n - k] = (a + b - p) / 2.0;
        outIm[n - k] = (-q - (g - u)) / 2.0;
    }
    re_.swap(reWork_);
    im_.swap(imWork_);
    re = re_.data();
    im = im_.data();

    if (cfg_.averType == faExp)
        averDone_ = static_cast<std::int32_t>(cfg_.averCnt);
    const double done = averDone_;
    const double inv = 1.0 / s1sq_;
    double* aver = aver_.data();
    const double* weight = weight_.data();
    double sum = 0.0;
    for (int k = 0; k <= n; ++k) {
        aver[k] =
            (done * aver[k] + weight[k] * (re[k] * re[k] + im[k] * im[k]) * inv) / (done + 1.0);
        sum += aver[k];
    }
    ++averDone_;
    level_ = std::sqrt(sum / nenbw_);
    if (firstOfCall)
        firstLevel_ = static_cast<float>(level_);

    rdPos_ += cfg_.step;
    if (rdPos_ > kFFTRingLen - 1)
        rdPos_ -= kFFTRingLen;
    pending_ -= cfg_.step;
    ++frameCount_;
}

namespace {

// One stage of half-span h over the groups of [a0, a0 + len): group a takes its twiddle
// from rev[a / h].
void stage(double* re, double* im, int a0, int len, int h, const std::int32_t* rev,
           const double* cosT, const double* sinT) {
    const int shift = __builtin_ctz(static_cast<unsigned>(h)); // h is a power of two
    for (int a = a0; a < a0 + len; a += 2 * h) {
        const int t = rev[a >> shift];
        const double c = cosT[t], s = sinT[t];
        double* r0 = re + a;
        double* i0 = im + a;
        double* r1 = re + a + h;
        double* i1 = im + a + h;
        for (int i = 0; i < h; ++i) {
            const double e = r1[i] * c + i1[i] * s;
            const double g = i1[i] * c - r1[i] * s;
            r1[i] = r0[i] - e;
            i1[i] = i0[i] - g;
            r0[i] = r0[i] + e;
            i0[i] = i0[i] + g;
        }
    }
}

// Blocks of this many values run all their remaining stages while they sit in the cache.
constexpr int kCacheBlock = 2048;

// All stages of the block [a0, a0 + len): a stage of half-span h only mixes values within
// blocks of 2h, so after the block's first stage its halves go on independently. Every
// value gets the same operations as in stage-by-stage order.
void stagesOf(double* re, double* im, int a0, int len, const std::int32_t* rev, const double* cosT,
              const double* sinT) {
    if (len <= kCacheBlock) {
        for (int h = len / 2; h >= 1; h /= 2)
            stage(re, im, a0, len, h, rev, cosT, sinT);
        return;
    }
    stage(re, im, a0, len, len / 2, rev, cosT, sinT);
    stagesOf(re, im, a0, len / 2, rev, cosT, sinT);
    stagesOf(re, im, a0 + len / 2, len / 2, rev, cosT, sinT);
}

} // namespace

// Radix-2 transform in place; one twiddle per group, taken in bit-reversed order. The result
// stays in bit-reversed order: the split reads it from there.
void TFFTrec::transform() {
    const int n = cfg_.lines;
    double* re = re_.data();
    double* im = im_.data();
    const std::int32_t* rev = tables_->bitRev.data();
    stagesOf(re, im, 0, n, rev, tables_->cosTab.data(), tables_->sinTab.data());
}

} // namespace mv
