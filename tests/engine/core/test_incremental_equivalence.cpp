// Whole runs of the driver with the incremental and with the plain likelihood on the
// same data: every output file must agree line by line, a value differing at most in its
// last printed digit, and the final log-likelihood must match a recomputation.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "core/Driver.h"
#include "core/Inputs.h"
#include "core/Output.h"
#include "model/IncrementalLikelihood.h"
#include "model/model.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        std::string tmpl = (fs::temp_directory_path() / "orvanta_eq_XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

std::vector<std::string> Lines(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

struct RunSettings {
    int generation;
    int sample, interval, burn;
};

// A whole run through the driver, as the main routine makes it; the final state is kept.
std::unique_ptr<SamplerState> Run(const fs::path& data, const RunSettings& r, int32_t engine,
                                  const fs::path& dir)
{
    auto S = NewState();
    DefaultSettings(*S);
    const std::string source = (data / "source.dat").string(), mixture = (data / "mixture.dat").string();
    EXPECT_LT(source.size(), (size_t)NameSize);
    EXPECT_LT(mixture.size(), (size_t)NameSize);
    std::snprintf(S->cfg.SourceFileName, NameSize, "%s", source.c_str());
    std::snprintf(S->cfg.MixtureFileName, NameSize, "%s", mixture.c_str());
    ReadSourceData(*S);
    ReadMixtureData(*S);
    S->cfg.Generation = r.generation;
    S->cfg.RJMCMC = 1;
    S->cfg.CNP = 1;
    S->cfg.Csources = 1;
    S->cfg.sample_size = r.sample;
    S->cfg.interval = r.interval;
    S->cfg.Burn_in = r.burn;
    std::strcpy(S->cfg.OutputPrefix, (dir / "run").string().c_str());
    S->TotalIterations = r.burn + r.sample * r.interval;
    S->ArtInterval = S->TotalIterations / 50;
    S->LikelihoodEngine = engine;
    unsetenv("ORVANTA_LITERAL");  // would turn both runs into plain ones
    AcceptCounters c{};
    DriverStartUp(*S);
    for (int32_t k = 0; k < S->TotalIterations; ++k) DriverIteration(*S, k, c);
    CloseOutputFiles(*S);
    return S;
}

// The numbers of a line: integers and values with six decimals, which may touch.
bool Numbers(const std::string& line, std::vector<double>& out, std::string& skeleton)
{
    out.clear();
    skeleton.clear();
    size_t i = 0;
    while (i < line.size()) {
        const bool sign = line[i] == '-' && i + 1 < line.size() && std::isdigit((unsigned char)line[i + 1]);
        if (!sign && !std::isdigit((unsigned char)line[i])) {
            skeleton += line[i++];
            continue;
        }
        size_t j = i + (sign ? 1 : 0);
        while (j < line.size() && std::isdigit((unsigned char)line[j])) ++j;
        if (j < line.size() && line[j] == '.') {
            if (j + 7 > line.size()) return false;
            j += 7;  // exactly six decimals
        }
        out.push_back(std::stod(line.substr(i, j - i)));
        skeleton += '#';
        i = j;
    }
    return true;
}

// Lines that differ; a difference beyond the last printed digit of a value fails.
int CompareFiles(const fs::path& a, const fs::path& b, const std::string& what)
{
    const std::vector<std::string> la = Lines(a), lb = Lines(b);
    EXPECT_FALSE(la.empty()) << what;
    EXPECT_EQ(la.size(), lb.size()) << what;
    int differing = 0;
    for (size_t k = 0; k < la.size() && k < lb.size(); ++k) {
        if (la[k] == lb[k]) continue;
        ++differing;
        std::vector<double> na, nb;
        std::string sa, sb;
        const bool parsed = Numbers(la[k], na, sa) && Numbers(lb[k], nb, sb);
        bool close = parsed && sa == sb && na.size() == nb.size();
        for (size_t j = 0; close && j < na.size(); ++j) close = std::fabs(na[j] - nb[j]) <= 1.5e-6;
        EXPECT_TRUE(close) << what << " line " << k + 1 << ":\n  " << la[k] << "\n  " << lb[k];
    }
    return differing;
}

long double Recomputed(const SamplerState& S)
{
    auto R = std::unique_ptr<SamplerState>(new SamplerState(S));
    RecomputeLikelihood(*R);
    return R->LogLikelihood;
}

void ExpectSameRun(const fs::path& data, const RunSettings& r, const std::string& name)
{
    TempDir plainDir, fastDir;
    auto plain = Run(data, r, LiteralLikelihoodEngine, plainDir.path);
    auto fast = Run(data, r, IncrementalLikelihoodEngine, fastDir.path);
    ASSERT_EQ(fast->Cache.Valid, 1) << "the driver did not run the incremental engine";
    EXPECT_EQ(plain->Cache.Valid, 0) << "the driver did not run the plain engine";

    std::vector<std::string> files = {"runUP.out", "run.art", "runNP.out"};
    for (int s = 1; s <= fast->NumSources; ++s) files.push_back("run_P_source_" + std::to_string(s) + ".out");
    int differing = 0, lines = 0;
    for (const std::string& f : files) {
        differing += CompareFiles(plainDir.path / f, fastDir.path / f, name + " " + f);
        lines += (int)Lines(fastDir.path / f).size();
    }
    std::printf("[ %s ] %d of %d output lines differ (last printed digit only)\n", name.c_str(),
                differing, lines);
    EXPECT_LE(differing, lines / 1000 + 2) << name;

    // The last iteration is a trace line: its log-likelihood against a recomputation.
    const std::vector<std::string> up = Lines(fastDir.path / "runUP.out");
    ASSERT_FALSE(up.empty());
    int k;
    double printed;
    ASSERT_EQ(std::sscanf(up.back().c_str(), "%d %lf", &k, &printed), 2);
    EXPECT_EQ(k, fast->TotalIterations - 1);
    for (const SamplerState* S : {plain.get(), fast.get()}) {
        const long double full = Recomputed(*S);
        EXPECT_LE(std::fabs(S->LogLikelihood - full), 1e-9L * std::fabs(full)) << name;
        EXPECT_LE(std::fabs(printed - (double)full), 1e-9 * std::fabs((double)full)) << name;
    }
}

const fs::path kExample = fs::path(ORVANTA_SOURCE_DIR) / "examples";
const fs::path kSimulated = fs::path(TEST_DATA_DIR) / "incremental";

}  // namespace

