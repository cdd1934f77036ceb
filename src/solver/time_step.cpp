// The time step: predictor and five correctors with the hooks of breaking and stability.
#include "solver/time_step.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "solver/breaking.hpp"
#include "solver/line_split.hpp"
#include "solver/passes.hpp"
#include "solver/ranks.hpp"
#include "solver/select.hpp"
#include "solver/wavemaker_faces.hpp"

namespace swx {

void ramp_factors(int n, int ramp_steps, float& r0, float& r1) {
  if (n <= ramp_steps) {
    r0 = 0.5f * (1.0f - std::cos(kPi * static_cast<float>(n - 1) / static_cast<float>(ramp_steps)));
    r1 = 0.5f * (1.0f - std::cos(kPi * static_cast<float>(n) / static_cast<float>(ramp_steps)));
  } else {
    r0 = 1.0f;
    r1 = 1.0f;
  }
}

void continuity_rate(const Field& u, const Field& v, const Field& eta, Field& eta_rate, const Field& depth,
                     const Field& depth_dx, const Field& depth_dy, int ngrid_x, int ngrid_y, float dx, float dy) {
  continuity_rate_rows(u, v, eta, eta_rate, depth, depth_dx, depth_dy, ngrid_x, 1, ngrid_y, dx, dy);
}

void continuity_rate_rows(const Field& u, const Field& v, const Field& eta, Field& eta_rate, const Field& depth,
                          const Field& depth_dx, const Field& depth_dy, int ngrid_x, int j_first, int j_last, float dx,
                          float dy) {
  for (int j = j_first; j <= j_last; ++j) {
    for (int i = 1; i <= ngrid_x; ++i) {
      const float d = depth(i, j) + eta(i, j);
      const float r = -0.5f * (0.5f * (depth_dx(i, j) + depth_dx(i + 1, j)) * (u(i, j) + u(i + 1, j)) +
                               0.5f * (depth_dy(i, j) + depth_dy(i, j + 1)) * (v(i, j) + v(i, j + 1))) -
                      d * ((u(i + 1, j) - u(i, j)) / dx + (v(i, j + 1) - v(i, j)) / dy);
      eta_rate(i, j) = select(d > 0.0f, r, 0.0f);
    }
  }
}

namespace {

// The whole-array sweeps below share the columns of the arrays between the threads, several
// arrays in one parallel region.  Elements k0..k1-1 of an array are the columns r.first..r.last.
// Over several ranks they cover the rows the rank holds.
inline std::size_t column_start(const Field& f, int j) {
  return static_cast<std::size_t>(j - f.j0) * static_cast<std::size_t>(f.ni);
}

void average_columns(Field& mid, const Field& old_level, const Field& new_level, LineRange r) {
  const std::size_t k0 = column_start(mid, r.first), k1 = column_start(mid, r.last + 1);
  float* pm = mid.data();
  const float* po = old_level.data();
  const float* pn = new_level.data();
  for (std::size_t k = k0; k < k1; ++k) pm[k] = 0.5f * (po[k] + pn[k]);
}

// The mid level of a corrector: the mean of the old and the newest level of eta, u and v.
void average_into_mid(Model& m) {
#pragma omp parallel num_threads(m.parallel.threads)
  {
    const LineRange r = thread_lines(held_rows(m));
    average_columns(m.flow.eta_mid, m.flow.eta_old, m.flow.eta_new, r);
    average_columns(m.flow.u_mid, m.flow.u_old, m.flow.u_new, r);
    average_columns(m.flow.v_mid, m.flow.v_old, m.flow.v_new, r);
  }
}

void copy_columns(Field& to, const Field& from, LineRange r) {
  if (r.first <= r.last) std::copy(from.col(r.first), from.col(r.last) + from.ni, to.col(r.first));
}

void clear_columns(Field& f, LineRange r) {
  if (r.first <= r.last) std::fill(f.col(r.first), f.col(r.last) + f.ni, 0.0f);
}

}  // namespace

void advance_solution(Model& m, int step, const Reporter& reporter) {
  m.flow.step = step;
  // Ramp factors of the step.
  ramp_factors(step, m.config.ramp_steps, m.flow.ramp0, m.flow.ramp1);
  // Work rows and per-step scratch.
#pragma omp parallel num_threads(m.parallel.threads)
  {
    const LineRange r = thread_lines(held_rows(m));
    clear_columns(m.work.flux_x, r);
    clear_columns(m.work.flux_y, r);
  }
  // Outer still-water-level velocities.
  if (m.config.nonlinear_option == 2 || m.config.breaking_on == 1) {
    const LineRange held = held_rows(m);
    for (int i = 1; i <= m.config.nx + 1; ++i) {
      if (holds_row(m, 1)) m.flow.v_surf(i, 1) = 0.0f;
      if (holds_row(m, m.config.ny + 1)) m.flow.v_surf(i, m.config.ny + 1) = 0.0f;
    }
    for (int j = held.first; j <= held.last; ++j) {
      m.flow.u_surf(1, j) = 0.0f;
      m.flow.u_surf(m.config.nx + 1, j) = 0.0f;
    }
  }
  // Signal elements of the step and the boundary wavemaker faces.
  if (!m.config.wavemakers.empty())
    signal_indices(step, m.config.wavemakers.front().nsteps, m.flow.signal_n0, m.flow.signal_n1);
  set_boundary_velocities(m);
  // Predictor: half a step from the start-of-step level into the mid level.
  run_pass(m, PassLevels{m.flow.eta_old, m.flow.u_old, m.flow.v_old, m.flow.eta_mid, m.flow.u_mid, m.flow.v_mid, true,
                         false});
  // First corrector: the full step from the mid level into the new level.
  run_pass(m, PassLevels{m.flow.eta_mid, m.flow.u_mid, m.flow.v_mid, m.flow.eta_new, m.flow.u_new, m.flow.v_new, false,
                         false});
  // Four more correctors, each from the mean of the old and the newest level.
  for (std::uint8_t pass = 1; pass <= 4; ++pass) {
    average_into_mid(m);
    run_pass(m, PassLevels{m.flow.eta_mid, m.flow.u_mid, m.flow.v_mid, m.flow.eta_new, m.flow.u_new, m.flow.v_new,
                           false, pass == 4});
  }
  // Breaking field, marker and eddy viscosity for the next step.
  if (m.config.breaking_on == 1) {
    transport_breaking_field(m);
    breaking_marker(m);
    exchange_halos(m, {{&m.flow.break_mask, 1, 1}});  // the eddy viscosity of the rows beside the slab
    update_eddy_viscosity(m);
  }
  // Stability test of the new level (rank 0 reports the cells of every rank).
  check_instability(m, reporter);
}

void finish_step(Model& m) {
#pragma omp parallel num_threads(m.parallel.threads)
  {
    const LineRange r = thread_lines(held_rows(m));
    copy_columns(m.flow.eta_old, m.flow.eta_new, r);
    copy_columns(m.flow.u_old, m.flow.u_new, r);
    copy_columns(m.flow.v_old, m.flow.v_new, r);
    if (m.config.breaking_on == 1) copy_columns(m.flow.break_prev, m.flow.break_mask, r);
  }
}

}  // namespace swx
