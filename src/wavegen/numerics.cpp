#include "wavegen/numerics.hpp"

#include <cmath>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

float wavenumber(float omega, float h) {
  // Still water or a dry point has no progressive wave; callers give such points zero velocity.
  if (!(h > 0.0f) || omega == 0.0f) return 0.0f;
  const float x = omega * omega * h / kGravity;
  float y = x;
  if (x < 20.0f) {
    // Newton's method on y tanh(y) = x from y = x; 21 corrections at most.
    for (int it = 1; it <= 21; ++it) {
      const float t = std::tanh(y);
      const float dy = (y * t - x) / (t + (1.0f - t * t) * y);
      y -= dy;
      if (std::fabs(dy / y) < 1.0e-7f) break;
    }
  }
  return y / h;
}

bool is_power_of_two(int n) {
  int p = 2;
  for (int q = 1; q <= 20; ++q, p *= 2)
    if (n == p) return true;
  return false;
}

void check_fft_size(int n) {
  int p = 2;
  bool ok = (n == p);
  for (int q = 1; q <= 18 && !ok; ++q) {
    p *= 2;
    ok = (n == p);
  }
  if (!ok) fatal("NFFT is not an integer power of 2 in", "the range from 2 to 524,288 inclusive.");
}

namespace {

// Integer part of v for an index; values beyond any array (and NaN) are held at +-2^30 so the
// conversion is always defined and the callers' range tests take over.
int index_of(float v) {
  if (!(v > -1073741824.0f)) return -1073741824;
  if (v > 1073741824.0f) return 1073741824;
  return static_cast<int>(v);
}

// cos(base k) and sin(base k) for k = 0..last, rounded to float.  Formed by rotation in double
// precision, re-anchored on the library functions every 256 steps, so that a table costs a few
// multiplications per entry and stays accurate far beyond float precision.
void unit_roots(int last, double base, std::vector<float>& c, std::vector<float>& s) {
  const std::size_t n = static_cast<std::size_t>(last < 0 ? 0 : last + 1);
  c.resize(n);
  s.resize(n);
  const double cr = std::cos(base), ci = std::sin(base);
  double wr = 1.0, wi = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    if (k % 256 == 0) {
      wr = std::cos(base * static_cast<double>(k));
      wi = std::sin(base * static_cast<double>(k));
    }
    c[k] = static_cast<float>(wr);
    s[k] = static_cast<float>(wi);
    const double t = wr * cr - wi * ci;
    wi = wr * ci + wi * cr;
    wr = t;
  }
}

// Twiddle factors of one transform length n (complex transform of m = n/2 points), formed once
// per length and kept for the rest of the run: exp(-+2 pi i k / m) for k = 0..m/2-1 and
// exp(-2 pi i j / n) for j = 0..n/2.  The tables are formed exactly as they would be on every
// call, so keeping them changes no result.
struct FftTables {
  std::vector<float> complex_cos, complex_sin_forward, complex_sin_inverse;
  std::vector<float> half_cos, half_sin;
};

const FftTables& fft_tables(int n) {
  static std::map<int, FftTables> cache;
  auto found = cache.find(n);
  if (found != cache.end()) return found->second;
  FftTables t;
  const int m = n / 2;
  std::vector<float> inverse_cos;
  unit_roots(m / 2 - 1, -1 * 2.0 * kPiDouble / m, t.complex_cos, t.complex_sin_forward);
  unit_roots(m / 2 - 1, +1 * 2.0 * kPiDouble / m, inverse_cos, t.complex_sin_inverse);
  unit_roots(n / 2, -2.0 * kPiDouble / n, t.half_cos, t.half_sin);
  return cache.emplace(n, std::move(t)).first->second;
}

