// What must hold whatever the order of the arithmetic: the same case laid along y gives the
// transpose of the case laid along x, for every configuration of the passes (weak and "strong",
// breaking with the moving shoreline, porosity, current, boundary and inner-line wavemakers);
// and the plain, branch-free loops of the weak configuration give the bits of the general loops.

#include <cstring>

#include "solver_test_support.hpp"

namespace swx {
namespace {

// Wavemaker sides of the case along x: 4 west, 3 south, 5 inner row, 6 inner column.
struct Case {
  int nonlinear;
  bool runup_breaking, porosity, current;
  int side;
};

struct Result {
  Field eta, u, v;       // final state in the frame of the case along x (u along x)
  int breaking = 0;      // cell-steps with break_mask > 0
  int flooded = 0;       // cells dry at the start and wet at some step
  float max_eta = 0.0f;  // largest |eta| of a wet cell at the end (1e30 when not finite)
};

// A beach rising along x with a wavy bed along y (both slopes non-zero), Chezy friction, damping
// at the far end and a porous patch, 64 x 24 cells of 1 x 1.25 m; `transposed` lays the same
// case along y (every field and the wavemaker line transposed).  `zero_current` adds a current
// of zero everywhere, which takes the general loops without changing any value.
Result run_case(const Case& c, int steps, bool transposed, bool zero_current = false, int threads = 1) {
  const int nx = 64, ny = 24;
  const int mx = transposed ? ny : nx, my = transposed ? nx : ny;
  // put(f, i, j, value): sets point (i, j) of the case along x in the run's frame.
  auto put = [&](Field& f, int i, int j, float value) { (transposed ? f(j, i) : f(i, j)) = value; };
  Field depth(mx + 1, my + 1, 0.0f);
  for (int j = 1; j <= ny + 1; ++j)
    for (int i = 1; i <= nx + 1; ++i)
      put(depth, i, j,
          (i < 4 ? 1.5f : 1.5f - 0.09f * static_cast<float>(i - 4)) + 0.08f * std::sin(0.4f * static_cast<float>(j)) +
              0.02f * std::cos(0.3f * static_cast<float>(i)));
  SolverOptions o = test::options(0.04f, 3.0f, c.runup_breaking, 0.01f);
  o.rms_wave_height = 0.3f;
  o.nonlinear_option = c.nonlinear;
  o.chezy_coeff = 45.0f;
  if (c.runup_breaking) o.smagorinsky_const = 0.2f;
  OptionalGrids g;
  g.damping = Field(mx + 1, my + 1, 0.0f);
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      if (c.side == 3 && j > ny - 6) put(g.damping, i, j, 0.3f * static_cast<float>(j - ny + 6));
      if (c.side >= 5 && (i < 5 || j < 4)) put(g.damping, i, j, 0.4f);
    }
  }
  if (c.porosity) {
    o.char_stone_size = 0.2f;
    o.lam_friction_coeff = 200.0f;
    o.turb_friction_coeff = 1.1f;
    o.added_mass_coeff = 0.34f;
    g.porosity = Field(mx + 1, my + 1, 1.0f);
    for (int j = 8; j <= 14; ++j)
      for (int i = 20; i <= 26; ++i) put(g.porosity, i, j, 0.45f);
  }
  if (c.current || zero_current) {
    g.current_x = Field(mx + 1, my + 1, 0.0f);
    g.current_y = Field(mx + 1, my + 1, 0.0f);
    for (int j = 1; j <= ny + 1 && c.current; ++j) {
      for (int i = 1; i <= nx + 1; ++i) {
        put(transposed ? g.current_y : g.current_x, i, j, 0.15f + 0.05f * std::sin(0.2f * static_cast<float>(j)));
        put(transposed ? g.current_x : g.current_y, i, j, 0.04f * std::cos(0.15f * static_cast<float>(i)));
      }
    }
  }
  const float height = c.runup_breaking ? 0.55f : 0.2f;
  auto line = [&](int side, int i1, int i2, int j1, int j2) {
    const int run_side = !transposed ? side : side == 4 ? 3 : side == 3 ? 4 : side == 5 ? 6 : 5;
    return transposed ? regular_signal(static_cast<WavemakerSide>(run_side), j1, j2, i1, i2, height, 3.0f, 1.5f,
                                       o.time_step, steps, 1.0f)
                      : regular_signal(static_cast<WavemakerSide>(run_side), i1, i2, j1, j2, height, 3.0f, 1.5f,
                                       o.time_step, steps, 1.0f);
  };
  const BoundarySignal sig = c.side == 3   ? line(3, 1, 16, 1, 1)
                             : c.side == 5 ? line(5, 1, 16, 8, 8)
                             : c.side == 6 ? line(6, 10, 10, 1, ny)
                                           : line(4, 1, 1, 1, ny);
  test::Sim sim(depth, mx, my, transposed ? 1.25f : 1.0f, transposed ? 1.0f : 1.25f, o, {sig}, g);
  set_threads(sim.m, threads);
  const Model& m = sim.m;
  auto get = [&](const Field& f, int i, int j) { return transposed ? f(j, i) : f(i, j); };
  Result r;
  Array2D<std::uint8_t> flooded(nx + 1, ny + 1, 0);
  for (int s = 1; s <= steps; ++s) {
    const Field before = m.flow.eta_old;
    sim.run(s);
    for (int j = 1; j <= ny; ++j) {
      for (int i = 1; i <= nx; ++i) {
        r.breaking += get(m.flow.break_mask, i, j) > 0.0f;
        if (s == 1 ? get(m.bed.depth, i, j) + get(before, i, j) > 0.0f : false) flooded(i, j) = 2;  // wet at the start
        if (flooded(i, j) == 0 && get(m.bed.depth, i, j) + get(m.flow.eta_old, i, j) > 0.0f) flooded(i, j) = 1;
      }
    }
  }
  for (std::uint8_t f : flooded.v) r.flooded += f == 1;
  r.eta = Field(nx + 2, ny + 2, 0.0f);
  r.u = Field(nx + 2, ny + 2, 0.0f);
  r.v = Field(nx + 2, ny + 2, 0.0f);
  for (int j = 1; j <= ny + 1; ++j) {
    for (int i = 1; i <= nx + 1; ++i) {
      r.eta(i, j) = get(m.flow.eta_old, i, j);
      r.u(i, j) = get(transposed ? m.flow.v_old : m.flow.u_old, i, j);
      r.v(i, j) = get(transposed ? m.flow.u_old : m.flow.v_old, i, j);
      if (i <= nx && j <= ny && (get(m.bed.depth, i, j) + r.eta(i, j) > 0.0f || !std::isfinite(r.eta(i, j))))
        r.max_eta = std::isfinite(r.eta(i, j)) ? std::max(r.max_eta, std::fabs(r.eta(i, j))) : 1e30f;
    }
  }
  return r;
}

