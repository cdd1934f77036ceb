// Bit-for-bit regression of the time loop: small but demanding cases run for a number of steps
// and every field of the state is hashed (64-bit FNV-1a over the raw bytes).  The expected hashes
// below were recorded from the solver before its performance work (Release build, x86-64, GCC,
// -ffp-contract=off) by running this test and copying the printed values; any change to the order
// of floating-point operations shows up as a different hash.  A deliberate change of the
// numerics must re-record them (run solver_test --gtest_filter='BitIdentical.*' and copy the
// "hash" lines of the failures).
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "solver/solver_api.hpp"
#include "solver_test_support.hpp"

namespace swx {
namespace {

struct Hash {
  std::uint64_t h = 1469598103934665603ULL;
  template <class T>
  void add(const Array2D<T>& f) {
    const auto* p = reinterpret_cast<const unsigned char*>(f.data());
    const std::size_t n = f.size() * sizeof(T);
    for (std::size_t k = 0; k < n; ++k) {
      h ^= p[k];
      h *= 1099511628211ULL;
    }
  }
};

std::uint64_t state_hash(const Model& m) {
  Hash h;
  for (const Field* f : {&m.eta_old, &m.eta_new, &m.u_old, &m.u_new, &m.v_old, &m.v_new, &m.u_surf, &m.v_surf,
                         &m.break_mask, &m.eddy_visc})
    h.add(*f);
  return h.h;
}

struct Stats {
  int breaking = 0;   // cell-steps with break_mask > 0
  int flooded = 0;    // cells dry at the start and wet at some step
  float max_eta = 0.0f;  // largest |eta| of a wet cell at the end
};

// A beach rising along x with a wavy bed along y (both slopes non-zero), a west (or south)
// wavemaker, damping at the far end, Chezy friction and a porous patch.
struct Case {
  int nonlinear = 1;
  bool runup_breaking = true;
  bool porosity = true;
  bool current = false;
  int side = 4;  // 4 west, 3 south, 5 inner row, 6 inner column
};

Stats run_case(const Case& c, int steps, std::uint64_t& hash) {
  const int nx = 64, ny = 24;
  const float dx = 1.0f, dy = 1.25f;
  Field depth(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny + 1; ++j) {
    for (int i = 1; i <= nx + 1; ++i) {
      const float beach = i < 4 ? 1.5f : 1.5f - 0.09f * static_cast<float>(i - 4);
      depth(i, j) = beach + 0.08f * std::sin(0.4f * static_cast<float>(j)) + 0.02f * std::cos(0.3f * static_cast<float>(i));
    }
  }
  SolverOptions o;
  o.time_step = 0.04f;
  o.mean_period = 3.0f;
  o.rms_wave_height = 0.3f;
  o.nonlinear_option = c.nonlinear;
  o.chezy_coeff = 45.0f;
  // The breaking runup cases trip the stability test at the swash front; its grid goes to a
  // temporary folder.
  o.output_file_prefix = ::testing::TempDir() + "swx_bit_identical";
  if (c.runup_breaking) {
    o.calc_wave_runup = 1;
    o.min_flood_depth = 0.01f;
    o.breaking_on = 1;
    o.smagorinsky_const = 0.2f;
  }
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
  BoundarySignal sig;
  const float height = c.runup_breaking ? 0.55f : 0.2f;
  switch (c.side) {
    case 3: sig = regular_signal(3, 1, 16, 1, 1, height, 3.0f, 1.5f, o.time_step, steps, 1.0f); break;
    case 5: sig = regular_signal(5, 1, 16, 8, 8, height, 3.0f, 1.5f, o.time_step, steps, 1.0f); break;
    case 6: sig = regular_signal(6, 10, 10, 1, ny, height, 3.0f, 1.5f, o.time_step, steps, 1.0f); break;
    default: sig = regular_signal(4, 1, 1, 1, ny, height, 3.0f, 1.5f, o.time_step, steps, 1.0f); break;
  }
  test::Quiet q;
  Model m;
  build_model(m, depth, nx, ny, dx, dy, o, {sig}, g, q.reporter);
  Stats st;
  const Field start = m.eta_old;
  Array2D<std::uint8_t> flooded(nx + 1, ny + 1, 0);
  for (int s = 1; s <= steps; ++s) {
    run_steps(m, s, 1, q.reporter);
    for (int j = 1; j <= ny; ++j) {
      for (int i = 1; i <= nx; ++i) {
        if (m.break_mask(i, j) > 0.0f) ++st.breaking;
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

void expect_hash(const Case& c, int steps, std::uint64_t expected, bool expect_breaking) {
  std::uint64_t h = 0;
  const Stats st = run_case(c, steps, h);
  std::printf("hash 0x%016" PRIx64 "ULL  breaking cell-steps %d  flooded cells %d  max |eta| %g\n", h, st.breaking,
              st.flooded, static_cast<double>(st.max_eta));
  EXPECT_EQ(h, expected);
  EXPECT_LT(st.max_eta, 2.0f);
  if (expect_breaking) {
    EXPECT_GT(st.breaking, 0);
    EXPECT_GT(st.flooded, 0);
  }
}

TEST(BitIdentical, WeakBeachBreakingRunupPorosityFriction) {
  expect_hash(Case{1, true, true, false, 4}, 300, 0xf070a597323c4492ULL, true);
}

TEST(BitIdentical, StrongBeachBreakingRunupPorosityFriction) {
  expect_hash(Case{2, true, true, false, 4}, 300, 0x85a1a8724a979496ULL, true);
}

TEST(BitIdentical, WeakCurrentSouthWavemaker) {
  expect_hash(Case{1, false, false, true, 3}, 120, 0x546514e3e7707145ULL, false);
}

TEST(BitIdentical, StrongCurrentBreakingRunup) {
  expect_hash(Case{2, true, true, true, 4}, 160, 0xfe080b3e9b16e4caULL, false);
}

TEST(BitIdentical, InnerRowWavemakerStrong) {
  expect_hash(Case{2, false, true, false, 5}, 120, 0xa9eafb1d27631ffcULL, false);
}

TEST(BitIdentical, InnerColumnWavemakerWeakBreaking) {
  expect_hash(Case{1, true, false, false, 6}, 120, 0x0e8827e31bc57d51ULL, false);
}

// The plain weak configuration (friction, damping, no breaking, porosity or current).
TEST(BitIdentical, WeakPlainWestWavemaker) {
  expect_hash(Case{1, false, false, false, 4}, 150, 0x8e473631104db9c6ULL, false);
}

TEST(BitIdentical, WeakPlainInnerColumn) {
  expect_hash(Case{1, false, false, false, 6}, 120, 0xf3813110dc4c0098ULL, false);
}

TEST(BitIdentical, WeakPlainInnerRowPorous) {
  expect_hash(Case{1, false, true, false, 5}, 120, 0x4e748f58c7474ef3ULL, false);
}

}  // namespace
}  // namespace swx
