#include "evaluation/workbook/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace mv {

namespace {
// The first section of a format, or the second for a negative value when there is one.
std::string_view section(std::string_view code, bool negative, bool& hasNegSection) {
    hasNegSection = false;
    size_t start = 0;
    int idx = 0;
    bool quote = false;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '"')
            quote = !quote;
        else if (code[i] == '\\')
            ++i;
        else if (code[i] == ';' && !quote) {
            if (idx == 0 && !negative)
                return code.substr(0, i);
            if (idx == 1) {
                hasNegSection = true;
                return code.substr(start, i - start);
            }
            ++idx;
            start = i + 1;
        }
    }
    if (idx >= 1 && negative) {
        hasNegSection = true;
        return code.substr(start);
    }
    return idx == 0 ? code : code.substr(0, code.find(';'));
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string formatDate(double serial, std::string_view code) {
    const DateTimeParts p = dateFromSerial(serial);
    static const char* const months[] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};
    const bool ampm = lowerAscii(code).find("am/pm") != std::string::npos;
    std::string out;
    bool lastWasHour = false;
    for (size_t i = 0; i < code.size();) {
        const char c = code[i];
        const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t run = 1;
        while (i + run < code.size() && std::tolower(static_cast<unsigned char>(code[i + run])) == lc)
            ++run;
        char buf[32];
        if (c == '"') {
            const auto end = code.find('"', i + 1);
            out.append(code.substr(i + 1, (end == std::string_view::npos ? code.size() : end) - i - 1));
            i = end == std::string_view::npos ? code.size() : end + 1;
            continue;
        }
        if (c == '\\' && i + 1 < code.size()) {
            out.push_back(code[i + 1]);
            i += 2;
            continue;
        }
        if (c == '[') {
            const auto end = code.find(']', i);
            const std::string inner = lowerAscii(code.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1));
            if (inner == "h" || inner == "hh") {
                std::snprintf(buf, sizeof buf, "%d", static_cast<int>(std::floor(serial * 24)));
                out += buf;
            }
            i = end == std::string_view::npos ? code.size() : end + 1;
            continue;
        }
        if (lc == 'a' && lowerAscii(code.substr(i, 5)) == "am/pm") {
            out += p.hour < 12 ? "AM" : "PM";
            i += 5;
            continue;
        }
        if (lc == 'y') {
            std::snprintf(buf, sizeof buf, run <= 2 ? "%02d" : "%04d", run <= 2 ? p.year % 100 : p.year);
            out += buf;
        } else if (lc == 'd') {
            if (run <= 2)
                std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.day);
            else
                std::snprintf(buf, sizeof buf, "%s", "");
            out += buf;
        } else if (lc == 'h') {
            int h = p.hour;
            if (ampm)
                h = h % 12 == 0 ? 12 : h % 12;
            std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", h);
            out += buf;
            lastWasHour = true;
            i += run;
            continue;
        } else if (lc == 'm') {
            // Minutes right after hours or right before seconds, else the month.
            size_t k = i + run;
            while (k < code.size() && (code[k] == ':' || code[k] == ' '))
                ++k;
            const bool minutes = lastWasHour || (k < code.size() && std::tolower(static_cast<unsigned char>(code[k])) == 's');
            if (minutes)
                std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.minute);
            else if (run <= 2)
                std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.month);
            else
                std::snprintf(buf, sizeof buf, "%.*s", run == 3 ? 3 : 20, months[(p.month + 11) % 12]);
            out += buf;
        } else if (lc == 's') {
            std::snprintf(buf, sizeof buf, run == 1 ? "%d" : "%02d", p.second);
            out += buf;
        } else {
            out.append(code.substr(i, run));
        }
        if (lc != ':' && lc != ' ')
            lastWasHour = false;
        i += run;
    }
    return out;
}

std::string formatFixed(double v, std::string_view code) {
    bool percent = false, thousands = false, exponent = false, digits = false;
    int decimals = 0;
    bool afterPoint = false;
    std::string prefix, suffix;
    bool quote = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            quote = !quote;
            continue;
        }
        if (quote || c == '\\' || c == '[') {
            if (c == '[') {
                i = code.find(']', i);
                if (i == std::string_view::npos)
                    break;
                continue;
            }
            if (c == '\\' && i + 1 < code.size())
                ++i;
            (digits ? suffix : prefix).push_back(code[i]);
            continue;
        }
        if (c == '0' || c == '#' || c == '?') {
            digits = true;
            if (afterPoint && !exponent)
                ++decimals;
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            thousands = true;
        } else if (c == '%') {
            percent = true;
            suffix.push_back('%');
        } else if (c == 'E' || c == 'e') {
            exponent = true;
            while (i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-' || code[i + 1] == '0'))
                ++i;
        } else if (c != '_' && c != '*') {
            (digits ? suffix : prefix).push_back(c);
        } else {
            ++i; // "_x" pads and "*x" fills take the next character
        }
    }
    if (!digits)
        return prefix + suffix;
    if (percent)
        v *= 100;
    // The sheet rounds halves away from zero; printf would round 12.5 to 12.
    const double scale = std::pow(10.0, decimals);
    if (!exponent && std::fabs(v) * scale < 1e15)
        v = std::round(v * scale) / scale;
    char buf[400];
    if (exponent) {
        std::snprintf(buf, sizeof buf, "%.*E", decimals, v);
    } else {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    }
    std::string num = buf;
    if (thousands && !exponent) {
        const bool neg = !num.empty() && num[0] == '-';
        const auto point = num.find('.');
        std::string intPart = num.substr(neg ? 1 : 0, (point == std::string::npos ? num.size() : point) - (neg ? 1 : 0));
        std::string grouped;
        for (size_t k = 0; k < intPart.size(); ++k) {
            if (k > 0 && (intPart.size() - k) % 3 == 0)
                grouped.push_back(',');
            grouped.push_back(intPart[k]);
        }
        num = (neg ? "-" : "") + grouped + (point == std::string::npos ? "" : num.substr(point));
    }
    return prefix + num + suffix;
}
} // namespace

