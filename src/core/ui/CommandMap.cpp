// The menus of the main window. Every item is a QAction with an object name, so the
// subsystem that carries out a command connects to it without the window knowing it.
#include "core/ui/Main.h"

#include <QApplication>
#include <QMenuBar>

namespace mv {

namespace {
struct Item {
    const char* name; // object name
    const char* text; // menu text
    QKeySequence shortcut;
};

QAction* addItem(QMenu* menu, QObject* owner, const Item& it) {
    auto* a = new QAction(it.text, owner);
    a->setObjectName(it.name);
    if (!it.shortcut.isEmpty())
        a->setShortcut(it.shortcut);
    a->setShortcutContext(Qt::ApplicationShortcut);
    menu->addAction(a);
    return a;
}
} // namespace

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu("&File");
    addItem(file, this, {"actOpenSignal", "&Open signal...", QKeySequence(Qt::CTRL | Qt::Key_O)});
    addItem(file, this,
            {"actCloseAllSignals", "Close all signals", QKeySequence(Qt::CTRL | Qt::Key_D)});
    file->addSeparator();
    addItem(file, this, {"actWorkbooks", "&Workbooks...", QKeySequence()});
    file->addSeparator();
    addItem(file, this, {"actPreview", "Preview", QKeySequence(Qt::CTRL | Qt::Key_U)});
    addItem(file, this, {"actPrint", "&Print", QKeySequence(Qt::CTRL | Qt::Key_P)});
    addItem(file, this, {"actPrintSetup", "P&rint Setup...", QKeySequence()});
    file->addSeparator();
    QAction* exit = addItem(file, this, {"actExit", "E&xit", QKeySequence()});
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = bar->addMenu("&Edit");
    // The three test-ID shortcuts are given when the window is created.
    addItem(
        edit, this,
        {"actIncTestId", "Inc Test ID",
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus))});
    addItem(
        edit, this,
        {"actDecTestId", "Dec Test ID",
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus))});
    addItem(edit, this,
            {"actOpenActualId", "Open acual ID", QKeySequence(Qt::CTRL | Qt::Key_Return)});
    addItem(edit, this, {"actDeleteAllFunctions", "Delete all functions", QKeySequence()});
    addItem(edit, this, {"actCopyGraph", "Copy &graph", QKeySequence(Qt::CTRL | Qt::Key_G)});

    QMenu* zoom = bar->addMenu("Zoom");
    addItem(zoom, this, {"actZoomAll", "Zoom all", QKeySequence(Qt::Key_F12)});
    addItem(zoom, this, {"actSwapZoom", "Swap Zoom", QKeySequence(Qt::Key_F11)});
    // Slots 1..9 and 10 ("zoom0") on the digit keys of the main keyboard.
    for (int k = 1; k <= 10; ++k) {
        const int digit = k % 10;
        const QString n = QString::number(digit);
        auto* a = addItem(
            zoom, this, {"", "", QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + digit))});
        a->setObjectName(QString("actShowZoom%1").arg(k));
        a->setText("Show zoom" + n);
    }
    // Ctrl+Shift+digit arrives as the shifted character on most layouts; match both.
    const Qt::Key shifted[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                 Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                 Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                 Qt::Key_ParenLeft};
    for (int k = 1; k <= 10; ++k) {
        const int digit = k % 10;
        const QString n = QString::number(digit);
        auto* a = new QAction("Set zoom" + n, this);
        a->setObjectName(QString("actSetZoom%1").arg(k));
        a->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::SHIFT | static_cast<Qt::Key>(Qt::Key_0 + digit)),
             QKeySequence(Qt::CTRL | Qt::SHIFT | shifted[digit])});
        a->setShortcutContext(Qt::ApplicationShortcut);
        zoom->addAction(a);
    }

    QMenu* control = bar->addMenu("Control");
    addItem(control, this, {"actProcessFnUp", "Process Fn Up", QKeySequence(Qt::CTRL | Qt::Key_R)});
    addItem(control, this,
            {"actProcessFnDown", "Process Fn Down", QKeySequence(Qt::CTRL | Qt::Key_T)});
    addItem(control, this, {"actFillValue", "Fill value", QKeySequence(Qt::CTRL | Qt::Key_F)});
    addItem(control, this,
            {"actSwapActiveGraph", "Swap active graph", QKeySequence(Qt::CTRL | Qt::Key_Tab)});
    QAction* swap = addItem(control, this,
                            {"actSwapWindow", "Swap window", QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(swap, &QAction::triggered, this, &TForm1::swapWindow);

    QMenu* help = bar->addMenu("&Help");
    addItem(help, this, {"actHelpOnMouseMove", "Help on MouseMove", QKeySequence(Qt::Key_F1)});
    QAction* cz = addItem(help, this, {"actCzHelp", "CZ help", QKeySequence()});
    cz->setCheckable(true);
    cz->setChecked(ws_.settings.czechHelp());
    connect(cz, &QAction::toggled, this,
            [this](bool on) { ws_.settings.HelpLanguage = on ? "CZ" : "EN"; });
    // "About" does nothing.
    addItem(help, this, {"actAbout", "About", QKeySequence()});
}

} // namespace mv
