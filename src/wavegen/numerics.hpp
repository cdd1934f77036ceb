#pragma once
// Small numerical routines of wave generation: the linear-dispersion wavenumber, the real FFT
// pair of power-of-two length, linear resampling and table interpolation, cubic splines with
// their tridiagonal solver, and the power-of-two test.  All arithmetic is in 32-bit float.
// Arrays are zero-based here: element 0 holds what the formulas call sample 1.
#include <span>
#include <vector>

namespace swx {

inline constexpr int kMaxFftSize = 524288;    // 2^19, the longest transform
inline constexpr int kMaxSplineKnots = 1000;  // knots of one spline fit

// Wavenumber k (1/m) of linear waves, omega^2 = g k tanh(k h), angular frequency omega (rad/s)
// and depth h (m).  With x = omega^2 h / g >= 20 the deep-water value x / h is returned as is;
// otherwise Newton's method on kh tanh(kh) = x.  A dry point (h <= 0) or omega = 0 gives 0.
float wavenumber(float omega, float h);

// True when n = 2^q for q in 1..20 (2 .. 1,048,576); false for 1 and everything else.
bool is_power_of_two(int n);

// Stops the run with the FFT size message unless n is a power of two from 2 to 524,288.
void check_fft_size(int n);

// Forward real FFT in place.  x holds at least n + 2 floats; on entry x[0..n-1] is the series,
// on return coefficient j (j = 0..n/2) has its real part at x[2j] and imaginary part at
// x[2j+1], scaled so that coefficient j = a (cos phi + i sin phi) for the harmonic
// a cos(2 pi j k / n - phi) at sample k (1 <= j < n/2, scaled by 2/n).  Coefficient 0 is the
// mean and coefficient n/2 (real) the amplitude b of b cos(pi k), both scaled by 1/n.
void forward_real_fft(std::span<float> x, int n);

// Inverse of forward_real_fft for zero-mean series: coefficient 0 is cleared first, so the
// series returned in x[0..n-1] has no mean.  x holds at least n + 2 floats.
void inverse_real_fft(std::span<float> x, int n);

// New step of a series of n_in samples of step dt resampled to n_out samples over the same
// duration: n_in dt / n_out.
float resampled_step(int n_in, float dt, int n_out);

// Linear resampling of a (step dt) to n_out samples of step resampled_step(a.size(), dt, n_out),
// holding the first and last values beyond the ends.
std::vector<float> resample_linear(std::span<const float> a, float dt, int n_out);
// The same, replacing a by its resampled version (a.size() becomes n_out).
void resample_linear_in_place(std::vector<float>& a, float dt, int n_out);

// y(x) from values y[0..n-1] tabulated at x0, x0 + dx, ...: linear between the bracketing
// values, y[0] below the first abscissa and y[n-1] beyond the last.
float table_interpolate(std::span<const float> y, float x0, float dx, float x);

// y(v) from sorted abscissae xs and ordinates ys (same length): ys[0] at or below xs[0],
// the last ordinate at or beyond the last abscissa, linear interpolation by bisection between.
float lookup_table(std::span<const float> xs, std::span<const float> ys, float v);

// Solves the tridiagonal system with sub-diagonal c[1..n-1], diagonal d[0..n-1] and
// super-diagonal e[0..n-2] by Gaussian elimination with partial pivoting; the right-hand side
// b is replaced by the solution.  c, d and e are overwritten.  Returns false (b partly
// overwritten) when a pivot is exactly zero.  c[0] and e[n-1] are not used.
bool solve_tridiagonal(std::span<float> c, std::span<float> d, std::span<float> e, std::span<float> b);

// Natural cubic spline through knots (xc[k], yc[k]), 3 to 1000 strictly increasing knots.
struct CubicSpline {
  std::vector<float> x, y;
  std::vector<float> y2;  // second derivatives at the knots
};
// Fits the spline; too few or too many knots, knots out of order or a failed tridiagonal solve
// stop the run with their messages.
CubicSpline fit_cubic_spline(std::span<const float> xc, std::span<const float> yc);
// Value of the spline at x; beyond the end knots the end interval's cubic is extended.
float evaluate_cubic_spline(const CubicSpline& s, float x);

// Samples a series (start time t0, step dt, n = a.size() >= 3 samples) at m equally spaced times
// from t0 by cubic splines fitted over windows of at most 1000 knots.  With end_point_flag set
// the new step is dt n / m (the series is one period whose last sample is not an end point),
// otherwise dt (n - 1) / (m - 1).  Returns the m samples; dt_new receives the new step.
std::vector<float> spline_resample(float t0, float dt, std::span<const float> a, bool end_point_flag, int m,
                                   float& dt_new);

}  // namespace swx
