#include "monitors/ui/MV_ScrMonForm.h"

#include "monitors/PolyGrafStore.h"
#include "monitors/ui/PolyGrafForm.h"
#include "monitors/ui/QtPrintSurface.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QSignalBlocker>

namespace mv {

namespace {
bool sameBlock(const Block& a, const Block& b) {
    return a.rows == b.rows && a.cols == b.cols && a.values == b.values;
}
} // namespace

TScrMonForm::TScrMonForm(MonitorsEngine* engine, const ReplaySource* source, QWidget* parent)
    : QWidget(parent, Qt::Window), engine_(engine), source_(source) {
    setObjectName("ScrMonForm");
    setWindowTitle("Monitors");
    // The program ends with its main window: a Monitors window left open (closing it only
    // hides it) must not keep it running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(220, 220, 160));
    setPalette(pal);
    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setAutoFillBackground(true);
    Panel2->setGeometry(0, 0, 1600, kPanelHeight);
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(4, 2, 4, 2);
    PlotSignalsSpeedButton = new QPushButton("Plot signals", Panel2);
    PlotSignalsSpeedButton->setObjectName("PlotSignalsSpeedButton");
    PlotSignalsSpeedButton->setCheckable(true);
    SavePolyGraphsButton = new QPushButton("Save polygr.", Panel2);
    SavePolyGraphsButton->setObjectName("SavePolyGraphsButton");
    SavePolyGraphsButton->setEnabled(false);
    row->addWidget(PlotSignalsSpeedButton);
    row->addWidget(SavePolyGraphsButton);
    row->addStretch(1);
    resize(1600, 1200);
    _OldWidth = width();
    _OldHeight = height();
    if (engine_) {
        // Set before the graph thread starts: the hook is read by that thread.
        strip_ = std::make_unique<StripChartDriver>(&openStripSurface);
        engine_->graph.afterPass = [d = strip_.get()](TPolyGraf& p, const RoundData& r) {
            d->afterPass(p, r);
        };
        connect(PlotSignalsSpeedButton, &QPushButton::toggled, this,
                [this](bool down) { plotSignals(down); });
        connect(SavePolyGraphsButton, &QPushButton::clicked, this, [this] { savePolyGrafs(); });
        connect(&pollTimer_, &QTimer::timeout, this, [this] { poll(); });
        pollTimer_.start(20);
    }
}

TScrMonForm::~TScrMonForm() {
    pollTimer_.stop();
    // The graph thread may hold a polygraph; the models outlive the windows anyway
    // (shared), and the list lets go of them here.
    clearForms();
}

double TScrMonForm::fsPlay() const {
    if (source_) {
        const double fs = source_->fsPlay();
        if (fs > 0 && fs <= 1e7)
            return fs;
    }
    return engine_ ? engine_->clock.fsPlay() : 1000.0;
}

Log& TScrMonForm::log() {
    return log_ ? *log_ : fallbackLog_;
}

PolyRect TScrMonForm::screenArea() const {
    const QPoint o = mapToGlobal(QPoint(0, 0));
    return {o.x(), o.y(), width(), height()};
}

void TScrMonForm::setArrangeMode(bool on) {
    arrange_ = on;
    setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    if (!on) {
        dragStart_ = {-1, -1};
        focusRect_ = {};
        update();
    }
}

void TScrMonForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Control && !e->isAutoRepeat())
        setArrangeMode(true);
    QWidget::keyPressEvent(e);
}

void TScrMonForm::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Control && !e->isAutoRepeat())
        setArrangeMode(false);
    QWidget::keyReleaseEvent(e);
}

void TScrMonForm::mousePressEvent(QMouseEvent* e) {
    if (arrange_ && e->button() == Qt::LeftButton)
        dragStart_ = e->position().toPoint();
}

void TScrMonForm::mouseMoveEvent(QMouseEvent* e) {
    if (dragStart_.x() < 0)
        return;
    focusRect_ = QRect(dragStart_, e->position().toPoint()).normalized();
    update();
}

void TScrMonForm::mouseReleaseEvent(QMouseEvent* e) {
    if (dragStart_.x() < 0 || e->button() != Qt::LeftButton)
        return;
    // The drag's two corners span the rectangle the way the definition text keeps it:
    // width = right - left.
    const QPoint a = dragStart_, b = e->position().toPoint();
    const PolyRect r{std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                     std::abs(b.y() - a.y())};
    dragStart_ = {-1, -1};
    focusRect_ = {};
    update();
    if (r.width > 50 && r.height > 50 && engine_)
        createPolyGraf(r);
}

void TScrMonForm::paintEvent(QPaintEvent*) {
    if (focusRect_.isNull())
        return;
    QPainter g(this);
    g.setPen(QPen(Qt::black, 1, Qt::DotLine));
    g.drawRect(focusRect_);
}

void TScrMonForm::resizeEvent(QResizeEvent*) {
    Panel2->setGeometry(0, 0, width(), kPanelHeight);
    bool scaled = false;
    for (PolyGrafForm* f : forms_) {
        TPolyGraf& p = f->model();
        PolyRect r;
        {
            std::lock_guard lock(p.mutex);
            if (p._JeFloating)
                continue;
            r = scaleDocked(p.rect, _OldWidth, _OldHeight, width(), height(), kPanelHeight);
            p.SetSize(r, fsPlay());
            p.ReCalcSubGrafCoef(false);
        }
        f->placeFromModel();
        scaled = true;
    }
    if (scaled || forms_.empty()) {
        _OldWidth = width();
        _OldHeight = height();
    }
}

