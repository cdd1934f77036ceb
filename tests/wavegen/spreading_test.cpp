#include "wavegen/spreading.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "param_builder.hpp"

namespace swx {
namespace {

using test::fatal_from;

float weight_sum(const DirectionalSpreading& d) {
  return d.dtheta * std::accumulate(d.weight.begin(), d.weight.end(), 0.0f);
}

TEST(DirectionFitsBoundary, TravelMustEnterTheDomainFromTheSide) {
  // Nautical "coming from" directions (orientation included); travel = 270 - d, ccw from +x.
  struct Case {
    float d;
    int side;
    bool fits;
  };
  const Case cases[] = {
      {270.0f, 4, true}, {315.0f, 4, true},  {225.0f, 4, true},         {90.0f, 4, false},
      {0.0f, 4, false},  {180.0f, 4, false},  // west column: travel +x only; 0 and 180 run along the column
      {90.0f, 2, true},  {270.0f, 2, false}, {0.0f, 2, false},                               // east column
      {0.0f, 1, true},   {45.0f, 1, true},   {180.0f, 1, false},        {90.0f, 1, false},   // north row
      {180.0f, 3, true}, {0.0f, 3, false},   {270.0f, 3, false},                             // south row
      {0.0f, 5, true},   {180.0f, 5, true},  {90.0f, 5, false},         {270.0f, 5, false},  // inner row
      {90.0f, 6, true},  {270.0f, 6, true},  {0.0f, 6, false},          {360.0f, 6, false},  // inner column
      {380.0f, 2, true}, {-100.0f, 4, true}, {250.0f + 20.0f, 4, true},                      // outside 0..360
      {270.0f, 7, false}};
  for (const Case& c : cases) EXPECT_EQ(direction_fits_boundary(c.d, c.side), c.fits) << c.d << " side " << c.side;
}

TEST(SpreadingWidth, CosinePowerTableAndCutoffBound) {
  EXPECT_FLOAT_EQ(cosine_power_sigma(2.0f), 25.4607f);
  EXPECT_FLOAT_EQ(cosine_power_sigma(2.25f), 0.5f * (25.4607f + 23.2863f));
  EXPECT_FLOAT_EQ(cosine_power_sigma(65.0f), 5.00591f);
  EXPECT_FLOAT_EQ(cosine_power_sigma(0.0f), 52.0631f);
  EXPECT_EQ(cutoff_angle_bound(10.0f), 30.0f);
  EXPECT_EQ(cutoff_angle_bound(50.0f), 90.0f);

  // The bound is what the key reader enforces: 30 is accepted with sigma 10, 30.5 is not.
  std::ostringstream console;
  const Reporter rep{&console, nullptr};
  auto keys = [](const char* cutoff) {
    return test::table_of({{"directional_distribution", "wrapped_normal"},
                           {"standard_deviation", "10"},
                           {"prin_wave_direction", "270"},
                           {"max_cutoff_angle", cutoff}});
  };
  const ParamTable ok = keys("30"), too_wide = keys("30.5");
  EXPECT_EQ(build_directional_spreading(ok, test::whole(ok), 0.0f, 4, rep).theta.back(), 30.0f);
  EXPECT_THROW(build_directional_spreading(too_wide, test::whole(too_wide), 0.0f, 4, rep), FatalError);
}

TEST(SpreadingWeights, CosinePowerIsNormalisedAndWrappedNormalIsNot) {
  // Cosine power n = 2 over +-90 deg: weights sum to one; sigma_t uses sin(delta), and
  // E[sin^2] under cos^4 is (pi/16) / (3 pi/8) = 1/6, so sigma_t = (180/pi) / sqrt(6) = 23.3909.
  const DirectionalSpreading c = spreading_bins(SpreadingType::kCosinePower, 10.0f, 90.0f, 25.4607f, 2.0f);
  ASSERT_EQ(c.count(), 32);
  EXPECT_FLOAT_EQ(c.theta.front(), -80.0f);
  EXPECT_FLOAT_EQ(c.theta.back(), 100.0f);
  EXPECT_FLOAT_EQ(c.dtheta, 180.0f / 31.0f);
  EXPECT_NEAR(weight_sum(c), 1.0f, 1e-6f);
  EXPECT_NEAR(truncated_sigma(c), 23.3909f, 0.01f);

  // Wrapped normal sigma = 20 deg: near the principal direction it is the normal density
  // 1 / (20 sqrt(2 pi)) = 0.0199471 per degree; over +-40 deg it holds about 95.4 % of the
  // mass (the rectangle sum of 32 bins lands a little above), not renormalised.
  const DirectionalSpreading w = spreading_bins(SpreadingType::kWrappedNormal, 0.0f, 40.0f, 20.0f, 0.0f);
  EXPECT_NEAR(w.weight[15], 0.0199471f * std::exp(-0.5f * std::pow(w.theta[15] / 20.0f, 2.0f)), 2e-6f);
  EXPECT_GT(weight_sum(w), 0.954f);
  EXPECT_LT(weight_sum(w), 0.975f);
}

TEST(SpreadingBuilder, PrincipalDirectionConversionAndConsoleLines) {
  // prin_wave_direction 250 on a grid turned 20 deg: 270 nautical, travel 270 - 270 = 0 deg,
  // which a west column (side 4) can generate; a north row cannot.
  const ParamTable t = test::table_of({{"directional_distribution", "cosine_power"},
                                       {"spreading_index", "4"},
                                       {"prin_wave_direction", "250"},
                                       {"max_cutoff_angle", "0"}});
  std::ostringstream console;
  const DirectionalSpreading d = build_directional_spreading(t, test::whole(t), 20.0f, 4, Reporter{&console, nullptr});
  EXPECT_EQ(d.principal_direction, 0.0f);
  EXPECT_FLOAT_EQ(d.sigma, 19.0599f);
  // A zero cut-off is a unidirectional sea: all bins on the principal direction, dtheta = 0,
  // equal shares of a unit weight, and a printed spread of zero.
  EXPECT_EQ(d.dtheta, 0.0f);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(d.theta[static_cast<std::size_t>(i)], 0.0f);
    EXPECT_EQ(d.weight[static_cast<std::size_t>(i)], 1.0f / 32.0f);
  }
  EXPECT_EQ(console.str(), " standard deviation of truncated\n directional distribution is  0.0000 deg\n");

