// A reader for the plain rich-text (RTF) subset that hand-written help files use: paragraphs,
// line breaks, tabs, bold, italic, underline, font sizes, fonts and colours from the tables,
// alignment, indents and paragraph spacing, escaped and hex characters, \u characters.
// Unknown control words are ignored and unknown destinations skipped, so any RTF file loads
// (possibly with less formatting); malformed input never fails.
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace RtfReader {

// Replaces the document's contents by the rich text.
void read(const QByteArray& rtf, QTextDocument& document);

// Reads a file into the document. On failure the document is left empty and `error` holds a
// message naming the file and the system's reason.
bool loadFile(const QString& path, QTextDocument& document, QString* error);

}  // namespace RtfReader
