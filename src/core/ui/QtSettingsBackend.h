#pragma once
// Settings in an INI file through QSettings: every subkey is a group of the same
// name, every value a text, DevChannelSet raw bytes.
#include "core/Settings.h"

#include <QSettings>
#include <QString>

namespace mv {

// ~/.config/Brenmoor/Morvanet/25.12/MVtervik.ini
QString defaultSettingsPath();

class QtSettingsBackend final : public SettingsBackend {
public:
    explicit QtSettingsBackend(const QString& iniPath);
    std::optional<std::string> read(const std::string& key) const override;
    void write(const std::string& key, const std::string& value) override;
    std::optional<std::string> readBytes(const std::string& key) const override;
    void writeBytes(const std::string& key, const std::string& bytes) override;
    // Writes pending values to the file; false when the file could not be written.
    bool flush();
    QString path() const { return settings_.fileName(); }

private:
    mutable QSettings settings_;
};

} // namespace mv
