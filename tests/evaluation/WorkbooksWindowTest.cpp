// The Workbooks window, offscreen: open a file, edit a value, Ctrl+B, save, and the
// close that must not drop unsaved changes without asking.
#include "evaluation/ui/WorkbooksWindow.h"

#include "app/Workspace.h"
#include "evaluation/ui/SheetModel.h"

#include <QAbstractItemView>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace mv;

class WorkbooksWindowTest : public QObject {
    Q_OBJECT
private slots:
    void openEditBoldSave();
    void closeAsksBeforeDroppingChanges();
    void sheetsAndNames();
};

namespace {
std::string makeLog(const QTemporaryDir& dir) {
    SpreadsheetApp app;
    const WorkbookId id = app.newWorkbook("Log");
    const SheetHandle s = app.sheetAt(id, 0);
    app.setValue(s, 2, 1, CellValue::str("Ini sheet"));
    app.setValue(s, 3, 2, CellValue::num(0.1 + 0.2));
    app.setNumberFormat(s, {{4, 2}, {4, 2}}, "0.000");
    app.setValue(s, 4, 2, CellValue::num(2.5));
    app.workbook(id).setName("Ident", app.resolve(s), {{2, 1}, {2, 1}});
    const std::string path = QDir(dir.path()).filePath("Log.xlsx").toStdString();
    app.saveAs(id, path);
    return path;
}
} // namespace

