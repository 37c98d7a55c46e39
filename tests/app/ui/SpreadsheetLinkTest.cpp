// The main window and the open workbooks: the output-sheet list follows the open
// sheets, and closing with unsaved workbooks asks first and loses nothing.
#include "app/ui/SpreadsheetLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

using namespace mv;

class SpreadsheetLinkTest : public QObject {
    Q_OBJECT
private slots:
    void outputListShowsEveryOpenSheet();
    void closingAsksAboutUnsavedWorkbooks();
    void screenshotRunClosesWithoutAskingOrSaving();
};

void SpreadsheetLinkTest::outputListShowsEveryOpenSheet() {
    QTemporaryDir dir;
    Workspace ws;
    StartOptions o;
    o.settingsPath = dir.filePath("s.ini");
    TForm1 form(ws, o);
    SpreadsheetLink link(form, ws);
    const WorkbookId id = ws.spreadsheet.newWorkbook("Data");
    ws.spreadsheet.addSheet(id, "Results");
    form.show();
    form.ensureFirstActivation();
    QComboBox* combo = form.controlPanel()->excelOutCombo;
    QVERIFY(combo->isEnabled());
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    const QString book = QString::fromStdString(ws.spreadsheet.workbook(id).name());
    QCOMPARE(items, (QStringList{"[" + book + "]Data", "[" + book + "]Results"}));
    QVERIFY(!ws.spreadsheet.rescanDue());
    link.askUnsaved = [](const QStringList&) { return SpreadsheetLink::Answer::Discard; };
    form.close();
}

void SpreadsheetLinkTest::closingAsksAboutUnsavedWorkbooks() {
    QTemporaryDir dir;
    Workspace ws;
    StartOptions o;
    o.settingsPath = dir.filePath("s.ini");
    TForm1 form(ws, o);
    SpreadsheetLink link(form, ws);
    form.show();
    form.ensureFirstActivation();
    const std::string path = dir.filePath("Log.xlsx").toStdString();
    const WorkbookId id = ws.spreadsheet.newWorkbook();
    ws.spreadsheet.saveAs(id, path);
    ws.spreadsheet.setValue(ws.spreadsheet.sheetAt(id, 0), 1, 1, CellValue::num(42.0));

    QStringList asked;
    link.askUnsaved = [&](const QStringList& names) {
        asked = names;
        return SpreadsheetLink::Answer::Cancel;
    };
    QVERIFY(!form.close());
    QCOMPARE(asked, QStringList{"Log.xlsx"});
    QVERIFY(form.isVisible());
    QVERIFY(ws.spreadsheet.isOpen(id));

    link.askUnsaved = [](const QStringList&) { return SpreadsheetLink::Answer::Save; };
    QVERIFY(form.close());
    SpreadsheetApp reread;
    const WorkbookId back = reread.open(path);
    QCOMPARE(reread.value(reread.sheetAt(back, 0), 1, 1), CellValue::num(42.0));
}

// A screenshot run that changed a workbook (a bulk run, a calibration) has nobody to
// answer: it closes without the question and leaves the file as it was.
void SpreadsheetLinkTest::screenshotRunClosesWithoutAskingOrSaving() {
    QTemporaryDir dir;
    Workspace ws;
    StartOptions o;
    o.settingsPath = dir.filePath("s.ini");
    o.screenshotPath = dir.filePath("s.png");
    TForm1 form(ws, o);
    SpreadsheetLink link(form, ws);
    form.show();
    form.ensureFirstActivation();
    const std::string path = dir.filePath("Log.xlsx").toStdString();
    const WorkbookId id = ws.spreadsheet.newWorkbook();
    ws.spreadsheet.saveAs(id, path);
    ws.spreadsheet.setValue(ws.spreadsheet.sheetAt(id, 0), 1, 1, CellValue::num(42.0));
    QVERIFY(form.close());
    SpreadsheetApp reread;
    const WorkbookId back = reread.open(path);
    QVERIFY(reread.value(reread.sheetAt(back, 0), 1, 1) != CellValue::num(42.0));
}

QTEST_MAIN(SpreadsheetLinkTest)
#include "SpreadsheetLinkTest.moc"
