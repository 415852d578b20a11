#include <gtest/gtest.h>

#include <sstream>

#include "genepop/GenepopReader.h"
#include "genepop/Selection.h"
#include "genepop/Text.h"

using namespace genepop;

namespace {

// Four samples named after their last individuals: "p1", "3" (a name that is also a
// position), "p3" twice.
const char* kFile =
    "t\nA\nPop\nx , 0101\np1 , 0102\nPop\n3 , 0202\nPop\np3 , 0101\nPop\np3 , 0303\n";

GenepopData Data()
{
    std::istringstream in(kFile);
    return ParseGenepop(in, "f.gen");
}

template <class F>
std::string ErrorOf(F f)
{
    try {
        f();
    } catch (const ImportError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(Selection, ResolvesPositionsNamesAndLabels)
{
    const GenepopData d = Data();
    const std::vector<std::string> labels = {"Alpha", "Beta", "Gamma", "Delta"};
    EXPECT_EQ(ResolveSample(d, {}, "1", ""), 0);
    EXPECT_EQ(ResolveSample(d, {}, "4", ""), 3);
    EXPECT_EQ(ResolveSample(d, {}, "p1", ""), 0);
    EXPECT_EQ(ResolveSample(d, {}, " p1 ", ""), 0);
    EXPECT_EQ(ResolveSample(d, labels, "Gamma", ""), 2);
    // Sample 2 is named "3": as a name it means sample 2, as a position sample 3.
    EXPECT_EQ(ErrorOf([&] { ResolveSample(d, {}, "3", "cmd: "); }),
              "cmd: \"3\" could mean sample 2 (3), sample 3 (p3); expected a reference to one sample (use its position).");
    EXPECT_EQ(ErrorOf([&] { ResolveSample(d, {}, "p3", "cmd: "); }),
              "cmd: \"p3\" could mean sample 3 (p3), sample 4 (p3); expected a reference to one sample (use its position).");
    EXPECT_EQ(ErrorOf([&] { ResolveSample(d, {}, "5", "cmd: "); }),
              "cmd: no sample \"5\"; expected a position from 1 to 4, a sample name (the identifier of the sample's last individual) or a label.");
    EXPECT_EQ(ErrorOf([&] { ResolveSample(d, {}, "Alpha", "cmd: "); }).substr(0, 23), "cmd: no sample \"Alpha\";");
    EXPECT_EQ(ErrorOf([&] { ResolveSample(d, {}, "0", "cmd: "); }).substr(0, 19), "cmd: no sample \"0\";");
    EXPECT_EQ(ErrorOf([&] { ResolveSample(d, {}, " ", "cmd: "); }),
              "cmd: empty sample; expected a position, a sample name or a label.");
}

TEST(Selection, LabelsCsv)
{
    const GenepopData d = Data();
    // The first column, or the one called "label"; quotes and CRLF as spreadsheets write them.
    EXPECT_EQ(ParseLabels("pop,n\r\nA,1\r\nB,2\r\n\"C, c\",3\r\nD,4\r\n", "l.csv", d),
              (std::vector<std::string>{"A", "B", "C, c", "D"}));
    EXPECT_EQ(ParseLabels("n,Label\n1,A\n2,B\n3,C\n4,D\n", "l.csv", d), (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ(ErrorOf([&] { ParseLabels("pop\nA\nB\nC\n", "l.csv", d); }),
              "l.csv: 3 rows after the header; expected one row per sample of f.gen (4), in file order.");
    EXPECT_EQ(ErrorOf([&] { ParseLabels("n,label\n1,A\n2\n3,C\n4,D\n", "l.csv", d); }),
              "l.csv, line 3: the row has 1 fields; expected the label in field 2.");
    EXPECT_EQ(ErrorOf([&] { ParseLabels("pop\n\"A\nB\nC\nD\n", "l.csv", d); }),
              "l.csv, line 2: a quoted field is not closed; expected a closing \".");
    EXPECT_EQ(ErrorOf([&] { ParseLabels("", "l.csv", d); }),
              "l.csv: the file is empty; expected a header line, then one row per sample.");
}

TEST(Selection, RealLabelsMatchTheCattleBreeds)
{
    const GenepopData d = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/microbov/microbov.gen");
    const std::vector<std::string> labels = ReadLabels(std::string(GENEPOP_DATA_DIR) + "/microbov/microbov_pops.csv", d);
    EXPECT_EQ(ResolveSample(d, labels, "Borgou", ""), 0);
    EXPECT_EQ(ResolveSample(d, labels, "AFBIZEB9502", ""), 1);
    EXPECT_EQ(ResolveSample(d, labels, "Salers", ""), 14);
    EXPECT_EQ(ResolveSample(d, labels, "15", ""), 14);
}

TEST(Selection, FactorsCsv)
{
    const FactorTable t = ParseFactors("G2,extra,Sample,g1\n1,x,Zebu,1\n0.5, y ,3,-2.5e-1\n", "f.csv");
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0].sample, "Zebu");
    EXPECT_EQ(t.rows[0].g1, 1.0);
    EXPECT_EQ(t.rows[0].g2, 1.0);
    EXPECT_EQ(t.rows[1].sample, "3");
    EXPECT_EQ(t.rows[1].g1, -0.25);
    EXPECT_EQ(t.rows[1].g2, 0.5);
    EXPECT_EQ(t.rows[1].line, 3);
    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"sample,G1\n1,2\n", "f.csv, line 1: no column \"G2\" in the header; expected the columns sample, G1 and G2."},
        {"sample,G1,G2\n1,2\n", "f.csv, line 2: the row has 2 fields; expected a value in column \"G2\"."},
        {"sample,G1,G2\n1,2,NA\n", "f.csv, line 2: \"NA\" in column G2; expected a number with \".\" as the decimal separator."},
        {"sample,G1,G2\n1,\"0,5\",1\n", "f.csv, line 2: \"0,5\" in column G1; expected a number"},
        {"sample,G1,G2\n1,1x,1\n", "f.csv, line 2: \"1x\" in column G1; expected a number"},
        {"sample,G1,G2\n1,inf,1\n", "f.csv, line 2: \"inf\" in column G1"},
        {"sample,G1,G2\n1,,1\n", "f.csv, line 2: \"\" in column G1"},
        {"sample,G1,G2\n", "f.csv: no rows after the header; expected one row per source."},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.text);
        const std::string e = ErrorOf([&] { ParseFactors(c.text, "f.csv"); });
        EXPECT_EQ(e.substr(0, std::string(c.error).size()), c.error) << e;
    }
}

