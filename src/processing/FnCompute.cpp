#include "processing/FnCompute.h"

#include "core/Log.h"
#include "core/TimeWindow.h"
#include "fft/FFTrec.h"
#include "processing/ZeroPhase.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace mv {

namespace {

constexpr double pi = std::numbers::pi;

std::size_t count(const TFnSlot& s) {
    return s.Count > 0 ? static_cast<std::size_t>(s.Count) : 0;
}
double pf(const TFnSlot& s, int k) {
    return s.par(k).f;
}
int pi32(const TFnSlot& s, int k) {
    return s.par(k).i;
}

// Uniform in [0, 1) from a 64-bit xorshift* generator.
double uniform01(std::uint64_t& x) {
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    return static_cast<double>((x * 0x2545F4914F6CDD1Dull) >> 11) * 0x1.0p-53;
}

double frac(double v) {
    return v - std::trunc(v);
}

} // namespace

void runAmplitude(TFnSlot& s, const FnRunContext&) {
    FnRunState& st = s.st;
    const int limit = pi32(s, 1);
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        if (x > st.ampHi)
            st.ampHi = x;
        else if (x < st.ampLo)
            st.ampLo = x;
        if (x >= 0.0f) {
            if (++st.ampP == limit) {
                st.ampOut = static_cast<float>((double(st.ampHi) - st.ampLo) / 2.0);
                st.ampN = 0;
                st.ampHi = 0.0f;
            }
        } else if (++st.ampN == limit) {
            st.ampOut = static_cast<float>((double(st.ampHi) - st.ampLo) / 2.0);
            st.ampP = 0;
            st.ampLo = 0.0f;
        }
        s.Buf[i] = st.ampOut;
    }
}

namespace {
void reportFilter(const FnRunContext& c, const char* fn, ZeroPhaseStatus status) {
    if (c.log && status != ZeroPhaseStatus::Ok)
        c.log->warn(std::string(fn) +
                    ": the window is left unfiltered: " + zeroPhaseStatusText(status));
}
} // namespace

void runBandPass(TFnSlot& s, const FnRunContext& c) {
    const std::size_t n = count(s);
    std::vector<float> high(s.Buf, s.Buf + n);
    ZeroPhaseStatus st = ZeroPhaseLowPass(high.data(), n, c.f_process, pf(s, 4), pf(s, 3));
    if (st == ZeroPhaseStatus::Ok) {
        // The low edge: the subtracted low-pass passes up to "Low stop freq".
        std::vector<float> low(s.Buf, s.Buf + n);
        st = ZeroPhaseLowPass(low.data(), n, c.f_process, pf(s, 1), pf(s, 2));
        if (st == ZeroPhaseStatus::Ok)
            for (std::size_t i = 0; i < n; ++i)
                s.Buf[i] = high[i] - low[i];
    }
    reportFilter(c, "BandPass", st);
}

void runCalc(TFnSlot& s, const FnRunContext&) {
    const double slope2 = pf(s, 3), outSlope = pf(s, 4), outOffset = pf(s, 5);
    const int op = pi32(s, 2);
    const float* aux = s.Aux[1];
    for (std::size_t i = 0; i < count(s); ++i) {
        const double x = s.Buf[i];
        double v = x;
        if (pi32(s, 1) != 0 && aux) {
            const double a = aux[i];
            switch (op) {
            case 0:
                v = x + a * slope2;
                break;
            case 1:
                v = x - a * slope2;
                break;
            case 2:
                v = x * (a * slope2);
                break;
            case 3:
                v = x / ((a == 0.0 ? 1e-9 : a) * slope2);
                break;
            default:
                break;
            }
        }
        s.Buf[i] = static_cast<float>(v * outSlope + outOffset);
    }
}

void runDistance(TFnSlot& s, const FnRunContext&) {
    FnRunState& st = s.st;
    const int ipr = pi32(s, 1);
    if (ipr == 0)
        return; // refused at entry; never divide by it
    const double d = pf(s, 2) / ipr;
    const float hi = s.par(3).f, lo = s.par(4).f;
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        const bool in = lo < x && x < hi;
        if (in != st.distPrevIn) {
            st.distPrevIn = in;
            if (in)
                st.distD += d;
        }
        s.Buf[i] = static_cast<float>(st.distD);
    }
}

