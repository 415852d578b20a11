#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "EngineDataReader.h"
#include "genepop/Convert.h"
#include "genepop/GenepopReader.h"
#include "genepop/Selection.h"
#include "genepop/Text.h"

using namespace genepop;

namespace {

// Locus A has an allele (07) seen only in the mixture and one (09) only in an ignored
// sample; B has half-missing genotypes; D has a single allele in the chosen samples.
const char* kFixture =
    "t\n"
    "A, B, C\n"
    "D\n"
    "Pop\n"
    "s1 , 0102 0303 0101 0101\n"
    "s1b , 0202 0000 0102 0000\n"
    "Pop\n"
    "s2 , 0505 0304 0101 0101\n"
    "Pop\n"
    "ignored , 0909 0303 0101 0909\n"
    "Pop\n"
    "m1 , 0105 0000 0101 0101\n"
    "m2 , 0007 0300 0202 0000\n";

GenepopData Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseGenepop(in, "f.gen");
}

Selection Choose(std::vector<SourceChoice> sources, int mixture)
{
    Selection s;
    s.sources = std::move(sources);
    s.mixture = mixture;
    return s;
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

// A 3-digit file: `samples` samples of `perSample` individuals, `loci` loci; individual k
// of every sample carries alleles 100 + k and 100 + k + 1 at every locus when `distinct`,
// else 100 and 101.
std::string Generated(int samples, int perSample, int loci, bool distinct = false)
{
    std::string text = "generated\n";
    for (int l = 0; l < loci; ++l) text += "L" + std::to_string(l + 1) + (l + 1 < loci ? "," : "\n");
    for (int s = 0; s < samples; ++s) {
        text += "Pop\n";
        for (int k = 0; k < perSample; ++k) {
            text += "i ,";
            for (int l = 0; l < loci; ++l) text += " " + std::to_string(100 + (distinct ? k : 0)) + std::to_string(101 + (distinct ? k : 0));
            text += "\n";
        }
    }
    return text;
}

Selection FirstIsMixture(int sources)
{
    Selection s;
    s.mixture = 0;
    for (int k = 1; k <= sources; ++k) s.sources.push_back({k, 0.0, 0.0});
    return s;
}

}  // namespace

TEST(Convert, GenotypeCodeFollowsTheEngineSplit)
{
    EXPECT_EQ(GenotypeCode(3, 12), 312);
    EXPECT_EQ(GenotypeCode(0, 5), 5);
    EXPECT_EQ(GenotypeCode(12, 99), 1299);
    EXPECT_EQ(GenotypeCode(99, 5), 9905);
    EXPECT_EQ(GenotypeCode(99, 99), 9999);
    for (int g : {GenotypeCode(98, 0), GenotypeCode(99, 98), GenotypeCode(0, 99)}) {
        EXPECT_EQ(GenotypeCode(g / 100, g % 100), g);
    }
}

TEST(Convert, WritesTheFixtureExactly)
{
    const GenepopData d = Parse(kFixture);
    const EngineData e = Convert(d, Choose({{0, 1.0, 0.5}, {1, 0.0, 2.0}}, 3));
    EXPECT_EQ(SourceFileText(e),
              "source data converted from GENEPOP by genepop2orvanta: number of sources, number of loci\n"
              "2 3\n"
              "G1 of each source, in source order\n"
              "1 0\n"
              "one line per source; per locus: locus number, 0, number of alleles, allele counts, their sum\n"
              "1 0 4 1 3 0 0 4 2 0 2 2 0 2 3 0 2 3 1 4\n"
              "1 0 4 0 0 2 0 2 2 0 2 1 1 2 3 0 2 2 0 2\n");
    EXPECT_EQ(MixtureFileText(e),
              "mixture data converted from GENEPOP by genepop2orvanta\n"
              "G2 of each source, in source order; then the number of mixture individuals\n"
              "0.5 2\n"
              "2\n"
              "one line per individual: number, then per locus 100 * first allele + second allele (99: missing allele)\n"
              "1 2 9999 0\n"
              "2 9903 99 101\n");
    EXPECT_EQ(RecodingTableText(e),
              "locus,locus_name,genepop_allele,engine_code\n"
              "1,A,01,0\n1,A,02,1\n1,A,05,2\n1,A,07,3\n"
              "2,B,03,0\n2,B,04,1\n"
              "3,C,01,0\n3,C,02,1\n");
    ASSERT_EQ(e.warnings.size(), 1u);
    EXPECT_EQ(e.warnings[0], "f.gen: locus 4 (D) has a single allele in the chosen samples; left out, since it cannot tell the sources apart.");
}

