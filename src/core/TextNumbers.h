#pragma once
// Whole-text number parsing shared by settings, file readers, function texts and
// edits. Each caller keeps its own rule for the decimal separator; what is common is
// here: blanks around the text, an optional '+', and nothing left over.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mv {

// Without the spaces and tabs at both ends.
std::string_view trimBlanks(std::string_view s);

// The whole text (blanks around allowed, one leading '+') as an integer of that width.
std::optional<std::int32_t> parseWholeInt32(std::string_view text);
std::optional<std::int64_t> parseWholeInt64(std::string_view text);

// The whole text (no blanks, one leading '+' not followed by '-') as a double with '.'
// as the separator; "inf" and "nan" parse, callers that need a finite value check it.
std::optional<double> parseWholeDouble(std::string_view text);
// The same, finite values only.
std::optional<double> parseWholeFinite(std::string_view text);

// ---- the user's numbers ------------------------------------------------------
// Numbers the user types or reads on screen follow the user's decimal separator; this is
// the one place that reads and writes them.

// A whole text (blanks around allowed, optional sign and exponent) as a finite double,
// with `sep` as the decimal separator; with a separator other than '.', a '.' is refused
// ("2,5e3" -> 2500 for ',').
std::optional<double> parseUserNumber(std::string_view text, char sep);

// The text with its '.' replaced by `sep`.
std::string withDecimalSeparator(std::string s, char sep);

// v with `precision` significant digits at most: fixed with `digits` decimals, or the
// exponent form ("2.5000000E+09") when the integer part needs more digits than that.
// A value that rounds to zero is written without a sign; NaN and infinities as
// "NAN", "INF", "-INF".
std::string formatFloatF(double v, int precision, int digits, char sep = '.');

} // namespace mv
