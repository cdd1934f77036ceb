// Wavemakers in the time step.
//
// Boundary wavemakers (side codes 1 to 4) impose the normal velocity and the normal volume flux
// of their boundary faces.  Inner-line wavemakers (side codes 5 and 6) act as a mass source on
// the two rows (columns) of cells of their box, centred on the face between them: a source of
// 2*F*Q per unit length of line splits into two waves that each carry the flux Q away from the
// line (F corrects for the share of the evanescent mode), so the waves travelling in the
// signal's direction are the signal's waves; their mirror images on the other side are left
// to a damping layer (docs/equations.md).
#include "solver/wavemaker_faces.hpp"

#include "solver/passes.hpp"
#include "solver/ranks.hpp"

namespace swx {

namespace {

inline float element(const std::vector<float>& a, const BoundarySignal& s, int n, int p) {
  const int pp = s.npoints == 1 ? 1 : p;
  return a[static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(s.npoints) + static_cast<std::size_t>(pp - 1)];
}

// Value of a signal array for the pass: r0*A(n0) in the predictor, the mean of r0*A(n0) and
// r1*A(n1) in the correctors.
inline float pass_value(const Model& m, const std::vector<float>& a, const BoundarySignal& s, int p, bool predictor) {
  int n0 = 0, n1 = 0;
  signal_indices(m.flow.step, s.nsteps, n0, n1);
  const float a0 = m.flow.ramp0 * element(a, s, n0, p);
  if (predictor) return a0;
  const float a1 = m.flow.ramp1 * element(a, s, n1, p);
  return (a0 + a1) / 2.0f;
}

}  // namespace

void signal_indices(int n, int ns, int& n0, int& n1) {
  if (ns < 1) ns = 1;
  n0 = (n - 1) % ns + 1;
  n1 = n % ns + 1;
}

int line_points(const BoundarySignal& s) {
  const bool column = is_column_side(s.side);
  return column ? s.j2 - s.j1 + 1 : s.i2 - s.i1 + 1;
}

void set_boundary_velocities(Model& m) {
  for (const BoundarySignal& s : m.config.wavemakers) {
    if (!is_boundary_side(s.side) || s.nsteps < 1) continue;
    int n0 = 0, n1 = 0;
    signal_indices(m.flow.step, s.nsteps, n0, n1);
    const int np = line_points(s);
    for (int p = 1; p <= np; ++p) {
      const float u0 = m.flow.ramp0 * element(s.U, s, n0, p);
      const float u1 = m.flow.ramp1 * element(s.U, s, n1, p);
      const float um = (u0 + u1) / 2.0f;
      Field* f[3] = {&m.flow.u_old, &m.flow.u_new, &m.flow.u_mid};
      int i = 0, j = 0;
      switch (s.side) {
        case WavemakerSide::kWest:
          i = 1;
          j = s.j1 + p - 1;
          break;
        case WavemakerSide::kEast:
          i = m.config.nx + 1;
          j = s.j1 + p - 1;
          break;
        case WavemakerSide::kSouth:
          i = s.i1 + p - 1;
          j = 1;
          break;
        default:
          i = s.i1 + p - 1;
          j = m.config.ny + 1;
          break;
      }
      if (!holds_row(m, j)) continue;  // the row of another slab
      if (is_row_side(s.side)) {
        f[0] = &m.flow.v_old;
        f[1] = &m.flow.v_new;
        f[2] = &m.flow.v_mid;
      }
      (*f[0])(i, j) = u0;
      (*f[1])(i, j) = u1;
      (*f[2])(i, j) = um;
    }
  }
}

void boundary_wavemaker_fluxes(Model& m, bool predictor) {
  const bool strong = m.config.nonlinear_option == 2;
  for (const BoundarySignal& s : m.config.wavemakers) {
    if (!is_boundary_side(s.side) || s.nsteps < 1) continue;
    const int np = line_points(s);
    for (int p = 1; p <= np; ++p) {
      const float q = pass_value(m, s.Q, s, p, predictor);
      const float us = strong ? pass_value(m, s.Us, s, p, predictor) : 0.0f;
      const bool column = s.side == WavemakerSide::kWest || s.side == WavemakerSide::kEast;
      if (!holds_row(m, column ? s.j1 + p - 1 : (s.side == WavemakerSide::kSouth ? 1 : m.config.ny + 1))) continue;
      switch (s.side) {
        case WavemakerSide::kWest:
          m.work.flux_x(1, s.j1 + p - 1) = q;
          if (strong) m.flow.u_surf(1, s.j1 + p - 1) = us;
          break;
        case WavemakerSide::kEast:
          m.work.flux_x(m.config.nx + 1, s.j1 + p - 1) = q;
          if (strong) m.flow.u_surf(m.config.nx + 1, s.j1 + p - 1) = us;
          break;
        case WavemakerSide::kSouth:
          m.work.flux_y(s.i1 + p - 1, 1) = q;
          if (strong) m.flow.v_surf(s.i1 + p - 1, 1) = us;
          break;
        default:
          m.work.flux_y(s.i1 + p - 1, m.config.ny + 1) = q;
          if (strong) m.flow.v_surf(s.i1 + p - 1, m.config.ny + 1) = us;
          break;
      }
    }
  }
}

void inner_wavemaker_sources(Model& m, Field& eta_t, const Field& eta_e, bool predictor) {
  const float tdt = (predictor ? 0.5f : 1.0f) * m.config.dt;
  const LineRange own = own_rows(m);
  for (std::size_t k = 0; k < m.config.wavemakers.size(); ++k) {
    const BoundarySignal& s = m.config.wavemakers[k];
    if (!is_inner_side(s.side) || s.nsteps < 1) continue;
    const bool column = s.side == WavemakerSide::kInnerColumn;
    const std::vector<float>& factor = m.config.inner_source_factor[k];
    const float width = column ? m.config.dx : m.config.dy;
    const int np = line_points(s);
    for (int p = 1; p <= np; ++p) {
      // Each of the two cells across the line takes half of the source 2*F*Q.
      const float rate = factor[static_cast<std::size_t>(p)] * pass_value(m, s.Q, s, p, predictor) / width;
      for (int c = 0; c < 2; ++c) {
        const int i = column ? s.i1 + c : s.i1 + p - 1;
        const int j = column ? s.j1 + p - 1 : s.j1 + c;
        if (i > m.config.nx || j < own.first || j > own.last) continue;  // outside the grid, or another slab's row
        if (m.bed.depth(i, j) + eta_e(i, j) > 0.0f) eta_t(i, j) += tdt * rate;
      }
    }
  }
}

}  // namespace swx