void runDrop(TFnSlot& s, const FnRunContext&) {
    FnRunState& st = s.st;
    const float limit = s.par(1).f;
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        const double diff = double(x) - st.dropPrev;
        const float delta = static_cast<float>(diff * diff);
        st.dropPrev = x;
        if (st.dropCount == 0) {
            if (delta > limit)
                st.dropCount = pi32(s, 2);
            else
                st.dropHeld = x;
        }
        if (st.dropCount > 0) {
            s.Buf[i] = st.dropHeld;
            --st.dropCount;
        }
    }
}

void runFilter(TFnSlot& s, const FnRunContext&) {
    RunIirSpan(s.st.filter, {s.Buf, count(s)});
}

void runFilter0(TFnSlot& s, const FnRunContext& c) {
    reportFilter(c, "Filter0", ZeroPhaseLowPass(s.Buf, count(s), c.f_process, pf(s, 1), pf(s, 2)));
}

void runGate(TFnSlot& s, const FnRunContext&) {
    const float* aux = s.Aux[1];
    if (!aux)
        return;
    FnRunState& st = s.st;
    const float hi = s.par(3).f, lo = s.par(4).f;
    const int mode = pi32(s, 2);
    for (std::size_t i = 0; i < count(s); ++i) {
        const bool open = lo < aux[i] && aux[i] < hi;
        const float x = s.Buf[i];
        switch (mode) {
        case -1:
            if (open) {
                s.Buf[i] = static_cast<float>(double(x) - st.gateHeld);
            } else {
                st.gateHeld = x;
                s.Buf[i] = 0.0f;
            }
            break;
        case 0:
            s.Buf[i] = open ? x : 0.0f;
            break;
        case 1:
            if (open)
                st.gateHeld = x;
            else
                s.Buf[i] = st.gateHeld;
            break;
        default:
            return;
        }
    }
}

void runGener(TFnSlot& s, const FnRunContext& c) {
    FnRunState& st = s.st;
    const double omega = 2.0 * pi / c.f_process;
    const double phi = static_cast<float>(pf(s, 3) * pi / 180.0);
    const double slope = pf(s, 4), offset = pf(s, 5);
    const int shape = pi32(s, 2);
    const float* mod = pi32(s, 1) != 0 ? s.Aux[1] : nullptr;
    for (std::size_t i = 0; i < count(s); ++i) {
        st.generPhase += s.Buf[i] * omega;
        const double p = st.generPhase + phi;
        double u = 0.0;
        double m = mod ? mod[i] : 1.0;
        switch (shape) {
        case 0:
            u = std::sin(p);
            break;
        case 1:
            u = std::sin(p) >= 0.0 ? 1.0 : -1.0;
            break;
        case 2: {
            const double t = 4.0 * frac(p / (2.0 * pi));
            const double k = std::trunc(t);
            if (k == 1.0 || k == 2.0)
                u = 2.0 - t;
            else if (k == 3.0 || k == 4.0)
                u = t - 4.0;
            else
                u = t;
            break;
        }
        case 3:
            u = frac(p / (2.0 * pi));
            break;
        case 4:
            u = uniform01(st.rng);
            break;
        case 5:
            u = static_cast<double>((c.replayedSamples + static_cast<std::int64_t>(i)) % 65536);
            m = 1.0;
            break;
        default:
            break;
        }
        s.Buf[i] = static_cast<float>(slope * u * m + offset);
    }
}

void runIncremAB(TFnSlot& s, const FnRunContext&) {
    const float* aux = s.Aux[1];
    if (!aux)
        return;
    FnRunState& st = s.st;
    const float level = s.par(2).f;
    for (std::size_t i = 0; i < count(s); ++i) {
        const bool a = s.Buf[i] > level, b = aux[i] > level;
        if (a != st.incPrevA) {
            st.incN += (b == a) ? -1.0f : 1.0f;
            st.incPrevA = a;
        }
        if (b != st.incPrevB) {
            st.incN += (b == a) ? 1.0f : -1.0f;
            st.incPrevB = b;
        }
        s.Buf[i] = st.incN;
    }
}

