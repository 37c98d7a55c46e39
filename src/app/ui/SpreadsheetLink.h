#pragma once
// Ties the open workbooks to the main window: File -> "Workbooks...", the
// "Excel output WS" list kept in step with the open sheets, and a question before
// closing when a workbook has unsaved changes.
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
    // Rescan step: fills the output-sheet list from the open sheets, keeping the choice.
    void updateOutputSheets();
    // The close check: true when the window may close.
    bool confirmClose();

    enum class Answer { Save, Discard, Cancel };
    // The question before closing with unsaved workbooks; tests put their own answer.
    std::function<Answer(const QStringList& unsavedNames)> askUnsaved;

private:
    TForm1& form_;
    Workspace& ws_;
    QPointer<WorkbooksWindow> window_;
};

} // namespace mv
