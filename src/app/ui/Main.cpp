#include "app/ui/Main.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Splash.h"
#include "app/ui/ToolPages.h"
#include "core/Errors.h"
#include "core/LogFormat.h"
#include "core/TextNumbers.h"
#include "core/Version.h"
#include "core/WindowFit.h"
#include "core/ui/Caption.h"
#include "core/ui/LogPane.h"
#include "core/ui/QtSettingsBackend.h"
#include "core/ui/SignalGrid.h"
#include "core/ui/StatusProgress.h"
#include "widgets/ui/MV_Komp.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace mv {

TForm1::TForm1(Workspace& ws, const StartOptions& options, Splash* splash, QWidget* parent)
    : QMainWindow(parent), ws_(ws), options_(options), splash_(splash) {
    setObjectName("Form1");
    settings_ = std::make_unique<QtSettingsBackend>(
        options_.settingsPath.isEmpty() ? defaultSettingsPath() : options_.settingsPath);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    panel_ = new ControlPanel(central);
    column->addWidget(panel_);
    mainArea_ = new QWidget(central);
    mainArea_->setObjectName("MainArea");
    auto* areaLayout = new QVBoxLayout(mainArea_);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->setSpacing(0);
    column->addWidget(mainArea_, 1);
    setCentralWidget(central);

    const int widths[3] = {800, 500, 100};
    for (int i = 0; i < 3; ++i) {
        status_[i] = new QLabel(this);
        status_[i]->setObjectName(QString("StatusPanel%1").arg(i));
        status_[i]->setFixedWidth(widths[i]);
        statusBar()->addWidget(status_[i]);
    }
    progress_ = new StatusProgress(statusBar());
    resize(1584, 659 + 150);
    FormCreate();
}

TForm1::~TForm1() = default;

Log& TForm1::log() {
    return *panel_->log;
}
LogPane* TForm1::logPane() const {
    return panel_->log;
}

void TForm1::onCommand(Cmd c, std::function<void()> handler) {
    connect(action(c), &QAction::triggered, this,
            [this, h = std::move(handler)] { runCommand(h); });
}

bool TForm1::runCommand(const std::function<void()>& body) {
    QString text;
    try {
        body();
        return true;
    } catch (const Error& e) {
        text = QString::fromUtf8(e.what());
    } catch (const std::bad_alloc&) {
        text = "Not enough memory for this command.";
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    }
    // Whatever the command left behind (a wait cursor) goes with it; the help cursor below
    // belongs to help mode, not to the command.
    while (QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() != Qt::WhatsThisCursor)
        QApplication::restoreOverrideCursor();
    log().warn(text.toStdString());
    if (showError_)
        showError_(text);
    else if (options_.unattended())
        std::fprintf(stderr, "mvtervik: %s\n", qPrintable(text));
    else
        QMessageBox::critical(this, QString(kAppTitle), text);
    return false;
}

bool TForm1::confirm(const QString& question) {
    if (confirm_)
        return confirm_(question);
    if (options_.unattended())
        return true;
    return QMessageBox::question(this, QString(kAppTitle), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void TForm1::showActualDir(const QString& dir) {
    setWindowTitle("MVtervik - " + dir);
}

void TForm1::setStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < 3)
        status_[panel]->setText(text);
}

QString TForm1::statusText(int panel) const {
    return panel >= 0 && panel < 3 ? status_[panel]->text() : QString();
}

