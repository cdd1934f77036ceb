// Standing waves in closed basins of constant depth: the period follows the model's own
// dispersion relation and the amplitude is kept, along x as along y.

#include "solver_test_support.hpp"

namespace swx {
namespace {

struct Oscillation {
  double period = 0.0;           // mean spacing of up-crossings over the model's period
  double loss_per_period = 0.0;  // relative loss of the peak amplitude per period
};

// First mode of a closed basin of n cells (half a wavelength) at depth h = 1 m, kh given,
// 48 cells per wavelength; the level is sampled at the first cell for `periods` periods.
Oscillation oscillate(double kh, bool along_y, int periods = 4, int option = 1, double a = 1e-3) {
  const double k = kh;
  const int n = 24;
  const float dx = static_cast<float>(test::kPi / k / n);
  const double period = 2.0 * test::kPi / test::model_omega(k, 1.0);
  SolverOptions o = test::options(static_cast<float>(period / 400.0), static_cast<float>(period));
  o.nonlinear_option = option;
  const int nx = along_y ? 1 : n, ny = along_y ? n : 1;
  test::Sim sim(test::flat_depth(nx, ny, 1.0f), nx, ny, along_y ? 1.0f : dx, along_y ? dx : 1.0f, o);
  for (int c = 1; c <= n; ++c)
    (along_y ? sim.m.flow.eta_old(1, c) : sim.m.flow.eta_old(c, 1)) =
        static_cast<float>(a * std::cos(k * (c - 0.5) * dx));
  std::vector<double> series;
  const int steps = 400 * periods;
  for (int s = 1; s <= steps; ++s) {
    sim.run(s);
    series.push_back(sim.m.flow.eta_old(1, 1));
  }
  const auto t = test::up_crossings(series, o.time_step);
  const double first = test::peak(series, 0, 400), last = test::peak(series, steps - 400, steps);
  return {(t.back() - t.front()) / static_cast<double>(t.size() - 1) / period, (1.0 - last / first) / (periods - 1)};
}

TEST(StandingWave, PeriodFollowsModelDispersionAndAmplitudeIsKeptAlongXAsAlongY) {
  for (double kh : {0.5, 1.0, 2.0, 3.0}) {
    SCOPED_TRACE(kh);
    const Oscillation x = oscillate(kh, false), y = oscillate(kh, true);
    EXPECT_NEAR(x.period, 1.0, 0.01);
    EXPECT_LT(x.loss_per_period, 0.01);
    EXPECT_GT(x.loss_per_period, -0.01);
    EXPECT_DOUBLE_EQ(x.period, y.period);
    EXPECT_DOUBLE_EQ(x.loss_per_period, y.loss_per_period);
  }
}

// The "strong" option reduces to the weak equations for small waves: same period within 1%.
// For a steep wave (a/h = 0.1, kh = 1) the two options part measurably (the strong terms are in
// play) while both stay within 2% of the linear period.
TEST(StandingWave, StrongOptionMatchesWeakForSmallWavesAndPartsForSteepOnes) {
  const Oscillation weak = oscillate(1.0, false, 3, 1), strong = oscillate(1.0, false, 3, 2);
  EXPECT_NEAR(strong.period, 1.0, 0.01);
  EXPECT_NEAR(strong.period, weak.period, 1e-3);
  EXPECT_LT(std::fabs(strong.loss_per_period), 0.01);
  const Oscillation weak_steep = oscillate(1.0, false, 3, 1, 0.1), strong_steep = oscillate(1.0, false, 3, 2, 0.1);
  EXPECT_GT(std::fabs(strong_steep.period - weak_steep.period), 2e-4);
  EXPECT_NEAR(strong_steep.period, 1.0, 0.02);
  EXPECT_NEAR(weak_steep.period, 1.0, 0.02);
}

}  // namespace
}  // namespace swx
