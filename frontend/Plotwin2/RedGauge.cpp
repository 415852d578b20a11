#include "Plotwin2/RedGauge.h"

#include <QPainter>
#include <QRegion>

void RedGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inner, palette().color(QPalette::Button));
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(outer);

    const int span = maximum() - minimum();
    const int filled = span > 0 ? static_cast<int>(static_cast<qint64>(inner.width()) * (value() - minimum()) / span) : 0;
    const QRect bar(inner.left(), inner.top(), filled, inner.height());
    painter.fillRect(bar, QColor(255, 0, 0));

    // White over the bar, black beside it, so the figure reads at every value.
    const QString label = QStringLiteral("%1%").arg(value());
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inner, Qt::AlignCenter, label);
    painter.setClipRegion(QRegion(inner).subtracted(QRegion(bar)));
    painter.setPen(Qt::black);
    painter.drawText(inner, Qt::AlignCenter, label);
}
