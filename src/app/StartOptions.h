#pragma once
// The command line of the desktop application:
//   mvtervik [--settings FILE] [--screenshot FILE.png] [--demo DIR] [--format NAME] [FILE...]
#include <QStringList>
#include <optional>

#include "core/ui/Main.h"

namespace mv {

std::optional<StartOptions> parseStartOptions(const QStringList& args, QString& error);

} // namespace mv
