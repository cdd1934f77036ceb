// Run-time estimate, timing report and elapsed time between wall-clock samples.
#include "driver/timing.hpp"

#include "swx_test_support.hpp"

namespace swx {
namespace {

WallClock at(int year, int month, int day, int hour, int minute, int second, int ms, int zone = 60) {
  return {{year, month, day, zone, hour, minute, second, ms}};
}

TEST(TimingReport, MinutesBelowAnHourAndHoursAbove) {
  // Hours with 2 decimals below 10 hours and 3 from then on, trailing zeros cut to one decimal.
  const struct {
    float elapsed_s, cpu_s;
    const char *elapsed, *cpu;
  } cases[] = {{90.0f, 3600.0f, "1.5 min", "1.0 hrs"},
               {36000.0f, 0.0f, "10.0 hrs", "0.0 min"},
               {8100.0f, 44400.0f, "2.25 hrs", "12.333 hrs"}};
  for (const auto& c : cases) {
    std::ostringstream os;
    write_timing_report(os, c.elapsed_s, c.cpu_s);
    EXPECT_EQ(os.str(), std::string(" \n Elapsed time is ") + c.elapsed + "\n \n \n CPU time is " + c.cpu + "\n \n");
  }
  for (const auto& [minutes, text] : {std::pair{59.99f, "59.99 min"}, std::pair{60.0f, "1.0 hrs"},
                                      std::pair{600.0f, "10.0 hrs"}, std::pair{0.0f, "0.0 min"}}) {
    std::ostringstream os;
    show_run_time_estimate(os, minutes);
    EXPECT_EQ(os.str(), std::string(" \n Estimated run time is ") + text + "\n \n");
  }
}

TEST(RunTimeEstimate, ShownOnceAfterTheNinthStepOfALongerRunOnly) {
  // Steps 1..9 are timed between the samples after step 1 (n = 2) and step 9 (n = 10).
  for (int total : {9, 10}) {
    std::ostringstream os;
    RunTimeEstimate e;
    e.total_steps = total;
    for (int n = 2; n <= 9; ++n) e.after_step(n, os);
    EXPECT_EQ(os.str(), "");
    e.after_step(10, os);
    const std::string text = os.str();
    e.after_step(11, os);
    EXPECT_EQ(os.str(), text);
    EXPECT_TRUE(total == 9 ? text.empty()
                           : text.starts_with(" \n Estimated run time is ") && text.ends_with(" min\n \n"))
        << text;
  }
}

TEST(ElapsedSeconds, FieldsCalendarAndZoneChanges) {
  const struct {
    const char* what;
    WallClock from, to;
    float seconds;
  } cases[] = {
      {"1 h 2 min 3.5 s", at(2025, 3, 4, 10, 0, 0, 0), at(2025, 3, 4, 11, 2, 3, 500), 3723.5f},
      {"borrowing between fields", at(2025, 3, 4, 10, 59, 59, 900), at(2025, 3, 4, 11, 0, 0, 100), 0.2f},
      {"month end", at(2025, 1, 31, 23, 0, 0, 0), at(2025, 2, 1, 1, 0, 0, 0), 7200.0f},
      {"leap February", at(2024, 2, 28, 12, 0, 0, 0), at(2024, 3, 1, 12, 0, 0, 0), 2.0f * 86400.0f},
      {"year end", at(2025, 12, 31, 23, 59, 0, 0), at(2026, 1, 1, 0, 1, 0, 0), 120.0f},
      // Clocks forward at 02:00 (zone +60 -> +120 min): 01:30 to 03:30 local is one hour.
      {"zone change", at(2025, 3, 30, 1, 30, 0, 0, 60), at(2025, 3, 30, 3, 30, 0, 0, 120), 3600.0f},
  };
  for (const auto& c : cases) EXPECT_NEAR(elapsed_seconds(c.from, c.to), c.seconds, 1e-4f) << c.what;
  const WallClock now = wall_clock_now();
  EXPECT_GE(elapsed_seconds(now, wall_clock_now()), 0.0f);
}

}  // namespace
}  // namespace swx
