#pragma once
// How a value looks on the sheet under its number format, and how a typed text
// becomes a value.
#include <string>
#include <string_view>

#include "evaluation/workbook/Sheet.h"

namespace mv {

// True when the format shows a date or a time (d, m, y, h, s outside quotes and brackets).
bool isDateFormat(std::string_view code);

// The text the sheet shows for a value with a format code ("General", "0.000",
// "d/m/yyyy h:mm", "0.00%", "@").
std::string formatValue(const CellValue& v, std::string_view code);

// A number as the General format shows it: up to 15 significant digits, no
// trailing zeros, exponent form for very large or very small magnitudes.
std::string generalNumberText(double v);

// A date serial (1900 date system) as "yyyy-mm-dd" or with time "yyyy-mm-dd hh:mm:ss".
struct DateTimeParts {
    int year = 1900, month = 1, day = 0, hour = 0, minute = 0, second = 0;
    double fraction = 0; // of a second
};
DateTimeParts dateFromSerial(double serial);

// Text typed into a cell: empty -> Empty, a number (with '.' or the given decimal
// separator, optional exponent) -> Number, TRUE / FALSE -> Bool, anything else -> Text.
CellValue parseInput(std::string_view text, char decimalSeparator = '.');

} // namespace mv
