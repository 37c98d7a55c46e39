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
    : Ring(kFFTRingLen, 0.0f), Win(2 * kFFTMaxSize, 0.0), Re(kFFTMaxSize + 1, 0.0),
      Im(kFFTMaxSize + 1, 0.0), Weight(kFFTMaxSize + 1, 0.0), Aver(kFFTMaxSize + 1, 0.0),
      Disp(kFFTMaxSize + 1, 0.0), ReWork(kFFTMaxSize + 1, 0.0), ImWork(kFFTMaxSize + 1, 0.0) {}

bool TFFTrec::Init() {
    tables = FFTTables(Lines);
    if (!tables) {
        Lines = 0;
        return false;
    }
    WrPos = 0;
    RdPos = 0;
    Pending = 0;
    Step = 2 * Lines;
    AverType = faLinear;
    AverCnt = 0;
    AverDone = 0;
    std::fill(Aver.begin(), Aver.begin() + Lines + 1, 0.0);
    SetWindow(fwRectangle);
    SetWeighting(fwtL);
    return true;
}

double TFFTrec::SetWindow(int t) {
    const int len = 2 * Lines;
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
        Win[i] = w;
        s1 += w;
        s2 += w * w;
    }
    if (len > 0) {
        S1sq = s1 * s1;
        NENBW = len * s2 / S1sq;
        ENBW = fs * s2 / S1sq;
    }
    WinType = static_cast<std::uint8_t>(t);
    return ENBW;
}

void TFFTrec::SetWeighting(int t) {
    for (int k = 0; k <= Lines; ++k) {
        if (t == fwtA) {
            const double f = k * fs / (2.0 * Lines);
            const double e = f * f;
            const double p1 = e + 424.31867740600904, p4 = e + 148698928.24308902;
            Weight[k] = 2.0 * (e * e * e * e) * 3.5041384e16 /
                        (p1 * p1 * (e + 11589.0930520225) * (e + 544440.6704605728) * p4 * p4);
        } else {
            Weight[k] = 2.0;
        }
    }
    if (Lines > 0)
        Weight[0] /= 2.0;
    FreqWeight = static_cast<std::uint8_t>(t);
}

int TFFTrec::AddSamples() {
    FrameCount = 0;
    if (!tables || Lines <= 0 || !Src || SrcCount <= 0)
        return 0;
    // A frame step outside the ring would read samples that are not there.
    if (Step < 1 || Step > kFFTRingLen)
        Step = 2 * Lines;
    // Hand the samples over in pieces the ring can hold without overwriting samples
    // that no frame has read yet; an ordinary call is one piece.
    const float* src = Src;
    int left = SrcCount;
    bool first = true;
    while (left > 0) {
        const int room = std::min(kFFTRingLen, kFFTRingLen - std::max(Pending, 0));
        const int piece = std::min(left, std::max(room, 1));
        takeChunk(src, piece);
        src += piece;
        left -= piece;
        while (Pending >= 2 * Lines) {
            frame(first);
            first = false;
        }
    }
    return FrameCount;
}

void TFFTrec::takeChunk(const float* src, int count) {
    const int toEnd = std::min(count, kFFTRingLen - WrPos);
    std::memcpy(Ring.data() + WrPos, src, sizeof(float) * static_cast<std::size_t>(toEnd));
    if (count > toEnd)
        std::memcpy(Ring.data(), src + toEnd,
                    sizeof(float) * static_cast<std::size_t>(count - toEnd));
    WrPos = (WrPos + count) % kFFTRingLen;
    Pending += count;
}

void TFFTrec::frame(bool firstOfCall) {
    const int n = Lines;
    double* re = Re.data();
    double* im = Im.data();
    const double* win = Win.data();
    const float* ring = Ring.data();
    // Pack the 2N windowed real samples as N complex values. The ring's length is even and
    // frames start at even offsets only when the step is even, so a frame may wrap between
    // the two samples of a pair: pack in two straight runs.
    const int first = std::min(2 * n, kFFTRingLen - RdPos);
    const float* a = ring + RdPos;
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
    const std::int32_t* rev = tables->bitRev.data();
    const double* ss = tables->splitSin.data();
    const double* sc = tables->splitCos.data();
    double* outRe = ReWork.data();
    double* outIm = ImWork.data();
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
    Re.swap(ReWork);
    Im.swap(ImWork);
    re = Re.data();
    im = Im.data();

    if (AverType == faExp)
        AverDone = static_cast<std::int32_t>(AverCnt);
    const double done = AverDone;
    const double inv = 1.0 / S1sq;
    double* aver = Aver.data();
    const double* weight = Weight.data();
    double sum = 0.0;
    for (int k = 0; k <= n; ++k) {
        aver[k] =
            (done * aver[k] + weight[k] * (re[k] * re[k] + im[k] * im[k]) * inv) / (done + 1.0);
        sum += aver[k];
    }
    ++AverDone;
    Level = std::sqrt(sum / NENBW);
    if (firstOfCall)
        FirstLevel = static_cast<float>(Level);

    RdPos += Step;
    if (RdPos > kFFTRingLen - 1)
        RdPos -= kFFTRingLen;
    Pending -= Step;
    ++FrameCount;
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
    const int n = Lines;
    double* re = Re.data();
    double* im = Im.data();
    const std::int32_t* rev = tables->bitRev.data();
    stagesOf(re, im, 0, n, rev, tables->cosTab.data(), tables->sinTab.data());
}

} // namespace mv
