#include "app/cli/CliCommands.h"

namespace mv::cli {

int cmdWorkbook(const Args&, std::ostream&, std::ostream& err) {
    return notAvailable("workbook", err);
}

} // namespace mv::cli
