#pragma once
// The command line of the desktop application:
//   mvtervik [--settings FILE] [--screenshot FILE.png] [--print-pdf FILE.pdf] [--demo DIR]
//            [--format NAME] [--replay T1 T2 --screenshot-monitors FILE.png]
//            [--workbook FILE]... [--help-target NAME] [FILE...]
#include "app/ui/Main.h"

#include <QStringList>
#include <optional>

namespace mv {

std::optional<StartOptions> parseStartOptions(const QStringList& args, QString& error);

} // namespace mv
