#include "monitors/FFTrec.h"

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
      Disp(kFFTMaxSize + 1, 0.0) {}

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
    // Pack the 2N windowed real samples as N complex values; the frame may wrap.
    int pos = RdPos;
    for (int i = 0; i < n; ++i) {
        re[i] = ring[pos] * win[2 * i];
        if (++pos == kFFTRingLen)
            pos = 0;
        im[i] = ring[pos] * win[2 * i + 1];
        if (++pos == kFFTRingLen)
            pos = 0;
    }
    transform();

    // Split the N-point complex transform into the spectrum of the 2N real samples.
    re[n] = re[0];
    im[n] = im[0];
    const double* ss = tables->splitSin.data();
    const double* sc = tables->splitCos.data();
    for (int k = 0; k <= n / 2; ++k) {
        const double s = ss[k], c = sc[k];
        const double a = re[k], b = re[n - k], g = im[k], u = im[n - k];
        const double p = (g + u) * c - (a - b) * s;
        const double q = (a - b) * c + (g + u) * s;
        re[k] = (a + b + p) / 2.0;
        im[k] = (g - u - q) / 2.0;
        re[n - k] = (a + b - p) / 2.0;
        im[n - k] = (-q - (g - u)) / 2.0;
    }

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

// Radix-2 transform in place; one twiddle per group, taken in bit-reversed order, and the
// result put in natural order at the end.
void TFFTrec::transform() {
    const int n = Lines;
    double* re = Re.data();
    double* im = Im.data();
    const std::int32_t* rev = tables->bitRev.data();
    const double* sinT = tables->sinTab.data();
    const double* cosT = tables->cosTab.data();
    for (int h = n / 2; h >= 1; h /= 2) {
        for (int a = 0; a < n; a += 2 * h) {
            const int t = rev[a / h];
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
    for (int i = 0; i < n; ++i) {
        const int j = rev[i];
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
}

} // namespace mv