void runInvSig(TFnSlot& s, const FnRunContext&) {
    const double dividend = pf(s, 1), limit = pf(s, 2);
    for (std::size_t i = 0; i < count(s); ++i) {
        const double x = s.Buf[i];
        s.Buf[i] = std::fabs(limit * x) > dividend ? static_cast<float>(dividend / x) : 0.0f;
    }
}

void runMath(TFnSlot& s, const FnRunContext& c) {
    FnRunState& st = s.st;
    const double k = pf(s, 2), o = pf(s, 3);
    const int fn = pi32(s, 1);
    for (std::size_t i = 0; i < count(s); ++i) {
        const double x = s.Buf[i];
        double v = x;
        switch (fn) {
        case 0:
            v = std::fabs(x);
            break;
        case 1:
            ++st.mathCount;
            st.mathSum += x;
            v = st.mathSum / double(st.mathCount);
            break;
        case 2:
            v = (x - st.mathPrev) * c.f_process;
            st.mathPrev = s.Buf[i];
            break;
        case 3:
            st.mathIntegral += x / c.f_process;
            v = st.mathIntegral;
            break;
        case 4:
            v = x * x;
            break;
        case 5:
            v = std::sqrt(x);
            break;
        default:
            break;
        }
        s.Buf[i] = static_cast<float>(v * k + o);
    }
}

void runMinMax(TFnSlot& s, const FnRunContext&) {
    FnRunState& st = s.st;
    const float limit = s.par(1).f;
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        if (limit == 0.0f) {
            if (std::fabs(x) > std::fabs(st.mmPeak))
                st.mmPeak = x;
            s.Buf[i] = st.mmPeak;
        } else if (limit > 0.0f) {
            st.mmHi = std::max(st.mmHi, x);
            s.Buf[i] = std::min(st.mmHi, limit);
        } else {
            st.mmLo = std::min(st.mmLo, x);
            s.Buf[i] = std::max(st.mmLo, limit);
        }
    }
}

void runMirror(TFnSlot& s, const FnRunContext&) {
    if (count(s) >= 2)
        std::reverse(s.Buf, s.Buf + count(s));
}

void runMovAver(TFnSlot& s, const FnRunContext&) {
    const int n = pi32(s, 2);
    if (n < 1 || n > kFnRingLen)
        return; // refused at entry; the ring holds 10000 entries
    if (s.ring.size() != kFnRingLen)
        s.ring.assign(kFnRingLen, 0.0f);
    FnRunState& st = s.st;
    float* ring = s.ring.data();
    std::int32_t idx = s.ringIdx;
    if (idx < 0 || idx >= n)
        idx = 0;
    double sum = s.ringSum;
    const int type = pi32(s, 1);
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        switch (type) {
        case 0:
            sum = sum - ring[idx] + x;
            ring[idx] = x;
            s.Buf[i] = static_cast<float>(sum / n);
            idx = idx + 1 < n ? idx + 1 : 0;
            break;
        case 1: {
            const float v = x * x;
            sum = sum - ring[idx] + v;
            ring[idx] = v;
            s.Buf[i] = static_cast<float>(std::sqrt(sum / n));
            idx = idx + 1 < n ? idx + 1 : 0;
            break;
        }
        case 2:
            sum = (n * sum + x) / (n + 1);
            s.Buf[i] = static_cast<float>(sum);
            break;
        case 3: {
            const double y = x - st.jumpBase;
            sum += y;
            s.Buf[i] = static_cast<float>(y);
            if (++idx >= n) {
                st.jumpBase = sum / n / 2.0;
                idx = 0;
            }
            break;
        }
        case 4:
            s.Buf[i] = ring[idx];
            ring[idx] = x;
            idx = idx + 1 < n ? idx + 1 : 0;
            break;
        default:
            break;
        }
    }
    s.ringIdx = idx;
    s.ringSum = sum;
}

void runPeriod(TFnSlot& s, const FnRunContext& c) {
    FnRunState& st = s.st;
    const float hi = s.par(2).f, lo = s.par(3).f;
    const bool pulseTime = pi32(s, 1) == 1;
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        const bool in = lo < x && x < hi;
        if (pulseTime) {
            if (in) {
                ++st.perCount;
                st.perTime = double(st.perCount) / c.f_process;
            } else {
                st.perCount = 0;
                st.perTime = 0.0;
            }
        } else if (in) {
            ++st.perCount;
        } else if (st.perCount > 0) {
            st.perTime = double(st.perCount) / c.f_process;
            st.perCount = 0;
        }
        s.Buf[i] = static_cast<float>(st.perTime);
    }
}

