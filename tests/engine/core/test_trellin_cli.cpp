// The engine as the front end sees it: a process with progress text and an exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out, err;
};

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class TrellinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("orvanta-cli-" + std::to_string(::getpid()) + "-"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs trellin in the test directory; stdin closed ("closed") or /dev/null.
    Result Run(bool closeStdin = true)
    {
        const std::string cmd = "cd '" + dir_.string() + "' && timeout 60 '" TRELLIN_PATH "' "
                              + std::string(closeStdin ? "<&-" : "</dev/null") + " >out.txt 2>err.txt";
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir_ / "out.txt"), Slurp(dir_ / "err.txt")};
    }
    void WriteConfiguration(const std::string& chain)
    {
        std::ofstream(dir_ / "inival.dat", std::ios::binary)
            << "parameters of the chain: sample size, thinning interval, and burn in period\n"
            << chain << "\nepsilon values for w, x, and p\n0.300000 0.100000 0.060000\n"
            << "variance for loglinear parameters, alphaX proposal, and gamma parameters\n"
            << "10.000000 5.500000 1.000000 1.000000\nseed for the random number generator\n"
            << "12345 678910\noption (1=RJMCMC, 0=MCMC) - initial model\n" << "1 2\nOutput files name\noutput\nGeneration\n1\nSource file name\nsource.dat\n"
            << "Mixture file name\nmixture.dat\n"
            << "Optional output files (boolean) : NP sources alleles frequencies\n0 0";
    }
    void CopyData()
    {
        fs::copy_file(std::string(TEST_DATA_DIR) + "/two_source.dat", dir_ / "source.dat");
        fs::copy_file(std::string(TEST_DATA_DIR) + "/two_mixture.dat", dir_ / "mixture.dat");
    }
    fs::path dir_;
};

}  // namespace

TEST_F(TrellinTest, MissingFilesStopAtOnceWithStatusOne)
{
    Result r = Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "couldn't open inival.dat for reading.\n");

    WriteConfiguration("4 25 0");
    r = Run(false);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "couldn't open source data file for reading.\n");

    fs::copy_file(std::string(TEST_DATA_DIR) + "/two_source.dat", dir_ / "source.dat");
    r = Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "couldn't open mixture data file for reading.\n");
}

TEST_F(TrellinTest, HundredIterationsPrintEveryPercentage)
{
    CopyData();
    WriteConfiguration("4 25 0");
    const Result r = Run();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string expected;
    for (int q = 0; q < 100; ++q) expected += std::to_string(q) + " ";
    EXPECT_EQ(r.out, expected + "100\n");
}

TEST_F(TrellinTest, ZeroIterationsCreateEmptyFiles)
{
    CopyData();
    WriteConfiguration("0 25 0");
    const Result r = Run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0 100\n");
    EXPECT_TRUE(fs::exists(dir_ / "outputUP.out"));
    EXPECT_EQ(fs::file_size(dir_ / "outputUP.out"), 0u);
    EXPECT_EQ(fs::file_size(dir_ / "output.art"), 0u);
}

TEST_F(TrellinTest, ShortRunsSkipPercentagesButNeverRepeat)
{
    CopyData();
    WriteConfiguration("3 10 7");  // 37 iterations: rate lines every iteration
    const Result r = Run();
    EXPECT_EQ(r.status, 0) << r.out;
    std::istringstream in(r.out);
    int previous = -1, q;
    while (in >> q) {
        EXPECT_GT(q, previous);
        previous = q;
    }
    EXPECT_EQ(previous, 100);
    // One rate line per iteration from k = 1, then the summary.
    const std::string art = Slurp(dir_ / "output.art");
    EXPECT_EQ(art.find("Model"), 36u * 55u);
}

TEST_F(TrellinTest, BadInputStopsWithItsMessage)
{
    CopyData();
    WriteConfiguration("4 0 0");
    const Result r = Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "inival.dat: the thinning interval is 0, expected at least 1.\n");
}
