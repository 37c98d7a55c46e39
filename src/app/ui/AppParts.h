#pragma once
// Everything the main window is assembled from: the main view, the subsystems' link
// objects, the Monitors window with its engine, and the context help. main() builds one
// for the session; tests build the same set to look at the finished window.
#include "app/ui/BulkLink.h"
#include "app/ui/HelpLink.h"
#include "app/ui/MainView.h"
#include "app/ui/PrintLink.h"
#include "app/ui/RainflowLink.h"
#include "app/ui/SpreadsheetLink.h"
#include "app/ui/TestLogLink.h"
#include "app/ui/TrackLink.h"
#include "app/ui/WheelsetLink.h"
#include "monitors/MonitorsEngine.h"
#include "monitors/ui/MV_ScrMonForm.h"

#include <memory>

namespace mv {

class TForm1;
struct Workspace;

// The replay's inputs from the main window: f process, the lower graph's window and the
// Test ID.
class MainReplaySource final : public ReplaySource {
public:
    MainReplaySource(TForm1& form, MainView& view) : form_(form), view_(view) {}
    double fsPlay() const override;
    std::pair<double, double> lowerWindow() const override;
    std::string testId() const override;
    void focusSignal(int slot) const override;

private:
    TForm1& form_;
    MainView& view_;
};

// Built after the window and destroyed before it. The Monitors engine's threads are
// started by the owner (start()) and must be stopped (stop()) before this goes.
struct AppParts {
    AppParts(TForm1& form, Workspace& ws);
    AppParts(const AppParts&) = delete;
    AppParts& operator=(const AppParts&) = delete;

    MainView mainView;
    SpreadsheetLink spreadsheetLink;
    TestLogLink testLogLink;
    WheelsetLink wheelsetLink;
    BulkLink bulkLink;
    PrintLink printLink;
    RainflowLink rainflowLink;
    TrackLink trackLink;
    MonitorsEngine monitorsEngine;
    MainReplaySource replaySource;
    TScrMonForm monitors;
    // Last: it looks at the finished widget tree of both windows.
    HelpLink helpLink;
};

} // namespace mv
