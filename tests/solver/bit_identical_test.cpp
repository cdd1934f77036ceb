// Bit-for-bit regression of the time loop: small but demanding cases run for a number of steps
// and every field of the state is hashed (64-bit FNV-1a over the raw bytes).  The expected hashes
// below were recorded from the solver before its performance work (Release build, x86-64, GCC,
// -ffp-contract=off) by running this test and copying the printed values; any change to the order
// of floating-point operations shows up as a different hash.  A deliberate change of the
// numerics must re-record them (run solver_test --gtest_filter='BitIdentical.*' and copy the
// "hash" lines of the failing cases).  The four breaking cases were re-recorded when the robust
// swash zone (shallow-water form of bores and thin backwash) became the default.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "solver_test_support.hpp"

namespace swx {
namespace {

std::uint64_t state_hash(const Model& m) {
  std::uint64_t h = 1469598103934665603ULL;
  for (const Field* f : {&m.eta_old, &m.eta_new, &m.u_old, &m.u_new, &m.v_old, &m.v_new, &m.u_surf, &m.v_surf,
                         &m.break_mask, &m.eddy_visc}) {
    const auto* p = reinterpret_cast<const unsigned char*>(f->data());
    for (std::size_t k = 0; k < f->size() * sizeof(float); ++k) h = (h ^ p[k]) * 1099511628211ULL;
  }
  return h;
}

struct Stats {
  int breaking = 0;      // cell-steps with break_mask > 0
  int flooded = 0;       // cells dry at the start and wet at some step
  float max_eta = 0.0f;  // largest |eta| of a wet cell at the end
};

// A beach rising along x with a wavy bed along y (both slopes non-zero), a west (or south)
// wavemaker, damping at the far end, Chezy friction and a porous patch.  Wavemaker sides: 4 west,
// 3 south, 5 inner row, 6 inner column.
struct Case {
  int nonlinear;
  bool runup_breaking, porosity, current;
  int side;
};

Stats run_case(const Case& c, int steps, std::uint64_t& hash) {
  const int nx = 64, ny = 24;
  Field depth(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny + 1; ++j)
    for (int i = 1; i <= nx + 1; ++i)
      depth(i, j) = (i < 4 ? 1.5f : 1.5f - 0.09f * static_cast<float>(i - 4)) +
                    0.08f * std::sin(0.4f * static_cast<float>(j)) + 0.02f * std::cos(0.3f * static_cast<float>(i));
  SolverOptions o = test::options(0.04f, 3.0f, c.runup_breaking, 0.01f);
  o.rms_wave_height = 0.3f;
  o.nonlinear_option = c.nonlinear;
  o.chezy_coeff = 45.0f;
  // The breaking runup cases trip the stability test at the swash front; its grid goes to a
  // temporary folder.
  if (c.runup_breaking) o.smagorinsky_const = 0.2f;
  OptionalGrids g;
  g.damping = Field(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      if (c.side == 3 && j > ny - 6) g.damping(i, j) = 0.3f * static_cast<float>(j - ny + 6);
      if (c.side >= 5 && (i < 5 || j < 4)) g.damping(i, j) = 0.4f;
    }
  }
  if (c.porosity) {
    o.char_stone_size = 0.2f;
    o.lam_friction_coeff = 200.0f;
    o.turb_friction_coeff = 1.1f;
    o.added_mass_coeff = 0.34f;
    g.porosity = Field(nx + 1, ny + 1, 1.0f);
    for (int j = 8; j <= 14; ++j)
      for (int i = 20; i <= 26; ++i) g.porosity(i, j) = 0.45f;
  }
  if (c.current) {
    g.current_x = Field(nx + 1, ny + 1, 0.0f);
    g.current_y = Field(nx + 1, ny + 1, 0.0f);
    for (int j = 1; j <= ny + 1; ++j) {
      for (int i = 1; i <= nx + 1; ++i) {
        g.current_x(i, j) = 0.15f + 0.05f * std::sin(0.2f * static_cast<float>(j));
        g.current_y(i, j) = 0.04f * std::cos(0.15f * static_cast<float>(i));
      }
    }
  }
  const float height = c.runup_breaking ? 0.55f : 0.2f;
  auto line = [&](int i1, int i2, int j1, int j2) {
    return regular_signal(static_cast<WavemakerSide>(c.side), i1, i2, j1, j2, height, 3.0f, 1.5f, o.time_step, steps,
                          1.0f);
  };
  const BoundarySignal sig = c.side == 3   ? line(1, 16, 1, 1)
                             : c.side == 5 ? line(1, 16, 8, 8)
                             : c.side == 6 ? line(10, 10, 1, ny)
                                           : line(1, 1, 1, ny);
  test::Sim sim(depth, nx, ny, 1.0f, 1.25f, o, {sig}, g);
  const Model& m = sim.m;
  Stats st;
  const Field start = m.eta_old;
  Array2D<std::uint8_t> flooded(nx + 1, ny + 1, 0);
  for (int s = 1; s <= steps; ++s) {
    sim.run(s);
    for (int j = 1; j <= ny; ++j) {
      for (int i = 1; i <= nx; ++i) {
        st.breaking += m.break_mask(i, j) > 0.0f;
        if (m.depth(i, j) + start(i, j) <= 0.0f && m.depth(i, j) + m.eta_old(i, j) > 0.0f) flooded(i, j) = 1;
      }
    }
  }
  for (std::uint8_t f : flooded.v) st.flooded += f;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i)
      if (m.depth(i, j) + m.eta_old(i, j) > 0.0f || !std::isfinite(m.eta_old(i, j)))
        st.max_eta = std::isfinite(m.eta_old(i, j)) ? std::max(st.max_eta, std::fabs(m.eta_old(i, j))) : 1e30f;
  hash = state_hash(m);
  return st;
}

