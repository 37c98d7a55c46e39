#pragma once
// Ties the open workbooks to the main window: File -> "Workbooks...", the rescan of the
// open workbooks (the Log, the EvaLog and the "Excel output WS" list), the output sheet
// chosen in that list, and a question before closing when a workbook has unsaved changes.
#include "app/Workspace.h"

#include <QObject>
#include <QPointer>

namespace mv {

class TForm1;
class WorkbooksWindow;

class SpreadsheetLink final : public QObject {
    Q_OBJECT
public:
    SpreadsheetLink(TForm1& form, Workspace& ws);

    // Shows the Workbooks window, creating it on first use.
    WorkbooksWindow* showWorkbooks();
    // Rescans the open workbooks: finds the Log and the EvaLog, fills the output-sheet
    // list (keeping the choice while it is still there) and tells `rescanned`.
    void rescan();
    // The close check: true when the window may close.
    bool confirmClose();

    enum class Answer { Save, Discard, Cancel };
    // The question before closing with unsaved workbooks; tests put their own answer.
    std::function<Answer(const QStringList& unsavedNames)> askUnsaved;

signals:
    // After every rescan, for the Test ID side and the bulk page.
    void rescanned(const mv::RescanResult& result);

private:
    void chooseOutputSheet(const QString& entry);

    TForm1& form_;
    Workspace& ws_;
    QPointer<WorkbooksWindow> window_;
};

} // namespace mv
