// Printing from the main window: the page drawn on an image, the preview with the header
// files, File -> Print and "Print graph" into PDF files, Export graph, and --print-pdf
// of the program.
#include "app/ui/PrintLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/RainflowLink.h"
#include "core/ui/LogPane.h"
#include "graphs/ui/PagePrinter.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "processing/RainFlowUnit.h"
#include "processing/ui/GeneratorPage.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

using namespace mv;

namespace {

struct PdfInfo {
    int pages = 0;
    double width = 0, height = 0; // of the first page, in points
};

PdfInfo readPdf(const QString& path) {
    QFile f(path);
    PdfInfo info;
    if (!f.open(QIODevice::ReadOnly))
        return info;
    const QString text = QString::fromLatin1(f.readAll());
    if (!text.startsWith("%PDF-"))
        return info;
    info.pages = int(text.count(QRegularExpression("/Type\\s*/Page(?!s)")));
    const auto m =
        QRegularExpression("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)").match(text);
    if (m.hasMatch()) {
        info.width = m.captured(1).toDouble();
        info.height = m.captured(2).toDouble();
    }
    return info;
}

int countColour(const QImage& img, const QRect& area, QRgb colour) {
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
    return n;
}

} // namespace

class PrintLinkTest : public QObject {
    Q_OBJECT
private slots:
    void pageLayoutOnAnImage();
    void previewPrintAndPrintGraph();
    void headerCellsStayInTheirCells();
    void rainFlowButtonCountsIntoTheOutputSheet();
    void exportGraphFormats();
    void printPdfModeWritesOneLandscapePage();
};

void PrintLinkTest::pageLayoutOnAnImage() {
    for (const bool rotated : {false, true}) {
        QImage img(600, 848, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            drawPageLayout(p, pagePlan(600, 848, rotated), nullptr);
        }
        const QRgb blue = qRgb(0, 0, 255), green = qRgb(0, 128, 0), red = qRgb(255, 0, 0);
        // Frame, header line and the two cell borders.
        QCOMPARE(img.pixel(300, 20), blue);
        QCOMPARE(img.pixel(579, 500), blue);
        QCOMPARE(img.pixel(500, 100), blue);
        QCOMPARE(img.pixel(160, 50), blue);
        QCOMPARE(img.pixel(440, 50), blue);
        QCOMPARE(img.pixel(380, 50), qRgb(255, 255, 255)); // inside the middle cell
        // The diagonal falls from the header's left end, or rises from the bottom left.
        const int down = countColour(img, QRect(156, 278, 9, 9), blue);
        const int up = countColour(img, QRect(156, 642, 9, 9), blue);
        QVERIFY2(rotated ? (up > 0 && down == 0) : (down > 0 && up == 0),
                 qPrintable(QString("up %1 down %2").arg(up).arg(down)));
        // The black test marks, in canvas pixels.
        QCOMPARE(img.pixel(500, 200), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(100, 600), qRgb(0, 0, 0));
        // Font samples: along the line to the right, or upwards from their corners.
        const QRect greenArea = rotated ? QRect(290, 0, 30, 315) : QRect(290, 314, 560, 30);
        const QRect redArea = rotated ? QRect(290, 0, 55, 515) : QRect(290, 514, 560, 55);
        QVERIFY(countColour(img, greenArea, green) > 20);
        QVERIFY(countColour(img, redArea, red) > 40);
    }
}

namespace {
struct Window {
    explicit Window(const QString& dir) {
        StartOptions o;
        o.settingsPath = dir + "/s.ini";
        form = std::make_unique<TForm1>(ws, o);
        form->setErrorDisplay([this](const QString& e) { errors << e; });
        view = std::make_unique<MainView>(*form, ws);
        link = std::make_unique<PrintLink>(*form, *view);
        link->headerDir = QString::fromStdString((test::sourceDir() / "src/app/headers").string());
        form->setMonitors(&monitors);
        form->show();
        form->ensureFirstActivation();
    }
    ~Window() {
        form->setConfirm([](const QString&) { return true; });
        form->close();
    }
    Workspace ws;
    TScrMonForm monitors;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<MainView> view;
    std::unique_ptr<PrintLink> link;
    QStringList errors;
};
} // namespace

