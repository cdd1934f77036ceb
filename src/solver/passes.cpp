// One pass of the predictor-corrector scheme: steps A to F for the evaluated level, each in its
// own file (face_velocities.cpp, momentum_rows.cpp, level_update.cpp) over the point formulas of
// solver/kernels.hpp.
//
// The momentum equations are stepped in the still-water-level velocity U0 = u + K4*G + K3*S,
// where u is the velocity at the reference level; along each grid line the u-part of U0 is a
// tridiagonal operator on the unknown velocities, and the v-part (cross derivatives) is moved to
// the right-hand side (docs/equations.md).
#include "solver/passes.hpp"

#include "solver/breaking.hpp"
#include "solver/pass_parts.hpp"
#include "solver/time_step.hpp"

namespace swx {

namespace {

// Velocity divergence of every cell at the evaluated level (eddy-viscosity terms).
void cell_divergence(Model& m, const Field& u, const Field& v) {
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      m.divergence(i, j) = (u(i + 1, j) - u(i, j)) / m.dx + (v(i, j + 1) - v(i, j)) / m.dy;
    }
  }
}

// "Strong" option: cell-centred kinetic energy (u_s^2 + v_s^2)/2 of the still-water-level
// velocities of the pass; 0 on dry cells.
void strong_cell_terms(Model& m, const Field& eta) {
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const float us = 0.5f * (m.u_surf(i, j) + m.u_surf(i + 1, j));
      const float vs = 0.5f * (m.v_surf(i, j) + m.v_surf(i, j + 1));
      m.kinetic_cell(i, j) = m.depth(i, j) + eta(i, j) > 0.0f ? 0.5f * (us * us + vs * vs) : 0.0f;
    }
  }
}

}  // namespace

void run_pass(Model& m, const PassLevels& lv) {
  // A. Continuity rate of the evaluated level.  Only the outputs read it, after the step, so it
  // is formed in the last pass alone (the value they see is the same).
  if (lv.last) {
    continuity_rate(lv.u_e, lv.v_e, lv.eta_e, m.eta_rate, m.depth, m.depth_dx, m.depth_dy, m.nx, m.ny,
                    m.dx, m.dy);
  }
  // B. Face activity, surface and bed velocities, fluxes.
  face_activity(m, lv.eta_e);
  face_velocities_x(m, lv.u_e, lv.v_e, lv.eta_e);
  face_velocities_y(m, lv.u_e, lv.v_e, lv.eta_e);
  // G. Boundary wavemakers: the flux (and surface velocity) of their faces.
  boundary_wavemaker_fluxes(m, lv.predictor);
  if (m.breaking_on == 1) cell_divergence(m, lv.u_e, lv.v_e);
  if (m.nonlinear_option == 2) strong_cell_terms(m, lv.eta_e);
  // C, D. x-lines.
  solve_x_lines(m, lv);
  // E. y-lines.
  if (m.ny > 1) solve_y_lines(m, lv);
  // F. Water level, inner wavemakers and the shoreline.
  update_level(m, lv);
}

}  // namespace swx
