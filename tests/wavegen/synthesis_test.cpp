// Signal synthesis: reference series, the FFT length rule, linear regular signals, the transfer
// with its band and directions, permanent-form waves, the depth cap, the linear flag and the
// nonlinearity warnings.
#include "wavegen/synthesis.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "swx_test_support.hpp"
#include "wavegen/nonlinearity.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/permanent_form.hpp"
#include "wavegen/transfer.hpp"

namespace swx {
namespace {

struct Console {
  std::ostringstream text;
  Reporter r{&text, nullptr};
};

LineGeometry west_column(int points, float h, float spacing) {
  LineGeometry g;
  g.spacing = spacing;
  g.depth.assign(points, h);
  g.y_ref = 0.5f * (points - 1) * spacing;
  return g;
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
  EXPECT_EQ(band.j_low, 1);
  EXPECT_EQ(band.j_high, 20);
  EXPECT_EQ(band_indices(FrequencyBand{0.05f, 1.0e6f, false}, b).j_high, 512);

  // 1e10 steps overflow the step count; a 1000-point line over 2e9 steps (about 48 TB) is
  // refused before allocation, naming the wavemaker.
  Wavemaker w;
  w.number = 2;
  w.wave_type = WaveType::kRegular;
  w.duration = 1.0e9f;
  EXPECT_THROW(signal_steps(w, 0.1f, 100.0f), FatalError);
  w.side = 4;
  w.j1 = 1;
  w.j2 = 1000;
  const FatalError e = test::fatal_from([&] { check_signal_memory(w, 2000000000); });
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
  FrequencySpectrum s;
  s.S.assign(301, 0.5f);
  s.df = 0.001f;
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

TEST(RegularLinearSignal, ReferencePointCarriesTheLinearVelocityAndOthersLag) {
  // West column of 5 points 2 m apart, depth 4 m, T = 6 s, H = 0.4 m; point 3 is the reference.
  const float h = 4.0f, T = 6.0f, H = 0.4f, dt = 0.1f;
  const LineGeometry g = west_column(5, h, 2.0f);
  BoundarySignal s;
  regular_linear_signal(H, T, 0.0f, g, dt, 61, s);
  const float omega = kTwoPi / T, k = wavenumber(omega, h), V = omega / (k * h * (1.0f + kBeta * k * h * k * h));
  for (int n : {1, 8, 23, 61}) {
    const float eta = H / 2 * std::sin(-omega * (n - 1) * dt);
    EXPECT_NEAR(s.u(n, 3), V * eta, 1e-6f);
    EXPECT_EQ(s.u(n, 1), s.u(n, 3));  // normal incidence: the same signal everywhere
  }
  // At 30 deg point 5 leads the reference by k (y_5 - y_3) sin 30 in phase; U carries cos 30.
  regular_linear_signal(H, T, 30.0f, g, dt, 61, s);
  EXPECT_NEAR(s.u(20, 5), V * std::cos(kPi / 6) * H / 2 * std::sin(k * 2.0f - omega * 19 * dt), 1e-5f);
  LineGeometry dry = g;
  dry.depth[1] = -1.0f;
  regular_linear_signal(H, T, 0.0f, dry, dt, 61, s);
  for (int n = 1; n <= 61; ++n) EXPECT_EQ(s.q(n, 2), 0.0f);
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
  d.dtheta = dtheta;
  for (int i = 0; i < 32; ++i) {
    d.theta.push_back(first + i * dtheta);
    d.weight.push_back(weight);
  }
  d.principal_direction = first + 15.5f * dtheta;
  return d;
}

TEST(Transfer, ComponentDirectionsStayInTheBandAndRowsDrawInTheExchangedFrame) {
  // Uniform weights over -20 .. 40 deg: reproducible, inside the band, spread about 10 deg; the
  // components beyond the last whole block of 32 keep zero.
  const DirectionalSpreading d = uniform_bins(-20.0f, 60.0f / 31.0f, 1.0f / 60.0f);
  const std::vector<float> a = assign_component_directions(d, 1030);
  EXPECT_EQ(a, assign_component_directions(d, 1030));
  double mean = 0.0;
  for (int j = 1; j <= 1024; ++j) {
    ASSERT_TRUE(a[j] >= -20.0f && a[j] <= 40.0f) << j;
    mean += a[j] / 1024.0;
  }
  EXPECT_NEAR(mean, 10.0, 2.0);
  EXPECT_GT(*std::max_element(a.begin() + 1, a.begin() + 1025) - *std::min_element(a.begin() + 1, a.begin() + 1025), 50.0f);
  for (int j = 1025; j <= 1030; ++j) EXPECT_EQ(a[j], 0.0f) << j;
  // A row wavemaker draws over the exchanged bins 90 - theta, not the grid-frame draws turned.
  Wavemaker w;
  w.wave_type = WaveType::kIrregMulti;
  w.spreading = uniform_bins(0.0f, 1.0f, 1.0f / 32.0f);
  w.side = 4;
  const std::vector<float> column = parametric_component_directions(w, 64);
  EXPECT_EQ(column, assign_component_directions(w.spreading, 64));
  w.side = 3;
  DirectionalSpreading exchanged = w.spreading;
  exchange_row_frame(exchanged.principal_direction, exchanged.theta);
  const std::vector<float> row = parametric_component_directions(w, 64);
  EXPECT_EQ(row, assign_component_directions(exchanged, 64));
  EXPECT_NE(row[1], 90.0f - column[1]);
}

TEST(DirectionalFile, BinsRunInIncreasingDirectionOfTravelWithTheirOwnColumns) {
  // min_wave_dir 180 by 10 deg, three columns: travel 90, 80, 70; the bins run 70, 80, 90, that
  // is columns 3, 2, 1, column m carrying m parts of 6.
  Wavemaker w;
  w.side = 4;
  DirectionalSpectrum& d = w.dir_spectrum;
  d.ndir = 3;
  d.dir_spacing = 10.0f;
  d.min_wave_dir = 180.0f;
  d.spectrum.df = 0.01f;
  d.spectrum.S.assign(101, 0.0f);
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
  w.side = 3;  // a row: the same bins in the exchanged frame
  EXPECT_EQ(directional_components(w, f).theta, (std::vector<float>{20.0f, 10.0f, 0.0f}));

  // One bin travelling at 180 deg: U = -V eta when the line resolves the wave; too coarse a
  // spacing generates it normally incident, the same eta with U of the opposite sign.
  DirectionalComponents one;
  one.S.assign(f.m + 1, 0.0f);
  one.S[16] = 0.5f;  // 0.25 Hz
  one.theta = {180.0f};
  one.weight.assign(f.m, 0.1f);
  one.dtheta = 10.0f;
  LineGeometry g;
  g.depth = {5.0f};
  g.spacing = 0.5f;
  BoundarySignal resolved, unresolved;
  synthesize_directional(one, 7, g, BandIndices{1, f.m}, f, resolved);
  g.spacing = 500.0f;
  synthesize_directional(one, 7, g, BandIndices{1, f.m}, f, unresolved);
  float peak = 0.0f;
  for (int n = 1; n <= 256; ++n) {
    peak = std::max(peak, std::fabs(resolved.u(n, 1)));
    EXPECT_NEAR(unresolved.u(n, 1), -resolved.u(n, 1), 1e-6f) << n;
  }
  EXPECT_GT(peak, 0.01f);
}

TEST(PrepareSignal, LinearFlagAndARowWavemaker) {
  // Permanent form (flag 0) only for waves within 2.56 deg of the normal of a full side of
  // uniform depth, and never for multidirectional seas.
  struct Case {
    int side;
    bool full;
    float direction;
    WaveType type;
    bool sloped;
    int flag;
  };
  const Case cases[] = {{4, true, 2.5f, WaveType::kRegular, false, 0},    {4, true, 2.6f, WaveType::kRegular, false, 1},
                        {4, true, 0.0f, WaveType::kRegular, true, 1},     {4, false, 0.0f, WaveType::kRegular, false, 1},
                        {4, true, 0.0f, WaveType::kIrregMulti, false, 1}, {1, true, 270.0f, WaveType::kSolitary, false, 0},
                        {6, true, 180.0f, WaveType::kSolitary, false, 0}};
  for (const Case& c : cases) {
    Wavemaker w;
    w.side = c.side;
    w.full_side = c.full;
    w.direction = c.direction;
    w.wave_type = c.type;
    std::vector<float> depth(5, 3.0f);
    if (c.sloped) depth[4] = 3.1f;
    EXPECT_EQ(linear_flag(w, depth), c.flag) << c.side << " " << c.direction;
  }

  // Regular wave on part of the south row (i = 1..9) travelling at 60 deg: U is V sin 60 eta and
  // the points lag along x by k (x_p - x_ref) cos 60, the reference at i = 5.
  const GridHeader grid{.delta_x = 2.0f, .delta_y = 3.0f, .ngrid_x = 20, .ngrid_y = 8};
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
  Console c;
  prepare_wavemaker_signal(w, grid, depth, max_depth, 0.1f, 601, c.r);
  ASSERT_EQ(w.signal.npoints, 9);
  EXPECT_EQ(w.signal.side, 3);
  EXPECT_EQ(w.signal.nsteps, 601);
  EXPECT_EQ(w.linear_flag, 1);
  EXPECT_NEAR(w.period, 6.0f, 1e-3f);  // the analysed height and period replace the given ones
  EXPECT_NEAR(w.height, 0.3f, 0.01f);
  const float omega = kTwoPi / w.period, k = wavenumber(omega, 4.0f), V = velocity_factor(omega, k, 4.0f);
  for (int p : {1, 5, 9})
    for (int n : {1, 77, 300}) {
      const float eta = w.height / 2 * std::sin(k * ((p - 1) * 2.0f - 8.0f) * 0.5f - omega * (n - 1) * 0.1f);
      EXPECT_NEAR(w.signal.u(n, p), V * 0.8660254f * eta, 2e-5f) << p << " " << n;
    }
}

TEST(PeriodicWave, SmallWavesAreLinearAndSteepWavesKeepHeightMeanLevelAndFlux) {
  Console c;
  // H = 0.01 m at h = 10 m: the linear wave of the model, omega^2 = g h k^2 (1 + beta (kh)^2) /
  // (1 - alpha (kh)^2), velocity amplitude omega / (k h (1 + beta (kh)^2)) H / 2.
  const float h = 10.0f, T = 8.0f, H = 0.01f, omega = kTwoPi / T;
  const PeriodicWave w = periodic_wave(H, T, h, c.r);
  EXPECT_TRUE(w.converged);
  const float k = model_linear_wavenumber(omega, h), kh = k * h;
  EXPECT_NEAR(omega * omega, kGravity * h * k * k * (1 + kBeta * kh * kh) / (1 - kAlpha * kh * kh), 1e-5f);
  EXPECT_NEAR(w.k, k, 1e-4f * k);
  EXPECT_NEAR(w.A[1], H / 2, 1e-3 * H);
  EXPECT_NEAR(w.B[1], omega / (kh * (1 + kBeta * kh * kh)) * H / 2, 2e-3 * w.B[1]);

  // H/h = 0.2: crest above trough by H, higher above still water than the trough below it,
  // zero mean level and flux, and longer than the linear wave.
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
  // 0.4 h with an Ursell number near 140 is cnoidal: mostly above still water and faster than
  // the linear wave, not a shorter wave of other shape.
  const PeriodicWave cn = periodic_wave(0.4f, 6.0f, 1.0f, c.r);
  ASSERT_TRUE(cn.converged);
  EXPECT_GT(cn.eta(0.0), 0.75 * 0.4);
  EXPECT_GT(cn.c, kTwoPi / 6.0f / model_linear_wavenumber(kTwoPi / 6.0f, 1.0f));
  // The signal of a wave travelling along -x: U = -u, repeating after one period.
  BoundarySignal sig;
  periodic_wave_signal(s, -1.0f, 0.1f, 81, sig);
  EXPECT_EQ(sig.npoints, 1);
  EXPECT_EQ(sig.nsteps, 81);
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

  // At 30 deg along 5 points 1 m apart, each crest is later by (y_p - y_ref) sin 30 / c and
  // carries cos 30 of the normal velocity.
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
  // The representative wave: H = 1 and 2, T = 6 and 12 give rms sqrt(5/2) and an energy-weighted
  // mean period (1*6 + 4*12) / 5 = 10.8.
  const RepresentativeWave r = representative_wave(std::vector<float>{1, 2}, std::vector<float>{6, 12}, 10.0f);
  EXPECT_FLOAT_EQ(r.rms_wave_height, std::sqrt(2.5f));
  EXPECT_FLOAT_EQ(r.mean_period, 10.8f);
}

}  // namespace
}  // namespace swx
