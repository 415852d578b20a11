#include "Plotwin2/SpinEdit.h"

#include <QLineEdit>

SpinEdit::SpinEdit(int minimum, int maximum, int value, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    lineEdit()->setText(QString::number(value));
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::textChanged);
}

int SpinEdit::value()
{
    bool ok = false;
    const int v = text().trimmed().toInt(&ok);
    if (ok)
        return v;
    setValue(minimum_);
    return minimum_;
}

void SpinEdit::setValue(int value)
{
    setText(QString::number(value));
}

void SpinEdit::setText(const QString& text)
{
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

void SpinEdit::stepBy(int steps)
{
    long long v = static_cast<long long>(value()) + steps;
    if (v < minimum_)
        v = minimum_;
    if (v > maximum_)
        v = maximum_;
    setValue(static_cast<int>(v));
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State SpinEdit::validate(QString&, int&) const
{
    // The key filter decides what may be typed; the window clamps what was typed.
    return QValidator::Acceptable;
}

void SpinEdit::fixup(QString&) const {}

void SpinEdit::focusOutEvent(QFocusEvent* event)
{
    bool ok = false;
    const int v = text().trimmed().toInt(&ok);
    if (ok && v < minimum_)
        setValue(minimum_);
    QAbstractSpinBox::focusOutEvent(event);
}
