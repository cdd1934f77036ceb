#include "wavegen/spectra.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/fatal.hpp"
#include "param_builder.hpp"

namespace swx {
namespace {

using test::fatal_from;

void expect_grid(const FrequencySpectrum& s, float f_p) {
  ASSERT_EQ(s.count(), kSpectrumSize);
  EXPECT_EQ(s.S[0], 0.0f);
  EXPECT_EQ(s.f0, 0.0f);
  EXPECT_FLOAT_EQ(1200.0f * s.df, 6.0f * f_p);
}

TEST(ZerothMomentHeight, RectangleRuleOverAllValues) {
  // 64 values of 1 m^2/Hz with df = 0.25 Hz: m0 = 16 m^2, H_m0 = 16 m (exact in float).
  const std::vector<float> S(64, 1.0f);
  EXPECT_EQ(zeroth_moment_height(S, 0.25f), 16.0f);
}

TEST(Jonswap, HsOptionRescalesToTheRequestedHeight) {
  const ParamTable t = test::table_of({{"spectral_type", "jonswap"},
                                       {"jonswap_option", "hs"},
                                       {"sig_wave_height", "2.5"},
                                       {"peak_wave_period", "10"},
                                       {"gamma", "3.3"}});
  const FrequencySpectrum s = build_parametric_spectrum(t, test::whole(t), 0.0f);
  expect_grid(s, 0.1f);
  EXPECT_NEAR(zeroth_moment_height(s.S, s.df), 2.5f, 0.005f * 2.5f);
  EXPECT_EQ(peak_index(s.S), 200);  // f_p = 200 df
}

TEST(Jonswap, GammaOneIsPiersonMoskowitzScaledByAlphaAndPeakCarriesGamma) {
  // gamma = 1: S = alpha g^2 (2 pi)^-4 f^-5 exp(-1.25 (f_p/f)^4) wherever 1.25 (f_p/f)^4 <= 50.
  const float f_p = 0.125f, alpha = 0.02f;
  const FrequencySpectrum s = jonswap_spectrum(f_p, alpha, 1.0f);
  expect_grid(s, f_p);
  for (int i = 1; i < kSpectrumSize; ++i) {
    const double f = i * static_cast<double>(s.df);
    const double e = 1.25 * std::pow(f_p / f, 4);
    const double want = e > 50 ? 0.0 : alpha * 9.81 * 9.81 / std::pow(2 * M_PI, 4) * std::pow(f, -5) * std::exp(-e);
    // Float rounding of f and of the exponent grows with e: about (2 + e) 1e-6 relative.
    EXPECT_NEAR(s.S[static_cast<std::size_t>(i)], want, (2.0 + e) * 1e-6 * want) << i;
  }
  // At f = f_p (i = 200) r = 0, so the peak factor is the full gamma.
  const FrequencySpectrum g = jonswap_spectrum(f_p, alpha, 3.3f);
  EXPECT_NEAR(g.S[200] / s.S[200], 3.3f, 1e-5f);
}

TEST(Jonswap, WindOptionUsesFetchLimitedPeakWithoutRescaling) {
  // U = 20 m/s, F = 100 km: X = 400 / (9810 * 100), f_p = 3.5 (9.81 / 20) X^0.33,
  // alpha = 0.076 X^0.22; the result is jonswap_spectrum with those values as is.
  const ParamTable t = test::table_of({{"spectral_type", "jonswap"},
                                       {"jonswap_option", "wind"},
                                       {"wind_speed", "20"},
                                       {"fetch_distance", "100"},
                                       {"gamma", "2"}});
  const FrequencySpectrum s = build_parametric_spectrum(t, test::whole(t), 0.0f);
  const float X = 400.0f / (9810.0f * 100.0f);
  const FrequencySpectrum want =
      jonswap_spectrum(3.5f * (9.81f / 20.0f) * std::pow(X, 0.33f), 0.076f * std::pow(X, 0.22f), 2.0f);
  EXPECT_EQ(s.S, want.S);
  EXPECT_EQ(s.df, want.df);
}

TEST(ClosedForms, BretschneiderAndPiersonMoskowitzCarryTheirHeight) {
  // (5/16) H_s^2 w_p^4 w^-5 exp(-1.25 (w_p/w)^4) integrates to H_s^2/16; cut at 6 f_p it loses
  // 1 - exp(-1.25/1296) ~ 0.1 % of m0, so H_m0 is within 0.5 % of H_s.
  const ParamTable bret =
      test::table_of({{"spectral_type", "bret"}, {"sig_wave_height", "3"}, {"peak_wave_period", "9"}});
  const FrequencySpectrum b = build_parametric_spectrum(bret, test::whole(bret), 0.0f);
  expect_grid(b, 1.0f / 9.0f);
  EXPECT_NEAR(zeroth_moment_height(b.S, b.df), 3.0f, 0.015f);
  const double w = 2 * M_PI * 150 * b.df, wp = 2 * M_PI / 9.0;
  EXPECT_NEAR(b.S[150],
              2 * M_PI * 5.0 / 16 * 9 * std::pow(wp, 4) * std::pow(w, -5) * std::exp(-1.25 * std::pow(wp / w, 4)),
              1e-5 * b.S[150]);

  // PM from the wind: w_p = 0.87716323 g / U, H_s = 0.1609969 g / w_p^2 (U = 15: about 4.8 m).
  const ParamTable wind = test::table_of({{"spectral_type", "pm"}, {"pm_option", "wind"}, {"wind_speed", "15"}});
  const FrequencySpectrum p = build_parametric_spectrum(wind, test::whole(wind), 0.0f);
  const float wp_wind = 0.87716323f * 9.81f / 15.0f;
  expect_grid(p, wp_wind / 6.283185f);
  EXPECT_NEAR(zeroth_moment_height(p.S, p.df), 0.1609969f * 9.81f / (wp_wind * wp_wind), 0.005f * 4.8f);

  // PM from H_s gives the same closed form as Bretschneider at w_p = 0.4012442 sqrt(g / H_s).
  const ParamTable hs = test::table_of({{"spectral_type", "pm"}, {"pm_option", "hs"}, {"sig_wave_height", "2"}});
  const FrequencySpectrum h = build_parametric_spectrum(hs, test::whole(hs), 0.0f);
  EXPECT_NEAR(zeroth_moment_height(h.S, h.df), 2.0f, 0.01f);
  EXPECT_EQ(h.S, pm_spectrum(0.4012442f * std::sqrt(9.81f / 2.0f), 2.0f).S);

  const ParamTable tp = test::table_of({{"spectral_type", "pm"}, {"pm_option", "tp"}, {"peak_wave_period", "12"}});
  expect_grid(build_parametric_spectrum(tp, test::whole(tp), 0.0f), 1.0f / 12.0f);
}

TEST(Tma, DepthFactorAndDeepWaterLimit) {
  // Before rescaling, TMA / JONSWAP(alpha 0.0081) is tanh^2(kh) / (1 + 2kh / sinh 2kh) with k
  // from the linear dispersion relation, checked here in double precision.
  const float f_p = 0.1f, gamma = 3.3f, h = 6.0f;
  const FrequencySpectrum tma = tma_spectrum(f_p, gamma, h);
  const FrequencySpectrum jon = jonswap_spectrum(f_p, 0.0081f, gamma);
  for (int i : {120, 200, 300, 600}) {
    const double w = 2 * M_PI * i * static_cast<double>(tma.df);
    double y = w * w * h / 9.81;
    for (int it = 0; it < 60; ++it)
      y -= (y * std::tanh(y) - w * w * h / 9.81) / (std::tanh(y) + y / std::pow(std::cosh(y), 2));
    const double factor = std::pow(std::tanh(y), 2) / (1 + 2 * y / std::sinh(2 * y));
    EXPECT_NEAR(tma.S[static_cast<std::size_t>(i)] / jon.S[static_cast<std::size_t>(i)], factor, 2e-5) << i;
  }

  // In deep water the factor is 1 and both shapes, rescaled to the same H_s, agree.
  const ParamTable t = test::table_of(
      {{"spectral_type", "tma"}, {"sig_wave_height", "1.5"}, {"peak_wave_period", "8"}, {"gamma", "3.3"}});
  const ParamTable j = test::table_of({{"spectral_type", "jonswap"},
                                       {"jonswap_option", "hs"},
                                       {"sig_wave_height", "1.5"},
                                       {"peak_wave_period", "8"},
                                       {"gamma", "3.3"}});
  const FrequencySpectrum deep = build_parametric_spectrum(t, test::whole(t), 1000.0f);
  const FrequencySpectrum ref = build_parametric_spectrum(j, test::whole(j), 0.0f);
  expect_grid(deep, 0.125f);
  const float peak = ref.S[200];
  for (int i = 1; i < kSpectrumSize; ++i)
    EXPECT_NEAR(deep.S[static_cast<std::size_t>(i)], ref.S[static_cast<std::size_t>(i)], 1e-4f * peak) << i;
  const FrequencySpectrum shallow = build_parametric_spectrum(t, test::whole(t), 4.0f);
  EXPECT_NEAR(zeroth_moment_height(shallow.S, shallow.df), 1.5f, 0.0075f);
}

TEST(OchiHubble, TwoPeaksRescaledToTheCombinedHeight) {
  const ParamTable t = test::table_of({{"spectral_type", "ochi"},
                                       {"sig_wave_height_low", "1.2"},
                                       {"sig_wave_height_high", "0.9"},
                                       {"peak_wave_period_low", "14"},
                                       {"peak_wave_period_high", "6"},
                                       {"gamma_low", "3"},
                                       {"gamma_high", "1.5"}});
  const FrequencySpectrum s = build_parametric_spectrum(t, test::whole(t), 0.0f);
  expect_grid(s, 1.0f / 6.0f);                                  // the grid follows the peak_wave_period_high component
  EXPECT_NEAR(zeroth_moment_height(s.S, s.df), 1.5f, 0.0075f);  // sqrt(1.2^2 + 0.9^2)

  // With H_s2 = 0 one component remains, of the form w^-(4 lambda + 1) exp(-(lambda + 1/4)(f_1/f)^4),
  // rescaled to H_s1: its ratio between two frequencies follows that form alone.
  const ParamTable one = test::table_of({{"spectral_type", "ochi"},
                                         {"sig_wave_height_low", "2"},
                                         {"sig_wave_height_high", "0"},
                                         {"peak_wave_period_low", "10"},
                                         {"peak_wave_period_high", "5"},
                                         {"gamma_low", "2"},
                                         {"gamma_high", "1"}});
  const FrequencySpectrum o = build_parametric_spectrum(one, test::whole(one), 0.0f);
  EXPECT_NEAR(zeroth_moment_height(o.S, o.df), 2.0f, 0.01f);
  auto shape = [&](int i) {
    const double f = i * static_cast<double>(o.df);
    return std::pow(2 * M_PI * f, -9.0) * std::exp(-2.25 * std::pow(0.1 / f, 4));
  };
  EXPECT_NEAR(o.S[60] / o.S[100], shape(60) / shape(100), 1e-4 * shape(60) / shape(100));
}

TEST(SpectrumKeys, InvalidChoicesStopTheRun) {
  ParamTable t = test::table_of({{"spectral_type", "jonswap2"}});
  EXPECT_EQ(fatal_from([&] { build_parametric_spectrum(t, test::whole(t), 0.0f); }).line1,
            "Invalid SPECTRAL_TYPE in Simulation Parameter File");
  t = test::table_of({{"spectral_type", "jonswap"}, {"jonswap_option", "tp"}});
  EXPECT_EQ(fatal_from([&] { build_parametric_spectrum(t, test::whole(t), 0.0f); }).line1,
            "Invalid JONSWAP_OPTION in Simulation Parameter File");
  t = test::table_of({{"spectral_type", "pm"}, {"pm_option", "fetch"}});
  EXPECT_EQ(fatal_from([&] { build_parametric_spectrum(t, test::whole(t), 0.0f); }).line1,
            "Invalid PM_OPTION in Simulation Parameter File");
}

}  // namespace
}  // namespace swx
