#include "core/TextNumbers.h"

#include <charconv>
#include <cmath>

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

} // namespace mv
