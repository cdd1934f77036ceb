#include "output/zero_crossing.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <tuple>
#include <vector>

#include "swx_test_support.hpp"

namespace swx {
namespace {

TEST(ZeroCrossing, SineGivesItsPeriodAndSampledHeight) {
  // a sin(2 pi t / P - 0.1) sampled at dt = P/20 for 10 periods (200 samples) starts just below
  // zero, so the 10 up-crossings (one per period) are all accepted: 9 waves.  The sampling
  // repeats every period, so each interpolated crossing carries the same offset and every
  // period is exactly P.  The highest sample sits at phase pi/2 - 0.1 (k = 5) and the lowest at
  // 3 pi/2 - 0.1 (k = 15), so each wave height is 2 a cos(0.1).
  const float a = 0.5f, P = 8.0f, dt = P / 20.0f;
  std::vector<float> x(200);
  for (int k = 0; k < 200; ++k) x[static_cast<std::size_t>(k)] = a * std::sin(2.0f * 3.1415927f * k / 20.0f - 0.1f);
  std::ostringstream console;
  const Reporter reporter{&console, nullptr};
  const ZeroCrossingResult r = zero_crossing(x, dt, reporter);
  EXPECT_NEAR(r.period, P, 1e-4f);
  EXPECT_NEAR(r.height, 2.0f * a * std::cos(0.1f), 1e-5f);
  EXPECT_EQ(console.str(), "");
}

TEST(ZeroCrossing, RipplesBelowOnePercentOfSigmaMergeIntoTheLongWave) {
  // A long wave sin^3(2 pi k / 400 - 0.01) (sigma = sqrt(5/16) ~ 0.559, acceptance level
  // ~0.0056) lingers near zero around its zero crossings, where a ripple of amplitude 0.002 and
  // period 3 samples adds clusters of extra up-crossings (only while |sin^3| < 0.002, so the
  // samples of a cluster stay within +-0.004).  No stretch from the last accepted crossing spans
  // both -0.0056 and +0.0056 before the next long-wave up-crossing, so the
  // average period stays that of the long wave, 40 s with dt = 0.1 (the cluster jitter of at
  // most a few samples is spread over 9 waves), and the height is 2 up to the ripple.
  const int n = 4000;
  std::vector<float> x(n);
  for (int k = 0; k < n; ++k) {
    const float s = std::sin(2.0f * 3.1415927f * k / 400.0f - 0.01f);
    x[static_cast<std::size_t>(k)] = s * s * s + 0.002f * std::sin(2.0f * 3.1415927f * k / 3.0f);
  }
  int raw_crossings = 0;
  for (int k = 0; k + 1 < n; ++k)
    if (x[static_cast<std::size_t>(k)] < 0.0f && x[static_cast<std::size_t>(k) + 1] > 0.0f) ++raw_crossings;
  ASSERT_GT(raw_crossings, 30);  // the ripple does add crossings
  std::ostringstream console;
  const ZeroCrossingResult r = zero_crossing(x, 0.1f, Reporter{&console, nullptr});
  EXPECT_NEAR(r.period, 40.0f, 0.1f);
  EXPECT_NEAR(r.height, 2.0f, 0.01f);
}

// No up-crossing stops the run (touching zero is no crossing); a single one warns and gives no
// complete wave, so T = n dt = 6 * 0.25 and H = 0.
TEST(ZeroCrossing, NoOrOneUpCrossing) {
  std::ostringstream console;
  const Reporter reporter{&console, nullptr};
  EXPECT_EQ(test::fatal_from([&] {
              zero_crossing(std::vector<float>{0.1f, 0.5f, 0.2f, 0.0f, 0.3f}, 0.5f, reporter);
            }).line1,
            "Zero cycles detected in zero-crossing analysis");
  const ZeroCrossingResult r = zero_crossing(std::vector<float>{-1.0f, -0.5f, 0.5f, 1.0f, 0.8f, 0.2f}, 0.25f, reporter);
  EXPECT_EQ(std::tie(r.period, r.height), std::tuple(1.5f, 0.0f));
  EXPECT_EQ(console.str(), " *** warning - zero cycles detected in zero-crossing analysis\n");
}

}  // namespace
}  // namespace swx
