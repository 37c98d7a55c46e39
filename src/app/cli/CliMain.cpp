#include "app/cli/CliCommands.h"
#include "core/Version.h"

#include <cstring>
#include <exception>
#include <iostream>

namespace mv::cli {

int notAvailable(const char* name, std::ostream& err) {
    err << "mvtervik-cli: the subcommand '" << name << "' is not available in this build\n";
    return 2;
}

namespace {
const Command kCommands[] = {
    {"load", "load --format NAME FILE... [--first-slot N] [--json]", cmdLoad},
    {"convert", "convert --from NAME --to NAME [--savediv N] [--window T1 T2] FILE... --out DIR",
     cmdConvert},
    {"workbook",
     "workbook dump FILE.xlsx [--sheet S] [--range A1:C10] [--json] | workbook set FILE.xlsx "
     "SHEET!A1 VALUE [--bold]",
     cmdWorkbook},
    {"design-filter", "design-filter --low|--high --order N --alpha A [--json]", cmdDesignFilter},
    {"process",
     "process --fn \"TEXT\" [--fn ...] [--aux N=FILE] [--window T1 T2] [--inplace] FILE --out DIR",
     cmdProcess},
    {"bulk",
     "bulk --log LOG.xlsx --evalog EVALOG.xlsx --from A --to B [--load-format NAME] "
     "[--save-format NAME] [--dest DIR | --no-save] [--backup] [--keep-names] [--track-subdir "
     "DIR] [--jobs N] [--out-evalog FILE] [--fragment DIR [--slurm [--tasks K] [--partition P] "
     "[--sbatch-arg ARG]... [--wait] [--resume]]] [--settings FILE] [--json]",
     cmdBulk},
    {"bulk-merge",
     "bulk-merge --evalog EVALOG.xlsx --fragments DIR [--from A --to B] [--out-evalog FILE] "
     "[--settings FILE] [--json]",
     cmdBulkMerge},
    {"test-id", "test-id --log LOG.xlsx --id N [--track-subdir DIR] [--settings FILE] [--json]",
     cmdTestId},
    {"calibrate",
     "calibrate --log LOG.xlsx --id N --device D --direction forward|backward (--q3 | --table) "
     "[--hp HZ] [--lp HZ] [--format NAME] [--wheel-name NAME] [--settings FILE] [--json]",
     cmdCalibrate},
    {"qytl",
     "qytl --log LOG.xlsx --from A --to B --wheel DEV:NAME:ZERO:HP:LP [--wheel ...] "
     "[--qytl-lowpass HZ] [--save-fn N,N,...] [--save-div N] [--out DIR] [--settings FILE] "
     "[--json]",
     cmdQytl},
    {"rainflow",
     "rainflow --workbook OUT.xlsx --sheet PARAMSHEET --window T1 T2 [--format NAME] FILE... "
     "[--settings FILE] [--json]",
     cmdRainflow},
    {"align",
     "align --log LOG.xlsx --id N [--curve NAME] [--track-km NAME] [--mm-to-curve F] [--slope S] "
     "[--offset-m O] [--uf N:DIST:LABEL ...] [--forward NAME] [--backward NAME] [--signum] "
     "[--save] [--backup] [--save-format NAME] [--track-subdir DIR] [--settings FILE] [--json]",
     cmdAlign},
    {"curve2xls",
     "curve2xls --log LOG.xlsx --id N [--speed NAME] [--curve NAME] [--track-km NAME] "
     "[--mm-to-curve F] [--save] [--track-subdir DIR] [--settings FILE] [--json]",
     cmdCurve2xls},
    {"copy-to-sheet",
     "copy-to-sheet --workbook OUT.xlsx --sheet S --window T1 T2 [--max-rows M] [--format NAME] "
     "[--settings FILE] [--json] FILE...",
     cmdCopyToSheet},
};

void printHelp(std::ostream& out) {
    out << "mvtervik-cli " << kVersion << " - the command-line front of MVtervik\n\n"
        << "Usage: mvtervik-cli COMMAND [ARGS]\n\nCommands:\n";
    for (const auto& c : kCommands)
        out << "  " << c.usage << "\n";
    out << "\n  --version   print the version\n  --help      print this help\n";
}
} // namespace

} // namespace mv::cli

int main(int argc, char** argv) {
    using namespace mv::cli;
    if (argc < 2) {
        printHelp(std::cerr);
        return 2;
    }
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        printHelp(std::cout);
        return 0;
    }
    if (cmd == "--version") {
        std::cout << "mvtervik-cli " << mv::kVersion << "\n";
        return 0;
    }
    for (const auto& c : kCommands) {
        if (cmd == c.name) {
            Args args(argv + 2, argv + argc);
            try {
                return c.run(args, std::cout, std::cerr);
            } catch (const std::exception& e) {
                std::cerr << "mvtervik-cli " << cmd << ": " << e.what() << "\n";
                return 1;
            }
        }
    }
    std::cerr << "mvtervik-cli: unknown command '" << cmd << "'; see mvtervik-cli --help\n";
    return 2;
}
