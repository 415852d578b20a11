// Start-up reading: the run configuration "inival.dat", then the source and mixture
// data files it names. Every failure is a fatal stop naming the file, the place and what
// was expected.
#pragma once

#include "core/SamplerState.h"

void ReadRunConfiguration(SamplerState& S, const char* path = "inival.dat");
void ReadSourceData(SamplerState& S);
void ReadMixtureData(SamplerState& S);

// Refuses a configuration whose precision draws would need a gamma shape of 1 or less
// (NumSources * 0.5 + aTau); needs NumSources, so it runs after the source data.
void CheckGammaShape(const SamplerState& S);

// All three in order, with the checks that need both configuration and data.
void ReadInputs(SamplerState& S);