// In-place radix-2 complex FFT of m points held interleaved (re, im) in z[0..2m-1], kernel
// exp(sign 2 pi i j n / m), unscaled.  Twiddles are formed in double precision and rounded once.
void complex_fft(float* z, int m, int sign) {
  if (m < 2) return;
  for (int i = 1, j = 0; i < m; ++i) {  // bit reversal
    int bit = m >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      std::swap(z[2 * i], z[2 * j]);
      std::swap(z[2 * i + 1], z[2 * j + 1]);
    }
  }
  const FftTables& tables = fft_tables(2 * m);
  const std::vector<float>& wr = tables.complex_cos;
  const std::vector<float>& wi = sign < 0 ? tables.complex_sin_forward : tables.complex_sin_inverse;
  for (int len = 2; len <= m; len *= 2) {
    const int half = len / 2;
    const int stride = m / len;
    for (int s = 0; s < m; s += len) {
      for (int k = 0; k < half; ++k) {
        const float cr = wr[static_cast<std::size_t>(k) * static_cast<std::size_t>(stride)];
        const float ci = wi[static_cast<std::size_t>(k) * static_cast<std::size_t>(stride)];
        float* a = z + 2 * (s + k);
        float* b = z + 2 * (s + k + half);
        const float tr = b[0] * cr - b[1] * ci;
        const float ti = b[0] * ci + b[1] * cr;
        b[0] = a[0] - tr;
        b[1] = a[1] - ti;
        a[0] += tr;
        a[1] += ti;
      }
    }
  }
}

}  // namespace

// The series is packed as m = n/2 complex samples z_p = x_2p + i x_2p+1 and transformed at half
// length; the even and odd parts are then separated to give X_j = sum_k x_k exp(-2 pi i j k / n).
// The stored coefficient is conj(X_j) scaled by 2/n (1/n for the mean and the Nyquist term), so
// that a cos(2 pi j k / n - phi) yields a (cos phi + i sin phi).
void forward_real_fft(std::span<float> x, int n) {
  check_fft_size(n);
  if (x.size() < static_cast<std::size_t>(n) + 2) fatal("FFT work array holds fewer than NFFT + 2 values.");
  const int m = n / 2;
  float* z = x.data();
  complex_fft(z, m, -1);
  const FftTables& tables = fft_tables(n);
  const std::vector<float>& wc = tables.half_cos;
  const std::vector<float>& ws = tables.half_sin;
  // Unpack pairs (j, m - j) together so the transform stays in place.
  const float z0r = z[0], z0i = z[1];
  for (int j = 1; 2 * j <= m; ++j) {
    const int k = m - j;
    const float ar = z[2 * j], ai = z[2 * j + 1];
    const float br = z[2 * k], bi = z[2 * k + 1];
    // E_j = (Z_j + conj Z_k)/2, O_j = (Z_j - conj Z_k)/(2i); X_j = E_j + w^j O_j.
    auto unpack = [&](int jj, float zr, float zi, float cr, float ci, float& xr, float& xi) {
      const float er = 0.5f * (zr + cr), ei = 0.5f * (zi - ci);
      const float or_ = 0.5f * (zi + ci), oi = -0.5f * (zr - cr);
      const float w_r = wc[static_cast<std::size_t>(jj)], w_i = ws[static_cast<std::size_t>(jj)];
      xr = er + (w_r * or_ - w_i * oi);
      xi = ei + (w_r * oi + w_i * or_);
    };
    float xjr, xji, xkr, xki;
    unpack(j, ar, ai, br, bi, xjr, xji);
    unpack(k, br, bi, ar, ai, xkr, xki);
    const float scale = 2.0f / static_cast<float>(n);
    z[2 * j] = xjr * scale;
    z[2 * j + 1] = -xji * scale;
    z[2 * k] = xkr * scale;
    z[2 * k + 1] = -xki * scale;
  }
  const float inv_n = 1.0f / static_cast<float>(n);
  x[0] = (z0r + z0i) * inv_n;  // mean
  x[1] = 0.0f;
  x[static_cast<std::size_t>(n)] = (z0r - z0i) * inv_n;  // Nyquist: amplitude of cos(pi k)
  x[static_cast<std::size_t>(n) + 1] = 0.0f;
}

