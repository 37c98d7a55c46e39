#include "monitors/ui/MV_ScrMonForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mv {

TScrMonForm::TScrMonForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("ScrMonForm");
    setWindowTitle("Monitors");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(4, 2, 4, 2);
    PlotSignalsSpeedButton = new QPushButton("Plot signals", Panel2);
    PlotSignalsSpeedButton->setObjectName("PlotSignalsSpeedButton");
    PlotSignalsSpeedButton->setCheckable(true);
    SavePolyGraphsButton = new QPushButton("Save polygr.", Panel2);
    SavePolyGraphsButton->setObjectName("SavePolyGraphsButton");
    SavePolyGraphsButton->setEnabled(false);
    row->addWidget(PlotSignalsSpeedButton);
    row->addWidget(SavePolyGraphsButton);
    row->addStretch(1);
    column->addWidget(Panel2);
    column->addStretch(1);
    resize(1600, 1200);
    _OldWidth = width();
    _OldHeight = height();
}

} // namespace mv
