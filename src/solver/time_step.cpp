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
#pragma omp parallel num_threads(m.threads)
  {
    const LineRange r = thread_lines(held_rows(m));
    average_columns(m.eta_mid, m.eta_old, m.eta_new, r);
    average_columns(m.u_mid, m.u_old, m.u_new, r);
    average_columns(m.v_mid, m.v_old, m.v_new, r);
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
  m.step = step;
  // 2. Ramp factors of the step.
  ramp_factors(step, m.ramp_steps, m.ramp0, m.ramp1);
  // 4. Work rows and per-step scratch.
#pragma omp parallel num_threads(m.threads)
  {
    const LineRange r = thread_lines(held_rows(m));
    clear_columns(m.flux_x, r);
    clear_columns(m.flux_y, r);
  }
  // 5. Outer still-water-level velocities.
  if (m.nonlinear_option == 2 || m.breaking_on == 1) {
    const LineRange held = held_rows(m);
    for (int i = 1; i <= m.nx + 1; ++i) {
      if (holds_row(m, 1)) m.v_surf(i, 1) = 0.0f;
      if (holds_row(m, m.ny + 1)) m.v_surf(i, m.ny + 1) = 0.0f;
    }
    for (int j = held.first; j <= held.last; ++j) {
      m.u_surf(1, j) = 0.0f;
      m.u_surf(m.nx + 1, j) = 0.0f;
    }
  }
  // 6. Signal elements of the step and the boundary wavemaker faces.
  if (!m.wavemakers.empty()) signal_indices(step, m.wavemakers.front().nsteps, m.signal_n0, m.signal_n1);
  set_boundary_velocities(m);
  // 7. Predictor: half a step from the start-of-step level into the mid level.
  run_pass(m, PassLevels{m.eta_old, m.u_old, m.v_old, m.eta_mid, m.u_mid, m.v_mid, true, false});
  // 8. First corrector: the full step from the mid level into the new level.
  run_pass(m, PassLevels{m.eta_mid, m.u_mid, m.v_mid, m.eta_new, m.u_new, m.v_new, false, false});
  // 9. Four more correctors, each from the mean of the old and the newest level.
  for (std::uint8_t pass = 1; pass <= 4; ++pass) {
    average_into_mid(m);
    run_pass(m, PassLevels{m.eta_mid, m.u_mid, m.v_mid, m.eta_new, m.u_new, m.v_new, false, pass == 4});
  }
  // 10. Breaking field, marker and eddy viscosity for the next step.
  if (m.breaking_on == 1) {
    transport_breaking_field(m);
    breaking_marker(m);
    exchange_halos(m, {{&m.break_mask, 1, 1}});  // the eddy viscosity of the rows beside the slab
    update_eddy_viscosity(m);
  }
  // 11. Stability test of the new level (rank 0 reports the cells of every rank).
  check_instability(m, reporter);
}

void finish_step(Model& m) {
#pragma omp parallel num_threads(m.threads)
  {
    const LineRange r = thread_lines(held_rows(m));
    copy_columns(m.eta_old, m.eta_new, r);
    copy_columns(m.u_old, m.u_new, r);
    copy_columns(m.v_old, m.v_new, r);
    if (m.breaking_on == 1) copy_columns(m.break_prev, m.break_mask, r);
  }
}

}  // namespace swx
