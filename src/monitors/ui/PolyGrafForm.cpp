#include "monitors/ui/PolyGrafForm.h"

#include "monitors/FFTMonitor.h"
#include "monitors/StripChart.h"
#include "monitors/ui/MV_ScrMonForm.h"
#include "widgets/ui/MV_Komp.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinterInfo>

namespace mv {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr const char* kSeriesTitles[15] = {"SubGraphName", "Sig val.", "Unit",      "Color",
                                           "RightAxe",     "LP [Hz]",  "SpectType", "FFT lines",
                                           "Window",       "Overlay",  "Aver.type", "Aver.cnt",
                                           "FreqWeight",   "RMS",      "dB"};
constexpr int kSeriesWidths[15] = {100, 65, 25, 13, 12, 28, 26, 40, 64, 50, 30, 50, 20, 35, 35};

QColor colourOf(int idx) {
    const MonColour& c = kMonColours[std::size_t(idx & 15)];
    return QColor(c.r, c.g, c.b);
}

// The shared pick list of both grids: Enter or a click takes the entry.
class PickList final : public QListWidget {
public:
    explicit PickList(QWidget* parent) : QListWidget(parent) {
        setObjectName("ParamListBox");
        hide();
        connect(this, &QListWidget::itemActivated, this, [this] { take(); });
    }
    void open(const QStringList& items, int current, QPoint at, int maxHeight,
              std::function<void(int)> apply) {
        clear();
        addItems(items);
        setCurrentRow(std::clamp(current, 0, int(items.size()) - 1));
        apply_ = std::move(apply);
        const int h = std::min(maxHeight, 16 * int(items.size()) + 2);
        setGeometry(at.x(), at.y(), 180, std::max(h, 20));
        show();
        raise();
        setFocus();
    }
    void take() {
        const int row = currentRow();
        hide();
        if (apply_ && row >= 0)
            apply_(row);
        apply_ = nullptr;
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) {
            hide();
            return;
        }
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            take();
            return;
        }
        QListWidget::keyPressEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QListWidget::focusOutEvent(e);
        hide();
    }

private:
    std::function<void(int)> apply_;
};

PickList* pickOf(QWidget* w) {
    return w->findChild<PickList*>("ParamListBox");
}

TNumberEdit* numberEdit(QWidget* parent, const QString& text, const char* hint, int w, int h) {
    auto* e = new TNumberEdit(parent);
    e->set_NumberTyp(ntDouble);
    e->setRange(-1e30, 1e30);
    e->setFrame(false);
    e->setToolTip(hint);
    e->resize(w, h);
    e->setValueText(text);
    return e;
}

} // namespace

PolyGrafForm::PolyGrafForm(TScrMonForm& home, std::shared_ptr<TPolyGraf> p)
    : QWidget(nullptr), home_(home), p_(std::move(p)) {
    setObjectName("PolyGraf");
    setMouseTracking(true);
    setAutoFillBackground(true);
    new PickList(this);
    paramGrid_ = new QTableWidget(2, 4, this);
    paramGrid_->setObjectName("PolyGrafParamGrid");
    paramGrid_->horizontalHeader()->hide();
    paramGrid_->verticalHeader()->hide();
    paramGrid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    paramGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    paramGrid_->setToolTip(
        "Zadava se:\n1.Jmeno PolyGrafu\n2.Klavesou [Enter] a sipkami typ monitoru "
        "(Scroll, Scope, XY, FFT)\n3.Pocet subgrafu\n4.Povoleni tisku "
        "(mezernik), Jmeno predvolene tiskarny (Enter)");
    const char* heads[4] = {"PolyGraph name", "Mon.type", "Sub#", "Print"};
    const int widths[4] = {80, 45, 30, 62};
    QFont small = font();
    small.setPixelSize(11);
    paramGrid_->setFont(small);
    for (int c = 0; c < 4; ++c) {
        auto* h = new QTableWidgetItem(heads[c]);
        h->setFlags(Qt::ItemIsEnabled);
        h->setBackground(QColor(255, 255, 0));
        paramGrid_->setItem(0, c, h);
        paramGrid_->setColumnWidth(c, widths[c]);
        paramGrid_->setItem(1, c, new QTableWidgetItem);
    }
    for (int r = 0; r < 2; ++r)
        paramGrid_->setRowHeight(r, 14);
    paramGrid_->item(1, 1)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    paramGrid_->item(1, 2)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    paramGrid_->item(1, 3)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    paramGrid_->installEventFilter(this);
    connect(paramGrid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        if (it->row() == 1 && it->column() == 0) {
            std::lock_guard lock(p_->mutex);
            p_->name = capText(it->text().toStdString(), 64);
        }
    });
    xmin_ = numberEdit(this, "0", "Rozsah osy X - minimum", 45, 17);
    xmax_ = numberEdit(this, "10", "Rozsah osy X - maximum", 45, 17);
    xgrid_ = numberEdit(this, "1", "Roztec svislych car mrizky", 45, 14);
    xgrid_->setRange(0, 1e20);
    for (TNumberEdit* e : {xmin_, xmax_, xgrid_})
        connect(e, &TNumberEdit::numberChanged, this, [this] { xEdited(); });
    xyLabel_ = new QLabel("f", this);
    xyLabel_->setObjectName("XY_Label");
    xyLabel_->setAutoFillBackground(true);
    xyLabel_->hide();
    rebuild();
}

