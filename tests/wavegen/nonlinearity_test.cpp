// Nonlinearity warnings at their thresholds and the representative wave of a run.
#include "wavegen/nonlinearity.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "swx_test_support.hpp"
#include "wavegen/numerics.hpp"

namespace swx {
namespace {

const std::string kBreaking = test::box_text(
    kWarningTitle, "Incident waves are highly nonlinear and potentially breaking", "Use smaller wave height", " ");
const std::string kNonlinear = test::box_text(kWarningTitle, "incident wave height is in the nonlinear regime",
                                              "free and forced nonlinear waves will be generated at",
                                              "the boundary since using linear wave generation theory");

std::string warnings_for(float height, float T, float h) {
  std::ostringstream console;
  Reporter r;
  r.console = &console;
  check_nonlinearity(height, T, h, r);
  return console.str();
}

TEST(Nonlinearity, WarningsStartAboveAQuarterAndThreeQuartersOfTheLimitingHeight) {
  const float T = 8.0f, h = 5.0f;
  // H_b = 0.14 L tanh(k h) with k from the linear dispersion relation.
  const float k = wavenumber(kTwoPi / T, h);
  const float hb = 0.14f * (kTwoPi / k) * std::tanh(k * h);
  EXPECT_FLOAT_EQ(limiting_height(T, h), hb);
  EXPECT_EQ(warnings_for(0.25f * hb, T, h), "");
  EXPECT_EQ(warnings_for(std::nextafter(0.25f * hb, 1e9f), T, h), kNonlinear);
  EXPECT_EQ(warnings_for(0.75f * hb, T, h), kNonlinear);
  EXPECT_EQ(warnings_for(std::nextafter(0.75f * hb, 1e9f), T, h), kBreaking + kNonlinear);
  // Irregular seas are judged with 2.4 times their height.
  EXPECT_FLOAT_EQ(nonlinearity_test_height(0.5f, true), 1.2f);
  EXPECT_FLOAT_EQ(nonlinearity_test_height(0.5f, false), 0.5f);
}

TEST(Nonlinearity, RepresentativeWaveIsEnergyWeighted) {
  const std::vector<float> one_h{1.5f}, one_t{9.0f};
  RepresentativeWave r = representative_wave(one_h, one_t, 10.0f);
  EXPECT_FLOAT_EQ(r.rms_wave_height, 1.5f);
  EXPECT_FLOAT_EQ(r.mean_period, 9.0f);
  EXPECT_FLOAT_EQ(r.mean_frequency, kTwoPi / 9.0f);
  EXPECT_FLOAT_EQ(r.mean_wavenumber, wavenumber(kTwoPi / 9.0f, 10.0f));
  // H = 1 and 2, T = 6 and 12: rms sqrt(5/2); mean period (1*6 + 4*12) / 5 = 10.8.
  const std::vector<float> h{1.0f, 2.0f}, t{6.0f, 12.0f};
  r = representative_wave(h, t, 10.0f);
  EXPECT_FLOAT_EQ(r.rms_wave_height, std::sqrt(2.5f));
  EXPECT_FLOAT_EQ(r.mean_period, 10.8f);
}

}  // namespace
}  // namespace swx
