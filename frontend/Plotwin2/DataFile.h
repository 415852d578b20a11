// The output files as the plot window sees them: how many rows and columns a file has, what its
// columns are called for each kind of file, where a locus and allele sit in an allele-frequency
// file, and the column reader with its data range. Nothing is kept in memory: every reader
// opens the file, reads it once from the top and closes it.
#pragma once

#include "Plotwin2/NumberReader.h"

#include <QString>
#include <QStringList>

#include <vector>

enum class FileKind {
    UP,           // per-sample parameters
    NP,           // nuisance parameters
    AlleleFreq,   // allele frequencies of one source
    None,         // any file of numbers
};

// The rows kept by every plot, statistic and summary: those numbered (from 1) above the burn-in
// and not above RowCount minus the burn-out.
struct DataRange {
    long long burnIn = 0;
    long long burnOut = 0;
    long long rowCount = 0;

    bool keeps(long long row) const { return burnIn < row && row <= rowCount - burnOut; }
};

// Rows that start with a number; -1 when the file does not open.
long long CountRows(const QString& path);

// Numbers on the first line; -1 when the file does not open.
int CountColumns(const QString& path);

// The names offered in the column list, column 1 first (empty for allele-frequency files).
QStringList ColumnNames(FileKind kind, int columns);

// Allele count of each locus on the first line of an allele-frequency file, in file order.
// Empty when the file does not open or names no locus.
std::vector<int> LocusScan(const QString& path);

// 1-based column of a locus and an allele, both given as 0-based indexes.
int ColumnOfLocusAllele(const std::vector<int>& alleleCounts, int locus, int allele);

// Calls deliver(v) for the value of column k (k >= 1) in each kept row, in file order. A row
// whose k-th number cannot be read ends the pass, like the end of the file.
template <class Deliver>
void ForEachKeptValue(const QString& path, int k, const DataRange& range, Deliver&& deliver)
{
    if (k < 1)
        return;
    NumberReader in;
    if (!in.open(path))
        return;
    long long row = 0;
    double v = 0.0;
    while (in.good()) {
        if (!in.readDoubles(k, v))
            break;
        ++row;
        if (range.keeps(row))
            deliver(v);
        in.skipRestOfLine();
    }
}

// The kept values of column k, in file order.
std::vector<double> ReadKeptValues(const QString& path, int k, const DataRange& range);