bool isDateFormat(std::string_view code) {
    bool quote = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            quote = !quote;
        } else if (quote) {
            continue;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const auto end = code.find(']', i);
            const std::string inner = lowerAscii(code.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1));
            if (inner == "h" || inner == "hh" || inner == "mm" || inner == "ss")
                return true;
            if (end == std::string_view::npos)
                return false;
            i = end;
        } else {
            const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lc == 'd' || lc == 'm' || lc == 'y' || lc == 'h' || lc == 's')
                return lowerAscii(code) != "general";
        }
    }
    return false;
}

DateTimeParts dateFromSerial(double serial) {
    DateTimeParts p;
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466)
        return p;
    long days = static_cast<long>(std::floor(serial));
    double secs = (serial - static_cast<double>(days)) * 86400.0;
    long whole = static_cast<long>(std::floor(secs + 0.5e-3));
    if (whole >= 86400) {
        whole -= 86400;
        ++days;
    }
    p.hour = static_cast<int>(whole / 3600);
    p.minute = static_cast<int>((whole / 60) % 60);
    p.second = static_cast<int>(whole % 60);
    p.fraction = std::max(0.0, secs - static_cast<double>(whole));
    if (days == 60) { // the 29 February 1900 that the 1900 date system counts
        p.year = 1900, p.month = 2, p.day = 29;
        return p;
    }
    if (days == 0) {
        p.year = 1900, p.month = 1, p.day = 0;
        return p;
    }
    if (days > 60)
        --days;
    // Day 1 is 1900-01-01; to days since 1970-01-01, then to a civil date
    // (the algorithm of H. Hinnant).
    const long z = days - 25568 + 719468;
    const long era = z / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
    return p;
}

std::string generalNumberText(double v) {
    if (!std::isfinite(v))
        return "#NUM!";
    if (v == 0)
        return "0";
    char buf[64];
    const double a = std::fabs(v);
    if (a >= 1e15 || a < 1e-9) {
        std::snprintf(buf, sizeof buf, "%.14E", v);
        std::string s = buf;
        const auto e = s.find('E');
        std::string mant = s.substr(0, e);
        while (mant.back() == '0')
            mant.pop_back();
        if (mant.back() == '.')
            mant.pop_back();
        return mant + s.substr(e);
    }
    std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string s = buf;
    if (s.find('E') != std::string::npos) {
        std::snprintf(buf, sizeof buf, "%.15f", v);
        s = buf;
    }
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

std::string formatValue(const CellValue& v, std::string_view code) {
    switch (v.type) {
    case CellType::Empty: return {};
    case CellType::Text:
    case CellType::Error: return v.text;
    case CellType::Bool: return v.number != 0 ? "TRUE" : "FALSE";
    case CellType::Number:
    case CellType::Date: break;
    }
    if (code.empty() || lowerAscii(code) == "general" || code == "@")
        return generalNumberText(v.number);
    if (isDateFormat(code))
        return formatDate(v.number, code);
    bool hasNeg = false;
    std::string_view sec = section(code, v.number < 0, hasNeg);
    if (lowerAscii(sec) == "general")
        return generalNumberText(v.number);
    return formatFixed(hasNeg ? std::fabs(v.number) : v.number, sec);
}

CellValue parseInput(std::string_view text, char decimalSeparator) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (text.empty())
        return CellValue::empty();
    std::string t(text);
    if (decimalSeparator != '.')
        for (char& c : t)
            if (c == decimalSeparator)
                c = '.';
    const char* b = t.data();
    if (*b == '+')
        ++b;
    double d = 0;
    auto res = std::from_chars(b, t.data() + t.size(), d);
    if (res.ec == std::errc() && res.ptr == t.data() + t.size() && std::isfinite(d))
        return CellValue::num(d);
    const std::string up = lowerAscii(text);
    if (up == "true")
        return CellValue::boolean(true);
    if (up == "false")
        return CellValue::boolean(false);
    return CellValue::str(std::string(text));
}

} // namespace mv
