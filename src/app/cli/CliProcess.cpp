// mvtervik-cli process: loads a signal file, attaches a chain of processing functions
// to every signal read from it, runs the chain over a time window and saves the result.
#include "app/Workspace.h"
#include "app/cli/CliCommands.h"
#include "app/cli/CliSignals.h"
#include "files/Readers.h"
#include "files/SaveSlot.h"
#include "processing/MV_func.h"

#include <charconv>
#include <filesystem>
#include <limits>
#include <ostream>

namespace mv::cli {

namespace {

const char* kUsage =
    "usage: mvtervik-cli process --fn \"TEXT\" [--fn ...] [--aux N=FILE] [--window T1 T2] "
    "[--inplace] [--format NAME] [--to NAME] FILE --out DIR\n"
    "  TEXT is a function in its text form, e.g. \"Drop( Limit differ=10; "
    "ReplaceSamplesCnt=100)\";\n"
    "  up to four --fn make the steps Fn1..Fn4. --aux loads FILE into slot N for functions\n"
    "  that read a second signal. --format is the load format (default from the extension),\n"
    "  --to the save format (default: the load format when it can be saved, else Morvanet).\n";

bool toDouble(const std::string& s, double& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

struct AuxFile {
    int slot = 0;
    std::string path;
};

} // namespace

int cmdProcess(const Args& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> fns, files;
    std::vector<AuxFile> aux;
    std::string dir, loadName, saveName;
    double t1 = 0.0, t2 = std::numeric_limits<double>::max();
    bool inPlace = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--fn" && i + 1 < args.size()) {
            fns.push_back(args[++i]);
        } else if (a == "--aux" && i + 1 < args.size()) {
            const std::string& v = args[++i];
            const auto eq = v.find('=');
            AuxFile f;
            if (eq == std::string::npos ||
                std::from_chars(v.data(), v.data() + eq, f.slot).ptr != v.data() + eq ||
                !SignalStore::validSlot(f.slot)) {
                err << "process: --aux wants N=FILE with a slot N of 1..200, not '" << v << "'\n";
                return 2;
            }
            f.path = v.substr(eq + 1);
            aux.push_back(f);
        } else if (a == "--window" && i + 2 < args.size()) {
            if (!toDouble(args[i + 1], t1) || !toDouble(args[i + 2], t2)) {
                err << "process: --window wants two times in seconds\n";
                return 2;
            }
            i += 2;
        } else if (a == "--inplace") {
            inPlace = true;
        } else if (a == "--out" && i + 1 < args.size()) {
            dir = args[++i];
        } else if (a == "--format" && i + 1 < args.size()) {
            loadName = args[++i];
        } else if (a == "--to" && i + 1 < args.size()) {
            saveName = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            err << "process: unexpected option '" << a << "'\n" << kUsage;
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (fns.empty() || fns.size() > kFnStepCount || files.size() != 1 || dir.empty()) {
        err << kUsage;
        return 2;
    }
    const int loadIdx = loadName.empty() ? static_cast<int>(loadFormatFromExtension(files[0]))
                                         : loadFormatIndex(loadName);
    if (loadIdx < 0) {
        err << "process: unknown load format '" << loadName << "'\n";
        return 2;
    }
    int saveIdx =
        saveName.empty() ? (loadIdx < kSaveFormatCount ? loadIdx : 0) : saveFormatIndex(saveName);
    if (saveIdx < 0) {
        err << "process: unknown save format '" << saveName << "'\n";
        return 2;
    }

    auto ws = std::make_unique<Workspace>();
    files::installReaders(ws->readers);
    CaptureLog log;
    int filled = 0;
    if (!loadInto(*ws, log, files, 1, static_cast<LoadFormat>(loadIdx), filled) || filled == 0) {
        printLog(log, out);
        err << "process: no signal was read from " << files[0] << "\n";
        return 1;
    }
    for (const AuxFile& f : aux) {
        if (f.slot <= filled) {
            err << "process: slot " << f.slot << " already holds a signal of " << files[0]
                << "; choose an auxiliary slot above " << filled << "\n";
            return 2;
        }
        int n = 0;
        if (!loadInto(*ws, log, {f.path}, f.slot, loadFormatFromExtension(f.path), n) || n == 0) {
            printLog(log, out);
            err << "process: no signal was read from " << f.path << "\n";
            return 1;
        }
    }
    for (int sig = 1; sig <= filled; ++sig)
        for (std::size_t k = 0; k < fns.size(); ++k) {
            std::string why;
            if (!FnAttach(*ws, sig, static_cast<int>(k), fns[k], log, &why)) {
                printLog(log, out);
                err << "process: --fn \"" << fns[k] << "\" is refused: " << why << "\n";
                return 2;
            }
        }

    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) {
        err << "process: cannot create the directory " << dir << "\n";
        return 1;
    }
    const std::string outDir = dir.back() == '/' ? dir : dir + "/";
    files::SaveContext sc{log, {}};
    int failures = 0, written = 0;
    TerminalProgress progress("processing");
    ProcessOptions opts;
    opts.progress = &progress;
    for (int sig = 1; sig <= filled; ++sig) {
        const ProcessResult r =
            ProcessSignal(*ws, sig, t1, t2, inPlace, ws->settings.KeepOrigSigName, log, opts);
        if (r.status != ProcessStatus::Done) {
            ++failures;
            continue;
        }
        const auto st = files::SaveSlot(ws->store,
                                        {.slot = r.resultSlot,
                                         .saveDiv = 1,
                                         .dir = outDir,
                                         .format = static_cast<SaveFormat>(saveIdx)},
                                        sc);
        if (st == files::SaveStatus::Written) {
            ++written;
            out << "signal " << sig << " -> " << outDir
                << files::fileNameOf(ws->store[r.resultSlot].SigName.str())
                << files::saveExtension(static_cast<SaveFormat>(saveIdx)) << "\n";
        } else {
            ++failures;
        }
    }
    printLog(log, out);
    out << written << " processed signal(s) written to " << dir << "\n";
    return failures == 0 ? 0 : 1;
}

} // namespace mv::cli
