// Numerics, parametric spectra and spreading, the frequency band and the synthesis of boundary signals.

#include <numeric>
#include <random>

#include "core/constants.hpp"
#include "core/depth_coefficients.hpp"
#include "core/fatal.hpp"
#include "wavegen/nonlinearity.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/permanent_form.hpp"
#include "wavegen/random.hpp"
#include "wavegen/spectra.hpp"
#include "wavegen/spreading.hpp"
#include "wavegen/synthesis.hpp"
#include "wavegen/transfer.hpp"
#include "wavegen_helpers.hpp"

namespace swx {
namespace {

using test::fatal_from;
using test::kv;
using Lines = test::FatalLines;

TEST(Wavenumber, SatisfiesLinearDispersionFromShallowToDeepWater) {
  for (float h : {0.5f, 3.0f, 20.0f, 400.0f})
    for (double kh = 0.01; kh < 19.5; kh *= 1.37) {
      const float omega = static_cast<float>(std::sqrt(9.81 * kh / h * std::tanh(kh)));
      const double k = wavenumber(omega, h);
      EXPECT_NEAR(9.81 * k * std::tanh(k * h) / (double(omega) * omega), 1.0, 1e-6) << h << " " << kh;
    }
}

TEST(RealFft, RoundTripForEveryAllowedLengthAndSizeLimits) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int n = 2; n <= kMaxFftSize; n *= 2) {
    std::vector<float> x(n + 2, 0.0f);
    float mean = 0.0f, worst = 0.0f;
    for (int k = 0; k < n; ++k) mean += (x[k] = u(gen)) / n;
    for (int k = 0; k < n; ++k) x[k] -= mean;
    const std::vector<float> original = x;
    forward_real_fft(x, n);
    inverse_real_fft(x, n);
    for (int k = 0; k < n; ++k) worst = std::max(worst, std::fabs(x[k] - original[k]));
    EXPECT_LE(worst, 1e-5f) << "n = " << n;
  }
  EXPECT_EQ(test::fatal_lines([] { check_fft_size(1048576); }),
            (Lines{"NFFT is not an integer power of 2 in", "the range from 2 to 524,288 inclusive.", " "}));
  for (int n : {1, 1000}) EXPECT_THROW(check_fft_size(n), FatalError) << n;
  for (int n : {2, 524288}) EXPECT_NO_THROW(check_fft_size(n)) << n;
  for (int n : {0, 1, 96, 2, 1048576, 2097152}) EXPECT_EQ(is_power_of_two(n), n == 2 || n == 1048576) << n;
}