void inverse_real_fft(std::span<float> x, int n) {
  check_fft_size(n);
  if (x.size() < static_cast<std::size_t>(n) + 2) fatal("FFT work array holds fewer than NFFT + 2 values.");
  const int m = n / 2;
  float* z = x.data();
  const FftTables& tables = fft_tables(n);
  const std::vector<float>& wc = tables.half_cos;
  const std::vector<float>& ws = tables.half_sin;
  // Back to the unscaled transform X_j = conj(c_j) n/2 (X_0 = 0, X_m = c_m n), then
  // E_j = (X_j + conj X_{m-j})/2, O_j = (X_j - conj X_{m-j}) / (2 w^j), Z_j = E_j + i O_j.
  const float half_n = 0.5f * static_cast<float>(n);
  const float xm = x[static_cast<std::size_t>(n)] * static_cast<float>(n);
  auto pack = [&](int jj, float ar, float ai, float br, float bi, float& zr, float& zi) {
    // a = X_j, b = X_{m-j}
    const float er = 0.5f * (ar + br), ei = 0.5f * (ai - bi);
    const float dr = 0.5f * (ar - br), di = 0.5f * (ai + bi);
    // divide by w^j = multiply by conj(w^j)
    const float w_r = wc[static_cast<std::size_t>(jj)], w_i = -ws[static_cast<std::size_t>(jj)];
    const float or_ = dr * w_r - di * w_i, oi = dr * w_i + di * w_r;
    zr = er - oi;
    zi = ei + or_;
  };
  for (int j = 1; 2 * j <= m; ++j) {
    const int k = m - j;
    const float ar = z[2 * j] * half_n, ai = -z[2 * j + 1] * half_n;
    const float br = z[2 * k] * half_n, bi = -z[2 * k + 1] * half_n;
    float zjr, zji, zkr, zki;
    pack(j, ar, ai, br, bi, zjr, zji);
    pack(k, br, bi, ar, ai, zkr, zki);
    z[2 * j] = zjr;
    z[2 * j + 1] = zji;
    z[2 * k] = zkr;
    z[2 * k + 1] = zki;
  }
  // j = 0: X_0 = 0 (the mean is cleared) and X_m real.
  z[0] = 0.5f * xm;
  z[1] = -0.5f * xm;
  complex_fft(z, m, +1);
  const float inv_m = 1.0f / static_cast<float>(m);
  for (int i = 0; i < n; ++i) z[i] *= inv_m;
  x[static_cast<std::size_t>(n)] = 0.0f;
  x[static_cast<std::size_t>(n) + 1] = 0.0f;
}

float resampled_step(int n_in, float dt, int n_out) {
  return static_cast<float>(n_in) * dt / static_cast<float>(n_out);
}

std::vector<float> resample_linear(std::span<const float> a, float dt, int n_out) {
  const int n_in = static_cast<int>(a.size());
  std::vector<float> b(static_cast<std::size_t>(n_out > 0 ? n_out : 0));
  if (n_in == 0) return b;
  const float dt_new = resampled_step(n_in, dt, n_out);
  for (int j = 0; j < n_out; ++j) {
    const float t = static_cast<float>(j) * dt_new;
    const int i = index_of(t / dt + 1.0f);  // 1-based sample at or before t
    float value;
    if (i < 1) {
      value = a[0];
    } else if (i + 1 > n_in) {
      value = a[static_cast<std::size_t>(n_in - 1)];
    } else {
      const float ai = a[static_cast<std::size_t>(i - 1)];
      const float aj = a[static_cast<std::size_t>(i)];
      value = ai + (t - static_cast<float>(i - 1) * dt) * (aj - ai) / dt;
    }
    b[static_cast<std::size_t>(j)] = value;
  }
  return b;
}

void resample_linear_in_place(std::vector<float>& a, float dt, int n_out) {
  std::vector<float> b = resample_linear(a, dt, n_out);
  a.swap(b);
}

float table_interpolate(std::span<const float> y, float x0, float dx, float x) {
  const int n = static_cast<int>(y.size());
  if (n == 0) return 0.0f;
  const int i = index_of((x - x0) / dx + 1.0f);
  if (i < 1) return y[0];
  if (i + 1 <= n) {
    const float yi = y[static_cast<std::size_t>(i - 1)];
    const float yj = y[static_cast<std::size_t>(i)];
    return yi + (yj - yi) * (x - x0 - static_cast<float>(i - 1) * dx) / dx;
  }
  return y[static_cast<std::size_t>(n - 1)];
}

