#pragma once
// Stability test of the new level after the corrector passes.
#include "solver/model.hpp"

namespace swx {

struct Reporter;

// Tests every wet cell of the new level for a runaway divergence or level; reports and, the
// first time, writes the level field to <prefix>_instab.grd.  Returns the number of offending
// cells of this step.
int check_instability(Model& m, const Reporter& reporter);

}  // namespace swx
