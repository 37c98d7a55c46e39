#pragma once
// TForm1, the main window: it wires the regions and commands of every subsystem.
#include "core/Workspace.h"

#include <QMainWindow>

namespace mv {

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(Workspace& ws, QWidget* parent = nullptr);

private:
    Workspace& ws_;
};

} // namespace mv
