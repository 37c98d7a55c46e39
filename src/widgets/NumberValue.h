#pragma once
// The arithmetic behind the numeric edit: which texts are valid values, how the
// arrow keys and the wheel step a value, and the sizes a splitter may give.
// The widgets only show the results.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mv {

enum TNumberTyp { ntInteger, ntDouble, ntEnum, ntIPv4 };

// The sampling rates an ntEnum edit steps through.
inline constexpr std::array<double, 6> kEnumRates = {8000, 11025, 22050, 44100, 48000, 96000};

struct NumberValue {
    TNumberTyp FNumberTyp = ntInteger;
    double FIncrement = 1.0;
    double FMin = 0.0;
    double FMax = 0.0;
    std::int32_t IntegerVal = 0;
    double DoubleVal = 0.0;
    std::uint32_t uInt32Val = 0;
    bool IsOK = true;
    std::string Text_OK;

    // Checks a new text. Valid: IsOK, the value field and Text_OK (first 32 characters)
    // follow it. Invalid: IsOK is false and the last valid value stays. Returns IsOK.
    bool change(std::string_view text);

    // The text after `steps` arrow-key or wheel steps (negative = down); std::nullopt
    // when the kind does not step (ntIPv4, and ntEnum for the wheel). `decimalSep` is the
    // user's separator, used for the texts of ntDouble and ntEnum.
    std::optional<std::string> stepText(int steps, char decimalSep) const;
};

// A dotted address a.b.c.d as a*2^24 + b*2^16 + c*2^8 + d.
std::optional<std::uint32_t> parseIPv4(std::string_view text);
// Shortest decimal text that reads back to v, with the given separator.
std::string shortestDecimal(double v, char decimalSep);
// Index of the rate nearest to v; a tie takes the higher rate, above 96000 counts as the first.
int nearestEnumIndex(double v);

// Splitter geometry, in the coordinates of the form.
// Where the sizing line is drawn: never closer than 50 pixels to the target's origin.
int sizingLinePos(int pos, int targetOrigin);
// The size the target gets when the mouse is released: at least 50, at most maxDim.
int splitTargetSize(int posInTarget, int maxDim);

} // namespace mv
