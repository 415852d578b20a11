// The plain and the incremental likelihood engine on the same data: iterations per second
// of whole driver iterations, their ratio, the cost of the incremental engine per
// (individual x source x locus), and the resident memory of a run at the engine's
// capacities (measured in a child process, so the other runs do not count).
//
//   bench_incremental            all cases
//   bench_incremental --quick    smaller iteration counts
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Fixtures.h"
#include "core/Driver.h"
#include "core/Inputs.h"
#include "core/SamplerState.h"
#include "model/IncrementalLikelihood.h"
#include "model/model.h"
#include "random/ranlib.h"
#include "simulate/Scenario.h"
#include "simulate/Simulate.h"

namespace {

// Processor time of this process: the machine may be shared, and the engine is
// single-threaded.
double CpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}


void Settings(SamplerState& S, int generation)
{
    RunConfiguration& c = S.cfg;
    DefaultSettings(S);
    c.Generation = generation;
    // No trace or rate line falls inside the timed iterations: no files are needed.
    c.interval = 1 << 30;
    c.Burn_in = 0;
    S.TotalIterations = 1 << 30;
    S.ArtInterval = 1 << 30;
}

// A simulated data set straight into the state (the files' content without the files).
void Simulated(SamplerState& S, int sources, int loci, int alleles, int individuals)
{
    orvsim::Scenario sc;
    sc.seed = 20240611;
    sc.sources = sources;
    sc.loci = loci;
    sc.alleles = {alleles, alleles};
    sc.sample_size = {50, 50};
    sc.mixture = individuals;
    sc.generation = 1;
    sc.missing = 0.01;
    orvsim::SimulatedData d;
    orvsim::Simulate(sc, d);
    S.NumSources = sources;
    S.NumLoci = loci;
    S.NumMixture = individuals;
    for (int s = 0; s < sources; ++s) {
        S.Sources[s].G1 = d.g1[s];
        S.Sources[s].G2 = d.g2[s];
        for (int l = 0; l < loci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            L.NumAlleles = d.num_alleles[l];
            for (int a = 0; a < L.NumAlleles; ++a) L.Count[a] = d.counts[s][l][a];
        }
    }
    for (int i = 0; i < individuals; ++i)
        for (int l = 0; l < loci; ++l) {
            S.Mixture[i].Allele1[l] = d.genotype[i][l] / 100;
            S.Mixture[i].Allele2[l] = d.genotype[i][l] % 100;
        }
}

// The driver's start-up without the output files.
void StartUp(SamplerState& S)
{
    setseedall(S.cfg.seed0, S.cfg.seed1);
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            for (int a = 0; a < L.NumAlleles; ++a) L.DirichletPar[a] = L.Count[a] + 1;
        }
    SetInitialState(S);
    BuildModelDesign(S);
}

struct Timing {
    double perIteration;  // seconds, iterations after the first (which rebuilds)
    long double logLikelihood;
};

// Iteration 0 (the full rebuild) is run first and not timed.
Timing TimeEngine(const SamplerState& data, int32_t engine, int iterations)
{
    auto S = std::unique_ptr<SamplerState>(new SamplerState(data));
    S->LikelihoodEngine = engine;
    StartUp(*S);
    AcceptCounters c{};
    DriverIteration(*S, 0, c);
    const double t0 = CpuSeconds();
    for (int32_t k = 1; k <= iterations; ++k) DriverIteration(*S, k, c);
    const double dt = CpuSeconds() - t0;
    return Timing{dt / iterations, S->LogLikelihood};
}