void TForm1::FormCreate() {
    // Settings and the texts written by this program use '.', whatever the user's locale.
    // Our parsers never depend on the C locale, so nothing has to be switched here.
    topicsNeedUpdate_ = true;
    qApp->installEventFilter(this);

    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QDateTime stamp = exe.lastModified();
    const QLocale loc = QLocale::system();
    log().info(versionLogLine(loc.toString(stamp.date(), QLocale::ShortFormat).toStdString(),
                              loc.toString(stamp.time(), QLocale::ShortFormat).toStdString()));

    // The embedded workbook engine is always there: the output sheet list is usable.
    panel_->excelOutCombo->setEnabled(true);

    buildMenus();
    buildBulkPage();

    readMainAtCreate(*settings_, ws_.settings);
    // A demo session works in the demo folder without replacing the user's own choice.
    storedDestination_ = ws_.settings.DestinationPath;
    if (!options_.demoDir.isEmpty())
        ws_.settings.DestinationPath = options_.demoDir.toStdString();
    setActualDirectory();
    action(Cmd::CzHelp)->setChecked(ws_.settings.czechHelp());

    panel_->fProcessEdit->setDecimalSeparator(ws_.decimalSeparator);
    panel_->fProcessEdit->setValueText(
        QString::fromStdString(formatFloatFull(ws_.settings.dfltSampl_f)));
    // A text that is no rate keeps the edit red and the last valid rate in force; the
    // user sees it and corrects it rather than finding it silently put back.
    connect(panel_->fProcessEdit, &TNumberEdit::numberChanged, this, [this] {
        double v = 0;
        if (panel_->fProcess(v))
            ws_.settings.dfltSampl_f = v;
    });
    const int page = std::clamp(ws_.settings.ActivePageIndex, 0, ToolPages::kPageCount - 1);
    connect(panel_->pages, &QTabWidget::currentChanged, this, &TForm1::onPageChanged);
    panel_->pages->setCurrentIndex(page);
    onPageChanged(page);
    if (auto* cb = findChild<QCheckBox*>("BackupExportSignalUpCheckBox"))
        cb->setChecked(ws_.settings.CreateSignalBackUp);
    if (auto* cb = findChild<QCheckBox*>("KeepNameCheckBox"))
        cb->setChecked(ws_.settings.KeepOrigSigName);
    panel_->fillSigNo->setValue(std::clamp(ws_.settings.FillSigNo, 0, 200));
    panel_->fillValue->setText(QString::fromStdString(formatFixed(ws_.settings.FillSigValue, 4)));
    panel_->setLoadFormatIndex(ws_.settings.LoadFileFormat);
    panel_->setSaveFormatIndex(ws_.settings.SaveFileFormat);
    connect(panel_->loadFormat, &QButtonGroup::idClicked, this,
            [this](int id) { ws_.settings.LoadFileFormat = id; });
    connect(panel_->saveFormat, &QButtonGroup::idClicked, this,
            [this](int id) { ws_.settings.SaveFileFormat = id; });

    for (const auto& h : createHooks_)
        if (h.read)
            h.read(*settings_);

    log().info("DeviceFunc  continual QYTL_Q3");
}

void TForm1::setActualDirectory() {
    QString dir = QString::fromStdString(ws_.settings.DestinationPath);
    if (dir.isEmpty() || !QDir::setCurrent(dir)) {
        dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/";
        // Many Linux accounts have no documents folder; the home folder is the next best.
        if (!QDir::setCurrent(dir))
            dir = QDir::homePath() + "/";
        if (!QDir::setCurrent(dir))
            log().warn("Can not set current directory: " + dir.toStdString());
        ws_.settings.DestinationPath = dir.toStdString();
    }
    if (auto* edit = findChild<QLineEdit*>("DestinationBasePathEdit"))
        edit->setText(dir);
    ws_.actualDir = dir.toStdString();
    showActualDir(dir);
}

void TForm1::buildBulkPage() {
    QWidget* page = panel_->pages->page(ToolPages::BulkIdProcess);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(2);
    auto* fromLabel = new QLabel("From ID", page);
    fromLabel->setObjectName("FromIDLabel");
    auto* from = new QSpinBox(page);
    from->setObjectName("FromIDEdit");
    from->setRange(0, 999999);
    auto* toLabel = new QLabel("to", page);
    toLabel->setObjectName("ToIDLabel");
    auto* to = new QSpinBox(page);
    to->setObjectName("ToIDEdit");
    to->setRange(0, 999999);
    fromLabel->setBuddy(from);
    toLabel->setBuddy(to);
    grid->addWidget(fromLabel, 0, 0);
    grid->addWidget(from, 0, 1);
    grid->addWidget(toLabel, 0, 2);
    grid->addWidget(to, 0, 3);
    auto* evaLog = new QLabel(page);
    grid->addWidget(captionFor("EvaLog name", evaLog, page), 1, 0);
    evaLog->setObjectName("EvaLogNameLabel");
    grid->addWidget(evaLog, 1, 1, 1, 3);
    // The EvaLog's processing type; its tag 1 marks the full evaluation.
    auto* procType = new QLabel(page);
    procType->setObjectName("ProcTypeLabel");
    grid->addWidget(procType, 5, 0, 1, 4);
    auto* dest = new QLineEdit(page);
    grid->addWidget(captionFor("Destination base directory", dest, page), 2, 0, 1, 2);
    dest->setObjectName("DestinationBasePathEdit");
    grid->addWidget(dest, 3, 0, 1, 3);
    auto* destButton = new QPushButton("Destination base path...", page);
    destButton->setObjectName("SelectDestinationBasePathButton");
    grid->addWidget(destButton, 3, 3);
    // The run buttons on the right; BulkLink gives them their commands.
    auto* range = new QPushButton("Process ID: 1 to 1", page);
    range->setObjectName("ProcessFrom_To_IDButton");
    grid->addWidget(range, 0, 4, 1, 2);
    auto* one = new QPushButton("Process actual ID", page);
    one->setObjectName("ProcessOneIDButton");
    grid->addWidget(one, 1, 4, 1, 2);
    auto* prev = new QPushButton("Proc.prev ", page);
    prev->setObjectName("ProcPrevIDButton");
    grid->addWidget(prev, 2, 4);
    auto* next = new QPushButton("Proc.next", page);
    next->setObjectName("ProcNextIDButton");
    grid->addWidget(next, 2, 5);
    auto* saveProc = new QCheckBox("Save processed signals", page);
    saveProc->setObjectName("SaveProcSigCheckBox");
    saveProc->setChecked(true);
    grid->addWidget(saveProc, 3, 4, 1, 2);
    auto* info = new QLabel(page);
    info->setObjectName("ProcInfoLabel");
    grid->addWidget(info, 4, 4, 1, 2);
    auto* backup = new QCheckBox("Backup saved signals   *.*0", page);
    backup->setObjectName("BackupExportSignalUpCheckBox");
    grid->addWidget(backup, 4, 0, 1, 2);
    auto* keep = new QCheckBox("Keep signal name after FnProc", page);
    keep->setObjectName("KeepNameCheckBox");
    grid->addWidget(keep, 4, 2, 1, 2);
    connect(backup, &QCheckBox::toggled, this,
            [this](bool on) { ws_.settings.CreateSignalBackUp = on; });
    connect(keep, &QCheckBox::toggled, this,
            [this](bool on) { ws_.settings.KeepOrigSigName = on; });
    connect(from, &QSpinBox::valueChanged, this, [this](int v) { ws_.settings.FromID = v; });
    connect(to, &QSpinBox::valueChanged, this, [this](int v) { ws_.settings.ToID = v; });
    connect(dest, &QLineEdit::editingFinished, this,
            [this, dest] { ws_.settings.DestinationPath = dest->text().toStdString(); });
    grid->setRowStretch(6, 1);
}

