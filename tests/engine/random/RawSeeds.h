// Seeds chosen so that the generator's first raw output is a given value: the way to
// put exact uniforms (1.0, 0.5, the smallest one) in front of a routine under test.
#pragma once

#include <cstdint>

#include "random/ranlib.h"

namespace rawseeds {

constexpr int64_t kM1 = 2147483563, kM2 = 2147483399;

inline int64_t PowMod(int64_t base, int64_t e, int64_t m)
{
    int64_t r = 1;
    base %= m;
    for (; e > 0; e >>= 1) {
        if (e & 1) r = r * base % m;
        base = base * base % m;
    }
    return r;
}

struct SeedPair {
    int32_t s1, s2;
};

// Component states one step on whose difference is z, pulled back one step through the
// multipliers' inverses (both moduli are prime).
inline SeedPair SeedsForFirstRaw(int32_t z)
{
    // z = m1 - 1 comes from a difference of 0.
    const int64_t next1 = z == kM1 - 1 ? 1 : int64_t{z} + 1;
    const int64_t next2 = 1;
    const int64_t s1 = next1 * PowMod(40014, kM1 - 2, kM1) % kM1;
    const int64_t s2 = next2 * PowMod(40692, kM2 - 2, kM2) % kM2;
    return {static_cast<int32_t>(s1), static_cast<int32_t>(s2)};
}

inline void SeedFirstRaw(int32_t z)
{
    const SeedPair p = SeedsForFirstRaw(z);
    setseedall(p.s1, p.s2);
}

}  // namespace rawseeds
