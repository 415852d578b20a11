// Output files and the run summary.
#pragma once

#include <cstdint>

#include "core/SamplerState.h"

void DeriveOutputNames(SamplerState& S);  // UpFileName, ArtFileName, NpFileName
void OpenOutputFiles(SamplerState& S);
void OutputStep(SamplerState& S, int32_t k, int32_t AcceptX, int32_t AcceptW, float AcceptP,
                float AcceptAlphaX, int32_t AcceptJump);
void CloseOutputFiles(SamplerState& S);
