#include "core/ui/QtSettingsBackend.h"

#include <QDir>
#include <QStandardPaths>

namespace mv {

QString defaultSettingsPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath("Brenmoor/Morvanet/25.12/MVtervik.ini");
}

QtSettingsBackend::QtSettingsBackend(const QString& iniPath)
    : settings_(iniPath, QSettings::IniFormat) {}

std::optional<std::string> QtSettingsBackend::read(const std::string& key) const {
    const QVariant v = settings_.value(QString::fromStdString(key));
    if (!v.isValid())
        return std::nullopt;
    // A text with a comma comes back as a list from the INI reader; join it again so
    // that "4000,5" reaches the strict parser as written.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(',').toStdString();
    return v.toString().toStdString();
}

void QtSettingsBackend::write(const std::string& key, const std::string& value) {
    settings_.setValue(QString::fromStdString(key), QString::fromStdString(value));
}

std::optional<std::string> QtSettingsBackend::readBytes(const std::string& key) const {
    const QVariant v = settings_.value(QString::fromStdString(key));
    if (!v.isValid())
        return std::nullopt;
    return v.toByteArray().toStdString();
}

void QtSettingsBackend::writeBytes(const std::string& key, const std::string& bytes) {
    settings_.setValue(QString::fromStdString(key),
                       QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool QtSettingsBackend::flush() {
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

} // namespace mv
