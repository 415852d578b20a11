#include "simulate/Random.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvsim {

double Rng::Uniform()
{
    // 53 random bits, shifted half a step off zero: strictly inside (0, 1).
    return (static_cast<double>(engine_() >> 11) + 0.5) * 0x1.0p-53;
}

int Rng::UniformInt(int lo, int hi)
{
    const int k = lo + static_cast<int>(Uniform() * (static_cast<double>(hi) - lo + 1.0));
    return std::min(k, hi);
}

double Rng::Normal()
{
    // Box-Muller, one value per pair of uniforms: no cached state to get out of step.
    const double u1 = Uniform(), u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

double Rng::LogGamma(double shape)
{
    if (shape < 1.0) {
        // Gamma(a) = Gamma(a + 1) * U^(1/a), kept on the log scale.
        const double g = LogGamma(shape + 1.0);
        return g + std::log(Uniform()) / shape;
    }
    // Marsaglia and Tsang.
    const double d = shape - 1.0 / 3.0;
    const double c = 1.0 / std::sqrt(9.0 * d);
    for (;;) {
        const double z = Normal();
        const double t = 1.0 + c * z;
        if (t <= 0.0) continue;
        const double v = t * t * t;
        const double u = Uniform();
        if (std::log(u) < 0.5 * z * z + d - d * v + d * std::log(v)) return std::log(d) + std::log(v);
    }
}

std::vector<double> Rng::Dirichlet(const std::vector<double>& alpha)
{
    std::vector<double> g(alpha.size());
    for (size_t k = 0; k < alpha.size(); ++k) g[k] = LogGamma(alpha[k]);
    const double top = *std::max_element(g.begin(), g.end());
    double sum = 0.0;
    for (double& v : g) {
        v = std::exp(v - top);
        sum += v;
    }
    for (double& v : g) v /= sum;
    return g;
}

int Rng::Discrete(const std::vector<double>& weights)
{
    double total = 0.0;
    for (double w : weights) total += w;
    const double target = Uniform() * total;
    double acc = 0.0;
    int last = 0;
    for (size_t k = 0; k < weights.size(); ++k) {
        if (weights[k] <= 0.0) continue;
        acc += weights[k];
        last = static_cast<int>(k);
        if (target < acc) return last;
    }
    return last;  // rounding at the top end
}

std::vector<int> Rng::Multinomial(int n, const std::vector<double>& p)
{
    // The same choice as Discrete, one uniform per draw, found by bisection: large samples
    // of many-allele loci stay fast.
    std::vector<double> cumulative(p.size());
    double acc = 0.0;
    int last = 0;
    for (size_t k = 0; k < p.size(); ++k) {
        if (p[k] > 0.0) {
            acc += p[k];
            last = static_cast<int>(k);
        }
        cumulative[k] = acc;
    }
    std::vector<int> counts(p.size(), 0);
    for (int i = 0; i < n; ++i) {
        const double target = Uniform() * acc;
        const auto it = std::upper_bound(cumulative.begin(), cumulative.end(), target);
        const int k = it == cumulative.end() ? last : static_cast<int>(it - cumulative.begin());
        ++counts[k];
    }
    return counts;
}

}  // namespace orvsim
