// The desktop application: splash, main window, Monitors window, message loop.
#include "app/ui/Main.h"

#include "app/StartOptions.h"
#include "app/Workspace.h"
#include "app/ui/AppParts.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Splash.h"
#include "app/ui/ToolPages.h"
#include "core/FnColumns.h"
#include "core/UserLocale.h"
#include "core/Version.h"
#include "core/ui/SignalGrid.h"
#include "files/Readers.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"
#include "widgets/ui/MV_Komp.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
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

// Clicks the button with this caption or object name, one on the front tool page first
// (several pages have a "Prev ID"), or else triggers the menu command of that name
// ("Autoscale values"); false when there is none, or it is disabled. A caption that
// reports a result ("Q3: 00:00:01") changes, the object name stays.
bool press(mv::TForm1& form, const QString& caption) {
    QWidget* front = form.controlPanel()->pages->currentWidget();
    for (QWidget* scope : {front, static_cast<QWidget*>(&form)})
        for (QAbstractButton* b : scope->findChildren<QAbstractButton*>())
            if (b->text() == caption || b->objectName() == caption) {
                if (!b->isEnabled())
                    return false;
                b->click();
                return true;
            }
    for (QAction* a : form.findChildren<QAction*>())
        if (QString(a->text()).remove('&') == caption && !a->menu()) {
            if (!a->isEnabled())
                return false;
            a->trigger();
            return true;
        }
    return false;
}

// Runs the steps of --page, --test-id, --open-id, --fn, --zoom and --press in the order
// given, the way a user's clicks and keys would; false (reported on stderr) when one of
// them could not be done.
bool runStartSteps(const std::vector<mv::StartStep>& steps, mv::TForm1& form, mv::Workspace& ws,
                   mv::MainView& view, mv::TestLogLink& testLog) {
    using Kind = mv::StartStep::Kind;
    bool ok = true;
    const auto fail = [&ok](const QString& text) {
        std::fprintf(stderr, "mvtervik: %s\n", qPrintable(text));
        ok = false;
    };
    mv::ControlPanel* panel = form.controlPanel();
    for (const mv::StartStep& st : steps) {
        switch (st.kind) {
        case Kind::Page:
            panel->pages->setCurrentIndex(mv::ToolPages::captions().indexOf(st.text));
            break;
        case Kind::TestId:
        case Kind::OpenId: {
            panel->testIdEdit->setValueText(QString::number(st.number));
            if (!testLog.selection().valid || testLog.selection().id != st.number) {
                fail(QString("Test ID %1 is not a valid test of the Log").arg(st.number));
                break;
            }
            if (st.kind == Kind::TestId)
                break;
            int opened = 0;
            form.runCommand(
                [&] { opened = testLog.openTestId(QString::fromStdString(ws.sheets.TestPath)); });
            if (opened == 0)
                fail(QString("--open-id: Test ID %1 has no files to open").arg(st.number));
            break;
        }
        case Kind::Fn: {
            mv::FnColumnsPort& fns = view.functions();
            int step = 0;
            while (step < mv::kFnSteps && !fns.stepName(st.number, step).empty())
                ++step;
            if (!ws.store[st.number].occupied())
                fail(QString("--fn: slot %1 holds no signal").arg(st.number));
            else if (step == mv::kFnSteps || !fns.attach(st.number, step, st.text.toStdString()))
                fail("--fn: the function text is refused: " + st.text);
            else
                ws.store[st.number].ProcFn = true;
            break;
        }
        case Kind::Zoom: {
            const mv::SigImageState& lower = view.graphs()->Image2()->state();
            view.graphs()->Image2()->ZoomTo(st.t1, st.t2, lower._YMin, lower._YMax);
            break;
        }
        case Kind::Press:
            if (!press(form, st.text))
                fail("--press: no button or command \"" + st.text + "\" to press");
            break;
        }
        view.SignalGrid()->SignalGridUpdate(0);
        view.graphs()->RedrawGraphs();
    }
    return ok;
}

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
                     "[--help-target NAME] [--page NAME | --test-id N | --open-id N | "
                     "--fn SLOT TEXT | --zoom T1 T2 | --press TEXT]... [FILE...]\n",
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
    // The view asked for on the command line is set up once start-up has finished; the
    // screenshot modes wait for it.
    bool viewDone = options->steps.empty();
    QTimer viewTimer;
    if (!viewDone) {
        QObject::connect(&viewTimer, &QTimer::timeout, &form, [&] {
            if (!form.startupDone())
                return;
            viewTimer.stop();
            if (!runStartSteps(options->steps, form, ws, parts.mainView, parts.testLogLink))
                screenshotResult = 1;
            viewDone = true;
        });
        viewTimer.start(20);
    }
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
            const bool idle = form.startupDone() && viewDone &&
                              (cursor == nullptr || cursor->shape() == Qt::WhatsThisCursor);
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
