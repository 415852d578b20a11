// The three files, as text: the data files in the layout the engine reads, the truth file
// as "key value" lines and tables.
#pragma once

#include <string>

#include "simulate/Simulate.h"

namespace orvsim {

std::string SourceFileText(const SimulatedData& d);
std::string MixtureFileText(const SimulatedData& d);
std::string TruthFileText(const SimulatedData& d);

// Writes the three files into the scenario's folder (created if missing); empty on success.
std::string WriteFiles(const SimulatedData& d);

}  // namespace orvsim
