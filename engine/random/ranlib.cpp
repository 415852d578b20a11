// Uniform generator: L'Ecuyer's combined multiplicative congruential generator, split
// into 32 virtual generators (L'Ecuyer and Cote), over one process-wide state record.
#include "random/ranlib.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int32_t kNumGenerators = 32;

struct GeneratorState {
    int32_t m1 = 0, m2 = 0;      // moduli
    int32_t a1 = 0, a2 = 0;      // multipliers
    int32_t a1w = 0, a2w = 0;    // a^(2^30) mod m: one block ahead
    int32_t a1vw = 0, a2vw = 0;  // a^(2^50) mod m: one virtual generator ahead
    int32_t ig1[kNumGenerators] = {}, ig2[kNumGenerators] = {};  // initial seeds
    int32_t lg1[kNumGenerators] = {}, lg2[kNumGenerators] = {};  // start of the current block
    int32_t cg1[kNumGenerators] = {}, cg2[kNumGenerators] = {};  // current state
    bool qanti[kNumGenerators] = {};
    int32_t curntg = 1;  // current generator, 1..32
    bool initialised = false;
    bool seeded = false;
};

// Program start: constants not set, not seeded, generator 1 current, arrays zero.
// constinit: set before any other file's static initialisation can draw.
constinit GeneratorState G;

[[noreturn]] void Abort(int status)
{
    std::exit(status);  // flushes buffered output
}

}  // namespace

void initrgconst()
{
    G.m1 = 2147483563;
    G.m2 = 2147483399;
    G.a1 = 40014;
    G.a2 = 40692;
    G.a1w = 1033780774;
    G.a2w = 1494757890;
    G.a1vw = 2082007225;
    G.a2vw = 784306273;
    for (bool& q : G.qanti) q = false;
    int32_t on = 1;
    gsinit(1, &on);
}

void initgn(int32_t isdtyp)
{
    int32_t initialised = 0;
    gsinit(0, &initialised);
    if (!initialised) {
        std::fprintf(stderr, "%s\n",
                     " INITGN called before random number generator  initialized -- abort!");
        Abort(1);
    }
    int32_t g = 0;
    gscgn(0, &g);
    const int32_t k = g - 1;
    if (isdtyp == -1) {
        G.lg1[k] = G.ig1[k];
        G.lg2[k] = G.ig2[k];
    } else if (isdtyp == 1) {
        G.lg1[k] = mltmod(G.a1w, G.lg1[k], G.m1);
        G.lg2[k] = mltmod(G.a2w, G.lg2[k], G.m2);
    } else if (isdtyp != 0) {
        std::fprintf(stderr, "%s\n", "isdtyp not in range in INITGN");
        Abort(1);
    }
    G.cg1[k] = G.lg1[k];
    G.cg2[k] = G.lg2[k];
}

void setseedall(int32_t iseed1, int32_t iseed2)
{
    int32_t on = 1;
    gsseed(1, &on);
    int32_t remembered = 0;
    gscgn(0, &remembered);
    int32_t initialised = 0;
    gsinit(0, &initialised);
    if (!initialised) initrgconst();

    // Restart generator 1 itself, whichever generator happens to be current.
    int32_t g = 1;
    gscgn(1, &g);
    G.ig1[0] = iseed1;
    G.ig2[0] = iseed2;
    initgn(-1);
    // Out-of-range seeds are caught here, by mltmod's precondition, at g = 2.
    for (g = 2; g <= kNumGenerators; ++g) {
        G.ig1[g - 1] = mltmod(G.a1vw, G.ig1[g - 2], G.m1);
        G.ig2[g - 1] = mltmod(G.a2vw, G.ig2[g - 2], G.m2);
        gscgn(1, &g);
        initgn(-1);
    }
    gscgn(1, &remembered);
}

int32_t ignraw()
{
    if (!G.initialised) initrgconst();
    if (!G.seeded) setseedall(1234567890, 123456789);

    const int32_t k = G.curntg - 1;
    int32_t s1 = G.cg1[k];
    int32_t s2 = G.cg2[k];
    // Schrage's decomposition m = a*q + r keeps every product below 2^31.
    int32_t h = s1 / 53668;
    s1 = G.a1 * (s1 - h * 53668) - h * 12211;
    if (s1 < 0) s1 += G.m1;
    h = s2 / 52774;
    s2 = G.a2 * (s2 - h * 52774) - h * 3791;
    if (s2 < 0) s2 += G.m2;
    G.cg1[k] = s1;
    G.cg2[k] = s2;

    int32_t z = s1 - s2;
    if (z < 1) z += G.m1 - 1;
    if (G.qanti[k]) z = G.m1 - z;
    return z;
}

float genunit()
{
    // Product formed in double, then rounded: the 63 largest raw values give exactly 1.0.
    return static_cast<float>(static_cast<double>(ignraw()) * 4.656613057E-10);
}

int32_t mltmod(int32_t a, int32_t s, int32_t m)
{
    if (!(0 < a && a < m && 0 < s && s < m)) {
        std::fputs(" a, m, s out of order in mltmod - ABORT!", stderr);
        std::fprintf(stderr, " a = %12ld s = %12ld m = %12ld\n", static_cast<long>(a),
                     static_cast<long>(s), static_cast<long>(m));
        std::fputs(" mltmod requires: 0 < a < m; 0 < s < m", stderr);
        Abort(1);
    }
    return static_cast<int32_t>(static_cast<int64_t>(a) * s % m);
}

void gscgn(int32_t getset, int32_t* g)
{
    if (getset == 0) {
        *g = G.curntg;
        return;
    }
    if (*g < 1 || *g > kNumGenerators) {
        std::fputs(" Generator number out of range in GSCGN", stderr);
        Abort(0);
    }
    G.curntg = *g;
}

void gsinit(int32_t getset, int32_t* value)
{
    if (getset == 0)
        *value = G.initialised ? 1 : 0;
    else
        G.initialised = *value != 0;
}

void gsseed(int32_t getset, int32_t* value)
{
    if (getset == 0)
        *value = G.seeded ? 1 : 0;
    else
        G.seeded = true;
}

bool getinitsd(int32_t g, int32_t* iseed1, int32_t* iseed2)
{
    if (g < 1 || g > kNumGenerators) return false;
    *iseed1 = G.ig1[g - 1];
    *iseed2 = G.ig2[g - 1];
    return true;
}
