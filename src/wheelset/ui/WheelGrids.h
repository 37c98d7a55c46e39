#pragma once
// The two tables of the "raw to QYTL" page: the wheel table (which wheels are computed,
// with their name prefix, zeroing and filter corners) and the device function table
// (which of the 32 block buffers become output signals). Enter or Space toggles the
// "Proc" and "Save" cells, drawn as a small green or white box; a filter cell that holds
// no number is painted red.
#include "core/Settings.h"

#include <QStyledItemDelegate>
#include <QTableWidget>
#include <array>

namespace mv {

// The look of one cell, decided without drawing (for the delegate and for tests).
enum class WheelCellLook { Plain, ToggleOn, ToggleOff, Invalid, Focused };

class TWheelGrid final : public QTableWidget {
    Q_OBJECT
public:
    enum Col { DevNo = 0, WheelName, Zeroing, HighPass, LowPass, Proc, ColCount };
    static constexpr int kRows = 33;
    explicit TWheelGrid(QWidget* parent = nullptr);

    WheelRowSettings row(int n) const; // device n = 1..32
    void setRow(int n, const WheelRowSettings& w);
    // The user's decimal separator, for the red marking of the filter cells.
    void setDecimalSeparator(char sep) { sep_ = sep; }
    WheelCellLook look(int row, int col) const;

signals:
    void focusChanged(bool in);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    char sep_ = '.';
};

class TDeviceFnGrid final : public QTableWidget {
    Q_OBJECT
public:
    enum Col { No = 0, Name, Save, ColCount };
    static constexpr int kRows = 33;
    explicit TDeviceFnGrid(QWidget* parent = nullptr);

    std::array<bool, kDevFnRows> saveFlags() const;
    void setSaveFlags(const std::array<bool, kDevFnRows>& flags);
    WheelCellLook look(int row, int col) const;

signals:
    void focusChanged(bool in);
    // The status-bar text of the selected catalogue row.
    void hint(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};

} // namespace mv
