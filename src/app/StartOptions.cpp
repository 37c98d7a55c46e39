#include "app/StartOptions.h"

#include "app/ui/ToolPages.h"
#include "core/FnColumns.h"
#include "core/SignalStore.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace mv {

namespace {

// A time window of the graphs: two finite numbers, T1 < T2.
bool readWindow(const QStringList& args, int& i, double& t1, double& t2) {
    if (i + 2 >= args.size())
        return false;
    bool ok1 = false, ok2 = false;
    t1 = args[i + 1].toDouble(&ok1);
    t2 = args[i + 2].toDouble(&ok2);
    i += 2;
    return ok1 && ok2 && std::isfinite(t1) && std::isfinite(t2) && t2 > t1;
}

} // namespace

std::optional<CommandLine> parseStartOptions(const QStringList& args, QString& error) {
    CommandLine o;
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
        } else if (a == "--page") {
            StartStep st;
            st.kind = StartStep::Kind::Page;
            if (!needValue(st.text))
                return std::nullopt;
            if (!ToolPages::captions().contains(st.text)) {
                error = a + " needs one of: \"" + ToolPages::captions().join("\", \"") + "\"";
                return std::nullopt;
            }
            o.steps.push_back(st);
        } else if (a == "--test-id" || a == "--open-id") {
            StartStep st;
            st.kind = a == "--open-id" ? StartStep::Kind::OpenId : StartStep::Kind::TestId;
            QString id;
            if (!needValue(id))
                return std::nullopt;
            bool ok = false;
            st.number = id.toInt(&ok);
            if (!ok || st.number < 1) {
                error = a + " needs a Test ID of 1 or more";
                return std::nullopt;
            }
            o.steps.push_back(st);
        } else if (a == "--press") {
            StartStep st;
            st.kind = StartStep::Kind::Press;
            if (!needValue(st.text))
                return std::nullopt;
            o.steps.push_back(st);
        } else if (a == "--fn") {
            if (i + 2 >= args.size()) {
                error = a + " needs a slot and a function text";
                return std::nullopt;
            }
            StartStep st;
            st.kind = StartStep::Kind::Fn;
            bool ok = false;
            st.number = args[i + 1].toInt(&ok);
            if (!ok || !SignalStore::validSlot(st.number)) {
                error = a + " needs a slot of 1.." + QString::number(kSlotCount);
                return std::nullopt;
            }
            st.text = args[i + 2];
            i += 2;
            const auto steps = std::count_if(o.steps.begin(), o.steps.end(), [&](const auto& s) {
                return s.kind == StartStep::Kind::Fn && s.number == st.number;
            });
            if (steps >= kFnSteps) {
                error = a + ": a chain has " + QString::number(kFnSteps) + " steps at most";
                return std::nullopt;
            }
            o.steps.push_back(st);
        } else if (a == "--zoom") {
            StartStep st;
            st.kind = StartStep::Kind::Zoom;
            if (!readWindow(args, i, st.t1, st.t2)) {
                error = a + " needs T1 < T2 in seconds";
                return std::nullopt;
            }
            o.steps.push_back(st);
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
