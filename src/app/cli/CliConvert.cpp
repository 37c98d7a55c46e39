// mvtervik-cli convert: reads files in one load format and writes every signal in
// one save format, thinned by a save divider and cut to a time window.
#include "app/Workspace.h"
#include "app/cli/CliCommands.h"
#include "app/cli/CliSignals.h"
#include "files/Readers.h"
#include "files/SaveSlot.h"

#include <filesystem>
#include <iostream>
#include <limits>

namespace mv::cli {

namespace {
bool toDouble(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0';
}
} // namespace

int cmdConvert(const Args& args, std::ostream& out, std::ostream& err) {
    std::string from, to, dir;
    std::vector<std::string> files;
    int saveDiv = 1;
    double T1 = 0.0, T2 = std::numeric_limits<double>::infinity();
    bool bad = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--from" && i + 1 < args.size())
            from = args[++i];
        else if (a == "--to" && i + 1 < args.size())
            to = args[++i];
        else if (a == "--out" && i + 1 < args.size())
            dir = args[++i];
        else if (a == "--savediv" && i + 1 < args.size())
            saveDiv = std::atoi(args[++i].c_str());
        else if (a == "--window" && i + 2 < args.size()) {
            bad |= !toDouble(args[i + 1], T1) || !toDouble(args[i + 2], T2);
            i += 2;
        } else if (a.rfind("--", 0) == 0)
            bad = true;
        else
            files.push_back(a);
    }
    const int fromIdx = loadFormatIndex(from);
    const int toIdx = saveFormatIndex(to);
    if (bad || fromIdx < 0 || toIdx < 0 || files.empty() || dir.empty() || saveDiv < 1) {
        err << "usage: mvtervik-cli convert --from NAME --to NAME [--savediv N] [--window T1 T2]"
               " FILE... --out DIR\n  load formats:";
        for (int k = 0; k < kLoadFormatCount; ++k)
            err << (k ? ", " : " ") << k << " \"" << kLoadFormatNames[k] << "\"";
        err << "\n  save formats:";
        for (int k = 0; k < kSaveFormatCount; ++k)
            err << (k ? ", " : " ") << k << " \"" << kSaveFormatNames[k] << "\"";
        err << "\n  N is a save divider of 1 or more\n";
        return 2;
    }

    Workspace ws;
    files::installReaders(ws.readers);
    CaptureLog log;
    int filled = 0;
    bool ok = loadInto(ws, log, files, 1, static_cast<LoadFormat>(fromIdx), filled);
    for (int s = 1; s <= kSlotCount; ++s)
        if (ws.store[s].occupied())
            ws.store[s].SaveDiv = saveDiv;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) {
        err << "mvtervik-cli convert: cannot create the directory " << dir << "\n";
        return 1;
    }
    TerminalProgress progress("saving");
    files::SaveContext sc{log, {}, progress};
    const int written =
        files::saveSignals(ws.store, dir, T1, T2, static_cast<SaveFormat>(toIdx), false, false, sc);
    printLog(log, out);
    out << written << " file(s) written to " << dir << "\n";
    return ok ? 0 : 1;
}

} // namespace mv::cli
