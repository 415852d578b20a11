// Throughput of the whole chain on the bundled example (6 sources, 10 loci, 150
// colonists), in F0 and in F1: iterations per second, and nanoseconds per iteration per
// (individual x source x locus), the unit the likelihood work scales with.
#include <benchmark/benchmark.h>

#include "Fixtures.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "core/Driver.h"
#include "core/Inputs.h"
#include "core/Output.h"
#include "core/SamplerState.h"

namespace fs = std::filesystem;

namespace {

double ThreadCpuNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

void Chain(benchmark::State& state, int generation)
{
    auto S = NewState();
    // The front end's defaults, with a run long enough never to reach its end.
    DefaultSettings(*S);
    RunConfiguration& c = S->cfg;
    const std::string examples = std::string(ORVANTA_SOURCE_DIR) + "/examples/";
    std::snprintf(c.SourceFileName, NameSize, "%s", (examples + "source.dat").c_str());
    std::snprintf(c.MixtureFileName, NameSize, "%s", (examples + "mixture.dat").c_str());
    ReadSourceData(*S);
    ReadMixtureData(*S);
    c.sample_size = 80000000;
    c.Generation = generation;
    const fs::path dir = fs::temp_directory_path() / ("orvanta_bench_chain_" + std::to_string(generation));
    fs::create_directories(dir);
    std::snprintf(c.OutputPrefix, NameSize, "%s", (dir / "bench").string().c_str());
    S->TotalIterations = c.Burn_in + c.sample_size * c.interval;
    S->ArtInterval = S->TotalIterations / 50;

    DriverStartUp(*S);
    AcceptCounters counters{};
    int32_t k = 0;
    const double cpu0 = ThreadCpuNanoseconds();
    for (auto _ : state) DriverIteration(*S, k++, counters);
    const double cpuNs = ThreadCpuNanoseconds() - cpu0;
    CloseOutputFiles(*S);
    fs::remove_all(dir);

    const double cells = (double)S->NumMixture * S->NumSources * S->NumLoci;
    state.counters["iterations_per_second"] = benchmark::Counter((double)k, benchmark::Counter::kIsRate);
    // CPU time, like the rate: the machine may be shared.
    state.counters["ns_per_cell_iteration"] = cpuNs / ((double)k * cells);
}

}  // namespace

BENCHMARK_CAPTURE(Chain, F0, 0)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK_CAPTURE(Chain, F1, 1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

BENCHMARK_MAIN();
