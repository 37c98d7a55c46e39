#include "monitors/ui/QtPrintSurface.h"

#include <QDir>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

namespace mv {

namespace {

class QtPrintSurface final : public PrintSurface {
public:
    explicit QtPrintSurface(std::unique_ptr<QPagedPaintDevice> dev) : dev_(std::move(dev)) {
        dpm_ = dev_->logicalDpiY() / 25.4;
        colour_ = dev_->colorCount() > 2 || dev_->colorCount() == -1 || dev_->depth() > 1;
        auto font = [this](double mm) {
            QFont f("MS Sans Serif");
            f.setPixelSize(std::max(1, int(std::lround(mm * dpm_))));
            return f;
        };
        fonts_[0] = font(2);
        fonts_[1] = font(3.5);
        fonts_[2] = font(5);
    }
    ~QtPrintSurface() override { finish(); }
    bool ok() { return painter_.begin(dev_.get()); }
    int pageWidth() const override { return dev_->width(); }
    int pageHeight() const override { return dev_->height(); }
    double dotsPerMM() const override { return dpm_; }
    bool colour() const override { return colour_; }
    void newPage() override {
        if (pages_++ > 0)
            dev_->newPage();
    }
    void text(int x, int y, const std::string& s, PrintFont f, std::uint32_t rgb) override {
        painter_.setFont(fonts_[int(f)]);
        painter_.setPen(QColor::fromRgb(QRgb(rgb)));
        painter_.drawText(QRect(x, y, 100000, fonts_[int(f)].pixelSize() * 2),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                          QString::fromStdString(s));
    }
    void line(int x0, int y0, int x1, int y1, std::uint32_t rgb, bool dotted) override {
        painter_.setPen(QPen(QColor::fromRgb(QRgb(rgb)), 0, dotted ? Qt::DotLine : Qt::SolidLine));
        painter_.drawLine(x0, y0, x1, y1);
    }
    void finish() override {
        if (painter_.isActive())
            painter_.end();
    }

private:
    std::unique_ptr<QPagedPaintDevice> dev_;
    QPainter painter_;
    QFont fonts_[3];
    double dpm_ = 1;
    bool colour_ = true;
    int pages_ = 0;
};

} // namespace

std::unique_ptr<PrintSurface> openStripSurface(const TPolyGraf& p, const std::string& testId) {
    std::unique_ptr<QPagedPaintDevice> dev;
    const QString printer = QString::fromStdString(p._PRN.PrinterName);
    if (!p._PRN.ToFile && !printer.isEmpty()) {
        if (QPrinterInfo::printerInfo(printer).isNull())
            return nullptr;
        auto pr = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pr->setPrinterName(printer);
        pr->setDocName(QString::fromStdString(" ID_" + testId + " " + p.name));
        dev = std::move(pr);
    } else {
        const QString file = QString::fromStdString(stripFileName(testId, p.name, ".pdf"));
        QDir().mkpath(QFileInfo(file).absolutePath());
        auto w = std::make_unique<QPdfWriter>(file);
        w->setResolution(300);
        w->setTitle(QString::fromStdString(" ID_" + testId + " " + p.name));
        dev = std::move(w);
    }
    auto s = std::make_unique<QtPrintSurface>(std::move(dev));
    if (!s->ok())
        return nullptr;
    return s;
}

} // namespace mv