TEST(RealFft, HarmonicGivesAmplitudeAndPhaseAndTheInverseClearsTheMean) {
  // a cos(2 pi j k / n - phi) -> coefficient j = a (cos phi + i sin phi); Nyquist b cos(pi k) -> b.
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

TEST(Resampling, LinearResamplingAndTableLookups) {
  const std::vector<float> a = {0.5f, -1.0f, 2.0f, 4.0f, 3.5f};
  EXPECT_EQ(resample_linear(a, 0.2f, 5), a);
  // Ramp sampled by 0.5 s onto 16 samples over the same 5 s; the last value 9 held past 4.5 s.
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

TEST(CubicSpline, ReproducesLinesAndSmoothCurvesAndChecksItsKnots) {
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
  // A 40-sample sine, 5000 samples onto 8192: windows of at most 1000 knots; no check past the last.
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

TEST(RandomGenerator, FirstDrawsOfTheDefaultSeedAndSeedReduction) {
  // Worked by hand for s = 25136827; the 55th draw runs a pass and returns the new t[1].
  RandomGenerator g = seeded_random_generator(kDefaultSeed);
  EXPECT_EQ(g.t[55], 429173132);
  for (double want : {0.461896254, 0.999388443, 0.861235356}) EXPECT_EQ(draw_random(g), static_cast<float>(want));
  for (int k = 4; k <= 54; ++k) draw_random(g);
  EXPECT_EQ(draw_random(g), static_cast<float>(0.808889208));
  EXPECT_EQ(g.position, 1);
  // The sign of the seed is ignored and seeds above the modulus are reduced.
  EXPECT_EQ(seeded_random_generator(-kDefaultSeed).t, seeded_random_generator(kDefaultSeed).t);
  EXPECT_EQ(seeded_random_generator(1500000000).t, seeded_random_generator(500000000).t);
}

FrequencySpectrum build(const std::string& keys, float depth = 0.0f) {
  const ParamTable t = test::table_of(kv(keys));
  return build_parametric_spectrum(t, test::whole(t), depth);
}

TEST(ParametricSpectra, GridPeakAndHeightOfEachShape) {
  // 1201 values, f = 0 .. 6 f_p, H_m0 = H_s; PM wind: w_p = 0.877 g / U, H_s = 0.161 g / w_p^2; Ochi: high peak.
  const float wp_wind = 0.87716323f * 9.81f / 15.0f, wp_hs = 0.4012442f * std::sqrt(9.81f / 2.0f);
  const std::tuple<const char*, float, float, bool> cases[] = {
      // keys, f_p, H_s (< 0: unchecked), one peak
      {"spectral_type=jonswap jonswap_option=hs sig_wave_height=2.5 peak_wave_period=10 gamma=3.3", 0.1f, 2.5f, true},
      {"spectral_type=bret sig_wave_height=3 peak_wave_period=9", 1.0f / 9.0f, 3.0f, true},
      {"spectral_type=pm pm_option=wind wind_speed=15", wp_wind / 6.283185f, 0.1609969f * 9.81f / (wp_wind * wp_wind),
       true},
      {"spectral_type=pm pm_option=hs sig_wave_height=2", wp_hs / 6.283185f, 2.0f, true},
      {"spectral_type=pm pm_option=tp peak_wave_period=12", 1.0f / 12.0f, -1.0f, true},
      {"spectral_type=ochi sig_wave_height_low=1.2 sig_wave_height_high=0.9 peak_wave_period_low=14 "
       "peak_wave_period_high=6 gamma_low=3 gamma_high=1.5",
       1.0f / 6.0f, 1.5f, false}};
  for (const auto& [keys, f_p, hs, single_peak] : cases) {
    SCOPED_TRACE(keys);
    const FrequencySpectrum s = build(keys);
    ASSERT_EQ(s.count(), kSpectrumSize);
    EXPECT_EQ(s.S[0], 0.0f);
    EXPECT_EQ(s.f0, 0.0f);
    EXPECT_FLOAT_EQ(1200.0f * s.df, 6.0f * f_p);
    if (hs > 0.0f) {
      EXPECT_NEAR(zeroth_moment_height(s.S, s.df), hs, 0.005f * hs);
    }
    if (single_peak) {
      EXPECT_EQ(peak_index(s.S), 200);
    }
  }
  EXPECT_EQ(zeroth_moment_height(std::vector<float>(64, 1.0f), 0.25f), 16.0f);  // m0 = 16: exact
  const std::pair<const char*, std::string> bad[] = {
      {"spectral_type=jonswap2", "Invalid SPECTRAL_TYPE in Simulation Parameter File"},
      {"spectral_type=jonswap jonswap_option=tp", "Invalid JONSWAP_OPTION in Simulation Parameter File"},
      {"spectral_type=pm pm_option=fetch", "Invalid PM_OPTION in Simulation Parameter File"},
      // Heights, periods and shape values outside their physical range.
      {"spectral_type=bret sig_wave_height=-3 peak_wave_period=9", "Value of parameter: sig_wave_height has to be"},
      {"spectral_type=bret sig_wave_height=3 peak_wave_period=0", "Value of parameter: peak_wave_period has to be"},
      {"spectral_type=jonswap jonswap_option=hs sig_wave_height=2 peak_wave_period=9 gamma=0",
       "Value of parameter: gamma has to be"},
      {"spectral_type=pm pm_option=wind wind_speed=0", "Value of parameter: wind_speed has to be"}};
  for (const auto& [keys, line1] : bad) EXPECT_EQ(fatal_from([&] { build(keys); }).line1, line1);
  EXPECT_EQ(fatal_from([&] { build("spectral_type=bret sig_wave_height=1e30 peak_wave_period=9"); }).line2,
            "greater than 0.0 and at most 100.0");
}

TEST(ParametricSpectra, JonswapClosedFormAndTmaDepthFactor) {
  // gamma = 1: alpha g^2 (2 pi)^-4 f^-5 exp(-1.25 (f_p/f)^4), zero past an exponent of 50; full gamma at f_p.
  const float f_p = 0.125f, alpha = 0.02f;
  const FrequencySpectrum s = jonswap_spectrum(f_p, alpha, 1.0f);
  for (int i = 1; i < kSpectrumSize; ++i) {
    const double f = i * double(s.df), e = 1.25 * std::pow(f_p / f, 4);
    const double want = e > 50 ? 0.0 : alpha * 9.81 * 9.81 / std::pow(2 * M_PI, 4) * std::pow(f, -5) * std::exp(-e);
    EXPECT_NEAR(s.S[i], want, (2.0 + e) * 1e-6 * want) << i;
  }
  EXPECT_NEAR(jonswap_spectrum(f_p, alpha, 3.3f).S[200] / s.S[200], 3.3f, 1e-5f);
  // TMA / JONSWAP(alpha 0.0081) = tanh^2(kh) / (1 + 2kh / sinh 2kh), k solved here in double.
  const FrequencySpectrum tma = tma_spectrum(0.1f, 3.3f, 6.0f), jon = jonswap_spectrum(0.1f, 0.0081f, 3.3f);
  for (int i : {120, 200, 300, 600}) {
    const double w = 2 * M_PI * i * double(tma.df), x = w * w * 6.0 / 9.81;
    double y = x;
    for (int it = 0; it < 60; ++it) y -= (y * std::tanh(y) - x) / (std::tanh(y) + y / std::pow(std::cosh(y), 2));
    EXPECT_NEAR(tma.S[i] / jon.S[i], std::pow(std::tanh(y), 2) / (1 + 2 * y / std::sinh(2 * y)), 2e-5) << i;
  }
  // In deep water TMA rescaled to H_s is the rescaled JONSWAP; in shallow water it keeps H_s.
  const std::string t = "sig_wave_height=1.5 peak_wave_period=8 gamma=3.3";
  const FrequencySpectrum deep = build("spectral_type=tma " + t, 1000.0f);
  const FrequencySpectrum ref = build("spectral_type=jonswap jonswap_option=hs " + t);
  EXPECT_FLOAT_EQ(1200.0f * deep.df, 0.75f);
  for (int i = 1; i < kSpectrumSize; ++i) EXPECT_NEAR(deep.S[i], ref.S[i], 1e-4f * ref.S[200]) << i;
  const FrequencySpectrum shallow = build("spectral_type=tma " + t, 4.0f);
  EXPECT_NEAR(zeroth_moment_height(shallow.S, shallow.df), 1.5f, 0.0075f);
}

TEST(DirectionFitsBoundary, TravelMustEnterTheDomainFromTheSide) {
  // Nautical directions; sides 1 N, 2 E, 3 S, 4 W, 5 inner row, 6 inner column; along the line never fits.
  const std::tuple<float, int, bool> cases[] = {
      {270, 4, true}, {315, 4, true},  {225, 4, true}, {90, 4, false},  {0, 4, false},   {180, 4, false},
      {90, 2, true},  {270, 2, false}, {0, 1, true},   {45, 1, true},   {180, 1, false}, {90, 1, false},
      {180, 3, true}, {0, 3, false},   {0, 5, true},   {180, 5, true},  {90, 5, false},  {90, 6, true},
      {270, 6, true}, {360, 6, false}, {380, 2, true}, {-100, 4, true}, {270, 7, false}};
  for (const auto& [d, side, fits] : cases)
    EXPECT_EQ(direction_fits_boundary(d, static_cast<WavemakerSide>(side)), fits) << d << " side " << side;
}

TEST(Spreading, WeightsOfCosinePowerAreNormalisedAndWrappedNormalAreNot) {
  // Cosine power 2 over +-90 deg: weights sum to one; E[sin^2] under cos^4 = 1/6: sigma (180/pi)/sqrt(6).
  const DirectionalSpreading c = spreading_bins(SpreadingType::kCosinePower, 10.0f, 90.0f, 25.4607f, 2.0f);
  ASSERT_EQ(c.count(), 32);
  EXPECT_FLOAT_EQ(c.theta.front(), -80.0f);
  EXPECT_FLOAT_EQ(c.theta.back(), 100.0f);
  EXPECT_FLOAT_EQ(c.dtheta, 180.0f / 31.0f);
  EXPECT_NEAR(c.dtheta * std::accumulate(c.weight.begin(), c.weight.end(), 0.0f), 1.0f, 1e-6f);
  EXPECT_NEAR(truncated_sigma(c), 23.3909f, 0.01f);
  // Wrapped normal, sigma 20: the normal density; over +-40 deg ~95.4 % of the mass, not renormalised.
  const DirectionalSpreading w = spreading_bins(SpreadingType::kWrappedNormal, 0.0f, 40.0f, 20.0f, 0.0f);
  EXPECT_NEAR(w.weight[15], 0.0199471f * std::exp(-0.5f * std::pow(w.theta[15] / 20.0f, 2.0f)), 2e-6f);
  const float sum = w.dtheta * std::accumulate(w.weight.begin(), w.weight.end(), 0.0f);
  EXPECT_GT(sum, 0.954f);
  EXPECT_LT(sum, 0.975f);
}

// The width of cosine-power spreading cos^(2n) theta over +-90 deg is the square root of
// int theta^2 cos^(2n) / int cos^(2n), integrated here (Simpson, 20000 intervals); every index
// of the table (0.5 .. 65.5) must give it, so that each entry pairs the right index with its width.
TEST(Spreading, CosinePowerWidthOfEveryTabulatedIndex) {
  for (const float n : {0.5f,  1.0f,  1.5f,  2.0f,  2.5f,  3.0f,  3.5f,  4.0f,  4.5f,  5.0f,  5.5f,  6.0f,
                        6.5f,  7.0f,  7.5f,  8.0f,  8.5f,  9.0f,  9.5f,  10.0f, 11.0f, 12.0f, 13.0f, 14.0f,
                        15.5f, 17.5f, 19.5f, 22.0f, 25.0f, 28.0f, 32.5f, 38.0f, 45.0f, 53.5f, 65.0f, 65.5f}) {
    const int m = 20000;
    double num = 0.0, den = 0.0;
    for (int k = 0; k <= m; ++k) {
      const double t = -M_PI / 2 + M_PI * k / m, w = (k == 0 || k == m ? 1
                                                      : k % 2          ? 4
                                                                       : 2) *
                                                     std::pow(std::cos(t), 2 * n);
      num += w * t * t;
      den += w;
    }
    EXPECT_NEAR(cosine_power_sigma(n), std::sqrt(num / den) * 180.0 / M_PI, 1e-4 * cosine_power_sigma(n)) << n;
  }
}

TEST(Spreading, BuilderConvertsDirectionsAndChecksItsKeys) {
  std::ostringstream console;
  auto spread = [&](const std::string& keys, float orientation, int side) {
    const ParamTable t = test::table_of(kv(keys));
    return build_directional_spreading(t, test::whole(t), orientation, static_cast<WavemakerSide>(side),
                                       Reporter{&console, nullptr});
  };
  // The cut-off may reach three widths: 30 is accepted with sigma 10, 30.5 is not.
  const std::string normal = "directional_distribution=wrapped_normal standard_deviation=10 prin_wave_direction=270";
  EXPECT_EQ(spread(normal + " max_cutoff_angle=30", 0.0f, 4).theta.back(), 30.0f);
  EXPECT_THROW(spread(normal + " max_cutoff_angle=30.5", 0.0f, 4), FatalError);
  console.str("");
  // 250 on a grid turned 20 deg: travel along +x, from a west column only; zero cut-off: 32 equal shares.
  const std::string t =
      "directional_distribution=cosine_power spreading_index=4 prin_wave_direction=250 max_cutoff_angle=0";
  const DirectionalSpreading d = spread(t, 20.0f, 4);
  EXPECT_EQ(d.principal_direction, 0.0f);
  EXPECT_FLOAT_EQ(d.sigma, 19.0599f);
  EXPECT_EQ(d.dtheta, 0.0f);
  EXPECT_EQ(d.theta, std::vector<float>(32, 0.0f));
  EXPECT_EQ(d.weight, std::vector<float>(32, 1.0f / 32.0f));
  EXPECT_EQ(console.str(), " standard deviation of truncated\n directional distribution is  0.0000 deg\n");
  const FatalError e = fatal_from([&] { spread(t, 20.0f, 1); });
  EXPECT_EQ(e.line1 + " " + e.line2, "principal wave direction cannot be generated along specified boundary");
  EXPECT_EQ(fatal_from([&] { spread("directional_distribution=gaussian", 0.0f, 4); }).line1,
            "Invalid DIRECTIONAL_DISTRIBUTION in Simulation Parameter File");
  // Rows work in a frame with x and y exchanged.
  float direction = 30.0f;
  std::vector<float> bins = {0.0f, 30.0f, 60.0f};
  exchange_row_frame(direction, bins);
  EXPECT_EQ(direction, 60.0f);
  EXPECT_EQ(bins, (std::vector<float>{90.0f, 60.0f, 30.0f}));
}

TEST(BandTruncation, ReportsAndOptionallyRestoresTheEnergy) {
  // Ten unit densities at f = 0..9 Hz; the band 2..7 Hz keeps six: 40 % is lost.
  std::ostringstream console;
  const Reporter rep{&console, nullptr};
  std::vector<float> S(10, 1.0f), inside = {0.5f, 2.0f, 1.0f}, none(5, 1.0f);
  EXPECT_FLOAT_EQ(truncate_spectrum_band(S, 0.0f, 1.0f, FrequencyBand{2.0f, 7.0f, false}, rep), 40.0f);
  EXPECT_EQ(S, (std::vector<float>{0, 0, 1, 1, 1, 1, 1, 1, 0, 0}));
  S.assign(10, 1.0f);
  EXPECT_FLOAT_EQ(truncate_spectrum_band(S, 0.0f, 1.0f, FrequencyBand{2.0f, 7.0f, true}, rep), 40.0f);
  EXPECT_FLOAT_EQ(S[2], 10.0f / 6.0f);
  EXPECT_EQ(S[9], 0.0f);
  truncate_spectrum_band(inside, 0.1f, 0.1f, FrequencyBand{0.05f, 1.0f, false}, rep);
  EXPECT_EQ(
      console.str(),
      " Truncated Wave Energy =  40.00 %\n Redistributed Wave Energy =  40.00 %\n Truncated Wave Energy =   0.00 %\n");
  EXPECT_EQ(test::fatal_lines([&] {
              truncate_spectrum_band(none, 0.0f, 1.0f, FrequencyBand{10, 20, true}, rep);
            }),
            (Lines{"wave_period_min and wave_period_max leave no", "wave energy in the spectrum", " "}));
  // Period keys give the frequency limits; a zero shortest period leaves no upper limit.
  auto band = [](const std::string& keys, bool required) {
    const ParamTable t = test::table_of(kv(keys));
    return read_frequency_band(t, test::whole(t), required);
  };
  FrequencyBand b = band("wave_period_min=2 wave_period_max=10 rescale_spectrum=yes", true);
  EXPECT_FLOAT_EQ(b.f_high, 0.5f);
  EXPECT_FLOAT_EQ(b.f_low, 0.1f);
  EXPECT_TRUE(b.rescale);
  b = band("wave_period_min=0 wave_period_max=25 rescale_spectrum=y", true);
  EXPECT_EQ(b.f_high, std::numeric_limits<float>::infinity());
  EXPECT_FALSE(b.rescale);  // only "yes" rescales
  EXPECT_THROW(band("wave_period_min=5 wave_period_max=4", false), FatalError);
}

struct Console {
  std::ostringstream text;
  Reporter r{&text, nullptr};
};

LineGeometry west_column(int points, float h, float spacing) {
  return LineGeometry{.spacing = spacing, .y_ref = 0.5f * (points - 1) * spacing, .depth = std::vector(points, h)};
}

TEST(SignalSize, FftLengthBandAndSizeLimits) {
  EXPECT_EQ(fft_length(1024, 0.1f).m, 512);
  // N = 1000: 1024 samples of 0.1 * 1000 / 1024 s span the same 100 s; df = 0.01 Hz.
  const FftLength b = fft_length(1000, 0.1f);
  EXPECT_EQ(b.n_fft, 1024);
  EXPECT_FLOAT_EQ(b.dt_fft, 0.09765625f);
  EXPECT_FLOAT_EQ(b.df, 0.01f);
  // f_low 0.015 Hz -> int(1.5), raised to 1; f_high 0.2 Hz -> 20; no higher than m.
  const BandIndices band = band_indices(FrequencyBand{0.015f, 0.2f, false}, b);
  EXPECT_EQ(std::make_pair(band.j_low, band.j_high), std::make_pair(1, 20));
  EXPECT_EQ(band_indices(FrequencyBand{0.05f, 1.0e6f, false}, b).j_high, 512);
  // 1e10 steps overflow the step count; 1000 points x 2e9 steps are refused before allocation.
  Wavemaker w;
  w.number = 2, w.j1 = 1, w.j2 = 1000, w.side = WavemakerSide::kWest, w.wave_type = WaveType::kRegular,
  w.duration = 1.0e9f;
  EXPECT_THROW(signal_steps(w, 0.1f, 100.0f), FatalError);
  const FatalError e = fatal_from([&] { check_signal_memory(w, 2000000000); });
  EXPECT_EQ(e.line1, "Wavemaker #2 boundary signal is too large:");
  EXPECT_EQ(e.line2.substr(0, 40), "1000 points x 2000000000 steps need abou");
  EXPECT_NO_THROW(check_signal_memory(w, 1000));
}

TEST(ReferenceSeries, RegularSinusoidAndRandomPhaseSynthesis) {
  const std::vector<float> r = regular_reference_series(2.0f, 8.0f, 0.5f, 33);
  EXPECT_EQ(r[0], 0.0f);
  EXPECT_NEAR(r[4], -1.0f, 1e-6f);  // t = T/4: sin(-pi/2)
  EXPECT_NEAR(r[12], 1.0f, 1e-6f);
  // Flat S = 0.5 m^2/Hz up to 0.3 Hz: the variance is sum S df over the components (Parseval).
  const FrequencySpectrum s{.S = std::vector(301, 0.5f), .df = 0.001f};
  const int n = 4096;
  const float dt = 0.25f, df = 1.0f / (n * dt);
  const std::vector<float> x = spectral_reference_series(s, 7, dt, n);
  ASSERT_EQ(x.size(), std::size_t(n));
  double var = 0.0;
  for (float e : x) var += double(e) * e / n;
  const double want = 0.5 * static_cast<int>(0.3f / df) * df;
  EXPECT_NEAR(var, want, 0.01 * want);
  EXPECT_EQ(spectral_reference_series(s, 7, dt, n), x);
  EXPECT_NE(spectral_reference_series(s, 8, dt, n), x);
  EXPECT_EQ(spectral_reference_series(s, 7, dt, 1000).size(), 1000u);
}

TEST(Transfer, BandCutsComponentsAndTheReferencePointGetsTheLinearVelocity) {
  // 0.3 cos on bin 10 and 0.2 cos on bin 40 of 1024 samples.
  const int n = 1024;
  const float dt = 0.2f, h = 6.0f;
  const FftLength f = fft_length(n, dt);
  std::vector<float> eta(n);
  for (int k = 0; k < n; ++k)
    eta[k] = static_cast<float>(0.3 * std::cos(20 * M_PI * k / n) + 0.2 * std::cos(80 * M_PI * k / n));
  const std::vector<float> coef = series_coefficients(eta, f), dirs(f.m + 1, 0.0f);
  const LineGeometry g = west_column(3, h, 1.0f);
  BoundarySignal s;
  transfer_components(coef, dirs, g, band_indices(FrequencyBand{5 * f.df, 20.5f * f.df, false}, f), f, s);
  const float omega = kTwoPi * 10 * f.df, v10 = velocity_factor(omega, wavenumber(omega, h), h);
  for (int step = 1; step <= n; ++step)
    ASSERT_NEAR(s.u(step, 2), v10 * 0.3f * std::cos(20 * M_PI * (step - 1) / n), 1e-4f * v10 * 0.3f) << step;
  // A band between the two harmonics keeps nothing.
  transfer_components(coef, dirs, g, band_indices(FrequencyBand{15 * f.df, 35 * f.df, false}, f), f, s);
  for (std::size_t e = 0; e < s.U.size(); ++e) {
    ASSERT_LT(std::fabs(s.U[e]), 1e-6f);
    ASSERT_LT(std::fabs(s.Q[e]), 1e-5f);
    ASSERT_LT(std::fabs(s.Us[e]), 1e-6f);
  }
  // N = 1000 samples of a 10 s wave go through 1024 samples (0.1 Hz is bin 10) and back.
  std::vector<float> e1000(1000);
  for (int k = 0; k < 1000; ++k) e1000[k] = 0.5f * std::sin(kTwoPi * 0.1f * k * 0.1f);
  const FftLength f2 = fft_length(1000, 0.1f);
  transfer_components(series_coefficients(e1000, f2), std::vector<float>(f2.m + 1, 0.0f), west_column(1, 5.0f, 1.0f),
                      band_indices(FrequencyBand{0.0f, 1.0f, false}, f2), f2, s);
  ASSERT_EQ(s.nsteps, 1000);
  const float w2 = kTwoPi * 0.1f, v = velocity_factor(w2, wavenumber(w2, 5.0f), 5.0f);
  for (int step = 100; step <= 900; step += 37) EXPECT_NEAR(s.u(step, 1), v * e1000[step - 1], 0.005f * v);
}

DirectionalSpreading uniform_bins(float first, float dtheta, float weight) {
  DirectionalSpreading d;
  d.principal_direction = first + 15.5f * dtheta, d.dtheta = dtheta;
  for (int i = 0; i < 32; ++i) d.theta.push_back(first + i * dtheta), d.weight.push_back(weight);
  return d;
}

TEST(Transfer, ComponentDirectionsStayInTheBandAndRowsDrawInTheExchangedFrame) {
  // Uniform over -20 .. 40 deg: reproducible, inside, around 10 deg; past the last whole block of 32: zero.
  const DirectionalSpreading d = uniform_bins(-20.0f, 60.0f / 31.0f, 1.0f / 60.0f);
  const std::vector<float> a = assign_component_directions(d, 1030);
  EXPECT_EQ(a, assign_component_directions(d, 1030));
  double mean = 0.0;
  for (int j = 1; j <= 1024; ++j) {
    ASSERT_TRUE(a[j] >= -20.0f && a[j] <= 40.0f) << j;
    mean += a[j] / 1024.0;
  }
  EXPECT_NEAR(mean, 10.0, 2.0);
  const auto [lo, hi] = std::minmax_element(a.begin() + 1, a.begin() + 1025);
  EXPECT_GT(*hi - *lo, 50.0f);
  for (int j = 1025; j <= 1030; ++j) EXPECT_EQ(a[j], 0.0f) << j;
  // A row wavemaker draws over the exchanged bins 90 - theta, not the grid-frame draws turned.
  Wavemaker w;
  w.side = WavemakerSide::kWest, w.wave_type = WaveType::kIrregMulti,
  w.spreading = uniform_bins(0.0f, 1.0f, 1.0f / 32.0f);
  const std::vector<float> column = parametric_component_directions(w, 64);
  EXPECT_EQ(column, assign_component_directions(w.spreading, 64));
  w.side = WavemakerSide::kSouth;
  DirectionalSpreading exchanged = w.spreading;
  exchange_row_frame(exchanged.principal_direction, exchanged.theta);
  const std::vector<float> row = parametric_component_directions(w, 64);
  EXPECT_EQ(row, assign_component_directions(exchanged, 64));
  EXPECT_NE(row[1], 90.0f - column[1]);
}

TEST(DirectionalFile, BinsRunInIncreasingDirectionOfTravelWithTheirOwnColumns) {
  // min_wave_dir 180 by 10 deg: travel 90, 80, 70; bins 70, 80, 90 are columns 3, 2, 1 (m parts of 6).
  Wavemaker w;
  w.side = WavemakerSide::kWest;
  DirectionalSpectrum& d = w.dir_spectrum;
  d.spectrum = {.S = std::vector(101, 0.0f), .df = 0.01f}, d.ndir = 3, d.dir_spacing = 10.0f, d.min_wave_dir = 180.0f;
  d.E.resize(101, 3, 0.0f);
  for (int k = 2; k <= 101; ++k)
    for (int m = 1; m <= 3; ++m) d.spectrum.S[k - 1] += (d.E(k, m) = 0.01f * m) * d.dir_spacing;
  w.spectrum = d.spectrum;
  const FftLength f = fft_length(256, 0.25f);  // df = 1/64 Hz, up to 2 Hz
  const DirectionalComponents c = directional_components(w, f);
  EXPECT_EQ(c.theta, (std::vector<float>{70.0f, 80.0f, 90.0f}));
  EXPECT_EQ(c.dtheta, 10.0f);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(c.weight[19 * 3 + i], (3 - i) / 60.0f, 1e-6f) << i;
  // S by table interpolation; beyond the last tabulated frequency (1 Hz) the last value holds.
  EXPECT_NEAR(c.S[20], 0.6f, 1e-6f);
  EXPECT_EQ(c.S[f.m], w.spectrum.S.back());
  w.side = WavemakerSide::kSouth;  // a row: the same bins in the exchanged frame
  EXPECT_EQ(directional_components(w, f).theta, (std::vector<float>{20.0f, 10.0f, 0.0f}));
  // One bin at 180 deg: U = -V eta when resolved; too coarse a spacing generates it normally incident.
  DirectionalComponents one{
      .S = std::vector(f.m + 1, 0.0f), .theta = {180.0f}, .weight = std::vector(f.m, 0.1f), .dtheta = 10.0f};
  one.S[16] = 0.5f;
  BoundarySignal resolved, unresolved;
  synthesize_directional(one, 7, LineGeometry{.spacing = 0.5f, .depth = {5.0f}}, BandIndices{1, f.m}, f, resolved);
  synthesize_directional(one, 7, LineGeometry{.spacing = 500.0f, .depth = {5.0f}}, BandIndices{1, f.m}, f, unresolved);
  float peak = 0.0f;
  for (int n = 1; n <= 256; ++n) {
    peak = std::max(peak, std::fabs(resolved.u(n, 1)));
    EXPECT_NEAR(unresolved.u(n, 1), -resolved.u(n, 1), 1e-6f) << n;
  }
  EXPECT_GT(peak, 0.01f);
}

TEST(PrepareSignal, LinearFlagAndARowWavemaker) {
  // Permanent form (flag 0) only within 2.56 deg of the normal of a full uniform-depth side, never multidirectional.
  const std::tuple<int, bool, float, WaveType, bool, int> cases[] = {
      // side, full, direction, type, sloped, flag
      {4, true, 2.5f, WaveType::kRegular, false, 0},    {4, true, 2.6f, WaveType::kRegular, false, 1},
      {4, true, 0.0f, WaveType::kRegular, true, 1},     {4, false, 0.0f, WaveType::kRegular, false, 1},
      {4, true, 0.0f, WaveType::kIrregMulti, false, 1}, {1, true, 270.0f, WaveType::kSolitary, false, 0},
      {6, true, 180.0f, WaveType::kSolitary, false, 0}};
  for (const auto& [side, full, direction, type, sloped, flag] : cases) {
    std::vector<float> depth(5, 3.0f);
    if (sloped) depth[4] = 3.1f;
    Wavemaker w;
    w.side = static_cast<WavemakerSide>(side), w.full_side = full, w.wave_type = type, w.direction = direction;
    EXPECT_EQ(linear_flag(w, depth), flag) << side << " " << direction;
  }
  // South row i = 1..9 at 60 deg: U = V sin 60 eta, lag k (x_p - x_5) cos 60; a dry point has no flux.
  const GridHeader grid{.delta_x = 2.0f, .delta_y = 3.0f, .ngrid_x = 20, .ngrid_y = 8};
  Field depth(21, 9, 4.0f);
  depth(3, 1) = -1.0f;
  float max_depth = 4.0f;
  Wavemaker w;
  w.number = 1, w.i1 = 1, w.i2 = 9, w.j1 = w.j2 = 1, w.side = WavemakerSide::kSouth, w.height = 0.3f, w.period = 6.0f,
  w.direction = 60.0f;
  Console c;
  prepare_wavemaker_signal(w, grid, depth, max_depth, 0.1f, 601, c.r);
  ASSERT_EQ(std::make_tuple(w.signal.npoints, side_code(w.signal.side), w.signal.nsteps, w.linear_flag),
            std::make_tuple(9, 3, 601, 1));
  EXPECT_NEAR(w.period, 6.0f, 1e-3f);  // the analysed height and period replace the given ones
  EXPECT_NEAR(w.height, 0.3f, 0.01f);
  const float omega = kTwoPi / w.period, k = wavenumber(omega, 4.0f), V = velocity_factor(omega, k, 4.0f);
  for (int p : {1, 5, 9})
    for (int n : {1, 77, 300}) {
      const float eta = w.height / 2 * std::sin(k * ((p - 1) * 2.0f - 8.0f) * 0.5f - omega * (n - 1) * 0.1f);
      EXPECT_NEAR(w.signal.u(n, p), V * 0.8660254f * eta, 2e-5f) << p << " " << n;
    }
  for (int n = 1; n <= 601; ++n) EXPECT_EQ(w.signal.q(n, 3), 0.0f) << n;
}

TEST(PeriodicWave, SmallWavesAreLinearAndSteepWavesKeepHeightMeanLevelAndFlux) {
  Console c;
  // H = 0.01 m, h = 10 m: the model's linear wave; velocity amplitude omega / (k h (1 + beta (kh)^2)) H / 2.
  const float h = 10.0f, T = 8.0f, H = 0.01f, omega = kTwoPi / T;
  const PeriodicWave w = periodic_wave(H, T, h, c.r);
  EXPECT_TRUE(w.converged);
  const float k = model_linear_wavenumber(omega, h), kh = k * h;
  EXPECT_NEAR(omega * omega, kGravity * h * k * k * (1 + kBeta * kh * kh) / (1 - kAlpha * kh * kh), 1e-5f);
  EXPECT_NEAR(w.k, k, 1e-4f * k);
  EXPECT_NEAR(w.A[1], H / 2, 1e-3 * H);
  EXPECT_NEAR(w.B[1], omega / (kh * (1 + kBeta * kh * kh)) * H / 2, 2e-3 * w.B[1]);
  // H/h = 0.2: crest - trough = H, crest higher than trough deep, zero mean level and flux, longer than linear.
  const PeriodicWave s = periodic_wave(1.0f, 8.0f, 5.0f, c.r);
  ASSERT_TRUE(s.converged);
  EXPECT_NEAR(s.eta(0.0) - s.eta(M_PI), 1.0, 1e-4);
  EXPECT_GT(s.eta(0.0), 0.55);
  double mean_eta = 0.0, mean_q = 0.0;
  for (int m = 0; m < 512; ++m) {
    const double th = 2.0 * M_PI * m / 512;
    mean_eta += s.eta(th) / 512;
    mean_q += flux_from_velocity(s.eta(th), s.u(th), s.u_xx(th), 5.0f) / 512;
  }
  EXPECT_NEAR(mean_eta, 0.0, 1e-6);
  EXPECT_NEAR(mean_q, 0.0, 1e-4);
  EXPECT_LT(s.k, model_linear_wavenumber(omega, 5.0f));
  // 0.4 h, Ursell number ~140: cnoidal, mostly above still water and faster than the linear wave.
  const PeriodicWave cn = periodic_wave(0.4f, 6.0f, 1.0f, c.r);
  ASSERT_TRUE(cn.converged);
  EXPECT_GT(cn.eta(0.0), 0.75 * 0.4);
  EXPECT_GT(cn.c, kTwoPi / 6.0f / model_linear_wavenumber(kTwoPi / 6.0f, 1.0f));
  // The signal of a wave travelling along -x: U = -u, repeating after one period.
  BoundarySignal sig;
  periodic_wave_signal(s, -1.0f, 0.1f, 81, sig);
  EXPECT_EQ(std::make_pair(sig.npoints, sig.nsteps), std::make_pair(1, 81));
  EXPECT_NEAR(sig.U[0], -static_cast<float>(s.u(-M_PI / 2)), 1e-6f);
  EXPECT_NEAR(sig.U[80], sig.U[0], 1e-4f);
  EXPECT_EQ(c.text.str(), "");
}

TEST(SolitaryWave, TravelsAtTheLongWaveSpeedOfItsCrestAndDelaysEachPoint) {
  Console c;
  const float h = 1.0f, H = 0.1f;
  const SolitaryWave s = solitary_wave(H, h, c.r);
  ASSERT_TRUE(s.converged);
  EXPECT_FLOAT_EQ(s.eta[0], H);
  EXPECT_NEAR(s.c, std::sqrt(kGravity * (h + H)), 0.02f * s.c);
  // Monotone decay; half width at H/2 near the sech^2 one, acosh(sqrt 2) / sqrt(3 H / (4 h^3)).
  for (std::size_t m = 1; m < s.eta.size(); ++m) EXPECT_LE(s.eta[m], s.eta[m - 1] + 1e-7f);
  EXPECT_LT(s.eta.back(), 1e-4f * H);
  EXPECT_NEAR(s.half_width(0.5f), std::acosh(std::sqrt(2.0f)) / std::sqrt(3 * H / (4 * h * h * h)),
              0.1f * s.half_width(0.5f));
  EXPECT_EQ(c.text.str(), "");
  // The profile solves the model's steady equations in the frame of the crest, with u'' taken
  // here by second differences of the nodes:
  //   -c eta + (h + eta) u + h K1 u'' = 0,   -c (u + K3 u'') + g eta + u^2 / 2 = 0.
  const DepthCoefsOf<double> kc = reference_depth_coefs(static_cast<double>(h));
  for (std::size_t m = 1; m + 1 < s.eta.size(); m += 7) {
    const double u = s.u[m], eta = s.eta[m], uxx = (s.u[m + 1] - 2.0 * u + s.u[m - 1]) / (double(s.dxi) * s.dxi);
    EXPECT_NEAR(-s.c * eta + (h + eta) * u + h * kc.k1 * uxx, 0.0, 1e-5 * s.c * H) << m;
    EXPECT_NEAR(-s.c * (u + kc.k3 * uxx) + kGravity * eta + u * u / 2.0, 0.0, 1e-5 * s.c * s.c) << m;
    EXPECT_NEAR(s.u_xx[m], uxx, 1e-3 * std::fabs(uxx) + 1e-6) << m;
  }
  // At 30 deg along 5 points 1 m apart: crests later by (y_p - y_ref) sin 30 / c, velocity cos 30.
  const LineGeometry g = west_column(5, 1.0f, 1.0f);
  BoundarySignal one, per_point;
  float period = 0.0f;
  solitary_wave_signal(H, 0.0f, g, false, 0.05f, 400, one, period, c.r);
  ASSERT_EQ(one.npoints, 1);
  EXPECT_GT(period, 0.0f);
  solitary_wave_signal(H, 30.0f, g, true, 0.05f, 400, per_point, period, c.r);
  ASSERT_EQ(per_point.npoints, 5);
  auto crest = [](const BoundarySignal& b, int p) {
    int best = 1;
    for (int n = 1; n <= b.nsteps; ++n)
      if (b.u(n, p) > b.u(best, p)) best = n;
    return best;
  };
  EXPECT_NEAR(crest(per_point, 5) - crest(per_point, 1), 4.0f * 0.5f / s.c / 0.05f, 1.5f);
  const float u1 = one.u(crest(one, 1), 1);
  EXPECT_NEAR(per_point.u(crest(per_point, 3), 3), 0.8660254f * u1, 0.02f * u1);
}

TEST(Nonlinearity, WarningsAboveAQuarterAndThreeQuartersOfTheLimitingHeight) {
  auto warnings = [](float height, float T, float h) {
    Console c;
    check_nonlinearity(height, T, h, c.r);
    return c.text.str();
  };
  const std::string breaking = test::box_text(
      kWarningTitle, "Incident waves are highly nonlinear and potentially breaking", "Use smaller wave height", " ");
  const std::string nonlinear = test::box_text(kWarningTitle, "incident wave height is in the nonlinear regime",
                                               "free and forced nonlinear waves will be generated at",
                                               "the boundary since using linear wave generation theory");
  // H_b = 0.14 L tanh(k h) with k from the linear dispersion relation.
  const float T = 8.0f, h = 5.0f, k = wavenumber(kTwoPi / T, h), hb = 0.14f * (kTwoPi / k) * std::tanh(k * h);
  EXPECT_FLOAT_EQ(limiting_height(T, h), hb);
  EXPECT_EQ(warnings(0.25f * hb, T, h), "");
  EXPECT_EQ(warnings(std::nextafter(0.25f * hb, 1e9f), T, h), nonlinear);
  EXPECT_EQ(warnings(0.75f * hb, T, h), nonlinear);
  EXPECT_EQ(warnings(std::nextafter(0.75f * hb, 1e9f), T, h), breaking + nonlinear);
  // Irregular seas are judged with 2.4 times their height.
  EXPECT_FLOAT_EQ(nonlinearity_test_height(0.5f, true), 1.2f);
  EXPECT_FLOAT_EQ(nonlinearity_test_height(0.5f, false), 0.5f);
  // H = 1 and 2, T = 6 and 12: rms sqrt(5/2), energy-weighted mean period (1*6 + 4*12) / 5 = 10.8.
  const RepresentativeWave r = representative_wave(std::vector<float>{1, 2}, std::vector<float>{6, 12}, 10.0f);
  EXPECT_FLOAT_EQ(r.rms_wave_height, std::sqrt(2.5f));
  EXPECT_FLOAT_EQ(r.mean_period, 10.8f);
}

}  // namespace
}  // namespace swx
