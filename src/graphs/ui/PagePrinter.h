#pragma once
// Printing of the main window: the active graph on one landscape page, the report page
// with its three header cells, the preview of that page with editable header cells, and
// the header texts as documents the toolkit lays out. The geometry comes from
// graphs/PageLayout.h; this file only paints it.
#include "graphs/PageLayout.h"
#include "graphs/RichText.h"

#include <QImage>
#include <QScrollArea>
#include <array>

class QLabel;
class QPainter;
class QPrinter;
class QTextDocument;
class QTextEdit;

namespace mv {

// Fills `doc` with the styled text: bold, italic, underline, sizes and alignment.
void fillDocument(QTextDocument& doc, const RichDocument& rich);

using HeaderDocs = std::array<const QTextDocument*, 3>;

// Paints the page on a canvas of plan-sized pixels. With `headers` the header texts are
// drawn into their cells (a print job); without, the cells stay empty for the edits.
void drawPageLayout(QPainter& p, const PagePlan& plan, const HeaderDocs* headers);

// Draws a header text into a cell, again from where it stopped while text is left (an
// overlong header overwrites itself in the same cell, as the printer shows it).
void drawHeaderCell(QPainter& p, const QTextDocument& doc, const PageRect& cell);

// The active graph's picture stretched over one landscape page; the printer stays in
// landscape. False when the print job could not start.
bool printGraphPage(QPrinter& printer, const QImage& picture);

// The report page in portrait with the three header texts; a printer in landscape is put
// back to landscape afterwards. False when the print job could not start.
bool printReportPage(QPrinter& printer, const HeaderDocs& headers);

// The print preview: the page image at the width of the view with the three header
// cells as editable text over it. The mouse wheel scrolls it.
class PrintPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit PrintPreview(QWidget* parent = nullptr);
    // Draws the page for a view of `viewWidth` pixels at the aspect of the printer page.
    void showPage(int viewWidth, int pageWidth, int pageHeight, bool rotated);
    QTextEdit* header(int i) const { return edits_[static_cast<size_t>(i)]; }
    HeaderDocs headerDocs() const;
    const QImage& pageImage() const { return image_; }

private:
    QWidget* page_ = nullptr;
    QLabel* imageLabel_ = nullptr;
    std::array<QTextEdit*, 3> edits_{};
    QImage image_;
};

} // namespace mv
