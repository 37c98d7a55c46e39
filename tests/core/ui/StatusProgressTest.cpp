// The status-bar progress: while a command runs the window repaints, the user's input
// waits, and Esc asks the command to stop; afterwards nothing is held back.
#include "core/ui/StatusProgress.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <cmath>

using namespace mv;

class StatusProgressTest : public QObject {
    Q_OBJECT
private slots:
    void escStopsTheRunningCommandAndInputWaits() {
        QMainWindow w;
        auto* edit = new QLineEdit(&w);
        w.setCentralWidget(edit);
        StatusProgress progress(w.statusBar());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        edit->setFocus();
        {
            StatusProgress::Scope running(progress);
            progress.report(0.25, "Loading a.mvn");
            QVERIFY(progress.bar()->isVisible());
            QCOMPARE(progress.bar()->value(), 250);
            // Typed while the command runs: held back, not typed into the edit.
            QCoreApplication::postEvent(
                edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
            progress.report(0.5, "Loading b.mvn");
            QVERIFY(!progress.cancelled());
            QCOMPARE(edit->text(), QString());
            QCoreApplication::postEvent(
                edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            progress.report(0.75, "Loading c.mvn");
            QVERIFY(progress.cancelled());
        }
        QVERIFY(!progress.bar()->isVisible());
        // The next command starts afresh, and outside a command input flows again.
        {
            StatusProgress::Scope running(progress);
            QVERIFY(!progress.cancelled());
        }
        QTest::keyClick(edit, Qt::Key_B);
        QCOMPARE(edit->text(), QString("b"));
    }

    void badFractionsDoNotUpsetTheBar() {
        QMainWindow w;
        StatusProgress progress(w.statusBar());
        StatusProgress::Scope running(progress);
        progress.report(std::nan(""), "");
        QCOMPARE(progress.bar()->value(), 0);
        progress.report(7.0, "x");
        QCOMPARE(progress.bar()->value(), 1000);
    }
};

QTEST_MAIN(StatusProgressTest)
#include "StatusProgressTest.moc"
