#pragma once
// Wavemaker signals in the time step: signal elements of a step, the boundary faces of side
// codes 1 to 4 and the sources of inner-line wavemakers (side codes 5 and 6).
#include "core/boundary_signal.hpp"
#include "solver/model.hpp"

namespace swx {

// Signal elements read by step n of a signal of ns elements: ((n - 1) mod ns) + 1 and
// (n mod ns) + 1, so that a run longer than the signal replays it from its start.
void signal_indices(int n, int ns, int& n0, int& n1);

// Number of grid points of a wavemaker's line.
int line_points(const BoundarySignal& s);

// Sets the normal velocity of every boundary wavemaker face in the old, new and mid levels:
// r0*U(n0), r1*U(n1) and their mean.
void set_boundary_velocities(Model& m);

}  // namespace swx
