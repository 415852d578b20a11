// The number texts that tie an epsilon edit to its track bar (0 to 100, a hundredth each).
#pragma once

#include <QString>

// The leading numeric part of a text as the C runtime's string-to-double reads it, with "." as
// the separator whatever the locale: blanks skipped, 0 for an empty or non-numeric text.
double leadingNumber(const QString& text);

// The shortest text of a real (up to 15 significant digits): 0.25, 1, 0.4, never 0.250000.
QString shortestText(double value);

// The track bar position of an edit value: value × 100 truncated toward zero, within 0..100.
int trackPosition(double value);

// The edit value of a track bar position: position × 0.01.
double trackValue(int position);
