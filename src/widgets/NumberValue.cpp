#include "widgets/NumberValue.h"

#include "core/FixedText.h"
#include "core/TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace mv {

namespace {

std::optional<std::int32_t> parseInt32(std::string_view text) {
    return parseWholeInt32(text);
}

// The first ',' reads as '.', whatever the user's separator is.
std::optional<double> parseDouble(std::string_view text) {
    std::string s(trimBlanks(text));
    if (const auto comma = s.find(','); comma != std::string::npos)
        s[comma] = '.';
    return parseWholeFinite(s);
}

std::int64_t roundToInt(double x) {
    constexpr double lim = 4.0e18;
    return static_cast<std::int64_t>(std::llround(std::clamp(x, -lim, lim)));
}

} // namespace

std::optional<std::uint32_t> parseIPv4(std::string_view text) {
    std::uint32_t addr = 0;
    for (int part = 0; part < 4; ++part) {
        unsigned v = 0;
        const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || p == text.data() || v > 255)
            return std::nullopt;
        addr = addr << 8 | v;
        text.remove_prefix(static_cast<std::size_t>(p - text.data()));
        if (part < 3) {
            if (text.empty() || text.front() != '.')
                return std::nullopt;
            text.remove_prefix(1);
        }
    }
    if (!text.empty())
        return std::nullopt;
    return addr;
}

std::string shortestDecimal(double v, char decimalSep) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string s = ec == std::errc() ? std::string(buf, p) : std::string("0");
    std::replace(s.begin(), s.end(), '.', decimalSep);
    return s;
}

int nearestEnumIndex(double v) {
    if (v > kEnumRates.back())
        return 0;
    int best = 0;
    for (int i = 1; i < int(kEnumRates.size()); ++i)
        if (std::abs(kEnumRates[i] - v) <= std::abs(kEnumRates[best] - v))
            best = i;
    return best;
}

bool NumberValue::change(std::string_view text) {
    bool ok = false;
    switch (FNumberTyp) {
    case ntInteger:
        if (const auto v = parseInt32(text); v && *v >= FMin && *v <= FMax) {
            IntegerVal = *v;
            ok = true;
        }
        break;
    case ntDouble:
        if (const auto v = parseDouble(text); v && *v >= FMin && *v <= FMax) {
            DoubleVal = *v;
            ok = true;
        }
        break;
    case ntEnum:
        // Any text is accepted; a number in it is the value the arrow keys step from.
        if (const auto v = parseDouble(text))
            DoubleVal = *v;
        ok = true;
        break;
    case ntIPv4:
        if (const auto a = parseIPv4(text)) {
            uInt32Val = *a;
            ok = true;
        } else if (text.size() < 3) {
            // A text too short to be an address is still being typed.
            uInt32Val = 0xFFFFFFFFu;
            ok = true;
        }
        break;
    }
    IsOK = ok;
    if (ok)
        Text_OK = cutUtf8(text, 32);
    return ok;
}

std::optional<std::string> NumberValue::stepText(int steps, char decimalSep) const {
    switch (FNumberTyp) {
    case ntInteger: {
        const std::int64_t lo = roundToInt(FMin), hi = roundToInt(FMax);
        std::int64_t v = std::int64_t(IntegerVal) + std::int64_t(steps) * roundToInt(FIncrement);
        v = std::clamp(v, std::min(lo, hi), hi);
        return std::to_string(v);
    }
    case ntDouble: {
        double v = DoubleVal + steps * FIncrement;
        v = std::clamp(v, std::min(FMin, FMax), FMax);
        return shortestDecimal(v, decimalSep);
    }
    case ntEnum: {
        const int n = int(kEnumRates.size());
        int i = nearestEnumIndex(DoubleVal);
        i = steps > 0 ? (i + 1) % n : (i + n - 1) % n;
        return shortestDecimal(kEnumRates[i], decimalSep);
    }
    case ntIPv4:
        break;
    }
    return std::nullopt;
}

int sizingLinePos(int pos, int targetOrigin) {
    return std::max(pos, targetOrigin + 50);
}

int splitTargetSize(int posInTarget, int maxDim) {
    return std::max(50, std::min(posInTarget, maxDim));
}

} // namespace mv
