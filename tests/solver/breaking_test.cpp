// Breaking criteria, the breaking field and the eddy viscosity.
#include "solver/breaking.hpp"

#include "solver_test_support.hpp"

namespace swx {
namespace {

Model breaking_basin(int nx, int ny, float h) {
  SolverOptions o = test::options(0.1f, 8.0f);
  o.breaking_on = 1;
  o.smagorinsky_const = 0.2f;
  return test::Sim(test::flat_depth(nx, ny, h), nx, ny, 1.0f, 1.0f, o).m;
}

// (eta + h)/h = (1.2 + 2)/2 = 1.6 exactly in floats does not break; 1.61 does.  A surface speed
// above 0.8 times the celerity breaks.
TEST(Breaking, CriteriaAtTheirLimits) {
  Model m = breaking_basin(3, 3, 2.0f);
  auto breaks = [&] {
    return breaking_at_point(m.flow.celerity, m.flow.eta_new, m.flow.u_surf, m.flow.v_surf, m.bed.depth, 2, 2);
  };
  m.flow.eta_new(2, 2) = 1.2f;
  EXPECT_EQ(breaks(), 0);
  m.flow.eta_new(2, 2) = 1.22f;
  EXPECT_EQ(breaks(), 1);
  m.flow.eta_new(2, 2) = 0.0f;
  const float c = m.flow.celerity(2, 2);
  m.flow.u_surf(2, 2) = m.flow.u_surf(3, 2) = 0.79f * c;
  EXPECT_EQ(breaks(), 0);
  m.flow.u_surf(2, 2) = m.flow.u_surf(3, 2) = 0.81f * c;
  EXPECT_EQ(breaks(), 1);
  breaking_marker(m);
  EXPECT_EQ(m.flow.break_mask(2, 2), 1.0f);
  EXPECT_EQ(m.flow.break_mask(1, 1), 0.0f);
}

// In still water B only fades: each step multiplies it by (1 - dt*break_decay/2), with
// break_decay = pi/(5*8) = 0.0785398/s, i.e. by 0.99607; it never leaves [0, 1].
TEST(Breaking, FieldDecaysInStillWaterAndStaysInRange) {
  Model m = breaking_basin(5, 4, 2.0f);
  m.flow.break_prev.fill(0.5f);
  const float factor = 1.0f - m.config.dt * m.config.break_decay / 2.0f;
  test::Quiet q;
  float expect = 0.5f;
  for (int s = 1; s <= 20; ++s) {
    run_steps(m, s, 1, q.reporter);
    expect = expect - m.config.dt * m.config.break_decay / 2.0f * expect;
    EXPECT_FLOAT_EQ(m.flow.break_prev(3, 2), expect);
  }
  EXPECT_NEAR(m.flow.break_prev(1, 1), 0.5 * std::pow(factor, 20), 1e-6);
  // A converging surface current cannot push B above 1.
  m.flow.break_prev.fill(1.0f);
  for (int i = 1; i <= m.config.nx + 1; ++i)
    for (int j = 1; j <= m.config.ny; ++j) m.flow.u_surf(i, j) = i <= 3 ? 2.0f : -2.0f;
  m.flow.eta_mid.fill(0.0f);
  transport_breaking_field(m);
  for (float b : m.flow.break_mask.v) EXPECT_TRUE(b >= 0.0f && b <= 1.0f) << b;
}

// Eddy viscosity from the divergence D of the new velocities, cell (2,2) of a 2 m basin:
// u_new(3,2) = 0.1 gives D = 0.1/s; B = 1: nu = B (2d)^2 D = 16 * 0.1 = 1.6 and the
// Smagorinsky contribution 0.2^2 * 1 * 0.1 = 0.004: nu = sqrt(1.6^2 + 0.004^2) = 1.600005, below the cap
// c^2 T / 2 pi.  With B = 0 only the Smagorinsky part remains.
TEST(Breaking, EddyViscosityFromBreakingAndSmagorinsky) {
  Model m = breaking_basin(4, 4, 2.0f);
  m.flow.u_new(3, 2) = 0.1f;
  m.flow.break_mask(2, 2) = 1.0f;
  update_eddy_viscosity(m);
  EXPECT_NEAR(m.flow.eddy_visc(2, 2), std::sqrt(1.6f * 1.6f + 0.004f * 0.004f), 1e-5f);
  EXPECT_NEAR(m.flow.smag_visc(2, 2), 0.004f, 1e-7f);
  m.flow.break_mask(2, 2) = 0.0f;
  update_eddy_viscosity(m);
  EXPECT_NEAR(m.flow.eddy_visc(2, 2), 0.004f, 1e-7f);
  // A divergence above the mean frequency (2 pi / 8 = 0.785/s) sets D dx dy in the cell and its
  // four neighbours.  u_new(3,3) = -1 gives D = 1 at (2,3) and (3,3).  Rows are visited in
  // ascending order, i fastest: neighbours visited earlier keep the value, those visited later
  // overwrite it with their own Cs^2 dx dy D = 0.
  m.flow.u_new.fill(0.0f);
  m.flow.u_new(3, 3) = -1.0f;
  update_eddy_viscosity(m);
  // (1,3) was visited before (2,3), row 2 came first; (4,3) was visited after (3,3), row 4 last.
  const struct {
    int i, j;
    float nu;
  } expected[] = {{2, 3, 1.0f}, {3, 3, 1.0f}, {1, 3, 1.0f}, {2, 2, 1.0f}, {3, 2, 1.0f}, {4, 3, 0.0f}, {3, 4, 0.0f}};
  for (const auto& e : expected) EXPECT_EQ(m.flow.smag_visc(e.i, e.j), e.nu) << e.i << "," << e.j;
}

// A viscosity far above what an explicit diffusion survives (nu dt/dx^2 = 2 here; taken
// explicitly, the wiggle grows fifteen-fold in one step) must still damp a grid-scale wiggle in
// the velocity along both kinds of line: one step may not raise the largest velocity, and the
// wiggle must shrink, not flip sign and grow.
TEST(Breaking, LargeEddyViscosityDampsGridScaleVelocities) {
  for (const bool along_y : {false, true}) {
    Model m = breaking_basin(along_y ? 3 : 24, along_y ? 24 : 3, 1.0f);
    Field& w = along_y ? m.flow.v_old : m.flow.u_old;
    for (int k = 8; k <= 16; ++k) {
      const float s = (k % 2 == 0 ? 0.01f : -0.01f);
      for (int l = 1; l <= 4; ++l) (along_y ? w(l, k) : w(k, l)) = s;
    }
    m.flow.eddy_visc.fill(20.0f);
    m.flow.break_prev.fill(1.0f);
    test::Quiet q;
    run_steps(m, 1, 1, q.reporter);
    const Field& out = along_y ? m.flow.v_new : m.flow.u_new;
    float largest = 0.0f;
    for (float x : out.v) largest = std::max(largest, std::fabs(x));
    EXPECT_LE(largest, 0.01f) << (along_y ? "y" : "x");
    const float mid = along_y ? out(2, 12) : out(12, 2);
    EXPECT_GT(mid, 0.0f) << (along_y ? "y" : "x");
    EXPECT_LT(mid, 0.01f) << (along_y ? "y" : "x");
  }
}

}  // namespace
}  // namespace swx
