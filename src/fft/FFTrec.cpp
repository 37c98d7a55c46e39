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
      disp_(kFFTMaxSize + 1, 0.0) {}

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

    // Split the N-point complex transform into the spectrum of the 2N real samples and
    // average its weighted power in the same pass: lines k and N - k come from the same two
    // values of the transform. The transform is still in bit-reversed order; reading it
    // through the permutation here saves a pass of scattered exchanges. Line N stands for
    // line 0.
    if (cfg_.averType == faExp)
        averDone_ = static_cast<std::int32_t>(cfg_.averCnt);
    const double done = averDone_;
    const double keep = done / (done + 1.0);
    const double scale = 1.0 / (s1sq_ * (done + 1.0));
    double* aver = aver_.data();
    const double* weight = weight_.data();
    const std::int32_t* rev = tables_->bitRev.data();
    const double* ss = tables_->splitSin.data();
    const double* sc = tables_->splitCos.data();
    double sumLow = 0.0, sumHigh = 0.0;
    const auto add = [&](int k, double r, double i) {
        const double v = keep * aver[k] + weight[k] * (r * r + i * i) * scale;
        aver[k] = v;
        return v;
    };
    for (int k = 0; k <= n / 2; ++k) {
        const int p0 = rev[k], p1 = k == 0 ? 0 : rev[n - k];
        const double s = ss[k], c = sc[k];
        const double a = re[p0], b = re[p1], g = im[p0], u = im[p1];
        const double p = (g + u) * c - (a - b) * s;
        const double q = (a - b) * c + (g + u) * s;
        if (k < n - k)
            sumLow += add(k, (a + b + p) * 0.5, (g - u - q) * 0.5);
        sumHigh += add(n - k, (a + b - p) * 0.5, (-q - (g - u)) * 0.5);
    }
    const double sum = sumLow + sumHigh;
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

// The butterflies are built twice, for processors with AVX2 (four doubles a step) and for
// any x86-64, and the loader picks one at start. Without FMA, both do the same roundings.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) &&                             \
    !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define MV_FFT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MV_FFT_CLONES
#endif

// The transform runs by decimation in frequency: a stage of half-span h takes the pairs
// (a + j, a + j + h) of each group a of 2h values to their sum and to their difference
// turned by W_2h^j = e^(-2 pi i j / 2h). The twiddles of a stage are the same for every
// group and lie side by side in the table (tw + h - 1), so the inner loops read memory in
// order and vectorise; the last two stages turn by 1 and -i only. The result comes out
// in bit-reversed order, as the split wants it.
struct Twiddles {
    const double* c;
    const double* s;
};

