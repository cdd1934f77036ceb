// Permanent-form waves of the model equations and the dense solver beneath them.
#include "wavegen/permanent_form.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "core/constants.hpp"
#include "wavegen/dense_solver.hpp"
#include "wavegen/transfer.hpp"

namespace swx {
namespace {

struct Console {
  std::ostringstream text;
  Reporter r;
  Console() { r.console = &text; }
};

TEST(DenseSolver, SolvesWithPivotingAndReportsSingularMatrices) {
  Console c;
  // The first pivot is 0: only a row exchange solves it.  x = (1, 2, 3) by construction:
  // row 1: 0 + 2*2 + 1*3 = 7; row 2: 1 + 1*2 + 1*3 = 6; row 3: 2*1 + 0 + 3*3 = 11.
  const std::vector<float> a = {0, 2, 1, 1, 1, 1, 2, 0, 3};
  const std::vector<float> b = {7, 6, 11};
  std::vector<float> x(3);
  EXPECT_EQ(solve_dense(3, a, b, x, 1e-7f, kPeriodicWaveTexts, c.r), DenseStatus::kSolved);
  EXPECT_NEAR(x[0], 1.0f, 1e-6f);
  EXPECT_NEAR(x[1], 2.0f, 1e-6f);
  EXPECT_NEAR(x[2], 3.0f, 1e-6f);
  EXPECT_EQ(c.text.str(), "");
  // A row of zeros, then two equal rows (the second pivot vanishes in the elimination).
  EXPECT_EQ(solve_dense(2, std::vector<float>{1, 2, 0, 0}, b, x, 1e-7f, kPeriodicWaveTexts, c.r),
            DenseStatus::kSingular);
  EXPECT_EQ(solve_dense(2, std::vector<float>{1, 2, 1, 2}, b, x, 1e-7f, kSolitaryWaveTexts, c.r),
            DenseStatus::kSingular);
  EXPECT_EQ(c.text.str(), "Singular matrix\nsingular matrix.\n");
}

TEST(PeriodicWave, SmallWaveIsTheLinearWaveOfTheModelEquations) {
  Console c;
  const float h = 10.0f, T = 8.0f, H = 0.01f;
  const PeriodicWave w = periodic_wave(H, T, h, c.r);
  EXPECT_TRUE(w.converged);
  const float omega = kTwoPi / T;
  const float k = model_linear_wavenumber(omega, h);
  // Dispersion of the model: omega^2 = g h k^2 (1 + beta (kh)^2) / (1 - alpha (kh)^2).
  const float kh = k * h;
  EXPECT_NEAR(omega * omega, kGravity * h * k * k * (1 + kBeta * kh * kh) / (1 - kAlpha * kh * kh), 1e-5f);
  EXPECT_NEAR(w.k, k, 1e-4f * k);
  EXPECT_NEAR(w.A[1], H / 2, 1e-3 * H);
  // Velocity amplitude from continuity: omega / (k h (1 + beta (kh)^2)) times H / 2.
  EXPECT_NEAR(w.B[1], omega / (kh * (1 + kBeta * kh * kh)) * H / 2, 2e-3 * w.B[1]);
  EXPECT_EQ(c.text.str(), "");
}

TEST(PeriodicWave, SteepWaveKeepsHeightZeroMeanLevelAndZeroMeanFlux) {
  Console c;
  const float h = 5.0f, T = 8.0f, H = 1.0f;  // H/h = 0.2, a long wave with sharp crests
  const PeriodicWave w = periodic_wave(H, T, h, c.r);
  ASSERT_TRUE(w.converged);
  EXPECT_NEAR(w.eta(0.0) - w.eta(3.14159265358979), H, 1e-4);
  // Crest higher above still water than the trough below it.
  EXPECT_GT(w.eta(0.0), 0.55 * H);
  double mean_eta = 0.0, mean_q = 0.0;
  const int n = 512;
  for (int m = 0; m < n; ++m) {
    const double th = 2.0 * 3.14159265358979 * m / n;
    mean_eta += w.eta(th) / n;
    mean_q += flux_from_velocity(static_cast<float>(w.eta(th)), static_cast<float>(w.u(th)),
                                 static_cast<float>(w.u_xx(th)), h) /
              n;
  }
  EXPECT_NEAR(mean_eta, 0.0, 1e-6);
  EXPECT_NEAR(mean_q, 0.0, 1e-4);
  // A nonlinear wave is longer than the linear one of the same period.
  EXPECT_LT(w.k, model_linear_wavenumber(kTwoPi / T, h));
  // A long wave of 0.4 h (Ursell number near 140) is cnoidal: most of its height above still
  // water and faster than the linear wave; it must not jump to a shorter wave of other shape.
  const PeriodicWave cn = periodic_wave(0.4f, 6.0f, 1.0f, c.r);
  ASSERT_TRUE(cn.converged);
  EXPECT_GT(cn.eta(0.0), 0.75 * 0.4);
  EXPECT_GT(cn.c, kTwoPi / 6.0f / model_linear_wavenumber(kTwoPi / 6.0f, 1.0f));
  BoundarySignal s;
  periodic_wave_signal(w, -1.0f, 0.1f, 81, s);
  EXPECT_EQ(s.npoints, 1);
  EXPECT_EQ(s.nsteps, 81);
  // Travelling along -x: U = -u; one period later the signal repeats.
  EXPECT_NEAR(s.U[0], -static_cast<float>(w.u(-3.14159265358979 / 2)), 1e-6f);
  EXPECT_NEAR(s.U[80], s.U[0], 1e-4f);
}

TEST(SolitaryWave, ModelSolitaryWaveTravelsAtTheLongWaveSpeedOfItsCrest) {
  Console c;
  const float h = 1.0f, H = 0.1f;
  const SolitaryWave s = solitary_wave(H, h, c.r);
  ASSERT_TRUE(s.converged);
  EXPECT_FLOAT_EQ(s.eta[0], H);
  // c^2 = g (h + H) within 2 %.
  EXPECT_NEAR(s.c, std::sqrt(kGravity * (h + H)), 0.02f * s.c);
  // Monotone decay to still water; the half width at H/2 close to the long-wave sech^2 one,
  // acosh(sqrt 2) / kappa with kappa = sqrt(3 H / (4 h^3)).
  for (std::size_t m = 1; m < s.eta.size(); ++m) EXPECT_LE(s.eta[m], s.eta[m - 1] + 1e-7f);
  EXPECT_LT(s.eta.back(), 1e-4f * H);
  const float kappa = std::sqrt(3 * H / (4 * h * h * h));
  EXPECT_NEAR(s.half_width(0.5f), std::acosh(std::sqrt(2.0f)) / kappa, 0.1f * s.half_width(0.5f));
  EXPECT_EQ(c.text.str(), "");
}

TEST(SolitaryWave, SignalDelaysEachPointByItsTravelTime) {
  Console c;
  LineGeometry g;
  g.spacing = 1.0f;
  g.depth.assign(5, 1.0f);
  g.y_ref = 2.0f;  // midpoint
  BoundarySignal one, per_point;
  float period = 0.0f;
  solitary_wave_signal(0.1f, 0.0f, g, false, 0.05f, 400, one, period, c.r);
  ASSERT_EQ(one.npoints, 1);
  EXPECT_GT(period, 0.0f);
  solitary_wave_signal(0.1f, 30.0f, g, true, 0.05f, 400, per_point, period, c.r);
  ASSERT_EQ(per_point.npoints, 5);
  // Crest step of each point: later by (y_p - y_ref) sin 30 / c along the line.
  auto crest = [](const BoundarySignal& s, int p) {
    int best = 1;
    for (int n = 1; n <= s.nsteps; ++n)
      if (s.u(n, p) > s.u(best, p)) best = n;
    return best;
  };
  const float c_speed = solitary_wave(0.1f, 1.0f, c.r).c;
  const float expected = 4.0f * 0.5f / c_speed / 0.05f;  // points 1 and 5 are 4 m apart
  EXPECT_NEAR(static_cast<float>(crest(per_point, 5) - crest(per_point, 1)), expected, 1.5f);
  // Normal component: cos 30 of the solitary velocity.
  EXPECT_NEAR(per_point.u(crest(per_point, 3), 3), 0.8660254f * one.u(crest(one, 1), 1),
              0.02f * one.u(crest(one, 1), 1));
}

}  // namespace
}  // namespace swx
