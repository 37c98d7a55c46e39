// The main window's life: start, first activation, close; the settings file it
// leaves behind; the log pane's lines and the tool-page tabs.
#include "app/StartOptions.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/ToolPages.h"
#include "core/ui/LogPane.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "widgets/ui/MV_Komp.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace mv;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void emptySettingsGiveDefaultsAndCloseWritesThem();
    void settingsSurviveARestart();
    void damagedValuesFallBack();
    void logLinesCountAndWarningsAreRedAndBold();
    void activeTabIsYellowAndRangeEditsFollowThePage();
    void unwritableSettingsDoNotStopAScreenshotRun();
    void relativeStartPathsMeanTheStartDirectory();
    void monitorsScreenshotOptionsAreRefusedWhenIncomplete();
    void viewOptionsAreReadInOrderAndRefusedWhenMalformed();
    void fProcessTakesEitherSeparatorAndShowsBadText();
    void startWorkbooksOpenBeforeTheFirstRescan();
};

namespace {
struct Session {
    Session(const QString& ini, QStringList files = {}, QStringList workbooks = {}) {
        StartOptions o;
        o.settingsPath = ini;
        o.files = files;
        o.workbooks = workbooks;
        form = std::make_unique<TForm1>(ws, o);
        form->setMonitors(&monitors);
        form->show();
        form->ensureFirstActivation();
    }
    Workspace ws;
    TScrMonForm monitors;
    std::unique_ptr<TForm1> form;
};
} // namespace

void MainWindowTest::emptySettingsGiveDefaultsAndCloseWritesThem() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("MVtervik.ini");
    {
        Session s(ini);
        QCOMPARE(s.ws.settings.dfltSampl_f, 4000.0);
        QCOMPARE(s.ws.settings.SaveDivPreset, 1);
        QVERIFY(s.ws.settings.CreateSignalBackUp);
        QVERIFY(!s.ws.settings.czechHelp());
        QCOMPARE(s.ws.windowPos.SignalGridHeight, 200);
        QCOMPARE(s.ws.windowPos.Image1Height, 200);
        QCOMPARE(s.ws.store[15].SigColor, 0xA4A4A4u);
        QCOMPARE(s.ws.store[1].DecPlaces, 4);
        QCOMPARE(s.form->controlPanel()->fProcessEdit->text(), QString("4000"));
        QCOMPARE(s.form->controlPanel()->loadFormatIndex(), 0);
        QVERIFY(s.form->close());
    }
    QSettings written(ini, QSettings::IniFormat);
    QCOMPARE(written.value("dfltSampl_f").toString(), QString("4000"));
    QCOMPARE(written.value("CreateSignalBackUp").toString(), QString("1"));
    QCOMPARE(written.value("HelpLanguage").toString(), QString("EN"));
    QCOMPARE(written.value("Signals/200/SigColor").toString(), QString::number(0x989852));
    QVERIFY(written.contains("WindowPos/MainWindowWidth"));
    QVERIFY(written.contains("WindowPos/ScrMonFormHeight"));
}

void MainWindowTest::settingsSurviveARestart() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("MVtervik.ini");
    {
        Session s(ini);
        s.ws.store[7].SigColor = 0x00FF00;
        s.ws.store[123].DecPlaces = 2;
        auto* p = s.form->controlPanel();
        p->fProcessEdit->setText("2048.5");
        p->setLoadFormatIndex(6);
        p->setSaveFormatIndex(2);
        s.form->setGeometry(40, 50, 1700, 700);
        QVERIFY(s.form->close());
    }
    Session s(ini);
    QCOMPARE(s.ws.store[7].SigColor, 0x00FF00u);
    QCOMPARE(s.ws.store[123].DecPlaces, 2);
    QCOMPARE(s.ws.settings.dfltSampl_f, 2048.5);
    QCOMPARE(s.form->controlPanel()->loadFormatIndex(), 6);
    QCOMPARE(s.form->controlPanel()->saveFormatIndex(), 2);
    QCOMPARE(s.ws.windowPos.main.width, 1700);
    QCOMPARE(s.ws.windowPos.main.height, 700);
    s.form->close();
}

