#include "core/RecentFiles.h"

#include "core/Settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace mv {

namespace {
std::string recentKey(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "RecentFiles/File%02d", i);
    return buf;
}
} // namespace

void addRecentFile(std::vector<std::string>& list, const std::string& path) {
    if (path.empty())
        return;
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > std::size_t(kRecentFileCount))
        list.resize(std::size_t(kRecentFileCount));
}

std::vector<std::string> readRecentFiles(const SettingsBackend& s) {
    std::vector<std::string> list;
    for (int i = 1; i <= kRecentFileCount; ++i)
        if (const auto v = s.read(recentKey(i));
            v && !v->empty() && std::find(list.begin(), list.end(), *v) == list.end())
            list.push_back(*v);
    return list;
}

void writeRecentFiles(SettingsBackend& s, const std::vector<std::string>& list) {
    for (int i = 1; i <= kRecentFileCount; ++i)
        s.write(recentKey(i), std::size_t(i) <= list.size() ? list[std::size_t(i - 1)] : "");
}

std::optional<LoadFormat> loadFormatOfPath(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    struct Entry {
        const char* ext;
        LoadFormat format;
    };
    static constexpr Entry kByExt[] = {
        {"mvn", LoadFormat::Morvanet}, {"mv0", LoadFormat::Morvanet}, {"mat", LoadFormat::MatlabV6},
        {"txt", LoadFormat::Ascii},    {"bkc", LoadFormat::BkBkc},    {"csv", LoadFormat::BkCsv},
        {"wav", LoadFormat::BkWav},    {"pti", LoadFormat::BkPti},
    };
    for (const Entry& e : kByExt)
        if (ext == e.ext)
            return e.format;
    return std::nullopt;
}

} // namespace mv
