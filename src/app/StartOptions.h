#pragma once
// The command line of the desktop application:
//   mvtervik [--settings FILE] [--screenshot FILE.png] [--demo DIR] [--format NAME]
//            [--workbook FILE]... [FILE...]
#include "app/ui/Main.h"

#include <QStringList>
#include <optional>

namespace mv {

std::optional<StartOptions> parseStartOptions(const QStringList& args, QString& error);

} // namespace mv
