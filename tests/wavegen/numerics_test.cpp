// Dispersion, FFT, resampling, tables, the tridiagonal solver, splines and the random generator.
#include "wavegen/numerics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "param_builder.hpp"
#include "wavegen/random.hpp"

namespace swx {
namespace {

using test::fatal_from;

TEST(Wavenumber, SatisfiesLinearDispersionFromShallowToDeepWater) {
  for (float h : {0.5f, 3.0f, 20.0f, 400.0f})
    for (double kh = 0.01; kh < 19.5; kh *= 1.37) {
      const float omega = static_cast<float>(std::sqrt(9.81 * kh / h * std::tanh(kh)));
      const double k = wavenumber(omega, h);
      EXPECT_NEAR(9.81 * k * std::tanh(k * h) / (double(omega) * omega), 1.0, 1e-6) << h << " " << kh;
    }
}

TEST(RealFft, ForwardInverseRoundTripForEveryAllowedLength) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int n = 2; n <= kMaxFftSize; n *= 2) {
    std::vector<float> x(n + 2, 0.0f);
    float mean = 0.0f;
    for (int k = 0; k < n; ++k) mean += (x[k] = u(gen)) / n;
    for (int k = 0; k < n; ++k) x[k] -= mean;
    const std::vector<float> original = x;
    forward_real_fft(x, n);
    inverse_real_fft(x, n);
    float worst = 0.0f;
    for (int k = 0; k < n; ++k) worst = std::max(worst, std::fabs(x[k] - original[k]));
    EXPECT_LE(worst, 1e-5f) << "n = " << n;
  }
}

TEST(RealFft, HarmonicGivesAmplitudeAndPhaseAndTheInverseClearsTheMean) {
  // a cos(2 pi j k / n - phi) -> coefficient j = a (cos phi + i sin phi); the Nyquist term
  // b cos(pi k) -> real part b at position n; all others zero.
  const int n = 64, j = 5;
  const float a = 1.5f, phi = 0.7f, b = 0.25f;
  std::vector<float> x(n + 2, 0.0f), original(n);
  for (int k = 0; k < n; ++k)
    original[k] = x[k] = static_cast<float>(a * std::cos(2.0 * M_PI * j * k / n - phi) + b * std::cos(M_PI * k));
  forward_real_fft(x, n);
  for (int q = 0; q <= n / 2; ++q) {
    EXPECT_NEAR(x[2 * q], q == j ? a * std::cos(phi) : (q == n / 2 ? b : 0.0f), 1e-6f) << q;
    EXPECT_NEAR(x[2 * q + 1], q == j ? a * std::sin(phi) : 0.0f, 1e-6f) << q;
  }
  x[0] = 3.0f;
  inverse_real_fft(x, n);
  for (int k = 0; k < n; ++k) EXPECT_NEAR(x[k], original[k], 1e-6f) << k;
}

TEST(RealFft, SizeLimits) {
  const FatalError e = fatal_from([] { check_fft_size(1048576); });
  EXPECT_EQ(e.line1, "NFFT is not an integer power of 2 in");
  EXPECT_EQ(e.line2, "the range from 2 to 524,288 inclusive.");
  for (int n : {1, 1000}) EXPECT_THROW(check_fft_size(n), FatalError) << n;
  for (int n : {2, 524288}) EXPECT_NO_THROW(check_fft_size(n)) << n;
  for (int n : {2, 1048576}) EXPECT_TRUE(is_power_of_two(n)) << n;
  for (int n : {0, 1, 96, 2097152}) EXPECT_FALSE(is_power_of_two(n)) << n;
}

