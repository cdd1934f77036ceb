// One pass of the predictor-corrector scheme from the evaluated level: continuity rate, face
// velocities and fluxes, wavemaker fluxes, x-lines, y-lines and the water level, each in its
// own file (face_velocities.cpp, momentum_rows.cpp, level_update.cpp) over the point formulas of
// solver/kernels.hpp.
//
// The momentum equations are stepped in the still-water-level velocity U0 = u + K4*G + K3*S,
// where u is the velocity at the reference level; along each grid line the u-part of U0 is a
// tridiagonal operator on the unknown velocities, and the v-part (cross derivatives) is moved to
// the right-hand side (docs/equations.md).
#include "solver/passes.hpp"

#include <algorithm>
#include <cmath>

#include "solver/breaking.hpp"
#include "solver/line_split.hpp"
#include "solver/pass_parts.hpp"
#include "solver/ranks.hpp"
#include "solver/time_step.hpp"

namespace swx {

namespace {

// Velocity divergence of every cell at the evaluated level (eddy-viscosity terms): the own rows
// and the row below them, which the y-lines of the first own row read.
void cell_divergence(Model& m, const Field& u, const Field& v) {
  const LineRange rows = widened(own_rows(m), 1, 0, 1, m.config.ny);
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = rows.first; j <= rows.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      m.work.divergence(i, j) = (u(i + 1, j) - u(i, j)) / m.config.dx + (v(i, j + 1) - v(i, j)) / m.config.dy;
    }
  }
}

// "Strong" option: cell-centred kinetic energy (u_s^2 + v_s^2)/2 of the still-water-level
// velocities of the pass; 0 on dry cells.  In the robust swash zone (breaking on) the dispersive
// part of each cell's surface velocity is limited to the size of its reference-level velocity:
// where it is larger the weakly dispersive profile has lost its meaning (a steep front, or a
// grid-scale ripple whose dispersive part grows as K3/dx^2), and its kinetic energy would feed
// the ripple; on fine grids that made the level oscillate from cell to cell behind a solitary
// wave until the run blew up.
// The own rows and the row below them, as cell_divergence.
void strong_cell_terms(Model& m, const Field& eta, const Field& u, const Field& v) {
  const bool limit = swash_zone_on(m);
  const LineRange rows = widened(own_rows(m), 1, 0, 1, m.config.ny);
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = rows.first; j <= rows.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      float us = 0.5f * (m.flow.u_surf(i, j) + m.flow.u_surf(i + 1, j));
      float vs = 0.5f * (m.flow.v_surf(i, j) + m.flow.v_surf(i, j + 1));
      if (limit) {
        const float uc = 0.5f * (u(i, j) + u(i + 1, j)), vc = 0.5f * (v(i, j) + v(i, j + 1));
        us = uc + std::clamp(us - uc, -std::fabs(uc), std::fabs(uc));
        vs = vc + std::clamp(vs - vc, -std::fabs(vc), std::fabs(vc));
      }
      m.work.kinetic_cell(i, j) = m.bed.depth(i, j) + eta(i, j) > 0.0f ? 0.5f * (us * us + vs * vs) : 0.0f;
    }
  }
}

}  // namespace

// Weight of the dispersive form of every cell for the step, from the level at its start (fixed
// over the passes so that the corrector iteration solves one set of equations).  A bore: the
// weight falls from 1 to 0 as the level rises from 0.8 (the level at which shock-capturing
// Boussinesq models hand a breaking wave over to the shallow-water equations) to 1.0 of the
// still depth, and it is 0 on wet land.  Thin backwash: it falls from 1 to 0 as the total depth
// falls from 0.5 to 0.3 of the still depth.  Dry cells take 0, so a face spilling onto dry land
// is in the shallow-water form.  The own rows and the row below them (the v-faces of the first
// own row read it).
void mark_swash_zone(Model& m) {
  constexpr float r1 = 0.8f, r2 = 1.0f;  // bore: level over still depth
  constexpr float q0 = 0.3f, q1 = 0.5f;  // backwash: total depth over still depth
  const LineRange rows = widened(own_rows(m), 1, 0, 1, m.config.ny);
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = rows.first; j <= rows.last; ++j) {
    const float* dep = m.bed.depth.col(j);
    const float* et = m.flow.eta_old.col(j);
    float* w = m.work.swash_weight.col(j);
    for (int k = 0; k < m.config.nx; ++k) {
      const float h = dep[k], d = dep[k] + et[k];
      if (!(d > 0.0f) || h <= 0.0f) {
        w[k] = 0.0f;
        continue;
      }
      const float bore = (r2 * h - et[k]) / ((r2 - r1) * h);
      const float thin = (d - q0 * h) / ((q1 - q0) * h);
      w[k] = std::clamp(std::min(bore, thin), 0.0f, 1.0f);
    }
  }
}

void run_pass(Model& m, const PassLevels& lv) {
  if (lv.predictor && swash_zone_on(m)) mark_swash_zone(m);
  // Continuity rate of the evaluated level.  Only the outputs read it, after the step, so it
  // is formed in the last pass alone (the value they see is the same).
  if (lv.last) {
#pragma omp parallel num_threads(m.parallel.threads)
    {
      const LineRange r = thread_lines(own_rows(m));
      continuity_rate_rows(lv.u_e, lv.v_e, lv.eta_e, m.flow.eta_rate, m.bed.depth, m.bed.depth_dx, m.bed.depth_dy,
                           m.config.nx, r.first, r.last, m.config.dx, m.config.dy);
    }
  }
  // Face activity, surface and bed velocities, fluxes.
  face_activity(m, lv.eta_e);
  face_velocities_x(m, lv.u_e, lv.v_e, lv.eta_e);
  face_velocities_y(m, lv.u_e, lv.v_e, lv.eta_e);
  // The next rows' surface velocities (face activity, cell terms, breaking) and fluxes (the
  // y-lines' shallow-water advection, the level; the shoreline limit reads two rows above).
  const bool runup = m.config.calc_wave_runup == 1;
  exchange_halos(m, {{&m.flow.u_surf, 1, 1},
                     {&m.flow.v_surf, 1, 1},
                     {&m.work.flux_y, 1, runup ? 2 : 1},
                     {&m.work.flux_x, runup ? 1 : 0, runup ? 1 : 0}});
  // Boundary wavemakers: the flux (and surface velocity) of their faces.
  boundary_wavemaker_fluxes(m, lv.predictor);
  if (m.config.breaking_on == 1) cell_divergence(m, lv.u_e, lv.v_e);
  if (m.config.nonlinear_option == 2) strong_cell_terms(m, lv.eta_e, lv.u_e, lv.v_e);
  // x-lines: the momentum rows of the u-faces.
  solve_x_lines(m, lv);
  // y-lines: the momentum rows of the v-faces.
  if (m.config.ny > 1) solve_y_lines(m, lv);
  // Water level, inner wavemakers and the shoreline.
  update_level(m, lv);
}

}  // namespace swx
