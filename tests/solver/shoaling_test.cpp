// Linear shoaling over a gentle slope: a small regular wave climbing a 1:20 slope onto a shelf
// keeps its energy flux, so its height follows the model's own group velocity,
// H/H0 = sqrt(cg0/cg).  The slope terms of the momentum rows and of the fluxes (the depth
// gradients at the faces and the coefficients K1..K4 of the local depth) decide this ratio: a
// wrong sign or factor in any of them shows as a shelf height off by several percent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/solver_api.hpp"
#include "solver_test_support.hpp"

namespace swx {
namespace {

constexpr double kPiD = 3.14159265358979323846;

// Group velocity of the model's dispersion relation (centred difference of omega(k)).
double model_group_velocity(double omega, double h) {
  const double k = model_wavenumber(omega, h), dk = 1e-4 * k;
  auto w = [h](double kk) {
    const double kh = kk * h;
    return std::sqrt(9.81 * kk * kk * h * (1.0 + 0.058666646 * kh * kh) / (1.0 + 0.392 * kh * kh));
  };
  return (w(k + dk) - w(k - dk)) / (2.0 * dk);
}

struct Shoaling {
  double incident = 0.0;  // mean height over the flat part in front of the slope (m)
  double shelf = 0.0;     // mean height on the shelf, before its damping layer (m)
  double shelf_spread = 0.0;  // (Hmax - Hmin)/(Hmax + Hmin) on the shelf: reflection there
};

// The flume of the submerged-bar experiments without the bar's lee side: 0.4 m deep for 4 m,
// a 1:20 slope up to 0.1 m over 6 m, then a 10 m shelf whose last 5 m damp the waves.  Regular
// waves of period 2.02 s (kh = 0.67 offshore, 0.32 on the shelf), height 0.2 mm, from a
// wavemaker on the west side; 0.04 m cells, 0.01 s steps.
Shoaling climb_slope(int option) {
  const float dx = 0.04f, dt = 0.01f;
  const double period = 2.02;
  const int nx = 500, ny = 1;
  Field depth(nx + 1, ny + 1, 0.4f);
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int i = 1; i <= nx; ++i) {
    const double x = (i - 1) * static_cast<double>(dx);
    depth(i, 1) = static_cast<float>(std::clamp(0.4 - (x - 4.0) / 20.0, 0.1, 0.4));
    if (x > 15.0) grids.damping(i, 1) = static_cast<float>(1.5 * std::pow((x - 15.0) / 5.0, 2));
  }
  SolverOptions o;
  o.time_step = dt;
  o.mean_period = static_cast<float>(period);
  o.rms_wave_height = 2e-4f;
  o.nonlinear_option = option;
  const int steps = static_cast<int>(std::lround(18 * period / dt));
  BoundarySignal sig = regular_signal(4, 1, 1, 1, 1, 2e-4f, static_cast<float>(period), 0.4f, dt, steps, 1.0f);
  test::Quiet q;
  Model m;
  build_model(m, depth, nx, ny, dx, dx, o, {sig}, grids, q.reporter);

  // Local height (crest minus trough) of every cell over the last two periods.
  std::vector<double> hi(nx + 1, -1e9), lo(nx + 1, 1e9);
  const int window = static_cast<int>(std::lround(2 * period / dt));
  for (int s = 1; s <= steps; ++s) {
    run_steps(m, s, 1, q.reporter);
    if (s > steps - window) {
      for (int i = 1; i <= nx; ++i) {
        hi[i] = std::max(hi[i], static_cast<double>(m.eta_old(i, 1)));
        lo[i] = std::min(lo[i], static_cast<double>(m.eta_old(i, 1)));
      }
    }
  }
  auto stretch = [&](double x0, double x1, double& mean, double& spread) {
    double sum = 0.0, hmax = 0.0, hmin = 1e9;
    int n = 0;
    for (int i = 1; i <= nx; ++i) {
      const double x = (i - 1) * static_cast<double>(dx);
      if (x < x0 || x > x1) continue;
      const double hh = hi[i] - lo[i];
      sum += hh;
      hmax = std::max(hmax, hh);
      hmin = std::min(hmin, hh);
      ++n;
    }
    mean = sum / n;
    spread = (hmax - hmin) / (hmax + hmin);
  };
  Shoaling r;
  double front_spread = 0.0;
  // The flat offshore part holds the incident wave and the little the slope reflects: the
  // mean over one wavelength (3.75 m) averages the partial standing pattern out.
  stretch(0.2, 3.95, r.incident, front_spread);
  stretch(11.0, 14.5, r.shelf, r.shelf_spread);
  return r;
}

TEST(Shoaling, LinearWaveOnAGentleSlopeKeepsItsEnergyFlux) {
  const double omega = 2.0 * kPiD / 2.02;
  const double expected = std::sqrt(model_group_velocity(omega, 0.4) / model_group_velocity(omega, 0.1));
  ASSERT_NEAR(expected, 1.311, 0.002);  // the model's own shoaling coefficient, 0.4 m to 0.1 m
  for (int option : {1, 2}) {
    SCOPED_TRACE(option);
    const Shoaling r = climb_slope(option);
    EXPECT_NEAR(r.incident / 2e-4, 1.0, 0.03);  // the wavemaker's height reaches the slope
    EXPECT_NEAR(r.shelf / r.incident / expected, 1.0, 0.01);
    EXPECT_LT(r.shelf_spread, 0.02);  // a progressive wave on the shelf, nothing comes back
  }
}

}  // namespace
}  // namespace swx