void TForm1::onPageChanged(int index) {
    ws_.settings.ActivePageIndex = index;
    // Both commands that work over an ID range show the same two edits: they move to
    // "raw to QYTL" while it is active and back to "Bulk ID process" otherwise.
    QWidget* target = panel_->pages->page(index == ToolPages::RawToQytl ? ToolPages::RawToQytl
                                                                        : ToolPages::BulkIdProcess);
    const char* names[4] = {"FromIDLabel", "FromIDEdit", "ToIDLabel", "ToIDEdit"};
    int x = 4;
    for (const char* n : names) {
        QWidget* w = findChild<QWidget*>(n);
        if (!w || w->parentWidget() == target)
            continue;
        w->setParent(target);
        w->move(x, 4);
        x += w->sizeHint().width() + 4;
        w->show();
    }
    if (QWidget* p = panel_->pages->page(static_cast<ToolPages::Page>(index)))
        panel_->pages->setToolTip(p->toolTip());
    panel_->pages->tabBar()->update();
}

std::vector<MonitorRect> TForm1::monitorRects() const {
    std::vector<MonitorRect> rects;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        rects.push_back({g.left(), g.top(), g.width(), g.height()});
    }
    return rects;
}

std::vector<MonitorRect> TForm1::availableRects() const {
    std::vector<MonitorRect> rects;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->availableGeometry();
        rects.push_back({g.left(), g.top(), g.width(), g.height()});
    }
    return rects;
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        AppActivate();
    return QMainWindow::event(e);
}

void TForm1::ensureFirstActivation() {
    if (!activated_)
        AppActivate();
}

void TForm1::AppActivate() {
    if (closed_)
        return;
    if (!activated_) {
        activated_ = true;
        if (splash_) {
            splash_->hide();
            splash_->deleteLater();
            splash_ = nullptr;
        }
        WindowPosSettings w = readWindowPos(*settings_);
        const auto monitors = monitorRects();
        w.main = checkOnMonitors(w.main, monitors);
        fitLayoutHeights(w, ControlPanel::kHeight);
        // Placed by the stored rule, then shown within the screen's free area.
        WindowPosSettings shown = w;
        shown.main = fitOnMonitor(w.main, availableRects());
        w.scrMon = checkOnMonitors(w.scrMon, monitors);
        ws_.windowPos = w;
        setGeometry(shown.main.left, shown.main.top, shown.main.width, shown.main.height);
        if (monitors_)
            monitors_->setGeometry(w.scrMon.left, w.scrMon.top, w.scrMon.width, w.scrMon.height);

        readSlotSettings(*settings_, ws_.store);
        readMainAtActivation(*settings_, ws_.settings);
        if (auto* from = findChild<QSpinBox*>("FromIDEdit"))
            from->setValue(ws_.settings.FromID);
        if (auto* to = findChild<QSpinBox*>("ToIDEdit"))
            to->setValue(ws_.settings.ToID);
        for (const auto& h : activationHooks_)
            if (h.read)
                h.read(*settings_);
        for (const auto& t : backgroundTasks_)
            if (t.start)
                t.start();
        logPane()->viewport()->update();
        emit firstActivation();
        openStartFiles();
        startupDone_ = true;
    }
    // A workbook opened, closed or changed its sheets since the last scan.
    if (topicsNeedUpdate_ || ws_.sheets.UpdateTopics || ws_.spreadsheet.rescanDue()) {
        topicsNeedUpdate_ = false;
        if (topicsUpdater_)
            topicsUpdater_();
    }
}

