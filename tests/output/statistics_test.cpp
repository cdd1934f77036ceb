// Wave statistics accumulated over synthetic fields.
#include "output/statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "core/constants.hpp"
#include "output_fixture.hpp"

namespace swx {
namespace {

// Run of 161 steps (duration 20 s, dt 0.125 s) with a storm of 20 s: Nwin = trunc(160 + 1.5)
// = 161 and k0 = max(1, 161 - 161) = 1, so steps 2..161 (160 steps) are accumulated and
// divided by 161.
ModelParams twenty_second_run() {
  ModelParams p;
  p.duration = 20.0f;
  p.time_step = 0.125f;
  return p;
}

StormSummary storm_of(float duration) {
  StormSummary s;
  s.wave_height = {1.0f};
  s.wave_period = {2.5f};
  s.time_series_duration = duration;
  return s;
}

// A sine of height H = 1 m (amplitude 0.5 m, 20 steps per period, 8 whole periods in the window)
// has variance H^2/8, so Hs = 4 sqrt(H^2/8) = sqrt(2) H; dividing 160 steps by 161 lowers it by
// the factor sqrt(160/161) = 0.9969, inside 1 %.  A node dry all the time (land at its own level)
// gets MWL = 0 and Hs = 0.  Land flooded once to eta = 0.4 keeps R = 0.4 after drying again; a
// sea node never receives a runup value.
TEST(Statistics, SignificantWaveHeightMeanLevelAndRunup) {
  ModelParams p = twenty_second_run();
  p.has_hs_file = p.has_runup_max_file = true;
  Model m = test::still_water_model(3, 2, 1.0f, 1.0f, p.time_step, 5.0f);
  m.depth(2, 1) = -1.0f;  // dry land
  m.depth(3, 1) = -0.2f;  // land that floods once
  std::ostringstream console;
  const Reporter reporter{&console, nullptr};
  Statistics st = init_statistics(p, m.grid, storm_of(20.0f), reporter);
  ASSERT_EQ(std::tie(st.nsteps, st.nwin, st.k0), std::tuple(161, 161, 1));
  EXPECT_TRUE(st.water_level);  // S1 is needed for Hs
  EXPECT_TRUE(st.mean_velocity == false && st.su.empty() && st.eu.empty());
  EXPECT_EQ(console.str(), "");

  for (int k = 1; k <= st.nsteps; ++k) {
    const float eta = 0.5f * std::sin(kTwoPi * static_cast<float>(k) / 20.0f);
    m.eta_new.fill(eta);
    m.eta_new(2, 1) = 1.0f;                  // total depth 0: dry
    m.eta_new(3, 1) = k == 5 ? 0.4f : 0.2f;  // flooded (d = 0.2) at step 5 only
    accumulate_statistics(st, m, k);
  }
  const StatisticsResults r = finalise_statistics(st, m.grid);
  EXPECT_NEAR(r.hs(1, 2), std::sqrt(2.0f), 0.01f * std::sqrt(2.0f));
  EXPECT_NEAR(r.mwl(1, 2), 0.0f, 1e-4f);
  EXPECT_EQ(r.mwl(2, 1), 0.0f);
  EXPECT_EQ(r.hs(2, 1), 0.0f);
  EXPECT_FLOAT_EQ(r.runup_max(3, 1), 0.4f);
  EXPECT_EQ(r.runup_max(1, 1), 0.0f);
}

// A run shorter than the storm with hs_file shows the warning box and takes every step; without
// hs_file the window starts after step 1 and no box is shown.
TEST(Statistics, ShortRunWarning) {
  ModelParams p = twenty_second_run();
  p.has_hs_file = true;
  GridHeader g;
  g.ngrid_x = g.ngrid_y = 1;
  std::ostringstream console;
  const Reporter reporter{&console, nullptr};
  const Statistics st = init_statistics(p, g, storm_of(40.0f), reporter);
  EXPECT_EQ(st.k0, 0);
  EXPECT_EQ(st.nwin, 321);  // trunc(40 / 0.125 + 1.5)
  EXPECT_EQ(console.str(), test::box_text(kWarningTitle, "simulation duration is shorter than storm duration",
                                          "- computed significant wave height distribution",
                                          "may not be representative of input storm"));
  p.has_hs_file = false;
  p.has_mean_wl_file = true;
  std::ostringstream quiet;
  const Statistics st2 = init_statistics(p, g, storm_of(40.0f), Reporter{&quiet, nullptr});
  EXPECT_EQ(st2.k0, 1);
  EXPECT_EQ(quiet.str(), "");
}

// Direction: one step with eta = 1 and (u, v) = (cos -10 deg, sin -10 deg) gives atan2 = -10
// degrees (350 as a compass bearing); the grid's orientation of 30 degrees turns it to 20.
// Mean velocity: node-centred means of the face velocities, divided by Nwin.
TEST(Statistics, DirectionWithOrientationAndMeanVelocity) {
  ModelParams p = twenty_second_run();
  p.has_mean_theta_file = p.has_mean_uv_file = true;
  Model m = test::still_water_model(2, 1, 1.0f, 1.0f, p.time_step, 3.0f);
  m.grid.grid_orientation = 30.0f;
  Statistics st = init_statistics(p, m.grid, storm_of(20.0f), Reporter{});
  const float a = -10.0f * kPiRounded / 180.0f;
  m.eta_new.fill(1.0f);
  m.u_new.fill(std::cos(a));
  m.v_new.fill(std::sin(a));
  m.u_new(3, 1) = 0.0f;             // eastern edge face
  accumulate_statistics(st, m, 1);  // before the window: nothing
  accumulate_statistics(st, m, 2);
  const StatisticsResults r = finalise_statistics(st, m.grid);
  EXPECT_NEAR(r.theta(1, 1), 20.0f, 1e-4f);
  // Node 2: (u(2) + u(3)) / 2 = cos(-10 deg) / 2 = 0.4924039, over 161 steps.
  EXPECT_NEAR(r.mean_u(2, 1), 0.4924039f / 161.0f, 1e-8f);
  EXPECT_NEAR(r.mean_v(1, 1), std::sin(a) / 161.0f, 1e-8f);
}

// With solution_file_option 1 no grid file is written and nothing is announced; with option 0
// the requested grid is written after its output-file line, and only the requested one.
TEST(Statistics, GridFilesFollowSolutionFileOption) {
  const test::ScratchDir dir("statistics_grids");
  ModelParams p = twenty_second_run();
  p.has_hs_file = true;
  p.hs_file = (dir / "hs.grd").string();
  Model m = test::still_water_model(2, 2, 1.0f, 1.0f, p.time_step, 3.0f);
  Statistics st = init_statistics(p, m.grid, storm_of(20.0f), Reporter{});
  SolutionFile closed;
  std::ostringstream console, log;
  const Reporter reporter{&console, &log};

  p.solution_file_option = 1;
  write_statistics(st, p, m.grid, closed, reporter, "/w");
  EXPECT_FALSE(std::filesystem::exists(p.hs_file));
  EXPECT_EQ(log.str(), "");

  p.solution_file_option = 0;
  write_statistics(st, p, m.grid, closed, reporter, "/w");
  EXPECT_TRUE(std::filesystem::exists(p.hs_file));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(log.str(), " SWELLIX Output File: \"/w\\" + p.hs_file + "\"\n");
  EXPECT_EQ(console.str(), log.str());
  const std::string text = test::read_text(p.hs_file);
  EXPECT_NE(text.find("\n:DataDescription(1)    Sig. Wave Height"), std::string::npos);
  EXPECT_NE(text.find("\n:DataUnits(1)          m"), std::string::npos);
}

}  // namespace
}  // namespace swx
