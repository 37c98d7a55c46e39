// The graph widgets offscreen: drawing, keys, mouse, wheel, zoom slots and markers.
#include "app/Workspace.h"
#include "graphs/GraphDrawing.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"
#include "graphs/ui/ZoomMarkers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace mv;

class GraphUiTest : public QObject {
    Q_OBJECT

    struct Fixture {
        Workspace ws;
        QWidget host;
        GraphPair* pair = nullptr;
        int refreshes = 0;
        Fixture() {
            host.resize(1059, 560);
            pair = new GraphPair(ws.graphsView(), &host);
            pair->Image1()->setGeometry(0, 0, 1059, 250);   // 1000 plot columns
            pair->Image2()->setGeometry(0, 256, 1059, 221); // 200 plot rows
            pair->setTableRefresh([this] { ++refreshes; });
            pair->addActionsTo(&host);
            host.show();
            QApplication::setActiveWindow(&host);
            QVERIFY(QTest::qWaitForWindowActive(&host));
            pair->SetAktivni(1);
            pair->RedrawGraphs();
        }
        void addSignal(int slot, double fs, const std::vector<float>& v, Colour c = 0xFF0000) {
            SignalRecord& r = ws.store[slot];
            r.f_sampl = fs;
            r.Plot = true;
            r.SigColor = c;
            auto b = SampleBuffer::allocate(v.size());
            for (std::size_t i = 0; i < v.size(); ++i)
                b[i] = v[i];
            r.setData(std::move(b));
        }
        GraphWindow lower() const { return currentWindow(ws.graphs.image2); }
    };

    static QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

private slots:
    void drawsFrameBackgroundZeroLineAndTrace() {
        Fixture f;
        f.addSignal(1, 100.0, std::vector<float>(1001, 5.0f), 0x0000FF); // red, 0 .. 10 s
        f.pair->Image2()->ZoomTo(0, 10, -12, 12);
        f.pair->RedrawGraphs();
        const QImage a = f.pair->Image1()->bitmap();
        const QImage b = f.pair->Image2()->bitmap();
        const PixelRect r = f.ws.graphs.image2._R;
        QCOMPARE(px(b, r.Left, r.Top + 50), 0x000000u); // frame
        QCOMPARE(px(b, r.Right, r.Top + 50), 0x000000u);
        QCOMPARE(px(b, r.Left + 3, r.Bottom), 0x000000u);
        QCOMPARE(px(a, 300, 50), 0xFFFFFFu);  // active plot white
        QCOMPARE(px(b, 301, 151), 0xF0F0F0u); // inactive plot grey 240
        // -12 .. 12 over 200 rows: the zero line is solid black, combined not-XOR with
        // the plot: black on the inactive grey 240 gives 15.
        const int zeroRow = valueToRow(f.ws.graphs.image2, 0.0);
        QCOMPARE(px(b, r.Left + 101, zeroRow), 0x0F0F0Fu);
        QCOMPARE(px(b, r.Left + 102, zeroRow), 0x0F0F0Fu);
        // A dotted grey line at 10: every other pixel 210 on the grey (not-XOR: 221).
        const int tenRow = valueToRow(f.ws.graphs.image2, 10.0);
        QVERIFY(px(b, r.Left + 101, tenRow) != px(b, r.Left + 102, tenRow));
        // The trace at 5.0 in its colour.
        QCOMPARE(px(b, r.Left + 500, valueToRow(f.ws.graphs.image2, 5.0)), 0xFF0000u);
        // Swapping makes Image2's plot white and Image1's grey.
        f.pair->swapActive();
        QCOMPARE(px(f.pair->Image2()->bitmap(), 301, 151), 0xFFFFFFu);
        QCOMPARE(px(f.pair->Image2()->bitmap(), r.Left + 101, zeroRow), 0x000000u);
        QCOMPARE(px(f.pair->Image1()->bitmap(), 301, 51), 0xF0F0F0u);
    }

