// The robust swash zone: where a bore runs over land or shallow water the momentum equations go
// over to their shallow-water form with momentum-conserving advection.

#include "solver/model.hpp"
#include "solver/passes.hpp"
#include "solver_test_support.hpp"

namespace swx {
namespace {

// The weight of the dispersive form falls from 1 to 0 between levels of 0.8 and 1.0 of the
// still depth and between total depths of 0.5 and 0.3 of it; wet land and dry cells take 0.
TEST(SwashZone, WeightOfTheDispersiveFormByLevelAndDepth) {
  const int nx = 10, ny = 1;
  test::Sim sim(test::flat_depth(nx, ny, 1.0f), nx, ny, 1.0f, 1.0f, test::options(0.05f, 4.0f, true));
  Model& m = sim.m;
  m.bed.depth(10, 1) = -0.5f;  // land
  const float levels[] = {0.0f, 0.8f, 0.9f, 1.0f, 1.5f, -0.5f, -0.6f, -0.7f, -1.0f, 0.6f};
  const float expected[] = {1.0f, 1.0f, 0.5f, 0.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.0f, 0.0f};
  for (int i = 1; i <= nx; ++i) m.flow.eta_old(i, 1) = levels[i - 1];
  mark_swash_zone(m);
  for (int i = 1; i <= nx; ++i) EXPECT_NEAR(m.work.swash_weight(i, 1), expected[i - 1], 1e-5f) << "cell " << i;
}

// Depth behind the bore of a dam break from depth hl into depth hr (both at rest), by the
// shallow-water equations: the rarefaction's velocity 2(sqrt(g hl) - sqrt(g hm)) equals the
// velocity that the bore's jump conditions give behind it.
double stoker_depth(double hl, double hr) {
  const double g = 9.81;
  auto mismatch = [&](double hm) {
    return 2.0 * (std::sqrt(g * hl) - std::sqrt(g * hm)) - (hm - hr) * std::sqrt(g * (hm + hr) / (2.0 * hm * hr));
  };
  double lo = hr, hi = hl;
  for (int k = 0; k < 200; ++k) {
    const double mid = 0.5 * (lo + hi);
    (mismatch(mid) > 0.0 ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// A dam break on a flat bed 1 cm above still water (land: the whole flow lies in the swash
// zone), 10 cm of water against 2 cm, 4 m long, 1 cm cells.  After 1 s the bore stands where the
// shallow-water solution puts it, within 5 % of the distance it ran (the breaking model's eddy
// viscosity smears its front over a few cells), with the depth behind it within 3 %.
TEST(SwashZone, DamBreakOnLandRunsAtTheBoreSpeedOfItsJumpConditions) {
  const int nx = 400, ny = 1;
  const float dx = 0.01f, dt = 0.002f, bed = 0.01f;
  const double hl = 0.10, hr = 0.02;
  test::Sim sim(test::flat_depth(nx, ny, -bed), nx, ny, dx, dx, test::options(dt, 2.0f, true, 1e-4f));
  Model& m = sim.m;
  const int i_dam = nx / 2;
  for (int i = 1; i <= nx; ++i) m.flow.eta_old(i, 1) = bed + static_cast<float>(i <= i_dam ? hl : hr);
  const int steps = 500;
  for (int s = 1; s <= steps; ++s) sim.run(s);

  const double hm = stoker_depth(hl, hr);
  const double um = 2.0 * (std::sqrt(9.81 * hl) - std::sqrt(9.81 * hm));
  const double speed = hm * um / (hm - hr);
  const double t = steps * static_cast<double>(dt);
  // The bore front: the last cell (from the dam on) deeper than halfway between hm and hr.
  int front = i_dam;
  for (int i = i_dam; i <= nx; ++i)
    if (m.flow.eta_old(i, 1) + m.bed.depth(i, 1) > 0.5 * (hm + hr)) front = i;
  const double travelled = (front - i_dam + 0.5) * dx;
  EXPECT_NEAR(travelled / (speed * t), 1.0, 0.05) << "bore at " << travelled << " m, expected " << speed * t;
  // Depth on the plateau, halfway between the rarefaction's tail and the bore.
  const double tail = (um - std::sqrt(9.81 * hm)) * t;
  const int i_mid = i_dam + static_cast<int>(0.5 * (tail + speed * t) / dx);
  EXPECT_NEAR((m.flow.eta_old(i_mid, 1) + m.bed.depth(i_mid, 1)) / hm, 1.0, 0.03);
}

}  // namespace
}  // namespace swx
