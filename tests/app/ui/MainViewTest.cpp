// The main view inside the main window: start files, menu commands, the keys the
// Signal table and the graphs share, and the settings the view keeps.
#include "app/ui/MainView.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "core/ui/FnParamGrid.h"
#include "core/ui/LogPane.h"
#include "core/ui/SignalGrid.h"
#include "files/Readers.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "processing/ui/GeneratorPage.h"
#include "widgets/ui/MV_Komp.h"
#include "widgets/ui/Splitter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

using namespace mv;

namespace {

struct Session {
    Session(const QString& ini, QStringList files = {}, QString format = {}) {
        files::installReaders(ws.readers);
        StartOptions o;
        o.settingsPath = ini;
        o.files = files;
        o.loadFormat = format;
        form = std::make_unique<TForm1>(ws, o);
        form->setConfirm([this](const QString& q) {
            questions << q;
            return answer;
        });
        view = new MainView(*form, ws);
        form->setMonitors(&monitors);
        form->show();
        form->ensureFirstActivation();
    }
    Workspace ws;
    TScrMonForm monitors;
    std::unique_ptr<TForm1> form;
    MainView* view = nullptr;
    QStringList questions;
    bool answer = false; // the default button: keep the signals
};

void dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    const QPoint at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}

void writeText(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class MainViewTest : public QObject {
    Q_OBJECT
private slots:
    void startFilesOpenInTheNamedFormat() {
        QTemporaryDir dir;
        writeText(dir.filePath("a.txt"), "1\r\n2\r\n3\r\n");
        writeText(dir.filePath("b.txt"), "4\r\n5\r\n");
        Session s(dir.filePath("MVtervik.ini"), {dir.filePath("a.txt"), dir.filePath("b.txt")},
                  "ASCII");
        QCOMPARE(s.ws.settings.LoadFileFormat, 2);
        QCOMPARE(s.form->windowTitle(), "MVtervik - " + dir.path() + "/");
        QCOMPARE(s.ws.store[1].SampleCount, 3);
        QCOMPARE(s.ws.store[2].SampleCount, 2);
        QCOMPARE(s.view->SignalGrid()->item(0, 2)->text(), QString("a"));
        // The statistics of the active (upper) graph reach the table.
        QCOMPARE(s.view->SignalGrid()->item(0, 9)->text().trimmed(), QString("3"));
        QCOMPARE(s.view->SignalGrid()->item(0, 11)->text().trimmed(), QString("3.0000"));
        // And the upper graph draws slot 1 in its colour (Maroon).
        const QImage img = s.view->graphs()->Image1()->bitmap();
        int maroon = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                maroon += img.pixelColor(x, y) == QColor(128, 0, 0) ? 1 : 0;
        QVERIFY(maroon > 0);
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::overrideCursor()); // no wait cursor left behind

        // "Fill value" writes the lower graph's window of "Sig no. to fill".
        s.form->controlPanel()->fillSigNo->setValue(1);
        s.form->controlPanel()->fillValue->setText("2,5");
        s.form->action(Cmd::FillValue)->trigger();
        QCOMPARE(s.ws.store[1].Data[0], 2.5f);
        QCOMPARE(s.ws.store[1].Data[2], 2.5f);
        QCOMPARE(s.ws.store[2].Data[0], 4.0f);

        // The filled signal was never saved: "Close all signals" asks, and the default
        // answer keeps everything.
        s.form->action(Cmd::CloseAllSignals)->trigger();
        QCOMPARE(s.questions.size(), 1);
        QVERIFY(s.questions[0].contains("1  a"));
        QVERIFY(!s.questions[0].contains("2  b"));
        QVERIFY(s.ws.store[1].occupied());
        s.answer = true;
        s.form->action(Cmd::CloseAllSignals)->trigger();
        QVERIFY(!s.ws.store[1].occupied());
        QVERIFY(!s.ws.store[2].occupied());
        QCOMPARE(s.view->SignalGrid()->item(0, 2)->text(), QString());
    }

    // Dropped files open like "Open signal": the format their extension names, else the
    // chosen load format; each joins the recent files, which open again and persist.
    void droppedAndRecentFilesOpenThroughTheOpenPath() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("MVtervik.ini");
        writeText(dir.filePath("a.txt"), "1\r\n2\r\n3\r\n");
        const float raw[2] = {7.0f, 8.0f};
        writeText(dir.filePath("r.dat"), QByteArray(reinterpret_cast<const char*>(raw), 8));
        {
            Session s(ini);
            s.form->controlPanel()->setLoadFormatIndex(3);
            s.ws.settings.LoadFileFormat = 3; // Single IEEE754
            dropFiles(s.view->graphs()->Image2(), {dir.filePath("a.txt"), dir.filePath("r.dat")});
            QCOMPARE(s.ws.store[1].SampleCount, 3); // ASCII by its extension
            QCOMPARE(s.ws.store[2].SampleCount, 2); // the chosen format
            QCOMPARE(s.ws.store[2].Data[1], 8.0f);
            QCOMPARE(s.form->windowTitle(), "MVtervik - " + dir.path() + "/");
            dropFiles(s.view->SignalGrid()->viewport(), {dir.filePath("a.txt")});
            QCOMPARE(s.ws.store[3].SampleCount, 3);

            QMenu* recent = s.form->recentFilesMenu();
            QCOMPARE(recent->actions().size(), 2);
            QVERIFY(recent->actions()[0]->text().endsWith("a.txt"));
            QVERIFY(recent->actions()[1]->text().endsWith("r.dat"));
            recent->actions()[1]->trigger();
            QCOMPARE(s.ws.store[4].SampleCount, 2);
            QVERIFY(recent->actions()[0]->text().endsWith("r.dat"));
            QVERIFY(s.form->close()); // loaded files are saved already: no question
            QVERIFY(s.questions.isEmpty());
        }
        Session s(ini);
        QCOMPARE(s.form->recentFilesMenu()->actions().size(), 2);
        QVERIFY(s.form->recentFilesMenu()->actions()[0]->text().endsWith("r.dat"));
    }

    // Quitting with a computed signal asks; "Save signals to ..." in the File menu saves
    // it, and then nothing is asked.
    void quitAsksUntilComputedSignalsAreSaved() {
        QTemporaryDir dir;
        Session s(dir.filePath("MVtervik.ini"));
        GeneratorPage* g = s.view->generator();
        g->SamplesNumberEdit->setValueText("100");
        QTest::keyClick(g->SamplesNumberEdit, Qt::Key_Return);
        QVERIFY(s.ws.store[1].Unsaved);
        QVERIFY(!s.form->close());
        QCOMPARE(s.questions.size(), 1);
        QVERIFY(s.ws.store[1].occupied());
        // The real question: Enter takes its default button, which keeps the signals.
        s.form->setConfirm({});
        bool asked = false;
        QTimer::singleShot(100, [&asked] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                asked = true;
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        s.form->action(Cmd::CloseAllSignals)->trigger();
        QVERIFY(asked);
        QVERIFY(s.ws.store[1].occupied());
        s.form->setConfirm([&s](const QString& q) {
            s.questions << q;
            return s.answer;
        });

        QTemporaryDir out;
        s.ws.store[1].SaveDiv = 1;
        s.view->chooseFolder = [&](const QString&) { return out.path(); };
        s.form->action(Cmd::SaveSignals)->trigger();
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 1);
        QVERIFY(!s.ws.store[1].Unsaved);
        QVERIFY(s.form->close());
        QCOMPARE(s.questions.size(), 1);
    }

    // "Autoscale values" fits the active graph to its plotted signals; F9 is its key.
    void autoscaleFitsTheActiveGraph() {
        QTemporaryDir dir;
        writeText(dir.filePath("a.txt"), "1\r\n2\r\n3\r\n");
        Session s(dir.filePath("MVtervik.ini"), {dir.filePath("a.txt")}, "ASCII");
        QCOMPARE(s.form->action(Cmd::AutoscaleValues)->shortcut(), QKeySequence(Qt::Key_F9));
        s.form->action(Cmd::AutoscaleValues)->trigger();
        const SigImageState& g = s.ws.graphs.active();
        QVERIFY(g._YMin < 1.0f && g._YMin > 0.8f);
        QVERIFY(g._YMax > 3.0f && g._YMax < 3.2f);
    }

    // The window sends hints to the help pane, but the table's header still shows its
    // key tooltips; the column widths come back after a restart.
    void headerTooltipsShowAndColumnWidthsPersist() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("MVtervik.ini");
        {
            Session s(ini);
            TSignalGrid* grid = s.view->SignalGrid();
            QHeaderView* h = grid->horizontalHeader();
            const QPoint at(h->sectionViewportPosition(2) + 5, h->height() / 2);
            QHelpEvent help(QEvent::ToolTip, at, h->viewport()->mapToGlobal(at));
            QApplication::sendEvent(h->viewport(), &help);
            QTRY_VERIFY(QToolTip::isVisible());
            QVERIFY(QToolTip::text().contains("Delete"));
            QToolTip::hideText();
            grid->setColumnWidth(2, 321);
            QVERIFY(s.form->close());
        }
        Session s(ini);
        QCOMPARE(s.view->SignalGrid()->columnWidth(2), 321);
    }

    void startFileThatFailsToConvertStillFinishesTheStartUp() {
        // A native (binary) file opened as ASCII: the conversion error is logged and the
        // start-up runs to its end, so screenshot mode and the first activation complete.
        QTemporaryDir dir;
        writeText(dir.filePath("a.txt"), "1\r\n2\r\n");
        writeText(dir.filePath("b.txt"), "1\r\nabc\r\n");
        Session s(dir.filePath("MVtervik.ini"), {dir.filePath("a.txt"), dir.filePath("b.txt")},
                  "ASCII");
        QVERIFY(s.form->startupDone());
        QVERIFY(s.form->logPane()->lastLine().contains("abc"));
        QCOMPARE(s.ws.store[1].SampleCount, 2);
        QCOMPARE(s.view->SignalGrid()->item(1, 2)->text(), QString("b"));
    }

    void openSignalShowsTheSlotOfAFileThatFailedToConvert() {
        QTemporaryDir dir;
        writeText(dir.filePath("b.txt"), "1\r\nabc\r\n");
        Session s(dir.filePath("MVtervik.ini"));
        s.ws.settings.LoadFileFormat = 2; // ASCII
        TSignalGrid* grid = s.view->SignalGrid();
        grid->chooseFiles = [&](const QString&, const QString&) {
            return QStringList{dir.filePath("b.txt")};
        };
        grid->selectCell(3, 2);
        bool thrown = false;
        try {
            grid->OpenSignal(true);
        } catch (const std::exception&) {
            thrown = true; // the window's handler shows it
        }
        QVERIFY(thrown);
        QVERIFY(s.ws.store[3].occupied());
        QCOMPARE(grid->item(2, 2)->text(), QString("b"));
    }

    void ctrlArrowsBelongToTheSaveDividerOnItsColumn() {
        QTemporaryDir dir;
        writeText(dir.filePath("a.txt"), "1\r\n2\r\n");
        Session s(dir.filePath("MVtervik.ini"), {dir.filePath("a.txt")}, "ASCII");
        TSignalGrid* grid = s.view->SignalGrid();
        s.ws.store[1].SaveDiv = 1;
        s.ws.settings.SaveDivPreset = 1;
        grid->setFocus();
        grid->selectCell(1, 21);
        const float yMax = s.ws.graphs.active()._YMax;
        QTest::keyClick(grid, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(s.ws.settings.SaveDivPreset, 2);
        QCOMPARE(s.ws.store[1].SaveDiv, 2);
        QCOMPARE(s.ws.graphs.active()._YMax, yMax);

        grid->selectCell(1, 2); // elsewhere the keys scale the active graph
        s.form->action(Cmd::ValueZoomOut)->trigger();
        QVERIFY(s.ws.graphs.active()._YMax != yMax);
        QCOMPARE(s.ws.settings.SaveDivPreset, 2);
    }

    void splitterBarSizesTheTable() {
        QTemporaryDir dir;
        Session s(dir.filePath("MVtervik.ini"));
        TSplitterBar* bar = s.view->splitBar(1);
        s.form->mainArea()->layout()->activate(); // the restored heights take their places
        const int before = s.view->SignalGrid()->height();
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(10, 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 62), bar->mapToGlobal(QPointF(10, 62)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(10, 62));
        QCOMPARE(s.view->SignalGrid()->height(), before + 62);
        // Far above the table's top: 50 pixels is the least it keeps.
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(10, 2));
        QMouseEvent up(QEvent::MouseMove, QPointF(10, -2000), bar->mapToGlobal(QPointF(10, -2000)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &up);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(10, -2000));
        QCOMPARE(s.view->SignalGrid()->height(), 50);
    }

    void settingsOfTheViewSurviveARestart() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("MVtervik.ini");
        {
            Session s(ini);
            s.view->generator()->GeneratorGrid->item(1, 4)->setText("7");
            s.view->SignalGrid()->setFixedHeight(260);
            s.answer = true; // "Instant Gener." made a signal that was never saved
            QVERIFY(s.form->close());
        }
        {
            QSettings written(ini, QSettings::IniFormat);
            QCOMPARE(written.value("Generator/Gener2/Slope").toString(), QString("7"));
            QCOMPARE(written.value("Generator/Gener1/f1 [Hz]").toString(), QString("1"));
            QCOMPARE(written.value("WindowPos/SignalGridHeight").toString(), QString("260"));
        }
        Session s(ini);
        QCOMPARE(s.view->generator()->GeneratorGrid->item(1, 4)->text(), QString("7"));
        QCOMPARE(s.view->SignalGrid()->height(), 260);
    }

    void generatorAndProcessingGoThroughTheGraphs() {
        QTemporaryDir dir;
        Session s(dir.filePath("MVtervik.ini"));
        GeneratorPage* g = s.view->generator();
        g->SamplesNumberEdit->setValueText("4000");
        QTest::keyClick(g->SamplesNumberEdit, Qt::Key_Return);
        QCOMPARE(s.ws.store[1].SampleCount, 4000);
        QCOMPARE(s.view->SignalGrid()->item(0, 9)->text().trimmed(), QString("4000"));

        // A function on slot 1 and Ctrl+R: the result goes to slot 2.
        QVERIFY(s.view->functions().attach(1, 0, "Math( Math func name=Abs; Slope=2; Offset=0)"));
        s.ws.store[1].ProcFn = true;
        s.form->action(Cmd::ProcessFnUp)->trigger();
        QCOMPARE(s.ws.store[2].SampleCount, 4000);
        QVERIFY(!s.ws.store[1].ProcFn);

        // The parameter grid beside the function cell: a list parameter picks its item.
        TSignalGrid* grid = s.view->SignalGrid();
        grid->setFocus();
        grid->selectCell(1, 15);
        TFnParamGrid* pg = grid->paramGrid();
        QVERIFY(pg->isVisible());
        QCOMPARE(pg->rowCount(), 4);
        QCOMPARE(pg->item(1, 1)->text(), QString("Abs"));
        QTest::keyClick(grid, Qt::Key_Right);
        QVERIFY(pg->hasFocus());
        QTest::keyClick(pg, Qt::Key_Return); // list row: opens ParItemList
        QVERIFY(pg->ParItemList()->isVisible());
        QTest::keyClick(pg, Qt::Key_Up); // wraps to the last item
        QTest::keyClick(pg, Qt::Key_Return);
        QVERIFY(!pg->ParItemList()->isVisible());
        QCOMPARE(pg->item(1, 1)->text(), QString("Sqrt"));
        QCOMPARE(s.view->functions().stepText(1, 0),
                 std::string("Math( Math func name=Sqrt; Slope=2; Offset=0)"));
        QTest::keyClick(pg, Qt::Key_Escape);
        QVERIFY(grid->hasFocus());

        s.form->action(Cmd::DeleteAllFunctions)->trigger();
        QVERIFY(!s.view->functions().hasFunction(1));
    }
};

QTEST_MAIN(MainViewTest)
#include "MainViewTest.moc"