    void crosshairFollowsTheMouseOnTheActiveGraph() {
        Fixture f;
        f.addSignal(3, 10.0, {1.0f, -1.0f, 1.0f, 2.0f});
        f.pair->RedrawGraphs();
        QSignalSpy cells(f.pair, &GraphPair::cursorCellsChanged);
        TSigImage* g = f.pair->Image1();
        QTest::mouseMove(g, QPoint(300, 100));
        QTRY_VERIFY(cells.count() > 0);
        const QImage shown = g->grab().toImage();
        // Dotted blue lines through (300, 100): not every pixel, but blue ones on both.
        int onV = 0, onH = 0;
        for (int y = 10; y < 200; ++y)
            onV += px(shown, 300, y) == 0x0000FFu;
        for (int x = 50; x < 900; ++x)
            onH += px(shown, x, 100) == 0x0000FFu;
        QVERIFY(onV > 30);
        QVERIFY(onH > 100);
        QCOMPARE(px(g->bitmap(), 300, 100), 0xFFFFFFu); // the bitmap itself is untouched
        QVERIFY(f.pair->T_Label()->text().startsWith("T = "));
        const auto c = cells.last().at(0).value<CursorCells>();
        QCOMPARE(int(c[2].state), int(CursorCell::State::Value));
    }

    // A zoom keeps the cursor where it stands; the readout tells what is there now, and
    // the whole label stays on the graph wherever the cursor goes.
    void readoutFollowsAZoomAndStaysOnTheGraph() {
        Fixture f;
        f.addSignal(3, 10.0, {1.0f, -1.0f, 1.0f, 2.0f});
        f.pair->SetAktivni(2);
        TSigImage* g = f.pair->Image2();
        QTest::mouseMove(g, QPoint(300, 100));
        QTRY_VERIFY(f.pair->T_Label()->text().startsWith("T = "));
        const QString before = f.pair->T_Label()->text();
        g->ZoomTo(5.0, 6.0, -1.0, 1.0);
        const SigImageState& st = f.ws.graphs.image2;
        QCOMPARE(f.pair->T_Label()->text(),
                 QString::fromStdString(tLabelText(cursorTime(st, 300), cursorValue(st, 100))));
        QVERIFY(f.pair->T_Label()->text() != before);
        for (int x : {45, 500, 1050}) {
            QTest::mouseMove(g, QPoint(x, 100));
            QTRY_VERIFY(f.pair->T_Label()->geometry().left() >= g->geometry().left());
            QVERIFY(f.pair->T_Label()->geometry().right() <= g->geometry().right());
        }
    }

