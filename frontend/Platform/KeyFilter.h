// Keystroke filters for the numeric edits: printable characters outside the allowed set are
// dropped, while editing and navigation keys keep working.
#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

class KeyFilter : public QObject {
    Q_OBJECT
public:
    enum class Kind {
        Integer,  // digits only
        Real,     // digits and "."
    };

    explicit KeyFilter(Kind kind, QObject* parent = nullptr);

    // Filters the widget's key presses and turns off drops and the context menu, the other
    // ways text could arrive unfiltered. One filter can serve many widgets.
    void attach(QWidget* widget);

    // True when the key press may reach the edit.
    static bool allows(Kind kind, const QKeyEvent& event);

    Kind kind() const { return kind_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Kind kind_;
};