// Four doubles side by side; on a processor without AVX2 the compiler makes two SSE2
// halves of each operation. These helpers are always inlined and never cross a library
// boundary, so the note about how such values are passed between functions does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
typedef double V4 __attribute__((vector_size(32)));
[[gnu::always_inline]] inline V4 load4(const double* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
[[gnu::always_inline]] inline void store4(double* p, const V4& v) {
    std::memcpy(p, &v, sizeof v);
}

// One radix-4 step of stagePair on the values x0 .. x3 (each of type T: a double or four).
template <class T>
struct Quad {
    T r0, i0, r1, i1, r2, i2, r3, i3;
    [[gnu::always_inline]] void turn(const T& c2, const T& s2, const T& c2q, const T& s2q,
                                     const T& c1, const T& s1) {
        // Half-span 2q: (0, 2) turned by W_4q^j, (1, 3) by W_4q^(q + j).
        const T dr02 = r0 - r2, di02 = i0 - i2;
        const T dr13 = r1 - r3, di13 = i1 - i3;
        const T y0r = r0 + r2, y0i = i0 + i2;
        const T y1r = r1 + r3, y1i = i1 + i3;
        const T y2r = dr02 * c2 + di02 * s2;
        const T y2i = di02 * c2 - dr02 * s2;
        const T y3r = dr13 * c2q + di13 * s2q;
        const T y3i = di13 * c2q - dr13 * s2q;
        // Half-span q: (0, 1) and (2, 3), both turned by W_2q^j.
        const T d01r = y0r - y1r, d01i = y0i - y1i;
        const T d23r = y2r - y3r, d23i = y2i - y3i;
        r0 = y0r + y1r;
        i0 = y0i + y1i;
        r1 = d01r * c1 + d01i * s1;
        i1 = d01i * c1 - d01r * s1;
        r2 = y2r + y3r;
        i2 = y2i + y3i;
        r3 = d23r * c1 + d23i * s1;
        i3 = d23i * c1 - d23r * s1;
    }
};

// Stages of half-span 2q and q in one pass over the groups of 4q values of [a0, a0 + len).
MV_FFT_CLONES void stagePair(double* re, double* im, int a0, int len, int q, Twiddles tw) {
    const double* c2 = tw.c + 2 * q - 1; // W_4q^j
    const double* s2 = tw.s + 2 * q - 1;
    const double* c1 = tw.c + q - 1; // W_2q^j
    const double* s1 = tw.s + q - 1;
    for (int a = a0; a < a0 + len; a += 4 * q) {
        double* r = re + a;
        double* i = im + a;
        int j = 0;
        for (; j + 4 <= q; j += 4) {
            Quad<V4> x{load4(r + j),         load4(i + j),         load4(r + q + j),
                       load4(i + q + j),     load4(r + 2 * q + j), load4(i + 2 * q + j),
                       load4(r + 3 * q + j), load4(i + 3 * q + j)};
            x.turn(load4(c2 + j), load4(s2 + j), load4(c2 + q + j), load4(s2 + q + j),
                   load4(c1 + j), load4(s1 + j));
            store4(r + j, x.r0);
            store4(i + j, x.i0);
            store4(r + q + j, x.r1);
            store4(i + q + j, x.i1);
            store4(r + 2 * q + j, x.r2);
            store4(i + 2 * q + j, x.i2);
            store4(r + 3 * q + j, x.r3);
            store4(i + 3 * q + j, x.i3);
        }
        for (; j < q; ++j) {
            Quad<double> x{r[j],         i[j],         r[q + j],     i[q + j],
                           r[2 * q + j], i[2 * q + j], r[3 * q + j], i[3 * q + j]};
            x.turn(c2[j], s2[j], c2[q + j], s2[q + j], c1[j], s1[j]);
            r[j] = x.r0;
            i[j] = x.i0;
            r[q + j] = x.r1;
            i[q + j] = x.i1;
            r[2 * q + j] = x.r2;
            i[2 * q + j] = x.i2;
            r[3 * q + j] = x.r3;
            i[3 * q + j] = x.i3;
        }
    }
}

#pragma GCC diagnostic pop

// One stage of half-span h over [a0, a0 + len).
MV_FFT_CLONES void stageOne(double* __restrict re, double* __restrict im, int a0, int len, int h,
                            Twiddles tw) {
    const double* c = tw.c + h - 1;
    const double* s = tw.s + h - 1;
    for (int a = a0; a < a0 + len; a += 2 * h) {
        double* r0 = re + a;
        double* i0 = im + a;
        double* r1 = r0 + h;
        double* i1 = i0 + h;
        for (int j = 0; j < h; ++j) {
            const double dr = r0[j] - r1[j], di = i0[j] - i1[j];
            r0[j] = r0[j] + r1[j];
            i0[j] = i0[j] + i1[j];
            r1[j] = dr * c[j] + di * s[j];
            i1[j] = di * c[j] - dr * s[j];
        }
    }
}

// The last two stages (half-spans 2 and 1) over [a0, a0 + len): the turns are 1 and -i.
void lastPair(double* __restrict re, double* __restrict im, int a0, int len) {
    for (int a = a0; a < a0 + len; a += 4) {
        double* r = re + a;
        double* i = im + a;
        const double y0r = r[0] + r[2], y0i = i[0] + i[2];
        const double y1r = r[1] + r[3], y1i = i[1] + i[3];
        const double y2r = r[0] - r[2], y2i = i[0] - i[2];
        const double y3r = i[1] - i[3], y3i = r[3] - r[1];
        r[0] = y0r + y1r;
        i[0] = y0i + y1i;
        r[1] = y0r - y1r;
        i[1] = y0i - y1i;
        r[2] = y2r + y3r;
        i[2] = y2i + y3i;
        r[3] = y2r - y3r;
        i[3] = y2i - y3i;
    }
}

// Blocks of this many values run all their remaining stages while they sit in the cache.
constexpr int kCacheBlock = 2048;

// All stages of the block [a0, a0 + len): a stage of half-span h only mixes values within
// blocks of 2h, so after the block's first stages its parts go on independently.
void stagesOf(double* re, double* im, int a0, int len, Twiddles tw) {
    if (len > kCacheBlock) {
        stagePair(re, im, a0, len, len / 4, tw);
        for (int k = 0; k < 4; ++k)
            stagesOf(re, im, a0 + k * (len / 4), len / 4, tw);
        return;
    }
    int h = len / 2;
    // An odd number of stages: the first goes alone, the rest in pairs.
    if ((__builtin_ctz(static_cast<unsigned>(len)) % 2) != 0) {
        stageOne(re, im, a0, len, h, tw);
        h /= 2;
    }
    for (; h >= 4; h /= 4)
        stagePair(re, im, a0, len, h / 2, tw);
    lastPair(re, im, a0, len);
}

} // namespace

// Complex transform of N values in place, two stages per pass; the result stays in
// bit-reversed order: the split reads it from there.
void TFFTrec::transform() {
    stagesOf(re_.data(), im_.data(), 0, cfg_.lines,
             {tables_->stageCos.data(), tables_->stageSin.data()});
}

} // namespace mv
