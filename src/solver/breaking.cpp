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
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = own.first; j <= own.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      if (breaking_at_point(m.flow.celerity, m.flow.eta_new, m.flow.u_surf, m.flow.v_surf, m.bed.depth, i, j) == 1)
        m.flow.break_mask(i, j) = 1.0f;
    }
  }
}

void transport_breaking_field(Model& m) {
  const Field& bp = m.flow.break_prev;
  const float cdx = 0.5f * m.config.gc.dt_dx2;  // dt/(2 dx^2)
  const float cdy = 0.5f * m.config.gc.dt_dy2;
  const float ax = 0.5f * m.config.gc.dt_2dx;  // dt/(4 dx)
  const float ay = 0.5f * m.config.gc.dt_2dy;
  const float decay = 0.5f * m.config.dt * m.config.break_decay;
  const LineRange own = own_rows(m);
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = own.first; j <= own.last; ++j) {
    const int jm = j > 1 ? j - 1 : j, jp = j < m.config.ny ? j + 1 : j;
    for (int i = 1; i <= m.config.nx; ++i) {
      if (m.bed.depth(i, j) + m.flow.eta_mid(i, j) <= 0.0f) {
        m.flow.break_mask(i, j) = 0.0f;
        continue;
      }
      const int im = i > 1 ? i - 1 : i, ip = i < m.config.nx ? i + 1 : i;
      const float b = bp(i, j);
      const float nu = m.flow.eddy_visc(i, j);
      float bn = b + nu * ((bp(ip, j) - 2.0f * b + bp(im, j)) * cdx + (bp(i, jp) - 2.0f * b + bp(i, jm)) * cdy);
      if (m.config.nx > 1)
        bn -= ax * ((bp(ip, j) + b) * m.flow.u_surf(i + 1, j) - (b + bp(im, j)) * m.flow.u_surf(i, j));
      if (m.config.ny > 1)
        bn -= ay * ((bp(i, jp) + b) * m.flow.v_surf(i, j + 1) - (b + bp(i, jm)) * m.flow.v_surf(i, j));
      bn -= decay * b;
      m.flow.break_mask(i, j) = std::clamp(bn, 0.0f, 1.0f);
    }
  }
}

// A cell of strong divergence also sets the Smagorinsky viscosity of its four neighbours, which
// they overwrite when visited later: the cells are visited in order, on one thread.  A slab's
// rows take the writes of the rows beside it, which are visited with them in the same order (the
// eddy viscosity of those rows, which the y-lines of the slab's edges read, comes out as well;
// their Smagorinsky viscosity, read by their own cells alone, is left to their own slab).
void update_eddy_viscosity(Model& m) {
  const float cs2 = m.config.smagorinsky_const * m.config.smagorinsky_const;
  const float area = m.config.dx * m.config.dy;
  const LineRange rows = widened(own_rows(m), 1, 1, 1, m.config.ny);
  for (int j = rows.first; j <= rows.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const float h = m.bed.depth(i, j);
      const float d = h + m.flow.eta_new(i, j);
      if (!(d > 0.0f)) continue;
      const float div = std::fabs((m.flow.u_new(i + 1, j) - m.flow.u_new(i, j)) / m.config.dx +
                                  (m.flow.v_new(i, j + 1) - m.flow.v_new(i, j)) / m.config.dy);
      const float l = 2.0f * d;
      float ev = h > 0.0f ? m.flow.break_mask(i, j) * l * l * div : l * l * div;
      m.flow.smag_visc(i, j) = cs2 * area * div;
      if (div > m.config.mean_frequency) {
        const float s = div * area;
        m.flow.smag_visc(i, j) = s;
        if (i > 1) m.flow.smag_visc(i - 1, j) = s;
        if (i < m.config.nx) m.flow.smag_visc(i + 1, j) = s;
        if (j > 1) m.flow.smag_visc(i, j - 1) = s;
        if (j < m.config.ny) m.flow.smag_visc(i, j + 1) = s;
      }
      const float sv = m.flow.smag_visc(i, j);
      ev = std::sqrt(ev * ev + sv * sv);
      const float c = m.flow.celerity(i, j);
      const float cap = h > 0.0f ? c * c * m.config.mean_period / kTwoPi : kGravity * m.config.mean_period * d / kTwoPi;
      m.flow.eddy_visc(i, j) = std::min(ev, cap);
    }
  }
}

}  // namespace swx