void runSpeed(TFnSlot& s, const FnRunContext& c) {
    FnRunState& st = s.st;
    const int ipr = pi32(s, 1);
    if (ipr < 0 || 2 * ipr > kSpeedRingLen)
        return; // refused at entry; the interval ring holds 1000 entries
    const double k = c.f_process * 3.6 * pf(s, 2);
    const float hi = s.par(3).f, lo = s.par(4).f;
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        st.spState = lo < x && x < hi;
        const bool changed = st.spState != st.spPrev;
        st.spPrev = st.spState;
        if (ipr != 0) {
            ++st.spCount;
            if (changed) {
                if (st.spFirst) {
                    st.spFirst = false;
                } else {
                    if (st.spIdx >= 2 * ipr)
                        st.spIdx = 0;
                    st.spSum += st.spCount - st.spRing[st.spIdx];
                    st.spRing[st.spIdx] = static_cast<std::int32_t>(st.spCount);
                    st.spIdx = st.spIdx + 1 < 2 * ipr ? st.spIdx + 1 : 0;
                    st.speed = static_cast<float>(k / double(st.spSum));
                }
                st.spCount = 0;
            }
        } else {
            // Bump test: the time between the first two entries into the band.
            if (st.spEntries == 1)
                ++st.spCount;
            if (changed && st.spState && st.spEntries < 2) {
                ++st.spEntries;
                if (st.spEntries == 1)
                    st.spCount = 0;
                else
                    st.speed = static_cast<float>(k / double(st.spCount));
            }
        }
        s.Buf[i] = st.speed;
    }
}

void runSPL(TFnSlot& s, const FnRunContext& c) {
    if (!s.fft)
        s.fft = std::make_unique<TFFTrec>();
    TFFTrec& e = *s.fft;
    FFTConfig cfg;
    cfg.lines = kFFTMinSize << std::clamp(pi32(s, 1), 0, kFFTSizeCount - 1);
    cfg.fs = c.f_process;
    cfg.window = static_cast<FFTWindowType>(pi32(s, 2));
    cfg.averType = static_cast<FFTAverType>(pi32(s, 3));
    cfg.averCnt = static_cast<std::uint32_t>(std::max(pi32(s, 4), 0));
    cfg.step = std::max(pi32(s, 5), 0); // 0: frames follow each other
    cfg.weighting = static_cast<FFTWeighting>(pi32(s, 6));
    e.Configure(cfg);
    e.AddSamples({s.Buf, count(s)});
    const double v = e.FirstLevel();
    float out = static_cast<float>(v);
    if (pi32(s, 7) == 1)
        out = v > 0.0 ? static_cast<float>(20.0 * std::log10(v / 2e-5)) : 1.0f;
    std::fill(s.Buf, s.Buf + count(s), out);
}

void runStepAver(TFnSlot& s, const FnRunContext& c) {
    const float* aux = s.Aux[1];
    const double step = pf(s, 4);
    if (!aux || !(step > 0.0))
        return;
    const std::int64_t k64 = roundHalfEven(pf(s, 3) / step);
    if (k64 < 1 || k64 > kStepAverMax)
        return; // refused at entry; there are 20 step entries
    const int k = static_cast<int>(k64);
    FnRunState& st = s.st;
    if (st.saIdx < 0 || st.saIdx >= k)
        st.saIdx = 0;
    const bool rms = pi32(s, 2) == 1;
    const double perSample = 1.0 / (c.f_process * 3.6);
    for (std::size_t i = 0; i < count(s); ++i) {
        const double x = s.Buf[i];
        st.saSum[st.saIdx] += rms ? x * x : x;
        st.saCnt[st.saIdx] += 1;
        st.saDist += aux[i] * perSample;
        if (st.saDist > step) {
            st.saDist -= step;
            st.saIdx = st.saIdx + 1 < k ? st.saIdx + 1 : 0;
            double sum = 0.0;
            std::int64_t n = 0;
            for (int j = 0; j < k; ++j) {
                sum += st.saSum[j];
                n += st.saCnt[j];
            }
            const double mean = n > 0 ? sum / double(n) : 0.0;
            st.saOut = static_cast<float>(rms ? std::sqrt(mean) : mean);
            st.saSum[st.saIdx] = 0.0;
            st.saCnt[st.saIdx] = 0;
        }
        s.Buf[i] = st.saOut;
    }
}

