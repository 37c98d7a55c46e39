// The assembled main window: every menu item, key and context-menu entry reaches its
// command; the keys of the main window leave other windows alone; context help explains
// the control, the cell or the tab under the mouse, once per place, in either language.
#define QTEST_QPA_MOUSE_HANDLING // mouse moves go the window system's way, as a user's do
#include "app/StartOptions.h"
#include "app/ui/AppParts.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/ToolPages.h"
#include "core/HelpTexts.h"
#include "core/Version.h"
#include "core/ui/LogPane.h"
#include "core/ui/SignalGrid.h"
#include "files/Readers.h"
#include "graphs/ui/GraphPair.h"
#include "widgets/ui/MV_Komp.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace mv;

namespace {

struct App {
    App() {
        files::installReaders(ws.readers);
        StartOptions o;
        o.settingsPath = dir.filePath("MVtervik.ini");
        form = std::make_unique<TForm1>(ws, o);
        form->setErrorDisplay([this](const QString& t) { errors << t; });
        parts = std::make_unique<AppParts>(*form, ws);
        form->show();
        form->ensureFirstActivation();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    ~App() {
        parts->helpLink.setHelpMode(false);
        parts->monitors.hide();
        form->close();
    }
    QTemporaryDir dir;
    Workspace ws;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<AppParts> parts;
    QStringList errors;
};

QString keysOf(const QAction* a) {
    QStringList keys;
    for (const QKeySequence& k : a->shortcuts())
        keys << k.toString(QKeySequence::PortableText);
    return keys.join(" ; ");
}

// One line per entry: "text | keys | object name", a submenu as "text >", a separator "-".
QStringList describe(const QMenu* menu) {
    QStringList lines;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator())
            lines << "-";
        else if (a->menu())
            lines << a->text() + " >";
        else
            lines << QString("%1 | %2 | %3").arg(a->text(), keysOf(a), a->objectName());
    }
    return lines;
}

// QObject::isSignalConnected is protected; a pointer to it taken through a class that makes
// it public may be called on any object.
struct SignalProbe : QObject {
    using QObject::isSignalConnected;
};
bool hasReceiver(const QObject* o, const QMetaMethod& signal) {
    constexpr auto probe = &SignalProbe::isSignalConnected;
    return (o->*probe)(signal);
}

bool connected(const QAction* a) {
    return hasReceiver(a, QMetaMethod::fromSignal(&QAction::triggered));
}

} // namespace

class CommandsAndHelpTest : public QObject {
    Q_OBJECT
private slots:
    void everyMenuAndContextMenuEntryReachesItsCommand();
    void mainWindowKeysStayInTheMainWindow();
    void aboutNamesProgramVersionAndLicence();
    void helpFollowsTheMouseOncePerPlace();
    void everyControlWithHelpExists();
};

