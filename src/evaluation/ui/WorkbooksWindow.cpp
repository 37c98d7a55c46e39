#include "evaluation/ui/WorkbooksWindow.h"

#include "evaluation/ui/SheetModel.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace mv {

WorkbooksWindow::WorkbooksWindow(SpreadsheetApp& spreadsheet, const char& decimalSeparator,
                                 const std::string& actualDir, Log& log, QWidget* parent)
    : QWidget(parent, Qt::Window), spreadsheet_(spreadsheet), decimalSeparator_(decimalSeparator),
      actualDir_(actualDir), log_(log) {
    setWindowTitle(tr("Workbooks"));
    resize(1000, 640);

    askUnsaved = [this](const QString& name) {
        const auto b = QMessageBox::question(
            this, tr("Workbooks"),
            tr("Workbook %1 has changes that are not saved.\nSave them before closing?").arg(name),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        return b == QMessageBox::Save      ? UnsavedAnswer::Save
               : b == QMessageBox::Discard ? UnsavedAnswer::Discard
                                           : UnsavedAnswer::Cancel;
    };
    askSaveName = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, tr("Save workbook as"), suggested,
                                            tr("Excel workbooks (*.xlsx)"));
    };
    askSheetName = [this](const QString& title, const QString& suggested) {
        bool ok = false;
        const QString name = QInputDialog::getText(this, title, tr("Sheet name:"),
                                                   QLineEdit::Normal, suggested, &ok);
        return ok ? name : QString();
    };

    confirm = [this](const QString& question) {
        return QMessageBox::question(this, tr("Workbooks"), question) == QMessageBox::Yes;
    };
    showError = [this](const QString& text) { QMessageBox::warning(this, tr("Workbooks"), text); };

    auto* bar = new QToolBar(this);
    auto add = [&](const QString& text, const QKeySequence& key, auto slot, bool needsBook) {
        QAction* a = bar->addAction(text, this, slot);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
        if (needsBook)
            bookActions_.append(a);
        return a;
    };
    add(tr("Open..."), QKeySequence::Open, &WorkbooksWindow::openDialog, false);
    add(tr("New"), QKeySequence::New, &WorkbooksWindow::newWorkbook, false);
    add(tr("Save"), QKeySequence::Save, &WorkbooksWindow::saveCurrent, true);
    add(tr("Save As..."), QKeySequence::SaveAs, &WorkbooksWindow::saveCurrentAs, true);
    add(tr("Close"), QKeySequence(), &WorkbooksWindow::closeCurrent, true);
    bar->addSeparator();
    add(tr("Add sheet"), QKeySequence(), &WorkbooksWindow::addSheet, true);
    add(tr("Rename sheet..."), QKeySequence(), &WorkbooksWindow::renameSheet, true);
    add(tr("Delete sheet"), QKeySequence(), &WorkbooksWindow::deleteSheet, true);
    bar->addSeparator();
    add(tr("Bold"), QKeySequence::Bold, &WorkbooksWindow::toggleBold, true);

    books_ = new QListWidget(this);
    names_ = new QListWidget(this);
    names_->setToolTip(
        tr("Defined names of the workbook: name, scope and the cells they point at"));
    tabs_ = new QTabBar(this);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setExpanding(false);
    grid_ = new QTableView(this);
    model_ = new SheetModel(spreadsheet_, log_, decimalSeparator_, this);
    grid_->setModel(model_);
    grid_->horizontalHeader()->setDefaultSectionSize(80);
    grid_->verticalHeader()->setDefaultSectionSize(22);
    status_ = new QLabel(this);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(tr("Open workbooks"), left));
    leftLayout->addWidget(books_, 2);
    leftLayout->addWidget(new QLabel(tr("Defined names"), left));
    leftLayout->addWidget(names_, 1);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(grid_, 1);
    rightLayout->addWidget(tabs_);
    auto* split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(split, 1);
    layout->addWidget(status_);

    connect(books_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_ || row < 0)
            return;
        showWorkbook(books_->item(row)->data(Qt::UserRole).toULongLong());
    });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (refreshing_ || index < 0 || !current_)
            return;
        model_->setSheet(spreadsheet_.sheetAt(current_, index));
    });
    connect(tabs_, &QTabBar::tabBarDoubleClicked, this, [this](int) { renameSheet(); });
    connect(model_, &SheetModel::edited, this, [this] {
        // The unsaved mark in the list.
        refreshing_ = true;
        for (int i = 0; i < books_->count(); ++i) {
            const WorkbookId id = books_->item(i)->data(Qt::UserRole).toULongLong();
            if (spreadsheet_.isOpen(id)) {
                const Workbook& wb = spreadsheet_.workbook(id);
                books_->item(i)->setText(QString::fromStdString(wb.name()) +
                                         (wb.saved() ? "" : " *"));
            }
        }
        refreshing_ = false;
    });
    refresh();
}

