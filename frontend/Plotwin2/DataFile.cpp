#include "Plotwin2/DataFile.h"

long long CountRows(const QString& path)
{
    NumberReader in;
    if (!in.open(path))
        return -1;
    long long rows = 0;
    double v = 0.0;
    while (in.good()) {
        if (!in.readDouble(v))
            break;
        ++rows;
        in.skipRestOfLine();
    }
    return rows;
}

int CountColumns(const QString& path)
{
    NumberReader in;
    if (!in.open(path))
        return -1;
    int columns = 0;
    double v = 0.0;
    while (!in.atLineEnd() && in.good()) {
        if (!in.readDouble(v))
            break;
        ++columns;
    }
    return columns;
}

QStringList ColumnNames(FileKind kind, int columns)
{
    QStringList names;
    switch (kind) {
    case FileKind::UP:
        names << QStringLiteral("Iteration") << QStringLiteral("Log likelihood") << QStringLiteral("w")
              << QStringLiteral("Model") << QStringLiteral("Loglinear 1") << QStringLiteral("Loglinear 2")
              << QStringLiteral("Loglinear 3") << QStringLiteral("Loglinear 4");
        for (int s = 1; s <= columns - 8; ++s)
            names << QStringLiteral("x%1").arg(s);
        break;
    case FileKind::NP: {
        if (columns < 1)
            break;
        // The variance, then one AlphaX per source, then three homozygosities per source
        // (fewer with few loci); the split is the one the file allows at most.
        const int alphas = (columns - 1) / 4;
        names << QStringLiteral("x dir. var");
        for (int i = 1; i <= alphas; ++i)
            names << QStringLiteral("Alphax%1").arg(i);
        for (int i = 1; i <= columns - 1 - alphas; ++i)
            names << QStringLiteral("Scalar%1").arg(i);
        break;
    }
    case FileKind::AlleleFreq:
        break;
    case FileKind::None:
        for (int i = 1; i <= columns; ++i)
            names << QString::number(i);
        break;
    }
    return names;
}

std::vector<int> LocusScan(const QString& path)
{
    std::vector<int> counts;
    NumberReader in;
    if (!in.open(path))
        return counts;
    double iteration = 0.0;
    if (!in.readDouble(iteration))
        return counts;
    while (!in.atLineEnd() && in.good()) {
        long long alleles = 0;
        if (!in.readInteger(alleles) || alleles < 0 || alleles > 1000000)
            break;
        counts.push_back(static_cast<int>(alleles));
        double frequency = 0.0;
        if (!in.readDoubles(static_cast<int>(alleles), frequency))
            break;
    }
    return counts;
}

int ColumnOfLocusAllele(const std::vector<int>& alleleCounts, int locus, int allele)
{
    int column = 2;
    for (int l = 0; l < locus && l < static_cast<int>(alleleCounts.size()); ++l)
        column += alleleCounts[static_cast<size_t>(l)] + 1;
    return column + allele + 1;
}

std::vector<double> ReadKeptValues(const QString& path, int k, const DataRange& range)
{
    std::vector<double> values;
    ForEachKeptValue(path, k, range, [&](double v) { values.push_back(v); });
    return values;
}