void WorkbooksWindowTest::openEditBoldSave() {
    QTemporaryDir dir;
    const std::string path = makeLog(dir);
    Workspace ws;
    CaptureLog log;
    WorkbooksWindow w(ws.spreadsheet, ws.decimalSeparator, ws.actualDir, log);
    QSignalSpy changed(&w, &WorkbooksWindow::workbooksChanged);
    w.show();
    QCOMPARE(w.openFiles({QString::fromStdString(path), dir.path() + "/missing.xlsx"}), 1);
    QCOMPARE(changed.count(), 1);
    QVERIFY(log.contains("missing.xlsx"));
    QCOMPARE(w.workbookList()->count(), 1);
    QCOMPARE(w.sheetTabs()->tabText(0), QString("Log"));
    QCOMPARE(w.namesList()->count(), 1);
    QVERIFY(w.namesList()->item(0)->text().contains("Log!$A$2"));

    SheetModel* m = w.model();
    QCOMPARE(m->data(m->index(1, 0), Qt::DisplayRole).toString(), QString("Ini sheet"));
    QCOMPARE(m->data(m->index(3, 1), Qt::DisplayRole).toString(), QString("2.500"));
    // Editing shows every digit, and committing the same text changes nothing.
    QCOMPARE(m->data(m->index(2, 1), Qt::EditRole).toString(), QString("0.30000000000000004"));
    QVERIFY(!m->setData(m->index(2, 1), "0.30000000000000004", Qt::EditRole));
    QVERIFY(ws.spreadsheet.workbook(w.currentWorkbook()).saved());

    // Type into C5 through the view's editor.
    QTableView* grid = w.grid();
    grid->setFocus();
    grid->setCurrentIndex(m->index(4, 2));
    grid->edit(m->index(4, 2));
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "12.5");
    QTest::keyClick(editor, Qt::Key_Return);
    const SheetHandle s = w.currentSheet();
    QTRY_COMPARE(ws.spreadsheet.value2(s, 5, 3).number, 12.5); // the view commits queued
    QVERIFY(w.workbookList()->item(0)->text().endsWith(" *"));

    // Ctrl+B on a selection of two cells, and again to take it off one.
    grid->setCurrentIndex(m->index(1, 0));
    grid->selectionModel()->select(m->index(1, 1), QItemSelectionModel::Select);
    QTest::keyClick(grid, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(ws.spreadsheet.bold(s, 2, 1));
    QVERIFY(ws.spreadsheet.bold(s, 2, 2));
    QVERIFY(m->data(m->index(1, 0), Qt::FontRole).value<QFont>().bold());
    grid->selectionModel()->setCurrentIndex(m->index(1, 1), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(ws.spreadsheet.bold(s, 2, 1));
    QVERIFY(!ws.spreadsheet.bold(s, 2, 2));

    QVERIFY(w.saveCurrent());
    QVERIFY(!w.workbookList()->item(0)->text().endsWith(" *"));
    auto back = Workbook::open(path);
    QCOMPARE(back->sheet(0).value(5, 3).number, 12.5);
    QVERIFY(back->styles().isBold(back->sheet(0).style(2, 1)));
    QVERIFY(!back->styles().isBold(back->sheet(0).style(2, 2)));
}

void WorkbooksWindowTest::closeAsksBeforeDroppingChanges() {
    QTemporaryDir dir;
    Workspace ws;
    CaptureLog log;
    WorkbooksWindow w(ws.spreadsheet, ws.decimalSeparator, ws.actualDir, log);
    int asked = 0;
    auto answer = WorkbooksWindow::UnsavedAnswer::Cancel;
    w.askUnsaved = [&](const QString&) {
        ++asked;
        return answer;
    };
    QString saveName;
    w.askSaveName = [&](const QString&) { return saveName; };
    w.newWorkbook();
    QCOMPARE(w.workbookList()->count(), 1);
    const WorkbookId id = w.currentWorkbook();
    QVERIFY(w.model()->setData(w.model()->index(0, 0), "kept", Qt::EditRole));

    QVERIFY(!w.closeCurrent()); // cancelled
    QCOMPARE(asked, 1);
    QVERIFY(ws.spreadsheet.isOpen(id));
    answer = WorkbooksWindow::UnsavedAnswer::Save; // but the Save As is cancelled
    QVERIFY(!w.closeCurrent());
    QVERIFY(ws.spreadsheet.isOpen(id));
    saveName = QDir(dir.path()).filePath("kept");
    QVERIFY(w.closeCurrent()); // saved, then closed
    QVERIFY(!ws.spreadsheet.isOpen(id));
    QCOMPARE(Workbook::open(saveName.toStdString() + ".xlsx")->sheet(0).value(1, 1),
             CellValue::str("kept"));

    w.newWorkbook();
    QVERIFY(w.model()->setData(w.model()->index(0, 0), "dropped", Qt::EditRole));
    answer = WorkbooksWindow::UnsavedAnswer::Discard;
    QVERIFY(w.closeCurrent());
    QCOMPARE(w.workbookList()->count(), 0);
    QCOMPARE(asked, 4);
}

void WorkbooksWindowTest::sheetsAndNames() {
    Workspace ws;
    CaptureLog log;
    WorkbooksWindow w(ws.spreadsheet, ws.decimalSeparator, ws.actualDir, log);
    QStringList names = {"CalibrWS", "Bad/name", "Results"};
    w.askSheetName = [&](const QString&, const QString&) { return names.takeFirst(); };
    QStringList errors;
    w.showError = [&](const QString& text) { errors.append(text); };
    QSignalSpy changed(&w, &WorkbooksWindow::workbooksChanged);
    w.newWorkbook();
    w.addSheet();
    QCOMPARE(w.sheetTabs()->count(), 2);
    QCOMPARE(w.sheetTabs()->currentIndex(), 1);
    QCOMPARE(w.sheetTabs()->tabText(1), QString("CalibrWS"));
    w.renameSheet(); // "Bad/name" is refused with a message in the log
    QVERIFY(log.contains("cannot name a sheet"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(w.sheetTabs()->tabText(1), QString("CalibrWS"));
    w.renameSheet();
    QCOMPARE(w.sheetTabs()->tabText(1), QString("Results"));
    QCOMPARE(outputSheetEntries(ws.spreadsheet),
             (std::vector<std::string>{"[Book1]Sheet1", "[Book1]Results"}));
    bool agree = false;
    w.confirm = [&](const QString&) { return agree; };
    w.deleteSheet();
    QCOMPARE(w.sheetTabs()->count(), 2);
    agree = true;
    w.deleteSheet();
    QCOMPARE(w.sheetTabs()->count(), 1);
    QCOMPARE(changed.count(), 4); // new, add, rename, delete
    QVERIFY(ws.spreadsheet.rescanDue());
}

QTEST_MAIN(WorkbooksWindowTest)
#include "WorkbooksWindowTest.moc"
