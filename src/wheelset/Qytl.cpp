#include "wheelset/Qytl.h"

#include "files/SaveSlot.h"

#include <algorithm>
#include <cmath>

namespace mv::wheelset {

namespace {

float* buf(TDeviceFunc& d, int no) {
    return d.FnBuf[static_cast<size_t>(no - 1)].data();
}

// Nearest integer, ties to even, as the position tables are indexed.
int roundEven(double x) {
    return static_cast<int>(std::nearbyint(x));
}

} // namespace

void kernelConditioning(TDeviceFunc& d, int len) {
    for (int k = 1; k <= d.NB; ++k) {
        float* x = buf(d, k);
        ZeroState& z = d.ZeroRec[static_cast<size_t>(k - 1)];
        const int Z = d.ZeroCount;
        if (Z == 1) {
            // The first block stays uncorrected; its mean is the offset from then on.
            z.sum = 0;
            for (int i = 0; i < len; ++i) {
                z.sum += x[i];
                x[i] -= z.offset;
            }
            if (z.offset == 0.0f && len > 0)
                z.offset = static_cast<float>(z.sum / len);
        } else if (Z > 1) {
            for (int i = 0; i < len; ++i) {
                x[i] -= z.offset;
                z.sum += x[i];
                if (++z.counter >= Z) {
                    z.offset = static_cast<float>(z.sum / Z / 2);
                    z.counter = 0;
                }
            }
        } else if (Z == 0) {
            z.offset = 0.0f;
        }
        if (d.HPFreq > 0)
            RunIirSpan(d.HPFilt[static_cast<size_t>(k - 1)], {x, static_cast<size_t>(len)});
        if (d.LPFreq > 0)
            RunIirSpan(d.LPFilt[static_cast<size_t>(k - 1)], {x, static_cast<size_t>(len)});
    }
}

void kernelSinQ3(TDeviceFunc& d, int len) {
    const float* B[kMaxBridges + 1];
    for (int k = 1; k <= kMaxBridges; ++k)
        B[k] = buf(d, k);
    float* sumaSqr = buf(d, fbSumaSqr);
    float* sin = buf(d, fbSin);
    float* sinMA = buf(d, fbSinMA);
    float* q3[4];
    float* absQ3[4];
    for (int h = 0; h < 4; ++h) {
        q3[h] = buf(d, fbQ3_P1 + h);
        absQ3[h] = buf(d, fbAbsQ3_P1 + h);
    }
    const auto& c = d.Q3Coef;
    const int M = d.MALen;
    for (int i = 0; i < len; ++i) {
        auto b = [&](int k) { return B[k][i]; };
        float s2 = 0.0f;
        for (int k = 1; k <= kMaxBridges; ++k)
            s2 += b(k) * b(k);
        if (s2 == 0.0f)
            s2 = 1e-12f;
        sumaSqr[i] = s2;
        float v[5];
        v[1] =
            c[0][2] * (b(2) - b(8)) + c[0][1] * (b(3) - b(7)) + c[0][0] * (b(4) - b(6)) + c[0][3];
        v[2] =
            c[1][2] * (b(3) - b(1)) + c[1][1] * (b(4) - b(8)) + c[1][0] * (b(5) - b(7)) + c[1][3];
        v[3] =
            c[2][2] * (b(4) - b(2)) + c[2][1] * (b(5) - b(1)) + c[2][0] * (b(6) - b(8)) + c[2][3];
        v[4] =
            c[3][2] * (b(5) - b(3)) + c[3][1] * (b(6) - b(2)) + c[3][0] * (b(7) - b(1)) + c[3][3];
        v[0] = (b(1) - b(2) + b(3) - b(4) + b(5) - b(6) + b(7) - b(8)) / std::sqrt(s2) -
               d.SinCorr * ((b(1) + b(5)) - (b(3) + b(7))) * ((b(2) + b(6)) - (b(4) + b(8)));
        sin[i] = v[0];
        const auto m = static_cast<size_t>(d.maIndex);
        for (int r = 0; r < 5; ++r) {
            auto& ring = d.maRing[static_cast<size_t>(r)];
            float& sum = d.maSum[static_cast<size_t>(r)];
            sum = sum - ring[m] + v[r];
            ring[m] = v[r];
        }
        sinMA[i] = d.maSum[0] / static_cast<float>(M);
        for (int h = 0; h < 4; ++h)
            q3[h][i] = d.maSum[static_cast<size_t>(h + 1)] / static_cast<float>(M);
        absQ3[0][i] = std::fabs(q3[0][i]) - std::fabs(q3[2][i]);
        absQ3[1][i] = std::fabs(q3[1][i]) - std::fabs(q3[3][i]);
        absQ3[2][i] = -absQ3[0][i];
        absQ3[3][i] = -absQ3[1][i];
        if (++d.maIndex >= M)
            d.maIndex = 0;
    }
}

namespace {

int nextIndex(int j) {
    return j >= kHalfPeriodRing ? 1 : j + 1;
}

// One accepted crossing of SinMA at sample i of the block.
void processCrossing(TDeviceFunc& d, int i) {
    d.sinPositive = !d.sinPositive;
    d.halfPeriod[static_cast<size_t>(d.halfIndex)] = d.sinceCrossing;
    d.sinceCrossing = 0;

    // Regression of the cumulated crossing times over the last N half-periods.
    const int N = d.RegrN;
    int j = d.halfIndex - N + 1;
    if (j < 1)
        j += kHalfPeriodRing;
    double C = 0, sumC = 0, sumKC = 0;
    for (int k = 1; k <= N; ++k) {
        C += d.halfPeriod[static_cast<size_t>(j)];
        sumC += C;
        sumKC += k * C;
        j = nextIndex(j);
    }
    const double b = (N * sumKC - d.sumK * sumC) / d.regrDet;
    const double a0 = (sumC * d.sumK2 - d.sumK * sumKC) / d.regrDet;
    const double vNew = b != 0 ? d.DegPerBridge / b : 0.0;
    const double residual = C - (b * N + a0);
    d.halfIndex = nextIndex(d.halfIndex);

    // The candidate position from the Q3 signals.
    int k = 0;
    float best = 0.0f;
    for (int h = 1; h <= 4; ++h) {
        const float a = d.FnBuf[static_cast<size_t>(fbAbsQ3_P1 + h - 2)][static_cast<size_t>(i)];
        if (a > best) {
            best = a;
            k = h;
        }
    }
    const bool positive = d.FnBuf[fbSinMA - 1][static_cast<size_t>(i)] > 0;
    int c = 0, dir = 0;
    if (k > 0) {
        c = d.FnBuf[static_cast<size_t>(fbQ3_P1 + k - 2)][static_cast<size_t>(i)] > 0 ? k : k + 4;
        const int s = (k == 1 || k == 3) ? d.DirSign : -d.DirSign;
        dir = positive ? s : -s;
        if (dir == d.prevDirection) {
            bool step;
            if (dir < 1)
                step = (d.prevCandidate == 1 ? 9 : d.prevCandidate) - c == 1;
            else
                step = c - (d.prevCandidate == 8 ? 0 : d.prevCandidate) == 1;
            if (step)
                ++d.quality;
            else {
                d.quality = 0;
                d.error = 4;
            }
        } else {
            d.quality = 0;
            d.error = 3;
        }
    } else {
        // No Q3 signal stands out (a block without Q3 coefficients): no candidate.
        d.quality = 0;
        d.error = 4;
    }
    if (d.quality < 8 || c == 0) {
        if (d.lockedDirection == 1)
            d.position = d.position >= 8 ? 1 : d.position + 1;
        else
            d.position = d.position <= 1 ? 8 : d.position - 1;
    } else {
        d.quality = 8;
        d.error = 0;
        d.position = c;
        d.lockedDirection = dir;
    }
    // SinMA crosses (M - 1) / 2 samples after Sin, and the crossing is seen on the first
    // sample past it. Held back by M div 2 the angle lags more the faster the wheel
    // turns; advanced by M / 2 - 1 it follows the bridges at any speed. The table of the
    // locked direction says which of the two it was made with.
    const int M = d.MALen;
    const bool compensated = d.lockedDirection == 1 ? d.compensatedFW : d.compensatedBW;
    d.relPos = compensated ? vNew * (residual + M / 2.0 - 1.0) : vNew * (residual - (M / 2));
    const double W = d.DegPerBridge;
    d.degPerSample = vNew;
    if (d.lockedDirection == 1) {
        d.angle = W * (d.position - 1) + 1 + d.relPos;
    } else {
        d.angle = W * (d.position - 1) + 1 - d.relPos;
        d.degPerSample = -vNew;
    }
    d.prevCandidate = c;
    d.prevDirection = dir;
    d.FnBuf[fbHWP - 1][static_cast<size_t>(i)] = static_cast<float>(d.position);
}

} // namespace

void kernelPosition(TDeviceFunc& d, int len) {
    float* sinMA = buf(d, fbSinMA);
    float* hwp = buf(d, fbHWP);
    float* hwpOk = buf(d, fbHWP_OK);
    float* swp = buf(d, fbSWP);
    float* err = buf(d, fbDevFnErr);
    float* rel = buf(d, fbRelP);
    const int N = d.RegrN;
    for (int i = 0; i < len; ++i) {
        hwp[i] = 0.0f;
        if ((sinMA[i] > 0) != d.sinPositive) {
            bool accept = true;
            if (d.quality == 8) {
                std::int64_t sum = 0;
                int j = d.halfIndex;
                for (int n = 0; n < N; ++n) {
                    j = j <= 1 ? kHalfPeriodRing : j - 1;
                    sum += d.halfPeriod[static_cast<size_t>(j)];
                }
                const double a = static_cast<double>(sum / N);
                if (d.sinceCrossing > 2 * a) {
                    d.quality = 0;
                    d.error = 2;
                    accept = false;
                } else if (d.sinceCrossing < 0.4 * a) {
                    d.quality = 0;
                    d.error = 1;
                    accept = false;
                }
            }
            if (accept)
                processCrossing(d, i);
        }
        ++d.sinceCrossing;
        d.angle += d.degPerSample;
        hwpOk[i] = static_cast<float>(d.quality);
        rel[i] = static_cast<float>(d.relPos);
        d.relPos = 0.0;
        err[i] = static_cast<float>(d.error);
        if (d.angle >= 360.5)
            d.angle -= 360;
        else if (d.angle <= 0.5)
            d.angle += 360;
        swp[i] = static_cast<float>(d.angle);
    }
}

void kernelForces(TDeviceFunc& d, int len) {
    const float* B[kMaxBridges + 1];
    for (int k = 1; k <= kMaxBridges; ++k)
        B[k] = buf(d, k);
    const float* swp = buf(d, fbSWP);
    float* out[4] = {buf(d, fbQ), buf(d, fbY), buf(d, fbT), buf(d, fbL)};
    const double S = d.SmoothN;
    auto& o = d.QytlOut;
    for (int i = 0; i < len; ++i) {
        const int p = roundEven(swp[i]);
        if (p >= 1 && p <= kPositions) {
            const TQytlCoef& C =
                (d.lockedDirection == 1 ? d.CoefFW : d.CoefBW)[static_cast<size_t>(p - 1)];
            double r[4] = {C[0], C[1], C[2], C[3]};
            for (int j = 1; j <= kMaxBridges; ++j) {
                const double bj = B[j][i];
                r[0] += C[static_cast<size_t>(4 * j)] * bj;
                r[1] += C[static_cast<size_t>(4 * j + 1)] * bj;
                r[2] += C[static_cast<size_t>(4 * j + 2)] * bj;
                r[3] += C[static_cast<size_t>(4 * j + 3)] * bj;
            }
            o[0] = (S * o[0] + r[0]) / (S + 1);
            o[1] = (S * o[1] + r[1]) / (S + 1);
            o[2] = (S * o[2] + r[2]) / (S + 1);
            o[3] = (S * o[3] + r[3] / (std::fabs(r[0]) + 1e-6)) / (S + 1);
        }
        for (int q = 0; q < 4; ++q)
            out[q][i] = static_cast<float>(o[static_cast<size_t>(q)]);
    }
}

void kernelQytlLowPass(TDeviceFunc& d, int len) {
    if (!(d.QYTLFreq > 0))
        return;
    for (int q = 0; q < 4; ++q)
        RunIirSpan(d.QYTLFilt[static_cast<size_t>(q)], {buf(d, fbQ + q), static_cast<size_t>(len)});
}

bool runQytl(TDeviceFunc& d, std::span<const float* const> bridges, std::size_t N,
             const std::array<float*, kFnBufCount>& outputs, Progress& progress) {
    const int nb = std::min<int>(static_cast<int>(bridges.size()), d.NB);
    std::size_t p = 0;
    int reportEvery = 0;
    while (p < N) {
        const int len = static_cast<int>(std::min<std::size_t>(kFnBlockLen, N - p));
        for (int k = 0; k < nb; ++k)
            std::copy_n(bridges[static_cast<size_t>(k)] + p, len, buf(d, k + 1));
        // Reporting every block would cost more than the block itself.
        if (--reportEvery <= 0) {
            reportEvery = 256;
            progress.report(static_cast<double>(p) / static_cast<double>(N),
                            std::to_string(p * 100 / N) + " %");
            // The report is where the window takes Esc: seen at once, not 256 blocks on.
            if (progress.cancelled())
                return false;
        }
        kernelConditioning(d, len);
        if (d.NB >= 1) {
            kernelSinQ3(d, len);
            kernelPosition(d, len);
            kernelForces(d, len);
            kernelQytlLowPass(d, len);
        }
        for (int r = 0; r < kFnBufCount; ++r)
            if (outputs[static_cast<size_t>(r)])
                std::copy_n(d.FnBuf[static_cast<size_t>(r)].data(), len,
                            outputs[static_cast<size_t>(r)] + p);
        p += static_cast<std::size_t>(len);
    }
    progress.report(1.0, "100 %");
    return true;
}

std::string WheelNames::bridgeFile(int k, LoadFormat format) const {
    const char* ext = files::saveExtension(static_cast<SaveFormat>(static_cast<int>(format)));
    return prefix + separator + "B" + std::to_string(k) + ext;
}

std::string WheelNames::outputName(int r) const {
    const std::string name = kFnBufCatalogue[static_cast<size_t>(r - 1)].name;
    if (r >= fbQ && r <= fbL)
        return name + (prefix.empty() ? std::string() : prefix.substr(1));
    return name + separator + prefix;
}

WheelNames wheelNames(const std::string& wheelName) {
    WheelNames w;
    w.prefix = wheelName;
    if (!w.prefix.empty() && w.prefix.back() == '_')
        w.prefix.pop_back();
    if (!wheelName.empty())
        w.separator = "_";
    return w;
}

ComputeResult ComputeQYTL(TDeviceFunc& d, const ComputeRequest& req, ComputeContext& ctx) {
    ComputeResult res;
    const int n = req.device;
    auto fail = [&](const std::string& text) {
        ctx.log.warn(text);
        return res;
    };
    if (d.NB < 1)
        return fail("Invalid DevFuncParam for device " + std::to_string(n));
    if (static_cast<int>(req.format) > static_cast<int>(LoadFormat::SingleIeee754))
        return fail(std::string("Unsuported input file format: ") +
                    kLoadFormatNames[static_cast<size_t>(req.format)]);
    const WheelNames names = wheelNames(req.wheelName);
    const int nb = d.NB;
    auto clearRaw = [&] {
        for (int k = 1; k <= nb; ++k)
            ctx.store.ClearSlot(kRawBridgeSlot - 1 + k);
    };
    clearRaw();
    std::vector<std::string> files;
    for (int k = 1; k <= nb; ++k)
        files.push_back(names.bridgeFile(k, req.format));
    LoadContext lc{ctx.log, ctx.defaultFs, ctx.decimalSeparator};
    LoadFiles(ctx.store, ctx.readers, req.path, files, kRawBridgeSlot, req.format, lc);
    int read = 0;
    for (int k = 1; k <= nb; ++k)
        read += ctx.store[kRawBridgeSlot - 1 + k].occupied() ? 1 : 0;
    if (read < nb) {
        clearRaw();
        return fail("Can't open all raw bridge files.");
    }
    std::size_t N = static_cast<std::size_t>(ctx.store[kRawBridgeSlot].SampleCount);
    const double fs = ctx.store[kRawBridgeSlot].f_sampl;
    for (int k = 2; k <= nb; ++k) {
        const auto len = static_cast<std::size_t>(ctx.store[kRawBridgeSlot - 1 + k].SampleCount);
        if (len != N) {
            ctx.log.warn("Device " + std::to_string(n) +
                         " - raw bridge files differ in length: computed over the shortest");
            N = std::min(N, len);
        }
    }

    // Settings of the wheel (the calibration page sets its own corners, no zeroing and
    // no output filter).
    const std::string zero = req.calibration ? "0" : req.zeroing;
    const std::string qf = req.calibration ? "0" : req.qytlFilter;
    const char sep = ctx.decimalSeparator;
    const SetterResult set[4] = {
        SetZeroCount(d, n, zero, sep), SetHighPass(d, n, fs, req.highPass, sep),
        SetLowPass(d, n, fs, req.lowPass, sep), SetQytlLowPass(d, n, fs, qf, sep)};
    bool settingsOk = true;
    for (const auto& r : set) {
        if (!r.message.empty())
            ctx.log.add(r.message, r.result == -1);
        settingsOk = settingsOk && r.result != -1;
    }
    if (!settingsOk) {
        clearRaw();
        return res;
    }
    if (req.compensated) {
        d.compensatedFW = *req.compensated;
        d.compensatedBW = *req.compensated;
    }

    // The output slots, all found before anything is written: they must stay below the
    // raw bridges.
    std::array<float*, kFnBufCount> outputs{};
    std::vector<int> taken;
    std::vector<bool> used(kSlotCount + 1, false);
    for (int r = 1; r <= kFnBufCount; ++r) {
        if (!req.save[static_cast<size_t>(r - 1)])
            continue;
        int s = 1;
        while (s < kRawBridgeSlot && (ctx.store[s].occupied() || used[static_cast<size_t>(s)]))
            ++s;
        if (s >= kRawBridgeSlot) {
            clearRaw();
            return fail("Device " + std::to_string(n) +
                        " - no free slot below the raw bridges (slot 191) for the output signal " +
                        names.outputName(r) + "; nothing computed");
        }
        used[static_cast<size_t>(s)] = true;
        res.slotOf[static_cast<size_t>(r - 1)] = s;
    }
    std::array<SampleBuffer, kFnBufCount> data;
    for (int r = 0; r < kFnBufCount; ++r)
        if (res.slotOf[static_cast<size_t>(r)]) {
            data[static_cast<size_t>(r)] = SampleBuffer::zeros(N);
            outputs[static_cast<size_t>(r)] = data[static_cast<size_t>(r)].data();
        }
    std::vector<const float*> bridges;
    for (int k = 1; k <= nb; ++k)
        bridges.push_back(ctx.store[kRawBridgeSlot - 1 + k].Data.data());
    const bool done = runQytl(d, bridges, N, outputs, ctx.progress);
    clearRaw();
    if (!done) {
        res.cancelled = true;
        res.slotOf.fill(0);
        ctx.log.warn("Device " + std::to_string(n) + " - QYTL computation cancelled");
        return res;
    }
    for (int r = 1; r <= kFnBufCount; ++r) {
        const int s = res.slotOf[static_cast<size_t>(r - 1)];
        if (!s)
            continue;
        SignalRecord rec;
        rec.SigName = names.outputName(r);
        rec.f_sampl = fs;
        rec.Units = kFnBufCatalogue[static_cast<size_t>(r - 1)].unit;
        rec.TimeOffset = 0.0;
        rec.Plot = true;
        rec.Unsaved = true;
        rec.setData(std::move(data[static_cast<size_t>(r - 1)]));
        ctx.store.installSignal(s, std::move(rec));
    }
    res.ok = true;
    return res;
}

} // namespace mv::wheelset
