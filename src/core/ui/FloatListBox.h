#pragma once
// TFloatListBox: the floating pick list of the Signal table's colour and function
// cells. It opens beside the cell, wraps with the arrow keys, hands the chosen
// entry back on Enter and goes away when it loses the focus.
#include <QColor>
#include <QListWidget>
#include <QPointer>
#include <vector>

namespace mv {

// 0x00BBGGRR as a colour.
inline QColor fromBgr(unsigned c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

class TFloatListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TFloatListBox(QWidget* mainWindow);

    int FGridRow = 0;
    int FGridCol = 0;
    QPointer<QWidget> FSG;

    // Colours (0x00BBGGRR) with their names, drawn as swatches.
    void setColourItems(const std::vector<std::pair<QString, unsigned>>& items);
    void setNameItems(const QStringList& names);
    // Shows the list next to `cell` (in FSG's viewport coordinates) with `selected` chosen.
    void showAt(QWidget* grid, const QRect& cellInViewport, int row, int col, int selected);

signals:
    void picked(int row, int col, int index);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void returnToGrid();
};

} // namespace mv
