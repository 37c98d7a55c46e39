// The menus of the main window. Every item is the QAction of one typed command; the
// subsystem that carries a command out connects to it through TForm1::onCommand.
#include "app/ui/Commands.h"
#include "app/ui/Main.h"
#include "core/Version.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <array>
#include <cstdio>
#include <string>

namespace mv {

std::string_view cmdObjectName(Cmd c) {
    static const std::array<std::string, kCmdCount> names = [] {
        std::array<std::string, kCmdCount> n;
        const auto set = [&n](Cmd c, const char* s) { n[static_cast<int>(c)] = s; };
        set(Cmd::OpenSignal, "actOpenSignal");
        set(Cmd::CloseAllSignals, "actCloseAllSignals");
        set(Cmd::SaveSignals, "actSaveSignals");
        set(Cmd::Workbooks, "actWorkbooks");
        set(Cmd::Preview, "actPreview");
        set(Cmd::Print, "actPrint");
        set(Cmd::PrintSetup, "actPrintSetup");
        set(Cmd::ExportGraph, "actExportGraph");
        set(Cmd::Exit, "actExit");
        set(Cmd::IncTestId, "actIncTestId");
        set(Cmd::DecTestId, "actDecTestId");
        set(Cmd::OpenActualId, "actOpenActualId");
        set(Cmd::DeleteAllFunctions, "actDeleteAllFunctions");
        set(Cmd::CopyGraph, "actCopyGraph");
        set(Cmd::ZoomAll, "actZoomAll");
        set(Cmd::SwapZoom, "actSwapZoom");
        for (int k = 1; k <= 10; ++k) {
            n[static_cast<int>(showZoomCmd(k))] = "actShowZoom" + std::to_string(k);
            n[static_cast<int>(setZoomCmd(k))] = "actSetZoom" + std::to_string(k);
        }
        set(Cmd::ValueZoomIn, "actValueZoomIn");
        set(Cmd::ValueZoomOut, "actValueZoomOut");
        set(Cmd::AutoscaleValues, "actAutoscaleValues");
        set(Cmd::ProcessFnUp, "actProcessFnUp");
        set(Cmd::ProcessFnDown, "actProcessFnDown");
        set(Cmd::FillValue, "actFillValue");
        set(Cmd::SwapActiveGraph, "actSwapActiveGraph");
        set(Cmd::SwapWindow, "actSwapWindow");
        set(Cmd::HelpOnMouseMove, "actHelpOnMouseMove");
        set(Cmd::CzHelp, "actCzHelp");
        set(Cmd::About, "actAbout");
        return n;
    }();
    const int i = static_cast<int>(c);
    return i >= 0 && i < kCmdCount ? std::string_view(names[i]) : std::string_view();
}

QAction* TForm1::makeAction(Cmd c, const QString& text, const QList<QKeySequence>& keys,
                            Qt::ShortcutContext context) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromUtf8(cmdObjectName(c).data(), int(cmdObjectName(c).size())));
    a->setShortcuts(keys);
    a->setShortcutContext(context);
    actions_[static_cast<int>(c)] = a;
    return a;
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    // The keys of the menus are live while this window is active, so that a grid focused in
    // another window (the Monitors window's Ctrl+Enter) keeps its keys.
    const auto items = [this](QMenu* menu, Cmd c, const char* text, QList<QKeySequence> keys,
                              Qt::ShortcutContext context = Qt::WindowShortcut) {
        QAction* a = makeAction(c, text, keys, context);
        menu->addAction(a);
        return a;
    };
    const auto item = [&items](QMenu* menu, Cmd c, const char* text, QKeySequence key = {}) {
        QList<QKeySequence> keys;
        if (!key.isEmpty())
            keys << key;
        return items(menu, c, text, keys);
    };

    QMenu* file = bar->addMenu("&File");
    item(file, Cmd::OpenSignal, "&Open signal...", QKeySequence(Qt::CTRL | Qt::Key_O));
    recentMenu_ = file->addMenu("Recent files");
    recentMenu_->setObjectName("RecentFilesMenu");
    // The graphs' "Save signals to ..." where a new user looks for it first.
    item(file, Cmd::SaveSignals, "&Save signals to ...");
    item(file, Cmd::CloseAllSignals, "Close all signals", QKeySequence(Qt::CTRL | Qt::Key_D));
    file->addSeparator();
    item(file, Cmd::Workbooks, "&Workbooks...");
    file->addSeparator();
    item(file, Cmd::Preview, "Preview", QKeySequence(Qt::CTRL | Qt::Key_U));
    item(file, Cmd::Print, "&Print", QKeySequence(Qt::CTRL | Qt::Key_P));
    item(file, Cmd::PrintSetup, "P&rint Setup...");
    item(file, Cmd::ExportGraph, "&Export graph...");
    file->addSeparator();
    item(file, Cmd::Exit, "E&xit");
    onCommand(Cmd::Exit, [this] { close(); });

    QMenu* edit = bar->addMenu("&Edit");
    item(edit, Cmd::IncTestId, "Inc Test ID",
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)));
    item(edit, Cmd::DecTestId, "Dec Test ID",
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)));
    // Enter of the main keyboard or of the numeric keypad.
    items(edit, Cmd::OpenActualId, "Open acual ID",
          {QKeySequence(Qt::CTRL | Qt::Key_Return),
           QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Enter))});
    item(edit, Cmd::DeleteAllFunctions, "Delete all functions");
    item(edit, Cmd::CopyGraph, "Copy &graph", QKeySequence(Qt::CTRL | Qt::Key_G));

    QMenu* zoom = bar->addMenu("Zoom");
    item(zoom, Cmd::ZoomAll, "Zoom all", QKeySequence(Qt::Key_F12));
    item(zoom, Cmd::SwapZoom, "Swap Zoom", QKeySequence(Qt::Key_F11));
    // Ctrl+A belongs to the tables (select all); F9 is free everywhere.
    item(zoom, Cmd::AutoscaleValues, "Autoscale values", QKeySequence(Qt::Key_F9));
    // Slots 1..9 and 10 ("zoom0") on the digit keys of the main keyboard.
    for (int k = 1; k <= 10; ++k) {
        const int digit = k % 10;
        QAction* a = makeAction(showZoomCmd(k), "Show zoom" + QString::number(digit),
                                {QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + digit))},
                                Qt::WindowShortcut);
        zoom->addAction(a);
    }
    // Ctrl+Shift+digit arrives as the shifted character on most layouts; match both.
    const Qt::Key shifted[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                 Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                 Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                 Qt::Key_ParenLeft};
    for (int k = 1; k <= 10; ++k) {
        const int digit = k % 10;
        QAction* a = makeAction(
            setZoomCmd(k), "Set zoom" + QString::number(digit),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | static_cast<Qt::Key>(Qt::Key_0 + digit)),
             QKeySequence(Qt::CTRL | Qt::SHIFT | shifted[digit])},
            Qt::WindowShortcut);
        zoom->addAction(a);
    }
    // Ctrl+Up / Ctrl+Down scale the active graph's values; the Signal table claims them
    // on a marked "f_export Hz" cell, so they are live only in this window.
    addAction(makeAction(Cmd::ValueZoomIn, "Value zoom in", {QKeySequence(Qt::CTRL | Qt::Key_Up)},
                         Qt::WindowShortcut));
    addAction(makeAction(Cmd::ValueZoomOut, "Value zoom out",
                         {QKeySequence(Qt::CTRL | Qt::Key_Down)}, Qt::WindowShortcut));

    QMenu* control = bar->addMenu("Control");
    item(control, Cmd::ProcessFnUp, "Process Fn Up", QKeySequence(Qt::CTRL | Qt::Key_R));
    item(control, Cmd::ProcessFnDown, "Process Fn Down", QKeySequence(Qt::CTRL | Qt::Key_T));
    item(control, Cmd::FillValue, "Fill value", QKeySequence(Qt::CTRL | Qt::Key_F));
    item(control, Cmd::SwapActiveGraph, "Swap active graph", QKeySequence(Qt::CTRL | Qt::Key_Tab));
    // "Swap window" brings this window back from the Monitors window, so its key works in
    // every window of the program.
    items(control, Cmd::SwapWindow, "Swap window", {QKeySequence(Qt::CTRL | Qt::Key_W)},
          Qt::ApplicationShortcut);
    onCommand(Cmd::SwapWindow, [this] { swapWindow(); });

    QMenu* help = bar->addMenu("&Help");
    // Help mode explains the Monitors window too, so F1 works there as well.
    items(help, Cmd::HelpOnMouseMove, "Help on MouseMove", {QKeySequence(Qt::Key_F1)},
          Qt::ApplicationShortcut);
    QAction* cz = item(help, Cmd::CzHelp, "CZ help");
    cz->setCheckable(true);
    cz->setChecked(ws_.settings.czechHelp());
    onCommand(Cmd::CzHelp,
              [this, cz] { ws_.settings.HelpLanguage = cz->isChecked() ? "CZ" : "EN"; });
    item(help, Cmd::About, "About");
    onCommand(Cmd::About, [this] { showAbout(); });
}

QString TForm1::aboutText() {
    return QString("%1\nVersion %2\n%3").arg(kProgramName, kVersion, kLicence);
}

void TForm1::showAbout() {
    if (options_.unattended()) {
        std::fprintf(stderr, "%s\n", qPrintable(aboutText()));
        return;
    }
    QMessageBox::about(this, QString("About ") + kProgramName, aboutText());
}

} // namespace mv
