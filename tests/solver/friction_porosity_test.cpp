// Bottom friction, porous structures and the ambient current in the equations.

#include "solver_test_support.hpp"

namespace swx {
namespace {

// Energy sum(g eta^2/2 + h u^2/2) of the first mode of a closed basin (depth 0.5 m, k = 1/m,
// kh = 0.5, 24 cells, amplitude 0.05 m) after 20 periods, relative to its initial value.
// Estimate for Chezy 15: friction factor 9.81/225 = 0.0436, velocity amplitude
// a c / h = 0.05 * 2.21 / 0.5 = 0.22 m/s, energy decay rate about 2 (8/(3 pi)) f u / h, averaged
// over the standing pattern roughly 0.02/s, so over 20 periods (58 s) the energy falls to about
// a third; for Chezy 60 the factor is 16 times smaller.
double energy_left(float chezy) {
  const double k = 1.0, h = 0.5, period = 2.0 * test::kPi / test::model_omega(k, h);
  const int n = 24;
  const float dx = static_cast<float>(test::kPi / k / n);
  SolverOptions o = test::options(static_cast<float>(period / 100.0), static_cast<float>(period));
  o.chezy_coeff = chezy;
  test::Sim sim(test::flat_depth(n, 1, 0.5f), n, 1, dx, 1.0f, o);
  Model& m = sim.m;
  for (int i = 1; i <= n; ++i) m.flow.eta_old(i, 1) = static_cast<float>(0.05 * std::cos(k * (i - 0.5) * dx));
  auto energy = [&] {
    double e = 0.0;
    for (int i = 1; i <= n; ++i) e += 9.81 * m.flow.eta_old(i, 1) * m.flow.eta_old(i, 1) / 2.0;
    for (int i = 2; i <= n; ++i) e += h * m.flow.u_old(i, 1) * m.flow.u_old(i, 1) / 2.0;
    return e;
  };
  const double e0 = energy();
  sim.run(1, 2000);
  return energy() / e0;
}

TEST(Friction, DecaysAStandingWave) {
  const double none = energy_left(0.0f), smooth = energy_left(60.0f), rough = energy_left(15.0f);
  EXPECT_NEAR(none, 1.0, 0.03);
  EXPECT_LT(smooth, none);
  EXPECT_GT(smooth, 0.8);
  EXPECT_LT(rough, 0.6);
  EXPECT_GT(rough, 0.1);
}

// Height transmitted past a porous band of one wavelength (n = 0.4, stones of 0.05 m) in a
// channel with a west wavemaker and an absorbing layer, over the height without the band.
double transmitted_height(bool porous) {
  const double k = 1.0, omega = test::model_omega(k, 1.0), period = 2.0 * test::kPi / omega;
  const int per_l = 20, nx = 8 * per_l, ny = 3;
  const float dx = static_cast<float>(2.0 * test::kPi / k / per_l);
  SolverOptions o = test::options(static_cast<float>(period / 40.0), static_cast<float>(period));
  o.rms_wave_height = 0.05f;
  o.char_stone_size = 0.05f;
  o.lam_friction_coeff = 1000.0f;
  o.turb_friction_coeff = 1.1f;
  o.added_mass_coeff = 0.34f;
  OptionalGrids g;
  g.damping = Field(nx + 1, ny + 1, 0.0f);
  if (porous) g.porosity = Field(nx + 1, ny + 1, 1.0f);
  for (int i = 1; i <= nx; ++i) {
    for (int j = 1; j <= ny; ++j) {
      g.damping(i, j) = test::layer(2.0 * omega, (i - 6.0 * per_l) / (2.0 * per_l));
      if (porous && i > 2 * per_l && i <= 3 * per_l) g.porosity(i, j) = 0.4f;
    }
  }
  const int steps = 20 * 40;
  const BoundarySignal sig = regular_signal(WavemakerSide::kWest, 1, 1, 1, ny, 0.05f, static_cast<float>(period), 1.0f,
                                            o.time_step, steps, 1.0f);
  test::Sim sim(test::flat_depth(nx, ny, 1.0f), nx, ny, dx, dx, o, {sig}, g);
  test::Envelope env(1);
  for (int s = 1; s <= steps; ++s) {
    sim.run(s);
    if (s > steps - 80) env.add(1, sim.m.flow.eta_old(4 * per_l, 2));
  }
  return env.height(1);
}

TEST(Porosity, PorousBandReducesTransmission) {
  const double open = transmitted_height(false), blocked = transmitted_height(true);
  EXPECT_NEAR(open / 0.05, 1.0, 0.05);
  EXPECT_LT(blocked, 0.8 * open);
  EXPECT_GT(blocked, 0.0);
}

// A uniform current of 0.5 m/s along x over still water 2 m deep in a closed basin: the
// interior faces carry the flux d*Uc = 1 m^2/s and the walls none, so in the first step the
// first cell loses dt*d*Uc/dx = 0.1*2*0.5/1 = 0.1 m and the last gains as much, while the
// cells between, whose inflow equals their outflow, barely move.
TEST(Current, IsCarriedInTheFluxes) {
  const int nx = 10, ny = 3;
  OptionalGrids g;
  g.current_x = Field(nx + 1, ny + 1, 0.5f);
  g.current_y = Field(nx + 1, ny + 1, 0.0f);
  test::Sim sim(test::flat_depth(nx, ny, 2.0f), nx, ny, 1.0f, 1.0f, test::options(0.1f, 5.0f), {}, g);
  sim.run(1);
  EXPECT_NEAR(sim.m.flow.eta_old(1, 2), -0.1f, 0.01f);
  EXPECT_NEAR(sim.m.flow.eta_old(nx, 2), 0.1f, 0.01f);
  EXPECT_NEAR(sim.m.flow.eta_old(5, 2), 0.0f, 1e-3f);
}

}  // namespace
}  // namespace swx
