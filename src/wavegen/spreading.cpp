#include "wavegen/spreading.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>

#include "core/constants.hpp"
#include "io/number_text.hpp"
#include "wavegen/numerics.hpp"

namespace swx {

namespace {

// Cosine-power spreading index n and the standard deviation (degrees) of the same spreading.
constexpr std::array<float, 37> kSpreadingIndex = {0.0f,  0.5f,  1.0f,  1.5f,  2.0f,  2.5f,  3.0f,  3.5f,  4.0f,  4.5f,
                                                   5.0f,  5.5f,  6.0f,  6.5f,  7.0f,  7.5f,  8.0f,  8.5f,  9.0f,  9.5f,
                                                   10.0f, 11.0f, 12.0f, 13.0f, 14.0f, 15.5f, 17.5f, 19.5f, 22.0f, 25.0f,
                                                   28.0f, 32.5f, 38.0f, 45.0f, 53.5f, 65.0f, 65.5f};
constexpr std::array<float, 37> kSpreadingSigma = {
    52.0631f, 39.171f,  32.5361f, 28.3703f, 25.4607f, 23.2863f, 21.584f,  20.2054f, 19.0599f, 18.0887f,
    17.2518f, 16.5209f, 15.8754f, 15.3f,    14.7828f, 14.3147f, 13.8883f, 13.4978f, 13.1385f, 12.8064f,
    12.4983f, 11.9432f, 11.4561f, 11.0241f, 10.6375f, 10.1269f, 9.54807f, 9.05831f, 8.54045f, 8.0225f,
    7.58862f, 7.05235f, 6.52928f, 6.00611f, 5.51321f, 5.00591f, 4.98691f};

constexpr float kDegToRad = kPi / 180.0f;

// Direction of travel 270 - d (degrees) brought into [0, 360).
float travel_angle(float direction_deg) {
  float a = std::fmod(270.0f - direction_deg, 360.0f);
  if (a < 0.0f) a += 360.0f;
  if (a >= 360.0f) a -= 360.0f;
  return a;
}

}  // namespace

bool direction_fits_boundary(float direction_deg, WavemakerSide side) {
  // Sides are tested on the direction of travel in the grid frame, counter-clockwise from +x,
  // with exact comparisons in degrees so that waves travelling along the line are refused.
  const float a = travel_angle(direction_deg);
  switch (side) {
    case WavemakerSide::kNorth:
      return a > 180.0f;  // travel towards -y
    case WavemakerSide::kEast:
      return a > 90.0f && a < 270.0f;  // towards -x
    case WavemakerSide::kSouth:
      return a > 0.0f && a < 180.0f;  // towards +y
    case WavemakerSide::kWest:
      return a < 90.0f || a > 270.0f;  // towards +x
    case WavemakerSide::kInnerRow:
      return a != 0.0f && a != 180.0f;  // either way across it
    case WavemakerSide::kInnerColumn:
      return a != 90.0f && a != 270.0f;  // either way across it
    default:
      return false;
  }
}

float cosine_power_sigma(float n) { return lookup_table(kSpreadingIndex, kSpreadingSigma, n); }

float cutoff_angle_bound(float sigma) { return std::min(3.0f * sigma, 90.0f); }

DirectionalSpreading spreading_bins(SpreadingType type, float theta_p, float theta_c, float sigma, float n) {
  DirectionalSpreading d;
  d.principal_direction = theta_p;
  d.sigma = sigma;
  d.theta.assign(kSpreadingBins, theta_p);
  d.weight.assign(kSpreadingBins, 0.0f);
  if (theta_c == 0.0f) {
    // A zero cut-off leaves no band to spread over: the sea is unidirectional.  Every bin sits
    // on the principal direction with an equal share of a unit total weight, and dtheta = 0
    // tells the synthesis to give every component the principal direction.
    d.dtheta = 0.0f;
    d.weight.assign(kSpreadingBins, 1.0f / static_cast<float>(kSpreadingBins));
    return d;
  }
  const float theta_1 = theta_p - theta_c;
  d.dtheta = 2.0f * theta_c / 31.0f;
  for (int i = 0; i < kSpreadingBins; ++i)
    d.theta[static_cast<std::size_t>(i)] = theta_1 + static_cast<float>(i) * d.dtheta;
  if (type == SpreadingType::kWrappedNormal) {
    const float sigma_r = sigma * kDegToRad;
    for (int i = 0; i < kSpreadingBins; ++i) {
      const float delta = (d.theta[static_cast<std::size_t>(i)] - theta_p) * kDegToRad;
      float sum = 0.0f;
      for (int j = 1; j <= 20; ++j) {
        const float js = static_cast<float>(j) * sigma_r;
        sum += std::exp(-(js * js) / 2.0f) * std::cos(static_cast<float>(j) * delta);
      }
      d.weight[static_cast<std::size_t>(i)] = 0.0027777778f + (1.0f / 180.0f) * sum;
    }
  } else {
    float sum = 0.0f;
    for (int i = 0; i < kSpreadingBins; ++i) {
      const float delta = (d.theta[static_cast<std::size_t>(i)] - theta_p) * kDegToRad;
      const float w = std::pow(std::fabs(std::cos(delta)), 2.0f * n);
      d.weight[static_cast<std::size_t>(i)] = w;
      sum += w;
    }
    const float norm = d.dtheta * sum;
    for (float& w : d.weight) w /= norm;
  }
  return d;
}

float truncated_sigma(const DirectionalSpreading& d) {
  float sum = 0.0f;
  for (int i = 0; i < d.count(); ++i) {
    const float s = std::sin((d.theta[static_cast<std::size_t>(i)] - d.principal_direction) * kDegToRad);
    sum += d.weight[static_cast<std::size_t>(i)] * s * s;
  }
  return (180.0f / kPi) * std::sqrt(d.dtheta * sum);
}

DirectionalSpreading build_directional_spreading(const ParamTable& t, Block b, float grid_orientation,
                                                 WavemakerSide side, const Reporter& reporter) {
  const std::string name = get_lower_text_in_block(t, "directional_distribution", b);
  SpreadingType type;
  if (name == "wrapped_normal")
    type = SpreadingType::kWrappedNormal;
  else if (name == "cosine_power")
    type = SpreadingType::kCosinePower;
  else
    fatal("Invalid DIRECTIONAL_DISTRIBUTION in Simulation Parameter File");

  float sigma, n = 0.0f;
  if (type == SpreadingType::kWrappedNormal) {
    sigma = get_real_in_block_in_range(t, "standard_deviation", b, 5.0f, 50.0f);
  } else {
    n = get_real_in_block_in_range(t, "spreading_index", b, 0.0f, 65.0f);
    sigma = cosine_power_sigma(n);
  }

  float theta_p = get_real_in_block_in_range(t, "prin_wave_direction", b, 0.0f, 360.0f) + grid_orientation;
  if (!direction_fits_boundary(theta_p, side))
    fatal("principal wave direction cannot be", "generated along specified boundary");
  theta_p = 270.0f - theta_p;

  const float theta_c = get_real_in_block_in_range(t, "max_cutoff_angle", b, 0.0f, cutoff_angle_bound(sigma));
  DirectionalSpreading d = spreading_bins(type, theta_p, theta_c, sigma, n);

  reporter.console_line(" standard deviation of truncated");
  reporter.console_line(" directional distribution is" + fixed_field(truncated_sigma(d), 8, 4) + " deg");
  return d;
}

FrequencyBand read_frequency_band(const ParamTable& t, Block b, bool with_rescale) {
  FrequencyBand band;
  const float period_min = get_real_in_block_in_range(t, "wave_period_min", b, 0.0f, 1000.0f);
  const float period_max = get_real_in_block_in_range(t, "wave_period_max", b, period_min, 1000.0f);
  // A zero period puts its limit at infinity: 0 as the minimum keeps every high frequency.
  band.f_high = 1.0f / period_min;
  band.f_low = 1.0f / period_max;
  if (with_rescale) band.rescale = get_lower_text_in_block(t, "rescale_spectrum", b) == "yes";
  return band;
}

float truncate_spectrum_band(std::span<float> S, float f0, float df, const FrequencyBand& band,
                             const Reporter& reporter) {
  float sum0 = 0.0f;
  for (float v : S) sum0 += v;
  const float E0 = df * sum0;
  for (std::size_t i = 0; i < S.size(); ++i) {
    const float f = f0 + static_cast<float>(i) * df;
    if (f < band.f_low || f > band.f_high) S[i] = 0.0f;
  }
  float sum1 = 0.0f;
  for (float v : S) sum1 += v;
  const float E1 = df * sum1;
  // A spectrum without energy has nothing to lose; a band that removes all of a spectrum's
  // energy can generate no waves at all and stops the run.
  float P = 0.0f;
  if (E0 > 0.0f) {
    if (!(E1 > 0.0f)) fatal("wave_period_min and wave_period_max leave no", "wave energy in the spectrum");
    P = (E0 - E1) * 100.0f / E0;
    if (band.rescale) {
      const float factor = E0 / E1;
      for (float& v : S) v *= factor;
    }
  }
  const std::string percent = fixed_field(P, 6, 2) + " %";
  reporter.console_line(band.rescale ? " Redistributed Wave Energy = " + percent
                                     : " Truncated Wave Energy = " + percent);
  return P;
}

void exchange_row_frame(float& direction, std::span<float> theta) {
  direction = 90.0f - direction;
  for (float& v : theta) v = 90.0f - v;
}

}  // namespace swx
