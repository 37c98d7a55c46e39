#include "core/ui/Main.h"

namespace mv {

TForm1::TForm1(Workspace& ws, QWidget* parent) : QMainWindow(parent), ws_(ws) {
    setWindowTitle(QString::fromStdString(ws_.actualDir));
}

} // namespace mv
