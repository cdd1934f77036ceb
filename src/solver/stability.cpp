// Stability test of the new level after the corrector passes.
#include "solver/stability.hpp"

#include <cmath>
#include <string>

#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

namespace {

constexpr float kLevelLimit = 10000.0f;

bool unstable(const Model& m, int i, int j) {
  const float e = m.flow.eta_new(i, j);
  if (m.bed.depth(i, j) + e <= 0.0f) return false;  // a NaN level is tested
  const float du = (m.flow.u_new(i + 1, j) - m.flow.u_new(i, j)) / m.config.dx;
  const float dv = (m.flow.v_new(i, j + 1) - m.flow.v_new(i, j)) / m.config.dy;
  // NaN and infinity fail the "within limits" tests and count as unstable.
  return !(std::fabs(du + dv) <= m.config.mean_frequency) || !(e <= kLevelLimit);
}

}  // namespace

int check_instability(Model& m, const Reporter& reporter) {
  // The rows are searched by the threads; the report goes through the cells in order.
  bool any = false;
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static) reduction(|| : any)
  for (int j = 1; j <= m.config.ny; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) any = any || unstable(m, i, j);
  }
  if (!any) return 0;
  int count = 0;
  for (int j = 1; j <= m.config.ny; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      if (!unstable(m, i, j)) continue;
      const std::string where = " i = " + compact_int(i) + " J = " + compact_int(j);
      if (!m.flow.instability_reported) {
        reporter.console_line(" initial instability problems at" + where);
        m.flow.instability_reported = true;
      }
      reporter.log_line(" numerical instability at" + where);
      ++count;
    }
  }
  return count;
}

}  // namespace swx
