#pragma once
// The borderless window shown while the main window is created; it closes at the
// main window's first activation.
#include <QWidget>

namespace mv {

class Splash final : public QWidget {
    Q_OBJECT
public:
    Splash();

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace mv
