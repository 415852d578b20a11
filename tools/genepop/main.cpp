// genepop2orvanta: converts a GENEPOP file into the ORVANTA engine's data files.
#include <iostream>
#include <string>
#include <vector>

#include "genepop/Cli.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return genepop::RunCli(args, std::cout, std::cerr);
}
