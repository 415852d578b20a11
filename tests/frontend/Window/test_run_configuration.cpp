#include "Window/RunConfiguration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

RunSettings defaults()
{
    RunSettings s;
    s.sample_size = "10000";
    s.interval = "25";
    s.Burn_in = "0";
    s.epsilon_w = "0.3";
    s.epsilon_x = "0.1";
    s.epsilon_p = "0.06";
    s.sigmap = "10";
    s.alphax = "5.5";
    s.gamma1 = "1";
    s.gamma2 = "1";
    s.seed0 = "12345";
    s.seed1 = "678910";
    s.RJMCMC = true;
    s.modelIndex = 1;
    s.outdir = "results/";
    s.out_file = "output";
    s.F1 = true;
    s.source = "source.dat";
    s.mixture = "mixture.dat";
    return s;
}

QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(ORVANTA_SOURCE_DIR "/tests/frontend/Window/data/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QList<QByteArray> lines(const QByteArray& text)
{
    return text.split('\n');
}

TEST(RunConfiguration, TheDefaultsGiveTheReferenceFileByteForByte)
{
    QString error;
    EXPECT_EQ(composeConfiguration(defaults(), &error), fixture("inival_default.dat"));
    EXPECT_TRUE(error.isEmpty());
}

TEST(RunConfiguration, EachControlLandsOnItsLineInItsFormat)
{
    RunSettings s = defaults();
    s.sample_size = "500";
    s.interval = "3";
    s.Burn_in = "70";
    s.epsilon_w = "0.0000004";  // below half a millionth: six decimals show zero
    s.epsilon_x = "1";
    s.epsilon_p = ".25";
    s.sigmap = "1e3";
    s.alphax = "2.";
    s.gamma1 = "0.1234567";
    s.gamma2 = "2.9999996";
    s.seed0 = "0";
    s.seed1 = "2147483647";
    s.RJMCMC = false;
    s.modelIndex = 8;
    s.outdir = "/data/my runs/";  // no separator is added between folder and prefix
    s.out_file = "run 1";
    s.F1 = false;
    s.source = "/data/source file.dat";
    s.mixture = "mix.dat";
    s.CNP = true;
    s.Csources = false;
    QString error;
    const QList<QByteArray> l = lines(composeConfiguration(s, &error));
    ASSERT_EQ(l.size(), 20) << error.toStdString();
    EXPECT_EQ(l[1], "500 3 70");
    EXPECT_EQ(l[3], "0.000000 1.000000 0.250000");
    EXPECT_EQ(l[5], "1000.000000 2.000000 0.123457 3.000000");
    EXPECT_EQ(l[7], "0 2147483647");
    EXPECT_EQ(l[9], "0 9");
    EXPECT_EQ(l[11], "/data/my runs/run 1");
    EXPECT_EQ(l[13], "0");
    EXPECT_EQ(l[15], "/data/source file.dat");
    EXPECT_EQ(l[17], "mix.dat");
    EXPECT_EQ(l[19], "1 0");

    s.CNP = false;
    s.Csources = true;
    EXPECT_TRUE(composeConfiguration(s, &error).endsWith("\n0 1"));
}

TEST(RunConfiguration, ABadFieldIsNamedWithTheKindOfNumberExpected)
{
    struct Case {
        void (*set)(RunSettings&);
        const char* message;
    } cases[] = {
        {[](RunSettings& s) { s.epsilon_x = "1.2.3"; }, "'1.2.3' is not a valid floating point value."},
        {[](RunSettings& s) { s.sigmap = ""; }, "'' is not a valid floating point value."},
        {[](RunSettings& s) { s.gamma2 = "."; }, "'.' is not a valid floating point value."},
        {[](RunSettings& s) { s.alphax = "inf"; }, "'inf' is not a valid floating point value."},
        {[](RunSettings& s) { s.epsilon_p = "1,5"; }, "'1,5' is not a valid floating point value."},
        {[](RunSettings& s) { s.sample_size = ""; }, "'' is not a valid integer value."},
        {[](RunSettings& s) { s.interval = "2.5"; }, "'2.5' is not a valid integer value."},
        {[](RunSettings& s) { s.Burn_in = "12a"; }, "'12a' is not a valid integer value."},
        {[](RunSettings& s) { s.seed1 = "99999999999"; }, "'99999999999' is not a valid integer value."},
        // The first bad field in file order is the one reported.
        {[](RunSettings& s) { s.seed0 = "x"; s.sample_size = "y"; }, "'y' is not a valid integer value."},
    };
    for (const Case& c : cases) {
        RunSettings s = defaults();
        c.set(s);
        QString error;
        EXPECT_TRUE(composeConfiguration(s, &error).isEmpty()) << c.message;
        EXPECT_EQ(error.toStdString(), c.message);
    }
}

class ConfigurationFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }
    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(ConfigurationFile, IsWrittenInTheCurrentDirectoryUnderTheEnginesName)
{
    QString error;
    ASSERT_TRUE(writeConfiguration(defaults(), &error)) << error.toStdString();
    QFile f(dir_.filePath("inival.dat"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), fixture("inival_default.dat"));
}

TEST_F(ConfigurationFile, ABadFieldLeavesAnEarlierFileUntouched)
{
    QFile earlier(dir_.filePath("inival.dat"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("the previous run");
    earlier.close();
    RunSettings s = defaults();
    s.gamma1 = "1..";
    QString error;
    EXPECT_FALSE(writeConfiguration(s, &error));
    EXPECT_EQ(error, "'1..' is not a valid floating point value.");
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "the previous run");
}

TEST_F(ConfigurationFile, AFileThatCannotBeCreatedIsReported)
{
    // A folder in the way: refused even to the superuser.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("inival.dat"));
    QString error;
    EXPECT_FALSE(writeConfiguration(defaults(), &error));
    EXPECT_EQ(error, "Couldn't open INIVAL.dat for writing.");
}

}  // namespace
