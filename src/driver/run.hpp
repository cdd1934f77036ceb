#pragma once
#include <iostream>

namespace swx {
// Runs one simulation from the command line; returns the process exit status (always 0).
int run_program(int argc, char** argv, std::istream& in = std::cin, std::ostream& out = std::cout);
}  // namespace swx
