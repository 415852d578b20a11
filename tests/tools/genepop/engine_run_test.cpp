// The converted real data sets run through the real engine with a short chain.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

#include "TempDir.h"
#include "genepop/Convert.h"
#include "genepop/GenepopReader.h"
#include "genepop/OutputFiles.h"

using namespace genepop;

namespace {

// Twenty lines, header and value alternately; the last line has no line end.
std::string Inival(int sampleSize, int interval, int burnIn)
{
    std::ostringstream s;
    s << "parameters of the chain: sample size, thinning interval, and burn in period\n"
      << sampleSize << " " << interval << " " << burnIn << "\n"
      << "epsilon values for w, x, and p\n0.300000 0.100000 0.060000\n"
      << "variance for loglinear parameters, alphaX proposal, and gamma parameters\n"
      << "10.000000 5.500000 1.000000 1.000000\n"
      << "seed for the random number generator\n12345 678910\n"
      << "option (1=RJMCMC, 0=MCMC) - initial model\n1 2\n"
      << "Output files name\nrun\n"
      << "Generation\n1\n"
      << "Source file name\ndata_source.txt\n"
      << "Mixture file name\ndata_mixture.txt\n"
      << "Optional output files (boolean) : NP sources alleles frequencies\n0 0";
    return s.str();
}

// Runs the engine on converted data in its own folder; the trace lines it wrote, or a
// failure recorded in the test.
int RunEngine(const EngineData& converted, int sampleSize, size_t sources)
{
    TempDir dir;
    WriteOutputs(converted, PathsForPrefix(dir / "data"));
    dir.Write("inival.dat", Inival(sampleSize, 5, 0));
    const std::string command = "cd '" + dir.path().string() + "' && timeout 600 '" TRELLIN_PATH
                                "' < /dev/null > stdout.txt 2> stderr.txt";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << "stdout: " << dir.Read("stdout.txt") << "\nstderr: " << dir.Read("stderr.txt");
    const std::string progress = dir.Read("stdout.txt");
    EXPECT_TRUE(progress.size() >= 4 && progress.substr(progress.size() - 4) == "100\n") << progress;

    // One trace line per kept sample: iteration, log-likelihood, w, model, four
    // coefficients, one share per source, the shares summing to one.
    std::istringstream trace(dir.Read("runUP.out"));
    std::string line;
    int lines = 0;
    while (std::getline(trace, line)) {
        ++lines;
        std::istringstream fields(line);
        std::vector<double> v;
        double x;
        while (fields >> x) v.push_back(x);
        EXPECT_EQ(v.size(), 8 + sources) << line;
        if (v.size() != 8 + sources) break;
        EXPECT_TRUE(std::isfinite(v[1]) && v[1] < 0) << line;
        double sum = 0;
        for (size_t s = 0; s < sources; ++s) sum += v[8 + s];
        EXPECT_NEAR(sum, 1.0, 1e-4) << line;
    }
    return lines;
}

struct Case {
    const char* file;
    int mixture;
    std::vector<int> sources;
    std::vector<double> g1, g2;
};

}  // namespace

TEST(EngineRun, ConvertedRealDataRunInTheEngine)
{
    const Case cases[] = {
        // Borgou against Zebu, the African taurines and four French breeds.
        {"microbov/microbov.gen", 0, {1, 2, 3, 4, 5, 9, 11, 14}, {1, 0, 0, 0, 0, 0, 0, 0}, {1, 1, 1, 1, 0, 0, 0, 0}},
        // Colony 17 (the most missing data) against six other colonies.
        {"nancycats/nancycats.gen", 16, {0, 1, 2, 3, 4, 5}, {0.5, 1, 1.5, 2, 2.5, 3}, {0, 0, 0, 1, 1, 1}},
        // Connecticut River fish against rivers of the three regions.
        {"alewife/alewife.gen", 9, {0, 1, 3, 8, 15, 20}, {1, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 1}},
    };
    const int sampleSize = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const GenepopData d = ReadGenepop(std::string(GENEPOP_DATA_DIR) + "/" + c.file);
        Selection sel;
        sel.mixture = c.mixture;
        for (size_t k = 0; k < c.sources.size(); ++k) sel.sources.push_back({c.sources[k], c.g1[k], c.g2[k]});
        // Iterations 0 to 99: the multiples of 5 above the burn-in, 5 to 95.
        EXPECT_EQ(RunEngine(Convert(d, sel), sampleSize, c.sources.size()), sampleSize - 1);
    }
}

TEST(EngineRun, HalfMissingGenotypesAndMixtureOnlyAllelesRun)
{
    // Alleles 07 (locus A) and 06 (locus C) occur only in the mixture; m2 and m3 carry
    // half-missing genotypes in both positions.
    std::istringstream in(
        "t\nA\nB\nC\nPop\n"
        "s1 , 0102 0303 0101\ns1b , 0202 0000 0102\ns1c , 0101 0304 0202\n"
        "Pop\ns2 , 0505 0304 0101\ns2b , 0105 0404 0102\n"
        "Pop\nm1 , 0105 0000 0106\nm2 , 0007 0300 0202\nm3 , 0500 0004 0600\n");
    const GenepopData d = ParseGenepop(in, "small.gen");
    Selection sel;
    sel.sources = {{0, 1, 0}, {1, 0, 1}};
    sel.mixture = 2;
    EXPECT_EQ(RunEngine(Convert(d, sel), 20, 2), 19);
}
