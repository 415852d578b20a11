#include "Plotwin2/DataRangeEdits.h"

#include <cmath>

namespace {

// The edits admit digits only, so anything else is treated as nothing typed yet.
double RealOf(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

}  // namespace

BurnEdit ClampBurn(const QString& ownText, const QString& otherText, long long rowCount)
{
    double a = RealOf(ownText);
    bool rewrite = false;
    if (a >= static_cast<double>(rowCount - 1)) {
        a = static_cast<double>(rowCount - 1);
        rewrite = true;
    }
    const double c = RealOf(otherText);
    if (a + c >= static_cast<double>(rowCount - 1)) {
        a = static_cast<double>(rowCount) - c - 2;
        rewrite = true;
    }
    // With fewer than two rows, or a stale other value, the rule would ask for a negative count.
    if (a < 0) {
        a = 0;
        rewrite = true;
    }
    BurnEdit edit;
    edit.value = static_cast<long long>(a);
    if (rewrite) {
        const QString text = QString::number(edit.value);
        if (text != ownText)
            edit.text = text;
    }
    if (rowCount > 0) {
        const double position = std::trunc(100.0 * a / static_cast<double>(rowCount));
        edit.sliderPosition = static_cast<int>(position < 0 ? 0 : (position > 100 ? 100 : position));
    }
    return edit;
}

QString BurnTextForSlider(int position, long long rowCount)
{
    if (rowCount < 0)
        rowCount = 0;
    return QString::number((rowCount * position + 99) / 100);
}

std::optional<long long> WholeNumber(const QString& text)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}
