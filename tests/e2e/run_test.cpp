// End-to-end: the start of a run, complete small runs with their console, log and output files,
// and bad input ending a run with a framed box, exit status 0 and the log left at its last line.

#include <regex>

#include "run_case.hpp"

namespace swx::e2e {
namespace {

constexpr const char* kPrompt = " Enter name of simulation parameter file [.par] : \a";
constexpr const char* kFatal = "***  Fatal Error ***";

std::string bathymetry_line(const CaseDir& c) { return " Reading in bathymetry file: " + c.quoted("bathy.grd"); }

// The log's lines from..to-1 joined with line ends.
std::string joined(const std::vector<std::string>& log, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t k = from; k < to && k < log.size(); ++k) s += log[k] + "\n";
  return s;
}

TEST(StartUp, AsksForTheParameterFileUntilAnExistingOneIsNamed) {
  CaseDir c("prompt");
  write_tiny_case(c);
  // A blank answer is refused; "tiny" gets ".par" appended; missing files are asked for again.
  RunResult r = c.run({}, "   \ntiny\n");
  std::string expected = std::string("Parameter file name not found in command line\n") + kPrompt +
                         "\n  *** Invalid Entry - Please Reenter  ***\n\n" + kPrompt + bathymetry_line(c) + "\n";
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console.substr(0, expected.size()), expected);
  r = c.run({"nothere"}, "other.\ntiny.par\n");
  expected = std::string(" *** file does not exist:nothere.par\n\n") + kPrompt +
             " *** file does not exist:other.par\n\n" + kPrompt + bathymetry_line(c) + "\n";
  EXPECT_EQ(r.console.substr(0, expected.size()), expected);
  r = c.run({"nothere"}, "");  // the end of the input while asking ends the run
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find(kFatal), std::string::npos);
}

TEST(LogFile, PlaceAndNameOfTheLog) {
  CaseDir c("logplace");
  write_tiny_case(c);
  // An absolute parameter path still gets the working directory in front in the log.
  const std::string abs = (fs::canonical(c.path()) / "tiny.par").string();
  EXPECT_EQ(c.run({abs}).status, 0);
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_GE(log.size(), 7u);
  std::string param = "Simulation Parameter File: \"" + fs::canonical(c.path()).string() + "\\" + abs + "\"";
  if (param.size() < 256) param.resize(256, ' ');
  EXPECT_EQ(log[6], param);
  // A prefix with a directory puts the log there; a missing directory is a box naming the log.
  write_tiny_case(c, "results/case1");
  EXPECT_EQ(c.run({"tiny"}).console, box_text(kFatalTitle, "Log file cannot be created: results/case1_swx.log",
                                              "the directory results does not exist"));
  fs::create_directories(c.path() / "results");
  EXPECT_EQ(c.run({"tiny"}).status, 0);
  EXPECT_TRUE(c.exists("results/case1_swx.log"));
}

