// The desktop application: splash, main window, Monitors window, message loop.
#include "app/ui/Main.h"

#include "app/StartOptions.h"
#include "app/Workspace.h"
#include "app/ui/AppParts.h"
#include "app/ui/Splash.h"
#include "core/UserLocale.h"
#include "core/Version.h"
#include "files/Readers.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <exception>

namespace {

// Commands run on the UI thread; an error no command handles is shown and the
// application goes on.
class Application final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (const std::exception& ex) {
            std::fprintf(stderr, "mvtervik: %s\n", ex.what());
            QMessageBox::critical(activeWindow(), mv::kAppTitle, QString::fromUtf8(ex.what()));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    QApplication::setApplicationName(mv::kAppTitle);
    QApplication::setApplicationVersion(mv::kVersion);
    QApplication::setQuitOnLastWindowClosed(true);

    QString error;
    const auto options = mv::parseStartOptions(QApplication::arguments(), error);
    if (!options) {
        std::fprintf(stderr,
                     "mvtervik: %s\nusage: mvtervik [--settings FILE] [--screenshot FILE.png] "
                     "[--print-pdf FILE.pdf] [--demo DIR] [--format NAME] [--workbook FILE]... "
                     "[--track-subdir DIR] [--replay T1 T2 --screenshot-monitors FILE.png] "
                     "[--help-target NAME] [FILE...]\n",
                     qPrintable(error));
        return 2;
    }

    auto* splash = new mv::Splash;
    splash->show();
    QApplication::processEvents();

    mv::Workspace ws;
    // QApplication has switched the process to the user's locale; numbers in files,
    // settings and texts of this program are always written with '.', so the process keeps
    // the C numeric locale and remembers the user's separator for the formats that follow it.
    std::setlocale(LC_NUMERIC, "C");
    ws.decimalSeparator = mv::userDecimalSeparator();
    mv::files::installReaders(ws.readers);
    mv::TForm1 form(ws, *options, splash);
    mv::AppParts parts(form, ws);
    mv::MonitorsEngine& monitorsEngine = parts.monitorsEngine;
    mv::TScrMonForm& monitors = parts.monitors;
    monitorsEngine.start();
    form.show();

    // Without a window manager the window may never be activated: run the first
    // activation once the event loop is idle after showing the window.
    QTimer::singleShot(0, &form, [&form] { form.ensureFirstActivation(); });
    // --help-target NAME: help mode on and the help of that control in the pane.
    if (!options->helpTarget.isEmpty())
        QTimer::singleShot(0, &form, [&] {
            if (!parts.helpLink.showHelpFor(options->helpTarget))
                std::fprintf(stderr, "mvtervik: no control named %s has help\n",
                             qPrintable(options->helpTarget));
        });

    int screenshotResult = 0;
    // Grab once start-up has finished and the window has been idle for two looks in a
    // row: loading and the graphs' passes let the event loop run while they work (the
    // wait cursor is up meanwhile), so an early grab would catch a half-drawn window.
    QTimer screenshotTimer;
    QTimer replayWatch;
    int idleLooks = 0;
    if (options->unattended()) {
        QObject::connect(&screenshotTimer, &QTimer::timeout, &form, [&] {
            form.ensureFirstActivation();
            // The help cursor of help mode is no sign of work going on.
            const QCursor* cursor = QApplication::overrideCursor();
            const bool idle =
                form.startupDone() && (cursor == nullptr || cursor->shape() == Qt::WhatsThisCursor);
            idleLooks = idle ? idleLooks + 1 : 0;
            if (idleLooks < 2)
                return;
            screenshotTimer.stop();
            if (!options->screenshotPath.isEmpty() &&
                !form.saveScreenshot(options->screenshotPath)) {
                std::fprintf(stderr, "mvtervik: could not write %s\n",
                             qPrintable(options->screenshotPath));
                screenshotResult = 1;
            }
            // The active graph into a PDF file, printed as "Print graph" prints it.
            if (!options->printPdfPath.isEmpty() &&
                !parts.printLink.printGraphToPdf(options->printPdfPath)) {
                std::fprintf(stderr, "mvtervik: could not print to %s\n",
                             qPrintable(options->printPdfPath));
                screenshotResult = 1;
            }
            if (options->monitorsScreenshotPath.isEmpty()) {
                form.close();
                return;
            }
            // The rescan of the first activation has built the polygraphs stored in the
            // workbooks' PARAM block; without any there is nothing to replay into.
            if (monitors.polyForms().empty()) {
                std::fprintf(stderr, "mvtervik: the workbooks hold no polygraphs to replay\n");
                screenshotResult = 1;
                form.close();
                return;
            }
            monitors.show();
            monitors.replayWindow(options->replayT1, options->replayT2);
            replayWatch.start(20);
        });
        // The Monitors window is grabbed once its replay has ended; the graph thread is a
        // round behind the clock at most, and its images are painted when grabbed.
        QObject::connect(&replayWatch, &QTimer::timeout, &form, [&] {
            if (monitors.replaying())
                return;
            replayWatch.stop();
            if (!monitors.grab().save(options->monitorsScreenshotPath, "PNG")) {
                std::fprintf(stderr, "mvtervik: could not write %s\n",
                             qPrintable(options->monitorsScreenshotPath));
                screenshotResult = 1;
            }
            // A visible Monitors window would keep the program running after the main
            // window has closed.
            monitors.hide();
            form.close();
        });
        screenshotTimer.start(20);
    }
    const int rc = QApplication::exec();
    // Both replay threads end before any window or signal they look at goes.
    monitorsEngine.stop();
    return rc != 0 ? rc : screenshotResult;
}
