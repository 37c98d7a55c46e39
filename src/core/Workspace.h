#pragma once
// Everything the program keeps for the life of the process, in one object the
// application owns and passes by reference. Tests make as many as they like.
// Each subsystem adds its own state here as a member.
#include "core/LoadFiles.h"
#include "core/Settings.h"
#include "core/SignalStore.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "graphs/GraphState.h"
#include "processing/MV_func.h"

#include <string>

namespace mv {

struct Workspace {
    SignalStore store;
    MainSettings settings;
    WindowPosSettings windowPos;
    // Readers of the load formats, filled by the files subsystem.
    ReaderTable readers;
    // The function chains of all slots and the catalogue's current default texts.
    FnSlots fnSlots;
    // Windows, drawing records and zoom slots of the two graphs.
    GraphsState graphs;
    // The directory the user works in (the main window's caption).
    std::string actualDir;
    // The open workbooks: the program's spreadsheet application.
    SpreadsheetApp spreadsheet;
    // The user's decimal separator, read once at start; tests set it.
    char decimalSeparator = '.';

    double f_process() const { return settings.dfltSampl_f; }
};

} // namespace mv
