#include "widgets/ui/MV_Komp.h"
#include "widgets/ui/Splitter.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace mv;

class WidgetsUiTest : public QObject {
    Q_OBJECT
private slots:
    void changeFiresOnlyForValidText() {
        TNumberEdit e;
        e.set_NumberTyp(ntDouble);
        e.setRange(100, 1000000);
        QSignalSpy spy(&e, &TNumberEdit::numberChanged);
        e.setValueText("50");
        QVERIFY(!e.IsOK());
        QCOMPARE(e.palette().color(QPalette::Base), QColor(255, 0, 0));
        e.setValueText("abc");
        QCOMPARE(spy.count(), 0);
        e.setValueText("2,5e3");
        QVERIFY(e.IsOK());
        QCOMPARE(e.DoubleVal(), 2500.0);
        QCOMPARE(spy.count(), 1);
        QVERIFY(e.palette().color(QPalette::Base) != QColor(255, 0, 0));
    }

    void arrowKeysStep() {
        TNumberEdit e;
        e.set_NumberTyp(ntInteger);
        e.setRange(1, 200);
        e.setValueText("199");
        QSignalSpy spy(&e, &TNumberEdit::numberChanged);
        QTest::keyClick(&e, Qt::Key_Up);
        QCOMPARE(e.text(), QString("200"));
        QTest::keyClick(&e, Qt::Key_Up); // at the maximum: still rewritten
        QCOMPARE(e.IntegerVal(), 200);
        QCOMPARE(spy.count(), 2);
        QTest::keyClick(&e, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(e.text(), QString("190"));
        QCOMPARE(e.Text_OK(), QString("190"));
    }

    void enumStepsFromTheTypedValue() {
        TNumberEdit e;
        e.set_NumberTyp(ntEnum);
        e.setDecimalSeparator(',');
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QTest::keyClicks(&e, "44100");
        for (const char* next : {"48000", "96000", "8000"}) {
            QTest::keyClick(&e, Qt::Key_Up);
            QCOMPARE(e.text(), QString(next));
        }
        e.selectAll();
        QTest::keyClicks(&e, "22050");
        QTest::keyClick(&e, Qt::Key_Down);
        QCOMPARE(e.text(), QString("11025"));
        QCOMPARE(e.DoubleVal(), 11025.0);
    }

    void wheelNeedsFocus() {
        QWidget w;
        auto* lay = new QVBoxLayout(&w);
        auto* a = new TNumberEdit(&w);
        auto* b = new TNumberEdit(&w);
        lay->addWidget(a);
        lay->addWidget(b);
        for (auto* e : {a, b}) {
            e->set_NumberTyp(ntInteger);
            e->setRange(0, 100);
            e->setValueText("5");
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        b->setFocus();
        const QPoint c = a->rect().center();
        QWheelEvent ev(c, a->mapToGlobal(c), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(a, &ev);
        QCOMPARE(a->text(), QString("5")); // not focused: nothing happens
        a->setFocus();
        QApplication::sendEvent(a, &ev);
        QCOMPARE(a->text(), QString("6"));
    }

    void splitterLimits() {
        QWidget form;
        form.resize(400, 600);
        auto* target = new QWidget(&form);
        target->setGeometry(0, 100, 400, 200);
        auto* bar = new QWidget(&form);
        bar->setGeometry(0, 300, 400, 5);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TSplitControl split(&form);
        split.BeginSizing(bar, target);
        QVERIFY(split.IsSizing());
        split.ChangeSizing(0, -230); // 30 pixels below the target's top
        QCOMPARE(split.sizingLine().y(), 150);
        split.EndSizing();
        QVERIFY(!split.IsSizing());
        QCOMPARE(target->height(), 50);

        split.BeginSizing(bar, target);
        split.ChangeSizing(0, 900); // below the form's bottom
        split.EndSizing();
        QCOMPARE(target->height(), 600 - 100);
    }
};

QTEST_MAIN(WidgetsUiTest)
#include "WidgetsUiTest.moc"
