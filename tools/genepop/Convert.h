// Turns the chosen samples of a GENEPOP file into the engine's data: alleles recoded per
// locus, allele counts per source, genotype codes of the mixture individuals.
#pragma once

#include <string>
#include <vector>

#include "genepop/GenepopReader.h"
#include "genepop/Selection.h"

namespace genepop {

// What the engine's fixed storage holds.
constexpr int kMinSources = 2;
constexpr int kMaxSources = 15;
constexpr int kMaxLoci = 1500;
constexpr int kMaxAlleles = 99;  // engine codes 0..98; 99 marks a missing allele
constexpr int kMaxMixture = 601;
constexpr int kMissingAllele = 99;

struct EngineLocus {
    int genepopLocus = 0;     // 0-based index into GenepopData::loci
    std::string name;
    std::vector<int> alleles;  // GENEPOP codes, ascending; the index is the engine code
};

struct EngineSource {
    int sample = 0;
    std::string description;
    double g1 = 0.0;
    double g2 = 0.0;
    int individuals = 0;
    std::vector<std::vector<int>> counts;  // [locus][engine code]
};

struct EngineData {
    std::string genepopFile;
    int digits = 0;
    std::vector<EngineLocus> loci;
    std::vector<EngineSource> sources;
    int mixtureSample = -1;
    std::string mixtureDescription;
    std::vector<std::vector<int>> mixture;  // [individual][locus] genotype code
    std::vector<std::string> warnings;      // loci left out
};

// The engine splits a code g into g / 100 and g % 100, so the code is
// 100 * first + second with 99 for a missing allele: 3 and 12 give 312, a missing first
// allele with second 5 gives 9905, a missing second gives 399, both missing 9999.
int GenotypeCode(int first, int second);

// Loci with fewer than two alleles in the chosen samples are left out (with a warning):
// they cannot tell sources apart, and the frequency update needs two alleles to move.
// Throws ImportError when the data exceed what the engine holds.
EngineData Convert(const GenepopData& data, const Selection& selection, const std::vector<std::string>& labels = {});

// The two data files in the layouts the engine reads, and the recoding table (CSV).
std::string SourceFileText(const EngineData& d);
std::string MixtureFileText(const EngineData& d);
std::string RecodingTableText(const EngineData& d);

}  // namespace genepop
