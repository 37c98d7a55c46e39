// The Qt-free settings reader against QSettings itself: what the desktop writes, the
// command line reads the same, and the other way round.
#include "core/IniSettings.h"
#include "core/ui/QtSettingsBackend.h"

#include <QTemporaryDir>
#include <QTest>

using namespace mv;

class IniSettingsQtTest : public QObject {
    Q_OBJECT
    // Texts that need each of the escapes QSettings knows.
    const std::vector<std::pair<std::string, std::string>> values_ = {
        {"dfltSampl_f", "4000,5"},
        {"DestinationPath", "/data/a, b;c=d"},
        {"Align_km/TrackInfoSubdirectory", " tracks "},
        {"Quote", "say \"hi\" \\ there"},
        {"At", "@home"},
        {"Signals/001/SigColor", "\xC5\xBElut\xC3\xA1 \xF0\x9F\x98\x80"},
        {"My Group/Key=", "x"},
        {"General/Odd", "1"},
        {"Ctl", "a\x01"
                "2\n\t"},
        {"Empty", ""},
    };
    const std::string bytes_{"\x00\x01\xFF"
                             "A\\",
                             5};
private slots:
    void desktopFileReadsTheSameWithoutQt() {
        QTemporaryDir dir;
        const QString file = dir.filePath("MVtervik.ini");
        {
            QtSettingsBackend qt(file);
            for (const auto& [k, v] : values_)
                qt.write(k, v);
            qt.writeBytes("DevChannelSet", bytes_);
            QVERIFY(qt.flush());
        }
        const auto ini = IniSettings::load(file.toStdString());
        QVERIFY(ini.has_value());
        QtSettingsBackend qt(file);
        for (const auto& [k, v] : values_) {
            QVERIFY2(ini->read(k) == qt.read(k), k.c_str());
            QCOMPARE(ini->read(k), std::optional<std::string>(v));
        }
        QCOMPARE(ini->readBytes("DevChannelSet"), std::optional<std::string>(bytes_));
    }
    void fileWrittenWithoutQtReadsTheSameOnTheDesktop() {
        QTemporaryDir dir;
        const std::string file = dir.filePath("MVtervik.ini").toStdString();
        IniSettings ini;
        for (const auto& [k, v] : values_)
            ini.write(k, v);
        ini.writeBytes("DevChannelSet", bytes_);
        QVERIFY(ini.save(file));
        QtSettingsBackend qt(QString::fromStdString(file));
        for (const auto& [k, v] : values_)
            QCOMPARE(qt.read(k), std::optional<std::string>(v));
        QCOMPARE(qt.readBytes("DevChannelSet"), std::optional<std::string>(bytes_));
    }
};

QTEST_GUILESS_MAIN(IniSettingsQtTest)
#include "IniSettingsQtTest.moc"
