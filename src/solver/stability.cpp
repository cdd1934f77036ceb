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

bool unstable(const Model& m, int i, int j) {
  const float e = m.eta_new(i, j);
  if (m.depth(i, j) + e <= 0.0f) return false;  // a NaN level is tested
  const float du = (m.u_new(i + 1, j) - m.u_new(i, j)) / m.dx;
  const float dv = (m.v_new(i, j + 1) - m.v_new(i, j)) / m.dy;
  // NaN and infinity fail the "within limits" tests and count as unstable.
  return !(std::fabs(du + dv) <= m.mean_frequency) || !(e <= kLevelLimit);
}

}  // namespace

int check_instability(Model& m, const Reporter& reporter) {
  // The rows are searched by the threads; the report goes through the cells in order.  Over
  // several ranks each searches its own rows and rank 0 reports the cells of all, slab by slab.
  const LineRange own = own_rows(m);
  bool any = false;
#pragma omp parallel for num_threads(m.threads) schedule(static) reduction(|| : any)
  for (int j = own.first; j <= own.last; ++j) {
    for (int i = 1; i <= m.nx; ++i) any = any || unstable(m, i, j);
  }
  int count = 0;
  const auto report = [&](int i, int j) {
    const std::string where = " i = " + compact_int(i) + " J = " + compact_int(j);
    if (!m.instability_reported) {
      reporter.console_line(" initial instability problems at" + where);
      m.instability_reported = true;
    }
    reporter.log_line(" numerical instability at" + where);
    ++count;
  };
  if (m.ranks == 1) {
    if (!any) return 0;
    for (int j = 1; j <= m.ny; ++j)
      for (int i = 1; i <= m.nx; ++i)
        if (unstable(m, i, j)) report(i, j);
    return count;
  }
  m.unstable_cells.clear();
  if (any) {
    for (int j = own.first; j <= own.last; ++j) {
      for (int i = 1; i <= m.nx; ++i) {
        if (!unstable(m, i, j)) continue;
        m.unstable_cells.push_back(i);
        m.unstable_cells.push_back(j);
      }
    }
  }
  gather_unstable_cells(m);
  if (m.rank != 0) return 0;
  for (std::size_t k = 0; k + 1 < m.unstable_cells.size(); k += 2) report(m.unstable_cells[k], m.unstable_cells[k + 1]);
  return count;
}

}  // namespace swx
