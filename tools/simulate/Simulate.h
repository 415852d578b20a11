// Draws a data set from a scenario: source frequencies and samples, the composition and the
// mixture genotypes, keeping every true value for the truth file.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "simulate/Random.h"
#include "simulate/Scenario.h"

namespace orvsim {

constexpr int kMissingGenotype = 9999;

struct SimulatedData {
    Scenario scenario;
    std::vector<int> num_alleles;                          // per locus
    std::vector<std::vector<double>> ancestral;            // [locus][allele]
    std::vector<std::vector<std::vector<double>>> freq;    // [source][locus][allele]
    std::vector<int> sample_individuals;                   // per source
    std::vector<std::vector<std::vector<int>>> counts;     // [source][locus][allele]
    std::vector<double> g1, g2;
    bool x_from_model = true;
    std::vector<double> mu, alphax;                        // only when x_from_model
    std::vector<double> x;
    std::vector<std::vector<int>> genotype;                // [individual][locus], a*100+b
    std::vector<std::array<int, 2>> parents;               // source of each parent
    int missing_genotypes = 0;
};

// Everything from the seed, in a fixed order of draws. Empty error on success; the only
// failure is a composition model whose AlphaX leaves the double range.
std::string Simulate(const Scenario& scenario, SimulatedData& out);

// The mixture individuals alone, from data.freq, data.x and the scenario's generation, w,
// mixture size and missing rate (the last step of Simulate).
void DrawMixture(SimulatedData& data, Rng& rng);

// ModelNumber (1..9) of the non-zero coefficients, 0 if they form none of the nine models.
int ModelNumberOf(const std::array<double, 4>& coef);

}  // namespace orvsim
