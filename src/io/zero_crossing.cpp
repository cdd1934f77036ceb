#include "io/zero_crossing.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace swx {

ZeroCrossingResult zero_crossing(std::span<const float> series, float dt, const Reporter& reporter) {
  const std::vector<float> x(series.begin(), series.end());
  const int n = static_cast<int>(x.size());
  auto at = [&](int i) { return x[static_cast<std::size_t>(i - 1)]; };  // 1-based sample

  float sum = 0.0f;
  for (float v : x) sum += v;
  const float mean = n > 0 ? sum / static_cast<float>(n) : 0.0f;
  float sigma = 0.0f;
  if (n >= 2) {
    float ss = 0.0f;
    for (float v : x) ss += (v - mean) * (v - mean);
    sigma = std::sqrt(ss / static_cast<float>(n - 1));
  }
  const float level = 0.01f * sigma;

  // Up-crossings of the zero level; a crossing is accepted only when the stretch since the last
  // accepted one dips below -level and rises above +level, so ripples merge into their wave.
  std::vector<int> accepted;
  accepted.reserve(static_cast<std::size_t>(n));
  float lo = 0.0f, hi = 0.0f;  // extremes of x from the last accepted crossing on
  for (int i = 1; i <= n - 1; ++i) {
    if (!accepted.empty()) {
      lo = std::min(lo, at(i));
      hi = std::max(hi, at(i));
    }
    if (!(at(i) < 0.0f && at(i + 1) > 0.0f)) continue;
    if (accepted.empty() || (lo < -level && hi > level)) {
      accepted.push_back(i);
      lo = hi = at(i);
    }
  }
  if (accepted.empty()) fatal("Zero cycles detected in zero-crossing analysis");

  const int nw = static_cast<int>(accepted.size()) - 1;
  if (nw < 1) {
    reporter.console_line(" *** warning - zero cycles detected in zero-crossing analysis");
    return {static_cast<float>(n) * dt, 0.0f};
  }
  auto crossing_time = [&](int a) { return static_cast<float>(a - 1) * dt - dt * at(a) / (at(a + 1) - at(a)); };
  float sum_t = 0.0f, sum_h = 0.0f;
  for (int w = 0; w < nw; ++w) {
    const int a = accepted[static_cast<std::size_t>(w)];
    const int b = accepted[static_cast<std::size_t>(w) + 1];
    float wave_min = at(a), wave_max = wave_min;
    for (int k = a; k <= b; ++k) {
      wave_min = std::min(wave_min, at(k));
      wave_max = std::max(wave_max, at(k));
    }
    sum_t += crossing_time(b) - crossing_time(a);
    sum_h += wave_max - wave_min;
  }
  return {sum_t / static_cast<float>(nw), sum_h / static_cast<float>(nw)};
}

}  // namespace swx
