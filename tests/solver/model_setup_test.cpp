// Set-up of the model fields before the time loop.
#include "solver/model_setup.hpp"

#include "core/depth_coefficients.hpp"
#include "solver/bathymetry_checks.hpp"
#include "solver/time_step.hpp"
#include "solver/wavemaker_faces.hpp"
#include "solver_test_support.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

TEST(ModelSetup, DepthExtremesSlopesRunupStartRampAndSignalElements) {
  // Row of 5 cells, dx = 1; face i lies between cells i-1 and i.
  const int nx = 5, ny = 1;
  Field d(nx + 1, ny + 1, 0.0f);
  d(1, 1) = 2.0f;
  d(2, 1) = 1.4f;   // face 2: (1.4 - 2)/1 = -0.6, both wet: warning and 0
  d(3, 1) = -0.5f;  // face 3: -1.9, wet beside dry: 0 without warning
  d(4, 1) = 0.0f;   // face 4: 0.5, allowed
  d(5, 1) = 0.3f;   // face 5: 0.3
  test::Sim sim(d, nx, ny, 1.0f, 1.0f, test::options(0.1f, 8.0f, true, 0.0f));
  const Model& m = sim.m;
  EXPECT_EQ(m.config.max_depth, 2.0f);
  EXPECT_EQ(m.config.min_wet_depth, 0.3f);
  EXPECT_EQ(m.bed.depth_dx(2, 1), 0.0f);
  EXPECT_EQ(m.bed.depth_dx(3, 1), 0.0f);
  EXPECT_EQ(m.bed.depth_dx(4, 1), 0.5f);
  EXPECT_FLOAT_EQ(m.bed.depth_dx(5, 1), 0.3f);
  EXPECT_EQ(m.bed.depth_dx(6, 1), m.bed.depth_dx(5, 1));  // edge face copies its neighbour
  EXPECT_EQ(m.bed.depth_dx(1, 1), m.bed.depth_dx(2, 1));
  EXPECT_NE(sim.q.console.str().find("Slope exceeds maximum recommended value of 0.5"), std::string::npos);
  // Dry land at its own elevation; a depth of exactly 0 is dry with total depth 0.
  EXPECT_EQ(m.flow.eta_old(3, 1), 0.5f);
  EXPECT_EQ(m.flow.eta_old(4, 1), 0.0f);
  EXPECT_EQ(m.flow.eta_old(1, 1), 0.0f);
  // Ramp: mean period 8 s and dt 0.1 s give int(80 + 1.5) = 81 steps; r0 = 0 at step 1.
  EXPECT_EQ(m.config.ramp_steps, 81);
  float r0 = 1.0f, r1 = 0.0f;
  ramp_factors(1, 81, r0, r1);
  EXPECT_EQ(r0, 0.0f);
  EXPECT_GT(r1, 0.0f);
  ramp_factors(82, 81, r0, r1);
  EXPECT_EQ(r0, 1.0f);
  EXPECT_EQ(r1, 1.0f);
  // Signal elements: with Ns = 5, step 5 reads 5 and 1, step 6 reads 1 and 2 (replay).
  for (auto [step, e0, e1] : {std::tuple{1, 1, 2}, {5, 5, 1}, {6, 1, 2}}) {
    int n0 = 0, n1 = 0;
    signal_indices(step, 5, n0, n1);
    EXPECT_EQ(n0, e0) << step;
    EXPECT_EQ(n1, e1) << step;
  }
  // Celerity (breaking on) on wet cells only.
  EXPECT_EQ(m.flow.celerity(3, 1), 0.0f);
  EXPECT_EQ(m.flow.celerity(1, 1), linear_celerity(8.0f, 2.0f));
}

