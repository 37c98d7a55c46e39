// The wheelset pages of the main window on a simulated wheelset: the two tables (toggles,
// colours, sizes, the status hint), their settings, the calibration buttons writing the
// Log's block, and "Compute QYTL" with its outputs, its saving and Esc.
#include "app/ui/WheelsetLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/SpreadsheetLink.h"
#include "app/ui/TestLogLink.h"
#include "app/ui/ToolPages.h"
#include "core/ui/LogPane.h"
#include "evaluation/WheelsetRun.h"
#include "files/Readers.h"
#include "graphs/ui/GraphPair.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "wheelset/ui/WheelGrids.h"
#include "wheelsim/WheelsetWorkspace.h"
#include "widgets/ui/MV_Komp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace mv;

class WheelsetLinkTest : public QObject {
    Q_OBJECT
private slots:
    void tablesToggleColourGrowAndPersist();
    void calibrationAndComputeQytlOnASimulatedWheel();
};

void WheelsetLinkTest::tablesToggleColourGrowAndPersist() {
    QTemporaryDir dir;
    const QString ini = dir.path() + "/s.ini";
    {
        Workspace ws;
        StartOptions o;
        o.settingsPath = ini;
        TForm1 form(ws, o);
        MainView view(form, ws);
        WheelsetLink link(form, ws, view);
        form.show();
        form.ensureFirstActivation();
        TWheelGrid* wheels = link.wheelGrid();
        TDeviceFnGrid* fns = link.deviceFnGrid();
        QCOMPARE(wheels->rowCount(), 33);
        QCOMPARE(wheels->columnWidth(TWheelGrid::DevNo), 38);
        QCOMPARE(wheels->item(0, TWheelGrid::Proc)->text(), QString("Proc"));
        QCOMPARE(fns->item(19, TDeviceFnGrid::Name)->text(), QString("SinMA"));

        // Enter and Space toggle; the toggle cells draw green or white boxes.
        QApplication::setActiveWindow(&form);
        wheels->setFocus();
        QCOMPARE(wheels->height(), 562);
        QCOMPARE(form.controlPanel()->pages->height(), 612);
        wheels->setCurrentCell(5, TWheelGrid::Proc);
        QTest::keyClick(wheels, Qt::Key_Space);
        QCOMPARE(wheels->row(5).Proceed, std::string("1"));
        QCOMPARE(wheels->look(5, TWheelGrid::Proc), WheelCellLook::ToggleOn);
        QTest::keyClick(wheels, Qt::Key_Return);
        QCOMPARE(wheels->look(5, TWheelGrid::Proc), WheelCellLook::ToggleOff);
        QTest::keyClick(wheels, Qt::Key_Return);
        wheels->setRow(5, {"W11_", "3", "abc", "80", "1"});
        QCOMPARE(wheels->look(5, TWheelGrid::HighPass), WheelCellLook::Invalid);
        QCOMPARE(wheels->look(5, TWheelGrid::LowPass), WheelCellLook::Plain);
        wheels->setCurrentCell(5, TWheelGrid::LowPass);
        QCOMPARE(wheels->look(5, TWheelGrid::LowPass), WheelCellLook::Focused);

        fns->setFocus();
        fns->setCurrentCell(19, TDeviceFnGrid::Save);
        QCOMPARE(form.statusText(0), QString("Moving average of Sin [1]"));
        QTest::keyClick(fns, Qt::Key_Space);
        QCOMPARE(fns->look(19, TDeviceFnGrid::Save), WheelCellLook::ToggleOn);
        link.qytlFilter()->setValueText("12.5");
        link.devNo()->setFocus(); // leaving the grids shrinks them
        QCOMPARE(fns->height(), 101);
        QCOMPARE(form.controlPanel()->pages->height(), 149);
        form.close();
    }
    QSettings s(ini, QSettings::IniFormat);
    QCOMPARE(s.value("DevFn/DevNo5/WheelName").toString(), QString("W11_"));
    QCOMPARE(s.value("DevFn/QYTL_filter").toString(), QString("12.5"));
    const QByteArray bytes = s.value("DevFn/DevChannelSet").toByteArray();
    QCOMPARE(bytes.size(), 32);
    QCOMPARE(bytes[18], '1');
    QCOMPARE(bytes[0], '\0');

    // Restored at the next start.
    Workspace ws;
    StartOptions o;
    o.settingsPath = ini;
    TForm1 form(ws, o);
    MainView view(form, ws);
    WheelsetLink link(form, ws, view);
    form.show();
    form.ensureFirstActivation();
    QCOMPARE(link.wheelGrid()->row(5).HP, std::string("abc"));
    QVERIFY(link.deviceFnGrid()->saveFlags()[18]);
    QCOMPARE(link.qytlFilter()->text(), QString("12.5"));
}