// Each case (nonlinear option, runup with breaking, porosity, current, wavemaker side) and its
// step count, recorded hash and whether it must break and flood.
TEST(BitIdentical, EveryCaseMatchesItsRecordedHash) {
  const struct {
    const char* name;
    Case c;
    int steps;
    std::uint64_t expected;
    bool expect_breaking;
  } rows[] = {
      {"WeakBeachBreakingRunupPorosityFriction", {1, true, true, false, 4}, 300, 0x66b17187f44e1b9fULL, true},
      {"StrongBeachBreakingRunupPorosityFriction", {2, true, true, false, 4}, 300, 0xa29625f810cb3835ULL, true},
      {"WeakCurrentSouthWavemaker", {1, false, false, true, 3}, 120, 0x546514e3e7707145ULL, false},
      {"StrongCurrentBreakingRunup", {2, true, true, true, 4}, 160, 0x9ad6acc156779541ULL, false},
      {"InnerRowWavemakerStrong", {2, false, true, false, 5}, 120, 0xa9eafb1d27631ffcULL, false},
      {"InnerColumnWavemakerWeakBreaking", {1, true, false, false, 6}, 120, 0x89e424f18a13a84fULL, false},
      // The plain weak configuration (friction, damping, no breaking, porosity or current).
      {"WeakPlainWestWavemaker", {1, false, false, false, 4}, 150, 0x8e473631104db9c6ULL, false},
      {"WeakPlainInnerColumn", {1, false, false, false, 6}, 120, 0xf3813110dc4c0098ULL, false},
      {"WeakPlainInnerRowPorous", {1, false, true, false, 5}, 120, 0x4e748f58c7474ef3ULL, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::uint64_t h = 0;
    const Stats st = run_case(r.c, r.steps, h);
    std::printf("%s: hash 0x%016" PRIx64 "ULL  breaking cell-steps %d  flooded cells %d  max |eta| %g\n", r.name, h,
                st.breaking, st.flooded, static_cast<double>(st.max_eta));
    EXPECT_EQ(h, r.expected);
    EXPECT_LT(st.max_eta, 2.0f);
    if (r.expect_breaking) {
      EXPECT_GT(st.breaking, 0);
      EXPECT_GT(st.flooded, 0);
    }
  }
}

}  // namespace
}  // namespace swx
