#include "app/cli/CliCommands.h"

namespace mv::cli {

int cmdLoad(const Args&, std::ostream&, std::ostream& err) {
    return notAvailable("load", err);
}

} // namespace mv::cli
