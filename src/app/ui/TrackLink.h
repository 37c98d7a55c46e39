#pragma once
// The track tools in the main window: the "Align km" and "Curve2xls" pages wired to the
// selected test and the signal store, "Copy sign.to Excel" of the graphs' popup menu, and
// the reading rows a Ctrl + click on a graph (or on a statistics heading of the Signal
// table) pastes into the output sheet.
#include "app/Workspace.h"
#include "evaluation/TrackAlign.h"

#include <QObject>
#include <vector>

namespace mv {

class TForm1;
class MainView;
class TestLogLink;
class AlignKmPage;
class Curve2xlsPage;

class TrackLink final : public QObject {
    Q_OBJECT
public:
    TrackLink(TForm1& form, Workspace& ws, MainView& view, TestLogLink& testLog);

    AlignKmPage* alignPage() const { return align_; }
    Curve2xlsPage* curvePage() const { return curve_; }

    // The page commands; `step` moves the Test ID first (−1 Prev ID, +1 Next ID).
    void openAlignment(int step);
    void realign();
    void saveAligned();
    void openCurve2xls(int step);
    void saveCurve2xls();
    // "Copy sign.to Excel" and PasteToExcel(column) of the active graph.
    void copySignalsToExcel();
    void pasteToExcel(int column);

private:
    void stepTestId(int step);
    void updateButtons();
    AlignIo io() const;
    std::string trackSubdir() const;
    void redraw();

    TForm1& form_;
    Workspace& ws_;
    MainView& view_;
    TestLogLink& testLog_;
    AlignKmPage* align_ = nullptr;
    Curve2xlsPage* curve_ = nullptr;
    std::vector<TrackElement> elements_;
};

} // namespace mv
