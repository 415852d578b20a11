#include "Platform/KeyFilter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

KeyFilter::KeyFilter(Kind kind, QObject* parent) : QObject(parent), kind_(kind) {}

void KeyFilter::attach(QWidget* widget)
{
    widget->installEventFilter(this);
    widget->setAcceptDrops(false);
    widget->setContextMenuPolicy(Qt::NoContextMenu);
}

bool KeyFilter::allows(Kind kind, const QKeyEvent& event)
{
    // Pasting would bring in characters the filter never saw.
    if (event.matches(QKeySequence::Paste))
        return false;
    // Ctrl (or Meta) combinations are shortcuts such as copy and select all; the edit inserts
    // nothing for them. Ctrl with Alt can type characters on some keyboards, so it is filtered.
    const Qt::KeyboardModifiers m =
        event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (m == Qt::ControlModifier || m == Qt::MetaModifier)
        return true;
    const QString text = event.text();
    // Arrows, Home/End, Delete, function keys and bare modifiers carry no text.
    if (text.isEmpty())
        return true;
    for (QChar c : text) {
        // Control characters (backspace, tab, return, escape) insert nothing.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            continue;
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool point = kind == Kind::Real && c == QLatin1Char('.');
        if (!digit && !point)
            return false;
    }
    return true;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !allows(kind_, *static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}
