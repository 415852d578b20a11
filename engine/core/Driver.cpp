// Placeholder until the chain lands.
#include "core/Driver.h"
void DriverStartUp(SamplerState&) {}
void DriverIteration(SamplerState&, int32_t, AcceptCounters&) {}
