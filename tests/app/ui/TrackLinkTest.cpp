// The track tools in the main window: the "Align km" page opens, re-aligns on a slope
// change and saves; the "Curve2xls" page derives and saves a track workbook once;
// "Copy sign.to Excel" and Ctrl + click readings land in the output sheet as numbers.
#include "app/ui/TrackLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/SpreadsheetLink.h"
#include "app/ui/TestLogLink.h"
#include "core/ui/LogPane.h"
#include "core/ui/SignalGrid.h"
#include "evaluation/CopyToSheet.h"
#include "evaluation/SyntheticTrack.h"
#include "evaluation/ui/TrackPages.h"
#include "files/NativeFile.h"
#include "files/Readers.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "widgets/ui/MV_Komp.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
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
    const auto row = [&](int r, int id, const char* dir, const char* l4, const char* track) {
        app.setValue(log, r, 1, CellValue::num(45292));
        app.setValue(log, r, 2, CellValue::num(0.5));
        app.setValue(log, r, 4, CellValue::num(id));
        app.setValue(log, r, 5, CellValue::str("Save off"));
        app.setValue(log, r, 6, CellValue::num(20000));
        app.setValue(log, r, 7, CellValue::str("Line"));
        app.setValue(log, r, 8, CellValue::str(dir));
        app.setValue(log, r, 10, CellValue::str(l4));
        app.setValue(log, r, 11, CellValue::str(track));
    };
    row(11, 1, "Vzad", "TRA34 south", "TRA34_south");
    row(12, 2, "Vpred", "TRA12 north", "TRA12_north");
    app.addSheet(wb, "Ini");
    app.saveAs(wb, path.toStdString());
}

void writeSignal(const QString& dir, const char* name, const std::vector<float>& x) {
    SignalRecord rec;
    rec.f_sampl = 50;
    rec.SigName = name;
    rec.setData(SampleBuffer::allocate(x.size()));
    std::copy(x.begin(), x.end(), rec.Data.data());
    files::writeNative((dir + "/" + name + ".mvn").toStdString(), rec,
                       {1, static_cast<std::int64_t>(x.size())}, 1, {});
}

void writeRun(const QString& dir, const test::TrackRun& run) {
    QDir().mkpath(dir);
    writeSignal(dir, "Speed", run.speed);
    writeSignal(dir, "Curve", run.curve);
    writeSignal(dir, "Km", run.km);
}

} // namespace

class TrackLinkTest : public QObject {
    Q_OBJECT
private slots:
    void pagesAlignDeriveAndCopy();
};

