#include "graphs/ColumnPass.h"

#include "core/SignalStore.h"
#include "core/TimeWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mv {

#if defined(__GNUC__)
namespace {
// Four-wide vectors of the compiler's vector extension: portable across targets, and
// the loop needs no reassociation licence to use them.
typedef float V4f __attribute__((vector_size(16)));
typedef float V2f __attribute__((vector_size(8)));
typedef double V2d __attribute__((vector_size(16)));

inline V4f load4(const float* p) {
    V4f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline V2d load2d(const float* p) {
    V2f v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, V2d);
}
} // namespace
#endif

// An AVX2 build is picked at load time where the processor has it: besides being
// wider, its VEX encoding avoids the penalty legacy SSE code pays after drawing code
// left the upper vector halves dirty (measured: 4x slower after a QPainter redraw).
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void scanSamples(const float* p, std::int64_t count, SampleScan& s) {
    if (count <= 0)
        return;
    std::int64_t i = 0;
    float mn = s.mn, mx = s.mx;
    double sum = 0.0, sq = 0.0;
#if defined(__GNUC__)
    // Eight samples a step in independent lanes: one accumulator would serialise every
    // add on its latency. The comparisons keep NaN out of the extremes as below.
    if (count >= 8) {
        V4f mnA = {mn, mn, mn, mn}, mnB = mnA;
        V4f mxA = {mx, mx, mx, mx}, mxB = mxA;
        V2d s0 = {0, 0}, s1 = s0, s2 = s0, s3 = s0;
        V2d q0 = s0, q1 = s0, q2 = s0, q3 = s0;
        for (; i + 8 <= count; i += 8) {
            const float* b = p + i;
            const V4f a = load4(b), c = load4(b + 4);
            mnA = a < mnA ? a : mnA;
            mnB = c < mnB ? c : mnB;
            mxA = a > mxA ? a : mxA;
            mxB = c > mxB ? c : mxB;
            const V2d d0 = load2d(b), d1 = load2d(b + 2), d2 = load2d(b + 4), d3 = load2d(b + 6);
            s0 += d0;
            s1 += d1;
            s2 += d2;
            s3 += d3;
            q0 += d0 * d0;
            q1 += d1 * d1;
            q2 += d2 * d2;
            q3 += d3 * d3;
        }
        for (int l = 0; l < 4; ++l) {
            mn = mnA[l] < mn ? mnA[l] : mn;
            mn = mnB[l] < mn ? mnB[l] : mn;
            mx = mxA[l] > mx ? mxA[l] : mx;
            mx = mxB[l] > mx ? mxB[l] : mx;
        }
        const V2d st = (s0 + s1) + (s2 + s3);
        const V2d qt = (q0 + q1) + (q2 + q3);
        sum = st[0] + st[1];
        sq = qt[0] + qt[1];
    }
#endif
    for (; i < count; ++i) {
        const float v = p[i];
        mn = v < mn ? v : mn;
        mx = v > mx ? v : mx;
        const double d = v;
        sum += d;
        sq += d * d;
    }
    s.mn = mn;
    s.mx = mx;
    s.sum += sum;
    s.sumSq += sq;
    s.n += count;
}

