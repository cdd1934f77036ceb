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

// Wavenumber of angular frequency omega in depth h by the model's own dispersion relation
// omega^2 = g k^2 h (1 - (alpha + 1/3)(kh)^2) / (1 - alpha (kh)^2).
double model_wavenumber(double omega, double h);

// Boundary signal of a regular linear wave of the given height and period for a wavemaker line
// of constant depth: U, Q and Us per step and point, the wave travelling along the line's
// positive normal (+x or +y) for direction_sign +1 and against it for -1.
BoundarySignal regular_signal(WavemakerSide side, int i1, int i2, int j1, int j2, float height, float period,
                              float depth, float dt, int nsteps, float direction_sign);

}  // namespace swx