void runTriStateReg(TFnSlot& s, const FnRunContext&) {
    const std::size_t n = count(s);
    const float* aux = s.Aux[1];
    if (n == 0 || !aux)
        return;
    double a = 0.0, f = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        a += s.Buf[i];
        f += aux[i];
    }
    a /= double(n);
    f /= double(n);
    const double e = pf(s, 2);
    int state = 0;
    if (a - e > f)
        state = 1;
    if (f > a + e)
        state = -1;
    if (s.port.isOpen())
        s.port.setLines(state > 0, state < 0);
    std::fill(s.Buf, s.Buf + n, static_cast<float>(state));
}

void runWork(TFnSlot& s, const FnRunContext&) {
    const float* aux = s.Aux[1];
    if (!aux)
        return;
    FnRunState& st = s.st;
    const float minDisp = std::fabs(s.par(3).f);
    const int polarity = pi32(s, 2);
    for (std::size_t i = 0; i < count(s); ++i) {
        const float x = s.Buf[i];
        const float delta = static_cast<float>(double(x) - st.workPrev);
        const double dw = std::fabs(delta) > minDisp ? double(delta) * aux[i] : 0.0;
        if (polarity == 0 || (polarity == 1 && dw > 0.0) || (polarity == 2 && dw < 0.0))
            st.workW = static_cast<float>(st.workW + dw);
        st.workPrev = x;
        s.Buf[i] = st.workW;
    }
}

void runZeroing(TFnSlot& s, const FnRunContext&) {
    const double offset = pf(s, 1);
    for (std::size_t i = 0; i < count(s); ++i)
        s.Buf[i] = static_cast<float>(s.Buf[i] + offset);
}

void resetRunState(TFnSlot& s) {
    FnRunState& st = s.st;
    switch (s.FnTyp) {
    case fnAmplitude:
        st.ampP = st.ampN = 0;
        st.ampLo = st.ampHi = st.ampOut = 0.0f;
        break;
    case fnDrop:
        st.dropPrev = st.dropHeld = 0.0f;
        break;
    case fnFilter:
        st.filter.reset();
        break;
    case fnGate:
        st.gateHeld = 0.0f;
        break;
    case fnGener:
        st.generPhase = 0.0;
        break;
    case fnIncrem_AB:
        st.incN = 0.0f;
        st.incPrevA = false;
        break;
    case fnMath:
        st.mathCount = 0;
        st.mathSum = st.mathIntegral = 0.0;
        st.mathPrev = 0.0f;
        break;
    case fnMinMax:
        st.mmPeak = 0.0f;
        st.mmLo = 1e21f;
        st.mmHi = -1e21f;
        break;
    case fnPeriod:
        st.perCount = 0;
        st.perTime = 0.0;
        break;
    case fnSpeed:
        st.speed = 0.0f;
        st.spState = st.spPrev = false;
        st.spFirst = true;
        st.spCount = st.spSum = 0;
        st.spRing.fill(0);
        st.spIdx = 0;
        st.spEntries = 0;
        break;
    case fnSPL:
        if (s.fft)
            s.fft->Reset();
        break;
    case fnStepAver:
        st.saSum.fill(0.0);
        st.saCnt.fill(0);
        st.saDist = 0.0;
        st.saIdx = 0;
        break;
    case fnWork:
        st.workPrev = st.workW = 0.0f;
        break;
    default:
        break;
    }
    if (s.FnTyp == fnMovAver && s.ring.size() != kFnRingLen)
        s.ring.assign(kFnRingLen, 0.0f);
    else
        std::fill(s.ring.begin(), s.ring.end(), 0.0f);
    s.ringIdx = 0;
    s.ringSum = 0.0;
}

} // namespace mv
