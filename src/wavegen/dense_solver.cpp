#include "wavegen/dense_solver.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace swx {

namespace {

constexpr int kImprovementRounds = 10;

std::size_t idx(int r, int c, int n) {
  return static_cast<std::size_t>(r) * static_cast<std::size_t>(n) + static_cast<std::size_t>(c);
}

// Forward and back substitution with the packed LU factors and the row permutation.
void lu_solve(int n, const std::vector<float>& lu, const std::vector<int>& perm, std::span<float> x) {
  std::vector<float> y(static_cast<std::size_t>(n));
  for (int r = 0; r < n; ++r)
    y[static_cast<std::size_t>(r)] = x[static_cast<std::size_t>(perm[static_cast<std::size_t>(r)])];
  for (int r = 1; r < n; ++r) {
    double s = y[static_cast<std::size_t>(r)];
    for (int c = 0; c < r; ++c) s -= static_cast<double>(lu[idx(r, c, n)]) * y[static_cast<std::size_t>(c)];
    y[static_cast<std::size_t>(r)] = static_cast<float>(s);
  }
  for (int r = n - 1; r >= 0; --r) {
    double s = y[static_cast<std::size_t>(r)];
    for (int c = r + 1; c < n; ++c) s -= static_cast<double>(lu[idx(r, c, n)]) * y[static_cast<std::size_t>(c)];
    y[static_cast<std::size_t>(r)] = static_cast<float>(s / lu[idx(r, r, n)]);
  }
  std::copy(y.begin(), y.end(), x.begin());
}

}  // namespace

DenseStatus solve_dense(int n, std::span<const float> a, std::span<const float> b, std::span<float> x, float tolerance,
                        const DenseSolverTexts& texts, const Reporter& reporter) {
  const std::size_t nn = static_cast<std::size_t>(n);
  std::fill(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(nn), 0.0f);
  // Row scales for the choice of pivots.
  std::vector<float> scale(nn);
  for (int r = 0; r < n; ++r) {
    float big = 0.0f;
    for (int c = 0; c < n; ++c) big = std::max(big, std::fabs(a[idx(r, c, n)]));
    if (big == 0.0f) {
      reporter.console_line(texts.singular_row);
      return DenseStatus::kSingular;
    }
    scale[static_cast<std::size_t>(r)] = 1.0f / big;
  }
  std::vector<float> lu(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(nn * nn));
  std::vector<int> perm(nn);
  for (int r = 0; r < n; ++r) perm[static_cast<std::size_t>(r)] = r;
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    float best = -1.0f;
    for (int r = c; r < n; ++r) {
      const float v = std::fabs(lu[idx(r, c, n)]) * scale[static_cast<std::size_t>(r)];
      if (v > best) {
        best = v;
        pivot = r;
      }
    }
    if (lu[idx(pivot, c, n)] == 0.0f) {
      reporter.console_line(texts.singular_pivot);
      return DenseStatus::kSingular;
    }
    if (pivot != c) {
      for (int k = 0; k < n; ++k) std::swap(lu[idx(pivot, k, n)], lu[idx(c, k, n)]);
      std::swap(perm[static_cast<std::size_t>(pivot)], perm[static_cast<std::size_t>(c)]);
      std::swap(scale[static_cast<std::size_t>(pivot)], scale[static_cast<std::size_t>(c)]);
    }
    const float d = lu[idx(c, c, n)];
    for (int r = c + 1; r < n; ++r) {
      const float f = lu[idx(r, c, n)] / d;
      lu[idx(r, c, n)] = f;
      if (f == 0.0f) continue;
      for (int k = c + 1; k < n; ++k) lu[idx(r, k, n)] -= f * lu[idx(c, k, n)];
    }
  }
  std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(nn), x.begin());
  lu_solve(n, lu, perm, x);

  // Iterative improvement: residual of the original system in double, correction from the factors.
  std::vector<float> r(nn);
  for (int round = 0; round < kImprovementRounds; ++round) {
    for (int i = 0; i < n; ++i) {
      double s = b[static_cast<std::size_t>(i)];
      for (int c = 0; c < n; ++c)
        s -= static_cast<double>(a[idx(i, c, n)]) * static_cast<double>(x[static_cast<std::size_t>(c)]);
      r[static_cast<std::size_t>(i)] = static_cast<float>(s);
    }
    lu_solve(n, lu, perm, r);
    float dmax = 0.0f, xmax = 0.0f;
    for (std::size_t i = 0; i < nn; ++i) {
      x[i] += r[i];
      dmax = std::max(dmax, std::fabs(r[i]));
      xmax = std::max(xmax, std::fabs(x[i]));
    }
    if (dmax <= tolerance * xmax) return DenseStatus::kSolved;
  }
  reporter.console_line(texts.not_converged);
  return DenseStatus::kNotConverged;
}

}  // namespace swx
