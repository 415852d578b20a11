#include "Window/RunMonitor.h"

#include <cstdlib>

long progressValue(const char* chunk)
{
    return std::strtol(chunk, nullptr, 10);
}

QString elapsedText(qint64 milliseconds)
{
    if (milliseconds < 0)
        milliseconds = 0;
    const qint64 h = milliseconds / 3600000;
    const qint64 m = milliseconds / 60000 - 60 * h;
    const qint64 s = milliseconds / 1000 - 3600 * h - 60 * m;
    return QStringLiteral("%1h%2m%3s").arg(h).arg(m).arg(s);
}

QString outcomeText(RunOutcome outcome, qint64 milliseconds)
{
    const char* head = outcome == RunOutcome::Done      ? "Done !\n"
                       : outcome == RunOutcome::Aborted ? "Aborted !\n"
                                                        : "Failed !\n";
    return QString::fromLatin1(head) + elapsedText(milliseconds);
}

QString engineMessage(const QByteArray& output)
{
    // Progress comes first ("0 1 2 ... "), so only a leading run of whole numbers is dropped:
    // numbers inside a message stay.
    qsizetype i = 0;
    for (;;) {
        qsizetype j = i;
        while (j < output.size() && (output[j] == ' ' || output[j] == '\t' || output[j] == '\n'
                                     || output[j] == '\r'))
            ++j;
        qsizetype k = j;
        while (k < output.size() && output[k] >= '0' && output[k] <= '9')
            ++k;
        const bool tokenEnds = k == output.size() || output[k] == ' ' || output[k] == '\n'
            || output[k] == '\r' || output[k] == '\t';
        if (k == j || !tokenEnds) {
            i = j;
            break;
        }
        i = k;
    }
    return QString::fromLocal8Bit(output.mid(i)).trimmed();
}

QString failureText(const QByteArray& output, int exitCode)
{
    const QString message = engineMessage(output);
    if (!message.isEmpty())
        return message;
    if (exitCode > 128)
        return QStringLiteral("The engine was ended by signal %1.").arg(exitCode - 128);
    return QStringLiteral("The engine stopped with exit status %1.").arg(exitCode);
}
