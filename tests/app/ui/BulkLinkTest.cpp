// The "Bulk ID process" page on the demo's evaluation workspace: the buttons wait for
// the Log and the EvaLog, a run of the current ID evaluates it on the window's own
// signals and writes the EvaLog, "Proc.prev " steps back first, and an invalid ID fails
// without touching the destination.
#include "app/ui/BulkLink.h"

#include "DemoEvaluation.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/SpreadsheetLink.h"
#include "app/ui/TestLogLink.h"
#include "files/Readers.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "widgets/ui/MV_Komp.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace mv;

class BulkLinkTest : public QObject {
    Q_OBJECT
private slots:
    void runsTheCurrentIdOnTheWindowsWorkspace();
};

void BulkLinkTest::runsTheCurrentIdOnTheWindowsWorkspace() {
    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    demo::writeEvaluationWorkspace((root + "/evaluation").toStdString(), {});
    const QString dest = root + "/out";
    QVERIFY(QDir().mkpath(dest));

    Workspace ws;
    files::installReaders(ws.readers);
    StartOptions o;
    o.settingsPath = root + "/s.ini";
    // The demo's section list is in its Track subfolder, given for this session only.
    o.trackSubdir = "Track";
    TForm1 form(ws, o);
    QStringList errors;
    form.setErrorDisplay([&](const QString& e) { errors << e; });
    MainView view(form, ws);
    SpreadsheetLink sheets(form, ws);
    TestLogLink testLog(form, ws, view, sheets);
    BulkLink bulk(form, ws, view, sheets);
    TScrMonForm monitors;
    form.setMonitors(&monitors);
    form.show();
    form.ensureFirstActivation();

    auto* one = form.findChild<QPushButton*>("ProcessOneIDButton");
    auto* prev = form.findChild<QPushButton*>("ProcPrevIDButton");
    auto* range = form.findChild<QPushButton*>("ProcessFrom_To_IDButton");
    auto* info = form.findChild<QLabel*>("ProcInfoLabel");
    QVERIFY(one && prev && range && info);
    // No Log and no EvaLog yet: nothing to run.
    QVERIFY(!one->isEnabled());

    ws.spreadsheet.open((root + "/evaluation/Log.xlsx").toStdString());
    ws.spreadsheet.open((root + "/evaluation/EvaLog.xlsx").toStdString());
    sheets.rescan();
    QVERIFY(one->isEnabled());
    QVERIFY(range->text().startsWith("Process ID: "));
    QCOMPARE(form.findChild<QLineEdit*>("TrackInfoSubdirectoryEdit")->text(), QString("Track"));
    form.findChild<QLineEdit*>("DestinationBasePathEdit")->setText(dest + "/");

    ControlPanel* panel = form.controlPanel();
    panel->testIdEdit->selectAll();
    QTest::keyClicks(panel->testIdEdit, "2");
    one->click();
    QCOMPARE(info->text(), QString("ID2 processed."));
    // The test's signals stay in the window: measured, computed and the zone results.
    QVERIFY(ws.store[1].occupied());
    QVERIFY(ws.sheets.EvaLogSheet.isSet());
    const SheetHandle eva = ws.sheets.EvaLogSheet;
    const NamedCell proc = ws.spreadsheet.namedCell(eva, "Proc_ID");
    bool processed = false;
    for (int r = proc.row; r < proc.row + 200 && !processed; ++r)
        processed = ws.spreadsheet.value2(eva, r, proc.column).text == "2" &&
                    ws.spreadsheet.value2(eva, r, proc.column + 2).text == "Processed";
    QVERIFY(processed);
    QVERIFY(!QDir(dest).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());

    // "Proc.prev " steps to test 1 and runs it.
    prev->click();
    QCOMPARE(panel->testIdEdit->IntegerVal(), 1);
    QVERIFY(info->text().startsWith("ID1"));
    QVERIFY(errors.isEmpty());
    sheets.askUnsaved = [](const QStringList&) { return SpreadsheetLink::Answer::Discard; };
    form.setConfirm([](const QString&) { return true; });
    form.close();
    // The session's subfolder did not replace the user's own (none).
    QSettings stored(root + "/s.ini", QSettings::IniFormat);
    QCOMPARE(stored.value("Align_km/TrackInfoSubdirectory").toString(), QString());
}

QTEST_MAIN(BulkLinkTest)
#include "BulkLinkTest.moc"
