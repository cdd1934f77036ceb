// Wavemaker blocks: finding them, positions and sides, the land and direction checks, and the
// keys of each wave type with their messages.
#include "wavegen/wavemaker_blocks.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "param_builder.hpp"

namespace swx {
namespace {

using test::fatal_lines;
using Lines = test::FatalLines;

GridHeader grid(int nx, int ny) {
  GridHeader g;
  g.delta_x = g.delta_y = 10.0f;
  g.ngrid_x = nx;
  g.ngrid_y = ny;
  return g;
}

// Reads block 1 of t on a 20 x 10 grid of uniform depth 5 m (or the given depth).
Wavemaker read_first(const ParamTable& t, const Field& depth, std::ostringstream& console) {
  Reporter r;
  r.console = &console;
  Wavemaker w;
  w.number = 1;
  w.block = find_wavemaker_blocks(t).front();
  SeriesFileReference ref;
  read_wavemaker_block(w, t, grid(20, 10), depth, ref, r);
  return w;
}
Field uniform_depth(float h) { return Field(21, 11, h); }

TEST(WavemakerBlocks, CountsAndEndsAreCheckedBeforeAnyBlockIsRead) {
  EXPECT_EQ(fatal_lines([] {
              find_wavemaker_blocks(test::table_of({{"time_step", "0.1"}}));
            }),
            (Lines{"Zero wavemakers found in simulation parameter file", " ", " "}));
  // Five empty blocks: the count is refused although no block has any key.
  const ParamTable five = test::table_of({{"start_wavemaker", " "},
                                          {"end_wavemaker", " "},
                                          {"start_wavemaker", " "},
                                          {"end_wavemaker", " "},
                                          {"start_wavemaker", " "},
                                          {"end_wavemaker", " "},
                                          {"start_wavemaker", " "},
                                          {"end_wavemaker", " "},
                                          {"start_wavemaker", " "},
                                          {"end_wavemaker", " "}});
  EXPECT_EQ(fatal_lines([&] { find_wavemaker_blocks(five); }),
            (Lines{"Number of wavemakers exceeds maximum of 4", " ", " "}));
  // Block 2 lacks its end; block 3 has one, yet block 2 is the one reported.
  const ParamTable open = test::table_of({{"start_wavemaker", " "},
                                          {"end_wavemaker", " "},
                                          {"start_wavemaker", " "},
                                          {"wave_type", "regular"},
                                          {"start_wavemaker", " "},
                                          {"end_wavemaker", " "}});
  EXPECT_EQ(fatal_lines([&] { find_wavemaker_blocks(open); }),
            (Lines{"End_Wavemaker symbol not found for Wavemaker #2", " ", " "}));
  const std::vector<Block> b =
      find_wavemaker_blocks(test::table_of({{"x", "1"}, {"start_wavemaker", " "}, {"a", "1"}, {"end_wavemaker", " "}}));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].first, 2);
  EXPECT_EQ(b[0].last, 4);
}

ParamTable regular_block(const char* i1, const char* i2, const char* j1, const char* j2, const char* direction,
                         const char* cycles = "10") {
  return test::table_of({{"start_wavemaker", " "},
                         {"wm_pos_i1", i1},
                         {"wm_pos_i2", i2},
                         {"wm_pos_j1", j1},
                         {"wm_pos_j2", j2},
                         {"wave_type", "regular"},
                         {"wave_height", "0.5"},
                         {"wave_period", "8"},
                         {"wave_direction", direction},
                         {"wave_cycles", cycles},
                         {"end_wavemaker", " "}});
}

TEST(WavemakerBlocks, PositionGivesSideSortedIndicesAndFullSideFlag) {
  std::ostringstream console;
  const Field d = uniform_depth(5.0f);
  // j given in reverse on column i = 1: the west side, stored sorted.
  Wavemaker w = read_first(regular_block("1", "1", "5", "1", "270"), d, console);
  EXPECT_EQ(w.side, 4);
  EXPECT_EQ(w.j1, 1);
  EXPECT_EQ(w.j2, 5);
  EXPECT_FALSE(w.full_side);
  // A single point is a column: inner column 6 at i = 7.
  w = read_first(regular_block("7", "7", "3", "3", "270"), d, console);
  EXPECT_EQ(w.side, 6);
  // Whole north row (j = ny = 10), given right to left.
  w = read_first(regular_block("20", "1", "10", "10", "0"), d, console);
  EXPECT_EQ(w.side, 1);
  EXPECT_EQ(w.i1, 1);
  EXPECT_EQ(w.i2, 20);
  EXPECT_TRUE(w.full_side);
  EXPECT_EQ(read_first(regular_block("20", "20", "1", "10", "90"), d, console).side, 2);
  EXPECT_EQ(read_first(regular_block("1", "20", "1", "1", "180"), d, console).side, 3);
  EXPECT_EQ(read_first(regular_block("1", "20", "4", "4", "180"), d, console).side, 5);
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "3", "1", "3", "270"), d, console); }),
            (Lines{"Invalid wavemaker coordinates for wavemaker #1", " ", " "}));
  EXPECT_TRUE(console.str().empty());
}

