#pragma once
// Zero up-crossing analysis of a surface-elevation series: average wave height and period.
#include <span>

#include "core/fatal.hpp"

namespace swx {

struct ZeroCrossingResult {
  float period = 0.0f;  // average zero-crossing period, s
  float height = 0.0f;  // average wave height, m
};

// Analyses x (step dt, s).  No up-crossing stops the run ("Zero cycles detected in
// zero-crossing analysis"); a single accepted crossing writes the warning line to the console
// and returns period = n dt, height = 0.
ZeroCrossingResult zero_crossing(std::span<const float> x, float dt, const Reporter& reporter);

}  // namespace swx
