#pragma once
// The "RainFlow" button of the Generator page: every plotted signal over the lower
// graph's window, counted into the workbook of the output sheet ("Excel output WS").
#include <QObject>
#include <QString>
#include <functional>

namespace mv {

class TForm1;
class MainView;
struct Workspace;

class RainflowLink final : public QObject {
    Q_OBJECT
public:
    RainflowLink(TForm1& form, Workspace& ws, MainView& view);
    void RainFlowSpeedButtonClick();
    // How a message the user must acknowledge is shown; tests put their own.
    std::function<void(const QString&)> showMessage;

private:
    TForm1& form_;
    Workspace& ws_;
};

} // namespace mv
