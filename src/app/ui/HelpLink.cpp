#include "app/ui/HelpLink.h"

#include "app/Workspace.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "core/ui/LogPane.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>

namespace mv {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

bool helpCursorUp() {
    const QCursor* c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WhatsThisCursor;
}

// A control that explains itself: one with help texts of its own, the Signal table or
// the page control.
bool isHelpTarget(const QWidget* w) {
    const QString name = w->objectName();
    return !name.isEmpty() && hasHelp(name.toStdString());
}

// The control a caption label stands for, when that control has help.
QWidget* captionedControl(QWidget* w) {
    auto* l = qobject_cast<QLabel*>(w);
    QWidget* buddy = l && !isHelpTarget(l) ? l->buddy() : nullptr;
    return buddy && isHelpTarget(buddy) ? buddy : nullptr;
}

} // namespace

HelpLink::HelpLink(TForm1& form, Workspace& ws, QWidget* monitors)
    : QObject(&form), form_(form), ws_(ws), monitors_(monitors) {
    ControlPanel* panel = form_.controlPanel();
    pane_ = new QTextEdit(panel);
    pane_->setObjectName("HelpRichEdit");
    pane_->setReadOnly(true);
    QPalette pal = pane_->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
    pane_->setPalette(pal);
    QFont f("Arial");
    f.setPixelSize(13);
    pane_->setFont(f);
    pane_->hide();
    // The pane covers the log pane wherever the layout puts it.
    form_.logPane()->installEventFilter(this);
    placePane();

    form_.onCommand(Cmd::HelpOnMouseMove, [this] { setHelpMode(!mode_); });
    // The main window's own handler of "CZ help" has stored the language by now: handlers
    // run in the order they were connected, and the menus were built first.
    connect(form_.action(Cmd::CzHelp), &QAction::triggered, this, &HelpLink::languageChanged);
}

HelpLink::~HelpLink() {
    if (mode_)
        qApp->removeEventFilter(this);
}

HelpLang HelpLink::language() const {
    return ws_.settings.czechHelp() ? HelpLang::Czech : HelpLang::English;
}

void HelpLink::placePane() {
    pane_->setGeometry(form_.logPane()->geometry());
}

std::vector<QWidget*> HelpLink::helpRoots() const {
    std::vector<QWidget*> roots{&form_};
    if (monitors_)
        roots.push_back(monitors_);
    return roots;
}

void HelpLink::setTracking(bool on) {
    if (!on) {
        for (auto& [w, was] : tracked_)
            if (w)
                w->setMouseTracking(was);
        tracked_.clear();
        return;
    }
    // Mouse moves without a button reach only widgets that track the mouse: every control
    // with help and what it is made of (a table's viewport and header, a spin box's edit).
    // A window that explains itself tracks only its own background: the polygraphs inside
    // the Monitors window keep their mouse handling as it is.
    const auto track = [this](QWidget* w) {
        tracked_.emplace_back(w, w->hasMouseTracking());
        w->setMouseTracking(true);
    };
    for (QWidget* root : helpRoots()) {
        std::vector<QWidget*> all{root};
        for (QWidget* w : root->findChildren<QWidget*>())
            all.push_back(w);
        for (QWidget* w : all) {
            if (captionedControl(w))
                track(w);
            if (!isHelpTarget(w))
                continue;
            track(w);
            if (w->isWindow())
                continue;
            for (QWidget* c : w->findChildren<QWidget*>())
                track(c);
        }
    }
}

void HelpLink::setHelpMode(bool on) {
    if (on == mode_)
        return;
    mode_ = on;
    last_ = {};
    if (on) {
        placePane();
        pane_->show();
        pane_->raise();
        QApplication::setOverrideCursor(Qt::WhatsThisCursor);
        setTracking(true);
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        setTracking(false);
        pane_->hide();
        if (helpCursorUp())
            QApplication::restoreOverrideCursor();
    }
}

void HelpLink::AddHelp(const QString& heading, const QString& text) {
    pane_->clear();
    QTextCursor c(pane_->document());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(Qt::black);
    c.insertText(heading, bold);
    c.insertText("\n", QTextCharFormat());
    c.insertText(text, QTextCharFormat());
    pane_->moveCursor(QTextCursor::Start);
    pane_->ensureCursorVisible();
    emit helpShown(heading, text);
}

