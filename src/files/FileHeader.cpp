#include "files/FileHeader.h"

#include "core/Cp1250.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace mv::files {

std::string currentDateTime() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    const std::size_t n = std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &tm);
    return std::string(buf, n);
}

std::array<char, kTextHeaderSize> buildTextHeader(const HeaderInfo& info) {
    std::array<char, kTextHeaderSize> h;
    h.fill(' ');
    std::string text = info.program + " " +
                       (info.dateTime.empty() ? currentDateTime() : info.dateTime) + " " +
                       info.logWorkbook;
    text = utf8ToCp1250(text);
    text.push_back('\0');
    // A long text runs past the ID field's start but never into the version bytes.
    std::memcpy(h.data(), text.data(), std::min<std::size_t>(text.size(), 124));
    const std::string id = "ID: " + std::to_string(info.fileId);
    std::memcpy(h.data() + 103, id.data(), std::min<std::size_t>(id.size(), 21));
    h[124] = 0x00;
    h[125] = 0x01;
    h[126] = 'I';
    h[127] = 'M';
    return h;
}

} // namespace mv::files
