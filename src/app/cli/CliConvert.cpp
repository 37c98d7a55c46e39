#include "app/cli/CliCommands.h"

namespace mv::cli {

int cmdConvert(const Args&, std::ostream&, std::ostream& err) {
    return notAvailable("convert", err);
}

} // namespace mv::cli
