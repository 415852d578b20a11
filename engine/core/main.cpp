// trellin: reads inival.dat and the two data files from the working directory, runs the
// chain and reports its progress on standard output. Command-line arguments are ignored.
#include <cstdio>

#include "core/Driver.h"
#include "core/Inputs.h"
#include "core/Output.h"
#include "core/SamplerState.h"
#include "core/Schedule.h"

namespace {
SamplerState State;  // the one state record of the process
}

int main()
{
    SamplerState& S = State;
    ReadInputs(S);
    DeriveSchedule(S);
    DeriveOutputNames(S);
    DriverStartUp(S);

    ProgressReporter progress(stdout, S.TotalIterations);
    progress.Start();
    AcceptCounters counters{};
    for (int32_t k = 0; k < S.TotalIterations; ++k) {
        progress.Step(k);
        DriverIteration(S, k, counters);
    }
    progress.Finish();
    CloseOutputFiles(S);
    return 0;
}
