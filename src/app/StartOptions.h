#pragma once
// The command line of the desktop application:
//   mvtervik [--settings FILE] [--screenshot FILE.png] [--print-pdf FILE.pdf] [--demo DIR]
//            [--format NAME] [--replay T1 T2 --screenshot-monitors FILE.png]
//            [--workbook FILE]... [--track-subdir DIR] [--help-target NAME]
//            [--page NAME | --test-id N | --open-id N | --fn SLOT TEXT | --zoom T1 T2
//             | --press TEXT]... [FILE...]
#include "app/ui/Main.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace mv {

// One step of setting the window up once start-up has finished, as a user would set it
// up by hand; the steps run in the order given. The screenshot modes use them to picture
// one task at a time.
struct StartStep {
    enum class Kind {
        Page,   // --page NAME: the tool page with this caption comes to the front
        TestId, // --test-id N: Test ID N typed into its edit, which selects the test
        OpenId, // --open-id N: the same, then its files opened (Ctrl+Enter)
        Fn,     // --fn SLOT TEXT: the next step of the slot's chain, "ProcFn" set
        Zoom,   // --zoom T1 T2: the lower graph's time window
        Press,  // --press TEXT: the button with this caption or object name clicked (one of
                // the front tool page's first), or else the menu command of that name run
    };
    Kind kind = Kind::Page;
    QString text;   // NAME, TEXT
    int number = 0; // N, SLOT
    double t1 = 0, t2 = 0;
};

struct CommandLine : StartOptions {
    std::vector<StartStep> steps;
};

std::optional<CommandLine> parseStartOptions(const QStringList& args, QString& error);

} // namespace mv
