#include "Platform/Gauge.h"

#include <QPainter>
#include <QRegion>

Gauge::Gauge(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setFormat(QStringLiteral("%p%"));
}

void Gauge::setProgress(long value)
{
    if (value < minimum())
        value = minimum();
    if (value > maximum())
        value = maximum();
    setValue(static_cast<int>(value));
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inner, Qt::white);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(outer);

    const int span = maximum() - minimum();
    const int width = span > 0 ? int(qint64(inner.width()) * (value() - minimum()) / span) : 0;
    const QRect bar(inner.left(), inner.top(), width, inner.height());
    painter.fillRect(bar, Qt::blue);

    const QString label = QStringLiteral("%1%").arg(value());
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inner, Qt::AlignCenter, label);
    painter.setClipRegion(QRegion(inner).subtracted(QRegion(bar)));
    painter.setPen(Qt::black);
    painter.drawText(inner, Qt::AlignCenter, label);
}