TEST(Selection, BuildsFromCommandLineValues)
{
    const GenepopData d = Data();
    SelectionRequest r;
    r.mixture = "p1";
    r.sources = {"4", "2"};
    r.g1 = {1, 0};
    r.g2 = {0.5, 2};
    const Selection s = BuildSelection(d, {}, r);
    EXPECT_EQ(s.mixture, 0);
    ASSERT_EQ(s.sources.size(), 2u);
    EXPECT_EQ(s.sources[0].sample, 3);
    EXPECT_EQ(s.sources[0].g2, 0.5);
    EXPECT_EQ(s.sources[1].sample, 1);
    EXPECT_EQ(s.sources[1].g1, 0.0);
    EXPECT_EQ(s.sources[1].g2, 2.0);
}

TEST(Selection, BuildsFromFactorTable)
{
    const GenepopData d = Data();
    const std::vector<std::string> labels = {"Alpha", "Beta", "Gamma", "Delta"};
    SelectionRequest r;
    r.mixture = "Alpha";
    r.haveFactors = true;
    r.factors = ParseFactors("sample,G1,G2\nDelta,1,2\n2,3,4\nGamma,5,6\n", "f.csv");
    // Without sources: every row, in the table's order.
    Selection s = BuildSelection(d, labels, r);
    ASSERT_EQ(s.sources.size(), 3u);
    EXPECT_EQ(s.sources[0].sample, 3);
    EXPECT_EQ(s.sources[1].sample, 1);
    EXPECT_EQ(s.sources[1].g2, 4.0);
    EXPECT_EQ(s.sources[2].sample, 2);
    // With sources: their order, and rows of other samples ignored.
    r.sources = {"Gamma", "Delta"};
    s = BuildSelection(d, labels, r);
    ASSERT_EQ(s.sources.size(), 2u);
    EXPECT_EQ(s.sources[0].sample, 2);
    EXPECT_EQ(s.sources[0].g1, 5.0);
    EXPECT_EQ(s.sources[1].sample, 3);
    EXPECT_EQ(s.sources[1].g1, 1.0);
}

