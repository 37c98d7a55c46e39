#pragma once
// The one progress display of the desktop: a bar in the status bar while a long command
// runs. Each report repaints the window (log lines appear as they are written); the
// user's mouse and keys wait meanwhile, except Esc, which asks the command to stop.
#include "core/Progress.h"

#include <QObject>
#include <QPointer>
#include <QProgressBar>

class QStatusBar;

namespace mv {

class StatusProgress final : public QObject, public Progress {
    Q_OBJECT
public:
    explicit StatusProgress(QStatusBar* bar);
    ~StatusProgress() override;

    // A command that reports through this progress: the bar shows from the first report
    // and hides when the last running scope ends; Esc counts only while one runs.
    class Scope {
    public:
        explicit Scope(StatusProgress& p);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        StatusProgress& p_;
    };

    void report(double fraction, std::string_view text) override;
    bool cancelled() const override { return cancelled_; }
    // What tests and Esc do.
    void cancel() { cancelled_ = true; }
    // A command that answers one Esc with a partial stop and goes on uses the press up.
    void clearCancel() { cancelled_ = false; }
    bool running() const { return depth_ > 0; }
    QProgressBar* bar() const { return bar_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QPointer<QProgressBar> bar_;
    int depth_ = 0;
    bool cancelled_ = false;
};

} // namespace mv
