#pragma once
// Dense linear systems of the permanent-form wave solutions: LU decomposition with partial
// pivoting and iterative improvement of the solution with residuals accumulated in double.
// A failure writes its line to the console and the run goes on with what was obtained.
#include <span>
#include <string_view>

#include "core/fatal.hpp"

namespace swx {

// Console lines of the two kinds of failure.  A matrix with a row of zeros is reported with
// the first text, a pivot that vanishes during the elimination with the second.
struct DenseSolverTexts {
  std::string_view singular_row;
  std::string_view singular_pivot;
  std::string_view not_converged;
};
inline constexpr DenseSolverTexts kPeriodicWaveTexts{"Singular matrix", "Singular matrix.",
                                                     "Iterative improvement did not converge"};
inline constexpr DenseSolverTexts kSolitaryWaveTexts{"singular matrix", "singular matrix.",
                                                     "iterative improvement did not converge"};

enum class DenseStatus { kSolved, kSingular, kNotConverged };

// Solves A x = b for the n x n matrix a (row-major, n * n values).  The solution is improved
// until the largest correction is at most tolerance times the largest unknown (at most 10
// rounds).  kSingular leaves x at 0; kNotConverged leaves the last improved solution.
DenseStatus solve_dense(int n, std::span<const float> a, std::span<const float> b, std::span<float> x, float tolerance,
                        const DenseSolverTexts& texts, const Reporter& reporter);

}  // namespace swx
