// The Test ID in the main window: a Log opened into the workspace's spreadsheet fills the
// labels at activation, a typed Test ID selects its test (grid, labels, current folder),
// Enter opens its files, and the grid's colour tells an opened or invalid test.
#include "app/ui/TestLogLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/SpreadsheetLink.h"
#include "core/ui/LogPane.h"
#include "core/ui/TestDescGrid.h"
#include "files/NativeFile.h"
#include "files/Readers.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "widgets/ui/MV_Komp.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace mv;

namespace {

void writeLog(const QString& path) {
    SpreadsheetApp app;
    const WorkbookId wb = app.newWorkbook("Log");
    const SheetHandle log = app.sheet(wb, "Log");
    app.setValue(log, 2, 1, CellValue::str("Ini sheet"));
    app.setValue(log, 2, 2, CellValue::str("Ini"));
    const char* headers[] = {"Date", "Time", "Operator", "Test ID", "Category", "Mark",
                             "L1",   "L2",   "L3",       "L4",      "Track"};
    for (int c = 1; c <= 11; ++c)
        app.setValue(log, 10, c, CellValue::str(headers[c - 1]));
    app.setColumnNumberFormat(log, 1, "d.m.yyyy");
    for (int id = 1; id <= 3; ++id) {
        const int r = 10 + id;
        app.setValue(log, r, 1, CellValue::num(45292 + id));
        app.setValue(log, r, 2, CellValue::num(0.5));
        app.setValue(log, r, 4, CellValue::num(id));
        app.setValue(log, r, 5, CellValue::str("Save off"));
        app.setValue(log, r, 6, CellValue::num(500));
        app.setValue(log, r, 7, CellValue::str("Loco"));
        app.setValue(log, r, 9, CellValue::str("Run" + std::to_string(id)));
    }
    const SheetHandle ini = app.addSheet(wb, "Ini");
    const char* captions[] = {"Vehicle", "Part", "Run", "Extra"};
    for (int i = 0; i < 4; ++i)
        app.setValue(ini, 2 + i, 1, CellValue::str(captions[i]));
    app.saveAs(wb, path.toStdString());
}

void writeSignal(const QString& path, const char* name) {
    SignalRecord rec;
    rec.f_sampl = 1000;
    rec.SigName = name;
    rec.Data = SampleBuffer::zeros(100);
    rec.SampleCount = 100;
    files::writeNative(path.toStdString(), rec, {1, 100}, 1, {});
}

} // namespace

class TestLogLinkTest : public QObject {
    Q_OBJECT
private slots:
    void typedTestIdSelectsItsTestAndEnterOpensItsFiles();
};

void TestLogLinkTest::typedTestIdSelectsItsTestAndEnterOpensItsFiles() {
    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    writeLog(root + "/Log.xlsx");
    QVERIFY(QDir().mkpath(root + "/Loco/Run2/2"));
    QVERIFY(QDir().mkpath(root + "/Loco/Run3/3"));
    writeSignal(root + "/Loco/Run2/2/b.mvn", "b");
    writeSignal(root + "/Loco/Run2/2/a.mvn", "a");

    Workspace ws;
    files::installReaders(ws.readers);
    ws.spreadsheet.open((root + "/Log.xlsx").toStdString());
    const WorkbookId out = ws.spreadsheet.newWorkbook("Results");
    StartOptions o;
    o.settingsPath = root + "/s.ini";
    TForm1 form(ws, o);
    QStringList errors;
    form.setErrorDisplay([&](const QString& e) { errors << e; });
    MainView view(form, ws);
    SpreadsheetLink sheets(form, ws);
    TestLogLink link(form, ws, view, sheets);
    TScrMonForm monitors;
    form.setMonitors(&monitors);
    form.show();
    form.ensureFirstActivation();
    ControlPanel* panel = form.controlPanel();
    TTestDescGrid* grid = view.TestDescGrid();

    // The activation's rescan: the highest Test ID, the Log's name and captions.
    QCOMPARE(panel->testIdEdit->text(), QString("3"));
    QCOMPARE(panel->testIdEdit->_Max(), 3.0);
    QCOMPARE(panel->logName->text(), QString("Log.xlsx"));
    QCOMPARE(grid->caption(2), QString("Run"));
    QVERIFY(form.action(Cmd::IncTestId)->isEnabled());
    QComboBox* combo = panel->excelOutCombo;
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->itemText(0), QString("[Book1]Results"));
    // The setting of the edit selected test 3: its folder is there.
    QCOMPARE(grid->pathPart(2), QString("Run3"));
    QCOMPARE(grid->mark(), TTestDescGrid::Mark::Plain);

    // Typing a Test ID selects its test.
    panel->testIdEdit->selectAll();
    QTest::keyClicks(panel->testIdEdit, "2");
    const QString test2 = root + "/Loco/Run2/2/";
    QCOMPARE(QString::fromStdString(ws.sheets.TestPath), test2);
    QCOMPARE(grid->pathPart(0), QString("Loco"));
    QCOMPARE(grid->pathPart(1), QString());
    QCOMPARE(grid->pathPart(2), QString("Run2"));
    QCOMPARE(panel->testDate->text(), QString("3.1.2024"));
    QCOMPARE(panel->testTime->text(), QString("12:00:00"));
    QCOMPARE(panel->calibrFilePath->text(), test2);
    QCOMPARE(QDir::currentPath() + "/", test2);
    QVERIFY(form.windowTitle().contains(test2));
    QCOMPARE(panel->fProcessEdit->text(), QString("2000"));
    QCOMPARE(ws.settings.dfltSampl_f, 2000.0);

    // Enter opens the test's files, sorted by name, from the table's row on.
    QTest::keyClick(panel->testIdEdit, Qt::Key_Return);
    QCOMPARE(ws.store[1].SigName.str(), std::string("a"));
    QCOMPARE(ws.store[2].SigName.str(), std::string("b"));
    QCOMPARE(QString::fromStdString(ws.sheets.OpenedTestPath), test2);

    // Back to the opened test through Inc and Dec: the grid turns yellow.
    form.action(Cmd::IncTestId)->trigger();
    QCOMPARE(panel->testIdEdit->text(), QString("3"));
    QCOMPARE(grid->mark(), TTestDescGrid::Mark::Plain);
    form.action(Cmd::DecTestId)->trigger();
    QCOMPARE(grid->mark(), TTestDescGrid::Mark::Opened);

    // Test 1 has no folder: red, the Log folder current, and nothing opens.
    form.action(Cmd::DecTestId)->trigger();
    QCOMPARE(grid->mark(), TTestDescGrid::Mark::Invalid);
    QCOMPARE(panel->calibrFilePath->text(), QString("Calibr file path not found !"));
    QCOMPARE(QDir::currentPath(), root);
    form.action(Cmd::OpenActualId)->trigger();
    QVERIFY(!ws.store[3].occupied());
    QVERIFY(panel->log->toPlainText().contains("Test ID 1 - Can't set current directory:  " + root +
                                               "/Loco/Run1/1/"));

    // The output sheet is the user's choice in the list.
    combo->setCurrentIndex(0);
    emit combo->textActivated(combo->itemText(0));
    QCOMPARE(ws.sheets.OutputSheet, ws.spreadsheet.sheet(out, "Results"));
    QVERIFY(errors.isEmpty());
    sheets.askUnsaved = [](const QStringList&) { return SpreadsheetLink::Answer::Discard; };
    form.setConfirm([](const QString&) { return true; });
    form.close();
}

QTEST_MAIN(TestLogLinkTest)
#include "TestLogLinkTest.moc"
