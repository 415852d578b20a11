// The simulated quantities follow the model they claim: composition, mating, frequencies.
#include <cmath>
#include <numeric>
#include <sstream>

#include <gtest/gtest.h>

#include "simulate/Random.h"
#include "simulate/Simulate.h"
#include "simulate/Writers.h"

namespace {

using namespace orvsim;

// Two sources fixed for different alleles at every locus: a genotype shows its parents'
// sources (0/0 both from source 1, 1/1 both from source 2, 0/1 one from each).
SimulatedData TwoFixedSources(int generation, double w, double x0)
{
    SimulatedData d;
    d.scenario.sources = 2;
    d.scenario.loci = 3;
    d.scenario.mixture = 601;
    d.scenario.generation = generation;
    d.scenario.w = w;
    d.num_alleles = {2, 2, 2};
    d.freq = {{{1, 0}, {1, 0}, {1, 0}}, {{0, 1}, {0, 1}, {0, 1}}};
    d.x = {x0, 1 - x0};
    return d;
}

struct Shares {
    double hom0, het, hom1;
};

Shares Observe(const SimulatedData& d)
{
    Shares s{0, 0, 0};
    for (size_t i = 0; i < d.genotype.size(); ++i) {
        const int g = d.genotype[i][0];
        // The whole individual comes from one pair of parents.
        for (int code : d.genotype[i]) EXPECT_EQ(code, g);
        (g == 0 ? s.hom0 : g == 1 ? s.het : s.hom1) += 1.0 / d.genotype.size();
        EXPECT_EQ(d.parents[i][0] == d.parents[i][1], g != 1);
    }
    return s;
}

TEST(SimulateMating, F1MixesWithinSourceAndRandomMating)
{
    const struct {
        double w, x0;
    } cases[] = {{0.3, 0.6}, {1.0, 0.5}, {0.0, 0.5}, {0.7, 0.2}};
    for (const auto& c : cases) {
        SimulatedData d = TwoFixedSources(1, c.w, c.x0);
        Rng rng(5);
        DrawMixture(d, rng);
        const Shares s = Observe(d);
        const double x1 = 1 - c.x0;
        const double het = (1 - c.w) * 2 * c.x0 * x1;
        const double hom0 = c.w * c.x0 + (1 - c.w) * c.x0 * c.x0;
        const double tol = 5 * std::sqrt(0.25 / 601);
        EXPECT_NEAR(s.het, het, tol) << "w " << c.w;
        EXPECT_NEAR(s.hom0, hom0, tol) << "w " << c.w;
        EXPECT_NEAR(s.hom1, 1 - het - hom0, tol) << "w " << c.w;
    }
}

TEST(SimulateMating, F0IndividualsComeFromOneSource)
{
    SimulatedData d = TwoFixedSources(0, 0.0, 0.25);  // w is ignored for F0
    Rng rng(9);
    DrawMixture(d, rng);
    const Shares s = Observe(d);
    EXPECT_EQ(s.het, 0.0);
    EXPECT_NEAR(s.hom0, 0.25, 5 * std::sqrt(0.25 * 0.75 / 601));
}

TEST(SimulateComposition, WithoutNoiseAlphaXIsExpOfThePredictor)
{
    Scenario sc;
    sc.sources = 3;
    sc.g1 = {1.0, 2.0, 0.5};
    sc.g2 = {0.1, -1.0, 3.0};
    sc.coef = {0.5, -0.25, 0.75, 0.1};
    sc.alpha_variance = 0.0;
    SimulatedData d;
    ASSERT_EQ(Simulate(sc, d), "");
    for (int s = 0; s < 3; ++s) {
        const double mu = 0.5 - 0.25 * sc.g1[s] + 0.75 * sc.g2[s] + 0.1 * sc.g1[s] * sc.g2[s];
        EXPECT_DOUBLE_EQ(d.mu[s], mu);
        EXPECT_DOUBLE_EQ(d.alphax[s], std::exp(mu));
    }
    EXPECT_NEAR(std::accumulate(d.x.begin(), d.x.end(), 0.0), 1.0, 1e-12);
}

TEST(SimulateComposition, GivenSharesAreNormalised)
{
    Scenario sc;
    sc.sources = 3;
    sc.x = {2, 0, 6};
    SimulatedData d;
    ASSERT_EQ(Simulate(sc, d), "");
    EXPECT_EQ(d.x, (std::vector<double>{0.25, 0, 0.75}));
    EXPECT_FALSE(d.x_from_model);
    for (const auto& p : d.parents) {
        EXPECT_NE(p[0], 1);  // a source with share 0 never contributes
        EXPECT_NE(p[1], 1);
    }
}

TEST(SimulateComposition, DirichletMeanFollowsAlphaX)
{
    // Over many seeds the mean of x approaches AlphaX / sum(AlphaX).
    Scenario sc;
    sc.sources = 3;
    sc.loci = 1;
    sc.mixture = 0;
    sc.g1 = {0, 1, 2};
    sc.g2 = {0, 0, 0};
    sc.coef = {0.0, 0.7, 0, 0};
    sc.alpha_variance = 0.0;
    std::vector<double> mean(3, 0.0);
    const int runs = 2000;
    for (int r = 0; r < runs; ++r) {
        sc.seed = 100 + r;
        SimulatedData d;
        ASSERT_EQ(Simulate(sc, d), "");
        for (int s = 0; s < 3; ++s) mean[s] += d.x[s] / runs;
    }
    const double a[3] = {1.0, std::exp(0.7), std::exp(1.4)};
    const double sum = a[0] + a[1] + a[2];
    for (int s = 0; s < 3; ++s) EXPECT_NEAR(mean[s], a[s] / sum, 0.02) << s;
}

TEST(SimulateComposition, OverflowingCoefficientsAreRefused)
{
    Scenario sc;
    sc.g1 = {800, 1, 1, 1, 1, 1};
    sc.coef = {0, 1, 0, 0};
    SimulatedData d;
    EXPECT_NE(Simulate(sc, d).find("AlphaX"), std::string::npos);
}

TEST(SimulateFrequencies, DifferentiationTracksFst)
{
    // The realised Fst of the truth file follows the asked value.
    for (double fst : {0.02, 0.2}) {
        Scenario sc;
        sc.sources = 15;
        sc.loci = 200;
        sc.alleles = {10, 10};
        sc.mixture = 0;
        sc.fst = fst;
        SimulatedData d;
        ASSERT_EQ(Simulate(sc, d), "");
        std::istringstream truth(TruthFileText(d));
        std::string line;
        double total = 0;
        int n = 0;
        while (std::getline(truth, line)) {
            std::istringstream f(line);
            std::string key;
            int locus, k;
            double anc, realised;
            if (f >> key && key == "locus" && f >> locus >> k >> anc >> realised) {
                total += realised;
                ++n;
            }
        }
        ASSERT_EQ(n, 200);
        EXPECT_NEAR(total / n, fst, 0.3 * fst) << "fst " << fst;
    }
}

TEST(SimulateRandom, GammaAndNormalMoments)
{
    Rng rng(2024);
    const int n = 40000;
    for (double shape : {0.05, 0.3, 1.0, 4.5}) {
        double m = 0, m2 = 0;
        for (int i = 0; i < n; ++i) {
            const double g = std::exp(rng.LogGamma(shape));
            m += g / n;
            m2 += g * g / n;
        }
        // Mean and variance of Gamma(shape, 1) both equal the shape.
        EXPECT_NEAR(m, shape, 5 * std::sqrt(shape / n)) << shape;
        EXPECT_NEAR(m2 - m * m, shape, 0.1 * shape + 0.01) << shape;
    }
    double m = 0, m2 = 0;
    for (int i = 0; i < n; ++i) {
        const double z = rng.Normal();
        m += z / n;
        m2 += z * z / n;
    }
    EXPECT_NEAR(m, 0.0, 5 / std::sqrt(n));
    EXPECT_NEAR(m2, 1.0, 0.05);
}

TEST(SimulateRandom, DiscreteAndMultinomialAgree)
{
    const std::vector<double> p = {0.0, 0.2, 0.0, 0.5, 0.3, 0.0};
    Rng a(3), b(3);
    std::vector<int> one(p.size(), 0);
    for (int i = 0; i < 5000; ++i) ++one[a.Discrete(p)];
    EXPECT_EQ(b.Multinomial(5000, p), one);
    EXPECT_EQ(one[0] + one[2] + one[5], 0);
}

TEST(SimulateModel, ModelNumberOfTheNonZeroCoefficients)
{
    const struct {
        std::array<double, 4> coef;
        int model;
    } cases[] = {
        {{1, 0, 0, 0}, 1}, {{0, 1, 0, 0}, 2}, {{1, 1, 0, 0}, 3}, {{0, 0, 1, 0}, 4},
        {{1, 0, 1, 0}, 5}, {{0, 1, 1, 0}, 6}, {{1, 1, 1, 0}, 7}, {{0, 1, 1, 1}, 8},
        {{1, 1, 1, 1}, 9}, {{0, 0, 0, 0}, 0}, {{1, 0, 0, 1}, 0}, {{0, 0, 0, 2}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ModelNumberOf(c.coef), c.model);
}

}  // namespace
