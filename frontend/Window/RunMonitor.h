// What the launcher makes of the engine's output and of a finished run.
#pragma once

#include <QByteArray>
#include <QString>

enum class RunOutcome { Done, Aborted, Failed };

// The gauge value of one chunk of engine output: its leading decimal integer, read as strtol
// reads it (leading blanks skipped, 0 when the chunk does not start with a number).
long progressValue(const char* chunk);

// "0h12m5s": whole hours, the minutes and seconds beyond them, each truncated.
QString elapsedText(qint64 milliseconds);

// The two lines of the outcome label, e.g. "Done !\n0h12m5s".
QString outcomeText(RunOutcome outcome, qint64 milliseconds);

// What the engine printed apart from its progress numbers, trimmed.
QString engineMessage(const QByteArray& output);

// The error shown after a failed run: the engine's own words, or its exit status when it said
// nothing.
QString failureText(const QByteArray& output, int exitCode);
