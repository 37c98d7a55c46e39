// The Monitors window offscreen: pixels of a replayed flat signal and of FFT bars, the
// creation drag in arrange mode, "Plot signals" and "Save polygr." with the PARAM block.
#include "monitors/PolyGrafStore.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "monitors/ui/PolyGrafForm.h"

#include <QApplication>
#include <QImage>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <vector>

using namespace mv;

namespace {

class FixedSource final : public ReplaySource {
public:
    double fs = 1000;
    std::pair<double, double> window{0, 2};
    double fsPlay() const override { return fs; }
    std::pair<double, double> lowerWindow() const override { return window; }
    void focusSignal(int slot) const override { focused.push_back(slot); }
    mutable std::vector<int> focused;
};

void load(SignalStore& store, int slot, int n, double fs, const std::function<float(int)>& f) {
    SignalRecord r;
    r.f_sampl = fs;
    r.SigName = "Force";
    r.Units = "kN";
    SampleBuffer b = SampleBuffer::allocate(std::size_t(n));
    for (int i = 0; i < n; ++i)
        b[std::size_t(i)] = f(i);
    r.setData(std::move(b));
    store.installSignal(slot, std::move(r));
}

// Rows of column x of the grabbed window that have colour c.
int count(const QImage& im, int x, QRgb c) {
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
        n += (im.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF) ? 1 : 0;
    return n;
}

} // namespace

class MonitorsWindowTest : public QObject {
    Q_OBJECT

    // The clock and the graph thread driven by hand.
    void run(MonitorsEngine& e, int ticks) {
        for (int i = 0; i < ticks; ++i) {
            e.clock.tick();
            while (e.graph.round() > 0) {
            }
        }
    }

private slots:
    void flatSignalPaintsExactlyItsLineWidth() {
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        TScrMonForm form(&engine, &src);
        form.show();
        load(store, 1, 5000, 1000, [](int) { return 2.0f; });
        engine.clock.setFsPlay(1000);
        engine.graph.round();
        PolyGrafForm* f = form.createPolyGraf({10, 100, 538, 300});
        {
            std::lock_guard lock(f->model().mutex);
            f->model()._SubGrafList[0]->_SubGrafParam.SerPar[0].LineWidth = 3;
            f->model().SetXParam("0", "10", "0", 1000);
        }
        engine.clock.startReplay(0, 4);
        run(engine, 100);
        QTest::qWait(50);
        const QImage im = f->grab().toImage();
        const QRgb red = qRgb(255, 0, 0);
        for (int x : {40, 50, 70})
            QCOMPARE(count(im, x, red), 3);
        QCOMPARE(count(im, 30 + 300, red), 0);
    }

