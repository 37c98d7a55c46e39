#pragma once
// Files the user opened lately (File -> recent files) and the load format a file's
// extension names, for files that arrive without a format choice (recent files,
// files dropped on the window).
#include "core/LoadFiles.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class SettingsBackend;

inline constexpr int kRecentFileCount = 10;

// Puts `path` first; an earlier entry of the same path goes, the list keeps at most ten.
void addRecentFile(std::vector<std::string>& list, const std::string& path);
// "RecentFiles/File01" .. "File10"; empty values are skipped, duplicates dropped.
std::vector<std::string> readRecentFiles(const SettingsBackend& s);
void writeRecentFiles(SettingsBackend& s, const std::vector<std::string>& list);

// The format a file's extension (any case) names: .mvn/.mv0, .mat, .txt, .bkc, .csv, .wav,
// .pti. Nothing for others (".dat" is both raw single and Interfleet raw): the user's
// chosen load format decides then.
std::optional<LoadFormat> loadFormatOfPath(std::string_view path);

} // namespace mv
