#include "simulate/Writers.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace orvsim {

namespace {

// printf onto a string: the data files use C formats the engine's scanf reads back exactly.
void Append(std::string& out, const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0) out.append(buffer, static_cast<size_t>(std::min<int>(n, sizeof buffer - 1)));
}

void AppendList(std::string& out, const std::vector<double>& v, const char* format = "%.10g")
{
    for (size_t k = 0; k < v.size(); ++k) {
        if (k > 0) out += ' ';
        Append(out, format, v[k]);
    }
    out += '\n';
}

double Homozygosity(const std::vector<double>& p)
{
    double h = 0.0;
    for (double v : p) h += v * v;
    return h;
}

}  // namespace

// Header lines are skipped by position only; each stays well below the reader's 499 characters.
std::string SourceFileText(const SimulatedData& d)
{
    const Scenario& sc = d.scenario;
    std::string out;
    Append(out, "source data written by orvanta-simulate, seed %llu\n", static_cast<unsigned long long>(sc.seed));
    Append(out, "%d %d\n", sc.sources, sc.loci);
    out += "G1 of each source\n";
    AppendList(out, d.g1);
    out += "one line per source; per locus: label, value, number of alleles, allele counts, number of genes\n";
    for (int s = 0; s < sc.sources; ++s) {
        for (int l = 0; l < sc.loci; ++l) {
            const std::vector<int>& c = d.counts[s][l];
            Append(out, "%s%d 0 %d", l > 0 ? " " : "", l + 1, static_cast<int>(c.size()));
            for (int v : c) Append(out, " %d", v);
            Append(out, " %d", 2 * d.sample_individuals[s]);
        }
        // Nothing after the last value: the reader's short line read takes only the line end.
        out += '\n';
    }
    return out;
}

std::string MixtureFileText(const SimulatedData& d)
{
    const Scenario& sc = d.scenario;
    std::string out;
    Append(out, "mixture data written by orvanta-simulate, seed %llu, generation %s\n",
           static_cast<unsigned long long>(sc.seed), sc.generation == 1 ? "F1" : "F0");
    out += "G2 of each source, then the number of mixture individuals\n";
    AppendList(out, d.g2);
    Append(out, "%d\n", sc.mixture);
    out += "one line per individual: label, then per locus the genotype a*100+b (9999 missing)\n";
    for (size_t i = 0; i < d.genotype.size(); ++i) {
        Append(out, "%d", static_cast<int>(i) + 1);
        for (int g : d.genotype[i]) Append(out, " %d", g);
        out += '\n';
    }
    return out;
}

std::string TruthFileText(const SimulatedData& d)
{
    const Scenario& sc = d.scenario;
    const int n = sc.sources, loci = sc.loci;
    std::string out;
    out += "# orvanta-simulate truth: the values used to make the data files\n";
    Append(out, "seed %llu\n", static_cast<unsigned long long>(sc.seed));
    Append(out, "generation %s\n", sc.generation == 1 ? "F1" : "F0");
    if (sc.generation == 0) out += "# F0: every individual is a colonist; w is fixed at 1\n";
    Append(out, "w %.10g\n", sc.generation == 1 ? sc.w : 1.0);
    Append(out, "sources %d\nloci %d\nmixture %d\n", n, loci, sc.mixture);
    Append(out, "alleles %d-%d\nsample_size %d-%d\n", sc.alleles.lo, sc.alleles.hi, sc.sample_size.lo,
           sc.sample_size.hi);
    Append(out, "fst %.10g\n", sc.fst);
    Append(out, "missing_rate %.10g\nmissing_genotypes %d\n", sc.missing, d.missing_genotypes);
    int same = 0;
    std::vector<double> share(n, 0.0);
    for (const auto& p : d.parents) {
        same += p[0] == p[1];
        share[p[0]] += 0.5;
        share[p[1]] += 0.5;
    }
    Append(out, "same_source_parents %d\n", same);
    if (d.x_from_model) {
        out += "composition model\n";
        Append(out, "coefficients %.10g %.10g %.10g %.10g\n", sc.coef[0], sc.coef[1], sc.coef[2], sc.coef[3]);
        Append(out, "alpha_variance %.10g\n", sc.alpha_variance);
        const int model = ModelNumberOf(sc.coef);
        if (model > 0) Append(out, "model %d\n", model);
        else out += "model none\n";
    } else {
        out += "composition given\n";
    }
    out += "x";
    for (double v : d.x) Append(out, " %.10g", v);
    out += '\n';

    out += "#\n# source G1 G2 mu AlphaX x sample_individuals parent_share mean_heterozygosity\n";
    for (int s = 0; s < n; ++s) {
        double het = 0.0;
        for (int l = 0; l < loci; ++l) het += 1.0 - Homozygosity(d.freq[s][l]);
        Append(out, "source %d %.10g %.10g", s + 1, d.g1[s], d.g2[s]);
        if (d.x_from_model) Append(out, " %.10g %.10g", d.mu[s], d.alphax[s]);
        else out += " - -";
        Append(out, " %.10g %d %.10g %.6f\n", d.x[s], d.sample_individuals[s],
               sc.mixture > 0 ? share[s] / sc.mixture : 0.0, het / loci);
    }

    out += "#\n# locus alleles ancestral_heterozygosity fst_realised\n";
    for (int l = 0; l < loci; ++l) {
        const int k = d.num_alleles[l];
        std::vector<double> mean(k, 0.0);
        double hs = 0.0;
        for (int s = 0; s < n; ++s) {
            hs += 1.0 - Homozygosity(d.freq[s][l]);
            for (int a = 0; a < k; ++a) mean[a] += d.freq[s][l][a] / n;
        }
        hs /= n;
        const double ht = 1.0 - Homozygosity(mean);
        Append(out, "locus %d %d %.6f %.6f\n", l + 1, k, 1.0 - Homozygosity(d.ancestral[l]),
               ht > 0.0 ? (ht - hs) / ht : 0.0);
    }

    out += "#\n# freq source locus p_0 ... p_(K-1): the true allele frequencies\n";
    for (int s = 0; s < n; ++s)
        for (int l = 0; l < loci; ++l) {
            Append(out, "freq %d %d", s + 1, l + 1);
            for (double v : d.freq[s][l]) Append(out, " %.6g", v);
            out += '\n';
        }
    return out;
}

std::string WriteFiles(const SimulatedData& d)
{
    namespace fs = std::filesystem;
    const Scenario& sc = d.scenario;
    const fs::path dir(sc.out_dir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return "cannot create folder '" + sc.out_dir + "': " + ec.message();
    const std::pair<std::string, std::string> files[] = {
        {sc.source_file, SourceFileText(d)},
        {sc.mixture_file, MixtureFileText(d)},
        {sc.truth_file, TruthFileText(d)},
    };
    for (const auto& [name, text] : files) {
        const fs::path path = dir / name;
        std::ofstream f(path, std::ios::out | std::ios::trunc);
        f << text;
        f.close();
        if (!f) return "cannot write '" + path.string() + "'";
    }
    return "";
}

}  // namespace orvsim
