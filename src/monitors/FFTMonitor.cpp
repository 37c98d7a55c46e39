#include "monitors/FFTMonitor.h"

#include <cmath>
#include <cstdio>

namespace mv {

void computeDisp(TFFTrec& e, int spectType) {
    if (!e.ready())
        return;
    const auto aver = e.Aver();
    const auto disp = e.Disp();
    const double b = e.ENBW() > 0 ? e.ENBW() : 1.0;
    for (std::size_t k = 0; k < aver.size(); ++k) {
        const double a = aver[k];
        switch (spectType) {
        case 0:
            disp[k] = std::sqrt(std::max(a, 0.0));
            break;
        case 2:
            disp[k] = std::sqrt(std::max(a / b, 0.0));
            break;
        case 3:
            disp[k] = a / b;
            break;
        case 4:
            disp[k] = a > 0 ? 10.0 * std::log10(a / (b * kRefPressure * kRefPressure)) : 1.0;
            break;
        default:
            disp[k] = a;
            break;
        }
    }
}

bool spectrumColumns(std::span<const double> disp, double df, float xmin, float xmax, float xslope,
                     float limitMax, std::span<ColumnPair> cols) {
    const int W = int(cols.size());
    if (W == 0 || disp.empty() || !(df > 0))
        return false;
    const int N = int(disp.size()) - 1;
    const int l = std::clamp(int(std::lround(xmin / df)), 0, N);
    const int m = std::clamp(int(std::lround(xmax / df)) - l, 0, N - l);
    float lo = 1e20f, hi = -1e20f;
    bool warning = false;
    for (auto& c : cols)
        c = ColumnPair{};
    auto val = [&](int line) { return float(disp[std::size_t(line)]); };
    if (m > W) {
        const float w = float(W) / float(m);
        int u = 0;
        for (int v = 0; v <= m; ++v) {
            const int c = int(std::lround(w * float(v)));
            lo = std::min(lo, val(l + v));
            hi = std::max(hi, val(l + v));
            if (c > u && c - 1 < W) {
                cols[std::size_t(c - 1)] = {lo, hi};
                warning = warning || hi > limitMax;
                std::swap(lo, hi);
                u = c;
            }
        }
        return warning;
    }
    lo = hi = val(l);
    warning = val(l) > limitMax;
    const bool bars = 8 * m < W;
    int L = l, ptr = l;
    for (int c = 0; c < W; ++c) {
        const float f = float(c) / xslope + xmin;
        const int C = int(std::lround(f / df));
        if (C > L && ptr < l + m) {
            L = C;
            ++ptr;
            const float V = val(ptr);
            warning = warning || V > limitMax;
            if (hi > V) {
                if (bars)
                    lo = 0;
                else
                    lo = V;
                if (c > 0)
                    cols[std::size_t(c - 1)] = {lo, hi};
                lo = hi = V;
            }
            if (V > hi) {
                if (bars)
                    lo = 0;
                hi = V;
                cols[std::size_t(c)] = {lo, hi};
                lo = V;
            } else {
                cols[std::size_t(c)] = {lo, hi};
            }
        } else {
            cols[std::size_t(c)] = {lo, hi};
        }
    }
    return warning;
}

std::string rmsText(double level) {
    char b[64];
    std::snprintf(b, sizeof b, "%.3f  ", level);
    return b;
}

std::string rmsDbText(double level) {
    if (!(level > 0))
        return "0";
    char b[64];
    std::snprintf(b, sizeof b, "%.2f  ", 20.0 * std::log10(level / kRefPressure));
    return b;
}

std::string spectrumCopyText(TFFTrec& e, int spectType, const std::string& sigName,
                             const std::string& units) {
    static constexpr const char* heads[5] = {"f [Hz]\tLS ", "f [Hz]\tPS ", "f [Hz]\tLSD ",
                                             "f [Hz]\tPSD ", ""};
    std::string out = heads[std::clamp(spectType, 0, 4)];
    out += sigName + " [" + units + "]\r\n";
    if (!e.ready())
        return out;
    computeDisp(e, spectType);
    const auto disp = e.Disp();
    const float df = float(e.config().fs / (2.0 * e.config().lines));
    char b[96];
    for (std::size_t k = 0; k < disp.size(); ++k) {
        std::snprintf(b, sizeof b, "%1.4f\t%1.6e\r\n", double(float(k) * df), disp[k]);
        out += b;
    }
    return out;
}

} // namespace mv
