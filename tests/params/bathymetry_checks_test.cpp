#include "params/bathymetry_checks.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "core/fatal.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

// Depth field of the model's shape (nx + 1) x (ny + 1) with rows given from j = 1 upwards.
Field depths(const std::vector<std::vector<float>>& rows) {
  const int ny = static_cast<int>(rows.size());
  const int nx = static_cast<int>(rows[0].size());
  Field h(nx + 1, ny + 1, 0.0f);
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) h(i, j) = rows[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
  return h;
}

std::string warning_text(std::string_view l1, std::string_view l2, std::string_view l3 = " ") {
  return test::box_text(kWarningTitle, l1, l2, l3);
}

const char kLandLine2[] = "need a separation of at least two water points";

TEST(BottomSlopes, MildSlopesAreKeptAndCopiedToTheEdgeFaces) {
  std::ostringstream console;
  const Reporter r{&console, nullptr};
  // Depth rises by 0.5 per cell in x (dx = 2) and by 0.25 per cell in y (dy = 2): slopes 0.25
  // and 0.125 (exact in binary) on every inner face, copied to the first and last faces.
  Field h(5, 4);
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 4; ++i) h(i, j) = 1.0f + 0.5f * static_cast<float>(i) + 0.25f * static_cast<float>(j);
  Field hx, hy;
  check_bottom_slopes(h, 4, 3, 2.0f, 2.0f, hx, hy, r);
  ASSERT_EQ(hx.ni, 5);
  ASSERT_EQ(hx.nj, 4);
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(hx(i, j), 0.25f) << i << "," << j;
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(hy(i, j), 0.125f) << i << "," << j;
  EXPECT_EQ(console.str(), "");
}

TEST(BottomSlopes, SteepStepsWarnOnlyBetweenTwoWetOrTwoDryCells) {
  std::ostringstream console;
  const Reporter r{&console, nullptr};
  // Row 1: 0.5 -> 2.0 over dx = 1 (slope 1.5) between wet cells: warning at i = 2, j = 1.
  // Row 2: -0.5 -> 2.0 (dry to wet): flattened silently; 2.0 -> 2.25 keeps slope 0.25.
  // In y, column 1: 0.5 -> -0.5 (slope -1, shoreline): silent; column 3: 2.0 -> 2.25 keeps 0.25;
  // column 2: 2.0 -> 2.0 flat.
  const Field h = depths({{0.5f, 2.0f, 2.0f}, {-0.5f, 2.0f, 2.25f}});
  Field hx, hy;
  check_bottom_slopes(h, 3, 2, 1.0f, 1.0f, hx, hy, r);
  EXPECT_EQ(console.str(), warning_text("Slope exceeds maximum recommended value of 0.5", " at i = 2, j = 1"));
  EXPECT_EQ(hx(2, 1), 0.0f);
  EXPECT_EQ(hx(2, 2), 0.0f);
  EXPECT_EQ(hx(3, 2), 0.25f);
  EXPECT_EQ(hx(4, 2), 0.25f);  // last face copies face nx
  EXPECT_EQ(hy(1, 2), 0.0f);

  // Two dry cells with a steep step warn too; here in y, naming the upper cell.
  console.str("");
  const Field land = depths({{-1.0f, -1.0f}, {-1.0f, -3.0f}});
  check_bottom_slopes(land, 2, 2, 10.0f, 1.0f, hx, hy, r);
  EXPECT_EQ(console.str(), warning_text("Slope exceeds maximum recommended value of 0.5", " at i = 2, j = 2"));
  EXPECT_EQ(hy(2, 2), 0.0f);
}

TEST(InternalLandBoundaries, OneCellChannelIsFilledTwoCellChannelKept) {
  std::ostringstream console;
  const Reporter r{&console, nullptr};
  // Water cell i = 3 between land at -1 and -3: filled with (-1 + -3) / 2 = -2; one warning
  // at x = (3 - 1) * 2 + 100 = 104, y = (1 - 1) * 5 + 50 = 50.
  Field h = depths({{-1.0f, -1.0f, 2.0f, -3.0f, -1.0f}});
  check_internal_land_boundaries(h, 5, 1, 2.0f, 5.0f, 100.0f, 50.0f, r);
  EXPECT_EQ(h(3, 1), -2.0f);
  EXPECT_EQ(console.str(), warning_text("Inappropriate internal land boundaries at x = 104, y = 50", kLandLine2,
                                        "between land points"));

  console.str("");
  const Field before = depths({{-1.0f, 2.0f, 2.5f, -1.0f}, {-1.0f, 2.0f, 2.5f, -1.0f}, {-1.0f, 2.0f, 2.5f, -1.0f}});
  h = before;
  check_internal_land_boundaries(h, 4, 3, 1.0f, 1.0f, 0.0f, 0.0f, r);
  EXPECT_EQ(h.v, before.v);
  EXPECT_EQ(console.str(), "");
}

TEST(InternalLandBoundaries, SecondCycleClosesWhatTheFirstLeftOneCellWide) {
  std::ostringstream console;
  const Reporter r{&console, nullptr};
  // Row 2 is a two-cell channel (A at i = 2, B at i = 3). B lies between land in y and is filled
  // in the first cycle with (-1 + -1) / 2 = -1; the x pass of that cycle still sees B wet, so A
  // is left alone. In the second cycle A is one cell wide and becomes (-2 + -1) / 2 = -1.5.
  Field h = depths({{1.0f, 1.0f, -1.0f, 1.0f}, {-2.0f, 1.0f, 1.0f, -1.0f}, {1.0f, 1.0f, -1.0f, 1.0f}});
  check_internal_land_boundaries(h, 4, 3, 1.0f, 1.0f, 0.0f, 0.0f, r);
  EXPECT_EQ(h(3, 2), -1.0f);
  EXPECT_EQ(h(2, 2), -1.5f);
  EXPECT_EQ(
      console.str(),
      warning_text("Inappropriate internal land boundaries at x = 2, y = 1", kLandLine2, "between land points") +
          warning_text("Inappropriate internal land boundaries at x = 1, y = 1", kLandLine2, "between land points"));
}

}  // namespace
}  // namespace swx
