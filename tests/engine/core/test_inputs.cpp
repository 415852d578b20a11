// Start-up reading: the configuration layout, the data files and every refused input.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <cstring>
#include <unistd.h>

#include "Fixtures.h"
#include "core/FatalStop.h"
#include "core/Inputs.h"

namespace fs = std::filesystem;

namespace {

struct Stopped : std::runtime_error {
    using std::runtime_error::runtime_error;
};
void ThrowingStop(const char* message) { throw Stopped(message); }

// Each test runs in a fresh directory: the reader opens "inival.dat" there.
class InputsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("orvanta-inputs-" + std::to_string(::getpid()) + "-"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        SetFatalStopHandler(ThrowingStop);
    }
    void TearDown() override
    {
        SetFatalStopHandler(nullptr);
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(name, std::ios::binary) << text;
    }
    // A state naming the files source.dat and mixture.dat, not read yet.
    static std::unique_ptr<SamplerState> NamingWrittenFiles()
    {
        auto S = NewState();
        std::strcpy(S->cfg.SourceFileName, "source.dat");
        std::strcpy(S->cfg.MixtureFileName, "mixture.dat");
        return S;
    }
    // The same, with both read.
    static std::unique_ptr<SamplerState> ReadWrittenFiles()
    {
        auto S = NamingWrittenFiles();
        ReadSourceData(*S);
        ReadMixtureData(*S);
        return S;
    }
    // The message of the fatal stop a read ends in ("" if it succeeds).
    template <class F> static std::string StopMessage(F read)
    {
        try {
            read();
        } catch (const Stopped& e) {
            return e.what();
        }
        return "";
    }
    fs::path old_, dir_;
};

// The configuration as the front end writes it with its defaults.
std::string DefaultConfiguration(const std::string& eol = "\n")
{
    const char* lines[] = {
        "parameters of the chain: sample size, thinning interval, and burn in period",
        "10000 25 0",
        "epsilon values for w, x, and p",
        "0.300000 0.100000 0.060000",
        "variance for loglinear parameters, alphaX proposal, and gamma parameters",
        "10.000000 5.500000 1.000000 1.000000",
        "seed for the random number generator",
        "12345 678910",
        "option (1=RJMCMC, 0=MCMC) - initial model",
        "1 2",
        "Output files name",
        "results/output",
        "Generation",
        "1",
        "Source file name",
        "source.dat",
        "Mixture file name",
        "mixture.dat",
        "Optional output files (boolean) : NP sources alleles frequencies",
        "0 0",
    };
    std::string text;
    for (int i = 0; i < 20; ++i) text += std::string(lines[i]) + (i < 19 ? eol : "");
    return text;
}