TEST(WavemakerBlocks, DirectionMustEnterTheDomainFromItsSide) {
  std::ostringstream console;
  const Field d = uniform_depth(5.0f);
  const Lines refused{"Wavemaker #1", "wave direction cannot be generated", "along specified boundary"};
  // West column: waves from the west (270) enter, waves from the east (90) cannot.
  const Wavemaker w = read_first(regular_block("1", "1", "1", "10", "270"), d, console);
  EXPECT_FLOAT_EQ(w.direction, 0.0f);  // 270 - 270 - 0: travelling along +x
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "1", "1", "10", "90"), d, console); }), refused);
  // East column: from the east travels along -x (270 - 90 = 180).
  EXPECT_FLOAT_EQ(read_first(regular_block("20", "20", "1", "10", "90"), d, console).direction, 180.0f);
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("20", "20", "1", "10", "270"), d, console); }), refused);
  // North row: from the north travels along -y; south row: from the south along +y.
  EXPECT_FLOAT_EQ(read_first(regular_block("1", "20", "10", "10", "0"), d, console).direction, 270.0f);
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "20", "10", "10", "180"), d, console); }), refused);
  EXPECT_FLOAT_EQ(read_first(regular_block("1", "20", "1", "1", "180"), d, console).direction, 90.0f);
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "20", "1", "1", "0"), d, console); }), refused);
  // Waves along the line are refused everywhere.
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "1", "1", "10", "0"), d, console); }), refused);
}

TEST(WavemakerBlocks, LandAlongTheLineWarnsOrStops) {
  Field d = uniform_depth(5.0f);
  d(1, 3) = -1.0f;
  std::ostringstream console;
  read_first(regular_block("1", "1", "1", "10", "270"), d, console);
  EXPECT_EQ(console.str(), test::box_text(kWarningTitle, "Wavemaker #1", "wave generation boundary contains land",
                                          "points along part of boundary"));
  // A depth of exactly 0 is neither water nor land below still water: no warning, but a line of
  // zeros and land has no water at all.
  Field z = uniform_depth(0.0f);
  z(1, 2) = -2.0f;
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "1", "1", "10", "270"), z, console); }),
            (Lines{"Wavemaker #1", "wave generation boundary contains only", "land points"}));
}

TEST(WavemakerBlocks, RegularKeysAndTheirChecks) {
  std::ostringstream console;
  const Field d = uniform_depth(5.0f);
  const Wavemaker w = read_first(regular_block("1", "1", "1", "10", "270"), d, console);
  EXPECT_EQ(w.wave_type, WaveType::kRegular);
  EXPECT_FLOAT_EQ(w.height, 0.5f);
  EXPECT_FLOAT_EQ(w.duration, 80.0f);  // 10 cycles of 8 s
  EXPECT_EQ(fatal_lines([&] { read_first(regular_block("1", "1", "1", "10", "270", "0"), d, console); }),
            (Lines{"Wavemaker #1", "number of wave cycles must be greater than 0", " "}));
  ParamTable bad = regular_block("1", "1", "1", "10", "270");
  bad.values[5] = "swell";
  EXPECT_EQ(fatal_lines([&] { read_first(bad, d, console); }),
            (Lines{"Invalid wave_type in simulation parameter file", " ", " "}));
  // A key outside the block is not seen by the wavemaker.
  ParamTable outside = regular_block("1", "1", "1", "10", "270");
  outside.keys.insert(outside.keys.begin(), "wave_height");
  outside.values.insert(outside.values.begin(), "0.5");
  outside.keys.erase(outside.keys.begin() + 7);
  outside.values.erase(outside.values.begin() + 7);
  EXPECT_EQ(fatal_lines([&] { read_first(outside, d, console); }).l1,
            "Parameter wave_height not found in Simulation Parameter File");
}

ParamTable irregular_block(const char* type, const char* option, const char* seed) {
  return test::table_of({{"start_wavemaker", " "},
                         {"wm_pos_i1", "1"},
                         {"wm_pos_i2", "1"},
                         {"wm_pos_j1", "1"},
                         {"wm_pos_j2", "10"},
                         {"wave_type", type},
                         {"time_series_option", option},
                         {"wave_spec_option", "parameter"},
                         {"spectral_type", "jonswap"},
                         {"jonswap_option", "hs"},
                         {"sig_wave_height", "1"},
                         {"peak_wave_period", "8"},
                         {"gamma", "3.3"},
                         {"wave_direction", "270"},
                         {"wave_period_min", "2"},
                         {"wave_period_max", "30"},
                         {"rescale_spectrum", "no"},
                         {"random_number_seed", seed},
                         {"time_series_duration", "80"},
                         {"end_wavemaker", " "}});
}

