// Tridiagonal line solves of the momentum rows.
#include <cmath>

#include "solver/time_step.hpp"

namespace swx {

void solve_tridiagonal(const float* sub, const float* diag, const float* sup, const float* rhs,
                       float* x, int n, float* work) {
  for (int k = 1; k <= n; ++k) work[k] = 0.0f;
  float bet = diag[1];
  x[1] = rhs[1] / bet;
  for (int k = 2; k <= n; ++k) {
    work[k] = sup[k - 1] / bet;
    bet = diag[k] - sub[k] * work[k];
    x[k] = (rhs[k] - sub[k] * x[k - 1]) / bet;
  }
  if (std::fabs(x[n]) < 1e-37f) x[n] = 0.0f;
  for (int k = n - 1; k >= 1; --k) {
    x[k] = x[k] - work[k + 1] * x[k + 1];
    if (std::fabs(x[k]) < 1e-37f) x[k] = 0.0f;
  }
}

}  // namespace swx