void TForm1::openStartFiles() {
    // The workbooks first: the rescan that follows finds the Log and the EvaLog among them.
    for (const QString& book : options_.workbooks) {
        try {
            ws_.spreadsheet.open(book.toStdString());
            topicsNeedUpdate_ = true;
        } catch (const std::exception& e) {
            log().warn(std::string("Workbook not opened: ") + e.what());
        }
    }
    if (options_.files.isEmpty())
        return;
    if (!options_.loadFormat.isEmpty()) {
        const int f = loadFormatIndex(options_.loadFormat.toStdString());
        if (f < 0) {
            log().warn("Unknown load format \"" + options_.loadFormat.toStdString() +
                       "\"; the files were opened with the selected load format");
        } else {
            panel_->setLoadFormatIndex(f);
            ws_.settings.LoadFileFormat = f;
        }
    }
    if (openFiles_)
        openFiles_(options_.files, 1);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    // Hints go to the help pane, not to tooltips; a widget that explains its keys only
    // in a tooltip (the Signal table's header) says so with the property below.
    if (e->type() == QEvent::ToolTip) {
        const auto* w = qobject_cast<const QWidget*>(watched);
        return !(w && w->property(kKeepsToolTips).toBool());
    }
    // Ctrl with a digit of the numeric keypad is not a zoom shortcut: let it reach the
    // focused control as a plain key instead of matching Ctrl+digit.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->modifiers() & Qt::KeypadModifier) && (k->modifiers() & Qt::ControlModifier) &&
            k->key() >= Qt::Key_0 && k->key() <= Qt::Key_9) {
            e->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (!closed_) {
        for (const auto& check : closeChecks_) {
            if (!check()) {
                e->ignore();
                return;
            }
        }
        emit closing();
        FormClose();
    }
    e->accept();
}

void TForm1::FormClose() {
    closed_ = true;
    qApp->removeEventFilter(this);
    for (auto it = backgroundTasks_.rbegin(); it != backgroundTasks_.rend(); ++it)
        if (it->stop)
            it->stop();
    ws_.store.ClearSlot(0);

    // Keep what the user typed even when the edit still has the focus.
    double fp = 0;
    if (panel_->fProcess(fp))
        ws_.settings.dfltSampl_f = fp;
    ws_.settings.FillSigNo = panel_->fillSigNo->value();
    if (const auto fill = parseWholeFinite(trimBlanks(panel_->fillValue->text().toStdString())))
        ws_.settings.FillSigValue = *fill;
    if (auto* edit = findChild<QLineEdit*>("DestinationBasePathEdit"))
        ws_.settings.DestinationPath = edit->text().toStdString();
    if (!options_.demoDir.isEmpty() && ws_.settings.DestinationPath == ws_.actualDir)
        ws_.settings.DestinationPath = storedDestination_;
    ws_.settings.LoadFileFormat = panel_->loadFormatIndex();
    ws_.settings.SaveFileFormat = panel_->saveFormatIndex();
    writeMain(*settings_, ws_.settings);

    if (activated_) {
        const QRect g = geometry();
        ws_.windowPos.main = {g.left(), g.top(), g.width(), g.height()};
        if (monitors_) {
            const QRect m = monitors_->geometry();
            ws_.windowPos.scrMon = {m.left(), m.top(), m.width(), m.height()};
        }
        writeWindowPos(*settings_, ws_.windowPos);
        writeSlotSettings(*settings_, ws_.store);
        for (const auto& h : activationHooks_)
            if (h.write)
                h.write(*settings_);
    }
    for (const auto& h : createHooks_)
        if (h.write)
            h.write(*settings_);
    if (!settings_->flush()) {
        const QString text = "The settings could not be written to " + settings_->path() +
                             ". Check that the folder exists and is writable.";
        // Screenshot mode runs unattended: a message box there would wait forever.
        if (!options_.unattended())
            QMessageBox::warning(this, QString(kAppTitle), text);
        else
            std::fprintf(stderr, "mvtervik: %s\n", qPrintable(text));
    }
}

bool TForm1::saveScreenshot(const QString& path) {
    return grab().save(path, "PNG");
}

void TForm1::swapWindow() {
    if (!isActiveWindow()) {
        show();
        raise();
        activateWindow();
        return;
    }
    if (!monitors_)
        return;
    if (monitors_->isMinimized())
        monitors_->showNormal();
    monitors_->show();
    monitors_->raise();
    monitors_->activateWindow();
}

} // namespace mv
