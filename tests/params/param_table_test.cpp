// The parameter table: entries, lookups and their messages, grid points, the parameter file name.
#include "params/param_table.hpp"

#include "param_builder.hpp"

namespace swx {
namespace {

using test::Entries;
using test::fatal_from;
using test::ScratchDir;
using test::table_of;

TEST(LoadParameterTable, KeepsOnlyKeywordLinesAndSplitsThem) {
  ScratchDir dir;
  const ParamTable t = table_of(dir,
                                "# comment line :with_colon 1\n"
                                ":output_file_prefix Results/Case1   # a trailing comment\n\n     \n"
                                "time_step 0.1\n"  // no colon: not an entry
                                "  Text Before :Time_Step\t\t0.05\n:bathy_file   My Bathy.GRD\r\n"
                                ":save_eta_animation\n:wave_type regular#irregular\n:long_key " +
                                    std::string(300, 'x') + "\n:time_step 0.2\n");
  // The 256-character line keeps ":long_key " and 246 of the x's; the later of two lines wins.
  EXPECT_EQ(t.keys, (std::vector<std::string>{"output_file_prefix", "time_step", "bathy_file", "save_eta_animation",
                                              "wave_type", "long_key", "time_step"}));
  EXPECT_EQ(t.values, (std::vector<std::string>{"results/case1", "0.05", "my bathy.grd", "", "regular",
                                                std::string(246, 'x'), "0.2"}));
  EXPECT_EQ(get_text(t, "TIME_STEP "), "0.2");

  const std::string missing = dir.path("nothing.par");
  FatalError e = fatal_from([&] { load_parameter_table(missing); });
  EXPECT_EQ(std::tie(e.line1, e.line2), std::tie("Cannot open simulation parameter file:", missing));
  const std::string binary = dir.write("image.par", std::string(":a 1\n\0\x01\x02", 8));
  e = fatal_from([&] { load_parameter_table(binary); });
  EXPECT_EQ(std::tie(e.line1, e.line2),
            std::tuple("Simulation parameter file: " + binary, "is not a text parameter file"));
  EXPECT_EQ(load_parameter_table(dir.write("empty.par", "")).size(), 0);
}

TEST(Lookups, TextsNumbersBlocksAndTheirMessages) {
  ScratchDir dir;
  const ParamTable t = table_of(dir,
                                ":wave_cycles 10.5\n:count 7, 8\n:duration 600 s\n:scale 1.5D2\n:name Some File.GRD\n"
                                ":word abc\n:empty\n"
                                ":chezy_coeff 2000\n:chezy_coeff 50\n:seed 1\n:seed x\n:seed 3\n"         // 8 .. 12
                                ":start_wavemaker\n:wave_period 8\n:wave_type Regular\n:end_wavemaker\n"  // 13 .. 16
                                ":start_wavemaker\n:wave_height 2.0\n:end_wavemaker\n");                  // 17 .. 19
  EXPECT_EQ(get_lower_text(t, "NAME"), "some file.grd");
  EXPECT_EQ(get_text(t, "empty"), "");
  EXPECT_EQ(get_integer_in_range(t, "count", 7, 7), 7);
  EXPECT_EQ(get_real(t, "duration"), 600.0f);
  EXPECT_EQ(get_real(t, "scale"), 150.0f);
  // The last of several lines wins; a block that leaves out a bad entry reads past it.
  EXPECT_EQ(get_real(t, "chezy_coeff"), 50.0f);
  EXPECT_EQ(get_integer_in_block(t, "seed", Block{12, 12}), 3);
  EXPECT_EQ(get_integer_in_block(t, "seed", Block{1, 10}), 1);
  float v = 3.25f;  // the optional real keeps the caller's default when absent
  get_real_optional(t, "added_mass_coeff", v);
  EXPECT_EQ(v, 3.25f);
  get_real_optional(t, "scale", v);
  EXPECT_EQ(v, 150.0f);
  // Blocks see only their own entries; the top-level lookups see those of every block.
  const Block first{13, 16}, second{17, 19};
  EXPECT_FALSE(has_key_in_block(t, "wave_height", first) || has_key_in_block(t, "seed", first));
  EXPECT_TRUE(has_key_in_block(t, "WAVE_HEIGHT", second));
  EXPECT_EQ(get_real_in_block(t, "wave_height", second), 2.0f);
  EXPECT_EQ(get_lower_text_in_block(t, "wave_type", first), "regular");
  EXPECT_EQ(get_integer_in_block_in_range(t, "wave_period", first, 1, 10), 8);
  EXPECT_EQ(find_entries(t, "Start_Wavemaker"), (std::vector<int>{13, 17}));
  EXPECT_TRUE(find_entries(t, "nothing").empty());

  const std::string invalid = "Invalid parameter value for ";
  const std::pair<std::function<void()>, test::FatalLines> failures[] = {
      {[&] { get_integer_in_block(t, "wave_cycles", test::whole(t)); }, {invalid + "wave_cycles", " ", " "}},
      {[&] { get_real(t, "word"); }, {invalid + "word", " ", " "}},
      {[&] { get_real_optional(t, "word", v); }, {invalid + "word", " ", " "}},
      {[&] { get_real(t, "empty"); }, {invalid + "empty", " ", " "}},
      {[&] { get_text(t, "Bathy_File  "); }, {"Parameter bathy_file not found in Simulation Parameter File", " ", " "}},
      {[&] { get_integer_in_range(t, "count", 1, 5); },
       {"Value of parameter: count has to be", "between 1 and 5", " "}},
      {[&] { get_real_in_range(t, "duration", 0.0f, 85.0f); },
       {"Value of parameter: duration has to be", "between 0.0 and 85.0", " "}},
      {[&] { get_real_in_range(t, "duration", -2.5f, 599.9999f); },
       {"Value of parameter: duration has to be", "between -2.5 and 599.9999", " "}},
      // Every match is checked: a bad first or middle line stops the run.
      {[&] { get_real_in_range(t, "chezy_coeff", 5.0f, 1000.0f); },
       {"Value of parameter: chezy_coeff has to be", "between 5.0 and 1000.0", " "}},
      {[&] { get_integer_in_block(t, "seed", test::whole(t)); }, {invalid + "seed", " ", " "}},
      {[&] { get_real_in_block(t, "wave_height", first); },
       {"Parameter wave_height not found in Simulation Parameter File", " ", " "}},
      {[&] { get_real_in_block_in_range(t, "wave_height", second, 0.0f, 1.5f); },
       {"Value of parameter: wave_height has to be", "between 0.0 and 1.5", " "}},
  };
  for (std::size_t k = 0; k < std::size(failures); ++k)
    EXPECT_EQ(test::fatal_lines(failures[k].first), failures[k].second) << k;
}

// 10 x 5 nodes 2 m by 3 m from (100, 200), turned by orientation degrees.
GridHeader test_grid(float orientation) { return {2.0f, 3.0f, 100.0f, 200.0f, orientation, 1, 10, 5}; }

TEST(GridPoint, EveryNodeOfARotatedGridSnapsBackToItself) {
  for (float orientation : {0.0f, 30.0f, 90.0f, -135.0f}) {
    const GridHeader g = test_grid(orientation);
    const double th = static_cast<double>(orientation) * 3.141592653589793 / 180.0;
    for (int j = 1; j <= g.ngrid_y; ++j)
      for (int i = 1; i <= g.ngrid_x; ++i) {
        // World position of node (i, j), nudged by a quarter cell.
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
  const auto point = [&](const Entries& e) {
    return get_grid_point_in_block(table_of(e), "TS_X", "ts_y", Block{1, 2}, g);
  };
  const auto failure = [&](const Entries& e) { return fatal_from([&] { point(e); }); };
  // (104.9 - 100)/2 + 1.5 = 3.95 -> i = 3, local x = 4; (206 - 200)/3 + 1.5 = 3.5 -> j = 3, y = 6.
  const GridPoint p = point({{"ts_x", "104.9"}, {"ts_y", "206"}});
  EXPECT_EQ(std::tie(p.i, p.j, p.x, p.y), std::tuple(3, 3, 4.0f, 6.0f));
  // x = 118 is node 10, the last inside; 119.1 is outside, and so is 98 (i = 0).
  EXPECT_EQ(point({{"ts_x", "118.9"}, {"ts_y", "203"}}).i, 10);
  EXPECT_EQ(failure({{"ts_x", "119.1"}, {"ts_y", "203"}}).line2, "are outside computational grid");
  FatalError e = failure({{"ts_x", "98"}, {"ts_y", "203"}});
  EXPECT_EQ(std::tie(e.line1, e.line2), std::tuple("Values of : ts_x and ts_y", "are outside computational grid"));
  EXPECT_EQ(e.before, (std::vector<std::string>{" i = 0  j = 2", " ts_x = 98  ts_y = 203"}));
  e = failure({{"ts_x", "1o5"}, {"ts_y", "203"}});
  EXPECT_EQ(std::tie(e.line1, e.after),
            std::tuple("Invalid parameter value for ts_x", std::vector<std::string>{" 1o5"}));
  // The x keyword is reported first when both are absent.
  EXPECT_EQ(failure({{"other", "1"}}).line1, "Parameter ts_x not found in Simulation Parameter File");
  EXPECT_EQ(failure({{"ts_x", "105"}}).line1, "Parameter ts_y not found in Simulation Parameter File");
}

TEST(ParameterFileName, ExtensionRulesAndTheEndOfInput) {
  const auto name_from = [](std::vector<std::string> args, const std::string& typed) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::istringstream in(typed);
    std::ostringstream out;
    const std::string r = get_parameter_file_name(static_cast<int>(argv.size()), argv.data(), in, out);
    EXPECT_EQ(typed.empty() ? out.str() : "", "");  // a name on the command line: no prompt
    return r;
  };
  ScratchDir dir;
  const std::string base = dir.path("case");  // the scratch path holds no point
  ASSERT_EQ(base.find('.'), std::string::npos);
  dir.write("case.par", ":a 1\n");
  dir.write("case.txt", ":a 1\n");
  EXPECT_EQ(name_from({"swx", base}, ""), base + ".par");
  EXPECT_EQ(name_from({"swx", base + ".", "ignored"}, ""), base + ".par");
  EXPECT_EQ(name_from({"swx", base + ".txt"}, ""), base + ".txt");
  EXPECT_EQ(name_from({"swx"}, "  " + base + "  \n"), base + ".par");  // typed, blanks cut
  const FatalError e = fatal_from([&] { name_from({"swx"}, "\n"); });
  EXPECT_EQ(std::tie(e.line1, e.line2),
            std::tuple("End of input reached while asking for the", "name of simulation parameter file [.par]"));
}

TEST(PromptForText, LongPromptsAnswerOnTheirOwnLine) {
  // " Enter " + 47 characters + " : " + BEL = 58 characters no longer fit one line; 57 do.
  for (const std::string& prompt : {std::string(47, 'p'), std::string(46, 'p')}) {
    std::istringstream in("answer\n");
    std::ostringstream out;
    EXPECT_EQ(prompt_for_text(prompt, in, out), "answer");
    EXPECT_EQ(out.str(), " Enter " + prompt + " : \a" + (prompt.size() == 47 ? "\n> " : ""));
  }
}

}  // namespace
}  // namespace swx
