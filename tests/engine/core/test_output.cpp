// Output files: names, creation order, byte-exact line formats and the run summary.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Output.h"
#include "TextFiles.h"
#include "model/ModelTestData.h"

using namespace modeltest;
namespace fs = std::filesystem;

namespace {

using textfiles::Lines;
using textfiles::ReadFile;

int FieldCount(const std::string& line)
{
    std::istringstream in(line);
    int n = 0;
    for (std::string f; in >> f;) ++n;
    return n;
}

struct TempDir {
    fs::path path;
    TempDir()
    {
        std::string tmpl = (fs::temp_directory_path() / "orvanta_out_XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

// One state for the whole suite (the record is large); each test sets what it uses.
class OutputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { state_ = NewState().release(); }
    static void TearDownTestSuite()
    {
        delete state_;
        state_ = nullptr;
    }
    void SetUp() override
    {
        SamplerState& S = *state_;
        std::memset(&S.cfg, 0, sizeof S.cfg);
        std::memset(S.Accumulators, 0, sizeof S.Accumulators);
        S.UpFile = S.ArtFile = S.NpFile = nullptr;
        for (FILE*& f : S.SourceOutFile) f = nullptr;
        S.cfg.interval = 20;
        S.cfg.Burn_in = 10;
        S.TotalIterations = 1000;
        S.ArtInterval = 20;
        S.NumSources = 2;
        S.NumLoci = 3;
        S.CurrentModel = 14;
        S.LogLikelihood = -123.456789L;
        S.w = 0.5;
        const double b[4] = {0.0, 1.25, -0.5, 0.125};
        for (int j = 0; j < 4; ++j) S.LogLinPar[j] = b[j];
        S.x[0] = 0.25;
        S.x[1] = 0.75;
        S.AlphaVariance = 0.5;
        S.AlphaX[0] = 1.5;
        S.AlphaX[1] = 2.25;
        const double p[2][3][2] = {{{0.25, 0.75}, {0.5, 0.5}, {0.125, 0.875}},
                                   {{0.5, 0.5}, {1.0, 0.0}, {0.375, 0.625}}};
        for (int s = 0; s < 2; ++s)
            for (int l = 0; l < 3; ++l) {
                LocusData& L = S.Sources[s].loci[l];
                L.NumAlleles = 2;
                L.p[0] = p[s][l][0];
                L.p[1] = p[s][l][1];
                L.Homozygosity = L.p[0] * L.p[0] + L.p[1] * L.p[1];
            }
        SetPrefix("run");
    }
    void TearDown() override { CloseOutputFiles(*state_); }

    void SetPrefix(const std::string& name)
    {
        const std::string prefix = (dir_.path / name).string();
        std::strcpy(state_->cfg.OutputPrefix, prefix.c_str());
    }
    std::string File(const std::string& name) const { return ReadFile(dir_.path / name); }
    void Step(int32_t k, int32_t ax = 0, int32_t aw = 0, float ap = 0, float aa = 0, int32_t aj = 0)
    {
        OutputStep(*state_, k, ax, aw, ap, aa, aj);
    }
    std::string StopMessageOfOpen()
    {
        ScopedFatalStopHandler handler;
        try {
            OpenOutputFiles(*state_);
        } catch (const FatalStopCalled& e) {
            return e.what();
        }
        return "";
    }

    static SamplerState* state_;
    TempDir dir_;
};
SamplerState* OutputTest::state_ = nullptr;

}  // namespace

TEST_F(OutputTest, NamesFollowThePrefix)
{
    SamplerState& S = *state_;
    std::strcpy(S.cfg.OutputPrefix, "D/output");
    DeriveOutputNames(S);
    EXPECT_STREQ(S.UpFileName, "D/outputUP.out");
    EXPECT_STREQ(S.ArtFileName, "D/output.art");
    EXPECT_STREQ(S.NpFileName, "D/outputNP.out");
}

TEST_F(OutputTest, CreatesOnlyTheConfiguredFiles)
{
    struct Case {
        int cnp, csources;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {0, 0, {"runUP.out", "run.art"}},
        {1, 0, {"runUP.out", "run.art", "runNP.out"}},
        {0, 1, {"runUP.out", "run.art", "run_P_source_1.out", "run_P_source_2.out"}},
    };
    for (const Case& c : cases) {
        for (const auto& e : fs::directory_iterator(dir_.path)) fs::remove(e.path());
        state_->cfg.CNP = c.cnp;
        state_->cfg.Csources = c.csources;
        OpenOutputFiles(*state_);
        CloseOutputFiles(*state_);
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir_.path)) found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        std::vector<std::string> want = c.files;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(found, want) << "CNP " << c.cnp << " Csources " << c.csources;
        for (const std::string& f : want) EXPECT_EQ(File(f), "") << f;
    }
}

