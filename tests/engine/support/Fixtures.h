// Small hand-built states for engine tests.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "core/SamplerState.h"

// The record is large: always on the heap, zeroed like the static instance.
inline std::unique_ptr<SamplerState> NewState()
{
    return std::unique_ptr<SamplerState>(new SamplerState);  // zeroed by its operator new
}

// Two sources, two loci (2 and 3 alleles), three mixture individuals, the last one
// missing at locus 1 — the smallest pair of data files the readers accept.
inline std::unique_ptr<SamplerState> TwoSourceExample()
{
    auto S = NewState();
    S->NumSources = 2;
    S->NumLoci = 2;
    S->NumMixture = 3;
    const double g1[2] = {0.3, 2.0}, g2[2] = {1.5, 0.2};
    const std::vector<std::vector<std::vector<int>>> counts = {
        {{14, 6}, {5, 5, 10}},
        {{4, 16}, {0, 12, 8}},
    };
    for (int s = 0; s < 2; ++s) {
        S->Sources[s].G1 = g1[s];
        S->Sources[s].G2 = g2[s];
        for (int l = 0; l < 2; ++l) {
            LocusData& L = S->Sources[s].loci[l];
            L.NumAlleles = static_cast<int>(counts[s][l].size());
            for (int k = 0; k < L.NumAlleles; ++k) L.Count[k] = counts[s][l][k];
        }
    }
    const int genotypes[3][2] = {{1, 2}, {101, 202}, {9999, 2}};
    for (int i = 0; i < 3; ++i)
        for (int l = 0; l < 2; ++l) {
            S->Mixture[i].Allele1[l] = genotypes[i][l] / 100;
            S->Mixture[i].Allele2[l] = genotypes[i][l] % 100;
        }
    return S;
}

// The default run settings of the set-up window.
inline void DefaultSettings(SamplerState& S)
{
    RunConfiguration& c = S.cfg;
    c.sample_size = 10000;
    c.interval = 25;
    c.Burn_in = 0;
    c.epsilon_w = 0.3f;
    c.epsilon_x = 0.1f;
    c.epsilon_p = 0.06f;
    c.sigmap = 10;
    c.alphax = 5.5;
    c.aTau = 1;
    c.bTau = 1;
    c.seed0 = 12345;
    c.seed1 = 678910;
    c.RJMCMC = 1;
    c.model = 2;
    std::strcpy(c.OutputPrefix, "output");
    c.Generation = 1;
    std::strcpy(c.SourceFileName, "source.dat");
    std::strcpy(c.MixtureFileName, "mixture.dat");
}