void MainWindowTest::damagedValuesFallBack() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("MVtervik.ini");
    {
        QSettings w(ini, QSettings::IniFormat);
        w.setValue("dfltSampl_f", "4000,5");
        w.setValue("HelpLanguage", "cz");
        w.setValue("WindowPos/SignalGridHeight", "10");
        // A window left on a monitor that no longer exists.
        w.setValue("WindowPos/MainWindowLeft", "5000");
        w.setValue("WindowPos/MainWindowTop", "3000");
    }
    Session s(ini);
    QCOMPARE(s.ws.settings.dfltSampl_f, 4000.0);
    QVERIFY(!s.ws.settings.czechHelp());
    QCOMPARE(s.ws.windowPos.SignalGridHeight, 50);
    QCOMPARE(s.ws.windowPos.main, (WindowBounds{1, 1, 1920, 1080}));
    s.form->close();
}

void MainWindowTest::logLinesCountAndWarningsAreRedAndBold() {
    QTemporaryDir dir;
    Session s(dir.filePath("MVtervik.ini"));
    LogPane* pane = s.form->logPane();
    const int before = pane->counter();
    s.form->log().warn("broken");
    s.form->log().info("fine");
    QCOMPARE(pane->counter(), before + 2);
    const QRegularExpression shape(QString("^%1   \\d{1,2}:\\d\\d:\\d\\d  fine$").arg(before + 2));
    QVERIFY2(shape.match(pane->lastLine()).hasMatch(), qPrintable(pane->lastLine()));
    const QTextBlock last = pane->document()->lastBlock();
    const QTextBlock warning = last.previous();
    const auto fmtOf = [](const QTextBlock& b) { return b.begin().fragment().charFormat(); };
    QCOMPARE(fmtOf(warning).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(fmtOf(warning).fontWeight(), int(QFont::Bold));
    QCOMPARE(fmtOf(last).foreground().color(), QColor(0, 0, 0));
    QCOMPARE(fmtOf(last).fontWeight(), int(QFont::Normal));
    // The third line of a session: "3", three spaces, time, two spaces, text.
    QVERIFY(pane->document()->findBlockByNumber(2).text().startsWith("3   "));
    s.form->close();
}

void MainWindowTest::activeTabIsYellowAndRangeEditsFollowThePage() {
    QTemporaryDir dir;
    Session s(dir.filePath("MVtervik.ini"));
    ToolPages* pages = s.form->controlPanel()->pages;
    pages->setCurrentIndex(ToolPages::RawToQytl);
    auto* from = s.form->findChild<QSpinBox*>("FromIDEdit");
    QCOMPARE(from->parentWidget(), pages->page(ToolPages::RawToQytl));
    QCOMPARE(s.ws.settings.ActivePageIndex, 2);
    QTabBar* bar = pages->tabBar();
    const QImage img = bar->grab().toImage();
    const QRect active = bar->tabRect(ToolPages::RawToQytl);
    QCOMPARE(img.pixelColor(active.right() - 3, active.bottom() - 2), QColor(255, 255, 0));
    const QRect inactive = bar->tabRect(ToolPages::Generator);
    QVERIFY(img.pixelColor(inactive.right() - 3, inactive.bottom() - 2) != QColor(255, 255, 0));
    pages->setCurrentIndex(ToolPages::AlignKm);
    QCOMPARE(from->parentWidget(), pages->page(ToolPages::BulkIdProcess));
    s.form->close();
}

// The window changes the current directory while it starts; every path given on the
// command line still means the directory the program was started in.
void MainWindowTest::relativeStartPathsMeanTheStartDirectory() {
    QTemporaryDir start, other;
    const QString was = QDir::currentPath();
    QVERIFY(QDir::setCurrent(start.path()));
    QString error;
    const auto o =
        parseStartOptions({"mvtervik", "--screenshot", "s.png", "--settings", "s.ini", "--demo",
                           "d", "--workbook", "Log.xlsx", "a.mvn", "--workbook", "e/EvaLog.xlsx"},
                          error);
    QVERIFY(QDir::setCurrent(other.path()));
    QVERIFY(o);
    const QDir dir(start.path());
    QCOMPARE(o->screenshotPath, dir.absoluteFilePath("s.png"));
    QCOMPARE(o->settingsPath, dir.absoluteFilePath("s.ini"));
    QCOMPARE(o->demoDir, dir.absoluteFilePath("d"));
    QCOMPARE(o->files, QStringList{dir.absoluteFilePath("a.mvn")});
    QCOMPARE(o->workbooks, (QStringList{dir.absoluteFilePath("Log.xlsx"),
                                        dir.absoluteFilePath("e/EvaLog.xlsx")}));
    QVERIFY(!parseStartOptions({"mvtervik", "--screenshot"}, error));
    QVERIFY(!parseStartOptions({"mvtervik", "--workbook"}, error));
    QVERIFY(QDir::setCurrent(start.path()));
    const auto m = parseStartOptions(
        {"mvtervik", "--replay", "-0.5", "2.25", "--screenshot-monitors", "m.png", "a.mvn"}, error);
    QVERIFY(QDir::setCurrent(was));
    QVERIFY(m);
    QCOMPARE(m->monitorsScreenshotPath, dir.absoluteFilePath("m.png"));
    QCOMPARE(m->replayT1, -0.5);
    QCOMPARE(m->replayT2, 2.25);
    QVERIFY(m->unattended());
    QCOMPARE(m->files, QStringList{dir.absoluteFilePath("a.mvn")});
}

// A replay window the clock cannot run, or one half of the Monitors screenshot mode
// without the other, is a usage error before any window opens.
void MainWindowTest::monitorsScreenshotOptionsAreRefusedWhenIncomplete() {
    const QStringList bad[] = {
        {"--replay", "0", "1"},
        {"--screenshot-monitors", "m.png"},
        {"--screenshot-monitors", "m.png", "--replay", "0"},
        {"--screenshot-monitors", "m.png", "--replay", "1", "0"},
        {"--screenshot-monitors", "m.png", "--replay", "1", "1"},
        {"--screenshot-monitors", "m.png", "--replay", "a", "1"},
        {"--screenshot-monitors", "m.png", "--replay", "0", "inf"},
        {"--screenshot-monitors", "m.png", "--replay", "nan", "1"},
        {"--screenshot-monitors", "m.png", "--replay", "0", "1e300"},
        {"--screenshot-monitors"},
    };
    for (const QStringList& args : bad) {
        QString error;
        QVERIFY2(!parseStartOptions(QStringList{"mvtervik"} + args, error),
                 qPrintable(args.join(' ')));
        QVERIFY(!error.isEmpty());
    }
}

// The options that set a view up for a picture are steps run in the order given (a test
// calibrated, then another one computed); a page, slot, Test ID or window that cannot be
// is a usage error before any window opens.
void MainWindowTest::viewOptionsAreReadInOrderAndRefusedWhenMalformed() {
    QString error;
    const auto o =
        parseStartOptions({"mvtervik", "--page", "Align km", "--open-id", "3", "--fn", "2",
                           "Drop( Limit differ=10)", "--press", "Open files", "--zoom", "1.5", "2",
                           "--test-id", "14", "--fn", "2", "Math( Math func name=Abs)", "a.mvn"},
                          error);
    QVERIFY2(o, qPrintable(error));
    using K = StartStep::Kind;
    const std::vector<std::pair<K, QString>> want = {{K::Page, "Align km"},
                                                     {K::OpenId, ""},
                                                     {K::Fn, "Drop( Limit differ=10)"},
                                                     {K::Press, "Open files"},
                                                     {K::Zoom, ""},
                                                     {K::TestId, ""},
                                                     {K::Fn, "Math( Math func name=Abs)"}};
    QCOMPARE(o->steps.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        QVERIFY2(o->steps[k].kind == want[k].first, qPrintable(QString::number(k)));
        QCOMPARE(o->steps[k].text, want[k].second);
    }
    QCOMPARE(o->steps[1].number, 3);
    QCOMPARE(o->steps[2].number, 2);
    QCOMPARE(o->steps[4].t1, 1.5);
    QCOMPARE(o->steps[4].t2, 2.0);
    QCOMPARE(o->steps[5].number, 14);
    QCOMPARE(o->files.size(), 1);
    QVERIFY(parseStartOptions({"mvtervik"}, error)->steps.empty());

    const QString fn = "Drop( Limit differ=10)";
    const QStringList bad[] = {
        {"--page", "Align"},
        {"--page"},
        {"--open-id", "0"},
        {"--test-id", "x"},
        {"--fn", "201", fn},
        {"--fn", "1"},
        {"--fn", "1", fn, "--fn", "1", fn, "--fn", "1", fn, "--fn", "1", fn, "--fn", "1", fn},
        {"--press"},
        {"--zoom", "2", "1"},
        {"--zoom", "0", "nan"},
        {"--zoom", "0"},
    };
    for (const QStringList& args : bad) {
        QVERIFY2(!parseStartOptions(QStringList{"mvtervik"} + args, error),
                 qPrintable(args.join(' ')));
        QVERIFY(!error.isEmpty());
    }
}

// "f process [Hz]" reads a comma as well as a point; a text that is no rate stays in the
// edit, red, and the last valid rate stays in force.
void MainWindowTest::fProcessTakesEitherSeparatorAndShowsBadText() {
    QTemporaryDir dir;
    Session s(dir.filePath("MVtervik.ini"));
    auto* edit = s.form->controlPanel()->fProcessEdit;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "2,5e3");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(s.ws.settings.dfltSampl_f, 2500.0);
    for (const char* bad : {"2,5x", "50", "2e7"}) {
        edit->selectAll();
        QTest::keyClicks(edit, bad);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(edit->text(), QString(bad));
        QCOMPARE(edit->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(s.ws.settings.dfltSampl_f, 2500.0);
    }
    s.form->close();
}

// --workbook opens its files into the program's spreadsheet before the first rescan; a
// file that cannot be opened is a warning and the others still open.
void MainWindowTest::startWorkbooksOpenBeforeTheFirstRescan() {
    QTemporaryDir dir;
    const QString book = dir.filePath("Log.xlsx");
    {
        SpreadsheetApp app;
        const WorkbookId id = app.newWorkbook("Log");
        app.saveAs(id, book.toStdString());
    }
    Session s(dir.filePath("MVtervik.ini"), {}, {dir.filePath("missing.xlsx"), book});
    QCOMPARE(s.ws.spreadsheet.workbookCount(), 1);
    QCOMPARE(QString::fromStdString(
                 s.ws.spreadsheet.workbook(s.ws.spreadsheet.workbookByName("Log.xlsx")).name()),
             QString("Log.xlsx"));
    QVERIFY(s.form->logPane()->document()->toPlainText().contains("Workbook not opened:"));
    s.form->close();
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

void MainWindowTest::unwritableSettingsDoNotStopAScreenshotRun() {
    // The settings "file" is a folder, so writing it fails at close. Unattended, no
    // message box may wait for a click.
    QTemporaryDir dir;
    StartOptions o;
    o.settingsPath = dir.path();
    o.screenshotPath = dir.filePath("shot.png");
    Workspace ws;
    TForm1 form(ws, o);
    form.show();
    form.ensureFirstActivation();
    bool boxShown = false;
    QTimer::singleShot(200, &form, [&boxShown] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            boxShown = true;
            box->close();
        }
    });
    QVERIFY(form.close());
    QVERIFY(!boxShown);
}
