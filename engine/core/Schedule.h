// Run schedule and the progress protocol read by the front end through a pipe.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/SamplerState.h"

// TotalIterations = Burn_in + sample_size * interval (checked to fit when the
// configuration is read); ArtInterval = TotalIterations / 50, at least 1.
void DeriveSchedule(SamplerState& S);

// "0 ", then each new whole percentage as "%d ", then "100\n"; every item is flushed
// as it is printed so the reader of the pipe sees it at once.
class ProgressReporter {
public:
    ProgressReporter(FILE* out, int32_t total) : out_(out), total_(total) {}
    void Start();
    void Step(int32_t k);  // before iteration k
    void Finish();

private:
    FILE* out_;
    int32_t total_;
    int32_t last_ = 0;
};
