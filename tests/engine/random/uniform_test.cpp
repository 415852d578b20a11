// Uniform generator and seeding: worked values, the virtual generators' constants,
// restarts, the fallback seeds and the exact abort messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "RawSeeds.h"
#include "random/ranlib.h"

namespace {

using rawseeds::kM1;
using rawseeds::kM2;

// The process-wide generator as the program finds it, captured during static
// initialisation, before any test can seed or draw.
struct FreshStart {
    int32_t initialised, seeded, generator;
    int32_t raw[3];
};

FreshStart CaptureFreshStart()
{
    FreshStart f{};
    gsinit(0, &f.initialised);
    gsseed(0, &f.seeded);
    gscgn(0, &f.generator);
    for (int32_t& r : f.raw) r = ignraw();
    return f;
}

const FreshStart kFresh = CaptureFreshStart();

std::vector<int32_t> Raw(int n)
{
    std::vector<int32_t> v(n);
    for (int32_t& x : v) x = ignraw();
    return v;
}

std::string Text7(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", v);
    return buf;
}

std::string MltmodMessage(long a, long s, long m)
{
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  " a, m, s out of order in mltmod - ABORT! a = %12ld s = %12ld m = %12ld\n"
                  " mltmod requires: 0 < a < m; 0 < s < m",
                  a, s, m);
    return buf;
}

// a^(2^k) mod m by k squarings, independent of the library's tabulated constants.
int64_t JumpMultiplier(int64_t a, int k, int64_t m)
{
    for (int i = 0; i < k; ++i) a = a * a % m;
    return a;
}

// Every test leaves generator 1 current, as the engine expects.
class Uniform : public ::testing::Test {
protected:
    void TearDown() override
    {
        int32_t one = 1;
        gscgn(1, &one);
    }
};

TEST_F(Uniform, ProgramStartsUnseededOnGeneratorOne)
{
    EXPECT_EQ(kFresh.initialised, 0);
    EXPECT_EQ(kFresh.seeded, 0);
    EXPECT_EQ(kFresh.generator, 1);
}

TEST_F(Uniform, DrawingBeforeSeedingUsesTheFallbackSeeds)
{
    EXPECT_EQ(kFresh.raw[0], 695163044);
    EXPECT_EQ(kFresh.raw[1], 696626468);
    EXPECT_EQ(kFresh.raw[2], 1059541850);
    setseedall(1234567890, 123456789);
    EXPECT_EQ(Raw(3), std::vector<int32_t>(kFresh.raw, kFresh.raw + 3));
}

TEST_F(Uniform, SeedingSetsBothFlags)
{
    setseedall(12345, 678910);
    int32_t initialised = 0, seeded = 0;
    gsinit(0, &initialised);
    gsseed(0, &seeded);
    EXPECT_EQ(initialised, 1);
    EXPECT_EQ(seeded, 1);
}

TEST_F(Uniform, FirstRawOutputsForTheDefaultSeeds)
{
    setseedall(12345, 678910);
    const std::vector<int32_t> expected = {785051460, 1584139610, 440744962, 71574081, 832400260};
    EXPECT_EQ(Raw(5), expected);
}

TEST_F(Uniform, FirstUniformsForTheDefaultSeeds)
{
    setseedall(12345, 678910);
    const float u1 = genunit(), u2 = genunit(), u3 = genunit();
    EXPECT_EQ(u1, 0.3655681f);
    EXPECT_EQ(u2, 0.7376725f);
    // The product is rounded once, from double: 0.20523787 is not the float nearest
    // 0.2052379, but it reads as 0.2052379 to seven digits.
    EXPECT_EQ(Text7(u3), "0.2052379");
    EXPECT_EQ(u3, static_cast<float>(440744962 * 4.656613057E-10));
    EXPECT_NE(u3, static_cast<float>(440744962) * 4.656613057E-10f);
}