TEST(BadInput, ParameterFilesThatCannotBeUsed) {
  CaseDir c("badpar");
  // The box is 65 wide: message padded with 2 blanks each side, title with 21, after a margin of
  // 5; the log holds its header only.
  c.write("k.par", ":output_file_prefix k\n:tidal_offset 0\n");
  RunResult r = c.run({"k"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console,
            " \n                          ***  Fatal Error ***                        \n"
            "       Parameter bathy_file not found in Simulation Parameter File    \n \n");
  EXPECT_EQ(lines_of(c.read("k_swx.log")).size(), 8u);
  c.write("empty.par", "");
  EXPECT_EQ(c.run({"empty.par"}).console,
            box_text(kFatalTitle, "Parameter output_file_prefix not found in Simulation Parameter File"));
  c.write("bin.par", std::string("\x7f"
                                 "ELF\x02\x01\x01\0\0\0:output_file_prefix x\n",
                                 32));
  r = c.run({"bin.par"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find(kFatal), std::string::npos);
  EXPECT_NE(r.console.find("bin.par"), std::string::npos);
  EXPECT_FALSE(c.exists("x_swx.log"));
  // Lines are cut at 256 characters: a long comment is harmless, a long file name is cut.
  write_tiny_case(c);
  c.write("long.par", "#" + std::string(1000, '-') + "\n:output_file_prefix long\n:bathy_file " +
                          std::string(300, 'b') + "\n:tidal_offset 0\n");
  r = c.run({"long"});
  EXPECT_NE(r.console.find(" Reading in bathymetry file: " + c.quoted(std::string(256 - 12, 'b')) + "\n"),
            std::string::npos);
  EXPECT_NE(r.console.find(kFatal), std::string::npos);
}

// A probe, the significant wave height grid, the surface animation and the solution file (their
// contents are read in tools.test_program_outputs).
const std::string kOutputs = par(
    "ts_eta_file tiny_eta.ts; save_timeseries; probe_id mid; ts_x 3.0; ts_y 1.0; save_ts_eta yes; save_ts_uv no; "
    "save_ts_pressure no; end_save_timeseries; hs_file tiny_hs.grd; save_eta_animation; eta_anim_file tiny_eta.anim; "
    "start_time 0; end_time 0.95; save_time_step 0.05; save_full_grid yes; solution_file_option 2; "
    "kobl_solution_file tiny.h5");

TEST(FullRun, TinyCaseConsoleLogAndOutputFiles) {
  CaseDir c("full");
  write_tiny_case(c, "tiny", kOutputs);
  const RunResult r = c.run({"tiny"});
  ASSERT_EQ(r.status, 0);
  // Console: the grid read, the storm warning (20 steps against 5 waves of 2 s), the Courant
  // number, 20 progress lines with the estimate after step 9, statistics before time series.
  const std::string outputs =
      " SWELLIX Output File: " + c.quoted("tiny_hs.grd") + "\n SWELLIX Output File: " + c.quoted("tiny_eta.ts") + "\n";
  std::string expected =
      bathymetry_line(c) + "\n" +
      box_text(kWarningTitle, "simulation duration is shorter than storm duration",
               "- computed significant wave height distribution", "may not be representative of input storm") +
      " Courant Number =    0.18\n";
  for (int n = 1; n <= 20; ++n)
    expected +=
        " Time Step: " + std::to_string(n) + " of 20\n" + (n == 9 ? " \n Estimated run time is @ min\n \n" : "");
  expected += outputs;
  const std::size_t at = expected.find('@'), end = r.console.find(" min\n", at);
  ASSERT_NE(end, std::string::npos) << r.console;
  EXPECT_TRUE(std::regex_match(r.console.substr(at, end - at), std::regex(R"(\d+\.\d+)")));
  EXPECT_EQ(r.console.substr(0, at) + "@" + r.console.substr(end), expected);

  // Log: header, the console lines without boxes and estimate, the closing time and the report.
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_EQ(log.size(), 39u);
  const std::regex date(
      R"(Start Time: (Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ \d]\d \d\d:\d\d:\d\d \d{4})");
  std::string param = "Simulation Parameter File: " + c.quoted("tiny.par");
  param.resize(256, ' ');
  EXPECT_EQ(joined(log, 0, 11),
            "SWELLIX - Boussinesq Wave Model for Coastal\n          Regions and Harbors\n"
            "          Version Number 5.0\n \n" +
                log[4] + "\n \n" + param + "\n \n" + bathymetry_line(c) +
                "\n Courant Number =    0.18\n Time Step: 1 of 20\n");
  EXPECT_EQ(joined(log, 29, 32), " Time Step: 20 of 20\n" + outputs);
  EXPECT_TRUE(std::regex_match(log[4], date)) << log[4];
  EXPECT_TRUE(std::regex_match(log[32], date)) << log[32];
  EXPECT_TRUE(std::regex_match(log[34], std::regex(R"( Elapsed time is \d+\.\d+ (min|hrs))"))) << log[34];
  EXPECT_TRUE(std::regex_match(log[37], std::regex(R"( CPU time is \d+\.\d+ (min|hrs))"))) << log[37];
  for (int k : {33, 35, 36, 38}) EXPECT_EQ(log[static_cast<std::size_t>(k)], " ");
}

TEST(FullRun, InputGridsAreReadInTheOrderOfTheRunAndShortRunsShowNoEstimate) {
  // Damping and porosity right after the bathymetry, friction and current after the
  // wavemakers, whatever the key order; 9 steps give no run-time estimate.
  CaseDir c("grids");
  write_tiny_case(c, "tiny",
                  par("current_file cur.grd; friction_file fric.grd; porosity_file poro.grd; char_stone_size 1.0; "
                      "lam_friction_coeff 1000; turb_friction_coeff 1.1; damping_file damp.grd"));
  c.write("tiny.par", replaced(c.read("tiny.par"), "0.95", "0.4"));
  c.write("damp.grd", flat_bathymetry(0.0));
  c.write("poro.grd", flat_bathymetry(1.0));
  c.write("fric.grd", flat_bathymetry(50.0));
  c.write("cur.grd", flat_bathymetry(0.0, 2));
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  std::string reading;
  for (const auto& line : lines_of(r.console))
    if (line.rfind(" Reading in ", 0) == 0) reading += line + "\n";
  const std::string expected = bathymetry_line(c) + "\n Reading in damping file: " + c.quoted("damp.grd") +
                               "\n Reading in porosity file: " + c.quoted("poro.grd") +
                               "\n Reading in friction file: " + c.quoted("fric.grd") +
                               "\n Reading in current file: " + c.quoted("cur.grd") + "\n";
  EXPECT_EQ(reading, expected) << r.console;
  EXPECT_EQ(joined(lines_of(c.read("tiny_swx.log")), 8, 13), expected);
  EXPECT_NE(r.console.find(" Time Step: 9 of 9\n"), std::string::npos) << r.console;
  EXPECT_EQ(r.console.find("Estimated run time"), std::string::npos);
  EXPECT_NE(c.read("tiny_swx.log").find(" Elapsed time is "), std::string::npos);
}

// Fatal errors after the log was opened leave it at its last line.
TEST(FullRun, FatalErrorsAfterTheLogOpened) {
  CaseDir c("late");
  c.write("bathy.grd", flat_bathymetry());
  // chezy_coeff outside 5 .. 1000 stops after the wavemakers; dt = 0.5 s on 1 m cells in 1 m
  // of water gives a Courant number of about 2, which stops before the time loop.
  c.write("chezy.par", replaced(tiny_parameters(), "chezy_coeff 50", "chezy_coeff 4.9"));
  RunResult r = c.run({"chezy"});
  EXPECT_EQ(r.console,
            bathymetry_line(c) + "\n" +
                box_text(kFatalTitle, "Value of parameter: chezy_coeff has to be", "between 5.0 and 1000.0"));
  auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_EQ(log.size(), 9u);
  EXPECT_EQ(log.back(), bathymetry_line(c));
  c.write("courant.par", replaced(tiny_parameters(), "time_step 0.05", "time_step 0.5"));
  expect_ends_with_box(c.run({"courant"}), "Courant Number has to be less than 1.0");
  log = lines_of(c.read("tiny_swx.log"));
  ASSERT_EQ(log.size(), 10u);
  EXPECT_TRUE(std::regex_match(log.back(), std::regex(R"( Courant Number = [ \d]{3}\d\.\d\d)"))) << log.back();
  // Output into a missing directory: the statistics grid written before it stays complete.
  write_tiny_case(c, "tiny", replaced(kOutputs, ":ts_eta_file tiny_eta.ts", ":ts_eta_file nodir/tiny_eta.ts"));
  r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find(kFatal), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("nodir/tiny_eta.ts"), std::string::npos) << r.console;
  EXPECT_NE(c.read("tiny_hs.grd").find(":EndHeader"), std::string::npos);
}

}  // namespace
}  // namespace swx::e2e