HelpLink::Spot HelpLink::spotAt(QWidget* w, const QPoint& globalPos) const {
    const QHeaderView* header = nullptr;
    const QTabBar* tabs = nullptr;
    if (QWidget* control = captionedControl(w))
        return {control};
    for (QWidget* c = w; c; c = c->parentWidget()) {
        if (auto* h = qobject_cast<QHeaderView*>(c))
            header = h;
        if (auto* t = qobject_cast<QTabBar*>(c))
            tabs = t;
        if (isHelpTarget(c)) {
            const std::string name = c->objectName().toStdString();
            if (name == kPageControlTarget) {
                const auto* pages = qobject_cast<QTabWidget*>(c);
                // Over a tab its page; anywhere on a page the page shown.
                const int tab = tabs ? tabs->tabAt(tabs->mapFromGlobal(globalPos))
                                     : (pages ? pages->currentIndex() : -1);
                return tab < 0 ? Spot{} : Spot{c, kAnyCell, tab};
            }
            auto* grid = qobject_cast<QTableWidget*>(c);
            if (!grid)
                return {c};
            const bool signalTable = name == kSignalTableTarget;
            if (header) {
                if (header->orientation() != Qt::Horizontal)
                    return {c};
                const int col = header->logicalIndexAt(header->mapFromGlobal(globalPos));
                return {c, signalTable ? 0 : kAnyCell, col < 0 ? kAnyCell : col};
            }
            const QModelIndex idx = grid->indexAt(grid->viewport()->mapFromGlobal(globalPos));
            if (!idx.isValid())
                return {c};
            // Signal-table rows count from the header row, as the slots do.
            return {c, signalTable ? idx.row() + 1 : idx.row(), idx.column()};
        }
        if (c->isWindow())
            break;
    }
    return {};
}

void HelpLink::show(const Spot& s) {
    if (!s.control)
        return;
    const HelpLang lang = language();
    const std::string name = s.control->objectName().toStdString();
    if (name == kSignalTableTarget) {
        auto* grid = qobject_cast<QTableWidget*>(s.control.data());
        if (!grid || s.column < 0)
            return;
        const QTableWidgetItem* cap = grid->horizontalHeaderItem(s.column);
        const QString heading =
            qs(signalTableHeading(cap ? cap->text().toStdString() : std::string()));
        // The texts are per column, one for the header row and one for every data row.
        const HelpEntry* e = findHelp(kSignalTableTarget, s.row == 0 ? 0 : 1, s.column);
        AddHelp(heading, e ? qs(e->text.in(lang)) : QString());
        return;
    }
    const HelpEntry* e = findHelp(name, s.row, s.column);
    if (!e)
        return;
    QString heading = qs(e->heading.in(lang));
    if (name == kPageControlTarget)
        if (auto* pages = qobject_cast<QTabWidget*>(s.control.data()))
            heading = pages->tabText(s.column);
    AddHelp(heading, qs(e->text.in(lang)));
}

void HelpLink::HelpMouseMove(QWidget* w, const QPoint& globalPos) {
    if (!mode_ || !helpCursorUp() || !w)
        return;
    const Spot s = spotAt(w, globalPos);
    if (!s.control || s == last_)
        return;
    last_ = s;
    show(s);
}

void HelpLink::languageChanged() {
    // The entry on show is told again in the other language.
    if (mode_ && last_.control)
        show(last_);
}

bool HelpLink::showHelpFor(const QString& objectName) {
    QWidget* target = nullptr;
    for (QWidget* root : helpRoots()) {
        if (root->objectName() == objectName)
            target = root;
        else if (!target)
            target = root->findChild<QWidget*>(objectName);
    }
    if (!target || !isHelpTarget(target))
        return false;
    setHelpMode(true);
    Spot s{target};
    if (auto* pages = qobject_cast<QTabWidget*>(target))
        s.column = pages->currentIndex();
    else if (target->objectName().toStdString() == kSignalTableTarget)
        s = {target, 1, 2};
    last_ = s;
    show(s);
    return true;
}

bool HelpLink::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Resize || e->type() == QEvent::Move) {
        if (watched == form_.logPane())
            placePane();
        return false;
    }
    if (e->type() != QEvent::MouseMove || !mode_)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w)
        return false;
    const QWidget* window = w->window();
    if (window != &form_ && window != monitors_)
        return false;
    const QPoint global = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
    // A move nobody takes travels up to the parents; only the widget under the mouse counts.
    QWidget* under = window->childAt(window->mapFromGlobal(global));
    if ((under ? under : window) != w)
        return false;
    HelpMouseMove(w, global);
    return false;
}

} // namespace mv
