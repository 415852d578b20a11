// What to simulate, read from the command line and an optional key=value scenario file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvsim {

// Limits of the engine that reads the files.
constexpr int kMaxSources = 15;
constexpr int kMaxLoci = 1500;
constexpr int kMaxAlleles = 98;   // allele codes 0..97 stay clear of the missing code 99
constexpr int kMaxMixture = 601;
constexpr int kMaxNameLength = 127;

struct IntRange {
    int lo = 0;
    int hi = 0;
};

struct Scenario {
    uint64_t seed = 1;
    int sources = 6;
    int loci = 10;
    IntRange alleles{6, 15};        // alleles per locus, drawn uniformly per locus
    IntRange sample_size{50, 50};   // individuals sampled per source (twice as many genes)
    std::vector<double> g1, g2;     // one per source; empty: drawn from the ranges below
    double g1_lo = 0.0, g1_hi = 1.0;
    double g2_lo = 0.0, g2_hi = 1.0;
    std::vector<double> x;          // given composition (normalised); empty: from the model
    std::array<double, 4> coef{1.0, 0.0, 0.0, 0.0};  // b0, b1 (G1), b2 (G2), b3 (G1*G2)
    double alpha_variance = 0.1;    // variance of log AlphaX around the predictor
    int generation = 1;             // 1 F1, 0 F0
    double w = 0.3;
    int mixture = 150;
    double missing = 0.0;           // probability that a mixture genotype is missing
    double fst = 0.05;              // differentiation of the sources from the ancestral pool
    std::string out_dir = ".";
    std::string source_file = "source.dat";
    std::string mixture_file = "mixture.dat";
    std::string truth_file = "truth.txt";
};

struct ParseResult {
    Scenario scenario;
    bool help = false;
    std::string error;  // empty on success
};

// Options as "--key=value" or "--key value"; "--scenario FILE" is read first, wherever it
// stands, and the other options override it. Checks every value and their consistency.
ParseResult ParseArguments(const std::vector<std::string>& args);

// One "key", "value" setting (the key without leading dashes); empty on success.
std::string ApplySetting(Scenario& s, const std::string& key, const std::string& value);

// The whole scenario is consistent (list lengths, ranges); empty on success.
std::string CheckScenario(const Scenario& s);

std::string HelpText();

}  // namespace orvsim
