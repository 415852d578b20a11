#include "PlotFixtures.h"
#include "Plotwin2/DataFile.h"

#include <gtest/gtest.h>

namespace {

TEST(DataFile, MeasuresTheFixtures)
{
    struct Case {
        const char* file;
        long long rows;
        int columns;
    };
    const Case cases[] = {
        {"up3.out", 10, 11},
        {"np12.out", 4, 12},
        {"np13.out", 4, 13},
        {"p_4_6.out", 3, 1 + 5 + 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(CountRows(FixturePath(c.file)), c.rows);
        EXPECT_EQ(CountColumns(FixturePath(c.file)), c.columns);
    }
}

TEST(DataFile, MissingFileMeasuresAsMinusOne)
{
    EXPECT_EQ(CountRows(QStringLiteral("/nonexistent/outputUP.out")), -1);
    EXPECT_EQ(CountColumns(QStringLiteral("/nonexistent/outputUP.out")), -1);
}

TEST(DataFile, EmptyFileHasNoRowsAndNoColumns)
{
    TempFiles t;
    const QString file = t.write("empty.out", "");
    EXPECT_EQ(CountRows(file), 0);
    EXPECT_EQ(CountColumns(file), 0);
}

TEST(DataFile, LineEndsOfOtherSystemsAndTrailingBlanksDoNotChangeTheCounts)
{
    TempFiles t;
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"unix", "1 2 3\n4 5 6\n"},
        {"windows", "1 2 3\r\n4 5 6\r\n"},
        {"trailing blanks", "1 2 3  \n4 5 6 \t\n"},
        {"no final line end", "1 2 3\n4 5 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = t.write("f.out", c.text);
        EXPECT_EQ(CountRows(file), 2);
        EXPECT_EQ(CountColumns(file), 3);
        EXPECT_EQ(ReadKeptValues(file, 3, {0, 0, 2}), (std::vector<double>{3, 6}));
    }
}

TEST(DataFile, TextThatIsNotANumberEndsTheCountAndThePass)
{
    TempFiles t;
    const QString file = t.write("f.out", "1 2\n3 4\nnan 5\n6 7\n");
    EXPECT_EQ(CountRows(file), 2);
    EXPECT_EQ(ReadKeptValues(file, 2, {0, 0, 10}), (std::vector<double>{2, 4}));
    // A short row ends the pass where its missing value should be.
    const QString shortRow = t.write("g.out", "1 2\n3\n5 6\n");
    EXPECT_EQ(ReadKeptValues(shortRow, 2, {0, 0, 10}), (std::vector<double>{2, 5}));
}

TEST(DataFile, ReadsNumbersWhateverTheLocaleSays)
{
    TempFiles t;
    const QString file = t.write("f.out", "  -1.5e-3   +2.25   .5   7.   1E2\n");
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // if present: a comma as decimal separator
    const std::vector<double> expected = {-1.5e-3, 2.25, 0.5, 7.0, 100.0};
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(ReadKeptValues(file, k, {0, 0, 1}), std::vector<double>{expected[static_cast<size_t>(k - 1)]});
    std::setlocale(LC_NUMERIC, "C");
}

// A line longer than the 5000 characters a fixed-size skip would stop at is still one row, and
// the next row is read from its start (allele-frequency files of many loci have such lines).
TEST(DataFile, LongLinesAreSkippedWhole)
{
    TempFiles t;
    std::string text;
    for (int row = 1; row <= 3; ++row) {
        text += std::to_string(row * 25);
        for (int i = 0; i < 1000; ++i)
            text += "     0.123456";
        text += "\n";
    }
    ASSERT_GT(text.size() / 3, 12000u);
    const QString file = t.write("long.out", text);
    EXPECT_EQ(CountRows(file), 3);
    EXPECT_EQ(ReadKeptValues(file, 1, {0, 0, 3}), (std::vector<double>{25, 50, 75}));
    EXPECT_EQ(CountColumns(file), 1001);
}

TEST(DataFile, ColumnNamesOfEachKind)
{
    const QStringList up = ColumnNames(FileKind::UP, 11);
    EXPECT_EQ(up, (QStringList{"Iteration", "Log likelihood", "w", "Model", "Loglinear 1", "Loglinear 2",
                               "Loglinear 3", "Loglinear 4", "x1", "x2", "x3"}));
    EXPECT_EQ(ColumnNames(FileKind::UP, 18).last(), "x10");

    struct NpCase {
        int columns;
        QStringList alphas;
        int scalars;
    };
    const NpCase np[] = {
        {13, {"Alphax1", "Alphax2", "Alphax3"}, 9},
        {12, {"Alphax1", "Alphax2"}, 9},
        {1, {}, 0},
    };
    for (const NpCase& c : np) {
        SCOPED_TRACE(c.columns);
        const QStringList names = ColumnNames(FileKind::NP, c.columns);
        ASSERT_EQ(names.size(), c.columns);
        EXPECT_EQ(names[0], "x dir. var");
        EXPECT_EQ(names.mid(1, c.alphas.size()), c.alphas);
        for (int i = 1; i <= c.scalars; ++i)
            EXPECT_EQ(names[static_cast<qsizetype>(c.alphas.size() + i)], QStringLiteral("Scalar%1").arg(i));
    }

    EXPECT_TRUE(ColumnNames(FileKind::AlleleFreq, 13).isEmpty());
    EXPECT_EQ(ColumnNames(FileKind::None, 3), (QStringList{"1", "2", "3"}));
}

TEST(DataFile, LocusScanAndColumnOfLocusAndAllele)
{
    const std::vector<int> counts = LocusScan(FixturePath("p_4_6.out"));
    ASSERT_EQ(counts, (std::vector<int>{4, 6}));
    struct Case {
        int locus, allele, column;
    };
    const Case cases[] = {{0, 0, 3}, {0, 3, 6}, {1, 0, 8}, {1, 5, 13}};
    for (const Case& c : cases)
        EXPECT_EQ(ColumnOfLocusAllele(counts, c.locus, c.allele), c.column) << c.locus << " " << c.allele;
    // The column really holds that allele's frequency.
    EXPECT_DOUBLE_EQ(ReadKeptValues(FixturePath("p_4_6.out"), 8, {0, 0, 3}).front(), 0.267667);
}

TEST(DataFile, LocusTableGrowsBeyondSixteenLoci)
{
    TempFiles t;
    std::string line = "     25 ";
    for (int l = 0; l < 40; ++l)
        line += "  2     0.400000    0.600000";
    const QString file = t.write("p.out", line + "\n" + line + "\n");
    const std::vector<int> counts = LocusScan(file);
    ASSERT_EQ(counts.size(), 40u);
    EXPECT_EQ(ColumnOfLocusAllele(counts, 39, 1), 2 + 39 * 3 + 2);
    EXPECT_DOUBLE_EQ(ReadKeptValues(file, 2 + 39 * 3 + 2, {0, 0, 2}).back(), 0.6);
}

TEST(DataFile, LocusScanOfAFileWithoutLoci)
{
    TempFiles t;
    EXPECT_TRUE(LocusScan(t.write("p.out", "    25\n    50\n")).empty());
    EXPECT_TRUE(LocusScan(t.write("q.out", "")).empty());
    EXPECT_TRUE(LocusScan(QStringLiteral("/nonexistent/p.out")).empty());
}

TEST(DataFile, DataRangeKeepsRowsAboveTheBurnInAndUpToTheBurnOut)
{
    const DataRange range{100, 50, 1000};
    EXPECT_FALSE(range.keeps(100));
    EXPECT_TRUE(range.keeps(101));
    EXPECT_TRUE(range.keeps(950));
    EXPECT_FALSE(range.keeps(951));

    // Rows written after the last load lie beyond RowCount and are not kept.
    TempFiles t;
    std::vector<double> values;
    for (int i = 1; i <= 1100; ++i)
        values.push_back(i);
    const QString file = t.writeColumn("c.out", values);
    const std::vector<double> kept = ReadKeptValues(file, 1, range);
    ASSERT_EQ(kept.size(), 850u);
    EXPECT_EQ(kept.front(), 101);
    EXPECT_EQ(kept.back(), 950);
}

}  // namespace
