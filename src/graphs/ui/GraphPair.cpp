#include "graphs/ui/GraphPair.h"

#include "core/SignalStore.h"
#include "graphs/ColumnPass.h"
#include "graphs/ui/TSigImage.h"
#include "graphs/ui/ZoomMarkers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace mv {

GraphPair::GraphPair(const GraphsView& view, QWidget* host)
    : QObject(host), view_(view), host_(host) {
    GraphsState& gs = view_.graphs;
    normaliseTimeWindow(gs.image1);
    normaliseTimeWindow(gs.image2);
    image1_ = new TSigImage(*this, 1, host);
    image1_->setObjectName("Image1");
    image1_->resize(host->width(), 250);
    image2_ = new TSigImage(*this, 2, host);
    image2_->setObjectName("Image2");
    tLabel_ = new QLabel(host);
    tLabel_->setObjectName("T_Label");
    tLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    markers_ = new ZoomMarkers(host, 0);
    connect(markers_, &ZoomMarkers::dragged, this, [this](int i, int x) {
        const int rel = x - image1_->mapTo(host_, QPoint(0, 0)).x();
        if (dragZoomMarker(view_.graphs.image1, rel, view_.graphs.zoom(i)))
            markers_->marker(i)->move(x, markers_->marker(i)->y());
    });
    connect(markers_, &ZoomMarkers::released, this, &GraphPair::showZoom);
    image1_->installEventFilter(this);
    qApp->installEventFilter(this);
    buildActions();
}

GraphPair::~GraphPair() {
    if (qApp)
        qApp->removeEventFilter(this);
}

TSigImage* GraphPair::AktivniImage() const {
    return image(view_.graphs.aktivni);
}

const TImageSigRec& GraphPair::windowStats(int slot) const {
    return view_.graphs.active().rec(slot);
}

char GraphPair::decimalSeparator() const {
    return view_.decimalSeparator;
}