    void fftBarsReachTheirRow() {
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        src.fs = 1024;
        TScrMonForm form(&engine, &src);
        form.show();
        // 8 lines over 0..512 Hz, a tone at line 3 (192 Hz) of amplitude 10.
        load(store, 1, 20000, 1024,
             [](int i) { return float(10 * std::sin(2 * M_PI * 192 * i / 1024.0)); });
        engine.clock.setFsPlay(1024);
        engine.graph.round();
        PolyGrafForm* f = form.createPolyGraf({10, 100, 538, 300});
        {
            std::lock_guard lock(f->model().mutex);
            TPolyGraf& p = f->model();
            p.SetPolyGrafMonType(mtFFT, 1024);
            TSubGraf& sg = *p._SubGrafList[0];
            sg._SubGrafParam.SerPar[0].FFTLines = 8;
            sg._SubGrafParam.SerPar[0].SpectType = 0; // LS: the tone's line reads ~ its amplitude
            sg._SubGrafParam.SerPar[0].WinType = 3;   // flat top: the amplitude is exact
            SetYRange(sg, 0, "0", "20");
            SetYgridText(sg, "0");
        }
        f->rebuild();
        engine.clock.startReplay(0, 10);
        run(engine, 150);
        QTest::qWait(50);
        int hiRow = 0, zeroRow = 0;
        double value = 0;
        int barX = 0;
        {
            std::lock_guard lock(f->model().mutex);
            TPolyGraf& p = f->model();
            const TSubGraf& sg = *p._SubGrafList[0];
            const SeriesRun& run = sg.run[0];
            // The column in the middle of line 3.
            barX = int(std::lround(p._ScrPGCoef.Xslope * 192));
            value = run.Yarr[std::size_t(barX)].hi;
            hiRow = sg._ScrSubGrCoef._YL.row(value);
            zeroRow = sg._ScrSubGrCoef._YL.Offs;
        }
        QVERIFY(value > 5 && value < 15);
        const QImage im = f->grab().toImage();
        const int x = 30 + barX;
        // The trace's top at the value's row, the light fill from there down to the zero line.
        QCOMPARE(im.pixel(x, 4 + hiRow) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
        QCOMPARE(im.pixel(x, 4 + hiRow - 2) & 0xFFFFFF, 0xFFFFFFu);
        const QRgb light = lightColour(9) & 0xFFFFFF;
        int filled = 0;
        for (int y = 4 + hiRow + 1; y < 4 + zeroRow; ++y)
            filled +=
                ((im.pixel(x, y) & 0xFFFFFF) == light || (im.pixel(x, y) & 0xFFFFFF) == 0xFF0000)
                    ? 1
                    : 0;
        QVERIFY2(filled >= zeroRow - hiRow - 2,
                 qPrintable(QString("%1 of %2").arg(filled).arg(zeroRow - hiRow)));
    }

    void arrangeModeDragCreatesAPolygraph() {
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        TScrMonForm form(&engine, &src);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyPress(&form, Qt::Key_Control);
        QVERIFY(form.arrangeMode());
        QTest::mousePress(&form, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 200));
        QMouseEvent move(QEvent::MouseMove, QPointF(440, 420), QPointF(440, 420), Qt::NoButton,
                         Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(&form, &move);
        QTest::mouseRelease(&form, Qt::LeftButton, Qt::ControlModifier, QPoint(440, 420));
        // A drag too small creates nothing.
        QTest::mousePress(&form, Qt::LeftButton, Qt::ControlModifier, QPoint(600, 600));
        QTest::mouseRelease(&form, Qt::LeftButton, Qt::ControlModifier, QPoint(640, 640));
        QTest::keyRelease(&form, Qt::Key_Control);
        QVERIFY(!form.arrangeMode());
        QCOMPARE(int(form.polyForms().size()), 1);
        QCOMPARE(engine.list.count(), 1);
        PolyGrafForm* f = form.polyForms()[0];
        QCOMPARE(f->geometry(), QRect(100, 200, 340, 220));
        QCOMPARE(f->paramGrid()->item(1, 0)->text(), QString("PolyGraf 1"));
        // Halving the window's width halves the polygraph's left and width.
        form.resize(form.width() / 2, form.height());
        QCOMPARE(f->x(), 50);
        QCOMPARE(f->width(), 320); // 170 is below the minimum width
    }

    void plotSignalsReplaysTheLowerWindowThenPopsUp() {
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        src.fs = 100;
        src.window = {2, 3};
        TScrMonForm form(&engine, &src);
        form.PlotSignalsSpeedButton->setChecked(true);
        QCOMPARE(engine.clock.remaining(), 101);
        QCOMPARE(engine.clock.fsPlay(), 100.0);
        engine.start();
        QTRY_VERIFY_WITH_TIMEOUT(form.PlotSignalsSpeedButton->text() != "Plot signals", 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!form.PlotSignalsSpeedButton->isChecked(), 4000);
        QCOMPARE(form.PlotSignalsSpeedButton->text(), QString("Plot signals"));
        engine.stop();
    }

    void stripChartPrintsToAPdfFile() {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        TScrMonForm form(&engine, &src);
        load(store, 1, 20000, 1000, [](int i) { return float(std::sin(i / 80.0)); });
        engine.clock.setFsPlay(1000);
        engine.graph.round();
        PolyGrafForm* f = form.createPolyGraf({10, 100, 538, 300});
        {
            std::lock_guard lock(f->model().mutex);
            f->model()._PRN.JePrint = true;
            f->model()._PRN.ToFile = true;
            f->model().SetXParam("0", "5", "1", 1000);
        }
        src.window = {0, 9.9};
        form.PlotSignalsSpeedButton->setChecked(true);
        run(engine, 1010);
        QCOMPARE(form.stripCharts()->jobsStarted(), 1);
        QFile pdf(dir.filePath("~0/ID_0 ID_0 PolyGraf 1.pdf"));
        QVERIFY2(pdf.open(QIODevice::ReadOnly), qPrintable(pdf.fileName()));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(int(bytes.count("/Type /Page\n")) + int(bytes.count("/Type /Page\r")) +
                     int(bytes.count("/Type /Page ")) + int(bytes.count("/Type /Page/")) +
                     int(bytes.count("/Type /Page>")),
                 2);
        QDir::setCurrent(old);
    }

    void savePolygraphsAndReloadOnlyWhenTheBlockChanged() {
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        TScrMonForm form(&engine, &src);
        SpreadsheetApp app;
        const WorkbookId id = app.newWorkbook("PARAM");
        const SheetHandle h = app.sheet(id, "PARAM");
        QVERIFY(!form.SavePolyGraphsButton->isEnabled());
        form.paramSheetScanned(&app, h);
        QVERIFY(form.SavePolyGraphsButton->isEnabled());
        form.createPolyGraf({10, 100, 400, 200});
        form.createPolyGraf({420, 100, 400, 200});
        QTest::mouseClick(form.SavePolyGraphsButton, Qt::LeftButton);
        QCOMPARE(app.text(h, 151, 1), std::string("1|PolyGraf 1"));
        QCOMPARE(app.text(h, 152, 1), std::string("2|PolyGraf 2"));
        // A rescan of the unchanged block keeps the windows (and their unsaved edits).
        PolyGrafForm* first = form.polyForms()[0];
        form.paramSheetScanned(&app, h);
        QCOMPARE(form.polyForms()[0], first);
        // A changed block rebuilds them.
        app.setValue(h, 151, 6, CellValue::num(2));
        form.paramSheetScanned(&app, h);
        QCOMPARE(int(form.polyForms().size()), 2);
        std::lock_guard lock(form.polyForms()[0]->model().mutex);
        QCOMPARE(form.polyForms()[0]->model().subGrafCount(), 1); // row 152 starts the next one
    }

    void ctrlEnterInASeriesGridFocusesItsSignal() {
        SignalStore store;
        MonitorsEngine engine(store, nullptr);
        FixedSource src;
        TScrMonForm form(&engine, &src);
        form.show();
        PolyGrafForm* f = form.createPolyGraf({10, 100, 538, 300});
        {
            std::lock_guard lock(f->model().mutex);
            f->model()._SubGrafList[0]->_SubGrafParam.SerPar[0].SigNo = 3;
        }
        QTableWidget* g = f->seriesGrid(0);
        g->setCurrentCell(1, 0);
        // An empty slot has no row to show; a loaded one does.
        QTest::keyClick(g, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(src.focused.empty());
        load(store, 3, 100, 1000, [](int) { return 0.0f; });
        QTest::keyClick(g, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(src.focused, std::vector<int>{3});
    }
};

QTEST_MAIN(MonitorsWindowTest)
#include "MonitorsWindowTest.moc"
