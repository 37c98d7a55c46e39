#include "app/ui/RainflowLink.h"

#include "app/Workspace.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "processing/RainFlowUnit.h"
#include "processing/ui/GeneratorPage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace mv {

RainflowLink::RainflowLink(TForm1& form, Workspace& ws, MainView& view)
    : QObject(&form), form_(form), ws_(ws) {
    showMessage = [this](const QString& text) {
        QMessageBox::warning(&form_, QApplication::applicationName(), text);
    };
    connect(view.generator()->RainFlowSpeedButton, &QPushButton::clicked, this,
            [this] { form_.runCommand([this] { RainFlowSpeedButtonClick(); }); });
}

void RainflowLink::RainFlowSpeedButtonClick() {
    const SigImageState& lower = ws_.graphs.image2;
    const RainflowOutcome o = RunRainflow(
        ws_.spreadsheet, ws_.store, {ws_.sheets.OutputSheet, lower._T1, lower._T2}, form_.log());
    for (const std::string& m : o.messages)
        showMessage(QString::fromStdString(m));
    int written = 0;
    for (const auto& s : o.results)
        written += s.written ? 1 : 0;
    if (o.ran)
        form_.log().info("RainFlow: " + std::to_string(written) + " of " +
                         std::to_string(o.results.size()) + " plotted signal(s) counted");
}

} // namespace mv
