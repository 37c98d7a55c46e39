#pragma once
// TNumberEdit: the single-line edit behind every numeric field. It checks what is
// typed, turns red while the text is not a valid value, and steps the value with
// the arrow keys and the wheel. numberChanged() fires only for valid texts.
#include "widgets/NumberValue.h"

#include <QLineEdit>

namespace mv {

class TNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    void set_NumberTyp(TNumberTyp t) { v_.FNumberTyp = t; }
    void set_Increment(double inc) { v_.FIncrement = inc; }
    void setRange(double lo, double hi) {
        v_.FMin = lo;
        v_.FMax = hi;
    }
    TNumberTyp _NumberTyp() const { return v_.FNumberTyp; }
    double _Min() const { return v_.FMin; }
    double _Max() const { return v_.FMax; }

    bool IsOK() const { return v_.IsOK; }
    std::int32_t IntegerVal() const { return v_.IntegerVal; }
    double DoubleVal() const { return v_.DoubleVal; }
    std::uint32_t uInt32Val() const { return v_.uInt32Val; }
    QString Text_OK() const { return QString::fromStdString(v_.Text_OK); }
    const NumberValue& value() const { return v_; }

    // The user's decimal separator, used for the texts the arrow keys write.
    void setDecimalSeparator(char sep) { sep_ = sep; }

    // Sets the text as the program would (runs the check, may fire numberChanged).
    void setValueText(const QString& text) { setText(text); }

signals:
    // The text changed to a valid value.
    void numberChanged();
    // Enter or Return was pressed (the generator generates on it).
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void Change(const QString& text);
    void step(int steps);

    NumberValue v_;
    char sep_ = '.';
};

} // namespace mv