TEST_F(OutputTest, TraceNuisanceAndFrequencyLinesAreByteExact)
{
    state_->cfg.CNP = 1;
    state_->cfg.Csources = 1;
    OpenOutputFiles(*state_);
    Step(40);
    // Model code 14 is written as model 8; the log-likelihood needs 11 characters.
    EXPECT_EQ(File("runUP.out"),
              "    40   -123.456789     0.500000    8      0.000000      1.250000     -0.500000"
              "      0.125000     0.250000     0.750000\n");
    // AlphaVariance, both AlphaX, then locus 0 of each source (loci 3 and 7 do not exist).
    EXPECT_EQ(File("runNP.out"), "    0.500000    1.500000    2.250000    0.625000    0.500000\n");
    EXPECT_EQ(File("run_P_source_1.out"),
              "     40   2     0.250000    0.750000  2     0.500000    0.500000  2     0.125000    0.875000\n");
    EXPECT_EQ(File("run_P_source_2.out"),
              "     40   2     0.500000    0.500000  2     1.000000    0.000000  2     0.375000    0.625000\n");
}

TEST_F(OutputTest, NuisanceLineReportsLociZeroThreeAndSevenWhereTheyExist)
{
    struct Case {
        int loci;
        std::vector<int> reported;
    };
    const Case cases[] = {{1, {0}}, {3, {0}}, {4, {0, 3}}, {7, {0, 3}}, {8, {0, 3, 7}}, {12, {0, 3, 7}}};
    SamplerState& S = *state_;
    S.cfg.CNP = 1;
    for (const Case& c : cases) {
        S.NumLoci = c.loci;
        for (int s = 0; s < 2; ++s)
            for (int l = 0; l < c.loci; ++l) S.Sources[s].loci[l].Homozygosity = s + 0.01 * l;
        OpenOutputFiles(S);
        Step(20);
        CloseOutputFiles(S);
        const std::vector<std::string> lines = Lines(File("runNP.out"));
        ASSERT_EQ(lines.size(), 1u);
        const int n = 2, r = static_cast<int>(c.reported.size());
        EXPECT_EQ(FieldCount(lines[0]), 1 + n + r * n) << c.loci << " loci";
        std::string want = "    0.500000    1.500000    2.250000";
        for (int s = 0; s < 2; ++s)
            for (int l : c.reported) {
                char field[32];
                std::snprintf(field, sizeof field, "  %10.6f", s + 0.01 * l);
                want += field;
            }
        EXPECT_EQ(lines[0], want) << c.loci << " loci";
    }
}

TEST_F(OutputTest, SampleLinesOnlyAfterTheBurnInAndOnTheInterval)
{
    state_->cfg.CNP = 1;
    state_->cfg.Csources = 1;
    OpenOutputFiles(*state_);
    for (int32_t k = 0; k <= 70; ++k) Step(k);
    // interval 20, Burn_in 10: k = 20, 40, 60 (k = 0 is a multiple but inside the burn-in).
    EXPECT_EQ(Lines(File("runNP.out")).size(), 3u);
    for (const char* f : {"runUP.out", "run_P_source_1.out", "run_P_source_2.out"}) {
        const std::vector<std::string> lines = Lines(File(f));
        ASSERT_EQ(lines.size(), 3u) << f;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(std::stoi(lines[i]), 20 * (i + 1)) << f;
    }

    // A burn-in on a multiple of the interval keeps that iteration out.
    CloseOutputFiles(*state_);
    state_->cfg.Burn_in = 20;
    OpenOutputFiles(*state_);
    for (int32_t k = 0; k <= 40; ++k) Step(k);
    EXPECT_EQ(Lines(File("runUP.out")).size(), 1u);
}

TEST_F(OutputTest, RateLineHoldsRunningRatesFormedInDouble)
{
    OpenOutputFiles(*state_);
    Step(0, 5, 5, 5, 5, 5);  // no rate line at k = 0
    Step(5000, 1234, 0, 2500.5f, 10.25f, 7);
    Step(5001, 1, 1, 1, 1, 1);  // not a multiple of ArtInterval
    // 26667 / 80000 prints as 0.333338 in double and 0.333337 in single precision.
    Step(80000, 26667, 26667, 26667.0f, 26667.0f, 26667);
    EXPECT_EQ(File("run.art"),
              "  0.246800   0.000000   0.500100   0.002050   0.001400\n"
              "  0.333338   0.333338   0.333338   0.333338   0.333338\n");
}

