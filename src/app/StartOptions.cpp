#include "app/StartOptions.h"

#include <QFileInfo>

namespace mv {

std::optional<StartOptions> parseStartOptions(const QStringList& args, QString& error) {
    StartOptions o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto needValue = [&](QString& target) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            target = args[++i];
            return true;
        };
        if (a == "--settings") {
            if (!needValue(o.settingsPath))
                return std::nullopt;
            o.settingsPath = QFileInfo(o.settingsPath).absoluteFilePath();
        } else if (a == "--screenshot") {
            if (!needValue(o.screenshotPath))
                return std::nullopt;
            // The main window changes the current directory before the picture is taken.
            o.screenshotPath = QFileInfo(o.screenshotPath).absoluteFilePath();
        } else if (a == "--print-pdf") {
            if (!needValue(o.printPdfPath))
                return std::nullopt;
            o.printPdfPath = QFileInfo(o.printPdfPath).absoluteFilePath();
        } else if (a == "--demo") {
            if (!needValue(o.demoDir))
                return std::nullopt;
            o.demoDir = QFileInfo(o.demoDir).absoluteFilePath();
        } else if (a == "--workbook") {
            QString book;
            if (!needValue(book))
                return std::nullopt;
            o.workbooks << QFileInfo(book).absoluteFilePath();
        } else if (a == "--track-subdir") {
            QString sub;
            if (!needValue(sub))
                return std::nullopt;
            o.trackSubdir = sub;
        } else if (a == "--format") {
            if (!needValue(o.loadFormat))
                return std::nullopt;
        } else if (a.startsWith("--")) {
            error = "unknown option " + a;
            return std::nullopt;
        } else {
            // Made absolute now: the main window changes the current directory at start.
            o.files << QFileInfo(a).absoluteFilePath();
        }
    }
    return o;
}

} // namespace mv