void TrackLinkTest::pagesAlignDeriveAndCopy() {
    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    writeLog(root + "/Log.xlsx");
    const test::TrackRun run = test::runTrack(test::mixedTrack(), 12.0, 30.0, 50.0);
    writeRun(root + "/Line/Vzad/TRA34 south/1", run);
    writeRun(root + "/Line/Vpred/TRA12 north/2", run);
    QDir().mkpath(root + "/info");
    {
        QFile ini(root + "/s.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Align_km]\nTrackInfoSubdirectory=info\nMeas_Curve=Curve\nMeas_Track_km=Km\n"
                  "uf1_to_Curve0_dist=2\nuf1_to_Curve0_label=F\n"
                  "[Curve2xls]\nSpeed=Speed\nMeas_Curve=Curve\nMeas_Track_km=Km\n");
    }

    Workspace ws;
    ws.decimalSeparator = ',';
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
    TestLogLink testLog(form, ws, view, sheets);
    TrackLink link(form, ws, view, testLog);
    TScrMonForm monitors;
    form.setMonitors(&monitors);
    form.show();
    form.ensureFirstActivation();
    ControlPanel* panel = form.controlPanel();
    AlignKmPage* align = link.alignPage();
    Curve2xlsPage* curve = link.curvePage();
    QCOMPARE(align->fileGrid->item(0, 1)->text(), QString("Curve"));
    QCOMPARE(align->fileGrid->item(2, 2)->text(), QString("F"));
    QCOMPARE(curve->fileGrid->item(2, 1)->text(), QString("Km"));

    // Test 2 was selected at activation; its track has no workbook yet: no alignment.
    QCOMPARE(panel->testIdEdit->text(), QString("2"));
    QVERIFY(!align->openButton->isEnabled());

    // Curve2xls of test 1 ("TRA34 south"): derive, save, refuse a second save.
    form.action(Cmd::DecTestId)->trigger();
    curve->mmToCurve->setValueText("1,0");
    QTest::mouseClick(curve->openButton, Qt::LeftButton);
    QCOMPARE(ws.store[6].SigName.str(), std::string("MeasBauCurve"));
    QCOMPARE(ws.store[4].SigName.str(), std::string("Radius"));
    QTest::mouseClick(curve->saveButton, Qt::LeftButton);
    const QString saved = root + "/info/TRA34 south.xlsx";
    QVERIFY(QFile::exists(saved));
    QTest::mouseClick(curve->saveButton, Qt::LeftButton);
    QVERIFY(form.logPane()->toPlainText().contains("\" exists !"));

    // Selected again, test 1 finds the workbook just saved: "Align km" opens, and a slope
    // change re-aligns at once.
    QVERIFY(!align->openButton->isEnabled());
    panel->testIdEdit->setValueText("2");
    panel->testIdEdit->setValueText("1");
    QVERIFY(align->openButton->isEnabled());
    QTest::mouseClick(align->openButton, Qt::LeftButton);
    QCOMPARE(ws.store[2].SigName.str(), std::string("Align_Km0"));
    QCOMPARE(align->trackInfoGrid->item(2, 1)->text(), QString("9"));
    const float before = ws.store[2].Data[1000];
    align->slope->setValueText("1,001");
    QVERIFY(ws.store[2].Data[1000] != before);
    QTest::mouseClick(align->saveButton, Qt::LeftButton);
    QVERIFY(QFile::exists(root + "/Line/Vzad/TRA34 south/1/Align_F_Track_km.mvn"));
    QVERIFY(errors.isEmpty());

    // The output sheet gets the plotted window and a header and a reading row.
    ws.sheets.OutputSheet = ws.spreadsheet.sheetAt(out, 0);
    view.graphs()->SetAktivni(2);
    view.graphs()->Image2()->ZoomTo(1.0, 2.0, -5, 5);
    view.graphs()->RedrawGraphs();
    panel->excelCopyRows->setValue(10);
    emit view.graphs()->copySignalsToExcelRequested();
    const SheetHandle h = ws.sheets.OutputSheet;
    QCOMPARE(ws.spreadsheet.value2(h, 2, 1).text, std::string("Time"));
    QCOMPARE(ws.spreadsheet.value2(h, 3, 1).type, CellType::Number);
    QCOMPARE(ws.spreadsheet.value2(h, 4, 1).number, 1.1); // 51 samples / 10: step 5
    // The last plotted signal is the uf sensor's BauCurve; its block is on the clipboard.
    QCOMPARE(ws.store[5].SigName.str(), std::string("Align_F_BauCurve"));
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(
        QString::number(ws.store[5].Data[50], 'f', 4).replace('.', ',') + "\n"));

    panel->rowInXls->setValue(20);
    view.SignalGrid()->SelectedCol[3] = true; // Min
    view.SignalGrid()->copyStatsToSpreadsheet();
    const int first = copiedSignals(ws.store).front();
    QCOMPARE(ws.spreadsheet.value2(h, 20, 4).text, ws.store[first].SigName.str() + " Min");
    QVERIFY(ws.spreadsheet.bold(h, 20, 4));
    emit view.graphs()->columnClicked(0);
    QCOMPARE(ws.spreadsheet.value2(h, 21, 1).number, 1.0);
    QCOMPARE(ws.spreadsheet.value2(h, 21, 4).type, CellType::Number);
    QCOMPARE(panel->rowInXls->value(), 22);
    QVERIFY(errors.isEmpty());
}

QTEST_MAIN(TrackLinkTest)
#include "TrackLinkTest.moc"