void CommandsAndHelpTest::everyMenuAndContextMenuEntryReachesItsCommand() {
    App app;
    TForm1& f = *app.form;
    QStringList zoom{"Zoom all | F12 | actZoomAll", "Swap Zoom | F11 | actSwapZoom",
                     "Autoscale values | F9 | actAutoscaleValues"};
    for (int k = 1; k <= 10; ++k)
        zoom << QString("Show zoom%1 | Ctrl+%1 | actShowZoom%2").arg(k % 10).arg(k);
    const QString shifted = ")!@#$%^&*(";
    for (int k = 1; k <= 10; ++k)
        zoom << QString("Set zoom%1 | Ctrl+Shift+%1 ; Ctrl+Shift+%2 | actSetZoom%3")
                    .arg(k % 10)
                    .arg(shifted[k % 10])
                    .arg(k);
    const QList<std::pair<QString, QStringList>> expected = {
        {"&File",
         {"&Open signal... | Ctrl+O | actOpenSignal", "Recent files >",
          "&Save signals to ... |  | actSaveSignals",
          "Close all signals | Ctrl+D | actCloseAllSignals", "-", "&Workbooks... |  | actWorkbooks",
          "-", "Preview | Ctrl+U | actPreview", "&Print | Ctrl+P | actPrint",
          "P&rint Setup... |  | actPrintSetup", "&Export graph... |  | actExportGraph", "-",
          "E&xit |  | actExit"}},
        {"&Edit",
         {"Inc Test ID | Ctrl+Num++ | actIncTestId", "Dec Test ID | Ctrl+Num+- | actDecTestId",
          "Open acual ID | Ctrl+Return ; Ctrl+Num+Enter | actOpenActualId",
          "Delete all functions |  | actDeleteAllFunctions",
          "Copy &graph | Ctrl+G | actCopyGraph"}},
        {"Zoom", zoom},
        {"Control",
         {"Process Fn Up | Ctrl+R | actProcessFnUp", "Process Fn Down | Ctrl+T | actProcessFnDown",
          "Fill value | Ctrl+F | actFillValue", "Swap active graph | Ctrl+Tab | actSwapActiveGraph",
          "Swap window | Ctrl+W | actSwapWindow"}},
        {"&Help",
         {"Help on MouseMove | F1 | actHelpOnMouseMove", "CZ help |  | actCzHelp",
          "About |  | actAbout"}},
    };
    const QList<QAction*> menus = f.menuBar()->actions();
    QCOMPARE(menus.size(), expected.size());
    for (int i = 0; i < menus.size(); ++i) {
        QCOMPARE(menus[i]->text(), expected[i].first);
        QCOMPARE(describe(menus[i]->menu()), expected[i].second);
    }

    const QMenu* graphs = app.parts->mainView.graphs()->ImagePopupMenu();
    QCOMPARE(describe(graphs),
             QStringList({"Process Fn |  | PopupProcessFn", "-",
                          "Save signals to ... |  | PopupSaveSignalsTo",
                          "Save to actual dir |  | PopupSaveToActualDir",
                          "Append signals |  | PopupAppendSignals", "-",
                          "Copy sign.to Excel |  | PopupCopySignalsToExcel", "-",
                          "Copy graph |  | PopupCopyGraph", "Print graph |  | PopupPrintGraph"}));
    const QMenu* table = app.parts->mainView.SignalGrid()->contextMenu();
    QCOMPARE(describe(table), QStringList({"Open signal ... |  | PopupOpenSignal",
                                           "Delete signal |  | PopupDeleteSignal",
                                           "Save signal to actual directory |  | "
                                           "PopupSaveSignalToActualDir"}));

    // Every entry has a handler; the graph popup hands most of its entries on as signals
    // of the graphs, and each of those has a receiver of its own.
    QList<const QAction*> all;
    for (const QAction* m : menus)
        for (const QAction* a : m->menu()->actions())
            if (!a->isSeparator() && !a->menu())
                all << a;
    for (const QMenu* m : {graphs, table})
        for (const QAction* a : m->actions())
            if (!a->isSeparator())
                all << a;
    for (const QAction* a : all)
        QVERIFY2(connected(a), qPrintable(a->objectName()));
    for (int c = 0; c < kCmdCount; ++c)
        QVERIFY2(connected(f.action(static_cast<Cmd>(c))),
                 cmdObjectName(static_cast<Cmd>(c)).data());
    const GraphPair* g = app.parts->mainView.graphs();
    for (const QMetaMethod& s : {QMetaMethod::fromSignal(&GraphPair::processFnRequested),
                                 QMetaMethod::fromSignal(&GraphPair::saveSignalsToRequested),
                                 QMetaMethod::fromSignal(&GraphPair::saveToActualDirRequested),
                                 QMetaMethod::fromSignal(&GraphPair::appendSignalsRequested),
                                 QMetaMethod::fromSignal(&GraphPair::copySignalsToExcelRequested),
                                 QMetaMethod::fromSignal(&GraphPair::printGraphRequested)})
        QVERIFY2(hasReceiver(g, s), s.name().constData());
    QVERIFY(app.parts->mainView.SignalGrid()->saveSlotToActualDir);
}

void CommandsAndHelpTest::mainWindowKeysStayInTheMainWindow() {
    App app;
    TForm1& f = *app.form;
    // Only the keys that reach across windows on purpose are application-wide.
    for (int c = 0; c < kCmdCount; ++c) {
        const Cmd cmd = static_cast<Cmd>(c);
        const bool across = cmd == Cmd::SwapWindow || cmd == Cmd::HelpOnMouseMove;
        QCOMPARE(f.action(cmd)->shortcutContext(),
                 across ? Qt::ApplicationShortcut : Qt::WindowShortcut);
    }
    QSignalSpy open(f.action(Cmd::OpenActualId), &QAction::triggered);
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.setFocus();
    QTest::keyClick(&f, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(open.count(), 2);

    // A grid in the Monitors window gets its Ctrl+Enter.
    QWidget& monitors = app.parts->monitors;
    monitors.show();
    monitors.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&monitors));
    QTest::keyClick(&monitors, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(open.count(), 2);
}

void CommandsAndHelpTest::aboutNamesProgramVersionAndLicence() {
    const QString text = TForm1::aboutText();
    QVERIFY(text.startsWith("MVtervik\n"));
    QVERIFY(text.contains(QString("Version ") + kVersion));
    QVERIFY(text.contains("Licence"));
}