void WheelsetLinkTest::calibrationAndComputeQytlOnASimulatedWheel() {
    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    wheelsim::WheelsetOptions opt;
    opt.standSeconds = 60;
    opt.runSeconds = 6;
    opt.runSpeeds = {2.0};
    wheelsim::writeWheelsetWorkspace(root.toStdString(), opt);

    Workspace ws;
    files::installReaders(ws.readers);
    ws.spreadsheet.open((root + "/Log.xlsx").toStdString());
    StartOptions o;
    o.settingsPath = root + "/s.ini";
    TForm1 form(ws, o);
    QStringList errors;
    form.setErrorDisplay([&](const QString& e) { errors << e; });
    MainView view(form, ws);
    SpreadsheetLink sheets(form, ws);
    TestLogLink testLog(form, ws, view, sheets);
    WheelsetLink link(form, ws, view);
    TScrMonForm monitors;
    form.setMonitors(&monitors);
    form.show();
    form.ensureFirstActivation();
    link.wheelGrid()->setRow(5, {"W1", "0", "0.05", "80", ""});

    // The buttons follow the direction.
    QVERIFY(!link.loadButton()->isEnabled());
    link.backward()->click();
    QVERIFY(link.loadButton()->isEnabled() && !link.q3Button()->isEnabled());
    link.forward()->click();
    QVERIFY(link.q3Button()->isEnabled());

    form.controlPanel()->testIdEdit->setValueText("1"); // the forward stand run
    const CellValue fromCell =
        ws.spreadsheet.value2(*calibrSheet(ws.spreadsheet, ws.sheets), 1465, 2);
    link.loadButton()->click();
    QCOMPARE(ws.store[1].SigName.str(), std::string("FQ1"));
    QCOMPARE(ws.store[3].SigName.str(), std::string("B1f_W1_x_100"));
    // Ctrl + click in the graph with the window grid focused: the sample under the mouse.
    QApplication::setActiveWindow(&form);
    link.fromToGrid()->setFocus();
    const TImageSigRec& drawn = ws.graphs.active().rec(1);
    QVERIFY(drawn.Pts.size() > 20 && drawn.SmpCount > 0);
    emit view.graphs()->columnClicked(20);
    QCOMPARE(link.fromToGrid()->item(1, 0)->text(), QString::number(drawn.Pts[20].SmpNo));
    QCOMPARE(link.fromToGrid()->currentColumn(), 1);
    QCOMPARE(ws.spreadsheet.value2(*calibrSheet(ws.spreadsheet, ws.sheets), 1465, 2).number,
             double(drawn.Pts[20].SmpNo));
    // The simulator's window for the Q3 fit.
    ws.spreadsheet.setValue(*calibrSheet(ws.spreadsheet, ws.sheets), 1465, 2, fromCell);
    link.q3Button()->click();
    QVERIFY2(link.q3Button()->text().startsWith("Q3: "), qPrintable(link.q3Button()->text()));
    link.tableButton()->click();
    QVERIFY(link.tableButton()->text().startsWith("QYTL time: "));
    form.controlPanel()->testIdEdit->setValueText("2");
    link.backward()->click();
    // The backward table reads its folder from the block: Load writes it there.
    link.tableButton()->click();
    QVERIFY(form.logPane()->lastLine().contains("nebyl nalezen"));
    link.loadButton()->click();
    link.tableButton()->click();
    const SheetHandle calibr = *calibrSheet(ws.spreadsheet, ws.sheets);
    QVERIFY(ws.spreadsheet.value2(calibr, 1483, 2).isNumber()); // Q3 c0 of P1, device 5
    QCOMPARE(ws.spreadsheet.value2(calibr, 1462, 2).number, 1.0);
    QCOMPARE(ws.spreadsheet.value2(calibr, 1462, 3).number, 1.0);

    // A pick fills From then To of the direction's column.
    link.pickSample(1234);
    link.pickSample(5678);
    QCOMPARE(ws.spreadsheet.value2(calibr, 1465, 3).number, 1234.0);
    QCOMPARE(ws.spreadsheet.value2(calibr, 1466, 3).number, 5678.0);

    // Compute QYTL of the running test 3 into its folder.
    form.findChild<QSpinBox*>("ToIDEdit")->setMaximum(3);
    form.findChild<QSpinBox*>("FromIDEdit")->setValue(3);
    form.findChild<QSpinBox*>("ToIDEdit")->setValue(3);
    link.wheelGrid()->setRow(5, {"W1", "0", "0.05", "80", "1"});
    auto flags = link.deviceFnGrid()->saveFlags();
    flags.fill(false);
    flags[10] = flags[25] = true; // Q and HWP_OK
    link.deviceFnGrid()->setSaveFlags(flags);
    link.saveDivider()->setValue(1);
    link.computeButton()->click();
    QCOMPARE(ws.store[1].SigName.str(), std::string("Q1"));
    QCOMPARE(ws.store[2].SigName.str(), std::string("HWP_OK_W1"));
    const QString folder = root + "/Wheelset/Track/Forward/2rps/3/";
    QVERIFY(QFile::exists(folder + "Q1.mvn"));
    QVERIFY(QFile::exists(folder + "HWP_OK_W1.mvn"));

    // Esc while it runs: nothing new is computed.
    ws.store.ClearSlot(0);
    link.saveDivider()->setValue(0);
    QCoreApplication::postEvent(link.wheelGrid(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    link.computeButton()->click();
    QVERIFY(!ws.store[1].occupied());
    QVERIFY(errors.isEmpty());
}

QTEST_MAIN(WheelsetLinkTest)
#include "WheelsetLinkTest.moc"
