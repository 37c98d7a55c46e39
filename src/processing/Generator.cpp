#include "processing/Generator.h"

#include "core/SignalStore.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <random>

namespace mv {

double leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::string_view t = text.substr(i);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    // The longest prefix that reads as a plain decimal number.
    std::size_t n = 0;
    if (n < t.size() && t[n] == '-')
        ++n;
    while (n < t.size() && (std::isdigit(static_cast<unsigned char>(t[n])) || t[n] == '.'))
        ++n;
    if (n < t.size() && (t[n] == 'e' || t[n] == 'E')) {
        std::size_t m = n + 1;
        if (m < t.size() && (t[m] == '+' || t[m] == '-'))
            ++m;
        if (m < t.size() && std::isdigit(static_cast<unsigned char>(t[m]))) {
            while (m < t.size() && std::isdigit(static_cast<unsigned char>(t[m])))
                ++m;
            n = m;
        }
    }
    double v = 0.0;
    const auto r = std::from_chars(t.data(), t.data() + n, v);
    return r.ec == std::errc() && std::isfinite(v) ? v : 0.0;
}

bool GenerateSignal(SignalStore& store, const GeneratorParams& p) {
    if (!SignalStore::validSlot(p.sigNo) || p.samples < 1 || p.samples > 1000000000 ||
        !(p.fs > 0.0))
        return false;
    const std::int64_t n = p.samples;
    // Built off to the side and put in as a whole, so a reader of the store (the replay)
    // never sees the slot half generated.
    SignalRecord r;
    SampleBuffer data = SampleBuffer::zeros(static_cast<std::size_t>(n));
    std::mt19937_64 gen(p.seed);
    auto uniform = [&gen] { return static_cast<double>(gen() >> 11) * 0x1.0p-53; };

    double w[kGenComponents], dw[kGenComponents], R[kGenComponents], S[kGenComponents],
        O[kGenComponents];
    const double twoPi = 2.0 * std::numbers::pi;
    std::string name = "Gener ";
    for (int k = 0; k < kGenComponents; ++k) {
        const auto& c = p.cells[k];
        w[k] = twoPi * leadingNumber(c[gcF1]) / p.fs;
        const double w2 = twoPi * leadingNumber(c[gcF2]) / p.fs;
        dw[k] = (w2 - w[k]) / (2.0 * double(n));
        R[k] = leadingNumber(c[gcRandom]);
        S[k] = leadingNumber(c[gcSlope]);
        O[k] = leadingNumber(c[gcOffset]);
        name += c[gcRandom] + ".sin(" + c[gcF1] + ".." + c[gcF2] + ")+";
    }

    if (!p.workSimulate) {
        for (std::int64_t i = 0; i < n; ++i) {
            double sum = 0.0;
            for (int k = 0; k < kGenComponents; ++k) {
                const double sine = std::sin(w[k] * double(i));
                sum += (sine + R[k] * (uniform() - 0.5)) * S[k] + O[k];
            }
            data[static_cast<std::size_t>(i)] = static_cast<float>(sum);
            for (int k = 0; k < kGenComponents; ++k)
                w[k] += dw[k];
        }
    } else {
        // The pattern covers samples 1..2048; a shorter signal gets its beginning, a longer
        // one zeros after it.
        const std::int64_t last = std::min<std::int64_t>(n, 2048);
        for (std::int64_t i = 1; i <= last; ++i) {
            double v = R[0] * (uniform() - 0.5);
            if (i >= 501 && i <= 1000)
                v += S[0] * double(i - 501);
            else if (i >= 1001 && i <= 1500)
                v += S[0] * 499.0 - S[0] * double(i - 1001) - O[3];
            data[static_cast<std::size_t>(i - 1)] = static_cast<float>(v);
        }
    }

    r.setData(std::move(data));
    r.Unsaved = true;
    r.SigName = name;
    r.f_sampl = p.fs;
    r.TimeOffset = 0.0;
    r.SigDir.clear();
    r.FileExt.clear();
    r.Units.clear();
    r.Plot = true;
    r.ProcData.reset();
    store.installSignal(p.sigNo, std::move(r));
    return true;
}

} // namespace mv
