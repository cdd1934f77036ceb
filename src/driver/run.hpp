#pragma once
#include <iostream>

namespace swx {
// Runs one simulation from the command line; returns the process exit status (always 0).
int run_program(int argc, char** argv, std::istream& in = std::cin, std::ostream& out = std::cout);
// A rank other than 0 of swellix-mpi: its share of the steps and of the outputs, until rank 0
// ends the run.
void follow_program();
}  // namespace swx
