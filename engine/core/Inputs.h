// Start-up reading: the run configuration "inival.dat", then the source and mixture
// data files it names. Every failure is a fatal stop naming the file, the place and what
// was expected.
#pragma once

#include "core/SamplerState.h"

void ReadRunConfiguration(SamplerState& S, const char* path = "inival.dat");
void ReadSourceData(SamplerState& S);
void ReadMixtureData(SamplerState& S);

// All three in order, then the output file names.
void ReadInputs(SamplerState& S);
