#pragma once
// The context help: "Help on MouseMove" (F1) lays the help pane HelpRichEdit over the log
// pane and shows the help cursor; while it is on, the control under the mouse in the main
// window or the Monitors window is explained in the pane, in English or in Czech ("CZ
// help"). The texts are data (core/HelpTexts); this part only finds the control, the grid
// cell or the tab under the mouse.
#include "core/HelpTexts.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <utility>
#include <vector>

class QTextEdit;
class QWidget;

namespace mv {

class TForm1;
struct Workspace;

class HelpLink final : public QObject {
    Q_OBJECT
public:
    HelpLink(TForm1& form, Workspace& ws, QWidget* monitors);
    ~HelpLink() override;

    QTextEdit* pane() const { return pane_; }
    bool helpMode() const { return mode_; }
    void setHelpMode(bool on);
    HelpLang language() const;

    // Clears the pane and shows one entry: the heading in bold, a line break, the text.
    void AddHelp(const QString& heading, const QString& text);
    // The mouse moved over `w` to `globalPos`: shows the help of the control, grid cell or
    // tab there, unless it is the one shown last. Acts only while the help cursor is up.
    void HelpMouseMove(QWidget* w, const QPoint& globalPos);
    // Help mode on and the help of the named control shown (a start option, for pictures of
    // the help). False when no control of that name has help.
    bool showHelpFor(const QString& objectName);

signals:
    // Every AddHelp.
    void helpShown(const QString& heading, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Spot {
        QPointer<QWidget> control;
        int row = kAnyCell;
        int column = kAnyCell;
        bool operator==(const Spot& o) const {
            return control == o.control && row == o.row && column == o.column;
        }
    };
    Spot spotAt(QWidget* w, const QPoint& globalPos) const;
    void show(const Spot& s);
    void languageChanged();
    void setTracking(bool on);
    void placePane();
    std::vector<QWidget*> helpRoots() const;

    TForm1& form_;
    Workspace& ws_;
    QPointer<QWidget> monitors_;
    QTextEdit* pane_ = nullptr;
    bool mode_ = false;
    Spot last_;
    std::vector<std::pair<QPointer<QWidget>, bool>> tracked_;
};

} // namespace mv
