// Run-time estimate, timing report and elapsed time between wall-clock samples.
#include "driver/timing.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace swx {
namespace {

WallClock at(int year, int month, int day, int hour, int minute, int second, int ms, int zone = 60) {
  WallClock c;
  c.v = {year, month, day, zone, hour, minute, second, ms};
  return c;
}

std::string report(float elapsed_s, float cpu_s) {
  std::ostringstream os;
  write_timing_report(os, elapsed_s, cpu_s);
  return os.str();
}

std::string estimate(float minutes) {
  std::ostringstream os;
  show_run_time_estimate(os, minutes);
  return os.str();
}

TEST(TimingReport, MinutesBelowAnHourAndHoursAbove) {
  // 90 s = 1.5 min; 3600 s of CPU = 60 min = 1.0 hrs (2 decimals below 10 hours, trailing
  // zeros removed down to one decimal).
  EXPECT_EQ(report(90.0f, 3600.0f),
            " \n Elapsed time is 1.5 min\n \n"
            " \n CPU time is 1.0 hrs\n \n");
  // 600 min = 10 hours: 3 decimals, shown as 10.0; 0 s is 0.0 min.
  EXPECT_EQ(report(36000.0f, 0.0f),
            " \n Elapsed time is 10.0 hrs\n \n"
            " \n CPU time is 0.0 min\n \n");
  // 2 h 15 min = 2.25 hrs; 12 h 20 min = 12.333 hrs (3 decimals from 10 hours on).
  EXPECT_EQ(report(8100.0f, 44400.0f),
            " \n Elapsed time is 2.25 hrs\n \n"
            " \n CPU time is 12.333 hrs\n \n");
}

TEST(RunTimeEstimate, MinutesThenHours) {
  EXPECT_EQ(estimate(59.99f), " \n Estimated run time is 59.99 min\n \n");
  EXPECT_EQ(estimate(60.0f), " \n Estimated run time is 1.0 hrs\n \n");
  EXPECT_EQ(estimate(600.0f), " \n Estimated run time is 10.0 hrs\n \n");
  EXPECT_EQ(estimate(0.0f), " \n Estimated run time is 0.0 min\n \n");
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
    if (total == 9) {
      EXPECT_EQ(text, "");
      continue;
    }
    EXPECT_EQ(text.rfind(" \n Estimated run time is ", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 7), " min\n \n");
    e.after_step(11, os);
    EXPECT_EQ(os.str(), text);
  }
}

TEST(ElapsedSeconds, FieldsCalendarAndZoneChanges) {
  struct Case {
    const char* what;
    WallClock from, to;
    float seconds;
  };
  const Case cases[] = {
      {"1 h 2 min 3.5 s", at(2025, 3, 4, 10, 0, 0, 0), at(2025, 3, 4, 11, 2, 3, 500), 3723.5f},
      {"borrowing between fields", at(2025, 3, 4, 10, 59, 59, 900), at(2025, 3, 4, 11, 0, 0, 100), 0.2f},
      {"next day", at(2025, 3, 4, 23, 30, 0, 0), at(2025, 3, 5, 0, 30, 0, 0), 3600.0f},
      // Across the end of a month and of a year the calendar days count, not the day numbers.
      {"month end", at(2025, 1, 31, 23, 0, 0, 0), at(2025, 2, 1, 1, 0, 0, 0), 7200.0f},
      {"leap February", at(2024, 2, 28, 12, 0, 0, 0), at(2024, 3, 1, 12, 0, 0, 0), 2.0f * 86400.0f},
      {"year end", at(2025, 12, 31, 23, 59, 0, 0), at(2026, 1, 1, 0, 1, 0, 0), 120.0f},
      // Clocks go forward one hour at 02:00 (zone +60 -> +120 min): 01:30 to 03:30 local is 1 hour.
      {"zone change", at(2025, 3, 30, 1, 30, 0, 0, 60), at(2025, 3, 30, 3, 30, 0, 0, 120), 3600.0f},
  };
  for (const Case& c : cases) {
    if (c.seconds < 1.0f)  // a fraction of a second: to the millisecond clock's rounding
      EXPECT_NEAR(elapsed_seconds(c.from, c.to), c.seconds, 1e-4f) << c.what;
    else
      EXPECT_FLOAT_EQ(elapsed_seconds(c.from, c.to), c.seconds) << c.what;
  }
}

TEST(Clocks, SamplesAreOrderedAndCpuTimeGrows) {
  const WallClock a = wall_clock_now();
  const float c0 = cpu_seconds();
  volatile double x = 0.0;
  for (int k = 0; k < 2000000; ++k) x = x + 1e-9 * k;
  const WallClock b = wall_clock_now();
  EXPECT_GE(elapsed_seconds(a, b), 0.0f);
  EXPECT_GE(cpu_seconds(), c0);
  EXPECT_GE(a.month(), 1);
  EXPECT_LE(a.month(), 12);
  EXPECT_GE(a.millisecond(), 0);
  EXPECT_LT(a.millisecond(), 1000);
}

}  // namespace
}  // namespace swx