float lookup_table(std::span<const float> xs, std::span<const float> ys, float v) {
  const int n = static_cast<int>(xs.size());
  if (n == 0) return 0.0f;
  if (n <= 1 || v <= xs[0]) return ys[0];
  if (v >= xs[static_cast<std::size_t>(n - 1)]) return ys[static_cast<std::size_t>(n - 1)];
  int lo = 0, hi = n - 1;  // xs[lo] < v <= xs[hi]
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    if (v <= xs[static_cast<std::size_t>(mid)])
      hi = mid;
    else
      lo = mid;
  }
  const float x0 = xs[static_cast<std::size_t>(lo)], x1 = xs[static_cast<std::size_t>(hi)];
  const float y0 = ys[static_cast<std::size_t>(lo)], y1 = ys[static_cast<std::size_t>(hi)];
  return y0 + (y1 - y0) / (x1 - x0) * (v - x0);
}

// Gaussian elimination with partial pivoting on a tridiagonal matrix.  During elimination row k
// holds its entries in columns k, k+1, k+2 in c[k], d[k], e[k] (a row interchange can fill the
// second super-diagonal).  Back substitution then runs over the upper triangle of width three.
bool solve_tridiagonal(std::span<float> c, std::span<float> d, std::span<float> e, std::span<float> b) {
  const std::size_t n = d.size();
  if (n == 0) return true;
  c[0] = d[0];
  if (n >= 2) {
    d[0] = e[0];
    e[0] = 0.0f;
    e[n - 1] = 0.0f;
    for (std::size_t k = 0; k + 1 < n; ++k) {
      const std::size_t k1 = k + 1;
      if (std::fabs(c[k1]) >= std::fabs(c[k])) {  // the larger entry in column k becomes the pivot
        std::swap(c[k1], c[k]);
        std::swap(d[k1], d[k]);
        std::swap(e[k1], e[k]);
        std::swap(b[k1], b[k]);
      }
      if (c[k] == 0.0f) return false;
      const float t = -c[k1] / c[k];
      c[k1] = d[k1] + t * d[k];
      d[k1] = e[k1] + t * e[k];
      e[k1] = 0.0f;
      b[k1] = b[k1] + t * b[k];
    }
  }
  if (c[n - 1] == 0.0f) return false;
  b[n - 1] = b[n - 1] / c[n - 1];
  if (n >= 2) {
    b[n - 2] = (b[n - 2] - d[n - 2] * b[n - 1]) / c[n - 2];
    for (std::size_t kb = n - 2; kb-- > 0;) b[kb] = (b[kb] - d[kb] * b[kb + 1] - e[kb] * b[kb + 2]) / c[kb];
  }
  return true;
}

CubicSpline fit_cubic_spline(std::span<const float> xc, std::span<const float> yc) {
  const int np = static_cast<int>(xc.size());
  if (np < 3) fatal("NP is less than the minimum limit of NP = 3");
  if (np > kMaxSplineKnots)
    fatal("NP = " + compact_int(np) + " which exceeds the maximum limit",
          "of NP_max = " + compact_int(kMaxSplineKnots) + ".");
  for (int j = 1; j < np; ++j) {
    const float a = xc[static_cast<std::size_t>(j - 1)], b = xc[static_cast<std::size_t>(j)];
    if (!(b > a))
      fatal("XC(" + compact_int(j) + ") = " + compact_real(a) + " and XC(" + compact_int(j + 1) +
                ") = " + compact_real(b) + " which violates",
            "the condition that XC(j+1) must be greater than XC(j)", "for any value of j.");
  }
  CubicSpline s;
  s.x.assign(xc.begin(), xc.end());
  s.y.assign(yc.begin(), yc.end());
  s.y2.assign(static_cast<std::size_t>(np), 0.0f);  // natural ends: zero curvature
  // Interior knots 1..np-2 (0-based): (h0/6) y2[j-1] + ((h0 + h1)/3) y2[j] + (h1/6) y2[j+1]
  //   = (y[j+1] - y[j])/h1 - (y[j] - y[j-1])/h0.
  const int m = np - 2;
  std::vector<float> c(static_cast<std::size_t>(m)), d(static_cast<std::size_t>(m)), e(static_cast<std::size_t>(m)),
      r(static_cast<std::size_t>(m));
  for (int j = 1; j <= m; ++j) {
    const std::size_t q = static_cast<std::size_t>(j - 1);
    const float h0 = s.x[q + 1] - s.x[q];
    const float h1 = s.x[q + 2] - s.x[q + 1];
    c[q] = h0 / 6.0f;
    d[q] = (h0 + h1) / 3.0f;
    e[q] = h1 / 6.0f;
    r[q] = (s.y[q + 2] - s.y[q + 1]) / h1 - (s.y[q + 1] - s.y[q]) / h0;
  }
  if (!solve_tridiagonal(c, d, e, r)) fatal("Subroutine SGTSL failed to solve tridiagonal matrix.");
  for (int j = 1; j <= m; ++j) s.y2[static_cast<std::size_t>(j)] = r[static_cast<std::size_t>(j - 1)];
  return s;
}

