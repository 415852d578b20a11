#include "PlotFixtures.h"
#include "Plotwin2/Summary.h"

#include <gtest/gtest.h>

namespace {

// `count` rows in model `model`, with the given coefficients and shares.
void AddRows(std::vector<UpRow>& rows, int count, int model, std::array<double, 4> coefficients = {},
             std::vector<double> x = {0.2, 0.3, 0.5}, double w = 0.5)
{
    for (int i = 0; i < count; ++i) {
        UpRow r;
        r.iteration = 25 * static_cast<int>(rows.size() + 1);
        r.model = model;
        r.coefficients = coefficients;
        r.x = x;
        r.w = w;
        rows.push_back(r);
    }
}

TEST(Summary, MostProbableModelIsTheLowestOnATie)
{
    TempFiles t;
    struct Case {
        int counts[3];  // of models 2, 3 and 9
        int best;
    };
    const Case cases[] = {{{300, 300, 400}, 9}, {{400, 400, 200}, 2}};
    for (const Case& c : cases) {
        std::vector<UpRow> rows;
        AddRows(rows, c.counts[0], 2);
        AddRows(rows, c.counts[1], 3);
        AddRows(rows, c.counts[2], 9);
        const QString file = t.writeUp("upUP.out", rows);
        const Summary s = ComputeSummary(file, {0, 0, 1000}, 3);
        EXPECT_EQ(s.bestModel, c.best);
        EXPECT_EQ(s.modelCounts[1], c.counts[0]);
        EXPECT_EQ(s.modelCounts[2], c.counts[1]);
        EXPECT_EQ(s.modelCounts[8], c.counts[2]);
        ASSERT_GE(s.lines.size(), 2);
        EXPECT_EQ(s.lines[1], ModelLine(c.best));
    }
}

TEST(Summary, TextOfASingleModelRun)
{
    TempFiles t;
    std::vector<UpRow> rows;
    AddRows(rows, 5, 5, {0.0, 0.0, -1.25, 0.0});
    const QString file = t.writeUp("upUP.out", rows);
    const Summary s = ComputeSummary(file, {0, 0, 5}, 3);
    EXPECT_EQ(s.bestModel, 5);
    EXPECT_EQ(s.modelCounts[4], 5);
    EXPECT_EQ(s.lines, (QStringList{"Highest probability model for the influence of factors G1 and G2:",
                                    "  Constant and G2 (5)", " ", "Estimations :",
                                    "  Constant: 0 (positive effect)", "  G2: -1.25 (negative effect)"}));
}

TEST(Summary, EstimationsUseOnlyTheKeptRowsOfTheBestModel)
{
    TempFiles t;
    std::vector<UpRow> rows;
    AddRows(rows, 2, 9, {100, 100, 100, 100});   // left out by the burn-in
    AddRows(rows, 3, 9, {1.0, 2.0, -3.0, 0.123456});
    AddRows(rows, 1, 9, {4.0, 5.0, -6.0, 0.123456});
    AddRows(rows, 2, 1, {50, 0, 0, 0});          // another model
    AddRows(rows, 1, 9, {100, 100, 100, 100});   // left out by the burn-out
    const QString file = t.writeUp("upUP.out", rows);
    const Summary s = ComputeSummary(file, {2, 1, 9}, 3);
    EXPECT_EQ(s.bestModel, 9);
    EXPECT_EQ(s.lines.mid(4), (QStringList{"  Constant: 1.75 (positive effect)", "  G1: 2.75 (positive effect)",
                                           "  G2: -3.75 (negative effect)", "  Interaction: 0.1235 (positive effect)"}));
}

TEST(Summary, EveryModelLineAndItsCoefficients)
{
    const char* lines[] = {"  Constant (1)", "  G1 (2)", "  Constant and G1 (3)", "  G2 (4)", "  Constant and G2 (5)",
                           "  G1 and G2 (6)", "  Consant, G1 and G2 (7)", "  G1, G2 and interaction (8)", "  All (9)"};
    const QStringList coefficients[] = {
        {"Constant"}, {"G1"}, {"Constant", "G1"}, {"G2"}, {"Constant", "G2"}, {"G1", "G2"},
        {"Constant", "G1", "G2"}, {"G1", "G2", "Interaction"}, {"Constant", "G1", "G2", "Interaction"},
    };
    TempFiles t;
    for (int model = 1; model <= 9; ++model) {
        SCOPED_TRACE(model);
        EXPECT_EQ(ModelLine(model), QString::fromLatin1(lines[model - 1]));
        std::vector<UpRow> rows;
        AddRows(rows, 2, model, {1, 1, 1, 1});
        const Summary s = ComputeSummary(t.writeUp("upUP.out", rows), {0, 0, 2}, 3);
        QStringList shown;
        for (const QString& line : s.lines.mid(4))
            shown << line.section(QLatin1Char(':'), 0, 0).trimmed();
        EXPECT_EQ(shown, coefficients[model - 1]);
    }
}

TEST(Summary, SlicesAndIntervalsPerSource)
{
    TempFiles t;
    std::vector<UpRow> rows;
    for (int i = 0; i < 40; ++i) {
        UpRow r;
        r.iteration = 25 * (i + 1);
        r.model = 3;
        // 0.10 to 0.48 and one outlier, so that the lowest window is clearly the narrowest.
        const double a = i < 39 ? 0.1 + 0.01 * i : 0.9;
        r.x = {a, 0.5, 0.5 - a};
        rows.push_back(r);
    }
    const QString file = t.writeUp("upUP.out", rows);
    const Summary s = ComputeSummary(file, {0, 0, 40}, 3);
    ASSERT_EQ(s.slices.size(), 3u);
    EXPECT_EQ(s.slices[0].label, "Pop. 1: ");
    EXPECT_EQ(s.slices[2].label, "Pop. 3: ");
    EXPECT_NEAR(s.slices[0].value, 0.30525, 1e-9);
    EXPECT_NEAR(s.slices[1].value, 0.5, 1e-12);
    ASSERT_EQ(s.intervals.size(), 3u);
    const double heights[] = {3, 2, 1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(s.intervals[static_cast<size_t>(k)].y, heights[k]);
        EXPECT_EQ(s.intervals[static_cast<size_t>(k)].label, QStringLiteral("x%1").arg(k + 1));
        EXPECT_EQ(s.intervals[static_cast<size_t>(k)].color, SourceColor(k + 1));
    }
    // 40 values, m = ceil(5 * 40 / 100) = 2: the 39 lowest values.
    EXPECT_NEAR(s.intervals[0].start, 0.10, 1e-12);
    EXPECT_NEAR(s.intervals[0].end, 0.48, 1e-12);
    EXPECT_EQ(s.intervals[1].start, 0.5);
    EXPECT_EQ(s.intervals[1].end, 0.5);
}

TEST(Summary, PaletteRepeatsEveryEightSources)
{
    EXPECT_EQ(SourceColor(1), QColor(255, 0, 0));
    EXPECT_EQ(SourceColor(9), QColor(255, 0, 0));
    EXPECT_EQ(SourceColor(2), QColor(0, 0, 255));
    EXPECT_EQ(SourceColor(10), QColor(0, 0, 255));
    EXPECT_EQ(SourceColor(4), QColor(255, 255, 255));
    EXPECT_EQ(SourceColor(8), QColor(0, 255, 0));

    TempFiles t;
    std::vector<UpRow> rows;
    AddRows(rows, 3, 1, {}, std::vector<double>(10, 0.1));
    const Summary s = ComputeSummary(t.writeUp("upUP.out", rows), {0, 0, 3}, 10);
    ASSERT_EQ(s.slices.size(), 10u);
    EXPECT_EQ(s.slices[8].color, s.slices[0].color);
    EXPECT_EQ(s.slices[9].color, QColor(0, 0, 255));
    EXPECT_EQ(s.intervals[9].y, 1);
    EXPECT_EQ(s.intervals[0].y, 10);
}

TEST(Summary, GaugeShowsTheModeOfWInPerCent)
{
    TempFiles t;
    struct Case {
        double w;
        int gauge;
    };
    const Case cases[] = {{0.456, 45}, {0.999, 99}, {0.0, 0}, {1.0, 100}};
    for (const Case& c : cases) {
        std::vector<UpRow> rows;
        AddRows(rows, 3, 1, {}, {0.5, 0.5}, c.w);
        const Summary s = ComputeSummary(t.writeUp("upUP.out", rows), {0, 0, 3}, 2);
        EXPECT_EQ(s.gauge.value_or(-1), c.gauge) << c.w;
    }
}

TEST(Summary, NoKeptRowShowsNothing)
{
    TempFiles t;
    std::vector<UpRow> rows;
    AddRows(rows, 4, 3);
    const QString file = t.writeUp("upUP.out", rows);
    for (const DataRange& range : {DataRange{4, 0, 4}, DataRange{0, 0, 0}}) {
        const Summary s = ComputeSummary(file, range, 3);
        EXPECT_TRUE(s.slices.empty());
        EXPECT_TRUE(s.intervals.empty());
        EXPECT_EQ(s.bestModel, 0);
        EXPECT_TRUE(s.lines.isEmpty());
        EXPECT_FALSE(s.gauge.has_value());
    }
    const Summary missing = ComputeSummary("/nonexistent/upUP.out", {0, 0, 4}, 3);
    EXPECT_TRUE(missing.lines.isEmpty());
}

TEST(Summary, FixtureFile)
{
    const Summary s = ComputeSummary(FixturePath("up3.out"), {0, 0, 10}, 3);
    EXPECT_EQ(s.modelCounts[2], 7);
    EXPECT_EQ(s.modelCounts[4], 2);
    EXPECT_EQ(s.modelCounts[8], 1);
    EXPECT_EQ(s.bestModel, 3);
    EXPECT_EQ(s.lines.mid(4), (QStringList{"  Constant: 0.4123 (positive effect)", "  G1: -0.1087 (negative effect)"}));
}

}  // namespace
