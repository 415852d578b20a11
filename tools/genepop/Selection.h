// Which samples of a GENEPOP file are the sources and which one is the mixture, with the
// factors G1 and G2 of each source.
#pragma once

#include <string>
#include <vector>

#include "genepop/GenepopReader.h"

namespace genepop {

struct SourceChoice {
    int sample = 0;  // index into GenepopData::samples
    double g1 = 0.0;
    double g2 = 0.0;
};

struct Selection {
    std::vector<SourceChoice> sources;  // in the order the engine gets them
    int mixture = -1;
};

// One row of a factors CSV (columns sample,G1,G2).
struct FactorRow {
    std::string sample;
    double g1 = 0.0;
    double g2 = 0.0;
    int line = 0;
};

struct FactorTable {
    std::string file;
    std::vector<FactorRow> rows;
};

// A sample is named by its position (1-based), its GENEPOP name (the identifier of its last
// individual) or its label; the reference must denote exactly one sample. `where` prefixes
// the error message (e.g. "command line, --mixture: ").
int ResolveSample(const GenepopData& data, const std::vector<std::string>& labels, const std::string& ref,
                  const std::string& where);

// Labels CSV: a header line, then one row per sample in file order; the label is the column
// "label", or the first column when there is none.
std::vector<std::string> ReadLabels(const std::string& path, const GenepopData& data);
std::vector<std::string> ParseLabels(const std::string& text, const std::string& file, const GenepopData& data);

// Factors CSV: a header line naming the columns sample, G1 and G2 (any order, any case;
// other columns ignored), then one row per source.
FactorTable ReadFactors(const std::string& path);
FactorTable ParseFactors(const std::string& text, const std::string& file);

// What the user asked for, as given.
struct SelectionRequest {
    std::string mixture;
    std::vector<std::string> sources;  // empty: the rows of the factor table, in its order
    std::vector<double> g1, g2;        // from the command line, one per source
    bool haveFactors = false;
    FactorTable factors;
};

// Resolves the request into sample indices and factor values; throws ImportError.
Selection BuildSelection(const GenepopData& data, const std::vector<std::string>& labels,
                         const SelectionRequest& request);

// A sample described for messages: "sample 3 (AFBTLAG9452, label Lagunaire)".
std::string DescribeSample(const GenepopData& data, const std::vector<std::string>& labels, int sample);

// Splits "a,b,c" (blanks around items ignored).
std::vector<std::string> SplitList(const std::string& text);

}  // namespace genepop
