// In-memory use of the solver.
#include "solver/solver_api.hpp"

#include <utility>

#include "core/fatal.hpp"
#include "solver/time_step.hpp"

namespace swx {

void build_model(Model& m, const Field& depth, int nx, int ny, float dx, float dy, const SolverOptions& o,
                 std::vector<BoundarySignal> wavemakers, const OptionalGrids& grids, const Reporter& reporter) {
  GridHeader h;
  h.delta_x = dx;
  h.delta_y = dy;
  h.ngrid_x = nx;
  h.ngrid_y = ny;
  h.n_arrays = 1;
  setup_model(m, h, depth, o, std::move(wavemakers), grids, reporter);
}

void run_steps(Model& m, int first, int count, const Reporter& reporter) {
  for (int n = first; n < first + count; ++n) {
    advance_solution(m, n, reporter);
    finish_step(m);
  }
}

double water_volume(const Model& m) {
  double v = 0.0;
  for (int j = 1; j <= m.config.ny; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const double d = static_cast<double>(m.bed.depth(i, j)) + static_cast<double>(m.flow.eta_old(i, j));
      // A dry cell may hold water in its flood store (robust swash zone).
      v += d > 0.0 ? d : static_cast<double>(m.flow.flood_store(i, j));
    }
  }
  return v * static_cast<double>(m.config.dx) * static_cast<double>(m.config.dy);
}

}  // namespace swx