TEST(Resampling, LinearResamplingAndTableLookups) {
  const std::vector<float> a = {0.5f, -1.0f, 2.0f, 4.0f, 3.5f};
  EXPECT_EQ(resample_linear(a, 0.2f, 5), a);
  // Ramp 2 t sampled by 0.5 s over 10 samples onto 16 samples over the same 5 s: step 0.3125 s,
  // the last value 9 held beyond the last sample (4.5 s).
  std::vector<float> ramp(10);
  for (int i = 0; i < 10; ++i) ramp[i] = 1.0f * i;
  EXPECT_FLOAT_EQ(resampled_step(10, 0.5f, 16), 0.3125f);
  resample_linear_in_place(ramp, 0.5f, 16);
  ASSERT_EQ(ramp.size(), 16u);
  for (int j = 0; j < 16; ++j) EXPECT_NEAR(ramp[j], std::min(0.625f * j, 9.0f), 1e-5f) << j;

  // Tables: linear inside, end values held outside; lookup brackets x[k] < v <= x[k+1].
  const std::vector<float> y = {1, 3, 7}, xs = {0, 1, 4, 5}, ys = {10, 20, 50, 0};  // y at x = 10, 12, 14
  const float even[][2] = {{5, 1}, {11, 2}, {13.5f, 6}, {30, 7}}, uneven[][2] = {{-1, 10}, {2.5f, 35}, {4, 50}, {9, 0}};
  for (const auto& t : even) EXPECT_FLOAT_EQ(table_interpolate(y, 10.0f, 2.0f, t[0]), t[1]) << t[0];
  for (const auto& t : uneven) EXPECT_FLOAT_EQ(lookup_table(xs, ys, t[0]), t[1]) << t[0];
}

TEST(TridiagonalSolver, PivotsPastSmallDiagonalsAndReportsSingularity) {
  std::vector<float> c2 = {0, 1}, d2 = {1, 1}, e2 = {1, 0}, b2 = {1, 2};
  EXPECT_FALSE(solve_tridiagonal(c2, d2, e2, b2));  // [1 1; 1 1]

  // 200 rows with a tiny diagonal: only row interchanges keep the residual small.
  const int n = 200;
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> c(n), d(n), e(n), b(n), x(n);
  for (int i = 0; i < n; ++i) {
    c[i] = i > 0 ? u(gen) : 0.0f;
    e[i] = i < n - 1 ? u(gen) : 0.0f;
    d[i] = 1e-6f * u(gen);
    x[i] = u(gen);
  }
  auto apply = [&](const std::vector<float>& v, int i) {
    return d[i] * v[i] + (i > 0 ? c[i] * v[i - 1] : 0.0f) + (i < n - 1 ? e[i] * v[i + 1] : 0.0f);
  };
  for (int i = 0; i < n; ++i) b[i] = apply(x, i);
  std::vector<float> cc = c, dd = d, ee = e, sol = b;
  ASSERT_TRUE(solve_tridiagonal(cc, dd, ee, sol));
  for (int i = 0; i < n; ++i) EXPECT_NEAR(apply(sol, i), b[i], 1e-4f) << i;
}

TEST(CubicSpline, ReproducesLinesAndSmoothCurves) {
  // Natural spline: exact for a line; for sin on [0, pi] with 21 knots within h^4/384 ~ 1e-5.
  std::vector<float> xc(21), line(21), wave(21);
  for (int k = 0; k < 21; ++k) {
    xc[k] = k * kPi / 20.0f;
    line[k] = 3.0f - 2.0f * xc[k];
    wave[k] = std::sin(xc[k]);
  }
  const CubicSpline sl = fit_cubic_spline(xc, line), sw = fit_cubic_spline(xc, wave);
  for (float x = 0.0f; x <= 3.14f; x += 0.0371f) {
    EXPECT_NEAR(evaluate_cubic_spline(sl, x), 3.0f - 2.0f * x, 2e-6f);
    EXPECT_NEAR(evaluate_cubic_spline(sw, x), std::sin(x), 2e-5f);
  }
}