PolyGrafForm::~PolyGrafForm() = default;

double PolyGrafForm::fs() const {
    return home_.fsPlay();
}

QTableWidget* PolyGrafForm::seriesGrid(int i) const {
    return i >= 0 && i < int(subs_.size()) ? subs_[std::size_t(i)].grid : nullptr;
}

void PolyGrafForm::applyColour() {
    QPalette pal = palette();
    QColor c(230, 230, 230);
    {
        std::lock_guard lock(p_->mutex);
        if (p_->_JePauseScrMon)
            c = QColor(255, 180, 0);
        else if (p_->_JeFloating)
            c = QColor(0, 0, 255);
    }
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

void PolyGrafForm::placeFromModel() {
    PolyRect r;
    bool floating;
    {
        std::lock_guard lock(p_->mutex);
        r = p_->rect;
        floating = p_->_JeFloating;
    }
    if (floating) {
        if (parentWidget() || !isWindow()) {
            setParent(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
            // Like the Monitors window, a floating polygraph does not keep the program open.
            setAttribute(Qt::WA_QuitOnClose, false);
        }
    } else if (parentWidget() != &home_) {
        setParent(&home_, Qt::Widget);
    }
    setGeometry(r.left, r.top, r.width, r.height);
    applyColour();
    layoutControls();
    show();
}

void PolyGrafForm::applyModelRect(const PolyRect& r) {
    {
        std::lock_guard lock(p_->mutex);
        p_->SetSize(r, fs());
        p_->ReCalcSubGrafCoef(false);
    }
    setGeometry(r.left, r.top, p_->rect.width, p_->rect.height);
    layoutControls();
    update();
}

void PolyGrafForm::rebuild() {
    for (auto& s : subs_) {
        delete s.grid;
        for (TNumberEdit* e : {s.ymaxL, s.yminL, s.ymaxR, s.yminR, s.limMax, s.limMin, s.ygrid})
            delete e;
    }
    subs_.clear();
    {
        std::lock_guard lock(p_->mutex);
        const bool fft = p_->_MonType == mtFFT;
        {
            const QSignalBlocker block(paramGrid_);
            paramGrid_->item(1, 0)->setText(qs(p_->name));
            paramGrid_->item(1, 1)->setText(kMonTypeNames[p_->_MonType]);
            paramGrid_->item(1, 2)->setText(QString::number(p_->subGrafCount()));
            paramGrid_->item(1, 3)->setText(qs(p_->_PRN.PrinterName));
            paramGrid_->item(1, 3)->setBackground(p_->_PRN.JePrint ? QColor(0, 255, 0) : Qt::white);
        }
        for (TNumberEdit* e : {xmin_, xmax_, xgrid_})
            e->blockSignals(true);
        xmin_->setValueText(qs(p_->sXmin));
        xmax_->setValueText(qs(p_->sXmax));
        xgrid_->setValueText(qs(p_->sXgrid));
        for (TNumberEdit* e : {xmin_, xmax_, xgrid_})
            e->blockSignals(false);
        xmin_->setVisible(p_->_MonType == mtXY || fft);
        for (int i = 0; i < p_->subGrafCount(); ++i) {
            const TSubGraf& sg = *p_->_SubGrafList[std::size_t(i)];
            const TSubGrafPar& sp = sg._SubGrafParam;
            SubControls c;
            c.grid = new QTableWidget(this);
            c.grid->setObjectName(QString("InpSigGrid%1").arg(i + 1));
            c.grid->horizontalHeader()->hide();
            c.grid->verticalHeader()->hide();
            c.grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            c.grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            c.grid->setColumnCount(fft ? 15 : 6);
            c.grid->installEventFilter(this);
            c.grid->setProperty("sub", i);
            connect(c.grid, &QTableWidget::itemChanged, this, [this, i](QTableWidgetItem* it) {
                TSubGraf& g = *p_->_SubGrafList[std::size_t(i)];
                const int s = it->row() - 1;
                const std::string t = it->text().toStdString();
                std::lock_guard lk(p_->mutex);
                if (it->row() == 0 && it->column() == 0)
                    g._SubGrafParam._sName = capText(t, 32);
                else if (it->column() == 5 && s >= 0)
                    applyLPText(g, s, t, fs(), home_.log());
                else if (it->column() == 9 && s >= 0)
                    setSeriesOverlay(g, s, t);
                else if (it->column() == 11 && s >= 0)
                    setSeriesAverCnt(g, s, t);
            });
            auto edit = [&](const std::string& text, const char* hint, int w = 45, int h = 18) {
                return numberEdit(this, qs(text), hint, w, h);
            };
            c.ymaxL = edit(sp._sYLmax, "Rozsah leve osy Y - maximum");
            c.yminL = edit(sp._sYLmin, "Rozsah leve osy Y - minimum");
            c.ymaxR = edit(sp._sYRmax, "Rozsah prave osy Y - maximum");
            c.yminR = edit(sp._sYRmin, "Rozsah prave osy Y - minimum");
            c.limMax = edit(sp._sYLimitMax, "Horni limit prekroceni hodnoty Y.");
            c.limMin = edit(sp._sYLimitMin, "Dolni limit prekroceni hodnoty Y.");
            c.ygrid = edit(sp._sYLgrid, "Rozestup horizontalnich car mrizky", 35, 18);
            c.ygrid->setRange(0, 1e30);
            bool right = false;
            for (const auto& s : sp.SerPar)
                right = right || (s.SigNo > 0 && s.Axis == 1);
            c.ymaxR->setVisible(right);
            c.yminR->setVisible(right);
            c.limMin->setVisible(!fft);
            for (TNumberEdit* e :
                 {c.ymaxL, c.yminL, c.ymaxR, c.yminR, c.limMax, c.limMin, c.ygrid}) {
                connect(e, &TNumberEdit::numberChanged, this, [this, i] { yEdited(i); });
                e->show();
            }
            c.grid->show();
            subs_.push_back(c);
        }
        for (int i = 0; i < int(subs_.size()); ++i)
            fillSeriesGrid(i);
    }
    layoutControls();
}

void PolyGrafForm::fillSeriesGrid(int i) {
    QTableWidget* g = subs_[std::size_t(i)].grid;
    const TSubGraf& sg = *p_->_SubGrafList[std::size_t(i)];
    const TSubGrafPar& sp = sg._SubGrafParam;
    const SignalStore& store = home_.engine()->clock.store();
    const QSignalBlocker block(g);
    g->setRowCount(sg.seriesRows);
    const int th = sp._TxtHeight;
    QFont f("Arial");
    f.setPixelSize(std::max(6, th - 3));
    g->setFont(f);
    int width = 1;
    for (int c = 0; c < g->columnCount(); ++c) {
        g->setColumnWidth(c, kSeriesWidths[c] * th / 15);
        width += kSeriesWidths[c] * th / 15 + 1;
    }
    for (int r = 0; r < g->rowCount(); ++r)
        g->setRowHeight(r, th);
    g->resize(width, g->rowCount() * (th + 1) + 2);
    auto put = [&](int r, int c, const QString& t, bool editable = false) {
        auto* it = new QTableWidgetItem(t);
        it->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                              : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        g->setItem(r, c, it);
        return it;
    };
    put(0, 0, qs(sp._sName), true);
    for (int c = 1; c < g->columnCount(); ++c)
        put(0, c, kSeriesTitles[c]);
    for (int r = 1; r < g->rowCount(); ++r) {
        const TSerPar& s = sp.SerPar[std::size_t(r - 1)];
        const SeriesRun& run = sg.run[std::size_t(r - 1)];
        const SignalRecord* rec = SignalStore::validSlot(s.SigNo) ? &store[s.SigNo] : nullptr;
        put(r, 0,
            QString("%1  ").arg(s.SigNo, 3, 10, QChar('0')) + (rec ? qs(rec->SigName.str()) : ""));
        auto* val = put(r, 1, qs(run.Ystr));
        if (run.JeYMinWarn || run.JeYMaxWarn)
            val->setBackground(Qt::red);
        put(r, 2, rec ? qs(rec->Units.str()) : "");
        auto* sw = put(r, 3, "");
        sw->setBackground(colourOf(s.ColorIdx));
        sw->setToolTip(QString("%1, width %2")
                           .arg(kMonColours[std::size_t(s.ColorIdx & 15)].name)
                           .arg(s.LineWidth));
        put(r, 4, s.Axis == 1 ? "R" : "L");
        put(r, 5, s.LPFreq > 0 ? QString::number(s.LPFreq, 'f', 2) : "0", true);
        if (g->columnCount() == 15) {
            put(r, 6, kFFTSpectTypeNames[std::min<int>(s.SpectType, 4)]);
            put(r, 7, QString::number(s.FFTLines));
            put(r, 8, kFFTWindowNames[std::min<int>(s.WinType, 3)]);
            put(r, 9, QString::number(s.Overlay), true);
            put(r, 10, kFFTAverNames[std::min<int>(s.AverType, 1)]);
            put(r, 11, s.AverType == faLinear ? qs(run.PocLinPrum) : QString::number(s.AverCnt),
                s.AverType != faLinear);
            put(r, 12, kFFTWeightNames[std::min<int>(s.FreqWeight, 1)]);
            put(r, 13, qs(run.RMSstr));
            put(r, 14, qs(run.dBstr));
        }
    }
}

void PolyGrafForm::refreshValues() {
    std::lock_guard lock(p_->mutex);
    // The strip chart's progress on its page.
    if (p_->printJob) {
        const QSignalBlocker block(paramGrid_);
        paramGrid_->item(1, 3)->setText(qs(p_->printJob->progress()));
    }
    for (int i = 0; i < int(subs_.size()) && i < p_->subGrafCount(); ++i) {
        QTableWidget* g = subs_[std::size_t(i)].grid;
        const TSubGraf& sg = *p_->_SubGrafList[std::size_t(i)];
        const QSignalBlocker block(g);
        for (int r = 1; r < g->rowCount(); ++r) {
            const SeriesRun& run = sg.run[std::size_t(r - 1)];
            if (QTableWidgetItem* it = g->item(r, 1)) {
                it->setText(qs(run.Ystr));
                it->setBackground(run.JeYMinWarn || run.JeYMaxWarn ? QBrush(Qt::red) : QBrush());
            }
            if (g->columnCount() == 15) {
                if (QTableWidgetItem* it = g->item(r, 13))
                    it->setText(qs(run.RMSstr));
                if (QTableWidgetItem* it = g->item(r, 14))
                    it->setText(qs(run.dBstr));
                if (sg._SubGrafParam.SerPar[std::size_t(r - 1)].AverType == faLinear)
                    if (QTableWidgetItem* it = g->item(r, 11))
                        it->setText(qs(run.PocLinPrum));
            }
        }
    }
}

void PolyGrafForm::layoutControls() {
    const int w = width(), h = height();
    paramGrid_->setGeometry(50, h - 33, 224, 32);
    xmin_->move(2, h - 32);
    xmax_->move(w - 47, h - 32);
    xgrid_->move(w - 47, h - 14);
    std::lock_guard lock(p_->mutex);
    for (int i = 0; i < int(subs_.size()) && i < p_->subGrafCount(); ++i) {
        const auto& c = p_->_SubGrafList[std::size_t(i)]->_ScrSubGrCoef;
        SubControls& s = subs_[std::size_t(i)];
        s.grid->move(31, c._Top + 18);
        s.ymaxL->move(31, c._Top);
        s.ymaxR->move(w - 53, c._Top);
        s.limMax->move(80, c._Top);
        s.ygrid->move(130, c._Top);
        const int low = c._Top + c._HeightPix - 18;
        s.yminL->move(31, low);
        s.yminR->move(w - 53, low);
        s.limMin->move(80, low);
    }
}

void PolyGrafForm::resizeEvent(QResizeEvent*) {
    layoutControls();
}

void PolyGrafForm::xEdited() {
    bool ok;
    {
        std::lock_guard lock(p_->mutex);
        ok = p_->SetXParam(xmin_->text().toStdString(), xmax_->text().toStdString(),
                           xgrid_->text().toStdString(), fs(), &home_.engine()->list.defaults);
    }
    for (TNumberEdit* e : {xmin_, xmax_}) {
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, ok ? QColor(Qt::white) : QColor(255, 0, 0));
        e->setPalette(pal);
    }
}

void PolyGrafForm::yEdited(int i) {
    SubControls& c = subs_[std::size_t(i)];
    MonitorDefaults* d = &home_.engine()->list.defaults;
    std::lock_guard lock(p_->mutex);
    TSubGraf& sg = *p_->_SubGrafList[std::size_t(i)];
    SetYRange(sg, 0, c.yminL->text().toStdString(), c.ymaxL->text().toStdString(), d);
    SetYRange(sg, 1, c.yminR->text().toStdString(), c.ymaxR->text().toStdString(), d);
    SetYLimits(sg, c.limMin->text().toStdString(), c.limMax->text().toStdString(), d);
    SetYgridText(sg, c.ygrid->text().toStdString(), d);
}

bool PolyGrafForm::paramKey(QKeyEvent* k) {
    const int col = paramGrid_->currentColumn();
    if (paramGrid_->currentRow() != 1)
        return false;
    const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
    if (col == 1 && enter) {
        QStringList types;
        for (const char* t : kMonTypeNames)
            types << t;
        int cur;
        {
            std::lock_guard lock(p_->mutex);
            cur = p_->_MonType;
        }
        pickOf(this)->open(
            types, cur, {paramGrid_->x() + 50 * col, std::max(0, paramGrid_->y() - 84)},
            height() - 50, [this](int t) {
                {
                    std::lock_guard lock(p_->mutex);
                    p_->SetPolyGrafMonType(TMonType(t), fs(), &home_.engine()->list.defaults);
                }
                rebuild();
            });
        return true;
    }
    if (col == 2 && (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down)) {
        const int all = home_.engine()->list.subGrafTotal();
        {
            std::lock_guard lock(p_->mutex);
            if (k->key() == Qt::Key_Up)
                p_->addSubGrafLikeLast(home_.engine()->list.defaults, all, fs());
            else
                p_->removeLastSubGraf();
        }
        rebuild();
        return true;
    }
    if (col == 3 && k->key() == Qt::Key_Space) {
        {
            std::lock_guard lock(p_->mutex);
            p_->_PRN.JePrint = !p_->_PRN.JePrint;
        }
        rebuild();
        return true;
    }
    if (col == 3 && enter) {
        QStringList printers{""};
        printers << QPrinterInfo::availablePrinterNames();
        pickOf(this)->open(printers, 0, {paramGrid_->x() + 150, std::max(0, paramGrid_->y() - 84)},
                           height() - 50, [this, printers](int r) {
                               {
                                   std::lock_guard lock(p_->mutex);
                                   p_->_PRN.PrinterName = capText(printers[r].toStdString(), 34);
                               }
                               rebuild();
                           });
        return true;
    }
    return false;
}

bool PolyGrafForm::seriesKey(int i, QKeyEvent* k) {
    QTableWidget* g = subs_[std::size_t(i)].grid;
    const int row = g->currentRow(), col = g->currentColumn(), s = row - 1;
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    const bool shift = k->modifiers() & Qt::ShiftModifier;
    const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
    TSubGraf& sg = *p_->_SubGrafList[std::size_t(i)];
    // Callers let go of the lock first.
    auto done = [&] {
        {
            std::lock_guard lk(p_->mutex);
            fillSeriesGrid(i);
        }
        g->setCurrentCell(std::min(row, g->rowCount() - 1), col);
        return true;
    };
    if (ctrl && (k->key() == Qt::Key_Left || k->key() == Qt::Key_Right)) {
        {
            std::lock_guard lock(p_->mutex);
            int& th = sg._SubGrafParam._TxtHeight;
            if (k->key() == Qt::Key_Left && th > 14)
                th -= 5;
            else if (k->key() == Qt::Key_Right && th <= 100)
                th += 5;
        }
        return done();
    }
    if (ctrl && k->key() == Qt::Key_C && g->columnCount() == 15 && s >= 0) {
        std::string text;
        {
            std::lock_guard lock(p_->mutex);
            const TSerPar& sp = sg._SubGrafParam.SerPar[std::size_t(s)];
            auto& e = sg.run[std::size_t(s)].fft;
            const SignalStore& store = home_.engine()->clock.store();
            const SignalRecord* rec = SignalStore::validSlot(sp.SigNo) ? &store[sp.SigNo] : nullptr;
            if (e)
                text = spectrumCopyText(*e, sp.SpectType, rec ? rec->SigName.str() : "",
                                        rec ? rec->Units.str() : "");
        }
        QApplication::clipboard()->setText(qs(text));
        return true;
    }
    if (s < 0)
        return false;
    if (ctrl && enter) {
        int slot;
        {
            std::lock_guard lock(p_->mutex);
            slot = sg._SubGrafParam.SerPar[std::size_t(s)].SigNo;
        }
        const SignalStore& store = home_.engine()->clock.store();
        if (SignalStore::validSlot(slot) && store[slot].occupied())
            home_.focusSignal(slot);
        return true;
    }
    if (!ctrl && k->key() == Qt::Key_Down && row == g->rowCount() - 1) {
        {
            std::lock_guard lock(p_->mutex);
            addSeriesRow(sg);
        }
        return done();
    }
    if (!ctrl && k->key() == Qt::Key_Up && row == 1) {
        {
            std::lock_guard lock(p_->mutex);
            removeSeriesRow(sg);
        }
        return done();
    }
    std::unique_lock lock(p_->mutex);
    TSerPar& sp = sg._SubGrafParam.SerPar[std::size_t(s)];
    if (col == 0 && ctrl) {
        const int d = k->key() == Qt::Key_Up         ? 1
                      : k->key() == Qt::Key_Down     ? -1
                      : k->key() == Qt::Key_PageUp   ? -10
                      : k->key() == Qt::Key_PageDown ? 10
                                                     : 0;
        if (d == 0)
            return false;
        stepSeriesSignal(sg, s, d);
        lock.unlock();
        return done();
    }
    if (col == 0 && k->key() == Qt::Key_Delete) {
        setSeriesSignal(sg, s, 0);
        lock.unlock();
        return done();
    }
    if (k->key() == Qt::Key_Space && (col == 1 || col == 3)) {
        if (col == 1)
            cycleValDec(sg, s, shift);
        else
            cycleLineWidth(sg, s, shift);
        lock.unlock();
        return done();
    }
    if (!enter || ctrl)
        return false;
    QStringList items;
    int current = 0;
    std::function<void(int)> apply;
    auto take = [this, i](auto&& f) {
        return [this, i, f](int v) {
            {
                std::lock_guard lk(p_->mutex);
                f(*p_->_SubGrafList[std::size_t(i)], v);
            }
            rebuild();
        };
    };
    const SignalStore& store = home_.engine()->clock.store();
    switch (col) {
    case 0:
        for (int n = 0; n <= 200; ++n)
            items << QString("%1 %2  [%3]")
                         .arg(n)
                         .arg(n ? qs(store[n].SigName.str()) : "")
                         .arg(n ? qs(store[n].Units.str()) : "");
        current = sp.SigNo;
        apply = take([s](TSubGraf& x, int v) { setSeriesSignal(x, s, v); });
        break;
    case 3:
        for (const auto& c : kMonColours)
            items << c.name;
        current = sp.ColorIdx;
        apply = take([s](TSubGraf& x, int v) { setSeriesColour(x, s, v); });
        break;
    case 4:
        items << "L"
              << "R";
        current = sp.Axis;
        apply = take([s](TSubGraf& x, int v) {
            x._SubGrafParam.SerPar[std::size_t(s)].Axis = v;
            SetYSlopOffs(x);
        });
        break;
    case 6:
        for (const char* n : kFFTSpectTypeNames)
            items << n;
        current = sp.SpectType;
        apply = take([s](TSubGraf& x, int v) {
            x._SubGrafParam.SerPar[std::size_t(s)].SpectType = std::uint8_t(v);
        });
        break;
    case 7:
        for (int l : kFFTLineCounts)
            items << QString::number(l);
        current = int(std::lround(std::log2(double(sp.FFTLines)))) - 3;
        apply = take([s](TSubGraf& x, int v) { setSeriesFFTLines(x, s, kFFTLineCounts[v]); });
        break;
    case 8:
        for (const char* n : kFFTWindowNames)
            items << n;
        current = sp.WinType;
        apply = take([s](TSubGraf& x, int v) {
            x._SubGrafParam.SerPar[std::size_t(s)].WinType = std::uint8_t(v);
        });
        break;
    case 10:
        for (const char* n : kFFTAverNames)
            items << n;
        current = sp.AverType;
        apply = take([s](TSubGraf& x, int v) {
            x._SubGrafParam.SerPar[std::size_t(s)].AverType = std::uint8_t(v);
        });
        break;
    case 12:
        for (const char* n : kFFTWeightNames)
            items << n;
        current = sp.FreqWeight;
        apply = take([s](TSubGraf& x, int v) {
            x._SubGrafParam.SerPar[std::size_t(s)].FreqWeight = std::uint8_t(v);
        });
        break;
    default:
        return false;
    }
    const int maxH = std::max(40, sg._ScrSubGrCoef._HeightPix - 14);
    lock.unlock();
    const QRect cell = g->visualItemRect(g->item(row, col));
    pickOf(this)->open(items, current, g->mapTo(this, QPoint(cell.right() + 2, 0)), maxH, apply);
    return true;
}

bool PolyGrafForm::eventFilter(QObject* o, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(o, e);
    auto* k = static_cast<QKeyEvent*>(e);
    if (o == paramGrid_)
        return paramKey(k);
    const QVariant sub = o->property("sub");
    if (sub.isValid() && sub.toInt() < int(subs_.size()))
        return seriesKey(sub.toInt(), k);
    return QWidget::eventFilter(o, e);
}

void PolyGrafForm::paintEvent(QPaintEvent*) {
    QPainter g(this);
    std::lock_guard lock(p_->mutex);
    const PixelImage& im = p_->image;
    const auto& pc = p_->_ScrPGCoef;
    if (im.width > 0 && im.height > 0) {
        const QImage q(reinterpret_cast<const uchar*>(im.px.data()), im.width, im.height,
                       im.width * 4, QImage::Format_RGB32);
        // The picture's columns are a ring starting at its origin.
        const int right = im.width - im.origin;
        g.drawImage(QPoint(pc.plotLeft, pc.plotTop), q, QRect(im.origin, 0, right, im.height));
        if (im.origin > 0)
            g.drawImage(QPoint(pc.plotLeft + right, pc.plotTop), q,
                        QRect(0, 0, im.origin, im.height));
    } else { // no pass has drawn yet
        g.fillRect(QRect(pc.plotLeft, pc.plotTop, pc.plotWidth(), pc.plotHeight()), Qt::white);
    }
    if (p_->_JeMysNad) {
        g.setPen(QPen(QColor(0, 0, 255), 1, Qt::DotLine));
        const QPoint m = mapFromGlobal(QCursor::pos());
        g.drawLine(m.x(), pc.plotTop, m.x(), pc.plotBottom);
        g.drawLine(pc.plotLeft, m.y(), pc.plotRight, m.y());
    }
    g.setPen(QPen(QColor(255, 0, 0), 1, Qt::DotLine));
    for (const auto& sg : p_->_SubGrafList) {
        const auto& c = sg->_ScrSubGrCoef;
        if (c._iYLimitMin > 0)
            g.drawLine(pc.plotLeft, c._iYLimitMin + 4, pc.plotRight, c._iYLimitMin + 4);
        if (c._iYLimitMax > 0)
            g.drawLine(pc.plotLeft, c._iYLimitMax + 4, pc.plotRight, c._iYLimitMax + 4);
    }
    g.setPen(Qt::black);
    g.drawRect(pc.plotLeft - 1, pc.plotTop - 1, pc.plotWidth() + 1, pc.plotHeight() + 1);
}

void PolyGrafForm::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (home_.arrangeMode() && e->button() == Qt::LeftButton) {
        region_ = arrangeRegion(pos.x(), pos.y(), width(), height());
        downGlobal_ = e->globalPosition().toPoint();
        downRect_ = {x(), y(), width(), height()};
        dragging_ = true;
        if (region_ == 4) {
            // Undock: a topmost window at the same screen place.
            const QPoint g = mapToGlobal(QPoint(0, 0));
            {
                std::lock_guard lock(p_->mutex);
                if (!p_->_JeFloating) {
                    p_->_JeFloating = true;
                    p_->rect.left = g.x();
                    p_->rect.top = g.y();
                }
            }
            placeFromModel();
            downRect_ = {x(), y(), width(), height()};
        }
        return;
    }
    if (e->button() == Qt::LeftButton && pos.x() < 30) {
        {
            std::lock_guard lock(p_->mutex);
            p_->togglePause(pos.y() - 4);
        }
        applyColour();
        return;
    }
    if (e->button() == Qt::RightButton) {
        int sub;
        {
            std::lock_guard lock(p_->mutex);
            sub = p_->subGrafAt(pos.y() - 4);
        }
        QMenu menu(this);
        QAction* colour = menu.addAction("Subgraph color");
        menu.addSeparator();
        QAction* close = menu.addAction("Close polygraph");
        QAction* chosen = menu.exec(e->globalPosition().toPoint() - QPoint(10, 10));
        if (chosen == close) {
            home_.closePolyGraf(this);
        } else if (chosen == colour && sub >= 0) {
            const QColor c = QColorDialog::getColor(Qt::white, this, "Subgraph color");
            if (c.isValid()) {
                std::lock_guard lock(p_->mutex);
                TSubGraf& sg = *p_->_SubGrafList[std::size_t(sub)];
                sg._SubGrafParam._BGColor = c.red() | (c.green() << 8) | (c.blue() << 16);
                sg._ScrSubGrCoef._JeClr = true;
            }
        }
    }
}

