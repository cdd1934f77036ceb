// Still water over uneven bathymetry with slopes, an island and a land edge stays exactly at
// rest, and a closed basin keeps its volume.

#include "solver_test_support.hpp"

namespace swx {
namespace {

// 30 x 20 cells of 2 m: a bed rising from 6 m in the west to land in the east (slope 0.1),
// an undulation along y, and an island of 4 x 3 cells in the middle.
// With slope 0.1 instead the bed stays at least 2.5 m deep up to a land column at the east edge.
Field uneven_depth(int nx, int ny, float slope = 0.2f) {
  Field d(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      d(i, j) = 6.0f - slope * static_cast<float>(i) + 0.5f * std::sin(0.4f * static_cast<float>(j));
      if (i == nx) d(i, j) = -0.5f;
      if (i >= 12 && i <= 15 && j >= 9 && j <= 11) d(i, j) = -1.0f;
    }
  }
  return d;
}

TEST(StillWater, StaysExactlyAtRestOnUnevenBedWithLandForBothOptions) {
  const int nx = 30, ny = 20;
  for (int option : {1, 2}) {
    for (int runup : {0, 1}) {
      SCOPED_TRACE(option * 10 + runup);
      SolverOptions o = test::options(0.1f, 8.0f, runup);
      o.nonlinear_option = option;
      o.chezy_coeff = 40.0f;
      test::Sim sim(uneven_depth(nx, ny), nx, ny, 2.0f, 2.0f, o);
      const Field eta0 = sim.m.flow.eta_old;
      sim.run(1, 1000);
      EXPECT_EQ(sim.m.flow.eta_old.v, eta0.v);
      EXPECT_EQ(sim.m.flow.u_old.v, std::vector<float>(sim.m.flow.u_old.size(), 0.0f));
      EXPECT_EQ(sim.m.flow.v_old.v, std::vector<float>(sim.m.flow.v_old.size(), 0.0f));
    }
  }
}

// A Gaussian hump of 0.1 m in a closed basin over an uneven bed with an island and a land
// edge, deep enough that no cell falls dry: the volume of water is conserved to rounding (the
// level update is in flux form and the walls and land faces carry no flux).
TEST(Conservation, ClosedBasinKeepsItsVolumeForBothOptions) {
  const int nx = 30, ny = 20;
  for (int option : {1, 2}) {
    SCOPED_TRACE(option);
    SolverOptions o = test::options(0.1f, 8.0f);
    o.nonlinear_option = option;
    test::Sim sim(uneven_depth(nx, ny, 0.1f), nx, ny, 2.0f, 2.0f, o);
    Model& m = sim.m;
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i)
        if (m.bed.depth(i, j) > 0.0f)
          m.flow.eta_old(i, j) = 0.1f * std::exp(-0.05f * static_cast<float>((i - 8) * (i - 8) + (j - 10) * (j - 10)));
    const double v0 = water_volume(m);
    double hump = 0.0;
    for (float e : m.flow.eta_old.v) hump += e;
    sim.run(1, 2000);
    const double v1 = water_volume(m);
    EXPECT_LT(std::fabs(v1 - v0) / v0, 1e-5);
    // Sharper: relative to the hump's own volume.
    EXPECT_LT(std::fabs(v1 - v0) / (hump * 4.0), 1e-3);
    // The hump has spread: the water moved.
    EXPECT_LT(m.flow.eta_old(8, 10), 0.05f);
  }
}

}  // namespace
}  // namespace swx
