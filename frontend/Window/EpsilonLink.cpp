#include "Window/EpsilonLink.h"

#include <clocale>
#include <cmath>
#include <cstdlib>

#include <locale.h>

double leadingNumber(const QString& text)
{
    // strtod itself, but in the C locale: the application's locale may use a comma.
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
    const QByteArray bytes = text.toLatin1();
    return strtod_l(bytes.constData(), nullptr, c);
}

QString shortestText(double value)
{
    return QString::number(value, 'g', 15);
}

int trackPosition(double value)
{
    const double scaled = value * 100.0;
    if (!(scaled > 0.0))
        return 0;
    if (scaled >= 100.0)
        return 100;
    return static_cast<int>(std::trunc(scaled));
}

double trackValue(int position)
{
    return position * 0.01;
}
