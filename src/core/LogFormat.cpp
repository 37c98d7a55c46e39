#include "core/LogFormat.h"

#include "core/Version.h"

namespace mv {

std::string formatLogLine(int counter, std::string_view timeText, std::string_view text) {
    std::string line = std::to_string(counter);
    line += "   ";
    line += timeText;
    line += "  ";
    line += text;
    return line;
}

std::string versionLogLine(std::string_view exeDate, std::string_view exeTime) {
    std::string s = "MVtervik ";
    s += kVersion;
    s += ".  Exe date: ";
    s += exeDate;
    s += ' ';
    s += exeTime;
    return s;
}

} // namespace mv