float evaluate_cubic_spline(const CubicSpline& s, float x) {
  const std::size_t n = s.x.size();
  std::size_t lo = 0, hi = n - 1;
  if (x <= s.x[1]) {
    hi = 1;
  } else if (x < s.x[n - 2]) {
    while (hi - lo > 1) {
      const std::size_t mid = (lo + hi) / 2;
      if (s.x[mid] > x)
        hi = mid;
      else
        lo = mid;
    }
  }
  lo = hi - 1;
  const float h = s.x[hi] - s.x[lo];  // positive: the fit checked the knots
  const float a = (s.x[hi] - x) / h;
  const float b = (x - s.x[lo]) / h;
  return a * s.y[lo] + b * s.y[hi] + ((a * a * a - a) * s.y2[lo] + (b * b * b - b) * s.y2[hi]) * (h * h) / 6.0f;
}

// Long series are fitted in windows of kMaxSplineKnots consecutive knots that advance by
// kWindowStride; each output time is evaluated in the window that holds it at least
// (kMaxSplineKnots - kWindowStride) / 2 knots away from the window's inner ends, where the
// natural end conditions no longer matter.
std::vector<float> spline_resample(float t0, float dt, std::span<const float> a, bool end_point_flag, int m,
                                   float& dt_new) {
  constexpr int kWindowStride = 900;
  constexpr int kMargin = (kMaxSplineKnots - kWindowStride) / 2;
  const int n = static_cast<int>(a.size());
  if (dt == 0.0f && n >= 2)
    fatal("Two values in input array XC are identical but all", "values in XC must be distinct.");
  if (end_point_flag)
    dt_new = dt * static_cast<float>(n) / static_cast<float>(m);
  else
    dt_new = m > 1 ? dt * static_cast<float>(n - 1) / static_cast<float>(m - 1) : 0.0f;
  std::vector<float> knots(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) knots[static_cast<std::size_t>(k)] = t0 + static_cast<float>(k) * dt;
  std::vector<float> out(static_cast<std::size_t>(m > 0 ? m : 0));
  if (n <= kMaxSplineKnots) {
    const CubicSpline s = fit_cubic_spline(knots, a);
    for (int j = 0; j < m; ++j)
      out[static_cast<std::size_t>(j)] = evaluate_cubic_spline(s, t0 + static_cast<float>(j) * dt_new);
    return out;
  }
  const int windows = (n - kMaxSplineKnots + kWindowStride - 1) / kWindowStride + 1;
  int fitted = -1;
  CubicSpline s;
  for (int j = 0; j < m; ++j) {
    const float t = t0 + static_cast<float>(j) * dt_new;
    const int p = index_of(std::floor((t - t0) / dt));  // knot at or before t
    int w = p < kMargin ? 0 : (p - kMargin) / kWindowStride;
    if (w > windows - 1) w = windows - 1;
    if (w != fitted) {
      int start = w * kWindowStride;
      if (start > n - kMaxSplineKnots) start = n - kMaxSplineKnots;
      const std::size_t s0 = static_cast<std::size_t>(start);
      s = fit_cubic_spline(std::span<const float>(knots).subspan(s0, kMaxSplineKnots), a.subspan(s0, kMaxSplineKnots));
      fitted = w;
    }
    out[static_cast<std::size_t>(j)] = evaluate_cubic_spline(s, t);
  }
  return out;
}

}  // namespace swx
