#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

#include "EngineDataReader.h"
#include "TempDir.h"
#include "genepop/Cli.h"

using namespace genepop;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

Result RunTool(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    Result r;
    r.status = RunCli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

const char* kSmall =
    "small\nA, B\nPop\na1 , 0101 0102\na2 , 0202 0101\nPop\nb1 , 0303 0202\nPop\nm1 , 0103 0000\n";

const std::string kMicrobov = std::string(EXAMPLES_DIR) + "/microbov/";

}  // namespace

TEST(Cli, HelpDocumentsTheOptionsAndExitStatus)
{
    const Result r = RunTool({"--help"});
    EXPECT_EQ(r.status, kExitOk);
    for (const char* text : {"Usage: genepop2orvanta [options] FILE.gen", "--mixture", "--sources", "--g1", "--g2",
                             "--factors", "--labels", "--output", "--list", "Exit status: 0"}) {
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(r.err, "");
}

TEST(Cli, BadCommandLinesExitWithTwo)
{
    TempDir dir;
    dir.Write("s.gen", kSmall);
    const std::string in = dir / "s.gen";
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "no input file; expected a GENEPOP file."},
        {{in, "--bogus"}, "unknown option --bogus."},
        {{in, "-m"}, "option -m needs a value."},
        {{in, in}, "more than one input file"},
        {{in, "-s", "1,2", "--g1", "0,1", "--g2", "0,1"}, "no mixture; expected --mixture SAMPLE."},
        {{in, "-m", "3", "-s", "1,2", "--g1", "0,1"}, "--g1 and --g2 go together; expected both or neither."},
        {{in, "-m", "3", "-s", "1,2"}, "no G1 and G2; expected --g1 and --g2, or --factors."},
        {{in, "-m", "3", "--g1", "0,1", "--g2", "0,1"}, "--g1 and --g2 need --sources"},
        {{in, "-m", "3", "-s", "1,2", "--g1", "0,1", "--g2", "0,1", "-f", "x.csv"}, "G1 and G2 given both by --g1/--g2 and by --factors"},
        {{in, "-m", "3", "-s", "1,2", "--g1", "0,x", "--g2", "0,1"}, "--g1: \"x\" is not a number; expected comma-separated numbers with \".\" as the decimal separator."},
        {{in, "-m", "3", "-s", "1,2", "--g1", "0,1", "--g2", "0,1,"}, "--g2: \"\" is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Result r = RunTool(c.args);
        EXPECT_EQ(r.status, kExitUsage);
        EXPECT_EQ(r.err.rfind("genepop2orvanta: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Try 'genepop2orvanta --help'."), std::string::npos);
    }
    EXPECT_EQ(dir.FileCount(), 1u);
}

