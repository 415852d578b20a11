// orvanta-simulate: makes a data set with known truth for the engine.
#include <cstdio>
#include <string>
#include <vector>

#include "simulate/Scenario.h"
#include "simulate/Simulate.h"
#include "simulate/Writers.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const orvsim::ParseResult parsed = orvsim::ParseArguments(args);
    if (parsed.help) {
        std::fputs(orvsim::HelpText().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "orvanta-simulate: %s\nTry 'orvanta-simulate --help'.\n", parsed.error.c_str());
        return 2;
    }
    orvsim::SimulatedData data;
    const std::string problem = orvsim::Simulate(parsed.scenario, data);
    if (!problem.empty()) {
        std::fprintf(stderr, "orvanta-simulate: %s\nTry 'orvanta-simulate --help'.\n", problem.c_str());
        return 2;
    }
    const std::string written = orvsim::WriteFiles(data);
    if (!written.empty()) {
        std::fprintf(stderr, "orvanta-simulate: %s\n", written.c_str());
        return 1;
    }
    return 0;
}