TEST(Selection, RefusesInconsistentRequests)
{
    const GenepopData d = Data();
    const std::vector<std::string> labels = {"Alpha", "Beta", "Gamma", "Delta"};
    auto request = [] {
        SelectionRequest r;
        r.mixture = "1";
        r.sources = {"2", "4"};
        r.g1 = {0, 1};
        r.g2 = {0, 1};
        return r;
    };
    const struct {
        void (*change)(SelectionRequest&);
        const char* error;
    } cases[] = {
        {[](SelectionRequest& r) { r.mixture = ""; }, "command line: no mixture; expected the mixture sample (--mixture)."},
        {[](SelectionRequest& r) { r.g1 = {1}; }, "command line: 1 values of G1 and 2 of G2 for 2 sources; expected one of each per source, in source order."},
        {[](SelectionRequest& r) { r.sources = {"2", "1"}; }, "selection: sample 1 (p1, label Alpha) is the mixture; expected the mixture not to be a source as well."},
        {[](SelectionRequest& r) { r.sources = {"Delta", "4"}; }, "selection: sample 4 (p3, label Delta) is chosen twice as a source; expected each source once."},
        {[](SelectionRequest& r) { r.sources = {"2", "Omega"}; }, "command line, source 2: no sample \"Omega\";"},
        {[](SelectionRequest& r) { r.g1.clear(); r.g2.clear(); }, "command line: no G1 and G2; expected values for each source (--g1, --g2) or a factors CSV (--factors)."},
        {[](SelectionRequest& r) { r.haveFactors = true; r.factors.file = "f.csv"; }, "command line: G1 and G2 given both as values and in f.csv; expected one of the two."},
        {[](SelectionRequest& r) {
             r.g1.clear(); r.g2.clear(); r.haveFactors = true;
             r.factors = ParseFactors("sample,G1,G2\n2,0,0\n", "f.csv");
         }, "f.csv: no row for source sample 4 (p3, label Delta); expected G1 and G2 for every source."},
        {[](SelectionRequest& r) {
             r.g1.clear(); r.g2.clear(); r.haveFactors = true;
             r.factors = ParseFactors("sample,G1,G2\n2,0,0\n4,1,1\nBeta,1,1\n", "f.csv");
         }, "f.csv, line 4: sample 2 (3, label Beta) has a row already at line 2; expected one row per sample."},
        {[](SelectionRequest& r) {
             r.g1.clear(); r.g2.clear(); r.sources.clear(); r.haveFactors = true;
             r.factors = ParseFactors("sample,G1,G2\n2,0,0\nAlpha,1,1\n", "f.csv");
         }, "f.csv, line 3: sample 1 (p1, label Alpha) is the mixture; expected only sources in the factors CSV when no sources are given."},
        {[](SelectionRequest& r) {
             r.g1.clear(); r.g2.clear(); r.sources.clear(); r.haveFactors = true;
             r.factors = ParseFactors("sample,G1,G2\n2,0,0\nNone,1,1\n", "f.csv");
         }, "f.csv, line 3: no sample \"None\";"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        SelectionRequest r = request();
        c.change(r);
        const std::string e = ErrorOf([&] { BuildSelection(d, labels, r); });
        EXPECT_EQ(e.substr(0, std::string(c.error).size()), c.error) << e;
    }
}
