#include "solver/bathymetry_checks.hpp"

#include <cmath>
#include <utility>

#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

namespace {

constexpr float kMaxSlope = 0.5f;  // largest bottom slope the equations are meant for

// Slope between two neighbouring cells of depths a and b: kept when mild; a steep step between
// two wet (or two dry) cells is reported; a steep shoreline step (one side wet, the other dry,
// or either exactly at the still-water level) is flattened silently.
float checked_slope(float a, float b, float spacing, int i, int j, const Reporter& reporter) {
  const float s = (a - b) / spacing;
  if (std::fabs(s) <= kMaxSlope) return s;
  if ((a > 0.0f && b > 0.0f) || (a < 0.0f && b < 0.0f))
    reporter.warning("Slope exceeds maximum recommended value of 0.5",
                     " at i = " + compact_int(i) + ", j = " + compact_int(j));
  return 0.0f;
}

void fit_shape(Field& a, int nx, int ny) {
  if (a.ni < nx + 1 || a.nj < ny + 1) a.resize(nx + 1, ny + 1);
}

void warn_channel(int i, int j, float dx, float dy, float x0, float y0, const Reporter& reporter) {
  const float x = static_cast<float>(i - 1) * dx + x0;
  const float y = static_cast<float>(j - 1) * dy + y0;
  reporter.warning("Inappropriate internal land boundaries at x = " + compact_real(x) + ", y = " + compact_real(y),
                   "need a separation of at least two water points", "between land points");
}

}  // namespace

void check_bottom_slopes(const Field& h, int nx, int ny, float dx, float dy, Field& hx, Field& hy,
                         const Reporter& reporter) {
  fit_shape(hx, nx, ny);
  fit_shape(hy, nx, ny);
  hx.fill(0.0f);
  hy.fill(0.0f);
  for (int j = 1; j <= ny; ++j) {
    for (int i = 2; i <= nx; ++i) hx(i, j) = checked_slope(h(i, j), h(i - 1, j), dx, i, j, reporter);
    hx(1, j) = hx(2, j);
    hx(nx + 1, j) = hx(nx, j);
  }
  for (int i = 1; i <= nx; ++i) {
    for (int j = 2; j <= ny; ++j) hy(i, j) = checked_slope(h(i, j), h(i, j - 1), dy, i, j, reporter);
    hy(i, 1) = hy(i, 2);
    hy(i, ny + 1) = hy(i, ny);
  }
}

void check_internal_land_boundaries(Field& h, int nx, int ny, float dx, float dy, float x0, float y0,
                                    const Reporter& reporter) {
  for (int cycle = 1; cycle <= 2; ++cycle) {
    // Both passes test the depths of the cycle's start; fills go to the work copy.
    Field w = h;
    for (int j = 1; j <= ny; ++j)
      for (int i = 2; i <= nx - 1; ++i)
        if (h(i, j) > 0.0f && h(i + 1, j) <= 0.0f && h(i - 1, j) <= 0.0f) {
          warn_channel(i, j, dx, dy, x0, y0, reporter);
          w(i, j) = (h(i + 1, j) + h(i - 1, j)) * 0.5f;
        }
    for (int i = 1; i <= nx; ++i)
      for (int j = 2; j <= ny - 1; ++j)
        if (h(i, j) > 0.0f && h(i, j + 1) <= 0.0f && h(i, j - 1) <= 0.0f) {
          warn_channel(i, j, dx, dy, x0, y0, reporter);
          w(i, j) = (h(i, j + 1) + h(i, j - 1)) * 0.5f;
        }
    h = std::move(w);
  }
}

}  // namespace swx