TEST_F(OutputTest, SummaryBlocksForVisitedModelsInRisingOrderAtTheLastIteration)
{
    SamplerState& S = *state_;
    S.TotalIterations = 100;
    S.ArtInterval = 1000;
    auto fill = [&S](int number, int count, double sw, double qw, const double* sx, const double* qx,
                     const double* sl, const double* ql) {
        ModelAccumulator& A = S.Accumulators[number - 1];
        A.SampleCount = count;
        A.v[Acc::SumW] = sw;
        A.v[Acc::SqW] = qw;
        for (int s = 0; s < 2; ++s) {
            A.v[Acc::SumX + s] = sx[s];
            A.v[Acc::SqX + s] = qx[s];
        }
        for (int j = 0; j < 4; ++j) {
            A.v[Acc::SumLogLin + j] = sl[j];
            A.v[Acc::SqLogLin + j] = ql[j];
        }
    };
    // Filled in the order 8, 2: the blocks still come out as 2, 8.
    const double x8[2] = {1, 1}, qx8[2] = {0.5, 0.5};
    const double l8[4] = {0, -24691, 4, 1}, ql8[4] = {0, 304822740.5, 8, 0.5};
    fill(8, 2, 2, 2, x8, qx8, l8, ql8);
    const double x2[2] = {1, 3}, qx2[2] = {0.5, 2.5};
    const double l2[4] = {0, -2, 0, 0}, ql2[4] = {0, 1.5, 0, 0};
    fill(2, 4, 2, 1.5, x2, qx2, l2, ql2);

    OpenOutputFiles(S);
    Step(98);
    EXPECT_EQ(File("run.art"), "") << "the summary waits for the last iteration";
    Step(99);
    EXPECT_EQ(File("run.art"),
              "Model 2\nSample Size = 4\nMean and Variance of w.\n  0.500000   0.125000\n"
              "Mean and Variance of x.\n  0.250000  0.750000\n  0.062500  0.062500\n"
              "Mean and Variance of LogLinPar.\n  0.000000 -0.500000  0.000000  0.000000\n"
              "  0.000000  0.125000  0.000000  0.000000\n\n"
              "Model 8\nSample Size = 2\nMean and Variance of w.\n  1.000000   0.000000\n"
              "Mean and Variance of x.\n  0.500000  0.500000\n  0.000000  0.000000\n"
              "Mean and Variance of LogLinPar.\n  0.000000-12345.500000  2.000000  0.500000\n"
              "  0.000000  0.000000  0.000000  0.000000\n\n");
    // Means and variances are kept in the accumulator.
    const ModelAccumulator& A = S.Accumulators[1];
    EXPECT_EQ(A.v[Acc::MeanW], 0.5);
    EXPECT_EQ(A.v[Acc::VarW], 0.125);
    EXPECT_EQ(A.v[Acc::MeanX + 1], 0.75);
    EXPECT_EQ(A.v[Acc::VarX + 1], 0.0625);
    EXPECT_EQ(A.v[Acc::MeanLogLin + 1], -0.5);
    EXPECT_EQ(A.v[Acc::VarLogLin + 1], 0.125);
}

TEST_F(OutputTest, AFileThatCannotBeCreatedStopsAndLeavesTheEarlierOnesEmpty)
{
    SamplerState& S = *state_;
    S.cfg.CNP = 1;
    S.cfg.Csources = 1;
    // A directory in the way of the NP file, then of the second per-source file.
    fs::create_directory(dir_.path / "runNP.out");
    EXPECT_EQ(StopMessageOfOpen(), "couldn't open " + (dir_.path / "runNP.out").string() + " for writing.\n");
    EXPECT_TRUE(fs::exists(dir_.path / "runUP.out"));
    EXPECT_EQ(File("run.art"), "");
    EXPECT_FALSE(fs::exists(dir_.path / "run_P_source_1.out"));
    CloseOutputFiles(S);

    fs::remove(dir_.path / "runNP.out");
    fs::create_directory(dir_.path / "run_P_source_2.out");
    EXPECT_EQ(StopMessageOfOpen(),
              "couldn't open " + (dir_.path / "run_P_source_2.out").string() + " for writing.\n");
    EXPECT_EQ(File("run_P_source_1.out"), "");
    CloseOutputFiles(S);

    SetPrefix("missing/run");
    EXPECT_EQ(StopMessageOfOpen(), "couldn't open " + (dir_.path / "missing/runUP.out").string() + " for writing.\n");
}

TEST_F(OutputTest, NamesThatWouldNotFitTheirBuffersAreRefused)
{
    SamplerState& S = *state_;
    const size_t dirLength = (dir_.path / "").string().size();
    // 121 characters leave room for "UP.out"; with two per-source files 112 do.
    struct Case {
        size_t prefixLength;
        int csources;
        bool fits;
    };
    const Case cases[] = {{121, 0, true}, {122, 0, false}, {112, 1, true}, {113, 1, false}};
    for (const Case& c : cases) {
        S.cfg.Csources = c.csources;
        SetPrefix(std::string(c.prefixLength - dirLength, 'p'));
        ASSERT_EQ(std::strlen(S.cfg.OutputPrefix), c.prefixLength);
        const std::string message = StopMessageOfOpen();
        CloseOutputFiles(S);
        if (c.fits) {
            EXPECT_EQ(message, "") << c.prefixLength;
        } else {
            EXPECT_EQ(message.rfind("inival.dat: output file name", 0), 0u) << message;
            // Refused before anything is created.
            EXPECT_TRUE(fs::is_empty(dir_.path)) << c.prefixLength;
        }
        for (const auto& e : fs::directory_iterator(dir_.path)) fs::remove(e.path());
    }
}
