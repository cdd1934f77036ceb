#include "driver/timing.hpp"

#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "io/number_text.hpp"

namespace swx {

WallClock wall_clock_now() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  localtime_r(&t, &tm);
  WallClock c;
  c.v = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, static_cast<int>(tm.tm_gmtoff / 60),
         tm.tm_hour,        tm.tm_min,     tm.tm_sec,  static_cast<int>(ms)};
  return c;
}

float cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  const double s = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                   static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
  return static_cast<float>(s);
}

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
long long days_from_civil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The two times of the report and the estimate share one layout: minutes below 60, else hours
// with 2 decimals below 10 hours and 3 from 10 hours on.
void write_minutes_or_hours(std::ostream& os, std::string_view label, float minutes) {
  std::string text;
  if (minutes < 60.0f) {
    text = fixed_decimal_text(minutes, 2) + " min";
  } else {
    const float hours = minutes / 60.0f;
    text = fixed_decimal_text(hours, hours < 10.0f ? 2 : 3) + " hrs";
  }
  os << " \n" << label << text << "\n \n";
}

}  // namespace

float elapsed_seconds(const WallClock& start, const WallClock& end) {
  const auto days = static_cast<int>(days_from_civil(end.year(), end.month(), end.day()) -
                                     days_from_civil(start.year(), start.month(), start.day()));
  const int minutes = (end.minute() - start.minute()) - (end.zone_minutes() - start.zone_minutes());
  return static_cast<float>(days) * 86400.0f + static_cast<float>(end.hour() - start.hour()) * 3600.0f +
         static_cast<float>(minutes) * 60.0f + static_cast<float>(end.millisecond() - start.millisecond()) * 0.001f +
         static_cast<float>(end.second() - start.second());
}

void show_run_time_estimate(std::ostream& console, float minutes) {
  write_minutes_or_hours(console, " Estimated run time is ", minutes);
  console.flush();
}

void write_timing_report(std::ostream& log, float elapsed_s, float cpu_s) {
  write_minutes_or_hours(log, " Elapsed time is ", elapsed_s / 60.0f);
  write_minutes_or_hours(log, " CPU time is ", cpu_s / 60.0f);
  log.flush();
}

void RunTimeEstimate::after_step(int next_step, std::ostream& console) {
  if (next_step > total_steps) return;  // the run is over: a run of 9 steps shows no estimate
  if (next_step == 2) {
    s0 = wall_clock_now();
  } else if (next_step == 10) {
    const WallClock s1 = wall_clock_now();
    show_run_time_estimate(console, elapsed_seconds(s0, s1) * static_cast<float>(total_steps) / 540.0f);
  }
}

}  // namespace swx
