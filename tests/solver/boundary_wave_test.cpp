// Waves from a boundary wavemaker on each of the four sides, over a flat bed with a damping
// layer at the far end: the wave train has the signal's height and is not reflected.  Wavemakers
// on an inner row or column radiate the signal's waves into the domain; the mirror waves behind
// the line are taken up by a damping layer there.

#include "solver_test_support.hpp"

namespace swx {
namespace {

// Regular waves of height 0.02 m and kh = 1 at depth 1 m, 30 cells per wavelength, 40 steps per
// period, run for 16 periods; the damping layers rise as the square of the distance into them.
const double kOmega = test::model_omega(1.0, 1.0), kPeriod = 2.0 * test::kPi / kOmega;
const int kPerL = 30, kSteps = 16 * 40;
const float kDx = static_cast<float>(2.0 * test::kPi / kPerL);

SolverOptions train_options() {
  SolverOptions o = test::options(static_cast<float>(kPeriod / 40.0), static_cast<float>(kPeriod));
  o.rms_wave_height = 0.02f;
  return o;
}

BoundarySignal signal(int side, int i1, int i2, int j1, int j2, float direction) {
  return regular_signal(static_cast<WavemakerSide>(side), i1, i2, j1, j2, 0.02f, static_cast<float>(kPeriod), 1.0f,
                        static_cast<float>(kPeriod / 40.0), kSteps, direction);
}

struct TrainResult {
  double mean_height = 0.0;           // mean over the measuring stretch
  double reflection = 0.0;            // (Hmax - Hmin)/(Hmax + Hmin) over the stretch
  float outside_face = 0.0f;          // largest |velocity| on the boundary face beside the line
  float wavemaker_face_error = 1.0f;  // |u_old - r0*U| at a wavemaker face after the last step
};

// A channel nl = 6 wavelengths long and nw = 5 cells wide from a boundary wavemaker, the last two
// wavelengths a damping layer.
TrainResult wave_train(int side, double layer_strength) {
  const int nl = 6 * kPerL, nw = 5;
  const bool along_x = side == 2 || side == 4;
  const int nx = along_x ? nl : nw, ny = along_x ? nw : nl;
  // Grid cell of along-index a (1 at the wavemaker) and across-index w.
  auto cell = [&](int a, int w) -> std::pair<int, int> {
    const int aa = (side == 2 || side == 1) ? nl + 1 - a : a;
    return along_x ? std::pair{aa, w} : std::pair{w, aa};
  };
  // Velocity on the wavemaker side's boundary face of the row (or column) across-index w.
  auto face = [&](const Model& m, int w) {
    return along_x ? m.flow.u_old(side == 4 ? 1 : nx + 1, w) : m.flow.v_old(w, side == 3 ? 1 : ny + 1);
  };
  Field depth = test::flat_depth(nx, ny, 1.0f);
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int a = 1; a <= nl; ++a) {
    for (int w = 1; w <= nw; ++w) {
      const auto [i, j] = cell(a, w);
      if (w == nw) depth(i, j) = -1.0f;  // a land row beside the line: its face is a wall
      grids.damping(i, j) = test::layer(layer_strength * kOmega, (a - 4.0 * kPerL) / (2.0 * kPerL));
    }
  }
  // Line over the water cells 1..nw-1 of the wavemaker's side.
  const int edge = (side == 4 || side == 3) ? 1 : along_x ? nx : ny;
  const BoundarySignal sig = along_x ? signal(side, edge, edge, 1, nw - 1, side == 4 ? 1.0f : -1.0f)
                                     : signal(side, 1, nw - 1, edge, edge, side == 3 ? 1.0f : -1.0f);
  test::Sim sim(depth, nx, ny, kDx, kDx, train_options(), {sig}, grids);
  // Heights at every cell of the middle row over the last two periods.
  test::Envelope env(nl);
  TrainResult r;
  for (int s = 1; s <= kSteps; ++s) {
    sim.run(s);
    r.outside_face = std::max(r.outside_face, std::fabs(face(sim.m, nw)));
    if (s > kSteps - 80)
      for (int a = 1; a <= nl; ++a) env.add(a, sim.m.flow.eta_old(cell(a, 2).first, cell(a, 2).second));
  }
  // After step M the old level holds r1*U(n1) with n1 = (M mod M) + 1 = 1 and r1 = 1.
  r.wavemaker_face_error = std::fabs(face(sim.m, 2) - sig.u(1, 2));
  std::tie(r.mean_height, r.reflection) = env.stretch(kPerL, 3 * kPerL);
  return r;
}

TEST(BoundaryWavemaker, EachSideMakesTheSignalsWaveTrainAndAWallReflectsIt) {
  for (int side : {1, 2, 3, 4}) {
    SCOPED_TRACE(side);
    const TrainResult r = wave_train(side, 2.0);
    EXPECT_NEAR(r.mean_height / 0.02, 1.0, 0.05);
    EXPECT_LT(r.reflection, 0.05);
    EXPECT_EQ(r.outside_face, 0.0f);
    EXPECT_EQ(r.wavemaker_face_error, 0.0f);
  }
  // The same channel with a wall and no layer: a standing pattern, far from a progressive wave.
  EXPECT_GT(wave_train(4, 0.0).reflection, 0.3);
}

// A channel of 10 wavelengths with two-wavelength damping layers at both ends and the line three
// wavelengths from the start; returns the mean height between 1.5 and 3 wavelengths downstream of
// the line (in the signal's direction of travel).
double inner_height(bool column, float direction) {
  const int nl = 10 * kPerL, nw = 4, line = 5 * kPerL;
  const int nx = column ? nl : nw, ny = column ? nw : nl;
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int a = 1; a <= nl; ++a) {
    const double s = std::max((2.0 * kPerL - a) / (2.0 * kPerL), (a - 8.0 * kPerL) / (2.0 * kPerL));
    for (int w = 1; w <= nw; ++w) (column ? grids.damping(a, w) : grids.damping(w, a)) = test::layer(2.0 * kOmega, s);
  }
  const BoundarySignal sig = column ? signal(6, line, line, 1, nw, direction) : signal(5, 1, nw, line, line, direction);
  test::Sim sim(test::flat_depth(nx, ny, 1.0f), nx, ny, kDx, kDx, train_options(), {sig}, grids);
  test::Envelope env(nl);
  for (int s = 1; s <= kSteps; ++s) {
    sim.run(s);
    if (s > kSteps - 80)
      for (int a = 1; a <= nl; ++a) env.add(a, column ? sim.m.flow.eta_old(a, 2) : sim.m.flow.eta_old(2, a));
  }
  // The source is centred on face line+1.
  const int d0 = kPerL * 3 / 2, d1 = 3 * kPerL;
  return direction > 0.0f ? env.stretch(line + d0, line + d1).first : env.stretch(line + 1 - d1, line + 1 - d0).first;
}

TEST(InnerWavemaker, ColumnAndRowRadiateTheSignalsHeightInItsDirection) {
  EXPECT_NEAR(inner_height(true, 1.0f) / 0.02, 1.0, 0.05);
  EXPECT_NEAR(inner_height(true, -1.0f) / 0.02, 1.0, 0.05);
  EXPECT_NEAR(inner_height(false, 1.0f) / 0.02, 1.0, 0.05);
}

}  // namespace
}  // namespace swx
