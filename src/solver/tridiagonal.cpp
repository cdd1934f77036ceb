// Tridiagonal line solves of the momentum rows.
#include "solver/tridiagonal.hpp"

#include <cmath>

namespace swx {

void solve_tridiagonal(const float* sub, const float* diag, const float* sup, const float* rhs, float* x, int n,
                       float* work) {
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

// Column i lies at offset i - 1 of each row; o0..o1 are the offsets of the columns solved.  The
// work and x elements read are written earlier in the same solve, so stale rows do not matter.
void eliminate_column_row(ColumnRows& r, int k, int i_first, int i_last) {
  const int o0 = i_first - 1, o1 = i_last;
  float* __restrict bet = r.bet.data();
  const float* __restrict sub = r.sub.data();
  const float* __restrict d = r.diag.data();
  const float* __restrict b = r.rhs.data();
  float* __restrict x = r.x.col(k);
  if (k == 1) {
    for (int i = o0; i < o1; ++i) {
      bet[i] = d[i];
      x[i] = b[i] / bet[i];
    }
    return;
  }
  const float* __restrict supm = r.sup_row(k - 1);
  const float* __restrict xm = r.x.col(k - 1);
  float* __restrict w = r.work.col(k);
  for (int i = o0; i < o1; ++i) {
    w[i] = supm[i] / bet[i];
    bet[i] = d[i] - sub[i] * w[i];
    x[i] = (b[i] - sub[i] * xm[i]) / bet[i];
  }
}

void back_substitute_columns(ColumnRows& r, int i_first, int i_last, int n, Field& out) {
  const int o0 = i_first - 1, o1 = i_last;
  float* xn = r.x.col(n);
  for (int i = o0; i < o1; ++i)
    if (std::fabs(xn[i]) < 1e-37f) xn[i] = 0.0f;
  back_substitute_rows(r, i_first, i_last, n - 1, 2, xn, out);
}

void back_substitute_rows(ColumnRows& r, int i_first, int i_last, int k_top, int k_bottom, const float* above,
                          Field& out) {
  const int o0 = i_first - 1, o1 = i_last;
  const float* xp = above;  // solution of row k + 1
  for (int k = k_top; k >= k_bottom; --k) {
    const float* __restrict wp = r.work.col(k + 1);
    const float* __restrict xk = r.x.col(k);
    float* __restrict o = out.col(k);
    for (int i = o0; i < o1; ++i) {
      const float v = xk[i] - wp[i] * xp[i];
      o[i] = std::fabs(v) < 1e-37f ? 0.0f : v;
    }
    xp = o;
  }
}

}  // namespace swx

namespace swx {

void solve_tridiagonal_block(LineBlock& b, int lanes) {
  constexpr int L = LineBlock::kLanes;
  const int n = b.n;
  // Transpose the assembled lines; idle lanes get the identity (their result is not used).
  for (int r = 0; r < L; ++r) {
    const bool used = r < lanes;
    const float* s = b.line(b.sub, r);
    const float* d = b.line(b.diag, r);
    const float* p = b.line(b.sup, r);
    const float* h = b.line(b.rhs, r);
    for (int k = 1; k <= n; ++k) {
      const std::size_t e = static_cast<std::size_t>(k) * L + static_cast<std::size_t>(r);
      b.bsub[e] = used ? s[k] : 0.0f;
      b.bdiag[e] = used ? d[k] : 1.0f;
      b.bsup[e] = used ? p[k] : 0.0f;
      b.brhs[e] = used ? h[k] : 0.0f;
    }
  }
  float* __restrict x = b.bx.data();
  float* __restrict w = b.bw.data();
  const float* __restrict sub = b.bsub.data();
  const float* __restrict dia = b.bdiag.data();
  const float* __restrict sup = b.bsup.data();
  const float* __restrict rhs = b.brhs.data();
  float bet[L];
  for (int r = 0; r < L; ++r) {
    bet[r] = dia[L + r];
    x[L + r] = rhs[L + r] / bet[r];
  }
  for (int k = 2; k <= n; ++k) {
    const std::size_t o = static_cast<std::size_t>(k) * L, om = o - L;
    for (int r = 0; r < L; ++r) {
      w[o + r] = sup[om + r] / bet[r];
      bet[r] = dia[o + r] - sub[o + r] * w[o + r];
      x[o + r] = (rhs[o + r] - sub[o + r] * x[om + r]) / bet[r];
    }
  }
  {
    const std::size_t o = static_cast<std::size_t>(n) * L;
    for (int r = 0; r < L; ++r) x[o + r] = std::fabs(x[o + r]) < 1e-37f ? 0.0f : x[o + r];
  }
  for (int k = n - 1; k >= 1; --k) {
    const std::size_t o = static_cast<std::size_t>(k) * L, op = o + L;
    for (int r = 0; r < L; ++r) {
      const float v = x[o + r] - w[op + r] * x[op + r];
      x[o + r] = std::fabs(v) < 1e-37f ? 0.0f : v;
    }
  }
}

}  // namespace swx
