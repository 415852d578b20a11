// Output files for the viewer's tests: the hand-written fixtures under data/, and small files
// written on the fly in the engine's exact formats.
#pragma once

#include <QDir>
#include <QFile>
#include <QPointF>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

inline QString FixturePath(const char* name)
{
    return QDir(QStringLiteral(ORVANTA_SOURCE_DIR "/tests/frontend/Plotwin2/data")).filePath(QString::fromLatin1(name));
}

inline void PrintTo(const QPointF& p, std::ostream* out)
{
    *out << '(' << p.x() << ", " << p.y() << ')';
}

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// One row of a sample trace: iteration, log-likelihood, w, model, four coefficients, shares.
struct UpRow {
    int iteration = 0;
    double logLikelihood = -1000.0;
    double w = 0.5;
    int model = 1;
    std::array<double, 4> coefficients{};
    std::vector<double> x;
};

inline std::string UpLine(const UpRow& r)
{
    char buffer[128];
    std::string line;
    // Written with the engine's formats; the numbers must not depend on the test's locale.
    std::snprintf(buffer, sizeof buffer, "%6d   %10.6f   %10.6f %4d", r.iteration, r.logLikelihood, r.w, r.model);
    line += buffer;
    for (double c : r.coefficients) {
        std::snprintf(buffer, sizeof buffer, "   %11.6f", c);
        line += buffer;
    }
    for (double v : r.x) {
        std::snprintf(buffer, sizeof buffer, "   %10.6f", v);
        line += buffer;
    }
    return line + "\n";
}

class TempFiles {
public:
    TempFiles() { std::setlocale(LC_NUMERIC, "C"); }

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    QString write(const QString& name, const std::string& text) const
    {
        const QString file = path(name);
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.data(), static_cast<qint64>(text.size()));
        return file;
    }

    QString writeUp(const QString& name, const std::vector<UpRow>& rows) const
    {
        std::string text;
        for (const UpRow& r : rows)
            text += UpLine(r);
        return write(name, text);
    }

    // A single-column file of the given values, one per line.
    QString writeColumn(const QString& name, const std::vector<double>& values) const
    {
        std::string text;
        char buffer[64];
        for (double v : values) {
            std::snprintf(buffer, sizeof buffer, "%.10g\n", v);
            text += buffer;
        }
        return write(name, text);
    }

private:
    QTemporaryDir dir_;
};
