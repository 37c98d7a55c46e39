#include "graphs/ColumnPass.h"

#include "core/SignalStore.h"
#include "core/TimeWindow.h"

#include <algorithm>
#include <cmath>

namespace mv {

namespace {
constexpr int kLanes = 8;
} // namespace

void scanSamples(const float* p, std::int64_t count, SampleScan& s) {
    if (count <= 0)
        return;
    // Independent lanes let the compiler keep several extremes and sums in vector
    // registers; a single accumulator would serialise every add on its latency.
    float mn[kLanes], mx[kLanes];
    double sum[kLanes], sq[kLanes];
    for (int l = 0; l < kLanes; ++l) {
        mn[l] = s.mn;
        mx[l] = s.mx;
        sum[l] = 0.0;
        sq[l] = 0.0;
    }
    std::int64_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            const float v = p[i + l];
            mn[l] = v < mn[l] ? v : mn[l];
            mx[l] = v > mx[l] ? v : mx[l];
            const double d = v;
            sum[l] += d;
            sq[l] += d * d;
        }
    }
    for (; i < count; ++i) {
        const float v = p[i];
        mn[0] = v < mn[0] ? v : mn[0];
        mx[0] = v > mx[0] ? v : mx[0];
        const double d = v;
        sum[0] += d;
        sq[0] += d * d;
    }
    double tsum = 0.0, tsq = 0.0;
    for (int l = 0; l < kLanes; ++l) {
        s.mn = mn[l] < s.mn ? mn[l] : s.mn;
        s.mx = mx[l] > s.mx ? mx[l] : s.mx;
        tsum += sum[l];
        tsq += sq[l];
    }
    s.sum += tsum;
    s.sumSq += tsq;
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
        u = std::min<std::int64_t>(u, N);
        if (c == sirka - 1)
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