void Row(const char* name, const SamplerState& data, int plainIterations, int fastIterations)
{
    const Timing plain = TimeEngine(data, LiteralLikelihoodEngine, plainIterations);
    const Timing fast = TimeEngine(data, IncrementalLikelihoodEngine, plainIterations);
    // The same chain: after the same iterations the two agree.
    const bool same = std::fabs((double)(plain.logLikelihood - fast.logLikelihood))
                      <= 1e-9 * std::fabs((double)plain.logLikelihood);
    const Timing longer = TimeEngine(data, IncrementalLikelihoodEngine, fastIterations);
    const double cells = (double)data.NumMixture * data.NumSources * data.NumLoci;
    std::printf("%-34s %3d %5d %4d   %10.1f %12.1f %9.1f   %8.2f   %s\n", name, data.NumSources,
                data.NumLoci, data.NumMixture, 1.0 / plain.perIteration, 1.0 / longer.perIteration,
                plain.perIteration / longer.perIteration, longer.perIteration / cells * 1e9,
                same ? "same" : "DIFFERENT");
    std::fflush(stdout);
}

long VmHWMkB()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
    std::fclose(f);
    return kb;
}

// 15 sources, 1500 loci, 601 F1 individuals, in a child made before anything else is
// allocated, with one state record whose untouched pages stay unmapped, as the
// engine's static one.
void MemoryAtCapacity(int iterations)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        std::unique_ptr<SamplerState> S(new SamplerState);  // zeroed by calloc, not touched
        Settings(*S, 1);
        Simulated(*S, MaxSources, MaxLoci, 10, MaxMixture);
        StartUp(*S);
        AcceptCounters c{};
        const double t0 = CpuSeconds();
        DriverIteration(*S, 0, c);
        const double t1 = CpuSeconds();
        for (int32_t k = 1; k <= iterations; ++k) DriverIteration(*S, k, c);
        const double t2 = CpuSeconds();
        const double rebuild = t1 - t0;
        const double per = (t2 - t1) / iterations;
        const double cells = (double)S->NumMixture * S->NumSources * S->NumLoci;
        std::printf("At capacity (15 sources, 1500 loci of 10 alleles, 601 F1 individuals), incremental:\n"
                    "  state record %.1f MiB (cache %.1f MiB), VmHWM %.1f MiB\n"
                    "  iteration 0 with the full rebuild %.2f s; then %.3f s per iteration"
                    " (%.2f ns per individual x source x locus)\n",
                    sizeof(SamplerState) / 1048576.0, sizeof(LikelihoodCache) / 1048576.0,
                    VmHWMkB() / 1024.0, rebuild, per, per / cells * 1e9);
        std::printf("\n");
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int scale = quick ? 5 : 1;
    MemoryAtCapacity(quick ? 2 : 5);

    std::printf("Whole driver iterations per second of processor time, plain and incremental\n"
                "likelihood (the same chain)\n\n");
    std::printf("%-34s %3s %5s %4s   %10s %12s %9s   %8s\n", "data", "n", "L", "N", "plain it/s",
                "increm. it/s", "ratio", "ns/cell");

    const std::string dir = std::string(ORVANTA_SOURCE_DIR) + "/examples/";
    auto example = NewState();
    std::snprintf(example->cfg.SourceFileName, NameSize, "%s", (dir + "source.dat").c_str());
    std::snprintf(example->cfg.MixtureFileName, NameSize, "%s", (dir + "mixture.dat").c_str());
    ReadSourceData(*example);
    ReadMixtureData(*example);
    for (int generation : {1, 0}) {
        Settings(*example, generation);
        Row(generation ? "bundled example, F1" : "bundled example, F0", *example, 2000 / scale,
            20000 / scale);
    }

    auto big = NewState();
    Simulated(*big, 15, 100, 10, 600);
    for (int generation : {1, 0}) {
        Settings(*big, generation);
        Row(generation ? "simulated 10 alleles, F1" : "simulated 10 alleles, F0", *big,
            generation ? 3 : 8 / scale + 1, (generation ? 200 : 1000) / scale);
    }
    std::printf("\nratio: plain time per iteration / incremental time per iteration;\n"
                "ns/cell: incremental time per iteration / (individuals x sources x loci).\n");
    return 0;
}
