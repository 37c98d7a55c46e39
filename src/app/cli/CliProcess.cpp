#include "app/cli/CliCommands.h"

namespace mv::cli {

int cmdProcess(const Args&, std::ostream&, std::ostream& err) {
    return notAvailable("process", err);
}

} // namespace mv::cli
