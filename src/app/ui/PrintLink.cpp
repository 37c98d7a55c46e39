#include "app/ui/PrintLink.h"

#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "core/Errors.h"
#include "graphs/RichText.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/PagePrinter.h"
#include "graphs/ui/TSigImage.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QTextEdit>

namespace mv {

namespace {
const char* const kHeaderFiles[3] = {"LeftRichEdit.rtf", "MiddleRichEdit.rtf", "RightRichEdit.rtf"};
} // namespace

PrintLink::PrintLink(TForm1& form, MainView& view)
    : QObject(&form), form_(form), view_(view),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    headerDir = QCoreApplication::applicationDirPath();
    preview_ = new PrintPreview(&form);
    askPrint = [this](QPrinter& p) { return QPrintDialog(&p, &form_).exec() == QDialog::Accepted; };
    askSetup = [this](QPrinter& p) {
        return QPageSetupDialog(&p, &form_).exec() == QDialog::Accepted;
    };
    askExport = [this](QSize& size) {
        const QString path = QFileDialog::getSaveFileName(
            &form_, "Export graph", QString(),
            "PNG picture (*.png);;PDF document (*.pdf);;SVG drawing (*.svg)");
        if (path.isEmpty())
            return QString();
        bool ok = false;
        const QString text = QInputDialog::getText(
            &form_, "Export graph", "Size in pixels (width x height):", QLineEdit::Normal,
            QString("%1 x %2").arg(size.width()).arg(size.height()), &ok);
        if (!ok)
            return QString();
        const QStringList parts = text.split('x');
        if (parts.size() == 2) {
            const int w = parts[0].trimmed().toInt(), h = parts[1].trimmed().toInt();
            if (w > 0 && h > 0 && w <= 20000 && h <= 20000)
                size = QSize(w, h);
        }
        return path;
    };

    form.onCommand(Cmd::Preview, [this] { togglePreview(); });
    form.onCommand(Cmd::Print, [this] { filePrint(); });
    form.onCommand(Cmd::PrintSetup, [this] { printSetup(); });
    form.onCommand(Cmd::ExportGraph, [this] {
        TSigImage* g = view_.graphs()->AktivniImage();
        if (!g)
            return;
        QSize size = g->size();
        const QString path = askExport(size);
        if (path.isEmpty())
            return;
        QString why;
        if (exportGraph(path, size, &why))
            form_.log().info("Graph exported to " + path.toStdString());
        else
            form_.log().warn("Export graph: " + why.toStdString());
    });
    connect(view.graphs(), &GraphPair::printGraphRequested, this,
            [this] { form_.runCommand([this] { printGraph(); }); });
}

PrintLink::~PrintLink() = default;

void PrintLink::printGraph() {
    TSigImage* g = view_.graphs()->AktivniImage();
    if (!g)
        return;
    if (!printGraphPage(*printer_, g->composedImage()))
        form_.log().warn("Print graph: the print job could not start on " +
                         printer_->printerName().toStdString() +
                         printer_->outputFileName().toStdString());
}

bool PrintLink::printGraphToPdf(const QString& path) {
    TSigImage* g = view_.graphs()->AktivniImage();
    if (!g)
        return false;
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    return printGraphPage(pdf, g->composedImage());
}

void PrintLink::filePrint() {
    if (!askPrint(*printer_))
        return;
    if (!printReportPage(*printer_, preview_->headerDocs()))
        form_.log().warn("Print: the print job could not start on " +
                         printer_->printerName().toStdString() +
                         printer_->outputFileName().toStdString());
}

void PrintLink::togglePreview() {
    if (preview_->isVisible()) {
        preview_->hide();
        return;
    }
    // Read all three first: a file that cannot be read leaves the preview hidden.
    RichDocument docs[3];
    for (int i = 0; i < 3; ++i) {
        QFile f(headerDir + "/" + kHeaderFiles[i]);
        if (!f.open(QIODevice::ReadOnly))
            throw FileError("Cannot read the header file " + f.fileName().toStdString() + ": " +
                            f.errorString().toStdString());
        docs[i] = parseRtf(f.readAll().toStdString());
    }
    const bool landscape = printer_->pageLayout().orientation() == QPageLayout::Landscape;
    printer_->setPageOrientation(QPageLayout::Portrait);
    const QRect page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    QWidget* client = form_.centralWidget();
    preview_->setGeometry(client->geometry());
    for (int i = 0; i < 3; ++i)
        fillDocument(*preview_->header(i)->document(), docs[i]);
    preview_->showPage(client->width() - 15 - 5, page.width(), page.height(), landscape);
    if (landscape)
        printer_->setPageOrientation(QPageLayout::Landscape);
}

void PrintLink::printSetup() {
    askSetup(*printer_);
}

bool PrintLink::exportGraph(const QString& path, QSize size, QString* why) {
    TSigImage* g = view_.graphs()->AktivniImage();
    const auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    if (!g)
        return fail("there is no active graph");
    if (size.isEmpty())
        size = g->size();
    const QImage picture =
        g->composedImage().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "png") {
        if (!picture.save(path, "PNG"))
            return fail("cannot write " + path);
        return true;
    }
    if (suffix == "pdf") {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(path);
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(72);
        QPainter p;
        if (!p.begin(&pdf))
            return fail("cannot write " + path);
        p.drawImage(QRect(QPoint(0, 0), size), picture);
        return true;
    }
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle("MVtervik graph");
        QPainter p;
        if (!p.begin(&svg))
            return fail("cannot write " + path);
        p.drawImage(QPoint(0, 0), picture);
        return true;
    }
    return fail("the file name must end in .png, .pdf or .svg");
}

} // namespace mv