TEST(ModelSetup, FrictionDampingStripsCurrentInAndOutOfDampingAndMarks) {
  const int nx = 6, ny = 4;
  OptionalGrids g;
  g.chezy = Field(nx + 1, ny + 1, 60.0f);
  g.chezy(2, 2) = 30.0f;
  g.damping = Field(nx + 1, ny + 1, 0.0f);
  // A strip falling off inward from the west edge: 3, 2, 1, 0...
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= 3; ++i) g.damping(i, j) = static_cast<float>(4 - i);
  g.current_x = Field(nx + 1, ny + 1, 0.5f);
  g.current_y = Field(nx + 1, ny + 1, -0.25f);
  // A south-row wavemaker (side code 3) moves the x-edge strips into the velocity damping.
  const BoundarySignal s = regular_signal(WavemakerSide::kSouth, 2, 4, 1, 1, 0.1f, 5.0f, 2.0f, 0.1f, 10, 1.0f);
  const Model m = test::Sim(test::flat_depth(nx, ny, 2.0f), nx, ny, 1.0f, 1.0f, test::options(0.1f, 5.0f), {s}, g).m;
  EXPECT_FLOAT_EQ(m.bed.friction_factor(2, 2), 9.81f / 900.0f);  // 0.0109
  EXPECT_FLOAT_EQ(m.bed.friction_factor(1, 1), 9.81f / 3600.0f);
  EXPECT_TRUE(m.config.x_velocity_sink);
  EXPECT_FALSE(m.config.y_velocity_sink);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(m.bed.damping(i, 2), 0.0f);
    EXPECT_EQ(m.bed.velocity_damping(i, 2), 4.0f - static_cast<float>(i));
  }
  // Current: discarded where the damping was > 0 before the strip moved (cells 1-3 moved, so
  // damping is 0 there now and the current stays), copied onto the far faces.
  EXPECT_EQ(m.bed.current_x(1, 1), 0.5f);
  EXPECT_EQ(m.bed.current_x(nx + 1, 2), m.bed.current_x(nx, 2));
  EXPECT_EQ(m.bed.current_y(3, ny + 1), -0.25f);
  // Marks: the box of a row line i1..i2 on row 1 takes rows 1 and 2.
  for (auto [i, j, mark] : {std::tuple{2, 1, 1}, {4, 2, 1}, {5, 1, 0}, {3, 3, 0}})
    EXPECT_EQ(m.bed.wavemaker_mark(i, j), mark) << i << "," << j;
  // A column line 3..3 over rows 1..4 is one column wide: i = 3 and 4.
  for (auto [i, j, in] : {std::tuple{3, 2, true}, {4, 4, true}, {5, 2, false}, {3, 5, false}})
    EXPECT_EQ(in_wavemaker_box(i, j, 3, 3, 1, 4), in) << i << "," << j;
  // Without a wavemaker nothing moves: the current is discarded in an inner damping cell.
  OptionalGrids inner;
  inner.damping = Field(6, 6, 0.0f);
  inner.damping(3, 3) = 0.7f;
  inner.current_x = inner.current_y = Field(6, 6, 1.0f);
  const Model mi = test::Sim(test::flat_depth(5, 5, 2.0f), 5, 5, 1.0f, 1.0f, SolverOptions{}, {}, inner).m;
  EXPECT_EQ(mi.bed.current_x(3, 3), 0.0f);
  EXPECT_EQ(mi.bed.current_y(3, 3), 0.0f);
  EXPECT_EQ(mi.bed.current_x(2, 3), 1.0f);
}

// The source factor of an inner line (docs/equations.md): the Green's solution of the flat-bed
// equations gives the progressive velocity u = s / (2 (h + omega^2 K3 / g - 2 h K1 k^2)) and the
// flux Q = h u (1 - K1 k^2), so s = 2 Q F with F = (h + omega^2 K3/g - 2 h K1 k^2) / (h (1 - K1 k^2)),
// 0.774 at kh = 1, signed with the direction of travel.  The set-up finds k^2 from the signal.
TEST(ModelSetup, InnerLineSourceFactorOfARegularWave) {
  const double h = 1.0, k = 1.0, omega = test::model_omega(k, h);
  const DepthCoefsOf<double> kc = reference_depth_coefs(h);
  const double f = (h + omega * omega * kc.k3 / 9.81 - 2.0 * h * kc.k1 * k * k) / (h * (1.0 - kc.k1 * k * k));
  EXPECT_NEAR(f, 0.774, 5e-4);
  for (const float direction : {1.0f, -1.0f}) {
    const BoundarySignal s = regular_signal(WavemakerSide::kInnerColumn, 3, 3, 1, 4, 0.02f,
                                            static_cast<float>(2.0 * test::kPi / omega), 1.0f, 0.05f, 400, direction);
    const Model m = test::Sim(test::flat_depth(6, 4, 1.0f), 6, 4, 0.1f, 0.1f, test::options(0.05f, 5.0f), {s}).m;
    ASSERT_EQ(m.config.inner_source_factor.at(0).size(), 5u);
    for (int p = 1; p <= 4; ++p) EXPECT_NEAR(m.config.inner_source_factor[0][p], direction * f, 1e-4) << p;
  }
}

// Continuity rate -(u.grad h + d div u): a cell 2 m deep with u = 0 and 0.1 m/s on its west
// and east faces (dx = 1) loses 2 * 0.1 = 0.2 m/s; with u = 0.1 on both faces over a slope of
// 0.1 it loses 0.5 * (0.1 * 0.2) = 0.01 m/s; total depth exactly 0 gives exactly 0.
TEST(ContinuityRate, HandValues) {
  Field u(3, 2, 0.0f), v(3, 2, 0.0f), eta(3, 2, 0.0f), rate(3, 2, 9.0f), h(3, 2, 2.0f), hx(3, 2, 0.0f), hy(3, 2, 0.0f);
  u(2, 1) = 0.1f;
  continuity_rate(u, v, eta, rate, h, hx, hy, 1, 1, 1.0f, 1.0f);
  EXPECT_FLOAT_EQ(rate(1, 1), -0.2f);
  u(1, 1) = 0.1f;
  hx.fill(0.1f);
  continuity_rate(u, v, eta, rate, h, hx, hy, 1, 1, 1.0f, 1.0f);
  EXPECT_FLOAT_EQ(rate(1, 1), -0.01f);
  eta(1, 1) = -2.0f;
  continuity_rate(u, v, eta, rate, h, hx, hy, 1, 1, 1.0f, 1.0f);
  EXPECT_EQ(rate(1, 1), 0.0f);
}

