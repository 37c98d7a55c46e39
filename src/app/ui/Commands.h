#pragma once
// The commands of the main window, typed. Every menu item and window shortcut is one of
// these; a subsystem's link object connects its handler with TForm1::onCommand, so a
// misspelt command does not compile instead of silently doing nothing.
#include <string_view>

namespace mv {

enum class Cmd : int {
    // File
    OpenSignal,
    CloseAllSignals,
    SaveSignals,
    Workbooks,
    Preview,
    Print,
    PrintSetup,
    ExportGraph,
    Exit,
    // Edit
    IncTestId,
    DecTestId,
    OpenActualId,
    DeleteAllFunctions,
    CopyGraph,
    // Zoom
    ZoomAll,
    SwapZoom,
    ShowZoom1, // .. ShowZoom1 + 9 = "Show zoom0"
    SetZoom1 = ShowZoom1 + 10,
    ValueZoomIn = SetZoom1 + 10,
    ValueZoomOut,
    AutoscaleValues,
    // Control
    ProcessFnUp,
    ProcessFnDown,
    FillValue,
    SwapActiveGraph,
    SwapWindow,
    // Help
    HelpOnMouseMove,
    CzHelp,
    About,
    Count_
};
inline constexpr int kCmdCount = static_cast<int>(Cmd::Count_);

// Zoom slot i (1..10; 10 is "zoom0").
constexpr Cmd showZoomCmd(int i) {
    return static_cast<Cmd>(static_cast<int>(Cmd::ShowZoom1) + i - 1);
}
constexpr Cmd setZoomCmd(int i) {
    return static_cast<Cmd>(static_cast<int>(Cmd::SetZoom1) + i - 1);
}

// The action's object name ("actOpenSignal", "actShowZoom3", ...), for tests and
// settings that look at the widget tree.
std::string_view cmdObjectName(Cmd c);

} // namespace mv
