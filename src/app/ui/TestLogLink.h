#pragma once
// The test Log in the main window: the Test ID edit and what a Test ID selects (the
// test description grid, date, time, f process, the track-information file, the test's
// folder as current directory), "Inc Test ID", "Dec Test ID", "Open acual ID" and Enter
// in the edit, and the labels a rescan of the open workbooks fills.
#include "app/Workspace.h"

#include <QObject>
#include <QString>

namespace mv {

class TForm1;
class MainView;
class SpreadsheetLink;

class TestLogLink final : public QObject {
    Q_OBJECT
public:
    TestLogLink(TForm1& form, Workspace& ws, MainView& view, SpreadsheetLink& sheets);

    // Selects the test of the edit's Test ID (the edit's text changes run it).
    void selectTestId(int id);
    // Opens the test's files from `dir` into the Signal table from its selected row;
    // returns the number of files found.
    int openTestId(const QString& dir);
    // The last selection, for the bulk page and tests.
    const TestSelection& selection() const { return selection_; }

private:
    void showRescan(const RescanResult& r);
    void makeCurrent(const std::string& path);
    void step(int delta);

    TForm1& form_;
    Workspace& ws_;
    MainView& view_;
    TestSelection selection_;
    QString storedTrackSubdir_;
};

} // namespace mv
