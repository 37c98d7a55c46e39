#include "app/StartOptions.h"

#include <QFileInfo>
#include <cmath>

namespace mv {

std::optional<StartOptions> parseStartOptions(const QStringList& args, QString& error) {
    StartOptions o;
    bool replay = false;
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
        } else if (a == "--screenshot-monitors") {
            if (!needValue(o.monitorsScreenshotPath))
                return std::nullopt;
            o.monitorsScreenshotPath = QFileInfo(o.monitorsScreenshotPath).absoluteFilePath();
        } else if (a == "--replay") {
            if (i + 2 >= args.size()) {
                error = a + " needs two times, T1 and T2";
                return std::nullopt;
            }
            bool ok1 = false, ok2 = false;
            const double t1 = args[i + 1].toDouble(&ok1), t2 = args[i + 2].toDouble(&ok2);
            i += 2;
            // A window the replay clock cannot run: unreadable, not finite, or empty.
            if (!ok1 || !ok2 || !std::isfinite(t1) || !std::isfinite(t2) || !(t2 > t1) ||
                t2 - t1 > 1e6) {
                error = a + " needs T1 < T2 in seconds, at most 1e6 s apart";
                return std::nullopt;
            }
            o.replayT1 = t1;
            o.replayT2 = t2;
            replay = true;
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
        } else if (a == "--help-target") {
            if (!needValue(o.helpTarget))
                return std::nullopt;
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
    // The replay is only run for the picture of the Monitors window, and that picture
    // needs a replayed window.
    if (replay != !o.monitorsScreenshotPath.isEmpty()) {
        error = "--replay and --screenshot-monitors go together";
        return std::nullopt;
    }
    return o;
}

} // namespace mv
