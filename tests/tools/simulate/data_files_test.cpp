// The data files parse back under the engine's reading rules and hold what was simulated.
#include <gtest/gtest.h>

#include "EngineDataReader.h"
#include "simulate/Simulate.h"
#include "simulate/Writers.h"

namespace {

using namespace orvsim;

Scenario Small()
{
    Scenario s;
    s.seed = 11;
    s.sources = 4;
    s.loci = 7;
    s.alleles = {2, 40};
    s.sample_size = {10, 60};
    s.mixture = 35;
    s.missing = 0.1;
    return s;
}

SimulatedData Generate(const Scenario& sc)
{
    SimulatedData d;
    EXPECT_EQ(Simulate(sc, d), "");
    return d;
}

void ExpectReadsBack(const Scenario& sc)
{
    const SimulatedData d = Generate(sc);
    datareader::SourceFile src;
    ASSERT_EQ(datareader::ReadSource(SourceFileText(d), src), "");
    ASSERT_EQ(src.num_sources, sc.sources);
    ASSERT_EQ(src.num_loci, sc.loci);
    for (int s = 0; s < sc.sources; ++s) EXPECT_NEAR(src.g1[s], d.g1[s], 1e-9 * (1 + std::abs(d.g1[s])));
    for (int s = 0; s < sc.sources; ++s)
        for (int l = 0; l < sc.loci; ++l) {
            const datareader::Locus& L = src.loci[s][l];
            const int k = static_cast<int>(L.counts.size());
            // Every source reports the same number of alleles at a locus, inside the asked range.
            EXPECT_EQ(k, d.num_alleles[l]);
            EXPECT_GE(k, sc.alleles.lo);
            EXPECT_LE(k, sc.alleles.hi);
            int genes = 0;
            for (int c : L.counts) {
                EXPECT_GE(c, 0);
                genes += c;
            }
            EXPECT_EQ(genes, 2 * d.sample_individuals[s]);
            EXPECT_EQ(L.closing, genes);
            EXPECT_EQ(L.counts, d.counts[s][l]);
        }

    datareader::MixtureFile mix;
    ASSERT_EQ(datareader::ReadMixture(MixtureFileText(d), sc.sources, sc.loci, mix), "");
    ASSERT_EQ(mix.num_mixture, sc.mixture);
    for (int s = 0; s < sc.sources; ++s) EXPECT_NEAR(mix.g2[s], d.g2[s], 1e-9 * (1 + std::abs(d.g2[s])));
    for (int i = 0; i < sc.mixture; ++i) {
        EXPECT_EQ(mix.labels[i], i + 1);
        for (int l = 0; l < sc.loci; ++l) {
            const int g = mix.codes[i][l];
            if (g == kMissingGenotype) continue;
            const int a = g / 100, b = g % 100;
            EXPECT_LE(a, b) << "individual " << i << " locus " << l;
            EXPECT_LT(b, d.num_alleles[l]) << "individual " << i << " locus " << l;
            EXPECT_GE(a, 0);
        }
    }
}

TEST(SimulateFiles, ReadBackUnderTheEngineRules)
{
    ExpectReadsBack(Small());
}

TEST(SimulateFiles, ReadBackAtTheCapacities)
{
    const struct {
        const char* name;
        int sources, loci, lo, hi, mixture;
        int generation;
    } cases[] = {
        {"two sources, one locus, no mixture", 2, 1, 2, 2, 0, 1},
        {"fifteen sources, 98 alleles", 15, 3, 98, 98, 20, 1},
        {"long lines", 3, 1500, 2, 5, 601, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario sc;
        sc.sources = c.sources;
        sc.loci = c.loci;
        sc.alleles = {c.lo, c.hi};
        sc.sample_size = {5, 5};
        sc.mixture = c.mixture;
        sc.generation = c.generation;
        ExpectReadsBack(sc);
    }
}

TEST(SimulateFiles, AlleleCodeZeroIsWrittenWithoutLeadingDigits)
{
    // Two alleles and many individuals: 0/0 must appear as "0", 0/1 as "1", 1/1 as "101".
    Scenario sc = Small();
    sc.alleles = {2, 2};
    sc.mixture = 200;
    sc.missing = 0.0;
    const SimulatedData d = Generate(sc);
    datareader::MixtureFile mix;
    ASSERT_EQ(datareader::ReadMixture(MixtureFileText(d), sc.sources, sc.loci, mix), "");
    int seen[3] = {0, 0, 0};
    for (const auto& row : mix.codes)
        for (int g : row) {
            ASSERT_TRUE(g == 0 || g == 1 || g == 101) << g;
            ++seen[g == 0 ? 0 : g == 1 ? 1 : 2];
        }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
}

TEST(SimulateFiles, MissingRateIsRoughlyAsAsked)
{
    for (double rate : {0.0, 0.05, 0.3, 1.0}) {
        Scenario sc = Small();
        sc.loci = 50;
        sc.mixture = 601;
        sc.missing = rate;
        const SimulatedData d = Generate(sc);
        int missing = 0;
        for (const auto& row : d.genotype)
            for (int g : row) missing += g == kMissingGenotype;
        EXPECT_EQ(missing, d.missing_genotypes);
        const double cells = 50.0 * 601.0;
        const double sd = std::sqrt(cells * rate * (1 - rate));
        EXPECT_NEAR(missing, cells * rate, 5 * sd + 0.5) << "rate " << rate;
    }
}

TEST(SimulateFiles, SameSeedSameFilesOtherSeedOtherFiles)
{
    const Scenario a = Small();
    Scenario b = a;
    b.seed = a.seed + 1;
    const SimulatedData d1 = Generate(a), d2 = Generate(a), d3 = Generate(b);
    EXPECT_EQ(SourceFileText(d1), SourceFileText(d2));
    EXPECT_EQ(MixtureFileText(d1), MixtureFileText(d2));
    EXPECT_EQ(TruthFileText(d1), TruthFileText(d2));
    EXPECT_NE(SourceFileText(d1), SourceFileText(d3));
    EXPECT_NE(MixtureFileText(d1), MixtureFileText(d3));
}

TEST(SimulateFiles, MissingRateDoesNotShiftTheOtherDraws)
{
    // The genotypes that are not missing are the same whatever the rate.
    Scenario a = Small();
    a.missing = 0.0;
    Scenario b = a;
    b.missing = 0.4;
    const SimulatedData d1 = Generate(a), d2 = Generate(b);
    EXPECT_EQ(SourceFileText(d1), SourceFileText(d2));
    int kept = 0;
    for (int i = 0; i < a.mixture; ++i)
        for (int l = 0; l < a.loci; ++l)
            if (d2.genotype[i][l] != kMissingGenotype) {
                EXPECT_EQ(d2.genotype[i][l], d1.genotype[i][l]);
                ++kept;
            }
    EXPECT_GT(kept, 0);
}

}  // namespace
