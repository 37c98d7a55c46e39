#include "app/ui/AppParts.h"

#include "app/Workspace.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "core/SignalTable.h"
#include "core/ui/SignalGrid.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"
#include "widgets/ui/MV_Komp.h"

namespace mv {

double MainReplaySource::fsPlay() const {
    double fs = 0;
    return form_.controlPanel()->fProcess(fs) ? fs : 0.0;
}

std::pair<double, double> MainReplaySource::lowerWindow() const {
    const auto& s = view_.graphs()->Image2()->state();
    return {s._T1, s._T2};
}

std::string MainReplaySource::testId() const {
    return form_.controlPanel()->testIdEdit->text().toStdString();
}

void MainReplaySource::focusSignal(int slot) const {
    form_.show();
    form_.raise();
    form_.activateWindow();
    view_.SignalGrid()->selectCell(slot, scFs);
    view_.SignalGrid()->setFocus();
}

AppParts::AppParts(TForm1& form, Workspace& ws)
    : mainView(form, ws), spreadsheetLink(form, ws),
      testLogLink(form, ws, mainView, spreadsheetLink), wheelsetLink(form, ws, mainView),
      bulkLink(form, ws, mainView, spreadsheetLink), printLink(form, mainView),
      rainflowLink(form, ws, mainView), trackLink(form, ws, mainView, testLogLink),
      monitorsEngine(ws.store, &ws.replay), replaySource(form, mainView),
      monitors(&monitorsEngine, &replaySource), helpLink(form, ws, &monitors) {
    form.setMonitors(&monitors);
    monitors.setLog(&form.log());
    // Every rescan hands the PARAM sheet over; the polygraphs follow it when it changed.
    QObject::connect(&spreadsheetLink, &SpreadsheetLink::rescanned, &monitors,
                     [this, &ws](const RescanResult&) {
                         monitors.paramSheetScanned(&ws.spreadsheet, ws.sheets.ParamSheet);
                     });
    monitorsEngine.clock.setFsPlay(monitors.fsPlay());
}

} // namespace mv
