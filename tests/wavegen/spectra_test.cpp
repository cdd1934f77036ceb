// Parametric frequency spectra, directional spreading and the frequency band.
#include "wavegen/spectra.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatal.hpp"
#include "param_builder.hpp"
#include "wavegen/spreading.hpp"

namespace swx {
namespace {

using test::fatal_from;

FrequencySpectrum build(const test::Entries& keys, float depth = 0.0f) {
  const ParamTable t = test::table_of(keys);
  return build_parametric_spectrum(t, test::whole(t), depth);
}

TEST(ParametricSpectra, GridPeakAndHeightOfEachShape) {
  // 1201 values from f = 0 to 6 f_p, rescaled to H_m0 = H_s (cut at 6 f_p loses ~0.1 % of m0).
  const float wp_wind = 0.87716323f * 9.81f / 15.0f, wp_hs = 0.4012442f * std::sqrt(9.81f / 2.0f);
  struct Case {
    test::Entries keys;
    float f_p, hs;  // hs < 0: not checked
    bool single_peak;
  };
  const Case cases[] = {
      {{{"spectral_type", "jonswap"}, {"jonswap_option", "hs"}, {"sig_wave_height", "2.5"},
        {"peak_wave_period", "10"}, {"gamma", "3.3"}}, 0.1f, 2.5f, true},
      {{{"spectral_type", "bret"}, {"sig_wave_height", "3"}, {"peak_wave_period", "9"}}, 1.0f / 9.0f, 3.0f, true},
      // PM from the wind: w_p = 0.87716323 g / U, H_s = 0.1609969 g / w_p^2.
      {{{"spectral_type", "pm"}, {"pm_option", "wind"}, {"wind_speed", "15"}}, wp_wind / 6.283185f,
       0.1609969f * 9.81f / (wp_wind * wp_wind), true},
      {{{"spectral_type", "pm"}, {"pm_option", "hs"}, {"sig_wave_height", "2"}}, wp_hs / 6.283185f, 2.0f, true},
      {{{"spectral_type", "pm"}, {"pm_option", "tp"}, {"peak_wave_period", "12"}}, 1.0f / 12.0f, -1.0f, true},
      // Two peaks, the grid following the high-frequency one; H_s = sqrt(1.2^2 + 0.9^2).
      {{{"spectral_type", "ochi"}, {"sig_wave_height_low", "1.2"}, {"sig_wave_height_high", "0.9"},
        {"peak_wave_period_low", "14"}, {"peak_wave_period_high", "6"}, {"gamma_low", "3"}, {"gamma_high", "1.5"}},
       1.0f / 6.0f, 1.5f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys.front().second + " " + c.keys[1].second);
    const FrequencySpectrum s = build(c.keys);
    ASSERT_EQ(s.count(), kSpectrumSize);
    EXPECT_EQ(s.S[0], 0.0f);
    EXPECT_EQ(s.f0, 0.0f);
    EXPECT_FLOAT_EQ(1200.0f * s.df, 6.0f * c.f_p);
    if (c.hs > 0.0f) { EXPECT_NEAR(zeroth_moment_height(s.S, s.df), c.hs, 0.005f * c.hs); }
    if (c.single_peak) { EXPECT_EQ(peak_index(s.S), 200); }
  }
  EXPECT_EQ(zeroth_moment_height(std::vector<float>(64, 1.0f), 0.25f), 16.0f);  // m0 = 16: exact
}

TEST(ParametricSpectra, JonswapWithGammaOneIsTheClosedForm) {
  // JONSWAP, gamma = 1: alpha g^2 (2 pi)^-4 f^-5 exp(-1.25 (f_p/f)^4), zero where the exponent
  // passes 50; at f_p the peak factor is the full gamma.
  const float f_p = 0.125f, alpha = 0.02f;
  const FrequencySpectrum s = jonswap_spectrum(f_p, alpha, 1.0f);
  for (int i = 1; i < kSpectrumSize; ++i) {
    const double f = i * double(s.df), e = 1.25 * std::pow(f_p / f, 4);
    const double want = e > 50 ? 0.0 : alpha * 9.81 * 9.81 / std::pow(2 * M_PI, 4) * std::pow(f, -5) * std::exp(-e);
    EXPECT_NEAR(s.S[i], want, (2.0 + e) * 1e-6 * want) << i;
  }
  EXPECT_NEAR(jonswap_spectrum(f_p, alpha, 3.3f).S[200] / s.S[200], 3.3f, 1e-5f);
}

TEST(ParametricSpectra, TmaDepthFactorAndDeepWaterLimit) {
  // TMA / JONSWAP(alpha 0.0081) = tanh^2(kh) / (1 + 2kh / sinh 2kh), k solved here in double.
  const float f_p = 0.1f, gamma = 3.3f, h = 6.0f;
  const FrequencySpectrum tma = tma_spectrum(f_p, gamma, h), jon = jonswap_spectrum(f_p, 0.0081f, gamma);
  for (int i : {120, 200, 300, 600}) {
    const double w = 2 * M_PI * i * double(tma.df), x = w * w * h / 9.81;
    double y = x;
    for (int it = 0; it < 60; ++it) y -= (y * std::tanh(y) - x) / (std::tanh(y) + y / std::pow(std::cosh(y), 2));
    EXPECT_NEAR(tma.S[i] / jon.S[i], std::pow(std::tanh(y), 2) / (1 + 2 * y / std::sinh(2 * y)), 2e-5) << i;
  }
  // In deep water TMA rescaled to H_s is the rescaled JONSWAP; in shallow water it keeps H_s.
  const test::Entries t = {{"spectral_type", "tma"}, {"sig_wave_height", "1.5"}, {"peak_wave_period", "8"},
                           {"gamma", "3.3"}};
  const FrequencySpectrum deep = build(t, 1000.0f);
  const FrequencySpectrum ref = build({{"spectral_type", "jonswap"}, {"jonswap_option", "hs"},
                                       {"sig_wave_height", "1.5"}, {"peak_wave_period", "8"}, {"gamma", "3.3"}});
  EXPECT_FLOAT_EQ(1200.0f * deep.df, 0.75f);
  for (int i = 1; i < kSpectrumSize; ++i) EXPECT_NEAR(deep.S[i], ref.S[i], 1e-4f * ref.S[200]) << i;
  const FrequencySpectrum shallow = build(t, 4.0f);
  EXPECT_NEAR(zeroth_moment_height(shallow.S, shallow.df), 1.5f, 0.0075f);
}

TEST(ParametricSpectra, InvalidChoicesStopTheRun) {
  const std::pair<test::Entries, std::string> cases[] = {
      {{{"spectral_type", "jonswap2"}}, "Invalid SPECTRAL_TYPE in Simulation Parameter File"},
      {{{"spectral_type", "jonswap"}, {"jonswap_option", "tp"}}, "Invalid JONSWAP_OPTION in Simulation Parameter File"},
      {{{"spectral_type", "pm"}, {"pm_option", "fetch"}}, "Invalid PM_OPTION in Simulation Parameter File"}};
  for (const auto& [keys, line1] : cases) EXPECT_EQ(fatal_from([&] { build(keys); }).line1, line1);
}

TEST(DirectionFitsBoundary, TravelMustEnterTheDomainFromTheSide) {
  // Nautical "coming from" directions; sides 1 N row, 2 E column, 3 S row, 4 W column, 5 inner
  // row, 6 inner column.  Directions along the line never fit.
  struct Case {
    float d;
    int side;
    bool fits;
  };
  const Case cases[] = {{270, 4, true},  {315, 4, true},  {225, 4, true},  {90, 4, false},  {0, 4, false},
                        {180, 4, false}, {90, 2, true},   {270, 2, false}, {0, 1, true},    {45, 1, true},
                        {180, 1, false}, {90, 1, false},  {180, 3, true},  {0, 3, false},   {0, 5, true},
                        {180, 5, true},  {90, 5, false},  {90, 6, true},   {270, 6, true},  {360, 6, false},
                        {380, 2, true},  {-100, 4, true}, {270, 7, false}};
  for (const Case& c : cases) EXPECT_EQ(direction_fits_boundary(c.d, c.side), c.fits) << c.d << " side " << c.side;
}

TEST(Spreading, WeightsOfCosinePowerAreNormalisedAndWrappedNormalAreNot) {
  // Cosine power n = 2 over +-90 deg: weights sum to one; E[sin^2] under cos^4 is 1/6, so the
  // truncated spread is (180/pi) / sqrt(6) = 23.3909 deg.
  const DirectionalSpreading c = spreading_bins(SpreadingType::kCosinePower, 10.0f, 90.0f, 25.4607f, 2.0f);
  ASSERT_EQ(c.count(), 32);
  EXPECT_FLOAT_EQ(c.theta.front(), -80.0f);
  EXPECT_FLOAT_EQ(c.theta.back(), 100.0f);
  EXPECT_FLOAT_EQ(c.dtheta, 180.0f / 31.0f);
  EXPECT_NEAR(c.dtheta * std::accumulate(c.weight.begin(), c.weight.end(), 0.0f), 1.0f, 1e-6f);
  EXPECT_NEAR(truncated_sigma(c), 23.3909f, 0.01f);
  // Wrapped normal, sigma 20 deg: the normal density near the peak; over +-40 deg about 95.4 %
  // of the mass (a little more by the rectangle sum), not renormalised.
  const DirectionalSpreading w = spreading_bins(SpreadingType::kWrappedNormal, 0.0f, 40.0f, 20.0f, 0.0f);
  EXPECT_NEAR(w.weight[15], 0.0199471f * std::exp(-0.5f * std::pow(w.theta[15] / 20.0f, 2.0f)), 2e-6f);
  const float sum = w.dtheta * std::accumulate(w.weight.begin(), w.weight.end(), 0.0f);
  EXPECT_GT(sum, 0.954f);
  EXPECT_LT(sum, 0.975f);
}

TEST(Spreading, BuilderConvertsDirectionsAndChecksItsKeys) {
  std::ostringstream console;
  auto spread = [&](const test::Entries& keys, float orientation, int side) {
    const ParamTable t = test::table_of(keys);
    return build_directional_spreading(t, test::whole(t), orientation, side, Reporter{&console, nullptr});
  };
  // The cut-off may reach three widths: 30 is accepted with sigma 10, 30.5 is not.
  auto normal = [](const char* cutoff) -> test::Entries {
    return {{"directional_distribution", "wrapped_normal"}, {"standard_deviation", "10"},
            {"prin_wave_direction", "270"}, {"max_cutoff_angle", cutoff}};
  };
  EXPECT_EQ(spread(normal("30"), 0.0f, 4).theta.back(), 30.0f);
  EXPECT_THROW(spread(normal("30.5"), 0.0f, 4), FatalError);
  console.str("");
  // 250 on a grid turned 20 deg is 270 nautical: travel along +x, from a west column only.  A
  // zero cut-off is a unidirectional sea: 32 equal shares on the principal direction.
  const test::Entries t = {{"directional_distribution", "cosine_power"}, {"spreading_index", "4"},
                           {"prin_wave_direction", "250"}, {"max_cutoff_angle", "0"}};
  const DirectionalSpreading d = spread(t, 20.0f, 4);
  EXPECT_EQ(d.principal_direction, 0.0f);
  EXPECT_FLOAT_EQ(d.sigma, 19.0599f);
  EXPECT_EQ(d.dtheta, 0.0f);
  EXPECT_EQ(d.theta, std::vector<float>(32, 0.0f));
  EXPECT_EQ(d.weight, std::vector<float>(32, 1.0f / 32.0f));
  EXPECT_EQ(console.str(), " standard deviation of truncated\n directional distribution is  0.0000 deg\n");
  const FatalError e = fatal_from([&] { spread(t, 20.0f, 1); });
  EXPECT_EQ(e.line1 + " " + e.line2, "principal wave direction cannot be generated along specified boundary");
  EXPECT_EQ(fatal_from([&] { spread({{"directional_distribution", "gaussian"}}, 0.0f, 4); }).line1,
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
  std::vector<float> S(10, 1.0f);
  EXPECT_FLOAT_EQ(truncate_spectrum_band(S, 0.0f, 1.0f, FrequencyBand{2.0f, 7.0f, false}, rep), 40.0f);
  EXPECT_EQ(S, (std::vector<float>{0, 0, 1, 1, 1, 1, 1, 1, 0, 0}));
  S.assign(10, 1.0f);
  EXPECT_FLOAT_EQ(truncate_spectrum_band(S, 0.0f, 1.0f, FrequencyBand{2.0f, 7.0f, true}, rep), 40.0f);
  EXPECT_FLOAT_EQ(S[2], 10.0f / 6.0f);
  EXPECT_EQ(S[9], 0.0f);
  std::vector<float> inside = {0.5f, 2.0f, 1.0f};
  truncate_spectrum_band(inside, 0.1f, 0.1f, FrequencyBand{0.05f, 1.0f, false}, rep);
  EXPECT_EQ(console.str(),
            " Truncated Wave Energy =  40.00 %\n Redistributed Wave Energy =  40.00 %\n Truncated Wave Energy =   0.00 %\n");
  std::vector<float> none(5, 1.0f);
  const FatalError e = fatal_from([&] { truncate_spectrum_band(none, 0.0f, 1.0f, FrequencyBand{10, 20, true}, rep); });
  EXPECT_EQ(e.line1, "wave_period_min and wave_period_max leave no");
  EXPECT_EQ(e.line2, "wave energy in the spectrum");

  // Period keys give the frequency limits; a zero shortest period leaves no upper limit.
  ParamTable t = test::table_of({{"wave_period_min", "2"}, {"wave_period_max", "10"}, {"rescale_spectrum", "yes"}});
  FrequencyBand b = read_frequency_band(t, test::whole(t), true);
  EXPECT_FLOAT_EQ(b.f_high, 0.5f);
  EXPECT_FLOAT_EQ(b.f_low, 0.1f);
  EXPECT_TRUE(b.rescale);
  t = test::table_of({{"wave_period_min", "0"}, {"wave_period_max", "25"}, {"rescale_spectrum", "y"}});
  b = read_frequency_band(t, test::whole(t), true);
  EXPECT_EQ(b.f_high, std::numeric_limits<float>::infinity());
  EXPECT_FALSE(b.rescale);  // only "yes" rescales
  t = test::table_of({{"wave_period_min", "5"}, {"wave_period_max", "4"}});
  EXPECT_THROW(read_frequency_band(t, test::whole(t), false), FatalError);
}

}  // namespace
}  // namespace swx
