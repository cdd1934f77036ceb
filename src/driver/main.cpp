// Entry point: the run driver does all the work.
#include "driver/run.hpp"

int main(int argc, char** argv) { return swx::run_program(argc, argv); }