TEST(CubicSpline, KnotCountAndOrderMessages) {
  using Lines = test::FatalLines;
  const std::vector<float> two = {0, 1}, many(1001, 0.0f), repeated = {0, 1.5f, 1.5f, 2}, a = {1, 2, 3, 4};
  EXPECT_EQ(test::fatal_lines([&] { fit_cubic_spline(two, two); }),
            (Lines{"NP is less than the minimum limit of NP = 3", " ", " "}));
  EXPECT_EQ(test::fatal_lines([&] { fit_cubic_spline(many, many); }),
            (Lines{"NP = 1001 which exceeds the maximum limit", "of NP_max = 1000.", " "}));
  EXPECT_EQ(test::fatal_lines([&] { fit_cubic_spline(repeated, repeated); }),
            (Lines{"XC(2) = 1.5 and XC(3) = 1.5 which violates",
                   "the condition that XC(j+1) must be greater than XC(j)", "for any value of j."}));
  float dt_new = 0.0f;
  EXPECT_EQ(test::fatal_lines([&] { spline_resample(0.0f, 0.0f, a, false, 8, dt_new); }),
            (Lines{"Two values in input array XC are identical but all", "values in XC must be distinct.", " "}));
}

TEST(CubicSpline, WindowedResamplingOfALongSeries) {
  // A 40-sample sine, 5000 samples onto 8192 over the same duration: several windows of at most
  // 1000 knots.  Outputs past the last knot are extrapolated and not checked.
  const int n = 5000, m = 8192;
  const float dt = 0.1f;
  std::vector<float> a(n);
  for (int k = 0; k < n; ++k) a[k] = std::sin(2.0f * kPi * k / 40.0f);
  float dt_new = 0.0f;
  const std::vector<float> b = spline_resample(2.0f, dt, a, true, m, dt_new);
  ASSERT_EQ(b.size(), std::size_t(m));
  EXPECT_FLOAT_EQ(dt_new, dt * 5000.0f / 8192.0f);
  for (int j = 0; j < m && j * double(dt_new) / dt <= n - 1; ++j)
    EXPECT_NEAR(b[j], std::sin(2.0 * M_PI * j * double(dt_new) / dt / 40.0), 2e-4) << j;
}

TEST(RandomGenerator, SeedingAndFirstDrawsOfTheDefaultSeed) {
  // Worked by hand for s = 25136827; the 55th draw runs a pass and returns the new t[1].
  RandomGenerator g = seeded_random_generator(kDefaultSeed);
  EXPECT_EQ(g.t[55], 429173132);
  EXPECT_EQ(draw_random(g), static_cast<float>(0.461896254));
  EXPECT_EQ(draw_random(g), static_cast<float>(0.999388443));
  EXPECT_EQ(draw_random(g), static_cast<float>(0.861235356));
  for (int k = 4; k <= 54; ++k) draw_random(g);
  EXPECT_EQ(draw_random(g), static_cast<float>(0.808889208));
  EXPECT_EQ(g.position, 1);
  // The sign of the seed is ignored and seeds above the modulus are reduced.
  EXPECT_EQ(seeded_random_generator(-kDefaultSeed).t, seeded_random_generator(kDefaultSeed).t);
  EXPECT_EQ(seeded_random_generator(1500000000).t, seeded_random_generator(500000000).t);
}

TEST(RandomGenerator, UniformOnTheUnitInterval) {
  // 110,000 draws (from the largest seed too): all in [0, 1], mean 1/2, variance 1/12, tenths even.
  for (int seed : {4713657, 2147483647}) {
    RandomGenerator g = seeded_random_generator(seed);
    std::vector<float> u(110000);
    draw_random(g, u);
    double sum = 0.0, sum2 = 0.0;
    int bins[10] = {};
    for (float v : u) {
      ASSERT_TRUE(v >= 0.0f && v <= 1.0f);
      sum += v;
      sum2 += double(v) * v;
      ++bins[std::min(9, static_cast<int>(v * 10.0f))];
    }
    const double mean = sum / u.size();
    EXPECT_NEAR(mean, 0.5, 0.004);
    EXPECT_NEAR(sum2 / u.size() - mean * mean, 1.0 / 12.0, 0.002);
    for (int b : bins) EXPECT_NEAR(b, 11000, 400);
  }
}

}  // namespace
}  // namespace swx
