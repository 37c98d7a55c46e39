#include <QApplication>

#include "core/Version.h"
#include "core/Workspace.h"
#include "core/ui/Main.h"
#include "files/Readers.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(mv::kAppTitle);
    mv::Workspace ws;
    mv::files::installReaders(ws.readers);
    mv::TForm1 form(ws);
    form.show();
    return QApplication::exec();
}
