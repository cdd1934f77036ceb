#include "params/param_table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <tuple>

#include "param_builder.hpp"

namespace swx {
namespace {

using test::fatal_from;
using test::ScratchDir;
using test::table_of;

// ---------------------------------------------------------------- loading

TEST(LoadParameterTable, KeepsOnlyKeywordLinesAndSplitsThem) {
  ScratchDir dir;
  const std::string long_value(300, 'x');
  const ParamTable t = table_of(dir,
                                "# comment line :with_colon 1\n"
                                ":output_file_prefix Results/Case1   # a trailing comment\n"
                                "\n"
                                "     \n"
                                "time_step 0.1\n"  // no colon: not an entry
                                "  Text Before :Time_Step\t\t0.05\n"
                                ":bathy_file   My Bathy.GRD\r\n"
                                ":save_eta_animation\n"
                                ":wave_type regular#irregular\n"
                                ":long_key " +
                                    long_value +
                                    "\n"
                                    ":time_step 0.2\n");
  // The 256-character line keeps ":long_key " (10 characters) and 246 of the x's.
  const std::vector<std::string> keys = {"output_file_prefix", "time_step", "bathy_file", "save_eta_animation",
                                         "wave_type",          "long_key",  "time_step"};
  const std::vector<std::string> values = {"results/case1",       "0.05", "my bathy.grd", "", "regular",
                                           std::string(246, 'x'), "0.2"};
  EXPECT_EQ(t.keys, keys);
  EXPECT_EQ(t.values, values);
  // The later of two lines wins.
  EXPECT_EQ(get_text(t, "TIME_STEP "), "0.2");
}

TEST(LoadParameterTable, UnusableFilesEndTheRunNamingTheFile) {
  ScratchDir dir;
  const std::string missing = dir.path("nothing.par");
  FatalError e = fatal_from([&] { load_parameter_table(missing); });
  EXPECT_EQ(std::tie(e.line1, e.line2), std::tie("Cannot open simulation parameter file:", missing));

  const std::string binary = dir.write("image.par", std::string(":a 1\n\0\x01\x02", 8));
  e = fatal_from([&] { load_parameter_table(binary); });
  EXPECT_EQ(std::tie(e.line1, e.line2),
            std::tuple("Simulation parameter file: " + binary, "is not a text parameter file"));

  const ParamTable empty = load_parameter_table(dir.write("empty.par", ""));
  EXPECT_EQ(empty.size(), 0);
  EXPECT_FALSE(has_key(empty, "duration"));
}

// ---------------------------------------------------------------- lookups

TEST(Lookups, TextsNumbersAndTheirMessages) {
  ScratchDir dir;
  const ParamTable t = table_of(dir,
                                ":wave_cycles 10.5\n:count 7, 8\n:duration 600 s\n:scale 1.5D2\n:name Some File.GRD\n"
                                ":word abc\n:empty\n"
                                ":chezy_coeff 2000\n:chezy_coeff 50\n:seed 1\n:seed x\n:seed 3\n");  // 8 .. 12
  EXPECT_EQ(get_lower_text(t, "NAME"), "some file.grd");
  EXPECT_EQ(get_text(t, "empty"), "");
  EXPECT_EQ(get_integer_in_range(t, "count", 7, 7), 7);
  EXPECT_EQ(get_real(t, "duration"), 600.0f);
  EXPECT_EQ(get_real(t, "scale"), 150.0f);
  // The last of several lines wins; a block that leaves out a bad entry reads past it.
  EXPECT_EQ(get_real(t, "chezy_coeff"), 50.0f);
  EXPECT_EQ(get_integer_in_block(t, "seed", Block{12, 12}), 3);
  EXPECT_EQ(get_integer_in_block(t, "seed", Block{1, 10}), 1);
  // The optional real keeps the caller's default when absent.
  float v = 3.25f;
  get_real_optional(t, "added_mass_coeff", v);
  EXPECT_EQ(v, 3.25f);
  get_real_optional(t, "scale", v);
  EXPECT_EQ(v, 150.0f);

  const std::string invalid = "Invalid parameter value for ";
  const std::pair<std::function<void()>, test::FatalLines> failures[] = {
      // A decimal point is not an integer; a word is not a real; a key without value never parses.
      {[&] { get_integer_in_block(t, "wave_cycles", test::whole(t)); }, {invalid + "wave_cycles", " ", " "}},
      {[&] { get_real(t, "word"); }, {invalid + "word", " ", " "}},
      {[&] { get_real_optional(t, "word", v); }, {invalid + "word", " ", " "}},
      {[&] { get_real(t, "empty"); }, {invalid + "empty", " ", " "}},
      {[&] { get_text(t, "Bathy_File  "); }, {"Parameter bathy_file not found in Simulation Parameter File", " ", " "}},
      // Range messages: compact integers, and reals with the fixed-decimal text.
      {[&] { get_integer_in_range(t, "count", 1, 5); },
       {"Value of parameter: count has to be", "between 1 and 5", " "}},
      {[&] { get_real_in_range(t, "duration", 0.0f, 85.0f); },
       {"Value of parameter: duration has to be", "between 0.0 and 85.0", " "}},
      {[&] { get_real_in_range(t, "duration", -2.5f, 599.9999f); },
       {"Value of parameter: duration has to be", "between -2.5 and 599.9999", " "}},
      // Every match is checked: the out-of-range first line stops the run although the last
      // line is in range, and so does a bad middle entry.
      {[&] { get_real_in_range(t, "chezy_coeff", 5.0f, 1000.0f); },
       {"Value of parameter: chezy_coeff has to be", "between 5.0 and 1000.0", " "}},
      {[&] { get_integer_in_block(t, "seed", test::whole(t)); }, {invalid + "seed", " ", " "}},
  };
  for (std::size_t k = 0; k < std::size(failures); ++k)
    EXPECT_EQ(test::fatal_lines(failures[k].first), failures[k].second) << k;
}

TEST(Lookups, BlocksSeeOnlyTheirOwnEntries) {
  ScratchDir dir;
  const ParamTable t = table_of(dir,
                                ":wave_height 1.0\n"    // 1
                                ":start_wavemaker\n"    // 2
                                ":wave_period 8\n"      // 3
                                ":wave_type Regular\n"  // 4
                                ":end_wavemaker\n"      // 5
                                ":start_wavemaker\n"    // 6
                                ":wave_height 2.0\n"    // 7
                                ":end_wavemaker\n");    // 8
  const Block first{2, 5}, second{6, 8};
  EXPECT_FALSE(has_key_in_block(t, "wave_height", first));
  EXPECT_TRUE(has_key_in_block(t, "WAVE_HEIGHT", second));
  EXPECT_EQ(get_real_in_block(t, "wave_height", second), 2.0f);
  EXPECT_EQ(get_lower_text_in_block(t, "wave_type", first), "regular");
  EXPECT_EQ(get_integer_in_block_in_range(t, "wave_period", first, 1, 10), 8);
  EXPECT_EQ(fatal_from([&] { get_real_in_block(t, "wave_height", first); }).line1,
            "Parameter wave_height not found in Simulation Parameter File");
  EXPECT_EQ(fatal_from([&] { get_real_in_block_in_range(t, "wave_height", second, 0.0f, 1.5f); }).line2,
            "between 0.0 and 1.5");
  EXPECT_EQ(fatal_from([&] { get_text_in_block(t, "wave_period", second); }).line1,
            "Parameter wave_period not found in Simulation Parameter File");
  EXPECT_EQ(find_entries(t, "Start_Wavemaker"), (std::vector<int>{2, 6}));
  EXPECT_TRUE(find_entries(t, "nothing").empty());
}

// ---------------------------------------------------------------- grid points

GridHeader test_grid(float orientation) {
  GridHeader g;
  g.delta_x = 2.0f;
  g.delta_y = 3.0f;
  g.x_origin = 100.0f;
  g.y_origin = 200.0f;
  g.grid_orientation = orientation;
  g.ngrid_x = 10;
  g.ngrid_y = 5;
  g.n_arrays = 1;
  return g;
}

TEST(GridPoint, EveryNodeOfARotatedGridSnapsBackToItself) {
  for (float orientation : {0.0f, 30.0f, 90.0f, -135.0f}) {
    const GridHeader g = test_grid(orientation);
    const double th = static_cast<double>(orientation) * 3.141592653589793 / 180.0;
    for (int j = 1; j <= g.ngrid_y; ++j)
      for (int i = 1; i <= g.ngrid_x; ++i) {
        // World position of node (i, j), nudged by a quarter cell (still nearest to the node).
        const double lx = (i - 1 + 0.25) * g.delta_x, ly = (j - 1 - 0.25) * g.delta_y;
        std::ostringstream x, y;
        x.precision(9);
        y.precision(9);
        x << g.x_origin + lx * std::cos(th) - ly * std::sin(th);
        y << g.y_origin + lx * std::sin(th) + ly * std::cos(th);
        const GridPoint p =
            get_grid_point_in_block(table_of({{"x", x.str()}, {"y", y.str()}}), "x", "y", Block{1, 2}, g);
        ASSERT_EQ(std::tie(p.i, p.j), std::tie(i, j)) << orientation;
        EXPECT_EQ(std::tie(p.x, p.y),
                  std::tuple(static_cast<float>(i - 1) * g.delta_x, static_cast<float>(j - 1) * g.delta_y));
      }
  }
}

TEST(GridPoint, NearestNodeFailuresAndTheirConsoleLines) {
  const GridHeader g = test_grid(0.0f);
  const auto point = [&](const std::string& x, const std::string& y) {
    return get_grid_point_in_block(table_of({{"ts_x", x}, {"ts_y", y}}), "TS_X", "ts_y", Block{1, 2}, g);
  };
  // (104.9 - 100)/2 + 1.5 = 3.95 -> i = 3, local x = 4; (206 - 200)/3 + 1.5 = 3.5 -> j = 3, y = 6.
  GridPoint p = point("104.9", "206");
  EXPECT_EQ(std::tie(p.i, p.j, p.x, p.y), std::tuple(3, 3, 4.0f, 6.0f));
  // Node i = 10 is the last inside: x = 100 + 9 * 2 = 118 snaps to it, 119.1 gives i = 11.
  EXPECT_EQ(point("118.9", "203").i, 10);
  EXPECT_EQ(fatal_from([&] { point("119.1", "203"); }).line2, "are outside computational grid");
  // x = 98: (98 - 100)/2 + 1.5 = 0.5 -> i = 0, outside; y = 203: 1 + 1.5 -> j = 2.
  FatalError e = fatal_from([&] { point("98", "203"); });
  EXPECT_EQ(std::tie(e.line1, e.line2), std::tuple("Values of : ts_x and ts_y", "are outside computational grid"));
  EXPECT_EQ(e.before, (std::vector<std::string>{" i = 0  j = 2", " ts_x = 98  ts_y = 203"}));

  e = fatal_from([&] { point("1o5", "203"); });
  EXPECT_EQ(e.line1, "Invalid parameter value for ts_x");
  EXPECT_EQ(e.after, std::vector<std::string>{" 1o5"});

  // Both absent: the x keyword is reported.
  EXPECT_EQ(fatal_from([&] {
              get_grid_point_in_block(table_of({{"other", "1"}}), "ts_x", "ts_y", Block{1, 1}, g);
            }).line1,
            "Parameter ts_x not found in Simulation Parameter File");
  EXPECT_EQ(fatal_from([&] {
              get_grid_point_in_block(table_of({{"ts_x", "105"}}), "ts_x", "ts_y", Block{1, 1}, g);
            }).line1,
            "Parameter ts_y not found in Simulation Parameter File");
}

// ---------------------------------------------------------------- file name

std::string name_from(std::vector<std::string> args, const std::string& typed, std::string& console) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::istringstream in(typed);
  std::ostringstream out;
  const std::string r = get_parameter_file_name(static_cast<int>(argv.size()), argv.data(), in, out);
  console = out.str();
  return r;
}

TEST(ParameterFileName, ExtensionRules) {
  ScratchDir dir;
  const std::string base = dir.path("case");  // the scratch path holds no point
  ASSERT_EQ(base.find('.'), std::string::npos);
  dir.write("case.par", ":a 1\n");
  dir.write("case.txt", ":a 1\n");
  std::string console;
  EXPECT_EQ(name_from({"swx", base}, "", console), base + ".par");
  EXPECT_EQ(name_from({"swx", base + ".", "ignored"}, "", console), base + ".par");
  EXPECT_EQ(name_from({"swx", base + ".txt"}, "", console), base + ".txt");
  EXPECT_EQ(console, "");
  EXPECT_EQ(name_from({"swx"}, "  " + base + "  \n", console), base + ".par");  // a typed name, blanks cut
}

// (The asking loop and its console lines are checked end to end in the start-up tests.)
TEST(ParameterFileName, EndOfInputEndsTheRun) {
  std::string console;
  const FatalError e = fatal_from([&] { name_from({"swx"}, "\n", console); });
  EXPECT_EQ(std::tie(e.line1, e.line2),
            std::tuple("End of input reached while asking for the", "name of simulation parameter file [.par]"));
}

TEST(PromptForText, LongPromptsAnswerOnTheirOwnLine) {
  // " Enter " + 47 characters + " : " + BEL = 58 characters: no longer written on one line.
  const std::string prompt(47, 'p');
  std::istringstream in("answer\n");
  std::ostringstream out;
  EXPECT_EQ(prompt_for_text(prompt, in, out), "answer");
  EXPECT_EQ(out.str(), " Enter " + prompt + " : \a\n> ");
  // One character less fits the line.
  std::istringstream in2("x\n");
  std::ostringstream out2;
  prompt_for_text(prompt.substr(1), in2, out2);
  EXPECT_EQ(out2.str(), " Enter " + prompt.substr(1) + " : \a");
}

}  // namespace
}  // namespace swx
