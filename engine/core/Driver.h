// The chain's start-up and one iteration, in their fixed order.
#pragma once

#include <cstdint>

#include "core/SamplerState.h"

// Run-long acceptance counters, never reset.
struct AcceptCounters {
    int32_t AcceptX;
    int32_t AcceptW;
    float AcceptP;
    float AcceptAlphaX;
    int32_t AcceptJump;
};

void DriverStartUp(SamplerState& S);
// The model's updates of iteration k, in their order (the first part of DriverIteration).
void DriverModelSteps(SamplerState& S, int32_t k, AcceptCounters& c);
void DriverIteration(SamplerState& S, int32_t k, AcceptCounters& c);

// Steps of the iteration that tests drive on their own.
void CoefficientStep(SamplerState& S);                  // Gibbs draw for CurrentModel
void JumpStep(SamplerState& S, int32_t& AcceptJump);    // model proposal and jump
void UpdateHomozygosity(SamplerState& S);
