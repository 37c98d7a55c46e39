#include "core/TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mv {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

namespace {
template <typename Int>
std::optional<Int> parseWholeInt(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    Int v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size())
        return std::nullopt;
    return v;
}
} // namespace

std::optional<std::int32_t> parseWholeInt32(std::string_view text) {
    return parseWholeInt<std::int32_t>(text);
}

std::optional<std::int64_t> parseWholeInt64(std::string_view text) {
    return parseWholeInt<std::int64_t>(text);
}

std::optional<double> parseWholeDouble(std::string_view s) {
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        // "+-1" is not a number.
        if (!s.empty() && s.front() == '-')
            return std::nullopt;
    }
    if (s.empty())
        return std::nullopt;
    double v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<double> parseWholeFinite(std::string_view text) {
    const auto v = parseWholeDouble(text);
    if (!v || !std::isfinite(*v))
        return std::nullopt;
    return v;
}

std::optional<double> parseUserNumber(std::string_view text, char sep) {
    std::string s(trimBlanks(text));
    if (sep != '.') {
        // The other separator is not a separator in the user's notation.
        if (s.find('.') != std::string::npos)
            return std::nullopt;
        std::replace(s.begin(), s.end(), sep, '.');
    }
    return parseWholeFinite(s);
}

std::string withDecimalSeparator(std::string s, char sep) {
    if (sep != '.')
        std::replace(s.begin(), s.end(), '.', sep);
    return s;
}

std::string formatFloatF(double v, int precision, int digits, char sep) {
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v > 0 ? "INF" : "-INF";
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, v);
    const double r = std::strtod(buf, nullptr);
    const char* e = std::strchr(buf, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    if (r != 0.0 && exponent + 1 > precision) {
        std::snprintf(buf, sizeof buf, "%.*E", precision - 1, v);
        return withDecimalSeparator(buf, sep);
    }
    std::snprintf(buf, sizeof buf, "%.*f", digits, r == 0.0 ? 0.0 : r);
    std::string s = buf;
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return withDecimalSeparator(s, sep);
}

} // namespace mv