void GraphPair::buildActions() {
    auto make = [this](const QString& text, const QKeySequence& key, auto slot) {
        auto* a = new QAction(text, this);
        if (!key.isEmpty())
            a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    actZoomAll_ = make("Zoom all", QKeySequence(Qt::Key_F12), &GraphPair::zoomAll);
    actSwapZoom_ = make("Swap Zoom", QKeySequence(Qt::Key_F11), &GraphPair::swapZoom);
    for (int i = 1; i <= kZoomSlots; ++i) {
        const int digit = i % 10;
        const auto key = Qt::Key(Qt::Key_0 + digit);
        actShow_[std::size_t(i - 1)] =
            make(QString("Show zoom%1").arg(digit), QKeySequence(Qt::CTRL | key),
                 [this, i] { showZoom(i); });
        actSet_[std::size_t(i - 1)] =
            make(QString("Set zoom%1").arg(digit), QKeySequence(Qt::CTRL | Qt::SHIFT | key),
                 [this, i] { setZoom(i); });
    }
    actSwapActive_ =
        make("Swap active graph", QKeySequence(Qt::CTRL | Qt::Key_Tab), &GraphPair::swapActive);
    actCopyGraph_ = make("Copy &graph", QKeySequence(Qt::CTRL | Qt::Key_G), &GraphPair::copyGraph);

    popup_ = new QMenu(host_);
    popup_->setObjectName("ImagePopupMenu");
    popup_
        ->addAction("Process Fn", this,
                    [this] {
                        const SigImageState& g = view_.graphs.active();
                        emit processFnRequested(g._T1, g._T2);
                    })
        ->setObjectName("PopupProcessFn");
    popup_->addSeparator();
    popup_->addAction("Save signals to ...", this, &GraphPair::saveSignalsToRequested)
        ->setObjectName("PopupSaveSignalsTo");
    popup_->addAction("Save to actual dir", this, &GraphPair::saveToActualDirRequested)
        ->setObjectName("PopupSaveToActualDir");
    popup_->addAction("Append signals", this, &GraphPair::appendSignalsRequested)
        ->setObjectName("PopupAppendSignals");
    popup_->addSeparator();
    popup_->addAction("Copy sign.to Excel", this, &GraphPair::copySignalsToExcelRequested)
        ->setObjectName("PopupCopySignalsToExcel");
    popup_->addSeparator();
    popup_->addAction("Copy graph", this, &GraphPair::copyGraph)->setObjectName("PopupCopyGraph");
    popup_->addAction("Print graph", this, &GraphPair::printGraphRequested)
        ->setObjectName("PopupPrintGraph");
}

void GraphPair::addActionsTo(QWidget* w) const {
    w->addAction(actZoomAll_);
    w->addAction(actSwapZoom_);
    for (int i = 0; i < kZoomSlots; ++i) {
        w->addAction(actShow_[std::size_t(i)]);
        w->addAction(actSet_[std::size_t(i)]);
    }
    w->addAction(actSwapActive_);
    w->addAction(actCopyGraph_);
}

void GraphPair::runPass(SigImageState& g) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++passDepth_;
    // Painting and timers go on between signals; user input waits for the end of the
    // pass, so no command can start another pass over half-updated records.
    PrepocitejX(view_.store, g,
                [](int) { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    --passDepth_;
    QApplication::restoreOverrideCursor();
}

void GraphPair::refreshTable() {
    if (tableRefresh_)
        tableRefresh_();
}

void GraphPair::RedrawGraphs() {
    redrawScheduled_ = false;
    if (passDepth_ > 0) { // a timer fired inside a pass: redraw once the pass is done
        scheduleRedraw();
        return;
    }
    image1_->PrepocitejX();
    image2_->PrepocitejX();
    image1_->Maluj();
    image2_->Maluj();
    refreshTable();
}

void GraphPair::MalujBoth() {
    image1_->Maluj();
    image2_->Maluj();
}

void GraphPair::SetAktivni(int n) {
    view_.graphs.aktivni = n == 2 ? 2 : 1;
    TSigImage* a = AktivniImage();
    TSigImage* other = n == 2 ? image1_ : image2_;
    a->setCursor(Qt::CrossCursor);
    other->setCursor(Qt::ArrowCursor);
    refreshTable();
    tLabel_->move(tLabel_->x(), a->mapTo(host_, QPoint(0, 0)).y());
    tLabel_->raise();
    placeMarkers();
    image1_->Maluj();
    image2_->Maluj();
    emit activeGraphChanged(view_.graphs.aktivni);
}

void GraphPair::swapActive() {
    SetAktivni(view_.graphs.aktivni == 1 ? 2 : 1);
}

void GraphPair::zoomAll() {
    const GraphWindow w = currentWindow(view_.graphs.image1);
    image2_->ZoomTo(w.t1, w.t2, w.yMin, w.yMax);
}

void GraphPair::swapZoom() {
    const GraphWindow w = previousWindow(view_.graphs.image2);
    image2_->ZoomTo(w.t1, w.t2, w.yMin, w.yMax);
}

void GraphPair::showZoom(int i) {
    if (i < 1 || i > kZoomSlots)
        return;
    const bool lock = scrollLock_ ? scrollLock_() : (scrollLockOn_ && !scrollLockDown_);
    const GraphWindow w = showZoomWindow(view_.graphs.image2, view_.graphs.zoom(i), lock);
    image2_->ZoomTo(w.t1, w.t2, w.yMin, w.yMax);
    showMarker(i);
}

void GraphPair::setZoom(int i) {
    if (i < 1 || i > kZoomSlots)
        return;
    view_.graphs.zoom(i) = zoomRecOf(view_.graphs.image2);
    showMarker(i);
}

void GraphPair::showMarker(int i) {
    const int left = image1_->mapTo(host_, QPoint(0, 0)).x();
    markers_->highlight(i, left + zoomMarkerX(view_.graphs.image1, view_.graphs.zoom(i)));
}

void GraphPair::valueZoomIn() {
    const GraphWindow w = scaledValueWindow(view_.graphs.active(), 0.5);
    AktivniImage()->ZoomTo(w.t1, w.t2, w.yMin, w.yMax);
}

void GraphPair::valueZoomOut() {
    const GraphWindow w = scaledValueWindow(view_.graphs.active(), 2.0);
    AktivniImage()->ZoomTo(w.t1, w.t2, w.yMin, w.yMax);
}

bool GraphPair::autoscaleValues() {
    TSigImage* a = AktivniImage();
    const auto w = a ? autoscaleValueWindow(view_.store, view_.graphs.active()) : std::nullopt;
    if (!w)
        return false;
    a->ZoomTo(w->t1, w->t2, w->yMin, w->yMax);
    return true;
}

void GraphPair::copyGraph() {
    if (TSigImage* a = AktivniImage())
        QGuiApplication::clipboard()->setImage(a->composedImage());
}

void GraphPair::placeMarkers() {
    // Splitter panel 2 starts right below Image1; the markers sit 9 pixels above it.
    const QPoint bottom = image1_->mapTo(host_, QPoint(0, image1_->height()));
    markers_->setTop(bottom.y() - 9);
}

void GraphPair::moveTLabel(TSigImage* g, int x) {
    tLabelGraph_ = g;
    tLabelX_ = x;
    const QPoint at = g->mapTo(host_, QPoint(readoutLabelX(x, tLabel_->width(), g->width()), 0));
    tLabel_->move(at.x(), tLabel_->y());
}

void GraphPair::showTLabelText(const QString& text) {
    tLabel_->setText(text);
    tLabel_->adjustSize();
    // Its width follows the text: place it again so no part of it leaves the graph.
    if (tLabelGraph_)
        moveTLabel(tLabelGraph_, tLabelX_);
}

void GraphPair::emitDeltaTexts(double dT, double dY) {
    const char sep = decimalSeparator();
    emit deltaTextChanged(QString::fromStdString(deltaStatusText(dT, dY, sep)));
    if (dT > 0)
        emit invDeltaTextChanged(QString::fromStdString(invDeltaText(dT, sep)));
}

void GraphPair::schedulePan() {
    if (panScheduled_)
        return;
    panScheduled_ = true;
    QTimer::singleShot(0, this, &GraphPair::applyIdlePans);
}

void GraphPair::applyIdlePans() {
    panScheduled_ = false;
    if (passDepth_ > 0) {
        schedulePan();
        return;
    }
    for (TSigImage* g : {image1_, image2_})
        if (const auto w = takeIdlePan(g->state()))
            g->ZoomTo(w->t1, w->t2, w->yMin, w->yMax);
}

void GraphPair::scheduleRedraw() {
    if (redrawScheduled_)
        return;
    redrawScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        if (redrawScheduled_)
            RedrawGraphs();
    });
}

void GraphPair::openPopup(TSigImage*, const QPoint& globalPos) {
    popup_->popup(globalPos);
}

bool GraphPair::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image1_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeMarkers();
    // The zoom items take the digits of the main keyboard only: a Ctrl + keypad digit
    // is claimed before the shortcut map can match it to "Show zoom".
    if (event->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(event);
        if ((k->modifiers() & Qt::KeypadModifier) && (k->modifiers() & Qt::ControlModifier) &&
            k->key() >= Qt::Key_0 && k->key() <= Qt::Key_9) {
            k->accept();
            return true;
        }
    }
    // Scroll Lock has no portable state query; follow its presses instead.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_ScrollLock && !k->isAutoRepeat() &&
            watched == qApp->focusObject()) {
            const bool press = event->type() == QEvent::KeyPress;
            if (press)
                scrollLockOn_ = !scrollLockOn_;
            scrollLockDown_ = press;
        }
    }
    return false;
}

} // namespace mv