TEST(Cli, ConvertsWithCommandLineValues)
{
    TempDir dir;
    dir.Write("s.gen", kSmall);
    // Equals form and short options; the output prefix defaults to the input without ".gen".
    const Result r = RunTool({"--mixture=3", "-s", "b1,1", "--g1=1,0", "--g2", "0.25,0.5", dir / "s.gen"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("  source 1: sample 2 (b1), 1 individuals, G1 1, G2 0.25\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  mixture: sample 3 (m1)\n"), std::string::npos) << r.out;
    EXPECT_EQ(dir.Read("s_mixture.txt").substr(0, 55), "mixture data converted from GENEPOP by genepop2orvanta\n");
    std::string error;
    datareader::SourceFile src;
    error = datareader::ReadSource(dir.Read("s_source.txt"), src);
    ASSERT_EQ(error, "");
    EXPECT_EQ(src.g1, (std::vector<double>{1, 0}));
    // Locus A: alleles 01, 02, 03; source 1 is b1 (0303), source 2 is a1 + a2.
    EXPECT_EQ(src.loci[0][0].counts, (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(src.loci[1][0].counts, (std::vector<int>{2, 2, 0}));
    datareader::MixtureFile mix;
    error = datareader::ReadMixture(dir.Read("s_mixture.txt"), 2, 2, mix);
    ASSERT_EQ(error, "");
    EXPECT_EQ(mix.codes, (std::vector<std::vector<int>>{{2, 9999}}));
    EXPECT_EQ(dir.Read("s_alleles.csv"), "locus,locus_name,genepop_allele,engine_code\n1,A,01,0\n1,A,02,1\n1,A,03,2\n2,B,01,0\n2,B,02,1\n");
}

TEST(Cli, ConvertsTheCattleExample)
{
    TempDir dir;
    const Result r = RunTool({"-l", kMicrobov + "breeds.csv", "-m", "Borgou", "-f", kMicrobov + "factors.csv", "-o",
                          dir / "cattle", kMicrobov + "microbov.gen"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find(": 8 sources, 30 of 30 loci, 50 mixture individuals\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  source 1: sample 2 (AFBIZEB9502, label Zebu), 50 individuals, G1 1, G2 1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  source 8: sample 15 (FRBTSAL9285, label Salers), 50 individuals, G1 0, G2 0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  mixture: sample 1 (AFBIBOR9552, label Borgou)\n"), std::string::npos) << r.out;
    std::string error;
    datareader::SourceFile src;
    error = datareader::ReadSource(dir.Read("cattle_source.txt"), src);
    ASSERT_EQ(error, "");
    EXPECT_EQ(src.g1, (std::vector<double>{1, 0, 0, 0, 0, 0, 0, 0}));
    datareader::MixtureFile mix;
    error = datareader::ReadMixture(dir.Read("cattle_mixture.txt"), 8, 30, mix);
    ASSERT_EQ(error, "");
    EXPECT_EQ(mix.g2, (std::vector<double>{1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(mix.num_mixture, 50);

    // The example's run configuration names exactly these files (lines 16 and 18 of 20).
    std::istringstream inival(TempDir::ReadPath(kMicrobov + "inival.dat"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(inival, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[11], "cattle");
    EXPECT_EQ(lines[15], "cattle_source.txt");
    EXPECT_EQ(lines[17], "cattle_mixture.txt");
}

TEST(Cli, ListsSamples)
{
    const Result r = RunTool({"--list", "-l", kMicrobov + "breeds.csv", kMicrobov + "microbov.gen"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find(": 15 samples, 30 loci, 3-digit alleles\n"), std::string::npos);
    EXPECT_NE(r.out.find("  1           50    32  AFBIBOR9552  Borgou\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" 14           30   669  FRBTMBE1549  Montbeliard\n"), std::string::npos) << r.out;
}

TEST(Cli, RefusedInputWritesNothing)
{
    TempDir dir;
    dir.Write("s.gen", kSmall);
    dir.Write("bad.gen", "t\nA\nPop\na , 0101\nb , 01\n");
    dir.Write("f.csv", "sample,G1,G2\n1,0,0\n2,zero,1\n");
    // Earlier outputs under the same prefix stay as they were.
    dir.Write("s_source.txt", "old");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{dir / "bad.gen", "-m", "1", "-s", "1,2", "--g1", "0,0", "--g2", "0,0"}, "bad.gen, line 5: genotype \"01\" at locus 1 (A) holds a single allele"},
        {{dir / "s.gen", "-m", "4", "-s", "1,2", "--g1", "0,0", "--g2", "0,0"}, "command line, mixture: no sample \"4\""},
        {{dir / "s.gen", "-m", "3", "-s", "1,3", "--g1", "0,0", "--g2", "0,0"}, "is the mixture"},
        {{dir / "s.gen", "-m", "3", "-s", "1", "--g1", "0", "--g2", "0"}, "1 source chosen; expected at least 2."},
        {{dir / "s.gen", "-m", "3", "-f", dir / "f.csv"}, "f.csv, line 3: \"zero\" in column G1"},
        {{dir / "s.gen", "-m", "3", "-f", dir / "none.csv"}, "none.csv: cannot open the file for reading."},
        {{dir / "s.gen", "-m", "3", "-l", dir / "f.csv", "-s", "1,2", "--g1", "0,0", "--g2", "0,0"}, "f.csv: 2 rows after the header; expected one row per sample"},
        {{dir / "none.gen", "-m", "3", "-s", "1,2", "--g1", "0,0", "--g2", "0,0"}, "none.gen: cannot open the file for reading."},
        {{dir / "s.gen", "-m", "3", "-s", "1,2", "--g1", "0,0", "--g2", "0,0", "-o", dir / "no/such/dir/x"}, "x_source.txt: cannot write the file; expected a writable folder."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Result r = RunTool(c.args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(dir.FileCount(), 4u);
        EXPECT_EQ(dir.Read("s_source.txt"), "old");
    }
}

TEST(Cli, WarnsAboutLociLeftOut)
{
    TempDir dir;
    dir.Write("s.gen", "t\nA\nB\nPop\na , 0101 0101\nPop\nb , 0202 0101\nPop\nm , 0102 0101\n");
    const Result r = RunTool({dir / "s.gen", "-m", "3", "-s", "1,2", "--g1", "0,1", "--g2", "0,1"});
    ASSERT_EQ(r.status, kExitOk);
    EXPECT_NE(r.err.find("genepop2orvanta: warning: "), std::string::npos);
    EXPECT_NE(r.err.find("locus 2 (B) has a single allele"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find(": 2 sources, 1 of 2 loci, 1 mixture individuals\n"), std::string::npos) << r.out;
}

TEST(Cli, ProgramExitStatus)
{
    TempDir dir;
    dir.Write("s.gen", kSmall);
    const std::string program = std::string("'") + GENEPOP2ORVANTA_PATH + "'";
    const struct {
        std::string args;
        int status;
    } cases[] = {
        {"--help", 0},
        {"'" + (dir / "s.gen") + "' -m 3 -s 1,2 --g1 0,1 --g2 0,1 -o '" + (dir / "x") + "'", 0},
        {"'" + (dir / "s.gen") + "' -m 9 -s 1,2 --g1 0,1 --g2 0,1", 1},
        {"--nonsense", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const int raw = std::system((program + " " + c.args + " > /dev/null 2>&1").c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), c.status);
    }
    EXPECT_EQ(dir.FileCount(), 4u);
}
