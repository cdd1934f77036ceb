#include <gtest/gtest.h>

#include "core/array2d.hpp"

namespace swx {
namespace {

TEST(Array2D, ColumnMajorOneBased) {
  Field a(4, 3, 0.0f);
  a(2, 3) = 7.0f;
  // Element (i, j) sits at (i - 1) + (j - 1) * ni.
  EXPECT_EQ(a.v[1 + 2 * 4], 7.0f);
  EXPECT_EQ(a.col(3)[1], 7.0f);
  EXPECT_EQ(a.size(), 12u);
}

}  // namespace
}  // namespace swx
