#pragma once
// Tridiagonal line solves of the momentum rows.
#include "solver/model.hpp"

namespace swx {

// Thomas algorithm on rows 1..n of 1-based arrays (element 0 unused), 32-bit floats, no pivoting;
// values below 1e-37 in magnitude are flushed to 0.  work holds n + 1 floats.
void solve_tridiagonal(const float* sub, const float* diag, const float* sup, const float* rhs, float* x, int n,
                       float* work);

// solve_tridiagonal applied to the first `lanes` lines of b at once (rows 1..b.n of each); each
// line gets exactly the arithmetic of solve_tridiagonal.  The solution of line r, row k, is left
// in b.bx[k * LineBlock::kLanes + r].
void solve_tridiagonal_block(LineBlock& b, int lanes);

// solve_tridiagonal applied to columns i_first..i_last of r at once, i fastest, in two parts so
// that each row can be eliminated as soon as it is assembled.  eliminate_column_row takes row k
// (k = 1, 2, ..., n in order) from r.sub, r.diag, r.rhs and r.sup_row(k - 1) and leaves its
// factor and forward solution in r.work and r.x; back_substitute_columns then writes the
// solution of rows 2..n-1 to those columns of `out` (rows 1 and n, the boundary rows, are not
// written).  Each column gets exactly the arithmetic of solve_tridiagonal; other columns are not
// touched.
void eliminate_column_row(ColumnRows& r, int k, int i_first, int i_last);
void back_substitute_columns(ColumnRows& r, int i_first, int i_last, int n, Field& out);
// Rows k_top down to k_bottom of the back substitution, into out; `above` is the solution of
// row k_top + 1 (column i at offset i - 1), and work of row k_top + 1 must be formed.
void back_substitute_rows(ColumnRows& r, int i_first, int i_last, int k_top, int k_bottom, const float* above,
                          Field& out);

}  // namespace swx
