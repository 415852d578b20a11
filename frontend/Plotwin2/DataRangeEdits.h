// Keeping the burn-in and burn-out edits and their sliders consistent with the row count.
#pragma once

#include <QString>

#include <optional>

struct BurnEdit {
    long long value = 0;            // the burn value after clamping
    std::optional<QString> text;    // the edit's new text, when it must change
    int sliderPosition = 0;         // 0 to 100: value as a percentage of the row count
};

// After an edit of one of the two burn texts: at most RowCount - 1, and together with the other
// at most RowCount - 2, so that two rows stay in range; never below 0. An empty text reads as 0.
BurnEdit ClampBurn(const QString& ownText, const QString& otherText, long long rowCount);

// The burn text for a slider the user moved: ceil(RowCount * position / 100).
QString BurnTextForSlider(int position, long long rowCount);

// The whole number a burn text holds when a pass runs; empty when it is not one.
std::optional<long long> WholeNumber(const QString& text);