void TScrMonForm::closeEvent(QCloseEvent* e) {
    // Closing only hides the window.
    e->ignore();
    hide();
}

PolyGrafForm* TScrMonForm::createPolyGraf(const PolyRect& r) {
    MonitorDefaults& d = engine_->list.defaults;
    d.def.texts[2] = std::to_string(r.left) + "|" + std::to_string(r.top) + "|" +
                     std::to_string(r.width) + "|" + std::to_string(r.height) + "|0";
    const int all = engine_->list.subGrafTotal();
    auto p = engine_->list.create(d.def, fsPlay());
    {
        std::lock_guard lock(p->mutex);
        d.tmpl._BGColor = 0xFFFFFF;
        p->addSubGrafLikeLast(d, all, fsPlay());
        p->ReCalcSubGrafCoef(true);
    }
    auto* f = new PolyGrafForm(*this, p);
    forms_.push_back(f);
    f->placeFromModel();
    f->show();
    return f;
}

void TScrMonForm::closePolyGraf(PolyGrafForm* f) {
    std::erase(forms_, f);
    engine_->list.remove(&f->model());
    f->deleteLater();
}

void TScrMonForm::clearForms() {
    for (PolyGrafForm* f : forms_)
        delete f;
    forms_.clear();
    if (engine_)
        engine_->list.clear();
}

void TScrMonForm::loadBlock(const Block& b) {
    if (!engine_)
        return;
    const bool wasVisible = isVisible();
    hide();
    clearForms();
    loadPolyGrafBlock(b, engine_->list, fsPlay(), log());
    for (const auto& p : engine_->list.snapshot()) {
        auto* f = new PolyGrafForm(*this, p);
        forms_.push_back(f);
        f->placeFromModel();
        f->show();
    }
    loaded_ = b;
    if (wasVisible || !forms_.empty())
        show();
}

void TScrMonForm::paramSheetScanned(SpreadsheetApp* app, const SheetHandle& param) {
    app_ = app;
    param_ = param;
    const bool open = app && param.isSet() && app->isOpen(param);
    SavePolyGraphsButton->setEnabled(open);
    if (!open)
        return;
    try {
        const Block b = readPolyGrafBlock(*app, param);
        // A rescan without a change of the block keeps the polygraphs and their edits.
        if (loaded_ && sameBlock(*loaded_, b))
            return;
        loadBlock(b);
    } catch (const std::exception& e) {
        log().warn(std::string("Polygraphs not loaded: ") + e.what());
    }
}

void TScrMonForm::savePolyGrafs() {
    if (!engine_ || !app_ || !param_.isSet() || !app_->isOpen(param_)) {
        log().warn("Save polygr.: no EvaLog with a PARAM sheet is open");
        return;
    }
    try {
        mv::savePolyGrafs(*app_, param_, engine_->list);
        loaded_ = readPolyGrafBlock(*app_, param_);
        log().info("Polygraphs saved into the PARAM sheet, rows 151..246");
    } catch (const std::exception& e) {
        QMessageBox::warning(this, "Save polygr.", QString::fromStdString(e.what()));
    }
}

void TScrMonForm::replayWindow(double t1, double t2) {
    if (!engine_)
        return;
    {
        const QSignalBlocker quiet(PlotSignalsSpeedButton);
        PlotSignalsSpeedButton->setChecked(true);
    }
    startReplay(t1, t2);
}

void TScrMonForm::plotSignals(bool down) {
    if (down) {
        const auto [t1, t2] = source_ ? source_->lowerWindow() : std::pair<double, double>{0, 0};
        startReplay(t1, t2);
    } else {
        engine_->clock.stopReplay();
        PlotSignalsSpeedButton->setText("Plot signals");
    }
}

void TScrMonForm::startReplay(double t1, double t2) {
    engine_->clock.setFsPlay(fsPlay());
    // The strip charts' header texts, taken here: the graph thread touches no widget.
    StripHeader h;
    h.testId = source_ ? source_->testId() : "0";
    if (source_)
        h.description = source_->testDescription();
    const SignalStore& store = engine_->clock.store();
    for (int n = 1; n <= kSlotCount; ++n) {
        h.sigNames.push_back(store[n].SigName.str());
        h.sigUnits.push_back(store[n].Units.str());
    }
    const QDateTime now = QDateTime::currentDateTime();
    h.localTime = now.toString("HH:mm:ss").toStdString();
    h.localDate = now.toString("dd.MM.yyyy").toStdString();
    strip_->setHeader(std::move(h));
    replayGeneration_ = engine_->clock.startReplay(t1, t2);
}

void TScrMonForm::poll() {
    // The replay rate follows "f process" between replays as well.
    engine_->clock.setFsPlay(fsPlay());
    for (PolyGrafForm* f : forms_)
        if (f->model().dirty.exchange(false, std::memory_order_acq_rel))
            f->update();
    if (++pollCount_ % 10 == 0)
        for (PolyGrafForm* f : forms_)
            f->refreshValues();
    for (const std::string& w : strip_->takeWarnings())
        log().warn(w);
    if (!PlotSignalsSpeedButton->isChecked())
        return;
    // Only a report of this replay may end it: a stale one from a replay before is ignored.
    const ReplayStatus s = engine_->lastStatus();
    if (s.generation != replayGeneration_)
        return;
    if (s.remaining > 0) {
        PlotSignalsSpeedButton->setText(QString::number(s.remaining));
    } else {
        PlotSignalsSpeedButton->setChecked(false);
        PlotSignalsSpeedButton->setText("Plot signals");
    }
}

} // namespace mv