TEST(Convert, FixtureReadsAlignedByTheEngineRules)
{
    const EngineData e = Convert(Parse(kFixture), Choose({{0, 1.0, 0.5}, {1, 0.0, 2.0}}, 3));
    std::string error;
    datareader::SourceFile src;
    error = datareader::ReadSource(SourceFileText(e), src);
    ASSERT_EQ(error, "");
    EXPECT_EQ(src.num_sources, 2);
    EXPECT_EQ(src.num_loci, 3);
    EXPECT_EQ(src.g1, (std::vector<double>{1.0, 0.0}));
    EXPECT_EQ(src.loci[1][0].counts, (std::vector<int>{0, 0, 2, 0}));
    datareader::MixtureFile mix;
    error = datareader::ReadMixture(MixtureFileText(e), 2, 3, mix);
    ASSERT_EQ(error, "");
    EXPECT_EQ(mix.g2, (std::vector<double>{0.5, 2.0}));
    EXPECT_EQ(mix.codes, (std::vector<std::vector<int>>{{2, 9999, 0}, {9903, 99, 101}}));
}

TEST(Convert, FactorValuesReadBackExactly)
{
    const double values[] = {0.1, -1e-7, 1.0 / 3.0, 123456.789, 6.02214076e23};
    const GenepopData d = Parse(kFixture);
    for (double v : values) {
        const EngineData e = Convert(d, Choose({{0, v, -v}, {1, 2 * v, v}}, 3));
        std::string error;
        datareader::SourceFile src;
        error = datareader::ReadSource(SourceFileText(e), src);
        datareader::MixtureFile mix;
        error = datareader::ReadMixture(MixtureFileText(e), 2, 3, mix);
        ASSERT_EQ(error, "");
        EXPECT_EQ(src.g1[0], v);
        EXPECT_EQ(src.g1[1], 2 * v);
        EXPECT_EQ(mix.g2[0], -v);
    }
}

TEST(Convert, ChecksTheEngineCapacities)
{
    const struct {
        std::string text;
        Selection selection;
        const char* error;  // empty: accepted
    } cases[] = {
        {Generated(2, 1, 1), FirstIsMixture(1), "f.gen: 1 source chosen; expected at least 2."},
        {Generated(17, 1, 1), FirstIsMixture(16), "f.gen: 16 sources chosen; the engine takes at most 15."},
        {Generated(16, 1, 1), FirstIsMixture(15), ""},
        // 98 individuals carry alleles 100..198: 99 alleles, the most the codes 0..98 hold.
        {Generated(3, 98, 1, true), FirstIsMixture(2), ""},
        {Generated(3, 99, 1, true), FirstIsMixture(2), "f.gen: locus 1 (L1) has 100 different alleles in the chosen samples; the engine takes at most 99 per locus."},
        {Generated(3, 1, 1500), FirstIsMixture(2), ""},
        {Generated(3, 1, 1501), FirstIsMixture(2), "f.gen: 1501 loci to convert; the engine takes at most 1500."},
        {Generated(3, 601, 1), Selection{{{1, 0, 0}, {2, 0, 0}}, 0}, ""},
        {Generated(3, 602, 1), Selection{{{1, 0, 0}, {2, 0, 0}}, 0}, "f.gen, line 3: the mixture, sample 1 (i), has 602 individuals; the engine takes at most 601."},
        {"t\nA\nPop\na , 0101\nPop\nb , 0101 \nPop\nc , 0000\n", FirstIsMixture(2), "f.gen: no locus has two alleles or more in the chosen samples; expected at least one."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        const GenepopData d = Parse(c.text);
        const std::string e = ErrorOf([&] { Convert(d, c.selection); });
        if (*c.error == '\0') {
            EXPECT_EQ(e, "(no error)");
        } else {
            EXPECT_EQ(e.substr(0, std::string(c.error).size()), c.error) << e;
        }
    }
    // At the top of the range the codes still stay clear of the missing code.
    const EngineData top = Convert(Parse(Generated(3, 98, 1, true)), FirstIsMixture(2));
    EXPECT_EQ(top.loci[0].alleles.size(), 99u);
    EXPECT_EQ(top.mixture.back()[0], GenotypeCode(97, 98));
}

namespace {

struct RealCase {
    const char* file;
    int mixture;               // 0-based
    std::vector<int> sources;  // 0-based
    int minAlleles, maxAlleles;  // over all samples, as published
};

std::map<std::pair<int, int>, int> TableCodes(const std::string& table, std::map<std::pair<int, int>, int>& back)
{
    // (locus, GENEPOP allele) -> engine code, and (locus, engine code) -> GENEPOP allele.
    std::map<std::pair<int, int>, int> forward;
    std::istringstream in(table);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "locus,locus_name,genepop_allele,engine_code");
    std::vector<std::string> f;
    while (std::getline(in, line)) {
        EXPECT_TRUE(SplitCsvLine(line, f));
        const int locus = std::stoi(f[0]), allele = std::stoi(f[2]), code = std::stoi(f[3]);
        forward[{locus, allele}] = code;
        back[{locus, code}] = allele;
    }
    return forward;
}

}  // namespace

