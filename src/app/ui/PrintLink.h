#pragma once
// Ties printing to the main window: "Print graph" of the graph menu, File -> "Preview"
// (Ctrl+U toggles), "&Print", "P&rint Setup..." and "Export graph...", all on the one
// printer the window shares. The header cells are read from the RTF files beside the
// program.
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class QPrinter;

namespace mv {

class TForm1;
class MainView;
class PrintPreview;

class PrintLink final : public QObject {
    Q_OBJECT
public:
    PrintLink(TForm1& form, MainView& view);
    ~PrintLink() override;

    QPrinter& printer() { return *printer_; }
    PrintPreview* preview() const { return preview_; }

    // "Print graph": the active graph on one landscape page; nothing without one.
    void printGraph();
    // "Print graph" into a PDF file, without a dialog; the shared printer is left alone.
    bool printGraphToPdf(const QString& path);
    // File -> "&Print": the print dialog, then the report page.
    void filePrint();
    // File -> "Preview": shows the page with the header files loaded, or hides it.
    void togglePreview();
    // File -> "P&rint Setup...".
    void printSetup();
    // Writes the active graph to `path` (.png, .pdf or .svg) at `size` pixels; false
    // with the reason in `why`.
    bool exportGraph(const QString& path, QSize size, QString* why = nullptr);

    // Where the header files are read; the program's directory unless set.
    QString headerDir;
    // The dialogs, replaceable by tests: true to go on.
    std::function<bool(QPrinter&)> askPrint;
    std::function<bool(QPrinter&)> askSetup;
    // The file and size of "Export graph..."; an empty path cancels.
    std::function<QString(QSize& size)> askExport;

private:
    TForm1& form_;
    MainView& view_;
    std::unique_ptr<QPrinter> printer_;
    PrintPreview* preview_ = nullptr;
};

} // namespace mv
