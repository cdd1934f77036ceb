#include "output/non_finite.hpp"

#include <bit>
#include <cstdint>
#include <string>

#include "io/grid_file.hpp"
#include "io/number_text.hpp"
#include "solver/ranks.hpp"

namespace swx {

namespace {

// Exponent bits all set: an infinity or a NaN.  An integer test, so the scan of a clean column
// stays a plain vectorisable loop.
inline std::uint32_t non_finite_bit(float x) {
  return (std::bit_cast<std::uint32_t>(x) & 0x7f800000u) == 0x7f800000u ? 1u : 0u;
}

std::uint32_t any_non_finite(const float* a, int n) {
  std::uint32_t any = 0;
  for (int i = 0; i < n; ++i) any |= non_finite_bit(a[i]);
  return any;
}

}  // namespace

NonFiniteWatch init_non_finite_watch(int nx, int ny) {
  NonFiniteWatch w;
  w.first_step.resize(nx, ny, 0);
  return w;
}

void watch_non_finite(NonFiniteWatch& w, Model& m, int k) {
  const int nx = m.config.nx;
  const LineRange own = own_rows(m);
  int found = 0;
  for (int j = own.first; j <= own.last; ++j) {
    const float* eta = m.flow.eta_new.col(j);
    const float* u = m.flow.u_new.col(j);
    const float* v = m.flow.v_new.col(j);
    if ((any_non_finite(eta, nx) | any_non_finite(u, nx) | any_non_finite(v, nx)) == 0) continue;
    int* first = w.first_step.col(j);
    for (int i = 0; i < nx; ++i) {
      if (first[i] != 0 || (non_finite_bit(eta[i]) | non_finite_bit(u[i]) | non_finite_bit(v[i])) == 0) continue;
      first[i] = k;
      ++found;
    }
  }
  w.cells += found;
  if (found > 0 && w.first_step_any == 0) w.first_step_any = k;
  if (m.parallel.ranks == 1) return;
  // Over several ranks each watches its own rows; rank 0 takes the marks of every rank on the
  // steps that add some.
  const int all = sum_over_ranks(m, found);
  if (all == 0) return;
  gather_node_rows(m, w.first_step);
  if (m.parallel.rank != 0) return;
  w.cells += all - found;
  if (w.first_step_any == 0) w.first_step_any = k;
}

void warn_if_unstable(const NonFiniteWatch& w, float time_step, const Reporter& reporter) {
  if (w.first_step_any == 0) return;
  const float t = static_cast<float>(w.first_step_any) * time_step;
  const std::string where = "at time step " + compact_int(w.first_step_any) + " (t = " + compact_real(t) + " s)";
  reporter.log_line(" Numerical instability: values not finite from time step " + compact_int(w.first_step_any));
  reporter.warning("the run became unstable " + where,
                   compact_int(w.cells) + " grid points are not finite; their results",
                   "are written as the invalid value " + fixed_decimal_text(kInvalidValue, 2));
}

void write_instability_grid(std::string_view output_file_prefix, const Model& m) {
  write_scalar_grid(std::string(trim_right(output_file_prefix)) + "_instab.grd", m.flow.eta_new, m.config.grid,
                    "Surface Elevation", "m");
}

}  // namespace swx
