#pragma once
// PageControl1: the six tool pages with tabs drawn by the window (the active tab
// filled yellow with a bold caption).
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>

namespace mv {

class ToolTabBar final : public QTabBar {
    Q_OBJECT
public:
    explicit ToolTabBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
    QSize tabSizeHint(int index) const override;
    QSize minimumSizeHint() const override;
};

class ToolPages final : public QTabWidget {
    Q_OBJECT
public:
    enum Page { BulkIdProcess = 0, Generator, RawToQytl, CalibrQytlCoef, AlignKm, Curve2xls };
    static constexpr int kPageCount = 6;
    explicit ToolPages(QWidget* parent = nullptr);
    // The tab captions in page order ("Bulk ID process", ...).
    static QStringList captions();
    // The page's own widget. Each sits in a scroll area, so a page wider or taller than
    // the room the window leaves it (a small screen) scrolls instead of being cut.
    QWidget* page(Page p) const;
};

} // namespace mv
