#pragma once
// The log pane of the main window: every command reports here. Warnings are
// red, bold and beep; the next normal line is black again.
#include "core/Log.h"

#include <QTextEdit>

namespace mv {

class LogPane final : public QTextEdit, public Log {
    Q_OBJECT
public:
    explicit LogPane(QWidget* parent = nullptr);
    // AddLog
    void add(std::string_view text, bool warning) override;
    int counter() const { return counter_; }
    // The line as it was appended last, without formatting.
    QString lastLine() const { return lastLine_; }

private:
    int counter_ = 0;
    QString lastLine_;
};

// The system's long time format without the time zone, e.g. "23:45:01".
QString longTimeText();

} // namespace mv
