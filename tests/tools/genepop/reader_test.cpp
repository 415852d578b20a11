#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "genepop/GenepopReader.h"
#include "genepop/Text.h"

using namespace genepop;

namespace {

GenepopData Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseGenepop(in, "f.gen");
}

std::string ErrorOf(const std::string& text)
{
    try {
        Parse(text);
    } catch (const ImportError& e) {
        return e.what();
    }
    return "(no error)";
}

struct RealFile {
    const char* path;
    size_t samples, individuals, loci;
    int digits;
    double missingPercent;
    const char* firstName;  // of sample 1
    const char* lastSampleName;
};

}  // namespace

TEST(GenepopReader, RealFilesMatchTheirPublishedSummaries)
{
    const RealFile files[] = {
        {"microbov/microbov.gen", 15, 704, 30, 3, 2.32, "AFBIBOR9503", "FRBTSAL9285"},
        {"nancycats/nancycats.gen", 17, 237, 9, 2, 2.34, "1", "17"},
        {"alewife/alewife.gen", 21, 1070, 11, 3, 6.31, "AEMME_001", "AAGNC_051"},
    };
    for (const RealFile& f : files) {
        SCOPED_TRACE(f.path);
        const GenepopData d = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/" + f.path);
        EXPECT_EQ(d.samples.size(), f.samples);
        EXPECT_EQ(d.loci.size(), f.loci);
        EXPECT_EQ(d.digits, f.digits);
        size_t individuals = 0, missing = 0, halfMissing = 0;
        for (const Sample& s : d.samples) {
            individuals += s.individuals.size();
            for (const Individual& ind : s.individuals) {
                ASSERT_EQ(ind.genotypes.size(), f.loci);
                for (const Genotype& g : ind.genotypes) {
                    missing += g.a == 0 && g.b == 0;
                    halfMissing += (g.a == 0) != (g.b == 0);
                }
            }
        }
        EXPECT_EQ(individuals, f.individuals);
        EXPECT_EQ(halfMissing, 0u);
        EXPECT_DOUBLE_EQ(std::round(10000.0 * missing / (individuals * f.loci)) / 100, f.missingPercent);
        EXPECT_EQ(d.samples.front().individuals.front().name, f.firstName);
        EXPECT_EQ(d.samples.back().Name(), f.lastSampleName);
    }
}

TEST(GenepopReader, ReadsGenotypesOfBothWidths)
{
    // microbov: 3-digit sizes; the first cow's first two genotypes are 183183 137141.
    const GenepopData bov = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/microbov/microbov.gen");
    EXPECT_EQ(bov.loci.front(), "INRA63");
    EXPECT_EQ(bov.loci.back(), "SPS115");
    const Individual& cow = bov.samples[0].individuals[0];
    EXPECT_EQ(cow.line, 33);
    EXPECT_EQ(cow.genotypes[0].a, 183);
    EXPECT_EQ(cow.genotypes[1].a, 137);
    EXPECT_EQ(cow.genotypes[1].b, 141);
    // nancycats: CRLF, 2-digit codes; the first cat is missing at fca8 and 0409 at fca23.
    const GenepopData cats = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/nancycats/nancycats.gen");
    EXPECT_EQ(cats.title, "Genotypes of cats from 17 colonies of Nancy (France)");
    EXPECT_EQ(cats.loci.back(), "fca37");
    const Individual& cat = cats.samples[0].individuals[0];
    EXPECT_EQ(cat.genotypes[0].a, 0);
    EXPECT_EQ(cat.genotypes[0].b, 0);
    EXPECT_EQ(cat.genotypes[1].a, 4);
    EXPECT_EQ(cat.genotypes[1].b, 9);
    EXPECT_EQ(cats.samples[1].popLine, 22);
}

TEST(GenepopReader, AcceptsTheFormatsLatitude)
{
    // Locus names comma-separated and one per line mixed; "Pop" in any case with blanks,
    // tabs and CR; names with blanks and empty names; tabs between genotypes; an
    // individual continued over two more lines; half-missing genotypes.
    const std::string text =
        "a title, with a comma\r\n"
        "L1, L2,L3\r\n"
        "L4\r\n"
        "  POP \t\r\n"
        "Bor 12 , 0101\t0102  0000 0004\r\n"
        " , 0203 0300 0101 0202\r\n"
        "\r\n"
        "pop\n"
        "last one,0101\n"
        "  0202\n"
        "\t0303 0404   \n"
        "x ,0101 0101 0101 0101\n";
    const GenepopData d = Parse(text);
    EXPECT_EQ(d.title, "a title, with a comma");
    EXPECT_EQ(d.loci, (std::vector<std::string>{"L1", "L2", "L3", "L4"}));
    EXPECT_EQ(d.digits, 2);
    ASSERT_EQ(d.samples.size(), 2u);
    const Sample& s1 = d.samples[0];
    EXPECT_EQ(s1.popLine, 4);
    ASSERT_EQ(s1.individuals.size(), 2u);
    EXPECT_EQ(s1.individuals[0].name, "Bor 12");
    EXPECT_EQ(s1.individuals[1].name, "");
    EXPECT_EQ(s1.Name(), "");
    const std::vector<Genotype>& g = s1.individuals[0].genotypes;
    EXPECT_EQ(g[1].a, 1);
    EXPECT_EQ(g[1].b, 2);
    EXPECT_EQ(g[2].a, 0);
    EXPECT_EQ(g[2].b, 0);
    EXPECT_EQ(g[3].a, 0);
    EXPECT_EQ(g[3].b, 4);
    EXPECT_EQ(s1.individuals[1].genotypes[1].a, 3);
    EXPECT_EQ(s1.individuals[1].genotypes[1].b, 0);
    const Sample& s2 = d.samples[1];
    ASSERT_EQ(s2.individuals.size(), 2u);
    EXPECT_EQ(s2.individuals[0].name, "last one");
    EXPECT_EQ(s2.individuals[0].line, 9);
    EXPECT_EQ(s2.individuals[0].genotypes[3].a, 4);
    EXPECT_EQ(s2.Name(), "x");
}

