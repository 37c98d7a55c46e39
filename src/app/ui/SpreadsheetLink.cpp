#include "app/ui/SpreadsheetLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "evaluation/ui/WorkbooksWindow.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>

namespace mv {

SpreadsheetLink::SpreadsheetLink(TForm1& form, Workspace& ws)
    : QObject(&form), form_(form), ws_(ws) {
    form_.onCommand(Cmd::Workbooks, [this] { showWorkbooks(); });
    form_.setTopicsUpdater([this] { rescan(); });
    // Only the user's choice sets the output sheet; filling the list does not.
    connect(form_.controlPanel()->excelOutCombo, &QComboBox::textActivated, this,
            [this](const QString& entry) { chooseOutputSheet(entry); });
    form_.addCloseCheck([this] { return confirmClose(); });
    askUnsaved = [this](const QStringList& names) {
        // A screenshot run has nobody to ask; it must neither hang on the question nor
        // write what it did to the workbooks over the user's files.
        if (form_.startOptions().unattended()) {
            form_.log().warn("Closing unattended: the changes of " +
                             names.join(", ").toStdString() + " are not saved");
            return Answer::Discard;
        }
        const auto b = QMessageBox::question(
            &form_, "Unsaved workbooks",
            "These workbooks have changes that are not saved:\n  " + names.join("\n  ") +
                "\n\nSave them before closing?",
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        return b == QMessageBox::Save      ? Answer::Save
               : b == QMessageBox::Discard ? Answer::Discard
                                           : Answer::Cancel;
    };
}

WorkbooksWindow* SpreadsheetLink::showWorkbooks() {
    if (!window_) {
        window_ = new WorkbooksWindow(ws_.spreadsheet, ws_.decimalSeparator, ws_.actualDir,
                                      form_.log(), &form_);
        window_->setWindowFlag(Qt::Window);
        window_->setWindowTitle("Workbooks");
        window_->resize(1000, 700);
        connect(window_, &WorkbooksWindow::workbooksChanged, this, [this] {
            form_.requestTopicsUpdate();
            rescan();
        });
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return window_;
}

void SpreadsheetLink::rescan() {
    QComboBox* combo = form_.controlPanel()->excelOutCombo;
    const QString chosen = combo->currentText();
    // Red while the list is being rebuilt.
    QPalette red = combo->palette();
    red.setColor(QPalette::Base, QColor(255, 0, 0));
    red.setColor(QPalette::Button, QColor(255, 0, 0));
    combo->setPalette(red);
    combo->clear();
    const RescanResult r = ExcelTopicsUpdate(ws_.spreadsheet, ws_.sheets);
    writeLines(form_.log(), r.lines);
    for (const std::string& e : r.outputSheets)
        combo->addItem(QString::fromStdString(e));
    combo->setCurrentIndex(combo->findText(chosen));
    combo->setPalette(QPalette());
    emit rescanned(r);
}

void SpreadsheetLink::chooseOutputSheet(const QString& entry) {
    // A name that no longer leads to a sheet leaves the output sheet as it was.
    form_.runCommand(
        [&] { ws_.sheets.OutputSheet = sheetOfEntry(ws_.spreadsheet, entry.toStdString()); });
}

bool SpreadsheetLink::confirmClose() {
    QStringList unsaved;
    std::vector<WorkbookId> ids;
    for (WorkbookId id : ws_.spreadsheet.workbookIds()) {
        if (!ws_.spreadsheet.workbook(id).saved()) {
            unsaved << QString::fromStdString(ws_.spreadsheet.workbook(id).name());
            ids.push_back(id);
        }
    }
    if (unsaved.isEmpty())
        return true;
    switch (askUnsaved(unsaved)) {
    case Answer::Discard:
        return true;
    case Answer::Cancel:
        return false;
    case Answer::Save:
        break;
    }
    for (WorkbookId id : ids) {
        Workbook& book = ws_.spreadsheet.workbook(id);
        if (!book.hasFile()) {
            // A new workbook needs a name: let the user give it in the Workbooks window.
            WorkbooksWindow* w = showWorkbooks();
            w->showWorkbook(id);
            if (!w->saveCurrentAs())
                return false;
            continue;
        }
        try {
            ws_.spreadsheet.save(id);
        } catch (const std::exception& e) {
            form_.log().warn(e.what());
            QMessageBox::warning(&form_, "Workbook not saved",
                                 QString::fromUtf8(e.what()) +
                                     "\n\nThe program stays open so nothing is lost.");
            return false;
        }
    }
    return true;
}

} // namespace mv
