#include "simulate/Simulate.h"

#include <algorithm>
#include <cmath>

namespace orvsim {

int ModelNumberOf(const std::array<double, 4>& coef)
{
    int code = 0;
    for (int k = 0; k < 4; ++k)
        if (coef[k] != 0.0) code |= 1 << k;
    if (code >= 1 && code <= 7) return code;
    if (code == 14) return 8;
    if (code == 15) return 9;
    return 0;
}

void DrawMixture(SimulatedData& d, Rng& rng)
{
    const Scenario& sc = d.scenario;
    const int loci = static_cast<int>(d.num_alleles.size());
    d.genotype.assign(sc.mixture, std::vector<int>(loci, 0));
    d.parents.assign(sc.mixture, {0, 0});
    d.missing_genotypes = 0;
    for (int i = 0; i < sc.mixture; ++i) {
        int s = rng.Discrete(d.x), t = s;
        if (sc.generation == 1) {
            // One uniform decides the mating; the second parent is drawn only for random mating.
            const bool same = rng.Uniform() < sc.w;
            t = same ? s : rng.Discrete(d.x);
        }
        d.parents[i] = {s, t};
        for (int l = 0; l < loci; ++l) {
            const int a = rng.Discrete(d.freq[s][l]);
            const int b = rng.Discrete(d.freq[t][l]);
            // The missing draw is made at every locus, so the rate does not shift the other draws.
            const bool missing = rng.Uniform() < sc.missing;
            if (missing) {
                d.genotype[i][l] = kMissingGenotype;
                ++d.missing_genotypes;
            } else {
                d.genotype[i][l] = std::min(a, b) * 100 + std::max(a, b);
            }
        }
    }
}

std::string Simulate(const Scenario& sc, SimulatedData& d)
{
    Rng rng(sc.seed);
    d = SimulatedData{};
    d.scenario = sc;
    const int n = sc.sources, loci = sc.loci;

    // The order of the draws below fixes what a seed produces: do not reorder.
    d.num_alleles.resize(loci);
    for (int l = 0; l < loci; ++l) d.num_alleles[l] = rng.UniformInt(sc.alleles.lo, sc.alleles.hi);
    d.sample_individuals.resize(n);
    for (int s = 0; s < n; ++s) d.sample_individuals[s] = rng.UniformInt(sc.sample_size.lo, sc.sample_size.hi);

    auto factor = [&](const std::vector<double>& given, double lo, double hi) {
        if (!given.empty()) return given;
        std::vector<double> v(n);
        for (double& g : v) g = lo + (hi - lo) * rng.Uniform();
        return v;
    };
    d.g1 = factor(sc.g1, sc.g1_lo, sc.g1_hi);
    d.g2 = factor(sc.g2, sc.g2_lo, sc.g2_hi);

    // Balding-Nichols: sources drift apart from one ancestral pool by about fst.
    d.ancestral.resize(loci);
    for (int l = 0; l < loci; ++l) d.ancestral[l] = rng.Dirichlet(std::vector<double>(d.num_alleles[l], 1.0));
    const double scale = (1.0 - sc.fst) / sc.fst;
    d.freq.assign(n, {});
    for (int s = 0; s < n; ++s)
        for (int l = 0; l < loci; ++l) {
            std::vector<double> a = d.ancestral[l];
            for (double& v : a) v *= scale;
            d.freq[s].push_back(rng.Dirichlet(a));
        }
    d.counts.assign(n, {});
    for (int s = 0; s < n; ++s)
        for (int l = 0; l < loci; ++l) d.counts[s].push_back(rng.Multinomial(2 * d.sample_individuals[s], d.freq[s][l]));

    d.x_from_model = sc.x.empty();
    if (d.x_from_model) {
        const auto& b = sc.coef;
        d.mu.resize(n);
        d.alphax.resize(n);
        for (int s = 0; s < n; ++s) {
            d.mu[s] = b[0] + b[1] * d.g1[s] + b[2] * d.g2[s] + b[3] * d.g1[s] * d.g2[s];
            d.alphax[s] = std::exp(d.mu[s] + std::sqrt(sc.alpha_variance) * rng.Normal());
            if (!std::isfinite(d.alphax[s]) || d.alphax[s] <= 0.0)
                return "coef and alpha-variance give source " + std::to_string(s + 1) +
                       " an AlphaX outside the range of doubles; choose smaller coefficients";
        }
        d.x = rng.Dirichlet(d.alphax);
    } else {
        double sum = 0.0;
        for (double v : sc.x) sum += v;
        for (double v : sc.x) d.x.push_back(v / sum);
    }

    DrawMixture(d, rng);
    return "";
}

}  // namespace orvsim