TEST(WavemakerBlocks, IrregularSynthesisKeysSeedAndOptions) {
  std::ostringstream console;
  const Field d = uniform_depth(5.0f);
  Wavemaker w = read_first(irregular_block("irreg_uni", "synthesize", "0"), d, console);
  EXPECT_EQ(w.seed, kDefaultSeed);
  EXPECT_FLOAT_EQ(w.duration, 80.0f);
  EXPECT_FLOAT_EQ(w.band.f_low, 1.0f / 30.0f);
  EXPECT_FLOAT_EQ(w.band.f_high, 0.5f);
  EXPECT_EQ(w.spectrum.count(), 1201);
  EXPECT_EQ(read_first(irregular_block("irreg_uni", "synthesize", "-5"), d, console).seed, kDefaultSeed);
  EXPECT_EQ(read_first(irregular_block("irreg_uni", "synthesize", "17"), d, console).seed, 17);
  EXPECT_EQ(fatal_lines([&] { read_first(irregular_block("irreg_uni", "measured", "1"), d, console); }),
            (Lines{"Wavemaker #1", "invalid time_series_option in simulation", "parameter file"}));
  ParamTable bad = irregular_block("irreg_uni", "synthesize", "1");
  bad.values[7] = "table";
  EXPECT_EQ(fatal_lines([&] { read_first(bad, d, console); }),
            (Lines{"Wavemaker #1", "invalid wave_spec_option in simulation", "parameter file"}));
}

TEST(WavemakerBlocks, LaterWavemakersMustShareTheFirstDuration) {
  // Wavemaker 1: 10 regular cycles of 8 s = 80 s; wavemaker 2 irregular of 80 s is accepted, of
  // 90 s refused after its block is read.
  auto two = [](const char* duration) {
    ParamTable t = regular_block("1", "1", "1", "10", "270");
    const ParamTable second = irregular_block("irreg_uni", "synthesize", "3");
    for (int n = 0; n < second.size(); ++n) {
      t.keys.push_back(second.keys[static_cast<std::size_t>(n)]);
      t.values.push_back(second.keys[static_cast<std::size_t>(n)] == "time_series_duration"
                             ? duration
                             : second.values[static_cast<std::size_t>(n)]);
    }
    t.keys.emplace_back("time_step");
    t.values.emplace_back("0.2");
    t.keys.emplace_back("duration");
    t.values.emplace_back("100");
    return t;
  };
  std::ostringstream console;
  Reporter r;
  r.console = &console;
  Field d = uniform_depth(5.0f);
  float max_depth = 5.0f;
  WavemakerSet set = read_wavemakers(two("80"), grid(20, 10), d, max_depth, r);
  ASSERT_EQ(set.wavemakers.size(), 2u);
  EXPECT_FLOAT_EQ(set.storm_duration, 80.0f);
  EXPECT_EQ(set.signal_steps, 401);  // int(80 / 0.2 + 1.5)
  const std::vector<BoundarySignal> s = set.take_signals();
  EXPECT_EQ(s[1].number, 2);
  EXPECT_EQ(s[1].nsteps, 401);
  EXPECT_EQ(s[1].U.size(), static_cast<std::size_t>(s[1].npoints) * 401u);
  EXPECT_EQ(fatal_lines([&] { read_wavemakers(two("90"), grid(20, 10), d, max_depth, r); }),
            (Lines{"time series duration for wavemaker #2", "is not equal to that for wavemaker #1", " "}));
}

TEST(WavemakerBlocks, TimeStepAndDurationMustBePositive) {
  std::ostringstream console;
  Reporter r;
  r.console = &console;
  Field d = uniform_depth(5.0f);
  float max_depth = 5.0f;
  ParamTable t = regular_block("1", "1", "1", "10", "270");
  t.keys.emplace_back("time_step");
  t.values.emplace_back("0");
  t.keys.emplace_back("duration");
  t.values.emplace_back("100");
  EXPECT_EQ(fatal_lines([&] { read_wavemakers(t, grid(20, 10), d, max_depth, r); }).l1,
            "time step has to be greater than zero");
  t.values[t.values.size() - 2] = "0.1";
  t.values.back() = "-1";
  EXPECT_EQ(fatal_lines([&] { read_wavemakers(t, grid(20, 10), d, max_depth, r); }).l1,
            "Simulation duration has to be greater than 0.0");
}

}  // namespace
}  // namespace swx
