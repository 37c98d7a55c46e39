#pragma once
// TScrMonForm, the "Monitors" window: home of the polygraphs that replay signals.
// It is created hidden at start and brought forward with "Swap window".
#include <QPushButton>
#include <QWidget>

namespace mv {

class TScrMonForm final : public QWidget {
    Q_OBJECT
public:
    explicit TScrMonForm(QWidget* parent = nullptr);

    QWidget* Panel2 = nullptr;
    QPushButton* PlotSignalsSpeedButton = nullptr;
    QPushButton* SavePolyGraphsButton = nullptr;
    int _OldWidth = 0;
    int _OldHeight = 0;
};

} // namespace mv
