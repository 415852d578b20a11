// The program itself: files on disk, the scenario file, exit statuses.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineDataReader.h"
#include "simulate/Scenario.h"
#include "simulate/Simulate.h"
#include "simulate/Writers.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

class SimulateProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("orvanta-simulate-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the program in the test folder; returns its exit status, keeps its error text.
    int Run(const std::string& args)
    {
        const std::string cmd = "cd '" + dir_.string() + "' && '" SIMULATE_PATH "' " + args + " >out.txt 2>err.txt";
        const int status = std::system(cmd.c_str());
        err_ = Slurp(dir_ / "err.txt");
        out_ = Slurp(dir_ / "out.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
    std::string err_, out_;
};

TEST_F(SimulateProgram, WritesTheThreeFilesTheLibraryMakes)
{
    ASSERT_EQ(Run("--seed=4 --sources=3 --loci=5 --mixture=20 --missing=0.1 --out-dir=data"), 0) << err_;
    EXPECT_EQ(err_, "");
    orvsim::Scenario sc;
    sc.seed = 4;
    sc.sources = 3;
    sc.loci = 5;
    sc.mixture = 20;
    sc.missing = 0.1;
    orvsim::SimulatedData d;
    ASSERT_EQ(orvsim::Simulate(sc, d), "");
    EXPECT_EQ(Slurp(dir_ / "data/source.dat"), orvsim::SourceFileText(d));
    EXPECT_EQ(Slurp(dir_ / "data/mixture.dat"), orvsim::MixtureFileText(d));
    EXPECT_EQ(Slurp(dir_ / "data/truth.txt"), orvsim::TruthFileText(d));
}

TEST_F(SimulateProgram, SameSeedSameFilesOnDisk)
{
    ASSERT_EQ(Run("--seed=8 --out-dir=a"), 0) << err_;
    ASSERT_EQ(Run("--seed=8 --out-dir=b"), 0) << err_;
    ASSERT_EQ(Run("--seed=9 --out-dir=c"), 0) << err_;
    for (const char* f : {"source.dat", "mixture.dat", "truth.txt"}) {
        EXPECT_EQ(Slurp(dir_ / "a" / f), Slurp(dir_ / "b" / f)) << f;
        EXPECT_NE(Slurp(dir_ / "a" / f), Slurp(dir_ / "c" / f)) << f;
    }
}

TEST_F(SimulateProgram, ScenarioFileWithCommandLineOverride)
{
    std::ofstream(dir_ / "scen") << "# a test scenario\n"
                                    "sources = 4   # four sources\n"
                                    "\n"
                                    "loci=3\n"
                                    "mixture = 12\n"
                                    "generation = F0\n"
                                    "source-file = src.dat\n";
    ASSERT_EQ(Run("--mixture=7 --scenario scen"), 0) << err_;
    datareader::SourceFile src;
    ASSERT_EQ(datareader::ReadSource(Slurp(dir_ / "src.dat"), src), "");
    EXPECT_EQ(src.num_sources, 4);
    EXPECT_EQ(src.num_loci, 3);
    datareader::MixtureFile mix;
    ASSERT_EQ(datareader::ReadMixture(Slurp(dir_ / "mixture.dat"), 4, 3, mix), "");
    EXPECT_EQ(mix.num_mixture, 7);  // the command line wins over the file
    EXPECT_NE(Slurp(dir_ / "truth.txt").find("generation F0\n"), std::string::npos);
}

TEST_F(SimulateProgram, BadScenarioFileNamesTheLine)
{
    std::ofstream(dir_ / "scen") << "sources = 4\nloci: 3\n";
    EXPECT_EQ(Run("--scenario=scen"), 2);
    EXPECT_NE(err_.find("scenario file 'scen', line 2: expected key = value"), std::string::npos) << err_;
    std::ofstream(dir_ / "scen2") << "sources = 4\n\nfst = 2\n";
    EXPECT_EQ(Run("--scenario=scen2"), 2);
    EXPECT_NE(err_.find("line 3: fst must be a number in (0, 1), not '2'"), std::string::npos) << err_;
}

TEST_F(SimulateProgram, BadOptionsExitWithStatusTwoAndWriteNothing)
{
    for (const char* args : {"--sources=20", "--bogus", "--w", "stray", "--coef=0,900,0,0 --g1-range=1,2",
                             "--x=1,2 --sources=3"}) {
        EXPECT_EQ(Run(std::string(args) + " --out-dir=never"), 2) << args;
        EXPECT_EQ(err_.rfind("orvanta-simulate: ", 0), 0u) << err_;
        EXPECT_NE(err_.find("--help"), std::string::npos) << err_;
        EXPECT_FALSE(fs::exists(dir_ / "never")) << args;
    }
}

TEST_F(SimulateProgram, HelpExitsZero)
{
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_EQ(out_, orvsim::HelpText());
}

TEST_F(SimulateProgram, UnwritableFolderExitsOne)
{
    std::ofstream(dir_ / "plainfile") << "x";
    EXPECT_EQ(Run("--out-dir=plainfile/sub"), 1);
    EXPECT_NE(err_.find("cannot create folder 'plainfile/sub'"), std::string::npos) << err_;
}

}  // namespace

namespace {

// The bundled example is what its scenario file makes, and its run configuration points at it.
TEST_F(SimulateProgram, BundledExampleRegeneratesFromItsScenario)
{
    ASSERT_EQ(Run("--scenario '" EXAMPLES_DIR "/scenario' --out-dir=again"), 0) << err_;
    for (const char* f : {"source.dat", "mixture.dat", "truth.txt"})
        EXPECT_EQ(Slurp(dir_ / "again" / f), Slurp(fs::path(EXAMPLES_DIR) / f)) << f;
    datareader::SourceFile src;
    ASSERT_EQ(datareader::ReadSource(Slurp(fs::path(EXAMPLES_DIR) / "source.dat"), src), "");
    datareader::MixtureFile mix;
    ASSERT_EQ(datareader::ReadMixture(Slurp(fs::path(EXAMPLES_DIR) / "mixture.dat"), src.num_sources,
                                      src.num_loci, mix), "");
    EXPECT_EQ(src.num_sources, 6);
    EXPECT_EQ(src.num_loci, 10);
    EXPECT_EQ(mix.num_mixture, 150);
}

TEST(SimulateExample, RunConfigurationHasTheTwentyLines)
{
    const std::string text = Slurp(fs::path(EXAMPLES_DIR) / "inival.dat");
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_NE(text.back(), '\n');  // the last line has no line end
    EXPECT_EQ(lines[3], "0.300000 0.100000 0.060000");
    EXPECT_EQ(lines[5], "10.000000 5.500000 1.000000 1.000000");
    EXPECT_EQ(lines[11], "output");
    EXPECT_EQ(lines[13], "1");
    EXPECT_EQ(lines[15], "source.dat");
    EXPECT_EQ(lines[17], "mixture.dat");
    EXPECT_EQ(lines[19], "0 0");
    int sample_size = 0, interval = 0, burn_in = 0;
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "%d %d %d", &sample_size, &interval, &burn_in), 3);
    EXPECT_GT(sample_size, 0);
    EXPECT_GT(interval, 0);
}

}  // namespace