TEST_F(Uniform, ExtremeRawValuesAndTheirUniforms)
{
    struct Case {
        int32_t raw;
        float uniform;
    };
    const Case cases[] = {
        {1, static_cast<float>(4.656613057E-10)},  // smallest: never 0
        {2147483499, 0.99999994f},                 // largest below 1
        {2147483500, 1.0f},                        // the 63 largest round to 1
        {2147483561, 1.0f},
        {2147483562, 1.0f},  // from a zero difference of the components
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        rawseeds::SeedFirstRaw(c.raw);
        EXPECT_EQ(ignraw(), c.raw);
        rawseeds::SeedFirstRaw(c.raw);
        const float u = genunit();
        EXPECT_EQ(u, c.uniform);
        EXPECT_GT(u, 0.0f);
    }
}

TEST_F(Uniform, RawOutputsStayInRange)
{
    setseedall(987654321, 13579);
    for (int i = 0; i < 1000000; ++i) {
        const int32_t z = ignraw();
        ASSERT_GE(z, 1);
        ASSERT_LE(z, 2147483562);
    }
}

TEST_F(Uniform, VirtualGeneratorsStartTwoToTheFiftyApart)
{
    setseedall(12345, 678910);
    int32_t s1 = 0, s2 = 0;
    ASSERT_TRUE(getinitsd(2, &s1, &s2));
    EXPECT_EQ(s1, 1295910641);
    EXPECT_EQ(s2, 568053582);

    const int64_t v1 = JumpMultiplier(40014, 50, kM1), v2 = JumpMultiplier(40692, 50, kM2);
    int32_t prev1 = 0, prev2 = 0;
    ASSERT_TRUE(getinitsd(1, &prev1, &prev2));
    EXPECT_EQ(prev1, 12345);
    EXPECT_EQ(prev2, 678910);
    for (int32_t g = 2; g <= 32; ++g) {
        SCOPED_TRACE(g);
        ASSERT_TRUE(getinitsd(g, &s1, &s2));
        EXPECT_EQ(s1, v1 * prev1 % kM1);
        EXPECT_EQ(s2, v2 * prev2 % kM2);
        prev1 = s1;
        prev2 = s2;
    }
    EXPECT_FALSE(getinitsd(0, &s1, &s2));
    EXPECT_FALSE(getinitsd(33, &s1, &s2));
}

TEST_F(Uniform, SeedsAreTakenAsGivenAtTheLimits)
{
    setseedall(2147483562, 2147483398);
    int32_t s1 = 0, s2 = 0;
    ASSERT_TRUE(getinitsd(1, &s1, &s2));
    EXPECT_EQ(s1, 2147483562);
    EXPECT_EQ(s2, 2147483398);
    const int32_t z = ignraw();
    EXPECT_GE(z, 1);
    EXPECT_LE(z, 2147483562);
}

TEST_F(Uniform, ReseedingRestartsTheIdenticalSequence)
{
    setseedall(24680, 97531);
    const std::vector<int32_t> first = Raw(1000);
    setseedall(24680, 97531);
    EXPECT_EQ(Raw(1000), first);
    setseedall(24680, 97532);
    EXPECT_NE(Raw(1000), first);
}

TEST_F(Uniform, InitgnRestartsAtSeedBlockStartOrNextBlock)
{
    setseedall(12345, 678910);
    Raw(3);
    initgn(0);  // start of the current block, which is still the initial seed
    EXPECT_EQ(ignraw(), 785051460);

    initgn(1);
    const std::vector<int32_t> nextBlock = Raw(4);
    initgn(0);
    EXPECT_EQ(Raw(4), nextBlock);
    initgn(-1);
    EXPECT_EQ(ignraw(), 785051460);

    // The next block starts 2^30 steps on: the same as seeding there directly.
    const int64_t w1 = JumpMultiplier(40014, 30, kM1), w2 = JumpMultiplier(40692, 30, kM2);
    setseedall(static_cast<int32_t>(w1 * 12345 % kM1), static_cast<int32_t>(w2 * 678910 % kM2));
    EXPECT_EQ(Raw(4), nextBlock);
}

