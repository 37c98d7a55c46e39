// The Signal table driven by keys, clicks and the clipboard, offscreen.
#include "core/ui/SignalGrid.h"

#include "app/Workspace.h"
#include "core/FnColumns.h"
#include "core/ui/FloatListBox.h"
#include "core/ui/FnParamGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <map>

using namespace mv;

namespace {

// Two functions with one parameter each: enough to see the columns work.
class FakeFns final : public FnColumnsPort {
public:
    std::map<std::pair<int, int>, std::string> steps; // (slot, step) -> text
    static std::string nameOf(const std::string& text) { return text.substr(0, text.find('(')); }
    std::string stepName(int s, int k) const override {
        auto it = steps.find({s, k});
        return it == steps.end() ? "" : nameOf(it->second);
    }
    std::string stepText(int s, int k) const override {
        auto it = steps.find({s, k});
        return it == steps.end() ? "" : it->second;
    }
    bool attach(int s, int k, std::string_view text) override {
        const std::string t(text);
        if (t.empty() || (nameOf(t) != "Drop" && nameOf(t) != "Math") || t.back() != ')') {
            steps.erase({s, k});
            return t.empty();
        }
        steps[{s, k}] = t;
        return true;
    }
    bool hasFunction(int s) const override {
        for (int k = 0; k < kFnSteps; ++k)
            if (!stepName(s, k).empty())
                return true;
        return false;
    }
    std::vector<std::string> pickNames() const override { return {"", "Drop", "Math"}; }
    std::string defaultText(std::string_view name) const override {
        if (name == "Drop")
            return "Drop( Limit differ=10)";
        if (name == "Math")
            return "Math( Slope=1)";
        return "";
    }
    std::string description(int, int) const override { return "desc"; }
    std::vector<FnParamInfo> params(int s, int k) const override {
        const std::string t = stepText(s, k);
        if (t.empty())
            return {};
        const auto eq = t.find('=');
        return {FnParamInfo{t.substr(2 + nameOf(t).size(), eq - 2 - nameOf(t).size()),
                            false,
                            {},
                            0,
                            t.substr(eq + 1, t.size() - eq - 2)}};
    }
    bool setParam(int s, int k, int, std::string_view text) override {
        if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos)
            return false;
        const std::string t = stepText(s, k);
        steps[{s, k}] = t.substr(0, t.find('=') + 1) + std::string(text) + ")";
        return true;
    }
    void processWindow(double, double, const std::function<std::optional<double>(int)>&,
                       Log&) override {}
    void deleteAllFunctions() override { steps.clear(); }
};

void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

void occupy(Workspace& ws, int slot, int n = 10) {
    ws.store[slot].setData(SampleBuffer::zeros(std::size_t(n)));
    ws.store[slot].f_sampl = 10.0;
    ws.store[slot].SigName = "sig" + std::to_string(slot);
    ws.store[slot].Plot = true;
}

} // namespace

class SignalGridTest : public QObject {
    Q_OBJECT

    struct Fixture {
        Workspace ws;
        FakeFns fns;
        CaptureLog log;
        QWidget host;
        TSignalGrid* grid;
        int redraws = 0;
        Fixture() {
            host.resize(1400, 600);
            grid = new TSignalGrid(
                {ws.store, ws.settings, ws.readers, ws.actualDir, ws.decimalSeparator}, fns, log,
                &host, &host);
            grid->setGeometry(0, 200, 1400, 300);
            grid->redrawGraphs = [this] {
                ++redraws;
                grid->SignalGridUpdate(0);
            };
            host.show();
            QVERIFY(QTest::qWaitForWindowExposed(&host));
            grid->setFocus();
        }
        QPoint cellCentre(int slot, int col) {
            return grid->visualRect(grid->model()->index(slot - 1, col)).center();
        }
        QPoint headerCentre(int col) {
            auto* h = grid->horizontalHeader();
            return QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2,
                          h->height() / 2);
        }
        QLineEdit* editor() { return grid->findChild<QLineEdit*>("SignalGridEditor"); }
    };

