#pragma once
// The "Bulk ID process" page: the four run buttons, "Save processed signals", the
// destination folder, and a run of the EvaLog over Test IDs on the window's own
// workspace, so the user sees each test's signals as it is done.
#include "app/Workspace.h"
#include "evaluation/Bulk.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace mv {

class TForm1;
class MainView;
class SpreadsheetLink;

class BulkLink final : public QObject {
    Q_OBJECT
public:
    BulkLink(TForm1& form, Workspace& ws, MainView& view, SpreadsheetLink& sheets);

    // Runs Test IDs from..to through the one command path; false when it ended with an error.
    bool run(int from, int to);
    // The options the page and the settings give now.
    BulkOptions options() const;
    // Enables the four buttons while the Log, PARAM and EvaLog sheets are known, and
    // renews the range button's caption.
    void updateButtons();
    // Only for tests: replaces the folder dialog of "Destination base path...".
    std::function<QString(const QString& start)> chooseFolder;

private:
    void runCurrent(int step);
    void chooseDestination();
    void showRecord(const IdRecord& rec);

    TForm1& form_;
    Workspace& ws_;
    MainView& view_;
    QPushButton* range_ = nullptr;
    QPushButton* one_ = nullptr;
    QPushButton* prev_ = nullptr;
    QPushButton* next_ = nullptr;
    QCheckBox* save_ = nullptr;
    QLabel* info_ = nullptr;
    QSpinBox* from_ = nullptr;
    QSpinBox* to_ = nullptr;
    QLineEdit* dest_ = nullptr;
    bool running_ = false;
};

} // namespace mv