float largest_difference(const Field& a, const Field& b) {
  float d = 0.0f;
  for (std::size_t k = 0; k < a.size(); ++k) d = std::max(d, std::fabs(a.v[k] - b.v[k]));
  return d;
}

// Each configuration along x and along y: the fields agree to rounding, the waves come in, the
// breaking runs break and flood, and no run blows up.
TEST(Transposition, EveryConfigurationAlongYIsTheCaseAlongXTransposed) {
  const struct {
    const char* name;
    Case c;
    int steps;
    bool expect_breaking;
  } rows[] = {
      {"WeakBeachBreakingRunupPorosityFriction", {1, true, true, false, 4}, 300, true},
      {"StrongBeachBreakingRunupPorosityFriction", {2, true, true, false, 4}, 300, true},
      {"WeakCurrentSouthWavemaker", {1, false, false, true, 3}, 120, false},
      {"StrongCurrentBreakingRunup", {2, true, true, true, 4}, 160, false},
      {"InnerRowWavemakerStrong", {2, false, true, false, 5}, 120, false},
      {"InnerColumnWavemakerWeakBreaking", {1, true, false, false, 6}, 120, false},
      {"WeakPlainWestWavemaker", {1, false, false, false, 4}, 150, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Result a = run_case(row.c, row.steps, false), b = run_case(row.c, row.steps, true);
    // Rounding apart (the lines are solved in blocks across x and in columns across y), the two
    // runs are one: a wrong index or sign in either direction shows up far above 1e-5.
    EXPECT_LT(largest_difference(a.eta, b.eta), 1e-5f);
    EXPECT_LT(largest_difference(a.u, b.u), 1e-5f);
    EXPECT_LT(largest_difference(a.v, b.v), 1e-5f);
    EXPECT_LT(a.max_eta, 2.0f);
    EXPECT_LT(b.max_eta, 2.0f);
    EXPECT_GT(a.max_eta, 0.02f);  // the waves came in
    if (row.expect_breaking) {
      EXPECT_GT(a.breaking, 0);
      EXPECT_GT(a.flooded, 0);
    }
  }
}

// The weak configuration without current or breaking takes the plain loops; a current of zero
// everywhere sends the same case through the general loops, which must give the same bits.
TEST(PlainLoops, GiveTheBitsOfTheGeneralLoops) {
  for (const Case c : {Case{1, false, true, false, 4}, Case{1, false, false, false, 3}}) {
    SCOPED_TRACE(c.side);
    const Result plain = run_case(c, 150, false), general = run_case(c, 150, false, true);
    for (const auto& [p, q] : {std::pair(&plain.eta, &general.eta), {&plain.u, &general.u}, {&plain.v, &general.v}})
      EXPECT_EQ(std::memcmp(p->data(), q->data(), p->size() * sizeof(float)), 0);
    EXPECT_GT(plain.max_eta, 0.05f);
  }
}

// Five threads split the 24 rows and 64 columns unevenly; the state must not depend on the split.
TEST(Threads, FiveGiveTheBitsOfOne) {
  for (const Case c : {Case{2, true, true, false, 4}, Case{1, true, false, true, 3}, Case{1, false, true, false, 6}}) {
    SCOPED_TRACE(c.side);
    const Result one = run_case(c, 120, false), five = run_case(c, 120, false, false, 5);
    for (const auto& [p, q] : {std::pair(&one.eta, &five.eta), {&one.u, &five.u}, {&one.v, &five.v}})
      EXPECT_EQ(std::memcmp(p->data(), q->data(), p->size() * sizeof(float)), 0);
  }
}

}  // namespace
}  // namespace swx
