#pragma once
// Whole-text number parsing shared by settings, file readers, function texts and
// edits. Each caller keeps its own rule for the decimal separator; what is common is
// here: blanks around the text, an optional '+', and nothing left over.
#include <cstdint>
#include <optional>
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

} // namespace mv
