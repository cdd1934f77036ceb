#include "wavegen/numerics.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "param_builder.hpp"

namespace swx {
namespace {

using test::fatal_from;

// ---------------------------------------------------------------- wavenumber

TEST(Wavenumber, SatisfiesLinearDispersionFromShallowToDeepWater) {
  // omega chosen from a target kh in (0.01, 19.5) so that x = omega^2 h / g covers the Newton
  // range; the result must give omega^2 = g k tanh(kh) to 1e-6 relative.
  for (float h : {0.5f, 3.0f, 20.0f, 400.0f}) {
    for (double kh = 0.01; kh < 19.5; kh *= 1.37) {
      const double k_true = kh / h;
      const float omega = static_cast<float>(std::sqrt(9.81 * k_true * std::tanh(kh)));
      const double k = wavenumber(omega, h);
      const double w2 = static_cast<double>(omega) * omega;
      EXPECT_NEAR(9.81 * k * std::tanh(k * h) / w2, 1.0, 1e-6) << "h " << h << " kh " << kh;
    }
  }
}

TEST(Wavenumber, DeepWaterCutReturnsTwentyOverDepthExactly) {
  // Find a depth for which omega^2 h / g rounds to exactly 20 in float; at the cut y = x = 20.
  const float omega = 4.0f;
  float h = 12.2625f;  // 20 g / 16
  while (omega * omega * h / kGravity > 20.0f) h = std::nextafter(h, 0.0f);
  while (omega * omega * h / kGravity < 20.0f) h = std::nextafter(h, 100.0f);
  ASSERT_EQ(omega * omega * h / kGravity, 20.0f);
  EXPECT_EQ(wavenumber(omega, h), 20.0f / h);
  // One step shallower the iteration runs and still meets the dispersion relation.
  const float h_below = std::nextafter(h, 0.0f);
  const double k = wavenumber(omega, h_below);
  EXPECT_NEAR(9.81 * k * std::tanh(k * h_below) / 16.0, 1.0, 1e-6);
}

// ---------------------------------------------------------------- FFT

std::vector<float> zero_mean_noise(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> d(static_cast<std::size_t>(n));
  double mean = 0.0;
  for (double& v : d) mean += (v = u(gen));
  mean /= n;
  std::vector<float> x(static_cast<std::size_t>(n) + 2, 0.0f);
  for (int k = 0; k < n; ++k)
    x[static_cast<std::size_t>(k)] = static_cast<float>(d[static_cast<std::size_t>(k)] - mean);
  return x;
}

TEST(RealFft, ForwardInverseRoundTripForEveryAllowedLength) {
  for (int n = 2; n <= kMaxFftSize; n *= 2) {
    std::vector<float> x = zero_mean_noise(n, static_cast<unsigned>(n));
    const std::vector<float> original = x;
    forward_real_fft(x, n);
    inverse_real_fft(x, n);
    float worst = 0.0f, peak = 0.0f;
    for (int k = 0; k < n; ++k) {
      worst = std::max(worst, std::fabs(x[static_cast<std::size_t>(k)] - original[static_cast<std::size_t>(k)]));
      peak = std::max(peak, std::fabs(original[static_cast<std::size_t>(k)]));
    }
    // n = 2 holds a pure Nyquist pair; every other length mixes all harmonics.
    EXPECT_LE(worst, 1e-5f * peak) << "n = " << n;
  }
}

TEST(RealFft, HarmonicGivesAmplitudeAndPhaseAtItsCoefficient) {
  // a cos(2 pi j k / n - phi) -> coefficient j = a (cos phi + i sin phi), all others zero;
  // the Nyquist term b cos(pi k) -> real part b at position n.
  const int n = 64, j = 5;
  const float a = 1.5f, phi = 0.7f, b = 0.25f;
  std::vector<float> x(n + 2, 0.0f);
  for (int k = 0; k < n; ++k)
    x[static_cast<std::size_t>(k)] =
        static_cast<float>(a * std::cos(2.0 * M_PI * j * k / n - phi) + b * std::cos(M_PI * k));
  forward_real_fft(x, n);
  for (int q = 0; q <= n / 2; ++q) {
    const float re = x[static_cast<std::size_t>(2 * q)], im = x[static_cast<std::size_t>(2 * q + 1)];
    const float want_re = q == j ? a * std::cos(phi) : (q == n / 2 ? b : 0.0f);
    const float want_im = q == j ? a * std::sin(phi) : 0.0f;
    EXPECT_NEAR(re, want_re, 1e-6f) << "q = " << q;
    EXPECT_NEAR(im, want_im, 1e-6f) << "q = " << q;
  }
}

TEST(RealFft, PhaseFactorDelaysTheHarmonic) {
  // Multiplying coefficient j by e^{i psi} turns a cos(theta_k - phi) into a cos(theta_k - phi - psi).
  const int n = 128, j = 9;
  const double a = 0.8, phi = -1.1, psi = 2.3;
  std::vector<float> x(n + 2, 0.0f);
  x[2 * j] = static_cast<float>(a * std::cos(phi));
  x[2 * j + 1] = static_cast<float>(a * std::sin(phi));
  const float re = x[2 * j], im = x[2 * j + 1];
  x[2 * j] = static_cast<float>(re * std::cos(psi) - im * std::sin(psi));
  x[2 * j + 1] = static_cast<float>(re * std::sin(psi) + im * std::cos(psi));
  x[0] = 3.0f;  // a mean given to the inverse is cleared
  inverse_real_fft(x, n);
  for (int k = 0; k < n; ++k)
    EXPECT_NEAR(x[static_cast<std::size_t>(k)], a * std::cos(2.0 * M_PI * j * k / n - phi - psi), 1e-6) << k;
}

// Deterministic zero-mean-ish input from an integer recurrence (independent of the library's
// random distributions), and a 64-bit FNV-1a digest of the float bit patterns.
std::vector<float> lcg_series(int n) {
  std::vector<float> x(static_cast<std::size_t>(n) + 2, 0.0f);
  std::uint32_t s = 12345u;
  for (int k = 0; k < n; ++k) {
    s = s * 1664525u + 1013904223u;
    x[static_cast<std::size_t>(k)] = static_cast<float>(static_cast<int>(s >> 8) - (1 << 23)) / 8388608.0f;
  }
  return x;
}

std::uint64_t digest(const std::vector<float>& x) {
  std::uint64_t h = 1469598103934665603ull;
  for (float v : x) {
    const std::uint32_t b = std::bit_cast<std::uint32_t>(v);
    for (int q = 0; q < 4; ++q) {
      h ^= (b >> (8 * q)) & 0xffu;
      h *= 1099511628211ull;
    }
  }
  return h;
}

TEST(RealFft, ResultsAreBitIdenticalToTheReferenceTransformAndRepeatable) {
  // Digests of the forward and inverse transforms as computed with twiddle factors formed
  // afresh on every call; keeping the factors between calls must not change a single bit.
  // Sizes are interleaved so that a table of one length is never used for another.
  struct Case {
    int n;
    std::uint64_t forward, inverse;
  };
  const Case cases[] = {
      {8, 0x279566322d98fbe5ull, 0xfccd167b930c7517ull},     {65536, 0x006663c3096f4943ull, 0xc00440eaa252f719ull},
      {1024, 0x9f7370910a0ca146ull, 0x0501a61d3831aec1ull},  {8, 0x279566322d98fbe5ull, 0xfccd167b930c7517ull},
      {65536, 0x006663c3096f4943ull, 0xc00440eaa252f719ull},
  };
  for (const Case& c : cases) {
    std::vector<float> x = lcg_series(c.n);
    forward_real_fft(x, c.n);
    EXPECT_EQ(digest(x), c.forward) << "forward n = " << c.n;
    inverse_real_fft(x, c.n);
    EXPECT_EQ(digest(x), c.inverse) << "inverse n = " << c.n;
  }
}

TEST(RealFft, SizeLimitsAndPowerOfTwoTest) {
  const FatalError e = fatal_from([] { check_fft_size(1048576); });
  EXPECT_EQ(e.line1, "NFFT is not an integer power of 2 in");
  EXPECT_EQ(e.line2, "the range from 2 to 524,288 inclusive.");
  std::vector<float> x(1048576 + 2, 0.0f);
  EXPECT_THROW(forward_real_fft(x, 1048576), FatalError);
  EXPECT_THROW(check_fft_size(1), FatalError);
  EXPECT_THROW(check_fft_size(1000), FatalError);
  EXPECT_NO_THROW(check_fft_size(2));
  EXPECT_NO_THROW(check_fft_size(524288));

  EXPECT_TRUE(is_power_of_two(1048576));
  EXPECT_TRUE(is_power_of_two(2));
  EXPECT_FALSE(is_power_of_two(1));
  EXPECT_FALSE(is_power_of_two(0));
  EXPECT_FALSE(is_power_of_two(96));
  EXPECT_FALSE(is_power_of_two(2097152));
}

// ---------------------------------------------------------------- resampling and tables

TEST(Resampling, SameCountReproducesAndRampStaysExact) {
  const std::vector<float> a = {0.5f, -1.0f, 2.0f, 4.0f, 3.5f};
  const std::vector<float> same = resample_linear(a, 0.2f, 5);
  for (std::size_t k = 0; k < a.size(); ++k) EXPECT_NEAR(same[k], a[k], 1e-6f);

  // Ramp a_i = 2 (i - 1) dt sampled with dt = 0.5 over 10 samples (duration 5 s); 16 outputs
  // have step 10 * 0.5 / 16 = 0.3125 and value 2 t until t passes the last sample (4.5 s), where
  // the last value 9 is held.
  std::vector<float> ramp(10);
  for (int i = 0; i < 10; ++i) ramp[static_cast<std::size_t>(i)] = 2.0f * 0.5f * static_cast<float>(i);
  EXPECT_FLOAT_EQ(resampled_step(10, 0.5f, 16), 0.3125f);
  resample_linear_in_place(ramp, 0.5f, 16);
  ASSERT_EQ(ramp.size(), 16u);
  for (int j = 0; j < 16; ++j) {
    const float t = 0.3125f * static_cast<float>(j);
    EXPECT_NEAR(ramp[static_cast<std::size_t>(j)], t < 4.5f ? 2.0f * t : 9.0f, 1e-5f) << j;
  }
}

TEST(TableInterpolation, LinearInsideAndHeldOutside) {
  const std::vector<float> y = {1.0f, 3.0f, 7.0f};  // at x = 10, 12, 14
  EXPECT_EQ(table_interpolate(y, 10.0f, 2.0f, 5.0f), 1.0f);
  EXPECT_FLOAT_EQ(table_interpolate(y, 10.0f, 2.0f, 11.0f), 2.0f);
  EXPECT_FLOAT_EQ(table_interpolate(y, 10.0f, 2.0f, 13.5f), 6.0f);
  EXPECT_EQ(table_interpolate(y, 10.0f, 2.0f, 30.0f), 7.0f);

  const std::vector<float> xs = {0.0f, 1.0f, 4.0f, 5.0f};
  const std::vector<float> ys = {10.0f, 20.0f, 50.0f, 0.0f};
  EXPECT_EQ(lookup_table(xs, ys, -1.0f), 10.0f);
  EXPECT_FLOAT_EQ(lookup_table(xs, ys, 2.5f), 35.0f);
  EXPECT_FLOAT_EQ(lookup_table(xs, ys, 4.0f), 50.0f);  // bracket x[k] < v <= x[k+1]
  EXPECT_EQ(lookup_table(xs, ys, 9.0f), 0.0f);
}

// ---------------------------------------------------------------- tridiagonal solver

TEST(TridiagonalSolver, PivotsPastAZeroDiagonalAndReportsSingularity) {
  // [0 2 0; 1 3 1; 0 1 4] x = b with x = (1, 2, 3): b = (4, 10, 14).  The first pivot is zero,
  // so the solver must interchange rows.
  std::vector<float> c = {0.0f, 1.0f, 1.0f}, d = {0.0f, 3.0f, 4.0f}, e = {2.0f, 1.0f, 0.0f};
  std::vector<float> b = {4.0f, 10.0f, 14.0f};
  ASSERT_TRUE(solve_tridiagonal(c, d, e, b));
  EXPECT_NEAR(b[0], 1.0f, 1e-6f);
  EXPECT_NEAR(b[1], 2.0f, 1e-6f);
  EXPECT_NEAR(b[2], 3.0f, 1e-6f);

  std::vector<float> c2 = {0.0f, 1.0f}, d2 = {1.0f, 1.0f}, e2 = {1.0f, 0.0f}, b2 = {1.0f, 2.0f};
  EXPECT_FALSE(solve_tridiagonal(c2, d2, e2, b2));  // [1 1; 1 1] is singular
}

TEST(TridiagonalSolver, ResidualOfALargeSystemIsSmall) {
  const int n = 200;
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> c(n), d(n), e(n), b(n), x(n);
  for (int i = 0; i < n; ++i) {
    c[static_cast<std::size_t>(i)] = i > 0 ? u(gen) : 0.0f;
    e[static_cast<std::size_t>(i)] = i < n - 1 ? u(gen) : 0.0f;
    d[static_cast<std::size_t>(i)] = 1e-6f * u(gen);  // tiny diagonal: only row interchanges keep it stable
    x[static_cast<std::size_t>(i)] = u(gen);
  }
  for (int i = 0; i < n; ++i) {
    const std::size_t q = static_cast<std::size_t>(i);
    b[q] = d[q] * x[q] + (i > 0 ? c[q] * x[q - 1] : 0.0f) + (i < n - 1 ? e[q] * x[q + 1] : 0.0f);
  }
  std::vector<float> cc = c, dd = d, ee = e, sol = b;
  ASSERT_TRUE(solve_tridiagonal(cc, dd, ee, sol));
  for (int i = 0; i < n; ++i) {
    const std::size_t q = static_cast<std::size_t>(i);
    const float r = d[q] * sol[q] + (i > 0 ? c[q] * sol[q - 1] : 0.0f) + (i < n - 1 ? e[q] * sol[q + 1] : 0.0f);
    EXPECT_NEAR(r, b[q], 1e-4f) << i;
  }
}

// ---------------------------------------------------------------- cubic spline

TEST(CubicSpline, ReproducesLinesAndSmoothCurves) {
  // A natural spline through a straight line is that line; through sin on [0, pi] (zero
  // curvature at both ends) with 21 knots it is within h^4/384 * max|sin''''| ~ 1e-5.
  std::vector<float> xc(21), line(21), wave(21);
  for (int k = 0; k < 21; ++k) {
    xc[static_cast<std::size_t>(k)] = static_cast<float>(k) * kPi / 20.0f;
    line[static_cast<std::size_t>(k)] = 3.0f - 2.0f * xc[static_cast<std::size_t>(k)];
    wave[static_cast<std::size_t>(k)] = std::sin(xc[static_cast<std::size_t>(k)]);
  }
  const CubicSpline sl = fit_cubic_spline(xc, line);
  const CubicSpline sw = fit_cubic_spline(xc, wave);
  for (float x = 0.0f; x <= 3.14f; x += 0.0371f) {
    EXPECT_NEAR(evaluate_cubic_spline(sl, x), 3.0f - 2.0f * x, 2e-6f);
    EXPECT_NEAR(evaluate_cubic_spline(sw, x), std::sin(x), 2e-5f);
  }
}

TEST(CubicSpline, KnotCountAndOrderMessages) {
  const std::vector<float> two = {0.0f, 1.0f};
  FatalError e = fatal_from([&] { fit_cubic_spline(two, two); });
  EXPECT_EQ(e.line1, "NP is less than the minimum limit of NP = 3");

  const std::vector<float> many(1001, 0.0f);
  e = fatal_from([&] { fit_cubic_spline(many, many); });
  EXPECT_EQ(e.line1, "NP = 1001 which exceeds the maximum limit");
  EXPECT_EQ(e.line2, "of NP_max = 1000.");

  const std::vector<float> xc = {0.0f, 1.5f, 1.5f, 2.0f};
  e = fatal_from([&] { fit_cubic_spline(xc, xc); });
  EXPECT_EQ(e.line1, "XC(2) = 1.5 and XC(3) = 1.5 which violates");
  EXPECT_EQ(e.line2, "the condition that XC(j+1) must be greater than XC(j)");
  EXPECT_EQ(e.line3, "for any value of j.");

  const std::vector<float> a = {1.0f, 2.0f, 3.0f, 4.0f};
  float dt_new = 0.0f;
  e = fatal_from([&] { spline_resample(0.0f, 0.0f, a, false, 8, dt_new); });
  EXPECT_EQ(e.line1, "Two values in input array XC are identical but all");
  EXPECT_EQ(e.line2, "values in XC must be distinct.");
}

TEST(CubicSpline, WindowedResamplingOfALongSeries) {
  // 5000 samples of a 40-sample-period sine (dt = 0.1 s) are carried onto 8192 samples over the
  // same duration (end-point flag: new step 0.1 * 5000 / 8192), which needs several windows of
  // at most 1000 knots.  Interior values match the sine to spline accuracy; the last few
  // outputs lie beyond the last knot and are extrapolated, so they are left out.
  const int n = 5000, m = 8192;
  const float dt = 0.1f, t0 = 2.0f;
  std::vector<float> a(n);
  for (int k = 0; k < n; ++k) a[static_cast<std::size_t>(k)] = std::sin(2.0f * kPi * static_cast<float>(k) / 40.0f);
  float dt_new = 0.0f;
  const std::vector<float> b = spline_resample(t0, dt, a, true, m, dt_new);
  ASSERT_EQ(b.size(), static_cast<std::size_t>(m));
  EXPECT_FLOAT_EQ(dt_new, dt * 5000.0f / 8192.0f);
  for (int j = 0; j < m; ++j) {
    const double s = j * static_cast<double>(dt_new) / dt;  // position in samples
    if (s > n - 1) break;
    EXPECT_NEAR(b[static_cast<std::size_t>(j)], std::sin(2.0 * M_PI * s / 40.0), 2e-4) << j;
  }
  // Without the flag and with m = n the knots themselves come back.
  const std::vector<float> same = spline_resample(t0, dt, a, false, n, dt_new);
  EXPECT_FLOAT_EQ(dt_new, dt);
  for (int k = 0; k < n; k += 7) EXPECT_NEAR(same[static_cast<std::size_t>(k)], a[static_cast<std::size_t>(k)], 1e-5f);
}

}  // namespace
}  // namespace swx
