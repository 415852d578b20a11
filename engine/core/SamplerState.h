// The engine's single state record: inputs, parameters, likelihood cache, run settings,
// files and summaries. The executable owns one static instance; tests build their own
// (on the heap: the record is large).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstddef>

// Fixed capacities. Reading rejects anything larger.
constexpr int MaxSources = 15;     // accumulators, per-source files and source records
constexpr int ParamSlots = 60;     // parameter arrays (x, mu, AlphaX, ...)
constexpr int MaxLoci = 1500;
constexpr int MaxAlleles = 100;    // allele codes 0..98 usable, 99 marks a missing allele
constexpr int MaxMixture = 601;
constexpr int NameSize = 128;      // 127 characters and the terminator
constexpr int MissingAllele = 99;

struct RunConfiguration {
    int32_t sample_size;
    int32_t interval;
    int32_t Burn_in;
    float epsilon_w;
    float epsilon_x;
    float epsilon_p;
    double sigmap;
    double alphax;
    double aTau;
    double bTau;
    int32_t seed0;
    int32_t seed1;
    int32_t RJMCMC;
    int32_t model;  // held as a ModelCode (8 -> 14, 9 -> 15 on reading)
    char OutputPrefix[NameSize];
    int32_t Generation;
    char SourceFileName[NameSize];
    char MixtureFileName[NameSize];
    int32_t CNP;
    int32_t Csources;
};

struct LocusData {
    int32_t NumAlleles;
    int32_t LocusValue;  // kept, used by no computation
    int32_t Count[MaxAlleles];
    double p[MaxAlleles];
    double DirichletPar[MaxAlleles];
    double Homozygosity;
};

struct SourcePopulation {
    double G1;
    double G2;
    LocusData loci[MaxLoci];
};

struct MixtureIndividual {
    int32_t Allele1[MaxLoci];
    int32_t Allele2[MaxLoci];
};

// Genotype probabilities fall far below the double range: 80-bit extended precision.
struct IndividualLikelihood {
    long double L0;
    long double L1;
    long double L2;
    long double LogL;
};

// Element layout of ModelAccumulator::v.
namespace Acc {
constexpr int SumX = 0;        // 0..14
constexpr int SumW = 15;
constexpr int SumLogLin = 16;  // 16..19
constexpr int SqX = 20;        // 20..34
constexpr int SqW = 35;
constexpr int SqLogLin = 36;   // 36..39
constexpr int MeanX = 40;      // 40..54
constexpr int MeanW = 55;
constexpr int MeanLogLin = 56; // 56..59
constexpr int VarX = 60;       // 60..74
constexpr int VarW = 75;
constexpr int VarLogLin = 76;  // 76..79
}  // namespace Acc

struct ModelAccumulator {
    double v[80];
    int32_t SampleCount;
};

// Design products of one multi-coefficient model, computed once at start-up.
struct ModelDesignRecord {
    int32_t code;
    double XtX[4][4];
    double Xt[4][ParamSlots];
};

