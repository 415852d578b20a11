// Placeholder until the output files land.
#include "core/Output.h"
void DeriveOutputNames(SamplerState&) {}
void OpenOutputFiles(SamplerState&) {}
void OutputStep(SamplerState&, int32_t, int32_t, int32_t, float, float, int32_t) {}
void CloseOutputFiles(SamplerState&) {}
