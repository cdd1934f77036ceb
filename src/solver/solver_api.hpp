#pragma once
// In-memory use of the solver without parameter or grid files: build a model from a depth
// array and a few options, advance it, measure it.  Used by the tests and the benchmark.
#include <vector>

#include "core/boundary_signal.hpp"
#include "solver/model.hpp"
#include "solver/model_setup.hpp"

namespace swx {

struct Reporter;

// Builds m over depth (nodes 1..nx by 1..ny, positive below still water) with spacings dx, dy;
// the optional grids that are non-empty are used (porosity needs the porosity coefficients).
void build_model(Model& m, const Field& depth, int nx, int ny, float dx, float dy, const SolverOptions& options,
                 std::vector<BoundarySignal> wavemakers, const OptionalGrids& grids, const Reporter& reporter);

// Advances steps first..first+count-1 (advance_solution, then finish_step).
void run_steps(Model& m, int first, int count, const Reporter& reporter);

// Water volume above the bed, sum of the positive total depths times the cell area (m^3).
double water_volume(const Model& m);

}  // namespace swx