private slots:
    void layoutAndTexts() {
        Fixture f;
        QCOMPARE(f.grid->rowCount(), 200);
        QCOMPARE(f.grid->columnCount(), 24);
        QCOMPARE(f.grid->columnWidth(2), 210);
        QCOMPARE(f.grid->model()->headerData(2, Qt::Horizontal).toString(), QString("Sigal Name"));
        occupy(f.ws, 3);
        f.ws.store[3].Units = "kN";
        f.grid->SignalGridUpdate(3);
        QCOMPARE(f.grid->item(2, 2)->text(), QString("sig3"));
        QCOMPARE(f.grid->item(2, 3)->text(), QString("10.0"));
        QCOMPARE(f.grid->item(2, 6)->text(), QString("kN"));
    }

    // Number columns grow to their widest text instead of eliding it; every header says
    // what Space, Enter and Delete do in its column.
    void numbersFitAndHeadersExplainTheirKeys() {
        Fixture f;
        occupy(f.ws, 5, 300000);
        f.ws.store[5].f_sampl = 12345678.5;
        f.grid->statsOf = [](int) {
            return std::optional<WindowStats>(WindowStats{300000, -1234.5f, 98765.4f, 1.0f, 2.0});
        };
        f.grid->SignalGridUpdate(0);
        const QFontMetrics fm(f.grid->font());
        for (int col : {3, 9, 10, 11}) {
            const QString text = f.grid->item(4, col)->text();
            QVERIFY(!text.isEmpty());
            QVERIFY2(f.grid->columnWidth(col) >= fm.horizontalAdvance(text) + 4, qPrintable(text));
        }
        QCOMPARE(f.grid->columnWidth(2), 210); // text columns keep their widths
        const QFontMetrics hfm(f.grid->horizontalHeader()->font());
        for (int col : {1, 19, 20, 21}) { // "Plot", "ProcFn", "Ovr", "f_export Hz"
            const QString cap = f.grid->model()->headerData(col, Qt::Horizontal).toString();
            QVERIFY2(f.grid->columnWidth(col) >= hfm.horizontalAdvance(cap), qPrintable(cap));
        }
        for (int col = 1; col < 24; ++col) {
            const QString tip =
                f.grid->model()->headerData(col, Qt::Horizontal, Qt::ToolTipRole).toString();
            QVERIFY2(tip.contains("Space") && tip.contains("Delete"), qPrintable(tip));
        }
        QVERIFY(f.grid->model()
                    ->headerData(2, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .contains("Delete: close this signal"));
    }

    void headerClicks() {
        Fixture f;
        QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          f.headerCentre(1));
        for (int n = 1; n <= 200; ++n)
            QVERIFY(!f.ws.store[n].Plot); // no occupied slot: nothing switches on
        occupy(f.ws, 2);
        occupy(f.ws, 4);
        f.ws.store[4].SaveDiv = 2;
        QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          f.headerCentre(21));
        QCOMPARE(f.ws.store[2].SaveDiv, 0);
        QCOMPARE(f.ws.store[4].SaveDiv, 0);
        QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          f.headerCentre(2));
        QVERIFY(f.grid->IsPath);
        QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          f.headerCentre(9));
        QVERIFY(f.grid->SelectedCol[2]);
        // A header click is a command; it does not select the column.
        QVERIFY(f.grid->selectedRanges().isEmpty() ||
                f.grid->selectedRanges().first().rowCount() < 200);
    }

    void contextMenuOnNameColumnOnly() {
        Fixture f;
        occupy(f.ws, 4);
        QContextMenuEvent other(QContextMenuEvent::Mouse, f.cellCentre(4, 3),
                                f.grid->viewport()->mapToGlobal(f.cellCentre(4, 3)));
        QApplication::sendEvent(f.grid->viewport(), &other);
        QVERIFY(!f.grid->contextMenu()->isVisible());
        QContextMenuEvent onName(QContextMenuEvent::Mouse, f.cellCentre(4, 2),
                                 f.grid->viewport()->mapToGlobal(f.cellCentre(4, 2)));
        QApplication::sendEvent(f.grid->viewport(), &onName);
        QMenu* menu = f.grid->contextMenu();
        QVERIFY(menu->isVisible());
        QCOMPARE(f.grid->currentSlot(), 4);
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << a->text();
        QCOMPARE(texts, (QStringList{"Open signal ...", "Delete signal",
                                     "Save signal to actual directory"}));
        menu->hide();
        int saved = 0;
        f.grid->saveSlotToActualDir = [&saved](int slot) { saved = slot; };
        menu->actions()[2]->trigger();
        QCOMPARE(saved, 4);
        menu->actions()[1]->trigger();
        QVERIFY(!f.ws.store[4].occupied());
    }

    void procFnHeaderSkipsSlotsWithoutFunctions() {
        Fixture f;
        occupy(f.ws, 1);
        occupy(f.ws, 2);
        f.fns.attach(1, 0, "Drop( Limit differ=10)");
        QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          f.headerCentre(19));
        QVERIFY(f.ws.store[1].ProcFn);
        QVERIFY(!f.ws.store[2].ProcFn);
    }

    void plotClickRedraws() {
        Fixture f;
        occupy(f.ws, 1);
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.cellCentre(1, 1));
        QVERIFY(!f.ws.store[1].Plot);
        QVERIFY(f.redraws >= 1);
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.cellCentre(1, 19));
        QVERIFY(f.ws.store[1].ProcFn);
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.cellCentre(1, 20));
        QVERIFY(f.ws.store[1].Ovr);
    }

    void nameEditorTurnsRed() {
        Fixture f;
        occupy(f.ws, 1);
        f.grid->selectCell(1, 2);
        QTest::keyClick(f.grid, Qt::Key_Return);
        QLineEdit* ed = f.editor();
        QVERIFY(ed);
        ed->selectAll();
        QTest::keyClicks(ed, "a b");
        QCOMPARE(ed->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(f.ws.store[1].SigName.str(), std::string("sig1")); // nothing until Enter
        QTest::keyClick(ed, Qt::Key_Backspace);
        QTest::keyClick(ed, Qt::Key_Backspace);
        QTest::keyClicks(ed, "_b");
        QVERIFY(ed->palette().color(QPalette::Base) != QColor(255, 0, 0));
        QTest::keyClick(ed, Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor commits through a queued call
        QCOMPARE(f.ws.store[1].SigName.str(), std::string("a_b"));
        QCOMPARE(f.grid->item(0, 2)->text(), QString("a_b"));
    }

    // Typing only checks the text; Escape restores the record, a rejected text on Enter
    // leaves it as it was.
    void editsApplyOnEnterOnly() {
        Fixture f;
        occupy(f.ws, 1);
        f.grid->SignalGridUpdate(1);
        struct Case {
            int col;
            const char* typed;
            Qt::Key end;
        };
        for (const Case& c : {Case{2, "Zz", Qt::Key_Escape}, Case{14, "50", Qt::Key_Escape},
                              Case{2, "a b", Qt::Key_Return}, Case{14, "5x", Qt::Key_Return}}) {
            f.grid->selectCell(1, c.col);
            QTest::keyClick(f.grid, Qt::Key_Return);
            QLineEdit* ed = f.editor();
            QVERIFY(ed);
            ed->selectAll();
            QTest::keyClicks(ed, c.typed);
            QTest::keyClick(ed, c.end);
            QCoreApplication::processEvents();
            // The closed editor goes now, so the next findChild cannot return it.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!f.editor());
            QCOMPARE(f.ws.store[1].SigName.str(), std::string("sig1"));
            QCOMPARE(f.ws.store[1].TimeOffset, 0.0);
            QCOMPARE(f.grid->item(0, 2)->text(), QString("sig1"));
        }
        f.grid->selectCell(1, 14);
        QTest::keyClick(f.grid, Qt::Key_Return);
        f.editor()->selectAll();
        QTest::keyClicks(f.editor(), "50");
        QTest::keyClick(f.editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(f.ws.store[1].TimeOffset, 50.0);
    }

    void yValueEditNeedsSampleNumber() {
        Fixture f;
        occupy(f.ws, 1, 5);
        f.grid->selectCell(1, 7);
        QTest::keyClick(f.grid, Qt::Key_F2, Qt::ControlModifier);
        QVERIFY(!f.grid->isEditingCell()); // column 8 holds no sample number
        f.grid->setCursorCells(1, "0", "9");
        QTest::keyClick(f.grid, Qt::Key_F2, Qt::ControlModifier);
        QVERIFY(!f.grid->isEditingCell()); // outside 1..SampleCount
        f.grid->setCursorCells(1, "0", "3");
        QTest::keyClick(f.grid, Qt::Key_F2, Qt::ControlModifier);
        QVERIFY(f.grid->isEditingCell());
        QLineEdit* ed = f.editor();
        ed->selectAll();
        QTest::keyClicks(ed, "7.5");
        QTest::keyClick(ed, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(f.ws.store[1].Data[2], 7.5f);
        QVERIFY(f.redraws >= 1);
    }

    void spaceKeys() {
        Fixture f;
        occupy(f.ws, 1);
        f.ws.store[1].DecPlaces = 6;
        f.grid->selectCell(1, 7);
        QTest::keyClick(f.grid, Qt::Key_Space);
        QCOMPARE(f.ws.store[1].DecPlaces, 0);
        QTest::keyClick(f.grid, Qt::Key_Space, Qt::ShiftModifier);
        QCOMPARE(f.ws.store[1].DecPlaces, 6);

        f.ws.settings.SaveDivPreset = 3;
        f.grid->selectCell(1, 21);
        QTest::keyClick(f.grid, Qt::Key_Space);
        QCOMPARE(f.ws.store[1].SaveDiv, 3);
        QTest::keyClick(f.grid, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(f.ws.settings.SaveDivPreset, 4);
        QCOMPARE(f.ws.store[1].SaveDiv, 4);
        QCOMPARE(f.grid->currentRow(), 0); // consumed: the cursor did not move
        QTest::keyClick(f.grid, Qt::Key_Return);
        QCOMPARE(f.ws.store[1].SaveDiv, 0);
    }

    void colourPickList() {
        Fixture f;
        occupy(f.ws, 1);
        f.grid->selectCell(1, 5);
        QTest::keyClick(f.grid, Qt::Key_Return);
        TFloatListBox* list = f.grid->pickList();
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 16);
        QCOMPARE(list->currentRow(), 1); // Maroon, slot 1's default
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Up); // wraps to White
        QCOMPARE(list->currentRow(), 15);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(f.ws.store[1].SigColor, Colour(0xFFFFFF));
    }

    void functionColumns() {
        Fixture f;
        occupy(f.ws, 2);
        f.grid->selectCell(2, 16);
        QTest::keyClick(f.grid, Qt::Key_Space);
        TFloatListBox* list = f.grid->pickList();
        QVERIFY(list->isVisible());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.fns.stepText(2, 1), std::string("Drop( Limit differ=10)"));
        QVERIFY(f.ws.store[2].ProcFn);
        TFnParamGrid* pg = f.grid->paramGrid();
        QVERIFY(pg->isVisible());
        QCOMPARE(pg->item(0, 0)->text(), QString("Sign. [2],  func2"));
        QCOMPARE(pg->item(1, 1)->text(), QString("10"));

        // Copy the function cell and paste it two rows down.
        QApplication::clipboard()->clear();
        QTest::keyClick(f.grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("Drop( Limit differ=10)\r\n"));
        f.grid->selectCell(4, 16);
        QTest::keyClick(f.grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.fns.stepText(4, 1), std::string("Drop( Limit differ=10)"));

        QTest::keyClick(f.grid, Qt::Key_Delete);
        QCOMPARE(f.fns.stepText(4, 1), std::string());
        QVERIFY(!pg->isVisible());
    }

    void parameterGridRejectsInRed() {
        Fixture f;
        occupy(f.ws, 1);
        f.fns.attach(1, 0, "Drop( Limit differ=10)");
        f.grid->selectCell(1, 15);
        TFnParamGrid* pg = f.grid->paramGrid();
        QVERIFY(pg->isVisible());
        pg->setFocus();
        pg->setCurrentCell(1, 1);
        pg->editItem(pg->item(1, 1));
        auto* ed = pg->findChild<QLineEdit*>();
        QVERIFY(ed);
        ed->selectAll();
        QTest::keyClicks(ed, "x");
        QCOMPARE(pg->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(f.fns.stepText(1, 0), std::string("Drop( Limit differ=10)"));
        QTest::keyClick(ed, Qt::Key_Backspace);
        QTest::keyClicks(ed, "25");
        QVERIFY(pg->palette().color(QPalette::Base) != QColor(255, 0, 0));
        QCOMPARE(f.fns.stepText(1, 0), std::string("Drop( Limit differ=25)"));
        QTest::keyClicks(ed, "x"); // rejected, then the editor closes
        QTest::keyClick(ed, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(pg->item(1, 1)->text(), QString("25"));
        // Another column hides the grid.
        f.grid->selectCell(1, 2);
        QVERIFY(!pg->isVisible());
    }

    void pasteIntoOffsetColumnChangesNothing() {
        Fixture f;
        occupy(f.ws, 1);
        QApplication::clipboard()->setText("1.5\t2\r\n");
        f.grid->selectCell(1, 14);
        QTest::keyClick(f.grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.ws.store[1].TimeOffset, 0.0);
        QVERIFY(f.fns.steps.empty());
    }

    void copyTexts() {
        Fixture f;
        occupy(f.ws, 1);
        occupy(f.ws, 2);
        f.grid->SignalGridUpdate(0);
        f.grid->setRangeSelected(QTableWidgetSelectionRange(0, 2, 1, 3), true);
        f.grid->Copy();
        QCOMPARE(QApplication::clipboard()->text(), QString("sig1\t10.0\r\nsig2\t10.0\r\n"));
        f.grid->clearSelection();
        f.grid->setRangeSelected(QTableWidgetSelectionRange(0, 1, 0, 3), true);
        QApplication::clipboard()->setText("unchanged");
        f.grid->Copy(); // includes column 1: nothing is copied
        QCOMPARE(QApplication::clipboard()->text(), QString("unchanged"));
    }

    void pasteFileListOpensNativeFilesOnly() {
        Fixture f;
        std::vector<std::string> read;
        f.ws.readers.set(LoadFormat::Morvanet,
                         [&read](const std::string& path, const ReadOptions& opt) {
                             const int slot = kSlotCount - opt.room + 1;
                             read.push_back(path + "@" + std::to_string(slot));
                             ReadResult out;
                             out.add().Data = SampleBuffer::zeros(4);
                             out.decoded.back().f_sampl = 1;
                             return out;
                         });
        QString dir;
        f.grid->setActualDir = [&dir](const QString& d) { dir = d; };
        QTemporaryDir tmp;
        const QString d = tmp.path() + "/";
        for (const char* n : {"a.mvn", "b.MVN", "c.mat"})
            touch(d + n);
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(d + "a.mvn"), QUrl::fromLocalFile(d + "b.MVN"),
                       QUrl::fromLocalFile(d + "c.mat")});
        QApplication::clipboard()->setMimeData(mime);
        f.grid->selectCell(5, 2);
        QTest::keyClick(f.grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(read.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(read[0]), d + "a.mvn@5");
        QCOMPARE(dir, d);
        QVERIFY(f.ws.store[5].occupied());
    }

    void deleteKeyClearsSlot() {
        Fixture f;
        occupy(f.ws, 7);
        f.ws.store[7].ProcFn = true;
        f.grid->SignalGridUpdate(0);
        f.grid->selectCell(7, 2);
        QTest::keyClick(f.grid, Qt::Key_Delete);
        QVERIFY(!f.ws.store[7].occupied());
        QVERIFY(f.ws.store[7].ProcFn); // a slot setting survives
        QCOMPARE(f.grid->item(6, 2)->text(), QString());
    }

    void openDialogLoadsIntoFirstFreeSlot() {
        Fixture f;
        occupy(f.ws, 1);
        std::vector<std::string> read;
        f.ws.settings.LoadFileFormat = 1;
        f.ws.readers.set(LoadFormat::MatlabV6,
                         [&read](const std::string& path, const ReadOptions& opt) {
                             // The target slot, from the room the dispatcher leaves below 200.
                             const int slot = kSlotCount - opt.room + 1;
                             read.push_back(path + "@" + std::to_string(slot));
                             ReadResult out;
                             out.add().Data = SampleBuffer::zeros(4);
                             return out;
                         });
        QTemporaryDir tmp;
        const QString d = tmp.path() + "/";
        touch(d + "one.mat");
        touch(d + "two.mat");
        QString filter;
        f.grid->chooseFiles = [&filter, d](const QString&, const QString& flt) {
            filter = flt;
            return QStringList{d + "one.mat", d + "two.mat"};
        };
        f.grid->OpenSignal(false);
        QCOMPARE(filter, QString("Matlab -v6 (*.mat)"));
        QCOMPARE(read.size(), std::size_t(2));
        QCOMPARE(QString::fromStdString(read[0]), d + "one.mat@2");
        QCOMPARE(QString::fromStdString(read[1]), d + "two.mat@3");
        QCOMPARE(QString::fromStdString(f.ws.actualDir), d);
        QCOMPARE(f.redraws, 1);
    }
};

QTEST_MAIN(SignalGridTest)
#include "SignalGridTest.moc"