  FatalError e = fatal_from([&] {
    build_directional_spreading(t, test::whole(t), 20.0f, 1, Reporter{&console, nullptr});
  });
  EXPECT_EQ(e.line1, "principal wave direction cannot be");
  EXPECT_EQ(e.line2, "generated along specified boundary");

  const ParamTable bad = test::table_of({{"directional_distribution", "gaussian"}});
  e = fatal_from([&] { build_directional_spreading(bad, test::whole(bad), 0.0f, 4, Reporter{&console, nullptr}); });
  EXPECT_EQ(e.line1, "Invalid DIRECTIONAL_DISTRIBUTION in Simulation Parameter File");
}

TEST(BandTruncation, ReportsAndOptionallyRestoresTheEnergy) {
  // Ten unit densities at f = 0, 1, ..., 9 Hz; the band 2..7 Hz keeps six: 40 % is lost.
  std::ostringstream console;
  const Reporter rep{&console, nullptr};
  std::vector<float> S(10, 1.0f);
  EXPECT_FLOAT_EQ(truncate_spectrum_band(S, 0.0f, 1.0f, FrequencyBand{2.0f, 7.0f, false}, rep), 40.0f);
  EXPECT_EQ(S, (std::vector<float>{0, 0, 1, 1, 1, 1, 1, 1, 0, 0}));
  S.assign(10, 1.0f);
  EXPECT_FLOAT_EQ(truncate_spectrum_band(S, 0.0f, 1.0f, FrequencyBand{2.0f, 7.0f, true}, rep), 40.0f);
  EXPECT_FLOAT_EQ(S[2], 10.0f / 6.0f);
  EXPECT_EQ(S[9], 0.0f);
  // A spectrum inside the band loses nothing.
  std::vector<float> inside = {0.5f, 2.0f, 1.0f};
  truncate_spectrum_band(inside, 0.1f, 0.1f, FrequencyBand{0.05f, 1.0f, false}, rep);
  EXPECT_EQ(console.str(),
            " Truncated Wave Energy =  40.00 %\n"
            " Redistributed Wave Energy =  40.00 %\n"
            " Truncated Wave Energy =   0.00 %\n");

  // A band that keeps nothing stops the run instead of dividing by zero.
  std::vector<float> none(5, 1.0f);
  const FatalError e = fatal_from([&] {
    truncate_spectrum_band(none, 0.0f, 1.0f, FrequencyBand{10.0f, 20.0f, true}, rep);
  });
  EXPECT_EQ(e.line1, "wave_period_min and wave_period_max leave no");
  EXPECT_EQ(e.line2, "wave energy in the spectrum");
}

TEST(BandTruncation, PeriodKeysGiveFrequencyLimits) {
  ParamTable t = test::table_of({{"wave_period_min", "2"}, {"wave_period_max", "10"}, {"rescale_spectrum", "yes"}});
  FrequencyBand b = read_frequency_band(t, test::whole(t), true);
  EXPECT_FLOAT_EQ(b.f_high, 0.5f);
  EXPECT_FLOAT_EQ(b.f_low, 0.1f);
  EXPECT_TRUE(b.rescale);
  t = test::table_of({{"wave_period_min", "0"}, {"wave_period_max", "25"}, {"rescale_spectrum", "y"}});
  b = read_frequency_band(t, test::whole(t), true);
  EXPECT_EQ(b.f_high, std::numeric_limits<float>::infinity());  // no upper limit
  EXPECT_FALSE(b.rescale);
  t = test::table_of({{"wave_period_min", "5"}, {"wave_period_max", "4"}});
  EXPECT_THROW(read_frequency_band(t, test::whole(t), false), FatalError);
}

TEST(RowFrame, ExchangesAxes) {
  EXPECT_TRUE(is_row_side(1));
  EXPECT_TRUE(is_row_side(5));
  EXPECT_FALSE(is_row_side(4));
  float direction = 30.0f;
  std::vector<float> bins = {0.0f, 30.0f, 60.0f};
  exchange_row_frame(direction, bins);
  EXPECT_EQ(direction, 60.0f);
  EXPECT_EQ(bins, (std::vector<float>{90.0f, 60.0f, 30.0f}));
}

}  // namespace
}  // namespace swx
