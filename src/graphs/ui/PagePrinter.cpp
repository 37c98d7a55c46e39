#include "graphs/ui/PagePrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <memory>

namespace mv {

namespace {
QColor rgbColour(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QRect toRect(const PageRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

// "MS Sans Serif" 11 pixels with the East-European character set, in the toolkit: the
// system's sans serif at that size.
QFont headerFont() {
    QFont f("Sans Serif");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    return f;
}

void textOutRotated(QPainter& p, const PageText& t) {
    QFont f("Times New Roman");
    f.setStyleHint(QFont::Serif);
    f.setWeight(QFont::Normal);
    f.setPixelSize(std::max(1, t.height));
    p.save();
    p.setFont(f);
    p.setPen(rgbColour(t.rgb));
    p.translate(t.x, t.y);
    p.rotate(-t.angle); // counter-clockwise: 90 runs upwards
    p.drawText(QPoint(0, QFontMetrics(f, p.device()).ascent()), QString::fromUtf8(t.text));
    p.restore();
}
} // namespace

void fillDocument(QTextDocument& doc, const RichDocument& rich) {
    doc.clear();
    doc.setDefaultFont(headerFont());
    QTextCursor cur(&doc);
    bool first = true;
    for (const RichParagraph& par : rich.paragraphs) {
        QTextBlockFormat bf;
        bf.setAlignment(par.align == RichAlign::Center  ? Qt::AlignHCenter
                        : par.align == RichAlign::Right ? Qt::AlignRight
                                                        : Qt::AlignLeft);
        if (first)
            cur.setBlockFormat(bf);
        else
            cur.insertBlock(bf);
        first = false;
        for (const RichRun& r : par.runs) {
            QTextCharFormat cf;
            cf.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
            cf.setFontItalic(r.italic);
            cf.setFontUnderline(r.underline);
            cf.setFontPointSize(r.sizePt);
            cur.insertText(QString::fromUtf8(r.text), cf);
        }
    }
}

void drawHeaderCell(QPainter& p, const QTextDocument& source, const PageRect& cell) {
    const QRect r = toRect(cell);
    if (r.width() <= 0 || r.height() <= 0)
        return;
    // Laid out for the device it is drawn on, so point sizes come out right on paper.
    std::unique_ptr<QTextDocument> doc(source.clone());
    doc->documentLayout()->setPaintDevice(p.device());
    doc->setDocumentMargin(0);
    doc->setTextWidth(r.width());
    std::vector<double> heights, tops;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* l = b.layout();
        if (!l)
            continue;
        for (int i = 0; i < l->lineCount(); ++i) {
            const QTextLine line = l->lineAt(i);
            tops.push_back(l->position().y() + line.y());
            heights.push_back(line.height());
        }
    }
    for (const LineChunk& c : chunkLines(heights, r.height())) {
        const double top = tops[static_cast<size_t>(c.first)];
        const size_t lastIdx = static_cast<size_t>(c.first + c.count - 1);
        const double bottom = tops[lastIdx] + heights[lastIdx];
        p.save();
        p.setClipRect(r);
        p.translate(r.left(), r.top() - top);
        doc->drawContents(&p, QRectF(0, top, r.width(), bottom - top));
        p.restore();
    }
}

void drawPageLayout(QPainter& p, const PagePlan& plan, const HeaderDocs* headers) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0, 0, 255), 2));
    for (const PageLine& l : plan.blue)
        p.drawLine(l.x1, l.y1, l.x2, l.y2);
    if (headers)
        for (int i = 0; i < 3; ++i)
            if (const QTextDocument* d = (*headers)[static_cast<size_t>(i)])
                drawHeaderCell(p, *d, plan.printCells[i]);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    for (const PageRect& r : plan.black)
        p.drawRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)));
    for (const PageText& t : plan.texts)
        textOutRotated(p, t);
    p.restore();
}

bool printGraphPage(QPrinter& printer, const QImage& picture) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter p;
    if (!p.begin(&printer))
        return false;
    const QRect page(0, 0, printer.width(), printer.height());
    p.drawImage(page, picture);
    p.end();
    return true;
}

bool printReportPage(QPrinter& printer, const HeaderDocs& headers) {
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    printer.setPageOrientation(QPageLayout::Portrait);
    QPainter p;
    const bool started = p.begin(&printer);
    if (started) {
        drawPageLayout(p, pagePlan(printer.width(), printer.height(), landscape), &headers);
        p.end();
    }
    if (landscape)
        printer.setPageOrientation(QPageLayout::Landscape);
    return started;
}

PrintPreview::PrintPreview(QWidget* parent) : QScrollArea(parent) {
    setObjectName("PreviewScrollBox");
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setFixedWidth(15);
    verticalScrollBar()->setTracking(true);
    page_ = new QWidget;
    imageLabel_ = new QLabel(page_);
    imageLabel_->setObjectName("PreviewImage");
    const char* names[] = {"LeftRichEdit", "MiddleRichEdit", "RightRichEdit"};
    for (int i = 0; i < 3; ++i) {
        auto* e = new QTextEdit(page_);
        e->setObjectName(names[i]);
        e->setFrameShape(QFrame::NoFrame);
        e->setFont(headerFont());
        e->document()->setDefaultFont(headerFont());
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, palette().color(QPalette::ToolTipBase));
        e->setPalette(pal);
        edits_[static_cast<size_t>(i)] = e;
    }
    setWidget(page_);
    hide();
}

void PrintPreview::showPage(int viewWidth, int pageWidth, int pageHeight, bool rotated) {
    const int w = std::max(1, viewWidth);
    const int h = std::max(1, previewHeight(w, pageWidth, pageHeight));
    image_ = QImage(w, h, QImage::Format_RGB32);
    image_.fill(Qt::white);
    const PagePlan plan = pagePlan(w, h, rotated);
    {
        QPainter p(&image_);
        drawPageLayout(p, plan, nullptr);
    }
    imageLabel_->setPixmap(QPixmap::fromImage(image_));
    imageLabel_->setGeometry(0, 0, w, h);
    page_->resize(w, h);
    for (int i = 0; i < 3; ++i) {
        const PageRect& r = plan.editCells[i];
        edits_[static_cast<size_t>(i)]->setGeometry(r.left, r.top, r.right - r.left,
                                                    r.bottom - r.top);
    }
    show();
    raise();
}

HeaderDocs PrintPreview::headerDocs() const {
    return {edits_[0]->document(), edits_[1]->document(), edits_[2]->document()};
}

} // namespace mv