namespace {

void storeStatistics(const SampleScan& st, std::int32_t k, TImageSigRec& rec) {
    if (st.n == 0)
        return; // keeps PtCount and the old statistics; SmpCount 0 hides the signal
    rec.PtCount = k;
    rec.SmpCount = static_cast<std::int32_t>(std::min<std::int64_t>(st.n, INT32_MAX));
    rec.SMin = st.mn;
    rec.SMax = st.mx;
    rec.SMean = static_cast<float>(st.sum / double(st.n));
    rec.SRMS = std::sqrt(st.sumSq / double(st.n));
}

void minMaxPass(const SignalRecord& sig, double T1, double TnaPix, int sirka, TImageSigRec& rec) {
    const std::int64_t N = sig.SampleCount;
    const double fs = sig.f_sampl;
    const double t0 = sig.TimeOffset;
    const float* data = sig.Data.data();
    // Never read past the buffer, whatever SampleCount claims.
    const std::int64_t avail = std::min<std::int64_t>(N, std::int64_t(sig.Data.size()));
    float colMin = 1e31f, colMax = -1e31f;
    SampleScan st;
    std::int32_t k = 0;
    for (int c = 0; c < sirka; ++c) {
        const double ta = T1 + c * TnaPix;
        const double tb = T1 + (c + 1) * TnaPix;
        std::int64_t m = roundHalfEven((ta - t0) * fs) + 1;
        std::int64_t u = roundHalfEven((tb - t0) * fs) + 1;
        if ((m < 1 && u < 2) || (m > N && u > N))
            continue;
        m = std::max<std::int64_t>(m, 1);
        // A column reaching past the signal's end takes its last sample too (u is one
        // past the column's samples); otherwise only the last column adds its end sample.
        if (u > N)
            u = N + 1;
        else if (c == sirka - 1)
            u += 1;
        TImagePt& col = rec.Pts[static_cast<std::size_t>(c)];
        col.SmpNo = static_cast<std::int32_t>(std::min<std::int64_t>(m, INT32_MAX));
        const std::int64_t last = std::min(u - 1, avail); // samples m .. u-1
        if (last >= m) {
            SampleScan cs;
            scanSamples(data + (m - 1), last - m + 1, cs);
            colMin = std::min(colMin, cs.mn);
            colMax = std::max(colMax, cs.mx);
            st.mn = std::min(st.mn, cs.mn);
            st.mx = std::max(st.mx, cs.mx);
            st.sum += cs.sum;
            st.sumSq += cs.sumSq;
            st.n += cs.n;
        }
        TImagePt& e = rec.Pts[static_cast<std::size_t>(k)];
        e.X = c;
        e.Y1 = colMax;
        e.Y2 = colMin;
        col.Val = std::fabs(colMax) > std::fabs(colMin) ? colMax : colMin;
        ++k;
        std::swap(colMin, colMax);
    }
    storeStatistics(st, k, rec);
}

void singleSamplePass(const SignalRecord& sig, double T1, double TnaPix, int sirka,
                      TImageSigRec& rec) {
    const std::int64_t N = std::min<std::int64_t>(sig.SampleCount, std::int64_t(sig.Data.size()));
    const double fs = sig.f_sampl;
    const double t0 = sig.TimeOffset;
    SampleScan st;
    std::int32_t k = 0;
    for (int c = 0; c <= sirka; ++c) {
        const double ta = T1 + c * TnaPix;
        const double tb = T1 + (c + 1) * TnaPix;
        const std::int64_t idx = roundHalfEven(((ta + tb) / 2 - t0) * fs) + 1;
        if (idx < 1 || idx > N)
            continue;
        const float v = sig.Data[static_cast<std::size_t>(idx - 1)];
        TImagePt& col = rec.Pts[static_cast<std::size_t>(c)];
        col.SmpNo = static_cast<std::int32_t>(idx);
        col.Val = v;
        const double ts = t0 + double(idx - 1) / fs;
        if (ta <= ts && ts < tb) {
            TImagePt& e = rec.Pts[static_cast<std::size_t>(k)];
            e.X = c;
            e.Y1 = v;
            scanSamples(&v, 1, st);
            ++k;
        }
    }
    storeStatistics(st, k, rec);
}

} // namespace

void columnPassSignal(const SignalRecord& sig, double T1, double TnaPix, int sirka,
                      TImageSigRec& rec) {
    rec.SmpCount = 0;
    const double fs = sig.f_sampl;
    if (sig.SampleCount <= 0 || sig.Data.empty() || !(fs > 0.0) || !std::isfinite(fs) ||
        sirka < 1 || !std::isfinite(T1) || !std::isfinite(TnaPix))
        return;
    const std::size_t need = static_cast<std::size_t>(sirka) + 1;
    if (rec.Pts.size() < need)
        rec.Pts.resize(need);
    rec.JeMinMax = TnaPix > 1.0 / fs;
    if (rec.JeMinMax)
        minMaxPass(sig, T1, TnaPix, sirka, rec);
    else
        singleSamplePass(sig, T1, TnaPix, sirka, rec);
}

void PrepocitejX(const SignalStore& store, SigImageState& g, const PassYield& yield) {
    if (g.isOverview) {
        g._T1 = 1e300;
        g._T2 = -1e300;
        for (int i = 1; i <= kSlotCount; ++i) {
            const SignalRecord& s = store[i];
            if (s.SampleCount <= 0 || !s.Plot || !(s.f_sampl > 0.0))
                continue;
            g._T1 = std::min(g._T1, s.TimeOffset);
            g._T2 = std::max(g._T2, s.timeOf(s.SampleCount));
        }
        if (g._T1 > g._T2)
            g._T1 = 0.0, g._T2 = 10.0;
    }
    g._TnaPix = (g._T2 - g._T1) / std::max(g._Sirka, 1);
    for (int i = 1; i <= kSlotCount; ++i) {
        const SignalRecord& s = store[i];
        TImageSigRec& rec = g.rec(i);
        rec.SmpCount = 0;
        if (s.SampleCount <= 0)
            continue;
        columnPassSignal(s, g._T1, g._TnaPix, g._Sirka, rec);
        if (yield)
            yield(i);
    }
}

} // namespace mv
