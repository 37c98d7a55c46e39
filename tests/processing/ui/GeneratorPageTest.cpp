// The Generator page: when it generates, what it gives the generator, its settings.
#include "processing/ui/GeneratorPage.h"

#include "core/Settings.h"
#include "core/SignalStore.h"
#include "widgets/ui/MV_Komp.h"

#include <QCheckBox>
#include <QTableWidget>
#include <QTest>

using namespace mv;

class GeneratorPageTest : public QObject {
    Q_OBJECT
private slots:
    void enterAlwaysGeneratesInstantOnlyWhenChecked() {
        SignalStore store;
        MainSettings settings;
        GeneratorPage page(store, settings);
        int redraws = 0;
        page.redrawGraphs = [&redraws] { ++redraws; };
        page.InstantGenerateCheckBox->setChecked(false);
        page.SamplesNumberEdit->setValueText("8");
        page.GeneratorGrid->item(0, 4)->setText("2");
        QVERIFY(!store[1].occupied()); // nothing until Enter
        QTest::keyClick(page.SamplesNumberEdit, Qt::Key_Return);
        QCOMPARE(store[1].SampleCount, 8);
        QCOMPARE(redraws, 1);
        QCOMPARE(store[1].f_sampl, 4000.0);
        QCOMPARE(store[1].SigName.str(),
                 std::string("Gener 0.sin(1..1)+0.sin(1..1)+0.sin(1..1)+0.sin(1..1)+"));

        page.InstantGenerateCheckBox->setChecked(true);
        page.GenerSignalNoNumberEdit->setValueText("3"); // the slot alone generates nothing
        QVERIFY(!store[3].occupied());
        page.GeneratorGrid->item(1, 1)->setText("12abc");
        QCOMPARE(store[3].SampleCount, 8);
        QCOMPARE(redraws, 2);
        page.SamplesNumberEdit->setValueText("16");
        QCOMPARE(store[3].SampleCount, 16);
        const auto p = page.params();
        QCOMPARE(p.cells[1][0], std::string("12abc"));
        QCOMPARE(p.cells[0][3], std::string("2"));
    }

    void settingsRoundTrip() {
        SignalStore store;
        MainSettings settings;
        MemorySettings s;
        s.values["Generator/Gener2/Slope"] = "3.5";
        s.values["Generator/Gener4/f1 [Hz]"] = "";
        GeneratorPage page(store, settings);
        page.readSettings(s);
        QCOMPARE(page.GeneratorGrid->item(1, 4)->text(), QString("3.5"));
        QCOMPARE(page.GeneratorGrid->item(3, 1)->text(), QString("1")); // empty keeps default
        MemorySettings out;
        page.writeSettings(out);
        QCOMPARE(out.values.size(), std::size_t(20));
        QCOMPARE(QString::fromStdString(out.values["Generator/Gener2/Slope"]), QString("3.5"));
        QCOMPARE(QString::fromStdString(out.values["Generator/Gener1/Offset"]), QString("0"));
    }
};

QTEST_MAIN(GeneratorPageTest)
#include "GeneratorPageTest.moc"
