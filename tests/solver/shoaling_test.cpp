// Linear shoaling over a gentle slope: a small regular wave climbing a 1:20 slope onto a shelf
// keeps its energy flux, so its height follows the model's own group velocity,
// H/H0 = sqrt(cg0/cg).  The slope terms of the momentum rows and of the fluxes (the depth
// gradients at the faces and the coefficients K1..K4 of the local depth) decide this ratio: a
// wrong sign or factor in any of them shows as a shelf height off by several percent.

#include "solver_test_support.hpp"

namespace swx {
namespace {

// Group velocity of the model's dispersion relation (centred difference of omega(k)).
double model_group_velocity(double omega, double h) {
  const double k = model_wavenumber(omega, h), dk = 1e-4 * k;
  return (test::model_omega(k + dk, h) - test::model_omega(k - dk, h)) / (2.0 * dk);
}

// The flume of the submerged-bar experiments without the bar's lee side: 0.4 m deep for 4 m,
// a 1:20 slope up to 0.1 m over 6 m, then a 10 m shelf whose last 5 m damp the waves.  Regular
// waves of period 2.02 s (kh = 0.67 offshore, 0.32 on the shelf), height 0.2 mm, from a
// wavemaker on the west side; 0.04 m cells, 0.01 s steps.  Returns the local height (crest minus
// trough) of every cell over the last two periods.
test::Envelope climb_slope(int option) {
  const float dx = 0.04f, dt = 0.01f;
  const double period = 2.02;
  const int nx = 500, ny = 1;
  Field depth(nx + 1, ny + 1, 0.4f);
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int i = 1; i <= nx; ++i) {
    const double x = (i - 1) * static_cast<double>(dx);
    depth(i, 1) = static_cast<float>(std::clamp(0.4 - (x - 4.0) / 20.0, 0.1, 0.4));
    grids.damping(i, 1) = test::layer(1.5, (x - 15.0) / 5.0);
  }
  SolverOptions o = test::options(dt, static_cast<float>(period));
  o.rms_wave_height = 2e-4f;
  o.nonlinear_option = option;
  const int steps = static_cast<int>(std::lround(18 * period / dt));
  BoundarySignal sig =
      regular_signal(WavemakerSide::kWest, 1, 1, 1, 1, 2e-4f, static_cast<float>(period), 0.4f, dt, steps, 1.0f);
  test::Sim sim(depth, nx, ny, dx, dx, o, {sig}, grids);
  test::Envelope env(nx);
  const int window = static_cast<int>(std::lround(2 * period / dt));
  for (int s = 1; s <= steps; ++s) {
    sim.run(s);
    if (s > steps - window)
      for (int i = 1; i <= nx; ++i) env.add(i, sim.m.flow.eta_old(i, 1));
  }
  return env;
}

TEST(Shoaling, LinearWaveOnAGentleSlopeKeepsItsEnergyFlux) {
  const double omega = 2.0 * test::kPi / 2.02;
  const double expected = std::sqrt(model_group_velocity(omega, 0.4) / model_group_velocity(omega, 0.1));
  ASSERT_NEAR(expected, 1.311, 0.002);  // the model's own shoaling coefficient, 0.4 m to 0.1 m
  for (int option : {1, 2}) {
    SCOPED_TRACE(option);
    const test::Envelope env = climb_slope(option);
    // The flat offshore part, cells 7..99 (x = 0.24..3.92 m), holds the incident wave and the
    // little the slope reflects: the mean over one wavelength (3.75 m) averages the partial
    // standing pattern out.  The shelf stretch, cells 277..363 (x = 11.04..14.48 m), ends before
    // the shelf's damping layer.
    const double incident = env.stretch(7, 99).first;
    const auto [shelf, shelf_spread] = env.stretch(277, 363);
    EXPECT_NEAR(incident / 2e-4, 1.0, 0.03);  // the wavemaker's height reaches the slope
    EXPECT_NEAR(shelf / incident / expected, 1.0, 0.01);
    EXPECT_LT(shelf_spread, 0.02);  // a progressive wave on the shelf, nothing comes back
  }
}

}  // namespace
}  // namespace swx