std::string ReplaceLine(const std::string& text, int line, const std::string& value)
{
    std::string out;
    size_t start = 0;
    for (int n = 1; start <= text.size(); ++n) {
        size_t end = text.find('\n', start);
        const std::string current = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        out += n == line ? value : current;
        if (end == std::string::npos) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

std::string ReadFixture(const char* name)
{
    std::ifstream in(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectSameDataAs(const SamplerState& a, const SamplerState& b)
{
    ASSERT_EQ(a.NumSources, b.NumSources);
    ASSERT_EQ(a.NumLoci, b.NumLoci);
    ASSERT_EQ(a.NumMixture, b.NumMixture);
    for (int s = 0; s < a.NumSources; ++s) {
        EXPECT_EQ(a.Sources[s].G1, b.Sources[s].G1);
        EXPECT_EQ(a.Sources[s].G2, b.Sources[s].G2);
        for (int l = 0; l < a.NumLoci; ++l) {
            const LocusData &x = a.Sources[s].loci[l], &y = b.Sources[s].loci[l];
            ASSERT_EQ(x.NumAlleles, y.NumAlleles);
            for (int k = 0; k < x.NumAlleles; ++k) EXPECT_EQ(x.Count[k], y.Count[k]);
        }
    }
    for (int i = 0; i < a.NumMixture; ++i)
        for (int l = 0; l < a.NumLoci; ++l) {
            EXPECT_EQ(a.Mixture[i].Allele1[l], b.Mixture[i].Allele1[l]);
            EXPECT_EQ(a.Mixture[i].Allele2[l], b.Mixture[i].Allele2[l]);
        }
}

}  // namespace

TEST_F(InputsTest, DefaultConfigurationReadsBack)
{
    Write("inival.dat", DefaultConfiguration());
    auto S = NewState();
    ReadRunConfiguration(*S);
    const RunConfiguration& c = S->cfg;
    EXPECT_EQ(c.sample_size, 10000);
    EXPECT_EQ(c.interval, 25);
    EXPECT_EQ(c.Burn_in, 0);
    EXPECT_EQ(c.epsilon_w, 0.3f);
    EXPECT_EQ(c.epsilon_x, 0.1f);
    EXPECT_EQ(c.epsilon_p, 0.06f);
    EXPECT_EQ(c.sigmap, 10.0);
    EXPECT_EQ(c.alphax, 5.5);
    EXPECT_EQ(c.aTau, 1.0);
    EXPECT_EQ(c.bTau, 1.0);
    EXPECT_EQ(c.seed0, 12345);
    EXPECT_EQ(c.seed1, 678910);
    EXPECT_EQ(c.RJMCMC, 1);
    EXPECT_EQ(c.model, 2);
    EXPECT_STREQ(c.OutputPrefix, "results/output");
    EXPECT_EQ(c.Generation, 1);
    EXPECT_STREQ(c.SourceFileName, "source.dat");
    EXPECT_STREQ(c.MixtureFileName, "mixture.dat");
    EXPECT_EQ(c.CNP, 0);
    EXPECT_EQ(c.Csources, 0);
}

TEST_F(InputsTest, HeadersAreRecognisedByPositionAndLineEndsMayBeCrLf)
{
    std::string text = DefaultConfiguration("\r\n");
    // Other header texts of the same count, names with blanks, a file from another system.
    for (const char* header : {"parameters of the chain: sample size, thinning interval, and burn in period",
                               "Output files name", "Source file name"})
        text.replace(text.find(header), std::strlen(header), "xx yy");
    text.replace(text.find("source.dat"), 10, "my data/source 1.dat");
    text.replace(text.find("results/output"), 14, "out dir/run one");
    Write("inival.dat", text);
    auto S = NewState();
    ReadRunConfiguration(*S);
    EXPECT_EQ(S->cfg.sample_size, 10000);
    EXPECT_STREQ(S->cfg.OutputPrefix, "out dir/run one");
    EXPECT_STREQ(S->cfg.SourceFileName, "my data/source 1.dat");
    EXPECT_STREQ(S->cfg.MixtureFileName, "mixture.dat");
    EXPECT_EQ(S->cfg.Csources, 0);
}

TEST_F(InputsTest, ValuesAndModelNumbers)
{
    struct Case {
        int line;
        const char* value;
        int32_t model;
        float epsilon_w;
    } cases[] = {
        {10, "1 8", 14, 0.3f},  // ModelNumber 8 is code 14
        {10, "1 9", 15, 0.3f},
        {10, "0 5", 5, 0.3f},
        {10, "1 0", 0, 0.3f},    // refused later, by the driver
        {10, "1 10", 10, 0.3f},
        {4, "0.000000 0.100000 0.060000", 2, 0.0f},  // a width below 5e-7 written with "%f"
    };
    for (const Case& c : cases) {
        Write("inival.dat", ReplaceLine(DefaultConfiguration(), c.line, c.value));
        auto S = NewState();
        ReadRunConfiguration(*S);
        EXPECT_EQ(S->cfg.model, c.model) << c.value;
        EXPECT_EQ(S->cfg.epsilon_w, c.epsilon_w) << c.value;
    }
}

TEST_F(InputsTest, EmptyPrefixGivesBareSuffixes)
{
    Write("inival.dat", ReplaceLine(DefaultConfiguration(), 12, ""));
    auto S = NewState();
    ReadRunConfiguration(*S);
    EXPECT_STREQ(S->cfg.OutputPrefix, "");
    EXPECT_EQ(S->cfg.Generation, 1);
}

TEST_F(InputsTest, RefusedConfigurations)
{
    struct Case {
        int line;
        std::string value;
        std::string message;
    } cases[] = {
        {2, "10000 x 0", "inival.dat: expected the thinning interval on line 2, found \"x\"."},
        {2, "10000 0 0", "the thinning interval is 0, expected at least 1."},
        {2, "-1 25 0", "the sample size is -1, expected 0 or more."},
        {2, "10 25 -5", "the burn-in period is -5, expected 0 or more."},
        {2, "100000000 25 0", "is 2500000000 iterations, expected at most 2147483647."},
        {2, "10000 25 99999999999", "expected the burn-in period on line 2, found \"99999999999\"."},
        {4, "0.3 -0.1 0.06", "the proposal width for x is -0.1, expected 0 or more."},
        {6, "0 5.5 1 1", "the variance for the loglinear parameters is 0, expected more than 0."},
        {6, "10 5.5 -1 1", "the gamma parameter aTau is -1, expected more than 0."},
        {6, "10 5.5 1 0", "the gamma parameter bTau is 0, expected more than 0."},
        {6, "10 -5.5 1 1", "the AlphaX proposal variance is -5.5, expected 0 or more."},
        {6, "10 5.5 nan 1", "expected the gamma parameter aTau on line 6, found \"nan\"."},
        {8, "12345", "expected seed 1 on line 8, found \"option\"."},
        {8, "12345 2147483648", "expected seed 1 on line 8, found \"2147483648\"."},
        {2, "10000 " + std::string(70, '1') + " 0",
         "expected the thinning interval on line 2, found \"" + std::string(63, '1') + "...\"."},
        {2, "10000 25\x01 0", "expected the thinning interval on line 2, found \"25?\"."},
        {6, "10 5.5 1 1e999", "expected the gamma parameter bTau on line 6, found \"1e999\"."},
        {12, std::string(122, 'a'), "the output prefix is 122 characters long, expected at most 121."},
        {16, std::string(128, 'b'), "the source file name on line 16 is longer than 127 characters."},
    };
    for (const Case& c : cases) {
        Write("inival.dat", ReplaceLine(DefaultConfiguration(), c.line, c.value));
        auto S = NewState();
        const std::string message = StopMessage([&] { ReadRunConfiguration(*S); });
        EXPECT_NE(message.find(c.message), std::string::npos) << "line " << c.line << ": " << message;
    }
}

TEST_F(InputsTest, PrefixBoundIsTighterWithPerSourceFiles)
{
    std::string text = ReplaceLine(DefaultConfiguration(), 12, std::string(112, 'p'));
    Write("inival.dat", ReplaceLine(text, 20, "0 1"));
    auto S = NewState();
    EXPECT_NE(StopMessage([&] { ReadRunConfiguration(*S); }).find("expected at most 111."), std::string::npos);
    Write("inival.dat", ReplaceLine(text, 20, "1 0"));
    EXPECT_EQ(StopMessage([&] { ReadRunConfiguration(*S); }), "");
}

TEST_F(InputsTest, FileEndingEarly)
{
    const std::string text = DefaultConfiguration();
    struct Case {
        const char* cutBefore;
        const char* message;
    } cases[] = {
        {"Generation", "inival.dat: expected the generation (1 for F1, 0 for F0) on line 14, but the file ends there.\n"},
        {"results/output", "inival.dat: expected the output prefix on line 12, but the file ends there.\n"},
        {"12345 678910", "inival.dat: expected seed 0 on line 8, but the file ends there.\n"},
    };
    for (const Case& c : cases) {
        Write("inival.dat", text.substr(0, text.find(c.cutBefore)));
        auto S = NewState();
        EXPECT_EQ(StopMessage([&] { ReadRunConfiguration(*S); }), c.message);
    }
}

TEST_F(InputsTest, ValuesMaySpreadOverLinesAndTrailingTextIsSkipped)
{
    // The sample size alone on line 2 pushes every later line down by one; the line reads
    // still fall on what remains of a value line and on a header.
    std::string text = ReplaceLine(DefaultConfiguration(), 2, "10000\n25 0");
    text = ReplaceLine(text, 9, "12345 678910 and some words");
    Write("inival.dat", text);
    auto S = NewState();
    ReadRunConfiguration(*S);
    EXPECT_EQ(S->cfg.sample_size, 10000);
    EXPECT_EQ(S->cfg.interval, 25);
    EXPECT_EQ(S->cfg.seed1, 678910);
    EXPECT_EQ(S->cfg.model, 2);
    EXPECT_STREQ(S->cfg.OutputPrefix, "results/output");
    EXPECT_EQ(S->cfg.Csources, 0);
}

TEST_F(InputsTest, LongestHeadersReadTheSameWithCrLf)
{
    // 498 characters is the longest header a 500-character line read takes whole.
    for (const char* eol : {"\n", "\r\n"}) {
        std::string text;
        const std::string lines = DefaultConfiguration("\n");
        size_t start = 0;
        for (int n = 1; n <= 20; ++n) {
            const size_t end = lines.find('\n', start);
            const std::string line = lines.substr(start, end == std::string::npos ? end : end - start);
            text += (n % 2 ? std::string(498, 'h') : line) + (n < 20 ? eol : "");
            start = end + 1;
        }
        Write("inival.dat", text);
        auto S = NewState();
        ReadRunConfiguration(*S);
        EXPECT_EQ(S->cfg.sample_size, 10000) << "eol " << eol[0] + 0;
        EXPECT_STREQ(S->cfg.OutputPrefix, "results/output");
        EXPECT_STREQ(S->cfg.SourceFileName, "source.dat");
        EXPECT_STREQ(S->cfg.MixtureFileName, "mixture.dat");
        EXPECT_EQ(S->cfg.Generation, 1);

        const std::string h(498, 'h');
        Write("source.dat", h + eol + "2 2" + eol + h + eol + "0.3 2.0" + eol + h + eol
                                + "1 0 2 14 6 20 3 0 3 5 5 10 20" + eol + "1 0 2 4 16 20 3 0 3 0 12 8 20" + eol);
        Write("mixture.dat", h + eol + h + eol + "1.5 0.2" + eol + "3" + eol + h + eol + "1 1 2" + eol
                                 + "2 101 202" + eol + "3 9999 2");
        ReadSourceData(*S);
        ReadMixtureData(*S);
        ExpectSameDataAs(*S, *TwoSourceExample());
    }
}

TEST_F(InputsTest, NamesOfUpTo127Characters)
{
    const std::string name127(127, 'n');
    for (const char* eol : {"\n", "\r\n"}) {
        std::string text = ReplaceLine(DefaultConfiguration(), 18, name127);
        if (std::string(eol) == "\r\n") {
            std::string crlf;
            for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
            text = crlf;
        }
        Write("inival.dat", text);
        auto S = NewState();
        ReadRunConfiguration(*S);
        EXPECT_EQ(S->cfg.MixtureFileName, name127);

        Write("inival.dat", ReplaceLine(text, 18, name127 + "m" + (eol[0] == '\r' ? "\r" : "")));
        EXPECT_EQ(StopMessage([&] { ReadRunConfiguration(*S); }),
                  "inival.dat: the mixture file name on line 18 is longer than 127 characters.\n");
    }
}

TEST_F(InputsTest, MissingFilesStopWithTheirMessages)
{
    auto S = NewState();
    EXPECT_EQ(StopMessage([&] { ReadRunConfiguration(*S); }), "couldn't open inival.dat for reading.\n");
    std::strcpy(S->cfg.SourceFileName, "none.dat");
    EXPECT_EQ(StopMessage([&] { ReadSourceData(*S); }), "couldn't open source data file for reading.\n");
    std::strcpy(S->cfg.MixtureFileName, "");
    EXPECT_EQ(StopMessage([&] { ReadMixtureData(*S); }), "couldn't open mixture data file for reading.\n");
}


TEST_F(InputsTest, TwoSourceExampleReadsAsBuilt)
{
    Write("source.dat", ReadFixture("two_source.dat"));
    Write("mixture.dat", ReadFixture("two_mixture.dat"));
    auto S = ReadWrittenFiles();
    ExpectSameDataAs(*S, *TwoSourceExample());
    EXPECT_EQ(S->Sources[0].loci[1].LocusValue, 0);
}

TEST_F(InputsTest, LineBreaksWithinBlocksAndCrLfReadTheSame)
{
    // Locus entries one per line, the counts of a locus over two lines, CRLF line ends.
    Write("source.dat",
          "h\r\n2 2\r\nh\r\n0.3\r\n2.0\r\nh\r\n1 0 2 14 6 20\r\n3 0 3 5 5\r\n10 20\r\n1 0 2 4 16 20 3 0 3 0 12 8 20\r\n");
    Write("mixture.dat", "h\r\nh\r\n1.5\r\n0.2\r\n3\r\nh\r\n1 1\r\n2\r\n2 101 202\r\n3 9999 2");
    auto S = ReadWrittenFiles();
    ExpectSameDataAs(*S, *TwoSourceExample());
}

TEST_F(InputsTest, GenotypeCodes)
{
    struct Case {
        int code, a1, a2;
    } cases[] = {{101, 1, 1}, {5, 0, 5}, {1299, 12, 99}, {9999, 99, 99}, {0, 0, 0}, {312, 3, 12}};
    for (const Case& c : cases) {
        Write("source.dat", ReadFixture("two_source.dat"));
        // Allele codes at or above the locus's allele count are accepted.
        Write("mixture.dat", "h\nh\n1.5 0.2\n1\nh\n1 " + std::to_string(c.code) + " 4040\n");
        auto S = ReadWrittenFiles();
        EXPECT_EQ(S->Mixture[0].Allele1[0], c.a1) << c.code;
        EXPECT_EQ(S->Mixture[0].Allele2[0], c.a2) << c.code;
        EXPECT_EQ(S->Mixture[0].Allele1[1], 40);
    }
}

TEST_F(InputsTest, RefusedDataFiles)
{
    const std::string source = ReadFixture("two_source.dat");
    const std::string mixture = ReadFixture("two_mixture.dat");
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    std::string manySources = "h\n16 1\nh\n";
    for (int s = 0; s < 16; ++s) manySources += "0 ";
    struct Case {
        std::string source, mixture, message;
    } cases[] = {
        {manySources, mixture, "16 sources, at most 15 are allowed."},
        {replace(source, "2 2\n", "1 2\n"), mixture, "1 sources, at least 2 are needed."},
        {replace(source, "2 2\n", "2 1501\n"), mixture, "1501 loci, at most 1500 are allowed."},
        {replace(source, "2 2\n", "2 -1\n"), mixture, "-1 loci, expected 0 or more."},
        {replace(source, "1 0 2 14 6", "1 0 101 14 6"), mixture, "locus 1 of source 1 has 101 alleles, expected 1 to 100."},
        {replace(source, "1 0 2 14 6", "1 0 0 14 6"), mixture, "locus 1 of source 1 has 0 alleles, expected 1 to 100."},
        {replace(source, "0 12 8", "0 -12 8"), mixture, "the count of allele 2 of locus 2 of source 2 is -12, expected 0 or more."},
        {replace(source, "0 12 8", "0 1x 8"), mixture, "expected the count of allele 2 of locus 2 of source 2, found \"1x\"."},
        {replace(source, "0.3 2.0", "0.3 two"), mixture, "expected G1 of source 2, found \"two\"."},
        {source.substr(0, source.rfind("12 8 20")), mixture, "expected the count of allele 2 of locus 2 of source 2, but the file ends there."},
        // Between two source blocks only the rest of the last value line is skipped.
        {replace(source, "10 20\n", "10 20\nsource two\n"), mixture,
         "source data file source.dat: expected the label of locus 1 of source 2, found \"source\"."},
        {replace(source, "10 20\n", "10 20 end of source one, all loci\n"), mixture,
         "expected the label of locus 1 of source 2, found \"all\"."},
        {source, replace(mixture, "\n3\n", "\n602\n"), "602 mixture individuals, at most 601 are allowed."},
        {source, replace(mixture, "\n3\n", "\n-3\n"), "-3 mixture individuals, expected 0 or more."},
        {source, replace(mixture, "101 202", "101 10000"), "the genotype of individual 2 at locus 2 is 10000, expected 0 to 9999."},
        {source, replace(mixture, "101 202", "-101 202"), "the genotype of individual 2 at locus 1 is -101, expected 0 to 9999."},
        {source, replace(mixture, "3 9999 2", "3 9999"), "expected the genotype of individual 3 at locus 2, but the file ends there."},
        {source, replace(mixture, "1.5 0.2", "1.5"), "expected the number of mixture individuals, found \"label\"."},
    };
    for (const Case& c : cases) {
        Write("source.dat", c.source);
        Write("mixture.dat", c.mixture);
        auto S = NamingWrittenFiles();
        const std::string message = StopMessage([&] {
            ReadSourceData(*S);
            ReadMixtureData(*S);
        });
        EXPECT_NE(message.find(c.message), std::string::npos) << c.message << "\ngot: " << message;
    }
}

TEST_F(InputsTest, ShortTextAfterASourceBlockIsSkipped)
{
    std::string source = ReadFixture("two_source.dat");
    source.replace(source.find("10 20\n"), 6, "10 20 end of one\r\n");
    Write("source.dat", source);
    Write("mixture.dat", ReadFixture("two_mixture.dat"));
    auto S = ReadWrittenFiles();
    ExpectSameDataAs(*S, *TwoSourceExample());
}

TEST_F(InputsTest, GammaShapeMustExceedOne)
{
    struct Case {
        int sources;
        double aTau;
        const char* message;
    } cases[] = {
        {2, 0.0, "inival.dat: with 2 sources and the gamma parameter aTau 0 the shape of the precision draw "
                 "is 1, expected more than 1.\n"},
        {3, -0.5, "inival.dat: with 3 sources and the gamma parameter aTau -0.5 the shape of the precision "
                  "draw is 1, expected more than 1.\n"},
        {2, 1e-9, ""},
        {4, -0.9, ""},
    };
    for (const Case& c : cases) {
        auto S = NewState();
        S->NumSources = c.sources;
        S->cfg.aTau = c.aTau;
        EXPECT_EQ(StopMessage([&] { CheckGammaShape(*S); }), c.message) << c.sources << " " << c.aTau;
    }
}

TEST_F(InputsTest, ReadInputsReadsAllThree)
{
    Write("inival.dat", DefaultConfiguration());
    Write("source.dat", ReadFixture("two_source.dat"));
    Write("mixture.dat", ReadFixture("two_mixture.dat"));
    auto S = NewState();
    ReadInputs(*S);
    EXPECT_EQ(S->cfg.seed1, 678910);
    ExpectSameDataAs(*S, *TwoSourceExample());
}

TEST_F(InputsTest, ZeroMixtureIndividuals)
{
    Write("source.dat", ReadFixture("two_source.dat"));
    Write("mixture.dat", "h\nh\n1.5 0.2\n0\nh\n");
    auto S = ReadWrittenFiles();
    EXPECT_EQ(S->NumMixture, 0);
}
