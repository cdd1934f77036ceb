// Reference series, the FFT length rule, the regular linear signal, the transfer with its band
// and the multidirectional directions, the depth cap and the linear flag.
#include "wavegen/synthesis.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <sstream>
#include <vector>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/random.hpp"
#include "wavegen/transfer.hpp"

namespace swx {
namespace {

LineGeometry west_column(int points, float h, float spacing) {
  LineGeometry g;
  g.spacing = spacing;
  g.depth.assign(static_cast<std::size_t>(points), h);
  g.y_ref = 0.5f * static_cast<float>(points - 1) * spacing;
  return g;
}

TEST(SignalSize, TooLongOrTooLargeSignalsStopBeforeAllocation) {
  // 1e9 s of regular waves at dt = 0.1 s is 1e10 steps: more than a 32-bit step count holds.
  Wavemaker w;
  w.number = 2;
  w.wave_type = WaveType::kRegular;
  w.duration = 1.0e9f;
  EXPECT_THROW(signal_steps(w, 0.1f, 100.0f), FatalError);
  // A 1000-point column over 2e9 steps needs about 48 TB: refused, naming the wavemaker.
  w.side = 4;
  w.j1 = 1;
  w.j2 = 1000;
  try {
    check_signal_memory(w, 2000000000);
    FAIL() << "no message";
  } catch (const FatalError& e) {
    EXPECT_EQ(e.line1, "Wavemaker #2 boundary signal is too large:");
    EXPECT_EQ(e.line2.substr(0, 40), "1000 points x 2000000000 steps need abou");
  }
  check_signal_memory(w, 1000);  // 24 kB fits
}

TEST(FftLength, PowerOfTwoDirectOtherwiseNextPowerOverTheSameDuration) {
  const FftLength a = fft_length(1024, 0.1f);
  EXPECT_EQ(a.n_fft, 1024);
  EXPECT_EQ(a.dt_fft, 0.1f);
  EXPECT_EQ(a.m, 512);
  // N = 1000: 1024 samples of 0.1 * 1000 / 1024 s span the same 100 s; df = 1 / 100 s.
  const FftLength b = fft_length(1000, 0.1f);
  EXPECT_EQ(b.n_fft, 1024);
  EXPECT_FLOAT_EQ(b.dt_fft, 0.09765625f);
  EXPECT_FLOAT_EQ(b.df, 0.01f);
  // Band: f_low 0.015 Hz -> int(1.5) below 2 -> 1; f_high 0.2 Hz -> 20.
  const BandIndices band = band_indices(FrequencyBand{0.015f, 0.2f, false}, b);
  EXPECT_EQ(band.j_low, 1);
  EXPECT_EQ(band.j_high, 20);
  EXPECT_EQ(band_indices(FrequencyBand{0.05f, 1.0e6f, false}, b).j_high, 512);
}

TEST(ReferenceSeries, RegularSinusoidAndRandomPhaseSynthesis) {
  const std::vector<float> r = regular_reference_series(2.0f, 8.0f, 0.5f, 33);
  EXPECT_EQ(r[0], 0.0f);
  EXPECT_NEAR(r[4], -1.0f, 1e-6f);  // t = 2 s = T/4: sin(-pi/2)
  EXPECT_NEAR(r[12], 1.0f, 1e-6f);  // t = 6 s

  // Flat spectrum S = 0.5 m^2/Hz up to 0.3 Hz: the variance of the series is sum a_j^2 / 2 =
  // sum S df = 0.5 * (components up to 0.3 Hz) * df (Parseval; the band stays far from Nyquist).
  FrequencySpectrum s;
  s.S.assign(301, 0.5f);
  s.df = 0.001f;
  const int n = 4096;
  const float dt = 0.25f;
  const std::vector<float> x = spectral_reference_series(s, 7, dt, n);
  ASSERT_EQ(x.size(), static_cast<std::size_t>(n));
  const float df = 1.0f / (n * dt);
  const int last = static_cast<int>(0.3f / df);
  double var = 0.0;
  for (float e : x) var += static_cast<double>(e) * e / n;
  EXPECT_NEAR(var, 0.5 * last * df, 0.01 * 0.5 * last * df);
  // Reproducible from the seed; another seed gives another sea.
  EXPECT_EQ(spectral_reference_series(s, 7, dt, n), x);
  EXPECT_NE(spectral_reference_series(s, 8, dt, n), x);
  // N = 1000 is synthesised on 1024 samples and returned as 1000.
  EXPECT_EQ(spectral_reference_series(s, 7, dt, 1000).size(), 1000u);
}

TEST(RegularLinearSignal, ReferencePointCarriesTheLinearVelocity) {
  // West column of 5 points, depth 4 m, T = 6 s, H = 0.4 m, theta = 0; point 3 is the reference.
  const float h = 4.0f, T = 6.0f, H = 0.4f, dt = 0.1f;
  const LineGeometry g = west_column(5, h, 2.0f);
  BoundarySignal s;
  regular_linear_signal(H, T, 0.0f, g, dt, 61, s);
  const float omega = kTwoPi / T, k = wavenumber(omega, h);
  const float V = omega / (k * h * (1.0f + kBeta * k * h * k * h));
  for (int n : {1, 8, 23, 61}) {
    const float t = static_cast<float>(n - 1) * dt;
    const float eta = H / 2 * std::sin(-omega * t);
    EXPECT_NEAR(s.u(n, 3), V * eta, 1e-6f);
    // Normal incidence: every point of the line carries the same signal.
    EXPECT_EQ(s.u(n, 1), s.u(n, 3));
    // U'' = -k^2 U: Q = (eta + h) U + h ((0.464758 h)^2 / 2 - h^2 / 6) (-k^2 U).
    const float z = kRefLevelCoef * h;
    EXPECT_NEAR(s.q(n, 3), (eta + h) * s.u(n, 3) - h * (z * z / 2 - h * h / 6) * k * k * s.u(n, 3), 1e-5f);
    EXPECT_NEAR(s.us(n, 3), s.u(n, 3) - (z * z - h * h) / 2 * k * k * s.u(n, 3), 1e-6f);
  }
  // Oblique (30 deg): point 5 lags the reference by k (y_5 - y_3) sin 30 in phase.
  regular_linear_signal(H, T, 30.0f, g, dt, 61, s);
  const float lag = k * 4.0f * 0.5f;
  const float n_check = 20;
  const float t = (n_check - 1) * dt;
  EXPECT_NEAR(s.u(20, 5), V * std::cos(30.0f * kPi / 180.0f) * H / 2 * std::sin(lag - omega * t), 1e-5f);
  // A dry point generates nothing.
  LineGeometry dry = g;
  dry.depth[1] = -1.0f;
  regular_linear_signal(H, T, 0.0f, dry, dt, 61, s);
  for (int n = 1; n <= 61; ++n) EXPECT_EQ(s.q(n, 2), 0.0f);
}

// Two harmonics on exact FFT bins, j = 10 and j = 40 of N = 1024 samples.
std::vector<float> two_harmonics(int n) {
  std::vector<float> x(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double t = 2.0 * 3.14159265358979 * k / n;
    x[static_cast<std::size_t>(k)] = static_cast<float>(0.3 * std::cos(10 * t) + 0.2 * std::cos(40 * t));
  }
  return x;
}

TEST(Transfer, BandCutsComponentsAndTheReferencePointGetsTheLinearVelocity) {
  const int n = 1024;
  const float dt = 0.2f, h = 6.0f;
  const FftLength f = fft_length(n, dt);
  const std::vector<float> eta = two_harmonics(n);
  const std::vector<float> coef = series_coefficients(eta, f);
  const std::vector<float> dirs(static_cast<std::size_t>(f.m) + 1, 0.0f);
  const LineGeometry g = west_column(3, h, 1.0f);
  // Band 5..20 keeps only j = 10: U at the reference point is V_10 * 0.3 cos(...) exactly.
  const float df = f.df;
  BoundarySignal s;
  transfer_components(coef, dirs, g, band_indices(FrequencyBand{5 * df, 20.5f * df, false}, f), f, s);
  const float omega = kTwoPi * 10 * df, k = wavenumber(omega, h);
  const float v10 = velocity_factor(omega, k, h);
  float worst = 0.0f;
  for (int step = 1; step <= n; ++step) {
    const double t = 2.0 * 3.14159265358979 * (step - 1) / n;
    worst = std::max(worst, std::fabs(s.u(step, 2) - v10 * 0.3f * static_cast<float>(std::cos(10 * t))));
  }
  EXPECT_LT(worst, 1e-4f * v10 * 0.3f);
  // A band between the two harmonics keeps nothing: U, Q and Us vanish.
  transfer_components(coef, dirs, g, band_indices(FrequencyBand{15 * df, 35 * df, false}, f), f, s);
  for (std::size_t e = 0; e < s.U.size(); ++e) {
    ASSERT_LT(std::fabs(s.U[e]), 1e-6f);
    ASSERT_LT(std::fabs(s.Q[e]), 1e-5f);
    ASSERT_LT(std::fabs(s.Us[e]), 1e-6f);
  }
}

TEST(Transfer, SeriesOfNonPowerOfTwoLengthGoesThroughTheLongerTransformAndBack) {
  // N = 1000 samples of a 10 s wave over 100 s: carried to 1024 samples of 0.09765625 s, where
  // 0.1 Hz is bin 10, transferred and resampled back to 1000 steps.
  const int n = 1000;
  const float dt = 0.1f, h = 5.0f;
  std::vector<float> eta(n);
  for (int k = 0; k < n; ++k) eta[static_cast<std::size_t>(k)] = 0.5f * std::sin(kTwoPi * 0.1f * k * dt);
  const FftLength f = fft_length(n, dt);
  const std::vector<float> coef = series_coefficients(eta, f);
  BoundarySignal s;
  transfer_components(coef, std::vector<float>(static_cast<std::size_t>(f.m) + 1, 0.0f), west_column(1, h, 1.0f),
                      band_indices(FrequencyBand{0.0f, 1.0f, false}, f), f, s);
  ASSERT_EQ(s.nsteps, 1000);
  const float omega = kTwoPi * 0.1f, k = wavenumber(omega, h), v = velocity_factor(omega, k, h);
  for (int step = 100; step <= 900; step += 37)
    EXPECT_NEAR(s.u(step, 1), v * eta[static_cast<std::size_t>(step - 1)], 0.01f * v * 0.5f);
}

TEST(Transfer, MultidirectionalDirectionsStayInTheBandAndAreReproducible) {
  DirectionalSpreading d;
  d.principal_direction = 10.0f;
  d.dtheta = 60.0f / 31.0f;
  for (int i = 0; i < 32; ++i) {
    d.theta.push_back(-20.0f + static_cast<float>(i) * d.dtheta);
    d.weight.push_back(1.0f / 60.0f);  // uniform: C_32 = 1
  }
  const std::vector<float> a = assign_component_directions(d, 1024);
  EXPECT_EQ(a, assign_component_directions(d, 1024));
  double mean = 0.0;
  for (int j = 1; j <= 1024; ++j) {
    ASSERT_GE(a[static_cast<std::size_t>(j)], -20.0f);
    ASSERT_LE(a[static_cast<std::size_t>(j)], 40.0f);
    mean += a[static_cast<std::size_t>(j)] / 1024.0;
  }
  // Uniform weights give C_b = b / 31, so a draw u with b >= 2 maps to
  // theta_b + dtheta (u - C_b) / (C_{b+1} - C_b) = -20 + dtheta (31 u - 1).  Component k of a
  // block uses the k-th of its own 32 draws; the generator reseeds itself after each block.
  RandomGenerator rng = seeded_random_generator(4713657);
  std::vector<float> draws(32);
  auto expected = [&](float u) { return -20.0f + d.dtheta * (31.0f * u - 1.0f); };
  draw_random(rng, draws);
  ASSERT_GT(draws[0], 2.0f / 31.0f);  // b >= 2 for the draws of this seed
  EXPECT_NEAR(a[1], expected(draws[0]), 1e-4f);
  draw_random(rng, draws);
  ASSERT_GT(draws[1], 2.0f / 31.0f);
  EXPECT_NEAR(a[2], expected(draws[1]), 1e-4f);
  for (int k = 3; k <= 32; ++k) draw_random(rng, draws);
  reseed_from_itself(rng);
  draw_random(rng, draws);
  ASSERT_GT(draws[0], 2.0f / 31.0f);
  EXPECT_NEAR(a[33], expected(draws[0]), 1e-4f);
  // Uniform weights: the directions spread evenly about the principal direction.
  EXPECT_NEAR(mean, 10.0, 2.0);
  EXPECT_GT(*std::max_element(a.begin() + 1, a.end()) - *std::min_element(a.begin() + 1, a.end()), 50.0f);
}

// Cumulative weights C_1..C_n as the assignment forms them (float sums times dtheta); C[0] = 0.
std::vector<float> cumulative(const DirectionalSpreading& d) {
  std::vector<float> c(d.weight.size() + 1, 0.0f);
  float sum = 0.0f;
  for (std::size_t i = 0; i < d.weight.size(); ++i) c[i + 1] = d.dtheta * (sum += d.weight[i]);
  return c;
}

// Direction of a draw u by the rule theta_b + dtheta (u - C_b) / (C_b+1 - C_b), b the largest
// of 1..n-1 with C_b < u (theta_1 when b < 2).
float direction_of_draw(const DirectionalSpreading& d, float u) {
  const std::vector<float> c = cumulative(d);
  const int n = d.count();
  int b = 0;
  for (int i = 1; i <= n - 1; ++i)
    if (c[static_cast<std::size_t>(i)] < u) b = i;
  if (b < 2) return d.theta.front();
  const std::size_t bs = static_cast<std::size_t>(b);
  return d.theta[bs - 1] + d.dtheta * (u - c[bs]) / (c[bs + 1] - c[bs]);
}

TEST(Transfer, DrawsAboveTheLastCumulativeWeightExtrapolateAndLeftoverComponentsKeepZero) {
  // Weights summing to 0.032 over the band: every draw above C_31 = 0.031 falls in bin 31 and is
  // carried past the last bin by the interpolation rule; nothing holds it inside the band.
  DirectionalSpreading d;
  d.principal_direction = 115.5f;
  d.dtheta = 1.0f;
  for (int i = 0; i < 32; ++i) {
    d.theta.push_back(100.0f + static_cast<float>(i));
    d.weight.push_back(0.001f);
  }
  const std::vector<float> a = assign_component_directions(d, 40);  // one whole block of 32
  RandomGenerator rng = seeded_random_generator(4713657);
  std::vector<float> draws(32);
  draw_random(rng, draws);
  const float u = std::min(draws[0], 0.99999f);
  ASSERT_GT(u, 0.032f);
  EXPECT_FLOAT_EQ(a[1], direction_of_draw(d, u));
  EXPECT_GT(a[1], 132.0f);  // beyond theta_32 = 131
  // Components 33..40 lie beyond the last whole block.
  for (int j = 33; j <= 40; ++j) EXPECT_EQ(a[static_cast<std::size_t>(j)], 0.0f) << j;
}

TEST(Transfer, RowWavemakerDrawsOverTheExchangedBinsSteppingUpwards) {
  // Bins 0..31 deg with uniform weights.  A row wavemaker draws over the exchanged bins
  // 90 - theta (running downwards), still adding dtheta (u - C_b) / (C_b+1 - C_b) to theta_b.
  Wavemaker w;
  w.wave_type = WaveType::kIrregMulti;
  w.spreading.principal_direction = 15.5f;
  w.spreading.dtheta = 1.0f;
  for (int i = 0; i < 32; ++i) {
    w.spreading.theta.push_back(static_cast<float>(i));
    w.spreading.weight.push_back(1.0f / 32.0f);
  }
  RandomGenerator rng = seeded_random_generator(4713657);
  std::vector<float> draws(32);
  draw_random(rng, draws);
  const float u = std::min(draws[0], 0.99999f);

  w.side = 4;  // west column: the grid frame
  const std::vector<float> column = parametric_component_directions(w, 64);
  EXPECT_EQ(column, assign_component_directions(w.spreading, 64));
  EXPECT_FLOAT_EQ(column[1], direction_of_draw(w.spreading, u));

  w.side = 3;  // south row: the exchanged frame
  DirectionalSpreading exchanged = w.spreading;
  exchange_row_frame(exchanged.principal_direction, exchanged.theta);
  const std::vector<float> row = parametric_component_directions(w, 64);
  EXPECT_EQ(row, assign_component_directions(exchanged, 64));
  const float expected = direction_of_draw(exchanged, u);
  EXPECT_FLOAT_EQ(row[1], expected);
  // Not the grid-frame direction carried over afterwards (90 - column[1]) unless the draw hits
  // a bin exactly.
  const std::vector<float> c = cumulative(w.spreading);
  if (std::find(c.begin(), c.end(), u) == c.end() && u > c[2]) {
    EXPECT_NE(row[1], 90.0f - column[1]);
  }
}

TEST(DirectionalFile, BinsRunInIncreasingDirectionOfTravelWithTheirOwnColumns) {
  // min_wave_dir 180, spacing 10, three columns: travel directions 90, 80, 70 by column; the
  // bins (and so the phase draws, frequency-major) run 70, 80, 90, that is columns 3, 2, 1.
  Wavemaker w;
  w.side = 4;
  DirectionalSpectrum& d = w.dir_spectrum;
  d.ndir = 3;
  d.dir_spacing = 10.0f;
  d.min_wave_dir = 180.0f;
  d.spectrum.f0 = 0.0f;
  d.spectrum.df = 0.01f;
  d.spectrum.S.assign(101, 0.0f);
  d.E.resize(101, 3, 0.0f);
  for (int k = 2; k <= 101; ++k)
    for (int m = 1; m <= 3; ++m) {
      d.E(k, m) = 0.01f * static_cast<float>(m);  // column m carries m parts of 6
      d.spectrum.S[static_cast<std::size_t>(k - 1)] += d.E(k, m) * d.dir_spacing;
    }
  w.spectrum = d.spectrum;
  const FftLength f = fft_length(256, 0.25f);  // df = 1/64 Hz, up to 2 Hz
  const DirectionalComponents c = directional_components(w, f);
  EXPECT_EQ(c.theta, (std::vector<float>{70.0f, 80.0f, 90.0f}));
  EXPECT_EQ(c.dtheta, 10.0f);
  const std::size_t j = 20;  // f = 0.3125 Hz, inside the tabulated range
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(c.weight[(j - 1) * 3 + i], static_cast<float>(3 - i) / 60.0f, 1e-6f) << i;

  // S_j by table interpolation: beyond the last tabulated frequency (1 Hz) the last value holds.
  EXPECT_NEAR(c.S[20], 0.6f, 1e-6f);
  ASSERT_GT(static_cast<float>(f.m) * f.df, 1.01f);
  EXPECT_EQ(c.S[static_cast<std::size_t>(f.m)], w.spectrum.S.back());
  EXPECT_GT(c.S[static_cast<std::size_t>(f.m)], 0.0f);

  w.side = 3;  // a row: same bins, carried into the exchanged frame
  EXPECT_EQ(directional_components(w, f).theta, (std::vector<float>{20.0f, 10.0f, 0.0f}));
}

TEST(DirectionalFile, ComponentsTheLineCannotResolveAreGeneratedNormallyIncident) {
  // One bin travelling at 180 deg (towards -x).  Resolved, U = V cos(180) eta = -V eta; when the
  // point spacing is too coarse for the wavelength the component goes in as normally incident,
  // cos = 1: the same eta at the reference point with U of the opposite sign.
  const FftLength f = fft_length(256, 0.25f);
  DirectionalComponents c;
  c.S.assign(static_cast<std::size_t>(f.m) + 1, 0.0f);
  c.S[16] = 0.5f;  // f = 0.25 Hz
  c.theta = {180.0f};
  c.weight.assign(static_cast<std::size_t>(f.m), 0.1f);
  c.dtheta = 10.0f;
  const BandIndices band{1, f.m};
  LineGeometry g;
  g.depth = {5.0f};
  g.spacing = 0.5f;  // k s / 2 pi well below 1 / (|sin| + 1.414)
  BoundarySignal resolved, unresolved;
  synthesize_directional(c, 7, g, band, f, resolved);
  g.spacing = 500.0f;
  synthesize_directional(c, 7, g, band, f, unresolved);
  float peak = 0.0f;
  for (int n = 1; n <= 256; ++n) {
    peak = std::max(peak, std::fabs(resolved.u(n, 1)));
    EXPECT_NEAR(unresolved.u(n, 1), -resolved.u(n, 1), 1e-6f) << n;
  }
  EXPECT_GT(peak, 0.01f);
}

TEST(DepthCap, DeepGridIsLoweredToAThirdOfTheDeepWaterWavelength) {
  // T = 5 s: 1.4 g T^2 / (8 pi) = 1.4 * 9.81 * 25 / 25.1327 = 13.662 m.
  EXPECT_NEAR(depth_cap(5.0f), 13.662f, 1e-3f);
  Field d(3, 2, 20.0f);
  d(1, 1) = 3.0f;
  float max_depth = 20.0f;
  apply_depth_cap(5.0f, d, max_depth);
  EXPECT_NEAR(max_depth, 13.662f, 1e-3f);
  EXPECT_EQ(d(2, 2), max_depth);
  EXPECT_EQ(d(1, 1), 3.0f);
  float shallow = 10.0f;
  apply_depth_cap(5.0f, d, shallow);
  EXPECT_EQ(shallow, 10.0f);
}

TEST(LinearFlag, PermanentFormOnlyForNormalWavesOnAFullSideOfUniformDepth) {
  Wavemaker w;
  w.side = 4;
  w.full_side = true;
  w.direction = 2.5f;  // within 2.56 deg of +x
  const std::vector<float> flat(5, 3.0f);
  EXPECT_EQ(linear_flag(w, flat), 0);
  w.direction = 2.6f;
  EXPECT_EQ(linear_flag(w, flat), 1);
  w.direction = 0.0f;
  std::vector<float> sloped = flat;
  sloped[4] = 3.1f;
  EXPECT_EQ(linear_flag(w, sloped), 1);
  w.full_side = false;
  EXPECT_EQ(linear_flag(w, flat), 1);
  w.full_side = true;
  w.wave_type = WaveType::kIrregMulti;
  EXPECT_EQ(linear_flag(w, flat), 1);
  w.wave_type = WaveType::kSolitary;
  w.side = 1;
  w.direction = 270.0f;  // north row, travelling south
  EXPECT_EQ(linear_flag(w, flat), 0);
  w.side = 6;
  w.direction = 180.0f;  // inner column, either way along x
  EXPECT_EQ(linear_flag(w, flat), 0);
}

TEST(PrepareSignal, RowWavemakerWorksInTheExchangedFrame) {
  // Regular wave on part of the south row (i = 1..9, j = 1) travelling at 60 deg from +x, that
  // is 30 deg off the row's normal: U is the y-velocity V sin 60 eta, and the points lag along
  // x by k (x_p - x_ref) cos 60 with the reference at the middle point (i = 5).
  GridHeader grid;
  grid.delta_x = 2.0f;
  grid.delta_y = 3.0f;
  grid.ngrid_x = 20;
  grid.ngrid_y = 8;
  Field depth(21, 9, 4.0f);
  float max_depth = 4.0f;
  Wavemaker w;
  w.number = 1;
  w.side = 3;
  w.i1 = 1;
  w.i2 = 9;
  w.j1 = w.j2 = 1;
  w.height = 0.3f;
  w.period = 6.0f;
  w.direction = 60.0f;
  std::ostringstream console;
  Reporter r;
  r.console = &console;
  const float dt = 0.1f;
  prepare_wavemaker_signal(w, grid, depth, max_depth, dt, 601, r);
  ASSERT_EQ(w.signal.npoints, 9);
  EXPECT_EQ(w.linear_flag, 1);
  // The analysed height and period stand in for the given ones.
  EXPECT_NEAR(w.period, 6.0f, 1e-3f);
  EXPECT_NEAR(w.height, 0.3f, 0.01f);
  const float omega = kTwoPi / w.period, k = wavenumber(omega, 4.0f);
  const float V = velocity_factor(omega, k, 4.0f);
  for (int p : {1, 5, 9})
    for (int n : {1, 77, 300}) {
      const float x = static_cast<float>(p - 1) * 2.0f - 8.0f;
      const float eta = w.height / 2 * std::sin(k * x * 0.5f - omega * static_cast<float>(n - 1) * dt);
      EXPECT_NEAR(w.signal.u(n, p), V * 0.8660254f * eta, 2e-5f) << p << " " << n;
    }
  EXPECT_EQ(w.signal.side, 3);
  EXPECT_EQ(w.signal.nsteps, 601);
}

}  // namespace
}  // namespace swx