// A burn-in of 1 puts the last iteration on a trace line.
TEST(IncrementalEquivalence, BundledExampleF1)
{
    ExpectSameRun(kExample, {1, 2000, 10, 1}, "example F1");
}

TEST(IncrementalEquivalence, BundledExampleF0)
{
    ExpectSameRun(kExample, {0, 2000, 10, 1}, "example F0");
}

TEST(IncrementalEquivalence, SimulatedManyLociF1)
{
    ExpectSameRun(kSimulated, {1, 2000, 10, 1}, "32 loci F1");
}

TEST(IncrementalEquivalence, SimulatedManyLociF0)
{
    ExpectSameRun(kSimulated, {0, 2000, 10, 1}, "32 loci F0");
}

TEST(IncrementalEquivalence, EnvironmentSelectsThePlainEngine)
{
    struct Case {
        const char* value;  // nullptr: unset
        int32_t engine;
    };
    for (const Case& c : {Case{nullptr, IncrementalLikelihoodEngine}, Case{"1", LiteralLikelihoodEngine},
                          Case{"0", IncrementalLikelihoodEngine}, Case{"yes", IncrementalLikelihoodEngine}}) {
        if (c.value)
            setenv("ORVANTA_LITERAL", c.value, 1);
        else
            unsetenv("ORVANTA_LITERAL");
        auto S = NewState();
        SelectLikelihoodEngine(*S);
        EXPECT_EQ(S->LikelihoodEngine, c.engine) << (c.value ? c.value : "unset");
    }
    unsetenv("ORVANTA_LITERAL");
}

TEST(IncrementalEquivalence, TrellinWritesTheSameFilesWithEitherEngine)
{
    auto run = [](const fs::path& dir, bool literal) {
        std::ifstream in(kExample / "inival.dat");
        std::ostringstream text;
        std::string line;
        for (int k = 0; std::getline(in, line); ++k) {
            if (k == 1) line = "300 10 0";           // schedule: 3000 iterations
            if (k == 11) line = "out";               // output prefix
            text << line << "\n";
        }
        std::string body = text.str();
        body.replace(body.rfind("0 0"), 3, "1 1");  // NP and per-source traces on
        std::ofstream(dir / "inival.dat") << body;
        fs::copy_file(kExample / "source.dat", dir / "source.dat");
        fs::copy_file(kExample / "mixture.dat", dir / "mixture.dat");
        const std::string command = "cd '" + dir.string() + "' && " + (literal ? "ORVANTA_LITERAL=1 " : "")
                                    + "'" TRELLIN_PATH "' < /dev/null > stdout.txt 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << std::ifstream(dir / "stdout.txt").rdbuf();
    };
    TempDir fast, plain;
    run(fast.path, false);
    run(plain.path, true);
    for (const char* f : {"outUP.out", "out.art", "outNP.out", "out_P_source_1.out", "out_P_source_6.out"})
        CompareFiles(plain.path / f, fast.path / f, f);
    EXPECT_EQ(Lines(plain.path / "stdout.txt"), Lines(fast.path / "stdout.txt"));
}
