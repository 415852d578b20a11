// The simulator's own random numbers: a 64-bit Mersenne twister (its output is fixed by the
// C++ standard) and variate generators written here, so a seed gives the same files with
// any standard library.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace orvsim {

class Rng {
public:
    explicit Rng(uint64_t seed) : engine_(seed) {}

    double Uniform();                       // in (0, 1), never 0 or 1
    int UniformInt(int lo, int hi);         // lo..hi inclusive
    double Normal();                        // standard normal
    double LogGamma(double shape);          // log of a Gamma(shape, 1) draw, shape > 0
    // Dirichlet draw; computed from log-gammas so that tiny parameters cannot make every
    // component underflow to zero.
    std::vector<double> Dirichlet(const std::vector<double>& alpha);
    int Discrete(const std::vector<double>& weights);  // index with probability ~ weight
    std::vector<int> Multinomial(int n, const std::vector<double>& p);

private:
    std::mt19937_64 engine_;
};

}  // namespace orvsim
