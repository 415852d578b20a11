// Writes the converted files all or nothing.
#pragma once

#include <string>

#include "genepop/Convert.h"

namespace genepop {

struct OutputPaths {
    std::string source;
    std::string mixture;
    std::string table;
};

// PREFIX_source.txt, PREFIX_mixture.txt, PREFIX_alleles.csv.
OutputPaths PathsForPrefix(const std::string& prefix);

// The input path without its extension ("data/microbov.gen" -> "data/microbov").
std::string DefaultPrefix(const std::string& input);

// Each file is written beside its target under a temporary name and renamed only when all
// three are complete, so a failure leaves no partial output. Throws ImportError.
void WriteOutputs(const EngineData& d, const OutputPaths& paths);

}  // namespace genepop