bool WorkbooksWindow::guard(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        log_.warn(e.what());
        showError(QString::fromStdString(e.what()));
        return false;
    }
}

SheetHandle WorkbooksWindow::currentSheet() const {
    return model_->sheet();
}

void WorkbooksWindow::showEvent(QShowEvent* e) {
    refresh();
    QWidget::showEvent(e);
}

void WorkbooksWindow::refresh() {
    SpreadsheetApp& app = spreadsheet_;
    refreshing_ = true;
    if (current_ && !app.isOpen(current_))
        current_ = 0;
    const auto ids = app.workbookIds();
    if (!current_ && !ids.empty())
        current_ = ids.front();
    books_->clear();
    for (WorkbookId id : ids) {
        const Workbook& wb = app.workbook(id);
        auto* item =
            new QListWidgetItem(QString::fromStdString(wb.name()) + (wb.saved() ? "" : " *"));
        item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(id));
        item->setToolTip(QString::fromStdString(wb.hasFile() ? wb.fullName()
                                                             : tr("not saved yet").toStdString()));
        books_->addItem(item);
        if (id == current_)
            books_->setCurrentItem(item);
    }
    // Tabs of the current workbook; keep the sheet shown when it still exists.
    SheetHandle shown = model_->sheet();
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    int select = 0;
    if (current_) {
        const Workbook& wb = app.workbook(current_);
        for (int i = 0; i < wb.sheetCount(); ++i) {
            tabs_->addTab(QString::fromStdString(wb.sheet(i).name()));
            if (shown.workbook == current_ && wb.sheet(i).id() == shown.sheet)
                select = i;
        }
        tabs_->setCurrentIndex(select);
    }
    refreshing_ = false;
    model_->setSheet(current_ ? app.sheetAt(current_, select) : SheetHandle{});
    refreshNames();
    updateActions();
}

void WorkbooksWindow::refreshNames() {
    names_->clear();
    if (!current_)
        return;
    const Workbook& wb = spreadsheet_.workbook(current_);
    for (const auto& n : wb.names()) {
        const std::string scope = wb.nameScopeText(n);
        names_->addItem(QString::fromStdString(n.name + (scope.empty() ? "" : " (" + scope + ")") +
                                               "  =  " + n.formula));
    }
}

void WorkbooksWindow::updateActions() {
    for (QAction* a : bookActions_)
        a->setEnabled(current_ != 0);
    if (!current_) {
        status_->setText(tr("No workbook is open"));
        return;
    }
    const Workbook& wb = spreadsheet_.workbook(current_);
    status_->setText(QString::fromStdString(wb.hasFile() ? wb.fullName() : wb.name()));
}

void WorkbooksWindow::showWorkbook(WorkbookId id, int sheetIndex) {
    if (!spreadsheet_.isOpen(id))
        return;
    current_ = id;
    const Workbook& wb = spreadsheet_.workbook(id);
    sheetIndex = std::clamp(sheetIndex, 0, wb.sheetCount() - 1);
    model_->setSheet(spreadsheet_.sheetAt(id, sheetIndex));
    refresh();
}

void WorkbooksWindow::openDialog() {
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Open workbooks"),
                                                            QString::fromStdString(actualDir_),
                                                            tr("Excel workbooks (*.xlsx)"));
    openFiles(files);
}

int WorkbooksWindow::openFiles(const QStringList& paths) {
    int opened = 0;
    WorkbookId last = 0;
    for (const QString& p : paths) {
        try {
            last = spreadsheet_.open(p.toStdString());
            ++opened;
            log_.info("Workbook opened: " + p.toStdString());
        } catch (const std::exception& e) {
            log_.warn(e.what());
        }
    }
    if (last)
        showWorkbook(last);
    if (opened > 0)
        emit workbooksChanged();
    return opened;
}

