// The moving shoreline: isolated wet cells, a lake at rest on a beach, sloshing between beaches.
#include "solver/shoreline.hpp"

#include "solver_test_support.hpp"

namespace swx {
namespace {

// One row of 5 cells on land of depth -1 (eta = 1 is dry, total depth 0); a "wet" cell holds
// eta = 1.5 (total depth 0.5).
Field row_levels(const std::vector<int>& wet) {
  Field eta(6, 2, 1.0f);
  for (int i : wet) eta(i, 1) = 1.5f;
  return eta;
}

TEST(IsolatedWetCells, AlongRows) {
  const Field d(6, 2, -1.0f);
  // Wet cells before and the levels of cells 1..5 after: a lone wet cell is dried (eta = -depth),
  // a pair is kept, and the outer cells are never removed.
  const struct {
    std::vector<int> wet;
    std::vector<float> after;
  } cases[] = {{{3}, {1.0f, 1.0f, 1.0f, 1.0f, 1.0f}},
               {{2, 3}, {1.0f, 1.5f, 1.5f, 1.0f, 1.0f}},
               {{2, 4}, {1.0f, 1.0f, 1.0f, 1.0f, 1.0f}},
               {{1, 5}, {1.5f, 1.0f, 1.0f, 1.0f, 1.5f}}};
  for (const auto& c : cases) {
    Field eta = row_levels(c.wet);
    remove_isolated_wet_cells(eta, d, 0.0f, 5, 1);
    EXPECT_EQ(std::vector<float>(eta.v.begin(), eta.v.begin() + 5), c.after) << "wet " << c.wet.front();
  }
  // The minimum flooding depth decides what counts as wet: total depth 0.5 is not above 0.5.
  Field eta = row_levels({2, 3});
  eta(3, 1) = 1.6f;
  remove_isolated_wet_cells(eta, d, 0.5f, 5, 1);
  EXPECT_EQ(eta(3, 1), 1.0f);
}

// Along columns, after the row sweep: a wet row of three cells between dry rows survives the
// row sweep (each cell has a wet neighbour in its row) but every cell is alone in its column,
// so the column sweep dries all three, the outer columns included (only outer rows are spared).
TEST(IsolatedWetCells, AlongColumnsAfterRows) {
  const Field d(4, 4, -1.0f);
  for (int row : {2, 1}) {  // in the outer row j = 1 the same wet row is left alone
    Field eta(4, 4, 1.0f);
    for (int i = 1; i <= 3; ++i) eta(i, row) = 1.5f;
    remove_isolated_wet_cells(eta, d, 0.0f, 3, 3);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(eta(i, row), row == 2 ? 1.0f : 1.5f) << "row " << row;
  }
}

// Slabs of rows, each removing the cells of its own rows from the levels before the removal (as
// the ranks of swellix-mpi do), give the cells of the whole sweep: on a patchy shoreline where
// cells dried by the row sweep and by the column sweep meet the slab edges.
TEST(IsolatedWetCells, SlabsOfRowsGiveTheWholeSweep) {
  constexpr int nx = 9, ny = 12;
  const Field d(nx + 1, ny + 1, -1.0f);
  unsigned seed = 12345u;
  for (int pattern = 0; pattern < 20; ++pattern) {
    Field before(nx + 1, ny + 1, 1.0f);
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) {
        seed = seed * 1103515245u + 12345u;
        if ((seed >> 16) % 2 == 0) before(i, j) = 1.5f;
      }
    Field whole = before;
    remove_isolated_wet_cells(whole, d, 0.0f, nx, ny);
    for (const std::vector<int>& cuts : {std::vector<int>{1, 7, 13}, {1, 3, 5, 9, 13}, {1, 2, 4, 6, 8, 10, 12, 13}}) {
      Field slabs = before;
      for (std::size_t s = 0; s + 1 < cuts.size(); ++s) {
        Field mine = before;
        remove_isolated_wet_cells_rows(mine, d, 0.0f, nx, ny, cuts[s], cuts[s + 1] - 1);
        for (int j = cuts[s]; j < cuts[s + 1]; ++j) std::copy_n(mine.col(j), nx + 1, slabs.col(j));
      }
      EXPECT_EQ(slabs.v, whole.v) << "pattern " << pattern << ", " << cuts.size() - 1 << " slabs";
    }
  }
}

// A plane beach (slope 1/20, dx = 1 m) from 1 m of water to 1 m of land, lowered by lower; with
// both_ends a basin 2 m deep in the middle with beaches of slope 1/10 at both ends.
Field beach(int nx, int ny, bool both_ends, float lower = 0.0f) {
  Field d(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      float x = static_cast<float>(i) - 0.5f;
      if (both_ends) x = std::fabs(x - 0.5f * static_cast<float>(nx));
      d(i, j) = both_ends ? 1.0f - x / 20.0f * 2.0f + 1.0f : 1.0f - x / 20.0f + lower;
    }
  }
  return d;
}