void PrintLinkTest::previewPrintAndPrintGraph() {
    QTemporaryDir dir;
    Window w(dir.path());
    PrintPreview* preview = w.link->preview();
    QVERIFY(!preview->isVisible());

    // Ctrl+U shows the page with the header files, and hides it again.
    w.link->printer().setPageOrientation(QPageLayout::Landscape);
    w.form->action(Cmd::Preview)->trigger();
    QVERIFY(preview->isVisible());
    QVERIFY(w.errors.isEmpty());
    QVERIFY(preview->header(1)->toPlainText().startsWith(QString::fromUtf8("Měření jízdních")));
    QCOMPARE(preview->header(1)->document()->begin().blockFormat().alignment() & Qt::AlignHCenter,
             Qt::AlignHCenter);
    QCOMPARE(preview->pageImage().width(), w.form->centralWidget()->width() - 20);
    QVERIFY(preview->pageImage().height() > preview->pageImage().width()); // portrait
    QCOMPARE(w.link->printer().pageLayout().orientation(), QPageLayout::Landscape);
    // The header cells sit inside the header band and take what the user types.
    const PagePlan plan =
        pagePlan(preview->pageImage().width(), preview->pageImage().height(), true);
    QCOMPARE(preview->header(0)->geometry().topLeft(),
             QPoint(plan.editCells[0].left, plan.editCells[0].top));
    preview->header(2)->setPlainText("Zkouška 42");
    w.form->action(Cmd::Preview)->trigger();
    QVERIFY(!preview->isVisible());

    // File -> Print from a printer in landscape: one portrait page, landscape again after.
    const QString pagePdf = dir.filePath("page.pdf");
    bool asked = false;
    w.link->askPrint = [&](QPrinter& p) {
        asked = true;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pagePdf);
        return true;
    };
    w.form->action(Cmd::Print)->trigger();
    QVERIFY(asked);
    PdfInfo page = readPdf(pagePdf);
    QCOMPARE(page.pages, 1);
    QVERIFY2(page.height > page.width,
             qPrintable(QString("%1 x %2").arg(page.width).arg(page.height)));
    QCOMPARE(w.link->printer().pageLayout().orientation(), QPageLayout::Landscape);

    // A cancelled dialog prints nothing.
    QFile::remove(pagePdf);
    w.link->askPrint = [](QPrinter&) { return false; };
    w.form->action(Cmd::Print)->trigger();
    QVERIFY(!QFile::exists(pagePdf));

    // "Print graph" of the graph menu: one landscape page, the printer stays landscape.
    w.link->printer().setPageOrientation(QPageLayout::Portrait);
    const QString graphPdf = dir.filePath("graph.pdf");
    w.link->printer().setOutputFileName(graphPdf);
    w.link->printGraph();
    page = readPdf(graphPdf);
    QCOMPARE(page.pages, 1);
    QVERIFY(page.width > page.height);
    QCOMPARE(w.link->printer().pageLayout().orientation(), QPageLayout::Landscape);

    // A job that cannot start says so in the log.
    w.link->printer().setOutputFileName(dir.filePath("no/such/dir/x.pdf"));
    w.link->printGraph();
    QVERIFY(w.form->controlPanel()->log->toPlainText().contains("could not start"));

    // A header file that cannot be read: the error is shown and the preview stays hidden.
    w.link->headerDir = dir.filePath("nothing");
    w.form->action(Cmd::Preview)->trigger();
    QVERIFY(!preview->isVisible());
    QCOMPARE(w.errors.size(), 1);
    QVERIFY(w.errors[0].contains("LeftRichEdit.rtf"));
}

