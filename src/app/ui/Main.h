#pragma once
// TForm1, the main window. It wires: the control panel, the tool pages, the main
// area (Signal table and graphs), the menus and the status bar; every command
// hands over to the engine or to the widget of its subsystem.
//
// Start-up runs in three steps: FormCreate (in the constructor), AppActivate at
// the first activation (window layout and per-slot settings), FormClose (settings
// written). Subsystems that keep settings or start background work plug into the
// named steps below.
#include "app/Workspace.h"
#include "app/ui/Commands.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace mv {

class ControlPanel;
class LogPane;
class QtSettingsBackend;
class StatusProgress;
class Splash;

struct StartOptions {
    QString settingsPath;   // --settings FILE; empty = the default INI file
    QString screenshotPath; // --screenshot FILE.png
    QString printPdfPath;   // --print-pdf FILE.pdf: the active graph printed, then exit
    // --replay T1 T2 --screenshot-monitors FILE.png: the polygraphs of the workbooks replay
    // T1..T2 in real time, then the Monitors window is grabbed and the program exits.
    QString monitorsScreenshotPath;
    double replayT1 = 0, replayT2 = 0;
    // Runs without anyone at the screen: no message box may wait for an answer.
    bool unattended() const {
        return !screenshotPath.isEmpty() || !printPdfPath.isEmpty() ||
               !monitorsScreenshotPath.isEmpty();
    }
    QString demoDir;       // --demo DIR: work in this directory for this session
    QString loadFormat;    // --format NAME
    QStringList files;     // signal files to open at start
    QStringList workbooks; // --workbook FILE (repeatable): workbooks to open at start
    // --track-subdir DIR: the track-information subfolder for this session only
    std::optional<QString> trackSubdir;
    // --help-target NAME: start in help mode with the help of the named control shown.
    QString helpTarget;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1(Workspace& ws, const StartOptions& options, Splash* splash = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    Workspace& workspace() { return ws_; }
    const StartOptions& startOptions() const { return options_; }
    Log& log();
    LogPane* logPane() const;
    ControlPanel* controlPanel() const { return panel_; }
    // The area below the control panel that holds the Signal table and the graphs.
    QWidget* mainArea() const { return mainArea_; }
    // The action of a command; every command has one once the window exists.
    QAction* action(Cmd c) const { return actions_[static_cast<int>(c)]; }
    // Connects a handler to a command. It runs through runCommand, like every command.
    void onCommand(Cmd c, std::function<void()> handler);
    // The one command path: runs `body`, and when it throws, logs the error's text and
    // shows it (showError), so the command ends and the application goes on. Returns
    // false when the command ended with an error. Buttons and keys of the subsystems'
    // widgets run through it as well.
    bool runCommand(const std::function<void()>& body);
    // How an error of a command is shown; by default a message box (on stderr in
    // screenshot mode, which runs unattended). Tests put their own here.
    void setErrorDisplay(std::function<void(const QString&)> show) { showError_ = std::move(show); }
    // Asks a yes/no question whose safe answer is No (the default button, so Enter keeps
    // what the user has). Screenshot mode runs unattended and answers Yes. Tests put
    // their own answer here.
    bool confirm(const QString& question);
    void setConfirm(std::function<bool(const QString&)> ask) { confirm_ = std::move(ask); }
    // The caption: the program and the actual directory.
    void showActualDir(const QString& dir);
    // File -> "Recent files"; the main view fills it.
    QMenu* recentFilesMenu() const { return recentMenu_; }
    // Status bar panels 0..2 (800, 500 and 100 pixels wide).
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;
    // The progress of long commands, shown in the status bar; Esc cancels.
    StatusProgress& progress() { return *progress_; }
    // The "Monitors" window, brought forward by "Swap window".
    QWidget* monitors() const { return monitors_; }
    void setMonitors(QWidget* m) { monitors_ = m; }
    bool firstActivationDone() const { return activated_; }
    // The first activation has run to its end, start files included.
    bool startupDone() const { return startupDone_; }

    // Called at the matching step of start-up and shutdown, in registration order.
    struct SettingsHook {
        std::function<void(const SettingsBackend&)> read;
        std::function<void(SettingsBackend&)> write;
    };
    void addCreateHook(SettingsHook h) { createHooks_.push_back(std::move(h)); }
    void addActivationHook(SettingsHook h) { activationHooks_.push_back(std::move(h)); }
    // Background work started at the first activation and stopped first thing at close
    // (the Monitors graph thread and replay clock).
    void addBackgroundTask(std::function<void()> start, std::function<void()> stop) {
        backgroundTasks_.push_back({std::move(start), std::move(stop)});
    }
    // Rescan of the open workbooks, run at the first activation and at any later
    // activation after requestTopicsUpdate().
    void setTopicsUpdater(std::function<void()> f) { topicsUpdater_ = std::move(f); }
    void requestTopicsUpdate() { topicsNeedUpdate_ = true; }
    // Opens files into slots from `slot` on with the selected load format and returns the
    // number of slots filled. The main view provides it; start files go through it.
    void setFileOpener(std::function<int(const QStringList& files, int slot)> open) {
        openFiles_ = std::move(open);
    }
    // Asked before the window closes; false keeps it open (unsaved work the user wants
    // to keep). Every registered check must agree.
    void addCloseCheck(std::function<bool()> check) { closeChecks_.push_back(std::move(check)); }

    // Help -> "About": the program's name, version and licence.
    static QString aboutText();

    // Runs the first activation now if the platform did not activate the window.
    void ensureFirstActivation();
    // Grabs the window into a PNG; false when the file could not be written.
    bool saveScreenshot(const QString& path);

signals:
    void firstActivation();
    void closing();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    void AppActivate();
    void FormClose();
    void buildMenus();
    void buildBulkPage();
    void onPageChanged(int index);
    void setActualDirectory();
    void swapWindow();
    void showAbout();
    void openStartFiles();
    QAction* makeAction(Cmd c, const QString& text, const QList<QKeySequence>& keys,
                        Qt::ShortcutContext context);
    std::vector<MonitorRect> monitorRects() const;
    std::vector<MonitorRect> availableRects() const;

    Workspace& ws_;
    StartOptions options_;
    std::string storedDestination_;
    Splash* splash_;
    std::unique_ptr<QtSettingsBackend> settings_;
    ControlPanel* panel_ = nullptr;
    QWidget* mainArea_ = nullptr;
    QLabel* status_[3] = {};
    StatusProgress* progress_ = nullptr;
    QWidget* monitors_ = nullptr;
    bool activated_ = false;
    bool closed_ = false;
    bool startupDone_ = false;
    bool topicsNeedUpdate_ = false;
    std::vector<SettingsHook> createHooks_;
    std::vector<SettingsHook> activationHooks_;
    struct BackgroundTask {
        std::function<void()> start, stop;
    };
    std::vector<BackgroundTask> backgroundTasks_;
    std::function<void()> topicsUpdater_;
    std::vector<std::function<bool()>> closeChecks_;
    std::function<int(const QStringList&, int)> openFiles_;
    std::function<void(const QString&)> showError_;
    std::function<bool(const QString&)> confirm_;
    QMenu* recentMenu_ = nullptr;
    std::array<QAction*, kCmdCount> actions_{};
};

} // namespace mv
