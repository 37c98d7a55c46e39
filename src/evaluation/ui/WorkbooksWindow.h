#pragma once
// The Workbooks window: the program's spreadsheet application on screen. It lists the
// open workbooks, shows a sheet in a grid where the user edits values and marks cells
// bold, manages sheets and files, and lists the workbook's defined names. Everything
// it changes goes through the workspace's SpreadsheetApp.
#include "core/Log.h"
#include "evaluation/workbook/SpreadsheetApp.h"

#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QListWidget;
class QTabBar;
class QTableView;

namespace mv {

class SheetModel;

class WorkbooksWindow : public QWidget {
    Q_OBJECT
public:
    // `actualDir` (where the open dialog starts) and the decimal separator are read at
    // each use; both outlive the window.
    WorkbooksWindow(SpreadsheetApp& spreadsheet, const char& decimalSeparator,
                    const std::string& actualDir, Log& log, QWidget* parent = nullptr);

    // What to do with unsaved changes of a workbook about to close. The default asks
    // in a message box; tests put their own answer here.
    enum class UnsavedAnswer { Save, Discard, Cancel };
    std::function<UnsavedAnswer(const QString& workbookName)> askUnsaved;
    // The file name for Save As; the default shows a file dialog. Empty = cancelled.
    std::function<QString(const QString& suggested)> askSaveName;
    // A sheet name for Add / Rename; the default shows an input box. Empty = cancelled.
    std::function<QString(const QString& title, const QString& suggested)> askSheetName;
    // Asks before deleting a sheet; the default is a message box.
    std::function<bool(const QString& question)> confirm;
    // Shows a failure (it is in the log as well); the default is a message box.
    std::function<void(const QString& text)> showError;

    // Opens files; a file that fails is logged and the others still open.
    // Returns the number opened.
    int openFiles(const QStringList& paths);
    void newWorkbook();
    bool saveCurrent();
    bool saveCurrentAs();
    // Closes the current workbook, asking first when it has unsaved changes.
    bool closeCurrent();
    void addSheet();
    void renameSheet();
    void deleteSheet();
    // Ctrl+B: bold on or off for the selected cells, after the current cell.
    void toggleBold();

    // Shows a workbook and one of its sheets (index 0-based).
    void showWorkbook(WorkbookId id, int sheetIndex = 0);
    WorkbookId currentWorkbook() const { return current_; }
    SheetHandle currentSheet() const;

    QTableView* grid() const { return grid_; }
    QListWidget* workbookList() const { return books_; }
    QTabBar* sheetTabs() const { return tabs_; }
    QListWidget* namesList() const { return names_; }
    SheetModel* model() const { return model_; }

public slots:
    // Re-reads the workbook list, the tabs and the names from the engine.
    void refresh();

signals:
    // Workbooks or sheets were opened, closed, added, renamed or deleted.
    void workbooksChanged();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void openDialog();
    void updateActions();
    void refreshNames();
    bool guard(const std::function<void()>& action);

    SpreadsheetApp& spreadsheet_;
    const char& decimalSeparator_;
    const std::string& actualDir_;
    Log& log_;
    WorkbookId current_ = 0;
    QListWidget* books_ = nullptr;
    QListWidget* names_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* status_ = nullptr;
    SheetModel* model_ = nullptr;
    QList<QAction*> bookActions_;
    bool refreshing_ = false;
};

} // namespace mv