// Cache of the incremental likelihood (the default engine): per individual the genotype
// product over all loci for each source and each pair of sources, and per locus and allele
// code the individuals carrying it, so that a move re-evaluates one locus only. Rebuilt
// from scratch with every full likelihood recomputation.
constexpr int PendingZeroCapacity = 256;
struct PendingZero {
    int16_t s, l, a;
};
struct LikelihoodCache {
    int32_t Valid;            // carriers and products describe the current data and p
    int32_t Dirty;            // a move was evaluated the plain way: products need a rebuild
    int32_t NumPending;       // read frequencies that are exactly 0, listed in Pending
    int32_t PendingOverflow;  // more than the list holds: plain evaluation until a rebuild
    int32_t BadCodes;         // an allele code outside 0..99: every move the plain way
    int64_t PlainMoves;       // moves evaluated the plain way (a count for tests and benches)
    int64_t ExtremeRatios;    // carriers' ratios beyond double's safe range, taken exactly
    PendingZero Pending[PendingZeroCapacity];
    // P by source first: the moves of one source read one block. The pair products of an
    // individual stay together: a move writes a row and its mirror column.
    long double P[MaxSources][MaxMixture];               // SingleSourceProb(i, s) as P[s][i]
    long double PP[MaxMixture][MaxSources][MaxSources];  // PairSourceProb(i, s, t), symmetric
    int32_t CarrierStart[MaxLoci][MaxAlleles + 1];       // into Carrier, per locus and code
    int16_t Carrier[2 * MaxMixture * MaxLoci];           // individuals in rising order
    uint8_t Readable[MaxLoci][MaxAlleles];  // code carried beside a non-missing allele
    uint8_t Genotype[MaxLoci][MaxMixture][2];  // the allele codes, by locus
    // the prior of p per source and locus: the constant part and each allele's term
    double DirConst[MaxSources][MaxLoci];
    double DirTerm[MaxSources][MaxLoci][MaxAlleles];
    // scratch of one allele-frequency move, one slot per re-evaluated individual
    int16_t Evaluated[MaxMixture];
    int16_t EvaluatedSlot[MaxMixture];  // F1: its genotype's ratios slot (-1 beside a missing allele); F0: its class
    double MoveRatio[MaxMixture];       // its likelihood ratio new/old, in double
    long double ProposedArg[MaxMixture];  // what LogL is the log of (scratch of whole sweeps)
    // Formed for the moved source before its moves and kept on each commit, so that a
    // move's likelihood ratios are sums in double: what each individual's likelihood
    // owes to the moved source alone (Share), to its pair with each other source t
    // (PairShare, F1; 0 at the moved source) and to nothing of it (Rest), as fractions.
    double Share[MaxMixture];
    double PairShare[MaxMixture][MaxSources];
    double Rest[MaxMixture];
    // factor ratios of the move per carried genotype (moved allele, other allele), F1
    uint32_t Stamp;
    uint32_t RatioStamp[2 * MaxAlleles];
    long double SingleRatio[2 * MaxAlleles];
    long double PairRatio[2 * MaxAlleles][MaxSources];
    double SingleRatioDouble[2 * MaxAlleles];
    double PairRatioDouble[2 * MaxAlleles][MaxSources];  // 0 at the moved source
    // F0: the ratio of each class of carried genotype (GenotypeClass), and in double
    long double ClassRatio[10];
    double ClassRatioDouble[10];
};

// Which likelihood engine the driver runs.
constexpr int32_t IncrementalLikelihoodEngine = 0;  // cached products (default)
constexpr int32_t LiteralLikelihoodEngine = 1;      // every product from scratch (reference)

struct SamplerState {
    // --- run configuration and the values derived from it
    RunConfiguration cfg;
    int32_t TotalIterations;
    int32_t ArtInterval;

    // --- data
    int32_t NumSources;
    int32_t NumLoci;
    int32_t NumMixture;
    SourcePopulation Sources[MaxSources];
    MixtureIndividual Mixture[MaxMixture];

    // --- parameters
    int32_t CurrentModel;  // a ModelCode
    double x[ParamSlots];
    double mu[ParamSlots];
    double AlphaVariance;
    double AlphaX[ParamSlots];
    double w;
    double LogLinPar[4];  // constant, G1, G2, interaction

    // --- likelihood cache
    long double LogLikelihood;
    IndividualLikelihood Lik[MaxMixture];

    // --- model designs
    ModelDesignRecord ModelDesign[6];

    // --- output file names and open files
    char UpFileName[NameSize];
    char ArtFileName[NameSize];
    char NpFileName[NameSize];
    FILE* UpFile;
    FILE* ArtFile;
    FILE* NpFile;
    FILE* SourceOutFile[MaxSources];

    // --- summaries
    ModelAccumulator Accumulators[9];  // indexed by ModelNumber - 1

    // --- scratch
    float ScratchUniform;
    float PAcceptCount[ParamSlots];
    float AlphaXAcceptCount[ParamSlots];
    double SavedP[MaxAlleles];
    double ProposedX[ParamSlots];
    IndividualLikelihood ProposedLik[MaxMixture];
    double ProposedLogL[MaxMixture];

    // --- likelihood engine
    int32_t LikelihoodEngine;  // IncrementalLikelihoodEngine or LiteralLikelihoodEngine
    LikelihoodCache Cache;

    // Heap records come zeroed from calloc, whose fresh pages are not touched until used:
    // most of the capacity never is.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;
};
