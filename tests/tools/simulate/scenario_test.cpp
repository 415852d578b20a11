// Settings from the command line and the scenario file, and the refusal of bad ones.
#include <gtest/gtest.h>

#include "simulate/Scenario.h"

namespace {

using namespace orvsim;

ParseResult Parse(std::vector<std::string> args) { return ParseArguments(args); }

TEST(SimulateOptions, DefaultsMakeAValidScenario)
{
    const ParseResult r = Parse({});
    EXPECT_EQ(r.error, "");
    EXPECT_FALSE(r.help);
    EXPECT_EQ(r.scenario.sources, 6);
    EXPECT_EQ(r.scenario.generation, 1);
    EXPECT_EQ(CheckScenario(r.scenario), "");
}

TEST(SimulateOptions, BothSpellingsAndAllKeys)
{
    const ParseResult r = Parse({"--seed=99", "--sources", "3", "--loci=12", "--alleles=4-9", "--sample-size", "30",
                                 "--g1=1,2.5,-3", "--g2-range=-1,2", "--coef=0.1,0.2,0.3,0", "--alpha-variance=0",
                                 "--generation=F0", "--w=0.9", "--mixture=601", "--missing=0.25", "--fst=0.5",
                                 "--out-dir=run one", "--source-file=s.txt", "--mixture-file=m.txt", "--truth-file=t.txt"});
    ASSERT_EQ(r.error, "");
    const Scenario& s = r.scenario;
    EXPECT_EQ(s.seed, 99u);
    EXPECT_EQ(s.sources, 3);
    EXPECT_EQ(s.loci, 12);
    EXPECT_EQ(s.alleles.lo, 4);
    EXPECT_EQ(s.alleles.hi, 9);
    EXPECT_EQ(s.sample_size.lo, 30);
    EXPECT_EQ(s.sample_size.hi, 30);
    EXPECT_EQ(s.g1, (std::vector<double>{1, 2.5, -3}));
    EXPECT_EQ(s.g2_lo, -1);
    EXPECT_EQ(s.g2_hi, 2);
    EXPECT_EQ(s.coef, (std::array<double, 4>{0.1, 0.2, 0.3, 0}));
    EXPECT_EQ(s.alpha_variance, 0);
    EXPECT_EQ(s.generation, 0);
    EXPECT_EQ(s.w, 0.9);
    EXPECT_EQ(s.mixture, 601);
    EXPECT_EQ(s.missing, 0.25);
    EXPECT_EQ(s.fst, 0.5);
    EXPECT_EQ(s.out_dir, "run one");
    EXPECT_EQ(s.source_file, "s.txt");
    EXPECT_EQ(s.mixture_file, "m.txt");
    EXPECT_EQ(s.truth_file, "t.txt");
}

TEST(SimulateOptions, HelpWinsOverEverything)
{
    EXPECT_TRUE(Parse({"--sources=1", "--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_NE(HelpText().find("--scenario FILE"), std::string::npos);
}

TEST(SimulateOptions, BadValuesAreRefusedWithTheReason)
{
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--sources=1"}, "--sources must be a whole number from 2 to 15"},
        {{"--sources=16"}, "from 2 to 15"},
        {{"--sources=six"}, "not 'six'"},
        {{"--loci=0"}, "--loci must be a whole number from 1 to 1500"},
        {{"--loci=1501"}, "from 1 to 1500"},
        {{"--alleles=1-5"}, "--alleles must be N or LO-HI with 2 <= LO <= HI <= 98"},
        {{"--alleles=5-99"}, "HI <= 98"},
        {{"--alleles=9-4"}, "LO <= HI"},
        {{"--alleles=5-"}, "--alleles must be"},
        {{"--sample-size=0"}, "--sample-size must be"},
        {{"--g1=1,x,3"}, "--g1 must be a comma-separated list of numbers"},
        {{"--g1=1,2"}, "g1 has 2 values for 6 sources"},
        {{"--sources=3", "--g2=1,2,3,4"}, "g2 has 4 values for 3 sources"},
        {{"--g1-range=2,1"}, "--g1-range must be LO,HI with LO <= HI"},
        {{"--x=1,-1,1,1,1,1"}, "--x must hold no negative share"},
        {{"--x=0,0,0,0,0,0"}, "at least one positive share"},
        {{"--x=1,1"}, "x has 2 shares for 6 sources"},
        {{"--coef=1,2,3"}, "--coef must be four numbers"},
        {{"--alpha-variance=-0.1"}, "--alpha-variance must be a number in [0, 100]"},
        {{"--generation=F2"}, "--generation must be F0 or F1"},
        {{"--w=1.01"}, "--w must be a number in [0, 1]"},
        {{"--w=nan"}, "--w must be a number"},
        {{"--mixture=602"}, "--mixture must be a whole number from 0 to 601"},
        {{"--missing=-0.5"}, "--missing must be a number in [0, 1]"},
        {{"--fst=1"}, "--fst must be a number in (0, 1)"},
        {{"--fst=0"}, "(0, 1)"},
        {{"--seed=-1"}, "--seed must be a whole number of 0 or more"},
        {{"--seed=12abc"}, "--seed must be"},
        {{"--source-file="}, "--source-file must not be empty"},
        {{"--mixture-file=" + std::string(128, 'm')}, "at most 127 characters"},
        {{"--truth-file=source.dat"}, "three different names"},
        {{"--colour=red"}, "unknown option --colour"},
        {{"--w"}, "option --w needs a value"},
        {{"sources=3"}, "unexpected argument 'sources=3'"},
        {{"--"}, "unexpected argument '--'"},
        {{"--scenario=/nonexistent/scenario"}, "cannot read scenario file '/nonexistent/scenario'"},
    };
    for (const auto& c : cases) {
        const ParseResult r = Parse(c.args);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << ::testing::PrintToString(c.args) << " gave '" << r.error << "'";
    }
}

}  // namespace