    void dragWithoutWidthDoesNotZoomThenARealDragDoes() {
        Fixture f;
        TSigImage* g = f.pair->Image2();
        f.pair->Image2()->ZoomTo(0, 10, -10, 10);
        const GraphWindow before = f.lower();
        QSignalSpy delta(f.pair, &GraphPair::deltaTextChanged);
        QTest::mousePress(g, Qt::LeftButton, {}, QPoint(100, 50));
        QTest::mouseMove(g, QPoint(100, 80));
        QTest::mouseRelease(g, Qt::LeftButton, {}, QPoint(100, 80));
        QCOMPARE(f.lower(), before);
        QVERIFY(f.ws.graphs.image2._MalujRect); // stays set; the next press restarts
        QVERIFY(delta.count() > 0);
        QVERIFY(delta.last().at(0).toString().startsWith("Delta T  0.000000 s   Delta Y  "));
        QSignalSpy inv(f.pair, &GraphPair::invDeltaTextChanged);
        QTest::mousePress(g, Qt::LeftButton, {}, QPoint(140, 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(540, 201), g->mapToGlobal(QPointF(540, 201)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g, &move);
        QCOMPARE(inv.last().at(0).toString(), QString("1/Delta T= 0.250000 Hz"));
        QTest::mouseRelease(g, Qt::LeftButton, {}, QPoint(540, 201));
        QCOMPARE(f.lower().t1, 1.0);
        QCOMPARE(f.lower().t2, 5.0);
        QVERIFY(!f.ws.graphs.image2._MalujRect);
    }

    void dragOnTheOverviewZoomsTheLowerGraphAndStaysMarked() {
        Fixture f;
        TSigImage* g = f.pair->Image1();
        QTest::mousePress(g, Qt::LeftButton, {}, QPoint(140, 30));
        QMouseEvent move(QEvent::MouseMove, QPointF(340, 120), g->mapToGlobal(QPointF(340, 120)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g, &move);
        QTest::mouseRelease(g, Qt::LeftButton, {}, QPoint(340, 120));
        QCOMPARE(f.lower().t1, 1.0); // overview 0 .. 10 s over 1000 columns
        QCOMPARE(f.lower().t2, 3.0);
        // The band stays on the overview as the mark of the lower graph's window.
        const QImage shown = g->composedImage();
        int blue = 0;
        for (int x = 150; x < 330; ++x)
            blue += px(shown, x, 30) == 0x0000FFu;
        QVERIFY(blue > 40);
        QCOMPARE(px(g->bitmap(), 200, 30), 0xFFFFFFu);
    }

    void swapZoomTwiceAndZoomAll() {
        Fixture f;
        f.pair->Image2()->ZoomTo(1, 2, -1, 1);
        f.pair->Image2()->ZoomTo(3, 4, -2, 2);
        QTest::keyClick(&f.host, Qt::Key_F11);
        QCOMPARE(f.lower(), (GraphWindow{1, 2, -1, 1}));
        QTest::keyClick(&f.host, Qt::Key_F11);
        QCOMPARE(f.lower(), (GraphWindow{3, 4, -2, 2}));
        QTest::keyClick(&f.host, Qt::Key_F12);
        QCOMPARE(f.lower(), currentWindow(f.ws.graphs.image1));
    }

    void zoomSlotKeysScrollLockAndMarkers() {
        Fixture f;
        f.pair->Image2()->ZoomTo(2, 3, -4, 4);
        QTest::keyClick(&f.host, Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.ws.graphs.zoom(10), (TZoomRec{2, 3, -4, 4}));
        QLabel* m = f.pair->markers()->marker(10);
        QVERIFY(m->isVisible());
        QCOMPARE(m->palette().color(QPalette::Window), QColor(0, 255, 0));
        // Overview 0 .. 10 s over 1000 columns: 2 s is 200 columns right of Left.
        QCOMPARE(m->x(), 40 + 200);
        QCOMPARE(m->y(), 250 - 9);
        f.pair->Image2()->ZoomTo(5, 6, -1, 1);
        QTest::keyClick(&f.host, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(f.lower(), (GraphWindow{2, 3, -4, 4}));
        // The keypad digits are no shortcuts.
        QTest::keyClick(&f.host, Qt::Key_3, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(f.lower(), (GraphWindow{2, 3, -4, 4}));
        // Scroll Lock on: only the slot's values are taken.
        f.pair->setScrollLockProbe([] { return true; });
        QTest::keyClick(&f.host, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(f.lower(), (GraphWindow{2, 3, 2, 4})); // slot 3 default values 2 .. 4
        QVERIFY(f.pair->markers()->marker(3)->isVisible());
        QCOMPARE(f.pair->markers()->marker(10)->palette().color(QPalette::Window),
                 f.pair->markers()->marker(10)->palette().color(QPalette::ToolTipBase));
        f.pair->setScrollLockProbe([] { return false; });
        // Dragging marker 3 keeps the slot's width; releasing shows it.
        QLabel* m3 = f.pair->markers()->marker(3);
        QTest::mousePress(m3, Qt::LeftButton, {}, QPoint(2, 4));
        QMouseEvent move(QEvent::MouseMove, QPointF(2 + 540 - m3->x(), 4),
                         m3->mapToGlobal(QPointF(2 + 540 - m3->x(), 4)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m3, &move);
        QCOMPARE(m3->x(), 540);
        QCOMPARE(f.ws.graphs.zoom(3).T1, 5.0);
        QCOMPARE(f.ws.graphs.zoom(3).T2, 6.0);
        QTest::mouseRelease(m3, Qt::LeftButton, {}, QPoint(2, 4));
        QCOMPARE(f.lower(), (GraphWindow{5, 6, 2, 4}));
    }

    void ctrlUpDownScaleTheActiveGraph() {
        Fixture f;
        f.pair->SetAktivni(2);
        f.pair->Image2()->ZoomTo(0, 10, 2, 6);
        f.pair->valueZoomIn();
        QCOMPARE(f.lower(), (GraphWindow{0, 10, 1, 3}));
        f.pair->valueZoomOut();
        f.pair->valueZoomOut();
        QCOMPARE(f.lower(), (GraphWindow{0, 10, 4, 12}));
    }

    void swapActiveAndCopyGraphKeys() {
        Fixture f;
        QCOMPARE(f.pair->AktivniImage(), f.pair->Image1());
        QTest::keyClick(&f.host, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.pair->AktivniImage(), f.pair->Image2());
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&f.host, Qt::Key_G, Qt::ControlModifier);
        const QImage img = QGuiApplication::clipboard()->image();
        QCOMPARE(img.size(), f.pair->Image2()->size());
    }

    void wheelRules() {
        Fixture f;
        f.pair->Image1()->ZoomTo(0, 10, -10, 10);
        const int before = f.refreshes;
        const GraphWindow w1 = currentWindow(f.ws.graphs.image1);
        auto wheel = [](QWidget* w, Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
            QWheelEvent e(QPointF(300, 100), w->mapToGlobal(QPointF(300, 100)), QPoint(),
                          QPoint(0, 120), buttons, mods, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &e);
        };
        wheel(f.pair->Image1(), Qt::ShiftModifier, Qt::NoButton);
        QCOMPARE(currentWindow(f.ws.graphs.image1), w1);
        wheel(f.pair->Image1(), Qt::NoModifier, Qt::NoButton);
        QVERIFY(f.ws.graphs.image1._YMax < 10.0f);
        QCOMPARE(f.refreshes, before); // the table is left as it was
        const GraphWindow w2 = f.lower();
        wheel(f.pair->Image2(), Qt::ShiftModifier, Qt::NoButton);
        QVERIFY(std::abs((f.lower().t2 - f.lower().t1) - (w2.t2 - w2.t1) * 39 / 40) < 1e-9);
        // Right button held: the next context menu is suppressed.
        f.pair->SetAktivni(2);
        wheel(f.pair->Image2(), Qt::NoModifier, Qt::RightButton);
        QVERIFY(f.ws.graphs.image2._BylZoom);
        QTest::mouseRelease(f.pair->Image2(), Qt::RightButton, {}, QPoint(300, 100));
        QVERIFY(!f.ws.graphs.image2._BylZoom);
        QVERIFY(!f.pair->ImagePopupMenu()->isVisible());
    }

    void ctrlClickHandsOnTheColumnAndCtrlMovePans() {
        Fixture f;
        QSignalSpy col(f.pair, &GraphPair::columnClicked);
        TSigImage* g = f.pair->Image2();
        QTest::mouseClick(g, Qt::LeftButton, Qt::ControlModifier, QPoint(140, 50));
        QCOMPARE(col.count(), 1);
        QCOMPARE(col.at(0).at(0).toInt(), 100);
        f.pair->Image2()->ZoomTo(0, 10, -10, 10);
        auto ctrlMove = [&](int x) {
            QMouseEvent e(QEvent::MouseMove, QPointF(x, 50), g->mapToGlobal(QPointF(x, 50)),
                          Qt::NoButton, Qt::NoButton, Qt::ControlModifier);
            QApplication::sendEvent(g, &e);
        };
        ctrlMove(100);
        ctrlMove(100 + 999 / 2);
        ctrlMove(100 + 999); // a burst: one window applied when idle
        QCOMPARE(f.lower().t1, 0.0);
        QTRY_COMPARE(f.lower().t1, -10.0);
        QCOMPARE(f.lower().t2, 0.0);
    }

    void redrawCallsTheTableRefreshAfterBothGraphs() {
        Fixture f;
        f.addSignal(1, 2.0, {1, 2, 3});
        int seen = -1;
        f.pair->setTableRefresh([&] { seen = f.ws.graphs.image1.rec(1).SmpCount; });
        f.pair->RedrawGraphs();
        QCOMPARE(seen, 3);
        QCOMPARE(f.pair->windowStats(1).SmpCount, 3);
    }
};

QTEST_MAIN(GraphUiTest)
#include "GraphUiTest.moc"
