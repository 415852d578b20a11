#include "genepop/Convert.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "genepop/Text.h"

namespace genepop {

int GenotypeCode(int first, int second)
{
    return 100 * first + second;
}

namespace {

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string AlleleText(int code, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", digits, code);
    return buffer;
}

}  // namespace

EngineData Convert(const GenepopData& data, const Selection& selection, const std::vector<std::string>& labels)
{
    EngineData d;
    d.genepopFile = data.file;
    d.digits = data.digits;
    const std::string at = Where(data.file, 0);
    const size_t n = selection.sources.size();
    if (n < static_cast<size_t>(kMinSources))
        throw ImportError(at + Plural(n, "source", "sources") + " chosen; expected at least " + std::to_string(kMinSources) + ".");
    if (n > static_cast<size_t>(kMaxSources))
        throw ImportError(at + Plural(n, "source", "sources") + " chosen; the engine takes at most " + std::to_string(kMaxSources) + ".");
    if (selection.mixture < 0 || static_cast<size_t>(selection.mixture) >= data.samples.size())
        throw ImportError(at + "no mixture chosen; expected one sample as the mixture.");
    const Sample& mix = data.samples[static_cast<size_t>(selection.mixture)];
    d.mixtureSample = selection.mixture;
    d.mixtureDescription = DescribeSample(data, labels, selection.mixture);
    if (mix.individuals.size() > static_cast<size_t>(kMaxMixture))
        throw ImportError(Where(data.file, mix.popLine) + "the mixture, " + d.mixtureDescription + ", has " +
                          Plural(mix.individuals.size(), "individual", "individuals") + "; the engine takes at most " +
                          std::to_string(kMaxMixture) + ".");

    std::vector<const Sample*> chosen;
    for (const SourceChoice& src : selection.sources) chosen.push_back(&data.samples[static_cast<size_t>(src.sample)]);
    chosen.push_back(&mix);

    for (size_t l = 0; l < data.loci.size(); ++l) {
        std::set<int> seen;
        for (const Sample* sample : chosen) {
            for (const Individual& ind : sample->individuals) {
                const Genotype& g = ind.genotypes[l];
                if (g.a != 0) seen.insert(g.a);
                if (g.b != 0) seen.insert(g.b);
            }
        }
        const std::string name = "locus " + std::to_string(l + 1) + " (" + data.loci[l] + ")";
        if (seen.size() > static_cast<size_t>(kMaxAlleles))
            throw ImportError(at + name + " has " + std::to_string(seen.size()) +
                              " different alleles in the chosen samples; the engine takes at most " +
                              std::to_string(kMaxAlleles) + " per locus.");
        if (seen.size() < 2) {
            d.warnings.push_back(at + name + " has " + (seen.empty() ? "no allele" : "a single allele") +
                                 " in the chosen samples; left out, since it cannot tell the sources apart.");
            continue;
        }
        EngineLocus locus;
        locus.genepopLocus = static_cast<int>(l);
        locus.name = data.loci[l];
        locus.alleles.assign(seen.begin(), seen.end());
        d.loci.push_back(std::move(locus));
    }
    if (d.loci.empty())
        throw ImportError(at + "no locus has two alleles or more in the chosen samples; expected at least one.");
    if (d.loci.size() > static_cast<size_t>(kMaxLoci))
        throw ImportError(at + Plural(d.loci.size(), "locus", "loci") + " to convert; the engine takes at most " +
                          std::to_string(kMaxLoci) + ".");

    // GENEPOP code -> engine code, per kept locus; 0 (missing) -> 99.
    std::vector<std::map<int, int>> code(d.loci.size());
    for (size_t k = 0; k < d.loci.size(); ++k) {
        code[k][0] = kMissingAllele;
        for (size_t c = 0; c < d.loci[k].alleles.size(); ++c) code[k][d.loci[k].alleles[c]] = static_cast<int>(c);
    }

    for (const SourceChoice& src : selection.sources) {
        const Sample& sample = data.samples[static_cast<size_t>(src.sample)];
        EngineSource out;
        out.sample = src.sample;
        out.description = DescribeSample(data, labels, src.sample);
        out.g1 = src.g1;
        out.g2 = src.g2;
        out.individuals = static_cast<int>(sample.individuals.size());
        for (size_t k = 0; k < d.loci.size(); ++k) {
            std::vector<int> counts(d.loci[k].alleles.size(), 0);
            const size_t l = static_cast<size_t>(d.loci[k].genepopLocus);
            for (const Individual& ind : sample.individuals) {
                for (int allele : {ind.genotypes[l].a, ind.genotypes[l].b}) {
                    if (allele != 0) ++counts[static_cast<size_t>(code[k].at(allele))];
                }
            }
            out.counts.push_back(std::move(counts));
        }
        d.sources.push_back(std::move(out));
    }

    for (const Individual& ind : mix.individuals) {
        std::vector<int> codes;
        for (size_t k = 0; k < d.loci.size(); ++k) {
            const Genotype& g = ind.genotypes[static_cast<size_t>(d.loci[k].genepopLocus)];
            codes.push_back(GenotypeCode(code[k].at(g.a), code[k].at(g.b)));
        }
        d.mixture.push_back(std::move(codes));
    }
    return d;
}

// Header lines are skipped by position; each stays far below the engine's 499-character line read.
std::string SourceFileText(const EngineData& d)
{
    std::string out = "source data converted from GENEPOP by genepop2orvanta: number of sources, number of loci\n";
    out += std::to_string(d.sources.size()) + " " + std::to_string(d.loci.size()) + "\n";
    out += "G1 of each source, in source order\n";
    for (size_t s = 0; s < d.sources.size(); ++s) out += (s ? " " : "") + NumberText(d.sources[s].g1);
    out += "\none line per source; per locus: locus number, 0, number of alleles, allele counts, their sum\n";
    for (const EngineSource& src : d.sources) {
        std::string line;
        for (size_t k = 0; k < d.loci.size(); ++k) {
            const std::vector<int>& counts = src.counts[k];
            int sum = 0;
            line += (k ? " " : "") + std::to_string(k + 1) + " 0 " + std::to_string(counts.size());
            for (int c : counts) {
                line += " " + std::to_string(c);
                sum += c;
            }
            line += " " + std::to_string(sum);
        }
        // Nothing may follow the last value: the engine's short line read takes only the line end.
        out += line + "\n";
    }
    return out;
}

std::string MixtureFileText(const EngineData& d)
{
    std::string out = "mixture data converted from GENEPOP by genepop2orvanta\n";
    out += "G2 of each source, in source order; then the number of mixture individuals\n";
    for (size_t s = 0; s < d.sources.size(); ++s) out += (s ? " " : "") + NumberText(d.sources[s].g2);
    out += "\n" + std::to_string(d.mixture.size()) + "\n";
    out += "one line per individual: number, then per locus 100 * first allele + second allele (99: missing allele)\n";
    for (size_t i = 0; i < d.mixture.size(); ++i) {
        std::string line = std::to_string(i + 1);
        for (int g : d.mixture[i]) line += " " + std::to_string(g);
        out += line + "\n";
    }
    return out;
}

std::string RecodingTableText(const EngineData& d)
{
    std::string out = "locus,locus_name,genepop_allele,engine_code\n";
    for (size_t k = 0; k < d.loci.size(); ++k) {
        const EngineLocus& locus = d.loci[k];
        for (size_t c = 0; c < locus.alleles.size(); ++c) {
            out += std::to_string(k + 1) + "," + CsvField(locus.name) + "," + AlleleText(locus.alleles[c], d.digits) +
                   "," + std::to_string(c) + "\n";
        }
    }
    return out;
}

}  // namespace genepop