// Depths of the model's shape (nx + 1) x (ny + 1), rows given from j = 1 upwards.
Field depths(const std::vector<std::vector<float>>& rows) {
  Field h(static_cast<int>(rows[0].size()) + 1, static_cast<int>(rows.size()) + 1, 0.0f);
  for (std::size_t j = 0; j < rows.size(); ++j)
    for (std::size_t i = 0; i < rows[j].size(); ++i) h(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = rows[j][i];
  return h;
}

TEST(BathymetryChecks, BottomSlopes) {
  std::ostringstream console;
  const Reporter r{&console, nullptr};
  // Slopes 0.25 in x and 0.125 in y on every face, the first and last faces included.
  Field h(5, 4), hx, hy;
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 4; ++i) h(i, j) = 1.0f + 0.5f * static_cast<float>(i) + 0.25f * static_cast<float>(j);
  check_bottom_slopes(h, 4, 3, 2.0f, 2.0f, hx, hy, r);
  ASSERT_EQ(std::tie(hx.ni, hx.nj), std::tuple(5, 4));
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(hx(i, j), 0.25f) << i << "," << j;
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(hy(i, j), 0.125f) << i << "," << j;
  EXPECT_EQ(console.str(), "");
  // A steep step between wet cells warns and is flattened; dry to wet silently; a mild slope stays.
  check_bottom_slopes(depths({{0.5f, 2.0f, 2.0f}, {-0.5f, 2.0f, 2.25f}}), 3, 2, 1.0f, 1.0f, hx, hy, r);
  const std::string steep = "Slope exceeds maximum recommended value of 0.5";
  EXPECT_EQ(console.str(), test::box_text(kWarningTitle, steep, " at i = 2, j = 1"));
  EXPECT_EQ(std::tie(hx(2, 1), hx(2, 2), hx(3, 2), hx(4, 2), hy(1, 2)), std::tuple(0.0f, 0.0f, 0.25f, 0.25f, 0.0f));
  // Two dry cells with a steep step warn too, here in y, naming the upper cell.
  console.str("");
  check_bottom_slopes(depths({{-1.0f, -1.0f}, {-1.0f, -3.0f}}), 2, 2, 10.0f, 1.0f, hx, hy, r);
  EXPECT_EQ(console.str(), test::box_text(kWarningTitle, steep, " at i = 2, j = 2"));
  EXPECT_EQ(hy(2, 2), 0.0f);
}

TEST(BathymetryChecks, InternalLandBoundaries) {
  std::ostringstream console;
  const Reporter r{&console, nullptr};
  const auto warning = [](const std::string& at) {
    return test::box_text(kWarningTitle, "Inappropriate internal land boundaries at " + at,
                          "need a separation of at least two water points", "between land points");
  };
  // A one-cell channel between land at -1 and -3 is filled with -2, warning at x = (3 - 1) * 2 + 100.
  Field h = depths({{-1.0f, -1.0f, 2.0f, -3.0f, -1.0f}});
  check_internal_land_boundaries(h, 5, 1, 2.0f, 5.0f, 100.0f, 50.0f, r);
  EXPECT_EQ(h(3, 1), -2.0f);
  EXPECT_EQ(console.str(), warning("x = 104, y = 50"));
  console.str("");  // a two-cell channel is kept
  const Field wide = depths({{-1.0f, 2.0f, 2.5f, -1.0f}, {-1.0f, 2.0f, 2.5f, -1.0f}});
  h = wide;
  check_internal_land_boundaries(h, 4, 2, 1.0f, 1.0f, 0.0f, 0.0f, r);
  EXPECT_EQ(h.v, wide.v);
  EXPECT_EQ(console.str(), "");
  // Row 2 is two cells wide (A at i = 2, B at i = 3); B lies between land in y and becomes -1 in
  // the first cycle; then A is one cell wide and becomes (-2 + -1) / 2.
  h = depths({{1.0f, 1.0f, -1.0f, 1.0f}, {-2.0f, 1.0f, 1.0f, -1.0f}, {1.0f, 1.0f, -1.0f, 1.0f}});
  check_internal_land_boundaries(h, 4, 3, 1.0f, 1.0f, 0.0f, 0.0f, r);
  EXPECT_EQ(std::tie(h(3, 2), h(2, 2)), std::tuple(-1.0f, -1.5f));
  EXPECT_EQ(console.str(), warning("x = 2, y = 1") + warning("x = 1, y = 1"));
}

}  // namespace
}  // namespace swx
