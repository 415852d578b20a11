// A spin edit that keeps whatever whole number is typed (Qt's spin box would refuse keystrokes
// that leave its range) and lets the window decide: the value reads the text, a text that is not
// a whole number reads as the minimum, and a value below the minimum is put back to it when the
// edit loses the keyboard focus.
#pragma once

#include <QAbstractSpinBox>

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minimum, int maximum, int value, QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    // The whole number in the text; anything else reads as the minimum, which then replaces it.
    int value();
    void setValue(int value);

    void setText(const QString& text);

signals:
    void textChanged(const QString& text);

protected:
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int minimum_;
    int maximum_;
};
