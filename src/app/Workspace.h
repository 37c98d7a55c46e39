#pragma once
// The composition root: everything the program keeps for the life of the process, in
// one object the application owns. Subsystems never see it whole; it hands each one the
// narrow context it works on (the store, the chains, f process, ...), so a bulk worker or
// a test can build the same contexts from state of its own.
#include "core/LoadFiles.h"
#include "core/Settings.h"
#include "core/SignalStore.h"
#include "evaluation/TestLog.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "graphs/GraphState.h"
#include "monitors/ReplayCounter.h"
#include "processing/FnColumnsAdapter.h"
#include "processing/MV_func.h"
#include "wheelset/DeviceFunc.h"

#include <string>

namespace mv {

struct Workspace {
    SignalStore store;
    MainSettings settings;
    WindowPosSettings windowPos;
    // Readers of the load formats, filled by the files subsystem.
    ReaderTable readers;
    // Windows, drawing records and zoom slots of the two graphs.
    GraphsState graphs;
    // The function chains of all slots and the catalogue's current default texts.
    FnSlots fnSlots;
    // The directory the user works in (the main window's caption).
    std::string actualDir;
    // The open workbooks: the program's spreadsheet application.
    SpreadsheetApp spreadsheet;
    // Which open sheets are the Log, the EvaLog and the output sheet; the selected test.
    SpreadsheetState sheets;
    // Samples the Monitors' replay has sent so far.
    ReplayCounter replay;
    // The 32 wheels of the wheelset computation and their tables (device function
    // Save marks, QYTL filter, wheel table) as last stored.
    wheelset::DeviceTable devices;
    DevFnSettings devFn;
    // The user's decimal separator, read once at start; tests set it.
    char decimalSeparator = '.';

    double f_process() const { return settings.dfltSampl_f; }

    // The chains at the current f process (read now: the user may change it later).
    ProcessContext processContext() {
        return {store, fnSlots, settings.dfltSampl_f, &replay.atomic()};
    }
    operator ProcessContext() { return processContext(); }
    GraphsView graphsView() { return {graphs, store, decimalSeparator}; }
    ChainsView chainsView() {
        return {store, fnSlots, settings, decimalSeparator, &replay.atomic()};
    }
};

} // namespace mv