void WorkbooksWindow::newWorkbook() {
    const WorkbookId id = spreadsheet_.newWorkbook();
    showWorkbook(id);
    emit workbooksChanged();
}

bool WorkbooksWindow::saveCurrent() {
    if (!current_)
        return false;
    if (!spreadsheet_.workbook(current_).hasFile())
        return saveCurrentAs();
    const bool ok = guard([&] { spreadsheet_.save(current_); });
    refresh();
    return ok;
}

bool WorkbooksWindow::saveCurrentAs() {
    if (!current_)
        return false;
    const Workbook& wb = spreadsheet_.workbook(current_);
    QString suggested = QString::fromStdString(wb.hasFile() ? wb.fullName() : wb.name() + ".xlsx");
    QString path = askSaveName(suggested);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += ".xlsx";
    const bool ok = guard([&] { spreadsheet_.saveAs(current_, path.toStdString()); });
    refresh();
    if (ok)
        emit workbooksChanged(); // the workbook's name changed
    return ok;
}

bool WorkbooksWindow::closeCurrent() {
    if (!current_)
        return false;
    const Workbook& wb = spreadsheet_.workbook(current_);
    if (!wb.saved()) {
        switch (askUnsaved(QString::fromStdString(wb.name()))) {
        case UnsavedAnswer::Cancel:
            return false;
        case UnsavedAnswer::Save:
            if (!saveCurrent())
                return false; // the workbook stays open with its changes
            break;
        case UnsavedAnswer::Discard:
            break;
        }
    }
    const WorkbookId id = current_;
    spreadsheet_.close(id);
    current_ = 0;
    model_->setSheet({});
    refresh();
    emit workbooksChanged();
    return true;
}

void WorkbooksWindow::addSheet() {
    if (!current_)
        return;
    const Workbook& wb = spreadsheet_.workbook(current_);
    QString suggested;
    for (int n = wb.sheetCount() + 1; suggested.isEmpty(); ++n)
        if (!const_cast<Workbook&>(wb).findSheet("Sheet" + std::to_string(n)))
            suggested = QString("Sheet%1").arg(n);
    const QString name = askSheetName(tr("Add sheet"), suggested);
    if (name.isEmpty())
        return;
    SheetHandle h;
    if (!guard([&] { h = spreadsheet_.addSheet(current_, name.toStdString()); }))
        return;
    showWorkbook(current_, spreadsheet_.workbook(current_).sheetCount() - 1);
    emit workbooksChanged();
}

void WorkbooksWindow::renameSheet() {
    const SheetHandle h = currentSheet();
    if (!h.isSet() || !spreadsheet_.isOpen(h))
        return;
    const QString name =
        askSheetName(tr("Rename sheet"), QString::fromStdString(spreadsheet_.sheetName(h)));
    if (name.isEmpty() || !guard([&] { spreadsheet_.renameSheet(h, name.toStdString()); }))
        return;
    refresh();
    emit workbooksChanged();
}

void WorkbooksWindow::deleteSheet() {
    const SheetHandle h = currentSheet();
    if (!h.isSet() || !spreadsheet_.isOpen(h))
        return;
    const int index = tabs_->currentIndex();
    const QString name = QString::fromStdString(spreadsheet_.sheetName(h));
    if (!confirm(tr("Delete sheet %1 with everything on it?").arg(name)))
        return;
    if (!guard([&] { spreadsheet_.deleteSheet(h); }))
        return;
    showWorkbook(current_, std::max(0, index - 1));
    emit workbooksChanged();
}

void WorkbooksWindow::toggleBold() {
    const SheetHandle h = currentSheet();
    const QModelIndex cur = grid_->currentIndex();
    if (!h.isSet() || !cur.isValid())
        return;
    // The current cell always belongs to what Ctrl+B changes.
    QModelIndexList cells = grid_->selectionModel()->selectedIndexes();
    if (!cells.contains(cur))
        cells.append(cur);
    const bool bold = !spreadsheet_.bold(h, cur.row() + 1, cur.column() + 1);
    model_->setBold(cells, bold);
}

} // namespace mv
