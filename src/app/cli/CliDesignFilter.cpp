#include "app/cli/CliCommands.h"

namespace mv::cli {

int cmdDesignFilter(const Args&, std::ostream&, std::ostream& err) {
    return notAvailable("design-filter", err);
}

} // namespace mv::cli
