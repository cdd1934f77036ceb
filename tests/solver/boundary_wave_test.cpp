// Waves from a boundary wavemaker on each of the four sides, over a flat bed with a damping
// layer at the far end: the wave train has the signal's height and is not reflected.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "solver/solver_api.hpp"
#include "solver_test_support.hpp"

namespace swx {
namespace {

constexpr double kPiD = 3.14159265358979323846;

struct Channel {
  int side = 4;
  int nl = 0, nw = 5;  // cells along and across the direction of travel
  bool along_x() const { return side == 2 || side == 4; }
  // Grid cell of along-index a (1 at the wavemaker) and across-index w.
  void cell(int a, int w, int& i, int& j) const {
    const int aa = (side == 2 || side == 1) ? nl + 1 - a : a;
    i = along_x() ? aa : w;
    j = along_x() ? w : aa;
  }
};

struct TrainResult {
  double mean_height = 0.0;  // mean over the measuring stretch
  double reflection = 0.0;   // (Hmax - Hmin)/(Hmax + Hmin) over the stretch
  float outside_face = 1.0f; // largest |velocity| on the boundary face beside the line
  float wavemaker_face_error = 1.0f;  // |u_old - r0*U| at a wavemaker face after the last step
};

// Regular waves of height 0.02 m and kh = 1 at depth 1 m, 30 cells per wavelength, the last
// two wavelengths a damping layer rising as the square of the distance into it.
TrainResult wave_train(int side, double layer_strength) {
  const double h = 1.0, kh = 1.0, k = kh / h;
  const double omega = std::sqrt(9.81 * k * k * h * (1.0 + 0.058666646 * kh * kh) / (1.0 + 0.392 * kh * kh));
  const double period = 2.0 * kPiD / omega, wavelength = 2.0 * kPiD / k;
  const int per_l = 30;
  const float dx = static_cast<float>(wavelength / per_l);
  Channel c;
  c.side = side;
  c.nl = 6 * per_l;
  const int nx = c.along_x() ? c.nl : c.nw, ny = c.along_x() ? c.nw : c.nl;
  SolverOptions o;
  o.time_step = static_cast<float>(period / 40.0);
  o.mean_period = static_cast<float>(period);
  o.rms_wave_height = 0.02f;
  Field depth = test::flat_depth(nx, ny, 1.0f);
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int a = 1; a <= c.nl; ++a) {
    const double s = (a - 4.0 * per_l) / (2.0 * per_l);
    for (int w = 1; w <= c.nw; ++w) {
      int i = 0, j = 0;
      c.cell(a, w, i, j);
      if (w == c.nw) depth(i, j) = -1.0f;  // a land row beside the line: its face is a wall
      if (s > 0.0) grids.damping(i, j) = static_cast<float>(layer_strength * omega * s * s);
    }
  }
  const int steps = 16 * 40;
  // Line over the water cells 1..nw-1 of the wavemaker's side.
  int i1 = 1, i2 = 1, j1 = 1, j2 = 1;
  if (c.along_x()) {
    i1 = i2 = side == 4 ? 1 : nx;
    j1 = 1;
    j2 = c.nw - 1;
  } else {
    j1 = j2 = side == 3 ? 1 : ny;
    i1 = 1;
    i2 = c.nw - 1;
  }
  const float sign = (side == 4 || side == 3) ? 1.0f : -1.0f;
  BoundarySignal sig = regular_signal(side, i1, i2, j1, j2, 0.02f, static_cast<float>(period), 1.0f, o.time_step,
                                      steps, sign);
  test::Quiet q;
  Model m;
  build_model(m, depth, nx, ny, dx, dx, o, {sig}, grids, q.reporter);

  // Heights at every cell of the middle row over the last two periods.
  std::vector<double> hi(static_cast<std::size_t>(c.nl) + 1, -1e9), lo(static_cast<std::size_t>(c.nl) + 1, 1e9);
  TrainResult r;
  r.outside_face = 0.0f;
  for (int s = 1; s <= steps; ++s) {
    run_steps(m, s, 1, q.reporter);
    int i = 0, j = 0;
    c.cell(1, c.nw, i, j);
    const float face = c.along_x() ? m.u_old(side == 4 ? 1 : nx + 1, j) : m.v_old(i, side == 3 ? 1 : ny + 1);
    r.outside_face = std::max(r.outside_face, std::fabs(face));
    if (s > steps - 80) {
      for (int a = 1; a <= c.nl; ++a) {
        c.cell(a, 2, i, j);
        hi[static_cast<std::size_t>(a)] = std::max(hi[static_cast<std::size_t>(a)], static_cast<double>(m.eta_old(i, j)));
        lo[static_cast<std::size_t>(a)] = std::min(lo[static_cast<std::size_t>(a)], static_cast<double>(m.eta_old(i, j)));
      }
    }
  }
  {
    int i = 0, j = 0;
    c.cell(1, 2, i, j);
    const float held = c.along_x() ? m.u_old(side == 4 ? 1 : nx + 1, j) : m.v_old(i, side == 3 ? 1 : ny + 1);
    // After step M the old level holds r1*U(n1) with n1 = (M mod M) + 1 = 1 and r1 = 1.
    r.wavemaker_face_error = std::fabs(held - sig.u(1, 2));
  }
  double sum = 0.0, hmax = 0.0, hmin = 1e9;
  int count = 0;
  for (int a = per_l; a <= 3 * per_l; ++a) {
    const double hh = hi[static_cast<std::size_t>(a)] - lo[static_cast<std::size_t>(a)];
    sum += hh;
    ++count;
    hmax = std::max(hmax, hh);
    hmin = std::min(hmin, hh);
  }
  r.mean_height = sum / count;
  r.reflection = (hmax - hmin) / (hmax + hmin);
  return r;
}

TEST(BoundaryWavemaker, EachSideMakesTheSignalsWaveTrain) {
  for (int side : {1, 2, 3, 4}) {
    SCOPED_TRACE(side);
    const TrainResult r = wave_train(side, 2.0);
    EXPECT_NEAR(r.mean_height / 0.02, 1.0, 0.05);
    EXPECT_LT(r.reflection, 0.05);
    EXPECT_EQ(r.outside_face, 0.0f);
    EXPECT_EQ(r.wavemaker_face_error, 0.0f);
  }
}

TEST(BoundaryWavemaker, WithoutDampingLayerTheWallReflects) {
  // The same channel with a wall and no layer: a standing pattern, far from a progressive wave.
  const TrainResult r = wave_train(4, 0.0);
  EXPECT_GT(r.reflection, 0.3);
}

}  // namespace
}  // namespace swx