TEST_F(Uniform, GeneratorsAdvanceIndependently)
{
    setseedall(12345, 678910);
    int32_t two = 2, one = 1;
    gscgn(1, &two);
    const std::vector<int32_t> fromTwo = Raw(5);
    gscgn(1, &one);
    EXPECT_EQ(ignraw(), 785051460);
    EXPECT_NE(fromTwo[0], 785051460);
}

TEST_F(Uniform, SeedingKeepsTheCurrentGeneratorAndRestartsGeneratorOne)
{
    setseedall(12345, 678910);
    Raw(3);  // move generator 1 off its seed
    int32_t five = 5, g = 0;
    gscgn(1, &five);
    setseedall(12345, 678910);
    gscgn(0, &g);
    EXPECT_EQ(g, 5);
    int32_t one = 1;
    gscgn(1, &one);
    EXPECT_EQ(ignraw(), 785051460);
}

TEST_F(Uniform, MltmodIsExactWherePlainProductsOverflow)
{
    struct Case {
        int32_t a, s, m, expected;
    };
    const Case cases[] = {
        {2147483562, 2147483562, 2147483563, 1},  // (-1)(-1)
        {2147483562, 2, 2147483563, 2147483561},
        {2082007225, 12345, 2147483563, 1295910641},
        {784306273, 678910, 2147483399, 568053582},
        {3, 5, 7, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(mltmod(c.a, c.s, c.m), c.expected) << c.a << " " << c.s;
}

using UniformDeathTest = Uniform;

TEST_F(UniformDeathTest, MltmodRejectsArgumentsOutOfOrder)
{
    struct Case {
        int32_t a, s, m;
    };
    const Case cases[] = {{0, 5, 7}, {7, 5, 7}, {3, 0, 7}, {3, 7, 7}, {3, -2, 7}, {-3, 2, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        SCOPED_TRACE(c.s);
        EXPECT_EXIT(mltmod(c.a, c.s, c.m), ::testing::ExitedWithCode(1),
                    ::testing::Eq(MltmodMessage(c.a, c.s, c.m)));
    }
}

TEST_F(UniformDeathTest, SeedsOutOfRangeStopWhileDerivingGeneratorTwo)
{
    struct Case {
        int32_t seed1, seed2;
        long a, s, m;
    };
    const Case cases[] = {
        {0, 678910, 2082007225, 0, kM1},
        {-1, 678910, 2082007225, -1, kM1},
        {-2147483647 - 1, 678910, 2082007225, -2147483647L - 1, kM1},
        {2147483563, 678910, 2082007225, 2147483563, kM1},
        {12345, 0, 784306273, 0, kM2},
        {12345, -5, 784306273, -5, kM2},
        {12345, 2147483399, 784306273, 2147483399, kM2},
        {0, 0, 2082007225, 0, kM1},  // the first seed is checked first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed1);
        SCOPED_TRACE(c.seed2);
        EXPECT_EXIT(setseedall(c.seed1, c.seed2), ::testing::ExitedWithCode(1),
                    ::testing::Eq(MltmodMessage(c.a, c.s, c.m)));
    }
}

TEST_F(UniformDeathTest, GeneratorNumberOutOfRange)
{
    for (int32_t g : {0, 33, -1}) {
        SCOPED_TRACE(g);
        EXPECT_EXIT(gscgn(1, &g), ::testing::ExitedWithCode(0),
                    ::testing::Eq(std::string(" Generator number out of range in GSCGN")));
    }
}

TEST_F(UniformDeathTest, InitgnGuards)
{
    setseedall(12345, 678910);
    EXPECT_EXIT(initgn(2), ::testing::ExitedWithCode(1),
                ::testing::Eq(std::string("isdtyp not in range in INITGN\n")));
    EXPECT_EXIT(initgn(-2), ::testing::ExitedWithCode(1),
                ::testing::Eq(std::string("isdtyp not in range in INITGN\n")));
    EXPECT_EXIT(
        {
            int32_t off = 0;
            gsinit(1, &off);
            initgn(-1);
        },
        ::testing::ExitedWithCode(1),
        ::testing::Eq(std::string(
            " INITGN called before random number generator  initialized -- abort!\n")));
}

}  // namespace
