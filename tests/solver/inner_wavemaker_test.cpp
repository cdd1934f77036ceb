// Wavemakers on an inner row or column radiate the signal's waves into the domain; the mirror
// waves behind the line are taken up by a damping layer there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "solver/solver_api.hpp"
#include "solver_test_support.hpp"

namespace swx {
namespace {

constexpr double kPiD = 3.14159265358979323846;

// A channel of 10 wavelengths (30 cells each, depth 1 m, kh = 1) with two-wavelength damping
// layers at both ends and the line three wavelengths from the start; returns the mean height
// between 1.5 and 3 wavelengths downstream of the line (in the signal's direction of travel).
double inner_height(bool column, float direction) {
  const double h = 1.0, kh = 1.0, k = kh / h;
  const double omega = std::sqrt(9.81 * k * k * h * (1.0 + 0.058666646 * kh * kh) / (1.0 + 0.392 * kh * kh));
  const double period = 2.0 * kPiD / omega, wavelength = 2.0 * kPiD / k;
  const int per_l = 30, nl = 10 * per_l, nw = 4, line = 5 * per_l;
  const float dx = static_cast<float>(wavelength / per_l);
  const int nx = column ? nl : nw, ny = column ? nw : nl;
  SolverOptions o;
  o.time_step = static_cast<float>(period / 40.0);
  o.mean_period = static_cast<float>(period);
  o.rms_wave_height = 0.02f;
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int a = 1; a <= nl; ++a) {
    const double s = std::max((2.0 * per_l - a) / (2.0 * per_l), (a - 8.0 * per_l) / (2.0 * per_l));
    for (int w = 1; w <= nw; ++w) {
      if (s > 0.0) (column ? grids.damping(a, w) : grids.damping(w, a)) = static_cast<float>(2.0 * omega * s * s);
    }
  }
  const int steps = 16 * 40;
  const BoundarySignal sig = column ? regular_signal(6, line, line, 1, nw, 0.02f, static_cast<float>(period), 1.0f,
                                                     o.time_step, steps, direction)
                                    : regular_signal(5, 1, nw, line, line, 0.02f, static_cast<float>(period), 1.0f,
                                                     o.time_step, steps, direction);
  test::Quiet q;
  Model m;
  build_model(m, test::flat_depth(nx, ny, 1.0f), nx, ny, dx, dx, o, {sig}, grids, q.reporter);
  std::vector<double> hi(static_cast<std::size_t>(nl) + 1, -1e9), lo(static_cast<std::size_t>(nl) + 1, 1e9);
  for (int s = 1; s <= steps; ++s) {
    run_steps(m, s, 1, q.reporter);
    if (s <= steps - 80) continue;
    for (int a = 1; a <= nl; ++a) {
      const double e = column ? m.eta_old(a, 2) : m.eta_old(2, a);
      hi[static_cast<std::size_t>(a)] = std::max(hi[static_cast<std::size_t>(a)], e);
      lo[static_cast<std::size_t>(a)] = std::min(lo[static_cast<std::size_t>(a)], e);
    }
  }
  double sum = 0.0;
  int count = 0;
  for (int d = per_l * 3 / 2; d <= 3 * per_l; ++d) {
    const int a = direction > 0.0f ? line + d : line + 1 - d;  // the source is centred on face line+1
    sum += hi[static_cast<std::size_t>(a)] - lo[static_cast<std::size_t>(a)];
    ++count;
  }
  return sum / count;
}

TEST(InnerWavemaker, ColumnRadiatesTheSignalsHeightInItsDirection) {
  EXPECT_NEAR(inner_height(true, 1.0f) / 0.02, 1.0, 0.05);
  EXPECT_NEAR(inner_height(true, -1.0f) / 0.02, 1.0, 0.05);
}

TEST(InnerWavemaker, RowRadiatesTheSignalsHeight) {
  EXPECT_NEAR(inner_height(false, 1.0f) / 0.02, 1.0, 0.05);
}

}  // namespace
}  // namespace swx
