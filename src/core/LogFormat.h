#pragma once
// The text of one line of the log pane: counter, three spaces, the time, two
// spaces, the message.
#include <string>
#include <string_view>

namespace mv {

std::string formatLogLine(int counter, std::string_view timeText, std::string_view text);

// "MVtervik 25.12.  Exe date: <date> <time>", the first line of every session.
std::string versionLogLine(std::string_view exeDate, std::string_view exeTime);

} // namespace mv
