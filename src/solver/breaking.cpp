// Wave breaking and sub-grid turbulence.
#include "solver/breaking.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "solver/ranks.hpp"

namespace swx {

int breaking_at_point(const Field& celerity, const Field& eta, const Field& u_surf, const Field& v_surf,
                      const Field& depth, int i, int j) {
  const float h = depth(i, j);
  const float c = celerity(i, j);
  if (!(h > 0.0f) || !(c > 0.0f)) return 0;
  const float us = 0.5f * (u_surf(i, j) + u_surf(i + 1, j));
  const float vs = 0.5f * (v_surf(i, j) + v_surf(i, j + 1));
  if (std::sqrt(us * us + vs * vs) / c > 0.8f) return 1;
  if ((eta(i, j) + h) / h > 1.6f) return 1;
  return 0;
}

void breaking_marker(Model& m) {
  const LineRange own = own_rows(m);
#pragma omp parallel for num_threads(m.threads) schedule(static)
  for (int j = own.first; j <= own.last; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      if (breaking_at_point(m.celerity, m.eta_new, m.u_surf, m.v_surf, m.depth, i, j) == 1) m.break_mask(i, j) = 1.0f;
    }
  }
}

void transport_breaking_field(Model& m) {
  const Field& bp = m.break_prev;
  const float cdx = 0.5f * m.gc.dt_dx2;  // dt/(2 dx^2)
  const float cdy = 0.5f * m.gc.dt_dy2;
  const float ax = 0.5f * m.gc.dt_2dx;  // dt/(4 dx)
  const float ay = 0.5f * m.gc.dt_2dy;
  const float decay = 0.5f * m.dt * m.break_decay;
  const LineRange own = own_rows(m);
#pragma omp parallel for num_threads(m.threads) schedule(static)
  for (int j = own.first; j <= own.last; ++j) {
    const int jm = j > 1 ? j - 1 : j, jp = j < m.ny ? j + 1 : j;
    for (int i = 1; i <= m.nx; ++i) {
      if (m.depth(i, j) + m.eta_mid(i, j) <= 0.0f) {
        m.break_mask(i, j) = 0.0f;
        continue;
      }
      const int im = i > 1 ? i - 1 : i, ip = i < m.nx ? i + 1 : i;
      const float b = bp(i, j);
      const float nu = m.eddy_visc(i, j);
      float bn = b + nu * ((bp(ip, j) - 2.0f * b + bp(im, j)) * cdx + (bp(i, jp) - 2.0f * b + bp(i, jm)) * cdy);
      if (m.nx > 1) bn -= ax * ((bp(ip, j) + b) * m.u_surf(i + 1, j) - (b + bp(im, j)) * m.u_surf(i, j));
      if (m.ny > 1) bn -= ay * ((bp(i, jp) + b) * m.v_surf(i, j + 1) - (b + bp(i, jm)) * m.v_surf(i, j));
      bn -= decay * b;
      m.break_mask(i, j) = std::clamp(bn, 0.0f, 1.0f);
    }
  }
}

// A cell of strong divergence also sets the Smagorinsky viscosity of its four neighbours, which
// they overwrite when visited later: the cells are visited in order, on one thread.  A slab's
// rows take the writes of the rows beside it, which are visited with them in the same order (the
// eddy viscosity of those rows, which the y-lines of the slab's edges read, comes out as well;
// their Smagorinsky viscosity, read by their own cells alone, is left to their own slab).
void update_eddy_viscosity(Model& m) {
  const float cs2 = m.smagorinsky_const * m.smagorinsky_const;
  const float area = m.dx * m.dy;
  const LineRange rows = widened(own_rows(m), 1, 1, 1, m.ny);
  for (int j = rows.first; j <= rows.last; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const float h = m.depth(i, j);
      const float d = h + m.eta_new(i, j);
      if (!(d > 0.0f)) continue;
      const float div =
          std::fabs((m.u_new(i + 1, j) - m.u_new(i, j)) / m.dx + (m.v_new(i, j + 1) - m.v_new(i, j)) / m.dy);
      const float l = 2.0f * d;
      float ev = h > 0.0f ? m.break_mask(i, j) * l * l * div : l * l * div;
      m.smag_visc(i, j) = cs2 * area * div;
      if (div > m.mean_frequency) {
        const float s = div * area;
        m.smag_visc(i, j) = s;
        if (i > 1) m.smag_visc(i - 1, j) = s;
        if (i < m.nx) m.smag_visc(i + 1, j) = s;
        if (j > 1) m.smag_visc(i, j - 1) = s;
        if (j < m.ny) m.smag_visc(i, j + 1) = s;
      }
      const float sv = m.smag_visc(i, j);
      ev = std::sqrt(ev * ev + sv * sv);
      const float c = m.celerity(i, j);
      const float cap = h > 0.0f ? c * c * m.mean_period / kTwoPi : kGravity * m.mean_period * d / kTwoPi;
      m.eddy_visc(i, j) = std::min(ev, cap);
    }
  }
}

}  // namespace swx
