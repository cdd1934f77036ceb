// Stability test of the new level after the corrector passes.
#include "solver/stability.hpp"

#include <cmath>
#include <string>

#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "solver/ranks.hpp"

namespace swx {

namespace {

constexpr float kLevelLimit = 10000.0f;

// Cell k (0-based, i = k + 1) of a row, from the row's columns of the new level.
inline bool unstable_at(const Model& m, const float* h, const float* e, const float* u, const float* v, const float* vp,
                        int k) {
  if (h[k] + e[k] <= 0.0f) return false;  // a NaN level is tested
  const float du = (u[k + 1] - u[k]) / m.config.dx;
  const float dv = (vp[k] - v[k]) / m.config.dy;
  // NaN and infinity fail the "within limits" tests and count as unstable.
  return !(std::fabs(du + dv) <= m.config.mean_frequency) || !(e[k] <= kLevelLimit);
}

bool unstable(const Model& m, int i, int j) {
  return unstable_at(m, m.bed.depth.col(j), m.flow.eta_new.col(j), m.flow.u_new.col(j), m.flow.v_new.col(j),
                     m.flow.v_new.col(j + 1), i - 1);
}

bool unstable_row(const Model& m, int j) {
  const float* h = m.bed.depth.col(j);
  const float* e = m.flow.eta_new.col(j);
  const float* u = m.flow.u_new.col(j);
  const float* v = m.flow.v_new.col(j);
  const float* vp = m.flow.v_new.col(j + 1);
  bool any = false;
  for (int k = 0; k < m.config.nx; ++k) any = any || unstable_at(m, h, e, u, v, vp, k);
  return any;
}

}  // namespace

int check_instability(Model& m, const Reporter& reporter) {
  // The rows are searched by the threads; the report goes through the cells in order.  Over
  // several ranks each searches its own rows and rank 0 reports the cells of all, slab by slab.
  const LineRange own = own_rows(m);
  bool any = false;
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static) reduction(|| : any)
  for (int j = own.first; j <= own.last; ++j) any = any || unstable_row(m, j);
  int count = 0;
  const auto report = [&](int i, int j) {
    const std::string where = " i = " + compact_int(i) + " J = " + compact_int(j);
    if (!m.flow.instability_reported) {
      reporter.console_line(" initial instability problems at" + where);
      m.flow.instability_reported = true;
    }
    reporter.log_line(" numerical instability at" + where);
    ++count;
  };
  if (m.parallel.ranks == 1) {
    if (!any) return 0;
    for (int j = 1; j <= m.config.ny; ++j)
      for (int i = 1; i <= m.config.nx; ++i)
        if (unstable(m, i, j)) report(i, j);
    return count;
  }
  m.parallel.unstable_cells.clear();
  if (any) {
    for (int j = own.first; j <= own.last; ++j) {
      for (int i = 1; i <= m.config.nx; ++i) {
        if (!unstable(m, i, j)) continue;
        m.parallel.unstable_cells.push_back(i);
        m.parallel.unstable_cells.push_back(j);
      }
    }
  }
  const int all = gather_unstable_cells(m);
  if (m.parallel.rank != 0) {
    // The other ranks know of the first unstable step too: its level is gathered for rank 0.
    if (all > 0) m.flow.instability_reported = true;
    return 0;
  }
  for (std::size_t k = 0; k + 1 < m.parallel.unstable_cells.size(); k += 2)
    report(m.parallel.unstable_cells[k], m.parallel.unstable_cells[k + 1]);
  return count;
}

}  // namespace swx
