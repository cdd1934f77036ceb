#include "wavegen/nonlinearity.hpp"

#include <cmath>
#include <cstddef>

#include "core/constants.hpp"
#include "wavegen/numerics.hpp"

namespace swx {

float nonlinearity_test_height(float H, bool irregular) { return irregular ? 2.4f * H : H; }

float limiting_height(float T, float h) {
  const float omega = kTwoPi / T;
  const float k = wavenumber(omega, h);
  return 0.14f * (kTwoPi / k) * std::tanh(k * h);
}

void check_nonlinearity(float test_height, float T, float h, const Reporter& reporter) {
  const float hb = limiting_height(T, h);
  if (test_height > 0.75f * hb)
    reporter.warning("Incident waves are highly nonlinear and potentially breaking", "Use smaller wave height", " ");
  if (test_height > 0.25f * hb)
    reporter.warning("incident wave height is in the nonlinear regime",
                     "free and forced nonlinear waves will be generated at",
                     "the boundary since using linear wave generation theory");
}

RepresentativeWave representative_wave(std::span<const float> heights, std::span<const float> periods,
                                       float max_depth) {
  RepresentativeWave r;
  const std::size_t m = heights.size();
  if (m == 0) return r;
  float sum_h2 = 0.0f, sum_h2t = 0.0f, sum_t = 0.0f;
  for (std::size_t k = 0; k < m; ++k) {
    const float h2 = heights[k] * heights[k];
    sum_h2 += h2;
    sum_h2t += h2 * periods[k];
    sum_t += periods[k];
  }
  r.rms_wave_height = std::sqrt(sum_h2 / static_cast<float>(m));
  r.mean_period = sum_h2 > 0.0f ? sum_h2t / sum_h2 : sum_t / static_cast<float>(m);
  if (r.mean_period > 0.0f) {
    r.mean_frequency = kTwoPi / r.mean_period;
    if (max_depth > 0.0f) r.mean_wavenumber = wavenumber(r.mean_frequency, max_depth);
  }
  return r;
}

}  // namespace swx
