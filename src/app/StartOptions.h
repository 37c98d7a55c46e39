#pragma once
// The command line of the desktop application:
//   mvtervik [--settings FILE] [--screenshot FILE.png] [--print-pdf FILE.pdf] [--demo DIR]
//            [--format NAME] [--replay T1 T2 --screenshot-monitors FILE.png]
//            [--workbook FILE]... [--track-subdir DIR]
//            [--page NAME] [--test-id N | --open-id N] [--fn SLOT TEXT]... [--press TEXT]...
//            [--zoom T1 T2] [FILE...]
#include "app/ui/Main.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace mv {

// What the window shows once start-up has finished, set up as a user would set it up by
// hand; the screenshot modes use it to picture one task at a time.
struct StartView {
    QString page; // --page NAME: the tool page with this caption comes to the front
    // --test-id N: Test ID N typed into its edit, which selects the test; --open-id N
    // opens its files as well (Ctrl+Enter).
    int testId = 0;
    bool openTest = false;
    struct Fn {
        int slot = 0;
        QString text; // a function in its text form, "Filter( f1=5; ...)"
    };
    // --fn SLOT TEXT (repeatable): the next step of the slot's chain; the chains run over
    // the upper graph's window as "Process Fn Up" runs them.
    std::vector<Fn> fns;
    // --press TEXT (repeatable): the button with this caption is clicked, one of the
    // front tool page's first.
    QStringList presses;
    // --zoom T1 T2: the lower graph's time window.
    std::optional<std::pair<double, double>> zoom;
    bool empty() const {
        return page.isEmpty() && testId == 0 && fns.empty() && presses.isEmpty() && !zoom;
    }
};

struct CommandLine : StartOptions {
    StartView view;
};

std::optional<CommandLine> parseStartOptions(const QStringList& args, QString& error);

} // namespace mv
