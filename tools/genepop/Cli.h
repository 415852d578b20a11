// The genepop2orvanta command line, callable in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace genepop {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // the input or the selection was refused; nothing written
constexpr int kExitUsage = 2;    // the command line itself is wrong

std::string HelpText();

// args without the program name.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace genepop