void PrintLinkTest::headerCellsStayInTheirCells() {
    const auto draw = [](const char* rtf, const PageRect& cell) {
        QImage img(300, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        QTextDocument doc;
        fillDocument(doc, parseRtf(rtf));
        QPainter p(&img);
        drawHeaderCell(p, doc, cell);
        return img;
    };
    const PageRect cell{20, 20, 120, 60};
    const QRect inside(20, 20, 101, 41);
    const QRgb white = qRgb(255, 255, 255);
    // An overlong header is drawn again over itself in the same cell, never outside it.
    const QImage longText = draw("{\\rtf1\\fs20 one two three four five six seven eight nine "
                                 "ten eleven twelve thirteen fourteen fifteen\\par}",
                                 cell);
    QVERIFY(countColour(longText, inside, white) < inside.width() * inside.height());
    QCOMPARE(countColour(longText, QRect(0, 62, 300, 138), white), 300 * 138);
    QCOMPARE(countColour(longText, QRect(122, 0, 178, 200), white), 178 * 200);
    // A line taller than the cell: nothing to draw, and drawing ends.
    const QImage huge = draw("{\\rtf1\\fs400 X}", cell);
    QCOMPARE(countColour(huge, huge.rect(), white), 300 * 200);
}

void PrintLinkTest::rainFlowButtonCountsIntoTheOutputSheet() {
    QTemporaryDir dir;
    Window w(dir.path());
    RainflowLink rf(*w.form, w.ws, *w.view);
    QStringList shown;
    rf.showMessage = [&](const QString& m) { shown << m; };
    SpreadsheetApp& app = w.ws.spreadsheet;
    const WorkbookId book = app.newWorkbook("PARAM");
    const SheetHandle param = app.sheet(book, "PARAM");
    const std::pair<const char*, CellValue> cells[] = {{"Ident", CellValue::str("RainFlow")},
                                                       {"PocetAmpli", CellValue::num(11)},
                                                       {"PocetPredp", CellValue::num(10)},
                                                       {"MaxEDif", CellValue::num(10)},
                                                       {"MaxAmpli", CellValue::num(10)}};
    int row = 1;
    for (const auto& [name, v] : cells) {
        app.setValue(param, row, 2, v);
        app.workbook(book).setName(name, app.resolve(param), CellRange{{row, 2}, {row, 2}});
        ++row;
    }
    w.ws.sheets.OutputSheet = param;
    SignalRecord& r = w.ws.store[1];
    auto b = SampleBuffer::allocate(2);
    b.data()[0] = 2;
    b.data()[1] = 4;
    r.setData(std::move(b));
    r.f_sampl = 1;
    r.SigName = "F";
    r.Plot = true;
    w.ws.graphs.image2._T1 = 0;
    w.ws.graphs.image2._T2 = 10;
    w.view->generator()->RainFlowSpeedButton->click();
    QVERIFY2(shown.isEmpty(), qPrintable(shown.join("; ")));
    QCOMPARE(app.value2(app.sheet(book, "F"), 12, 5), CellValue::num(1));
    // A sheet that is not a rainflow parameter sheet: the message, nothing written.
    app.setValue(param, 1, 2, CellValue::str("Other"));
    w.view->generator()->RainFlowSpeedButton->click();
    QCOMPARE(shown, QStringList{QString::fromUtf8(kRfWrongSheet)});
    QCOMPARE(app.value2(app.sheet(book, "F"), 2, 10), CellValue::num(1));
    QVERIFY(w.errors.isEmpty());
}

void PrintLinkTest::exportGraphFormats() {
    QTemporaryDir dir;
    Window w(dir.path());
    QVERIFY(w.link->exportGraph(dir.filePath("g.png"), QSize(320, 200)));
    QCOMPARE(QImage(dir.filePath("g.png")).size(), QSize(320, 200));
    QVERIFY(w.link->exportGraph(dir.filePath("g.pdf"), QSize(320, 200)));
    const PdfInfo pdf = readPdf(dir.filePath("g.pdf"));
    QCOMPARE(pdf.pages, 1);
    QCOMPARE(pdf.width, 320.0);
    QVERIFY(w.link->exportGraph(dir.filePath("g.svg"), QSize(320, 200)));
    QFile svg(dir.filePath("g.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray s = svg.readAll();
    QVERIFY(s.contains("<svg") && s.contains("width=\"320"));
    QString why;
    QVERIFY(!w.link->exportGraph(dir.filePath("g.bmp"), QSize(10, 10), &why));
    QVERIFY(why.contains(".svg"));
    QVERIFY(!w.link->exportGraph(dir.filePath("no/dir/g.png"), QSize(10, 10), &why));
    // The menu command asks for the file and the size.
    w.link->askExport = [&](QSize& size) {
        size = QSize(64, 48);
        return dir.filePath("menu.png");
    };
    w.form->action(Cmd::ExportGraph)->trigger();
    QCOMPARE(QImage(dir.filePath("menu.png")).size(), QSize(64, 48));
}

void PrintLinkTest::printPdfModeWritesOneLandscapePage() {
    QTemporaryDir dir;
    QFile sig(dir.filePath("sig.txt"));
    QVERIFY(sig.open(QIODevice::WriteOnly));
    for (int i = 0; i < 2000; ++i)
        sig.write(QByteArray::number(std::sin(i / 40.0)) + "\n");
    sig.close();
    const QString exe = QString::fromStdString((test::binaryDir() / "src/app/mvtervik").string());
    QProcess p;
    p.start(exe, {"--settings", dir.filePath("s.ini"), "--print-pdf", dir.filePath("out.pdf"),
                  "--format", "ASCII", dir.filePath("sig.txt")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const PdfInfo pdf = readPdf(dir.filePath("out.pdf"));
    QCOMPARE(pdf.pages, 1);
    QVERIFY(pdf.width > pdf.height);
    // The graph is on the page: more than an empty page's few hundred bytes.
    QVERIFY(QFileInfo(dir.filePath("out.pdf")).size() > 5000);
}

QTEST_MAIN(PrintLinkTest)
#include "PrintLinkTest.moc"