void PolyGrafForm::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (home_.arrangeMode()) {
        if (!dragging_) {
            const int r = arrangeRegion(pos.x(), pos.y(), width(), height());
            setCursor(r == 4               ? Qt::SizeAllCursor
                      : (r == 0 || r == 3) ? Qt::SizeFDiagCursor
                                           : Qt::SizeBDiagCursor);
            return;
        }
        const QPoint d = e->globalPosition().toPoint() - downGlobal_;
        const auto r = dragRect(downRect_, region_, d.x(), d.y());
        if (!r)
            return;
        if (region_ == 4) {
            move(r->left, r->top);
            {
                std::lock_guard lock(p_->mutex);
                p_->rect.left = r->left;
                p_->rect.top = r->top;
            }
            // Grey while it would dock, blue while it stays floating.
            QPalette pal = palette();
            pal.setColor(QPalette::Window, mostlyInside(*r, home_.screenArea())
                                               ? QColor(230, 230, 230)
                                               : QColor(0, 0, 255));
            setPalette(pal);
        } else {
            applyModelRect(*r);
        }
        return;
    }
    setCursor(Qt::ArrowCursor);
    std::lock_guard lock(p_->mutex);
    const auto& pc = p_->_ScrPGCoef;
    const bool over = pos.x() >= pc.plotLeft && pos.x() < pc.plotRight && pos.y() >= pc.plotTop &&
                      pos.y() < pc.plotBottom;
    p_->_JeMysNad = over;
    xyLabel_->setVisible(over);
    if (!over)
        return;
    setCursor(Qt::CrossCursor);
    const int mx = pos.x() - pc.plotLeft, my = pos.y() - pc.plotTop;
    p_->mouseX = mx;
    const int sub = p_->subGrafAt(my);
    if (sub >= 0) {
        const TSlopOfs& yl = p_->_SubGrafList[std::size_t(sub)]->_ScrSubGrCoef._YL;
        const double xv = mx / double(pc.Xslope) + p_->_Xmin;
        const double yv = yl.Slop != 0 ? (my - yl.Offs) / double(yl.Slop) : 0.0;
        xyLabel_->setText(QString("X: %1\nY: %2").arg(xv, 0, 'f', 3).arg(yv, 0, 'f', 3));
    }
    xyLabel_->setGeometry(std::min(pos.x() + 40, width() - 80),
                          std::min(pos.y() + 10, height() - 62), 55, 26);
    xyLabel_->raise();
    if (p_->_MonType == mtScope || p_->_MonType == mtFFT)
        for (auto& sg : p_->_SubGrafList)
            for (int s = 0; s < kMaxSeries; ++s) {
                SeriesRun& run = sg->run[std::size_t(s)];
                if (mx < int(run.Yarr.size()) && run.Yarr[std::size_t(mx)].hi > -1e19f)
                    run.Ystr = valueText(run.Yarr[std::size_t(mx)].hi,
                                         sg->_SubGrafParam.SerPar[std::size_t(s)].ValDec);
            }
    update();
}

void PolyGrafForm::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    if (region_ != 4)
        return;
    const PolyRect area = home_.screenArea();
    bool dock;
    {
        std::lock_guard lock(p_->mutex);
        dock = p_->_JeFloating && mostlyInside(p_->rect, area);
        if (dock) {
            p_->_JeFloating = false;
            p_->rect.left -= area.left;
            p_->rect.top -= area.top;
        }
    }
    placeFromModel();
}

void PolyGrafForm::leaveEvent(QEvent*) {
    {
        std::lock_guard lock(p_->mutex);
        p_->_JeMysNad = false;
    }
    xyLabel_->hide();
    update();
}

} // namespace mv