void CommandsAndHelpTest::helpFollowsTheMouseOncePerPlace() {
    App app;
    TForm1& f = *app.form;
    HelpLink& help = app.parts->helpLink;
    QTextEdit* pane = help.pane();
    QSignalSpy shown(&help, &HelpLink::helpShown);
    TSignalGrid* grid = app.parts->mainView.SignalGrid();
    const auto cellPoint = [grid](int row, int col, int dx) {
        const QRect r = grid->visualRect(grid->model()->index(row, col));
        return grid->viewport()->mapTo(grid->window(),
                                       r.topLeft() + QPoint(2 + dx, r.height() / 2));
    };
    const auto moveTo = [&f](QWidget* w, QPoint p) { QTest::mouseMove(&f, w->mapTo(&f, p)); };

    // Off: nothing happens, the pane stays hidden.
    // (A move to where the mouse already is does not count as one: each lands elsewhere.)
    QVERIFY(!pane->isVisible());
    QTest::mouseMove(&f, cellPoint(1, 6, 0));
    QCOMPARE(shown.count(), 0);

    f.action(Cmd::HelpOnMouseMove)->trigger();
    QVERIFY(pane->isVisible());
    QCOMPARE(pane->geometry(), f.logPane()->geometry());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);

    // Twice within one cell: one update. The next column: a second.
    QTest::mouseMove(&f, cellPoint(2, 3, 0));
    QTest::mouseMove(&f, cellPoint(2, 3, 6));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.last().at(0).toString(), QString("Signal table - fs [Hz]"));
    QCOMPARE(shown.last().at(1).toString(), QString("Displays the signal sampling frequency."));
    QCOMPARE(pane->toPlainText(),
             QString("Signal table - fs [Hz]\nDisplays the signal sampling frequency."));
    QTest::mouseMove(&f, cellPoint(2, 4, 0));
    QCOMPARE(shown.count(), 2);
    QVERIFY(shown.last().at(1).toString().startsWith("Test ID. The sequence number"));

    // The header row has texts of its own.
    QHeaderView* header = grid->horizontalHeader();
    moveTo(header->viewport(), QPoint(header->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(shown.last().at(0).toString(), QString("Signal table - Plot"));
    QCOMPARE(shown.last().at(1).toString(),
             QString("[LMouse]  on the header - toggles the visibility of all signals."));

    // Czech: the entry on show is told again, and the next cells follow.
    f.action(Cmd::CzHelp)->trigger();
    QCOMPARE(QString::fromStdString(app.ws.settings.HelpLanguage), QString("CZ"));
    QVERIFY(shown.last().at(1).toString().startsWith("[LMouse]  na záhlaví"));
    QTest::mouseMove(&f, cellPoint(5, 3, 0));
    QCOMPARE(shown.last().at(1).toString(), QString("Zobrazuje vzorkovací frekvenci signálu."));

    // A tab of the tool pages, then a button on the page shown.
    QTabBar* tabs = f.controlPanel()->pages->tabBar();
    moveTo(tabs, tabs->tabRect(ToolPages::RawToQytl).center());
    QCOMPARE(shown.last().at(0).toString(), QString("raw to QYTL"));
    QVERIFY(shown.last().at(1).toString().startsWith("Vypočte síly"));
    f.action(Cmd::CzHelp)->trigger();
    QCOMPARE(QString::fromStdString(app.ws.settings.HelpLanguage), QString("EN"));
    QVERIFY(shown.last().at(1).toString().startsWith("Computes the wheel-rail forces"));
    QPushButton* fill = f.controlPanel()->fillButton;
    moveTo(fill, fill->rect().center());
    QCOMPARE(shown.last().at(0).toString(), QString("Fill signal"));
    // A caption explains the control it belongs to.
    QLabel* caption = nullptr;
    for (QLabel* l : f.controlPanel()->findChildren<QLabel*>())
        if (l->buddy() == f.controlPanel()->fProcessEdit)
            caption = l;
    QVERIFY(caption);
    moveTo(caption, caption->rect().center());
    QCOMPARE(shown.last().at(0).toString(), QString("f process [Hz]"));

    // Off again: the pane goes, the cursor comes back, moves change nothing.
    f.action(Cmd::HelpOnMouseMove)->trigger();
    QVERIFY(!pane->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    const int before = shown.count();
    QTest::mouseMove(&f, cellPoint(3, 5, 4));
    QCOMPARE(shown.count(), before);
}

void CommandsAndHelpTest::everyControlWithHelpExists() {
    // A help entry for a control that is not there would never be seen: every target of the
    // table names a control of the main window or the Monitors window, and each shows its
    // entry when asked.
    App app;
    HelpLink& help = app.parts->helpLink;
    QSignalSpy shown(&help, &HelpLink::helpShown);
    QSet<QString> targets;
    for (const HelpEntry& e : helpEntries())
        targets << QString::fromUtf8(e.target.data(), qsizetype(e.target.size()));
    for (const QString& t : targets) {
        const int before = shown.count();
        QVERIFY2(help.showHelpFor(t), qPrintable(t));
        QCOMPARE(shown.count(), before + 1);
        QVERIFY2(!shown.last().at(0).toString().isEmpty(), qPrintable(t));
    }
    QVERIFY(!help.showHelpFor("NoSuchControl"));
}

QTEST_MAIN(CommandsAndHelpTest)
#include "CommandsAndHelpTest.moc"
