#pragma once
// The desktop's settings file read (and written) without Qt, for the command-line front:
// the INI dialect QSettings writes. A key "Group/Name" lives in section [Group] as
// "Name"; a key without a group lives in [General]; deeper keys keep their further
// parts in the entry name, "Sub\Name". Values are unescaped the way QSettings reads them,
// and a value QSettings would read as a list (it holds unquoted commas) comes back
// joined with ',' as the desktop's backend joins it.
#include "core/Settings.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class IniSettings final : public SettingsBackend {
public:
    IniSettings() = default;
    // Reads a file; nullopt with the reason in `why` when it cannot be read.
    static std::optional<IniSettings> load(const std::string& path, std::string* why = nullptr);
    // Parses the text of a settings file.
    static IniSettings parse(std::string_view text);

    std::optional<std::string> read(const std::string& key) const override;
    void write(const std::string& key, const std::string& value) override;
    std::optional<std::string> readBytes(const std::string& key) const override;
    void writeBytes(const std::string& key, const std::string& bytes) override;

    // Every key the file holds ("Group/Name"), sorted.
    std::vector<std::string> keys() const;

    // The file text: [General] first, then the groups, each sorted by name.
    std::string text() const;
    // Writes the text beside the file and renames it over the file, so a failed write
    // leaves the old settings. False with the reason in `why` on failure.
    bool save(const std::string& path, std::string* why = nullptr) const;

private:
    // Key as the program names it ("Align_km/TrackInfoSubdirectory") -> the value text
    // as it stands in the file, still escaped.
    std::map<std::string, std::string> raw_;
};

namespace detail {
// Value text of the file -> the UTF-16 code units QSettings reads, with the pieces of a
// list joined by ','.
std::u16string iniUnescapeValue(std::string_view raw);
// A text as QSettings writes it (quoted when it holds ',', ';' or '=' or spaces at its
// ends; backslashes, quotes and control characters escaped).
std::string iniEscapeValue(std::u16string_view text);
// "%20" and "\" of a key or section name.
std::string iniUnescapeKey(std::string_view raw);
std::string iniEscapeKey(std::string_view key);
} // namespace detail

} // namespace mv
