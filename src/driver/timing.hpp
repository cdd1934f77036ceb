#pragma once
// Clocks of a run: wall-clock samples, process CPU time, the run-time estimate shown after the
// ninth time step and the timing report at the end of the log file.
#include <array>
#include <ostream>

namespace swx {

// Local date and time as eight values: year, month, day of month, minutes from universal time,
// hour, minutes, seconds, milliseconds.
struct WallClock {
  std::array<int, 8> v{};
  int year() const { return v[0]; }
  int month() const { return v[1]; }
  int day() const { return v[2]; }
  int zone_minutes() const { return v[3]; }
  int hour() const { return v[4]; }
  int minute() const { return v[5]; }
  int second() const { return v[6]; }
  int millisecond() const { return v[7]; }
};

WallClock wall_clock_now();

// User plus kernel time of the process so far, s.
float cpu_seconds();

// Seconds from start to end: the differences of day, hour, minutes, seconds and milliseconds in
// single precision.  The day difference is taken on the calendar (year, month and day), so a run
// that crosses the end of a month still reports its true length; a change of the zone offset
// between the samples (daylight saving) is taken out as well.
float elapsed_seconds(const WallClock& start, const WallClock& end);

// " Estimated run time is <t> min" below 60 minutes, else in hours, between lines of one blank.
void show_run_time_estimate(std::ostream& console, float minutes);

// " Elapsed time is ..." and " CPU time is ..." in minutes (or hours from 60 minutes on), each
// between lines of one blank.
void write_timing_report(std::ostream& log, float elapsed_s, float cpu_s);

// Drives the estimate from the time loop: after_step(n) is called with the number of the step
// about to be taken (2 after step 1); at n == 2 the wall clock is sampled, at n == 10 sampled
// again and the estimate elapsed * total_steps / 540 minutes is shown.  Nothing happens once n
// is past the last step, so a run of fewer than 10 steps shows no estimate.
struct RunTimeEstimate {
  int total_steps = 0;
  WallClock s0;
  void after_step(int next_step, std::ostream& console);
};

}  // namespace swx
