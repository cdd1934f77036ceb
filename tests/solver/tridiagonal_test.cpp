// The line solver of the momentum rows.
#include <gtest/gtest.h>

#include <vector>

#include "solver/time_step.hpp"

namespace swx {
namespace {

// Rows 1..4 of [2 -1 0 0; -1 2 -1 0; 0 -1 2 -1; 0 0 -1 2] x = [1 0 0 1]: x = (1, 1, 1, 1)
// (every inner row sums to 0, the end rows to 1).  A work vector left dirty by an earlier
// call gives the same bits.
TEST(Tridiagonal, SolvesAndIgnoresStaleWork) {
  const std::vector<float> sub{0, 0, -1, -1, -1}, dia{0, 2, 2, 2, 2}, sup{0, -1, -1, -1, 0}, rhs{0, 1, 0, 0, 1};
  std::vector<float> x(5, 0.0f), w(5, 0.0f), x2(5, 0.0f), w2(5, 123.0f);
  solve_tridiagonal(sub.data(), dia.data(), sup.data(), rhs.data(), x.data(), 4, w.data());
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(x[static_cast<std::size_t>(k)], 1.0f, 1e-6f);
  solve_tridiagonal(sub.data(), dia.data(), sup.data(), rhs.data(), x2.data(), 4, w2.data());
  EXPECT_EQ(x, x2);
}

// Identity rows hold their right-hand side; a value below 1e-37 in magnitude is flushed to 0.
TEST(Tridiagonal, IdentityRowsKeepValuesAndTinyValuesFlush) {
  const std::vector<float> sub{0, 0, 0, 0}, dia{0, 1, 1, 1}, sup{0, 0, 0, 0}, rhs{0, 0.25f, 1e-38f, -3.0f};
  std::vector<float> x(4, 9.0f), w(4);
  solve_tridiagonal(sub.data(), dia.data(), sup.data(), rhs.data(), x.data(), 3, w.data());
  EXPECT_EQ(x[1], 0.25f);
  EXPECT_EQ(x[2], 0.0f);
  EXPECT_EQ(x[3], -3.0f);
}

}  // namespace
}  // namespace swx
