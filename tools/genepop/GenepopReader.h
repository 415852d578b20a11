// Reads a GENEPOP genotype file (diploid, 2- or 3-digit alleles) into plain data.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace genepop {

// GENEPOP allele codes as written in the file; 0 is a missing allele.
struct Genotype {
    int a = 0;
    int b = 0;
};

struct Individual {
    std::string name;  // the text before the comma, trimmed; may be empty or hold blanks
    int line = 0;      // where the individual starts
    std::vector<Genotype> genotypes;  // one per locus
};

struct Sample {
    int popLine = 0;  // the line "Pop" that opens it
    std::vector<Individual> individuals;  // never empty
    // GENEPOP names a sample after its last individual.
    const std::string& Name() const { return individuals.back().name; }
};

struct GenepopData {
    std::string file;   // as named in messages
    std::string title;
    std::vector<std::string> loci;
    int digits = 0;     // 2 or 3
    int firstGenotypeLine = 0;
    std::vector<Sample> samples;  // never empty
};

// Both throw ImportError naming the file, the line and what was expected.
GenepopData ParseGenepop(std::istream& in, const std::string& fileName);
GenepopData ReadGenepop(const std::string& path);

}  // namespace genepop
