#pragma once
// Limits of the linear generation theory: warnings for strongly nonlinear or breaking incident
// waves, and the representative wave of the run.
#include <span>

#include "core/fatal.hpp"

namespace swx {

// Height tested for a wavemaker: H for regular waves, 2.4 H for irregular seas.
float nonlinearity_test_height(float H, bool irregular);

// Limiting height 0.14 (2 pi / k) tanh(k h) of the period T in depth h.
float limiting_height(float T, float h);

// Warns when test_height exceeds 0.75 (breaking box) and, independently, 0.25 (nonlinear
// regime box) of the limiting height of T at depth h.
void check_nonlinearity(float test_height, float T, float h, const Reporter& reporter);

// Representative wave of all wavemakers: rms_wave_height = sqrt(sum H^2 / M), mean_period =
// sum H^2 T / sum H^2 (energy-weighted), mean_frequency = 2 pi / mean_period and the linear
// wavenumber of that frequency at max_depth.  A run whose heights are all zero takes the plain
// mean period.
struct RepresentativeWave {
  float rms_wave_height = 0.0f;  // m
  float mean_period = 0.0f;      // s
  float mean_frequency = 0.0f;   // rad/s
  float mean_wavenumber = 0.0f;  // 1/m
};
RepresentativeWave representative_wave(std::span<const float> heights, std::span<const float> periods, float max_depth);

}  // namespace swx