TEST(Convert, RealFilesRoundTripThroughTheRecodingTable)
{
    const RealCase cases[] = {
        {"microbov/microbov.gen", 0, {1, 2, 3, 4, 5, 9, 11, 14}, 5, 22},
        {"nancycats/nancycats.gen", 16, {0, 1, 2, 3, 4, 5}, 8, 18},
        {"alewife/alewife.gen", 9, {0, 3, 8, 12, 16, 20}, 4, 17},
    };
    for (const RealCase& c : cases) {
        SCOPED_TRACE(c.file);
        const GenepopData d = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/" + c.file);
        Selection sel;
        sel.mixture = c.mixture;
        for (size_t k = 0; k < c.sources.size(); ++k) sel.sources.push_back({c.sources[k], double(k), 1.0 - double(k)});
        const EngineData e = Convert(d, sel);
        ASSERT_EQ(e.loci.size(), d.loci.size());  // every locus is polymorphic here

        std::string error;
        datareader::SourceFile src;
        error = datareader::ReadSource(SourceFileText(e), src);
        ASSERT_EQ(error, "");
        datareader::MixtureFile mix;
        error = datareader::ReadMixture(MixtureFileText(e), src.num_sources, src.num_loci, mix);
        ASSERT_EQ(error, "");
        std::map<std::pair<int, int>, int> back;
        const auto forward = TableCodes(RecodingTableText(e), back);

        const Sample& m = d.samples[static_cast<size_t>(c.mixture)];
        ASSERT_EQ(mix.num_mixture, static_cast<int>(m.individuals.size()));
        for (size_t i = 0; i < m.individuals.size(); ++i) {
            for (size_t l = 0; l < d.loci.size(); ++l) {
                const int g = mix.codes[i][l];
                const int locus = static_cast<int>(l) + 1;
                const int a = g / 100 == 99 ? 0 : back.at({locus, g / 100});
                const int b = g % 100 == 99 ? 0 : back.at({locus, g % 100});
                ASSERT_EQ(a, m.individuals[i].genotypes[l].a) << "individual " << i << " locus " << l;
                ASSERT_EQ(b, m.individuals[i].genotypes[l].b) << "individual " << i << " locus " << l;
            }
        }
        // Counts recomputed from the GENEPOP genotypes through the table.
        for (size_t s = 0; s < c.sources.size(); ++s) {
            const Sample& sample = d.samples[static_cast<size_t>(c.sources[s])];
            for (size_t l = 0; l < d.loci.size(); ++l) {
                const int locus = static_cast<int>(l) + 1;
                std::vector<int> counts(e.loci[l].alleles.size(), 0);
                for (const Individual& ind : sample.individuals) {
                    for (int allele : {ind.genotypes[l].a, ind.genotypes[l].b}) {
                        if (allele != 0) ++counts[static_cast<size_t>(forward.at({locus, allele}))];
                    }
                }
                const datareader::Locus& read = src.loci[s][l];
                ASSERT_EQ(read.counts, counts);
                ASSERT_EQ(read.label, locus);
                ASSERT_EQ(read.value, 0);
                int sum = 0;
                for (int n : counts) sum += n;
                ASSERT_EQ(read.closing, sum);
            }
        }

        // With every sample chosen, the allele numbers are those published for the file.
        Selection all;
        all.mixture = 0;
        for (int s = 1; s < static_cast<int>(d.samples.size()); ++s) all.sources.push_back({s, 0, 0});
        if (all.sources.size() > static_cast<size_t>(kMaxSources)) all.sources.resize(kMaxSources);
        std::vector<size_t> sizes;
        if (d.samples.size() <= static_cast<size_t>(kMaxSources) + 1) {
            for (const EngineLocus& locus : Convert(d, all).loci) sizes.push_back(locus.alleles.size());
            EXPECT_EQ(*std::min_element(sizes.begin(), sizes.end()), static_cast<size_t>(c.minAlleles));
            EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), static_cast<size_t>(c.maxAlleles));
        }
    }
}

TEST(Convert, AlleleSeenOnlyInTheMixtureGetsZeroCounts)
{
    // Cats of colony 17 as the mixture against colonies 1 and 2 only: some of its alleles
    // are in neither colony and must still have a code, with zero counts in both.
    const GenepopData d = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/nancycats/nancycats.gen");
    const EngineData e = Convert(d, Choose({{0, 0, 0}, {1, 0, 0}}, 16));
    int onlyInMixture = 0;
    for (size_t l = 0; l < e.loci.size(); ++l) {
        for (size_t c = 0; c < e.loci[l].alleles.size(); ++c) {
            if (e.sources[0].counts[l][c] == 0 && e.sources[1].counts[l][c] == 0) ++onlyInMixture;
        }
    }
    EXPECT_GT(onlyInMixture, 0);
}
