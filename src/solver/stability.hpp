#pragma once
// Stability test of the new level after the corrector passes.
#include "solver/model.hpp"

namespace swx {

struct Reporter;

// Tests every wet cell of the new level for a runaway divergence or level; logs each offending
// cell and, the first time in the run, announces it on the console and sets
// m.flow.instability_reported (the driver then writes that step's level grid).  Returns the number
// of offending cells of this step.
int check_instability(Model& m, const Reporter& reporter);

}  // namespace swx
