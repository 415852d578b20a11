// The sampler driver: start-up, the order of one iteration, the schedule of the output
// and whole runs, in process and through the real engine.
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Driver.h"
#include "core/Output.h"
#include "TextFiles.h"
#include "model/ModelTestData.h"

using namespace modeltest;
namespace fs = std::filesystem;

namespace {

using textfiles::Lines;
using textfiles::ReadFile;

std::vector<double> Fields(const std::string& line)
{
    std::vector<double> out;
    std::istringstream in(line);
    for (double v; in >> v;) out.push_back(v);
    return out;
}

struct TempDir {
    fs::path path;
    TempDir()
    {
        std::string tmpl = (fs::temp_directory_path() / "orvanta_drv_XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

// The .art file split into its rate lines and its summary blocks.
struct ArtFile {
    std::vector<std::string> rates;
    std::vector<int> models, sizes;
};
ArtFile ParseArt(const std::string& text)
{
    ArtFile art;
    const std::vector<std::string> lines = Lines(text);
    size_t i = 0;
    for (; i < lines.size() && lines[i].rfind("Model ", 0) != 0; ++i) art.rates.push_back(lines[i]);
    for (; i + 1 < lines.size(); i += 11) {
        EXPECT_EQ(lines[i + 2], "Mean and Variance of w.");
        if (i + 10 < lines.size()) {
            EXPECT_EQ(lines[i + 10], "") << "a block ends in an empty line";
        }
        art.models.push_back(std::stoi(lines[i].substr(6)));
        art.sizes.push_back(std::stoi(lines[i + 1].substr(std::strlen("Sample Size = "))));
    }
    return art;
}

void SetSchedule(SamplerState& S, int sample, int interval, int burn)
{
    S.cfg.sample_size = sample;
    S.cfg.interval = interval;
    S.cfg.Burn_in = burn;
}

// What the main routine does around the driver.
void RunChain(SamplerState& S, const fs::path& dir, AcceptCounters* out = nullptr)
{
    std::strcpy(S.cfg.OutputPrefix, (dir / "run").string().c_str());
    S.TotalIterations = S.cfg.Burn_in + S.cfg.sample_size * S.cfg.interval;
    S.ArtInterval = S.TotalIterations / 50;
    AcceptCounters c{};
    DriverStartUp(S);
    for (int32_t k = 0; k < S.TotalIterations; ++k) DriverIteration(S, k, c);
    CloseOutputFiles(S);
    if (out) *out = c;
}

// The smallest data set the readers accept, with the front end's defaults.
std::unique_ptr<SamplerState> SmallRun()
{
    auto S = TwoSourceExample();
    DefaultSettings(*S);
    return S;
}

}  // namespace

// ---------------------------------------------------------------- start-up and iteration

TEST(DriverStartUp, SeedsSetsThePriorCountsClearsTheSumsAndOpensTheFiles)
{
    TempDir dir;
    auto A = SmallRun();
    for (ModelAccumulator& acc : A->Accumulators) {
        acc.v[Acc::SumW] = 7.0;
        acc.SampleCount = 3;
    }
    std::strcpy(A->cfg.OutputPrefix, (dir.path / "run").string().c_str());
    DriverStartUp(*A);
    CloseOutputFiles(*A);

    auto B = SmallRun();
    setseedall(B->cfg.seed0, B->cfg.seed1);
    SetDirichletPar(*B);
    SetInitialState(*B);

    for (int s = 0; s < 2; ++s)
        for (int l = 0; l < 2; ++l) {
            const LocusData& L = A->Sources[s].loci[l];
            for (int a = 0; a < L.NumAlleles; ++a) {
                EXPECT_EQ(L.DirichletPar[a], L.Count[a] + 1.0);
                EXPECT_EQ(L.p[a], B->Sources[s].loci[l].p[a]);
            }
        }
    for (const ModelAccumulator& acc : A->Accumulators) {
        EXPECT_EQ(acc.v[Acc::SumW], 0.0);
        EXPECT_EQ(acc.SampleCount, 0);
    }
    EXPECT_EQ(A->w, B->w);
    EXPECT_EQ(A->CurrentModel, 2);
    EXPECT_EQ(A->AlphaVariance, B->AlphaVariance);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(A->LogLinPar[j], B->LogLinPar[j]);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(A->AlphaX[s], B->AlphaX[s]);
        EXPECT_EQ(A->x[s], B->x[s]);
    }
    const int32_t codes[6] = {3, 5, 6, 7, 14, 15};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(A->ModelDesign[i].code, codes[i]);
    EXPECT_TRUE(fs::exists(dir.path / "runUP.out"));
    EXPECT_TRUE(fs::exists(dir.path / "run.art"));
}

TEST(DriverIteration, CallsTheUpdatesInOrderAndRebuildsTheLikelihoodEvery100000)
{
    // A spoilt cache makes any difference in the rebuild schedule visible, and the
    // shared stream any difference in the order of the draws.
    auto A = SyntheticData(3, {2, 3}, 6, 0.1, 11);
    auto B = SyntheticData(3, {2, 3}, 6, 0.1, 11);
    for (auto* S : {A.get(), B.get()}) {
        S->LikelihoodEngine = LiteralLikelihoodEngine;  // the updates called below
        S->cfg.interval = 1 << 30;  // no trace lines: no files needed
        S->TotalIterations = 1 << 30;
        S->ArtInterval = 1 << 30;
    }
    for (int32_t k : {0, 1, 99999, 100000, 200001}) {
        AcceptCounters ca{}, cb{};
        StartChain(*A, 1234, 5678);
        for (int i = 0; i < A->NumMixture; ++i) A->Lik[i].L0 *= 3;
        A->LogLikelihood += 5;
        DriverIteration(*A, k, ca);
        const float nextA = genunit();

        StartChain(*B, 1234, 5678);
        for (int i = 0; i < B->NumMixture; ++i) B->Lik[i].L0 *= 3;
        B->LogLikelihood += 5;
        if (k % 100000 == 0) RecomputeLikelihood(*B);
        B->AlphaVariance = 1.0 / DrawTau(*B);
        CoefficientStep(*B);
        RecomputeMu(*B);
        UpdateAlphaX(*B, cb.AcceptAlphaX);
        UpdateX(*B, cb.AcceptX);
        UpdateW(*B, cb.AcceptW);
        UpdateP(*B, cb.AcceptP);
        JumpStep(*B, cb.AcceptJump);
        UpdateHomozygosity(*B);
        const float nextB = genunit();

        EXPECT_EQ(nextA, nextB) << "k " << k;
        EXPECT_EQ(A->LogLikelihood, B->LogLikelihood) << "k " << k;
        EXPECT_EQ(A->w, B->w) << "k " << k;
        EXPECT_EQ(A->CurrentModel, B->CurrentModel) << "k " << k;
        for (int j = 0; j < 4; ++j) EXPECT_EQ(A->LogLinPar[j], B->LogLinPar[j]) << "k " << k;
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(A->x[s], B->x[s]) << "k " << k;
            EXPECT_EQ(A->AlphaX[s], B->AlphaX[s]) << "k " << k;
            EXPECT_EQ(A->mu[s], B->mu[s]) << "k " << k;
            EXPECT_EQ(A->Sources[s].loci[1].Homozygosity, B->Sources[s].loci[1].Homozygosity);
        }
        EXPECT_EQ(ca.AcceptX, cb.AcceptX);
        EXPECT_EQ(ca.AcceptJump, cb.AcceptJump);
    }
}

TEST(DriverIteration, AccumulatesEveryIterationAfterTheBurnInIntoTheCurrentModel)
{
    TempDir dir;
    auto S = SmallRun();
    SetSchedule(*S, 30, 2, 7);
    std::strcpy(S->cfg.OutputPrefix, (dir.path / "run").string().c_str());
    S->TotalIterations = 67;
    S->ArtInterval = 1;
    DriverStartUp(*S);
    ModelAccumulator want[9] = {};
    AcceptCounters c{};
    for (int32_t k = 0; k < S->TotalIterations; ++k) {
        DriverIteration(*S, k, c);
        if (k <= 7) continue;
        ModelAccumulator& A = want[ModelNumberOf(S->CurrentModel) - 1];
        A.v[Acc::SumW] += S->w;
        A.v[Acc::SqW] += S->w * S->w;
        for (int s = 0; s < 2; ++s) {
            A.v[Acc::SumX + s] += S->x[s];
            A.v[Acc::SqX + s] += S->x[s] * S->x[s];
        }
        for (int j = 0; j < 4; ++j) {
            A.v[Acc::SumLogLin + j] += S->LogLinPar[j];
            A.v[Acc::SqLogLin + j] += S->LogLinPar[j] * S->LogLinPar[j];
        }
        A.SampleCount += 1;
    }
    CloseOutputFiles(*S);
    int total = 0;
    for (int m = 0; m < 9; ++m) {
        const ModelAccumulator& got = S->Accumulators[m];
        EXPECT_EQ(got.SampleCount, want[m].SampleCount) << "model " << m + 1;
        total += got.SampleCount;
        for (int e = 0; e < 40; ++e) EXPECT_EQ(got.v[e], want[m].v[e]) << "model " << m + 1 << " element " << e;
    }
    EXPECT_EQ(total, 67 - 7 - 1);
}

// ---------------------------------------------------------------- schedules of whole runs

TEST(DriverSchedule, DefaultSettingsWrite9999SamplesAnd49RateLines)
{
    TempDir dir;
    auto S = SmallRun();
    RunChain(*S, dir.path);
    EXPECT_EQ(S->TotalIterations, 250000);
    const std::vector<std::string> up = Lines(ReadFile(dir.path / "runUP.out"));
    ASSERT_EQ(up.size(), 9999u);
    EXPECT_EQ(std::stoi(up.front()), 25);
    EXPECT_EQ(std::stoi(up.back()), 249975);
    const ArtFile art = ParseArt(ReadFile(dir.path / "run.art"));
    EXPECT_EQ(art.rates.size(), 49u);
    int total = 0;
    for (size_t i = 0; i < art.models.size(); ++i) {
        total += art.sizes[i];
        if (i > 0) {
            EXPECT_LT(art.models[i - 1], art.models[i]);
        }
    }
    EXPECT_EQ(total, 249999);
    EXPECT_GE(art.models.size(), 2u) << "reversible jump visits several models";
}

TEST(DriverSchedule, TraceRateAndSummaryCountsFollowBurnInIntervalAndSampleSize)
{
    struct Case {
        int sample, interval, burn;
        size_t trace, rates;
        int firstTrace, summed;
    };
    const Case cases[] = {
        {20, 7, 37, 20, 58, 42, 139},  // 177 iterations, rate lines every 3
        {10, 10, 50, 9, 49, 60, 99},   // k = 150 would be the tenth sample: past the end
        {0, 25, 60, 0, 59, 0, 0},      // all burn-in: rate lines only, no summary
    };
    auto S = SmallRun();
    for (const Case& c : cases) {
        TempDir dir;
        SetSchedule(*S, c.sample, c.interval, c.burn);
        RunChain(*S, dir.path);
        const std::vector<std::string> up = Lines(ReadFile(dir.path / "runUP.out"));
        EXPECT_EQ(up.size(), c.trace) << "burn-in " << c.burn;
        if (!up.empty()) {
            EXPECT_EQ(std::stoi(up.front()), c.firstTrace);
        }
        const ArtFile art = ParseArt(ReadFile(dir.path / "run.art"));
        EXPECT_EQ(art.rates.size(), c.rates) << "burn-in " << c.burn;
        int total = 0;
        for (int n : art.sizes) total += n;
        EXPECT_EQ(total, c.summed) << "burn-in " << c.burn;
        if (c.summed == 0) {
            EXPECT_TRUE(art.models.empty());
        }
    }
}

TEST(DriverSchedule, WithoutReversibleJumpTheChainStaysInItsModel)
{
    TempDir dir;
    auto S = SmallRun();
    S->cfg.RJMCMC = 0;
    S->cfg.model = 14;
    SetSchedule(*S, 400, 5, 100);
    AcceptCounters c{};
    RunChain(*S, dir.path, &c);
    EXPECT_EQ(c.AcceptJump, 0);
    const std::vector<std::string> up = Lines(ReadFile(dir.path / "runUP.out"));
    ASSERT_EQ(up.size(), 399u) << "k = 105 to 2095";
    for (const std::string& line : up) {
        const std::vector<double> f = Fields(line);
        EXPECT_EQ(f[3], 8.0);
        EXPECT_EQ(f[4], 0.0) << "model 8 has no constant";
    }
    const ArtFile art = ParseArt(ReadFile(dir.path / "run.art"));
    ASSERT_EQ(art.models.size(), 1u);
    EXPECT_EQ(art.models[0], 8);
    EXPECT_EQ(art.sizes[0], 2100 - 100 - 1);
    for (const std::string& line : art.rates) EXPECT_EQ(Fields(line)[4], 0.0);
}

TEST(DriverSchedule, FirstGenerationColonistsKeepWAtOne)
{
    TempDir dir;
    auto S = SmallRun();
    S->cfg.Generation = 0;
    SetSchedule(*S, 200, 5, 0);
    AcceptCounters c{};
    RunChain(*S, dir.path, &c);
    EXPECT_EQ(c.AcceptW, 0);
    EXPECT_EQ(S->w, 1.0);
    const std::vector<std::string> up = Lines(ReadFile(dir.path / "runUP.out"));
    ASSERT_EQ(up.size(), 199u) << "k = 5 to 995";
    for (const std::string& line : up) EXPECT_EQ(Fields(line)[2], 1.0) << line;
    const std::string art = ReadFile(dir.path / "run.art");
    for (const std::string& line : ParseArt(art).rates) EXPECT_EQ(Fields(line)[1], 0.0);
    EXPECT_NE(art.find("Mean and Variance of w.\n  1.000000   0.000000\n"), std::string::npos);
}

TEST(DriverSchedule, CachedLikelihoodStaysEqualToARebuild)
{
    auto S = SyntheticData(4, {2, 3, 5, 2}, 40, 0.05, 23);
    S->cfg.interval = 1 << 30;
    S->TotalIterations = 1 << 30;
    S->ArtInterval = 1 << 30;
    StartChain(*S, 97, 89);
    AcceptCounters c{};
    for (int32_t k = 0; k < 5000; ++k) DriverIteration(*S, k, c);
    EXPECT_GT(c.AcceptX, 0);
    EXPECT_GT(c.AcceptW, 0);
    ExpectCacheMatchesRecompute(*S, 1e-10L, "after 5000 iterations");
}

TEST(DriverSchedule, SameSeedsWriteIdenticalFilesAndOtherSeedsDoNot)
{
    auto run = [](int32_t seed1, const fs::path& dir) {
        auto S = SmallRun();
        S->cfg.seed1 = seed1;
        S->cfg.CNP = 1;
        S->cfg.Csources = 1;
        SetSchedule(*S, 300, 4, 50);
        RunChain(*S, dir);
    };
    TempDir a, b, c;
    run(678910, a.path);
    run(678910, b.path);
    run(678911, c.path);
    for (const char* f : {"runUP.out", "run.art", "runNP.out", "run_P_source_1.out", "run_P_source_2.out"}) {
        const std::string first = ReadFile(a.path / f);
        EXPECT_FALSE(first.empty()) << f;
        EXPECT_EQ(first, ReadFile(b.path / f)) << f;
        EXPECT_NE(first, ReadFile(c.path / f)) << f;
    }
}

TEST(DriverSchedule, WithoutMixtureDataTheChainSamplesThePriorOfW)
{
    // No genotypes: the likelihood is flat and w follows its uniform prior, mean 1/2.
    auto S = SmallRun();
    S->NumMixture = 0;
    S->cfg.interval = 1 << 30;
    S->TotalIterations = 1 << 30;
    S->ArtInterval = 1 << 30;
    StartChain(*S, 2024, 611);
    const int batches = 100, perBatch = 2000;
    std::vector<double> means(batches, 0.0);
    AcceptCounters c{};
    for (int32_t k = 0; k < batches * perBatch; ++k) {
        DriverIteration(*S, k, c);
        means[k / perBatch] += S->w / perBatch;
    }
    // Batch means carry the autocorrelation of the random walk into the standard error.
    double mean = 0.0, var = 0.0;
    for (double m : means) mean += m / batches;
    for (double m : means) var += (m - mean) * (m - mean) / (batches - 1);
    const double se = std::sqrt(var / batches);
    EXPECT_LT(se, 0.01);
    EXPECT_NEAR(mean, 0.5, 4.5 * se);
    EXPECT_EQ(S->LogLikelihood, 0.0L);
}

// ---------------------------------------------------------------- the real engine

namespace {

const char* kSourceFile =
    "source header\n2 2\nG1 header\n0.3 2.0\nlocus header\n"
    "1 0 2 14 6 20 3 0 3 5 5 10 20\n"
    "1 0 2 4 16 20 3 0 3 0 12 8 20\n";
const char* kMixtureFile =
    "mixture header\nG2 header\n1.5 0.2\n3\nindividual header\n"
    "1 1 2\n2 101 202\n3 9999 2\n";

void WriteText(const fs::path& p, const std::string& text)
{
    std::ofstream out(p, std::ios::binary);
    out << text;
}

void WriteInival(const fs::path& dir, int sample, int interval, int burn, int seed0, int seed1,
                 int rjmcmc, int model, const std::string& prefix)
{
    char text[2048];
    std::snprintf(text, sizeof text,
                  "parameters of the chain: sample size, thinning interval, and burn in period\n"
                  "%d %d %d\n"
                  "epsilon values for w, x, and p\n0.300000 0.100000 0.060000\n"
                  "variance for loglinear parameters, alphaX proposal, and gamma parameters\n"
                  "10.000000 5.500000 1.000000 1.000000\n"
                  "seed for the random number generator\n%d %d\n"
                  "option (1=RJMCMC, 0=MCMC) - initial model\n%d %d\n"
                  "Output files name\n%s\nGeneration\n1\nSource file name\nsource.dat\n"
                  "Mixture file name\nmixture.dat\n"
                  "Optional output files (boolean) : NP sources alleles frequencies\n0 0",
                  sample, interval, burn, seed0, seed1, rjmcmc, model, prefix.c_str());
    WriteText(dir / "inival.dat", text);
    WriteText(dir / "INIVAL.dat", text);
    WriteText(dir / "source.dat", kSourceFile);
    WriteText(dir / "mixture.dat", kMixtureFile);
}

struct EngineRun {
    int status;
    std::string out, err;
};
EngineRun RunEngine(const fs::path& dir)
{
    const std::string command = "cd '" + dir.string() + "' && '" TRELLIN_PATH "' < /dev/null > stdout.txt 2> stderr.txt";
    const int raw = std::system(command.c_str());
    EngineRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(dir / "stdout.txt");
    r.err = ReadFile(dir / "stderr.txt");
    return r;
}

}  // namespace

TEST(TrellinProcess, SeedZeroStopsInTheGeneratorWithItsThreePartMessage)
{
    TempDir dir;
    WriteInival(dir.path, 10, 5, 0, 0, 678910, 1, 2, "out");
    const EngineRun r = RunEngine(dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              " a, m, s out of order in mltmod - ABORT!"
              " a =   2082007225 s =            0 m =   2147483563\n"
              " mltmod requires: 0 < a < m; 0 < s < m");
    EXPECT_EQ(r.out, "");
}

TEST(TrellinProcess, InitialModelOutsideOneToNineStops)
{
    for (int model : {0, 10}) {
        TempDir dir;
        WriteInival(dir.path, 10, 5, 0, 12345, 678910, 1, model, "out");
        const EngineRun r = RunEngine(dir.path);
        EXPECT_EQ(r.status, 1) << "model " << model;
        EXPECT_EQ(r.out, "model not allowed.\n") << "model " << model;
    }
}

TEST(TrellinProcess, ARunWritesTheSameFilesAsTheDriverInProcess)
{
    TempDir dir, here;
    WriteInival(dir.path, 120, 5, 40, 12345, 678910, 1, 9, "out");
    const EngineRun r = RunEngine(dir.path);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.substr(0, 2), "0 ");
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "100\n");

    auto S = SmallRun();
    S->cfg.model = 15;
    SetSchedule(*S, 120, 5, 40);
    RunChain(*S, here.path);
    EXPECT_EQ(ReadFile(dir.path / "outUP.out"), ReadFile(here.path / "runUP.out"));
    EXPECT_EQ(ReadFile(dir.path / "out.art"), ReadFile(here.path / "run.art"));
}