TEST(GenepopReader, ThreeDigitHalfMissing)
{
    const GenepopData d = Parse("t\nA\nB\nPop\ni1 , 090000 000102\n");
    EXPECT_EQ(d.digits, 3);
    const std::vector<Genotype>& g = d.samples[0].individuals[0].genotypes;
    EXPECT_EQ(g[0].a, 90);
    EXPECT_EQ(g[0].b, 0);
    EXPECT_EQ(g[1].a, 0);
    EXPECT_EQ(g[1].b, 102);
}

TEST(GenepopReader, RefusesMalformedFilesNamingTheLine)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", "f.gen: the file is empty; expected a title line"},
        {"t\nA\nB\n", "f.gen, line 3: end of file: expected a line \"Pop\" after the locus names"},
        {"t\nPop\na , 0101\n", "f.gen, line 2: expected the locus names"},
        {"t\nA\nPop\n0101\n", "f.gen, line 4: expected an individual as \"name , genotypes\" (a comma after the name) or a line \"Pop\", found \"0101\"."},
        {"t\nA\nB\nPop\na , 0101\nb , 0101 0101\n", "f.gen, line 5: individual \"a\" has 1 genotypes; expected 2, one per locus"},
        {"t\nA\nB\nPop\na , 0101 0101\nb , 0101\n", "f.gen, line 6: individual \"b\" has 1 genotypes; expected 2"},
        {"t\nA\nB\nPop\na , 0101\nPop\nb , 0101 0101\n", "f.gen, line 5: individual \"a\" has 1 genotypes"},
        {"t\nA\nB\nPop\na , 0101\n0101 0202\n", "f.gen, line 6: individual \"a\" has more than 2 genotypes; expected one per locus."},
        {"t\nA\nB\nPop\na , 01 02\n", "f.gen, line 5: genotype \"01\" at locus 1 (A) holds a single allele; haploid data cannot be converted: expected 2 alleles of 2 or 3 digits each"},
        {"t\nA\nB\nPop\na , 0101 0202\nb , 090 102\n", "f.gen, line 6: genotype \"090\" at locus 1 (A) holds a single allele; haploid"},
        {"t\nA\nB\nPop\na , 0101 0202\nb , 0101 090102\n", "f.gen, line 6: genotype \"090102\" at locus 2 (B) has 3-digit alleles, but the file's first genotype (line 5) has 2-digit alleles; expected one width throughout the file."},
        {"t\nA\nB\nPop\na , 0101 01x2\n", "f.gen, line 5: genotype \"01x2\" at locus 2 (B): expected 2 alleles of 2 or 3 digits each, e.g. 0410 or 090090."},
        {"t\nA\nB\nPop\na , 0101 01022\n", "f.gen, line 5: genotype \"01022\" at locus 2 (B): expected 2 alleles"},
        {"t\nA\nB\nPop\na , 0101, 0102\n", "f.gen, line 5: genotype \"0101,\" at locus 1 (A): expected"},
        {"t\nA\nPop\nPop\na , 0101\n", "f.gen, line 3: sample 1 has no individuals"},
        {"t\nA\nPop\na , 0101\nPop\n\n", "f.gen, line 5: sample 2 has no individuals; expected at least one line \"name , genotypes\""},
        {"t\nA\nPop\na , 0101\nPop 2\n", "f.gen, line 5: expected an individual as \"name , genotypes\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string error = ErrorOf(c.text);
        EXPECT_EQ(error.substr(0, std::string(c.expected).size()), c.expected) << error;
    }
}

TEST(GenepopReader, MissingFileIsNamed)
{
    try {
        ReadGenepop("no/such/file.gen");
        FAIL();
    } catch (const ImportError& e) {
        EXPECT_STREQ(e.what(), "no/such/file.gen: cannot open the file for reading.");
    }
}