TEST(Shoreline, LakeAtRestOnABeachStaysAtRest) {
  const int nx = 40, ny = 4;
  SolverOptions o = test::options(0.05f, 4.0f, true);
  o.chezy_coeff = 50.0f;
  // Lowered by 0.0245 m, the cell beside the still shoreline lies 0.5 mm under water, less than
  // min_flood_depth: it is drained at the first pass and must not draw water from its wet
  // neighbour afterwards.
  for (float lower : {0.0f, 0.0245f}) {
    for (int option : {1, 2}) {
      o.nonlinear_option = option;
      test::Sim sim(beach(nx, ny, false, lower), nx, ny, 1.0f, 1.0f, o);
      sim.run(1);
      const Field eta1 = sim.m.flow.eta_old;
      sim.run(2, 2000);
      EXPECT_EQ(sim.m.flow.eta_old.v, eta1.v) << "lowered by " << lower;
      for (float u : sim.m.flow.u_old.v) ASSERT_EQ(u, 0.0f) << "lowered by " << lower;
      EXPECT_EQ(sim.q.log.str().find("instability"), std::string::npos);
    }
  }
}

// Water tilted by +-0.15 m across a basin 2 m deep in the middle with beaches at both ends sloshes up and down the
// beaches: cells that started dry get wet, and the volume is kept within 0.1% over 5000 steps.
TEST(Shoreline, SloshingBetweenBeachesKeepsVolume) {
  const int nx = 60, ny = 3;
  test::Sim sim(beach(nx, ny, true), nx, ny, 1.0f, 1.0f, test::options(0.05f, 10.0f, true));
  Model& m = sim.m;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i)
      if (m.bed.depth(i, j) > 0.0f) m.flow.eta_old(i, j) = 0.15f * (static_cast<float>(i) - 30.5f) / 30.0f;
  const double v0 = water_volume(m);
  int flooded = 0;
  for (int s = 1; s <= 5000; ++s) {
    sim.run(s);
    for (int i = 1; i <= nx; ++i)
      flooded += m.bed.depth(i, 2) <= 0.0f && m.bed.depth(i, 2) + m.flow.eta_old(i, 2) > 0.0f;
  }
  EXPECT_GT(flooded, 0);
  EXPECT_LT(std::fabs(water_volume(m) - v0) / v0, 1e-3);
}

// A long wave runs up a dry 1:20 beach (offshore depth 0.3 m, dx = 0.05 m, min_flood_depth 2 mm;
// the short mean period keeps the breaking test, whose threshold is the mean frequency, quiet).
// The tongue climbs eight cells up the dry beach, and until it reaches its highest cell its last
// wet cell is at most min_flood_depth deeper than the cell behind it.  Water held back at the tip
// until one pass could lift the next cell above min_flood_depth used to pile up there (the
// run-up gauges read that lump as run-up; here it stopped the wave at the still shoreline).  No
// water is lost: what dry cells take in before they flood is held in their flood stores.
TEST(Shoreline, UprushTongueCarriesNoLumpAtItsTip) {
  const int nx = 240, ny = 3;
  Field d(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) d(i, j) = std::min(0.3f, 0.3f - (0.05f * static_cast<float>(i) - 2.0f) / 20.0f);
  test::Sim sim(d, nx, ny, 0.05f, 0.05f, test::options(0.01f, 0.2f, true, 0.002f));
  Model& m = sim.m;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= 40; ++i) m.flow.eta_old(i, j) = 0.01f;
  const double v0 = water_volume(m);
  std::vector<std::pair<int, float>> tips;  // last wet cell on land and its depth less the one behind
  for (int s = 1; s <= 900; ++s) {
    sim.run(s);
    int tip = 0;
    for (int i = 1; i <= nx; ++i)
      if (m.bed.depth(i, 2) + m.flow.eta_old(i, 2) > m.config.min_flood_depth) tip = i;
    if (m.bed.depth(tip, 2) < 0.0f)
      tips.emplace_back(
          tip, (m.bed.depth(tip, 2) + m.flow.eta_old(tip, 2)) - (m.bed.depth(tip - 1, 2) + m.flow.eta_old(tip - 1, 2)));
  }
  EXPECT_LT(std::fabs(water_volume(m) - v0) / v0, 1e-7);
  int highest = 0;
  for (const auto& t : tips) highest = std::max(highest, t.first);
  ASSERT_GT(highest, 165);  // the still shoreline lies at cell 160
  for (std::size_t k = 0; k < tips.size() && tips[k].first < highest; ++k)
    EXPECT_LT(tips[k].second, m.config.min_flood_depth) << "tip at cell " << tips[k].first;
}

}  // namespace
}  // namespace swx
