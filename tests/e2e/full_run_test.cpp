// End-to-end: complete small runs, from the parameter file to the output files and the timing
// report, and runs that stop after the log file was opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cases.hpp"
#include "core/fatal.hpp"
#include "run_case.hpp"

namespace swx::e2e {
namespace {

std::string quoted(const CaseDir& c, const std::string& name) {
  std::string s(1, '"');
  s += fs::canonical(c.path()).string();
  s += '\\';
  s += name;
  s += '"';
  return s;
}

using test::box_text;

// Outputs of the tiny case: a probe, the significant wave height grid, the surface animation
// and the solution file next to the text grids.
const std::string kOutputs =
    ":ts_eta_file tiny_eta.ts\n"
    ":save_timeseries\n  :probe_id mid\n  :ts_x 3.0\n  :ts_y 1.0\n  :save_ts_eta yes\n  :save_ts_uv no\n"
    "  :save_ts_pressure no\n:end_save_timeseries\n"
    ":hs_file tiny_hs.grd\n"
    ":save_eta_animation\n:eta_anim_file tiny_eta.anim\n:start_time 0\n:end_time 0.95\n:save_time_step 0.05\n"
    ":save_full_grid yes\n"
    ":solution_file_option 2\n:kobl_solution_file tiny.h5\n";

TEST(FullRun, TinyCaseConsoleLogAndOutputFiles) {
  CaseDir c("full");
  write_tiny_case(c, "tiny", kOutputs);
  const RunResult r = c.run({"tiny"});
  ASSERT_EQ(r.status, 0);

  // Console: the input grid, the storm warning (20 steps against a series of 5 waves of 2 s,
  // 201 steps), the Courant number, 20 progress lines with the estimate after step 9, and the
  // output files in their order (statistics before time series).
  std::string expected =
      " Reading in bathymetry file: " + quoted(c, "bathy.grd") + "\n" +
      box_text(kWarningTitle, "simulation duration is shorter than storm duration",
               "- computed significant wave height distribution", "may not be representative of input storm") +
      " Courant Number =    0.18\n";
  for (int n = 1; n <= 20; ++n) {
    expected += " Time Step: " + std::to_string(n) + " of 20\n";
    if (n == 9) expected += " \n Estimated run time is @ min\n \n";
  }
  expected += " SWELLIX Output File: " + quoted(c, "tiny_hs.grd") + "\n";
  expected += " SWELLIX Output File: " + quoted(c, "tiny_eta.ts") + "\n";
  // The estimate depends on the machine: compare everything else exactly.
  const std::size_t at = expected.find('@');
  const std::size_t end = r.console.find(" min\n", at);
  ASSERT_NE(end, std::string::npos) << r.console;
  EXPECT_TRUE(is_decimal_text(r.console.substr(at, end - at)));
  EXPECT_EQ(r.console.substr(0, at) + "@" + r.console.substr(end), expected);

  // Log: the header, the same progress lines without boxes and estimate, the closing line and
  // the timing report.
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_EQ(log.size(), 8u + 1u + 1u + 20u + 2u + 1u + 6u);
  EXPECT_EQ(log[8], " Reading in bathymetry file: " + quoted(c, "bathy.grd"));
  EXPECT_EQ(log[9], " Courant Number =    0.18");
  EXPECT_EQ(log[10], " Time Step: 1 of 20");
  EXPECT_EQ(log[29], " Time Step: 20 of 20");
  EXPECT_EQ(log[30], " SWELLIX Output File: " + quoted(c, "tiny_hs.grd"));
  EXPECT_EQ(log[31], " SWELLIX Output File: " + quoted(c, "tiny_eta.ts"));
  EXPECT_EQ(log[32].substr(0, 12), "Start Time: ");
  EXPECT_EQ(log[32].size(), 12u + 24u);
  EXPECT_EQ(log[33], " ");
  EXPECT_TRUE(is_number_line(log[34], " Elapsed time is ", {" min", " hrs"})) << log[34];
  EXPECT_EQ(log[35], " ");
  EXPECT_EQ(log[36], " ");
  EXPECT_TRUE(is_number_line(log[37], " CPU time is ", {" min", " hrs"})) << log[37];
  EXPECT_EQ(log[38], " ");

  // The significant wave height grid over the 8 x 4 grid.
  const auto hs = lines_of(c.read("tiny_hs.grd"));
  ASSERT_EQ(hs.size(), 19u + 4u);
  EXPECT_EQ(hs[0], "# SWELLIX Scalar Grid File");
  EXPECT_EQ(hs[10], ":NGrid_X               8");
  EXPECT_EQ(hs[18], ":EndHeader");
  for (int j = 19; j < 23; ++j) EXPECT_EQ(hs[static_cast<std::size_t>(j)].size(), 16u * 8u);

  // The probe's series: 20 records from 0 to 0.95 s.
  const auto ts = lines_of(c.read("tiny_eta.ts"));
  ASSERT_GE(ts.size(), 20u);
  EXPECT_EQ(ts[ts.size() - 21], ":EndHeader");
  EXPECT_EQ(ts[ts.size() - 20].substr(0, 16), "      0.0000    ");
  EXPECT_EQ(ts.back().substr(0, 16), "     0.95000    ");

  // Surface animation: a 44-byte header and 20 frames of 12 + 8 * 4 * 4 bytes.
  EXPECT_EQ(fs::file_size(c.path() / "tiny_eta.anim"), 44u + 20u * (12u + 128u));
  // The solution file is an HDF5 file.
  EXPECT_EQ(c.read("tiny.h5").substr(0, 8), std::string("\x89HDF\r\n\x1a\n", 8));
}

TEST(FullRun, InputGridsAreReadInTheOrderOfTheRun) {
  // Damping and porosity right after the bathymetry; friction and current after the wavemakers
  // and the time-stepping keys.  The key order in the file does not matter.
  CaseDir c("grids");
  const std::string extra =
      ":current_file cur.grd\n:friction_file fric.grd\n:porosity_file poro.grd\n:char_stone_size 1.0\n"
      ":lam_friction_coeff 1000\n:turb_friction_coeff 1.1\n:damping_file damp.grd\n";
  write_tiny_case(c, "tiny", extra);
  c.write("damp.grd", flat_bathymetry(8, 4, "0.0"));
  c.write("poro.grd", flat_bathymetry(8, 4, "1.0"));
  c.write("fric.grd", flat_bathymetry(8, 4, "50.0"));
  std::string current = flat_bathymetry(8, 4, "0.0");
  current += current.substr(current.find(":EndHeader\n") + 11);  // the y components
  c.write("cur.grd", current);
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> reading;
  for (const auto& line : lines_of(r.console))
    if (line.rfind(" Reading in ", 0) == 0) reading.push_back(line);
  const std::vector<std::string> expected = {
      " Reading in bathymetry file: " + quoted(c, "bathy.grd"), " Reading in damping file: " + quoted(c, "damp.grd"),
      " Reading in porosity file: " + quoted(c, "poro.grd"), " Reading in friction file: " + quoted(c, "fric.grd"),
      " Reading in current file: " + quoted(c, "cur.grd")};
  EXPECT_EQ(reading, expected) << r.console;
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_GE(log.size(), 14u);
  EXPECT_EQ(std::vector<std::string>(log.begin() + 8, log.begin() + 13), expected);
  EXPECT_NE(r.console.find(" Time Step: 20 of 20\n"), std::string::npos);
}

TEST(FullRun, FewerThanTenStepsShowNoEstimate) {
  CaseDir c("short");
  c.write("tiny.par", tiny_parameters("tiny"));
  c.write("bathy.grd", flat_bathymetry());
  c.write("nine.par", replaced(tiny_parameters("nine"), "0.95", "0.4"));
  const RunResult r = c.run({"nine"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find(" Time Step: 9 of 9\n"), std::string::npos) << r.console;
  EXPECT_EQ(r.console.find("Estimated run time"), std::string::npos);
  EXPECT_NE(c.read("nine_swx.log").find(" Elapsed time is "), std::string::npos);
}

TEST(FullRun, FatalAfterTheLogOpenedLeavesTheLogAtItsLastLine) {
  // chezy_coeff 4.9 is outside 5 .. 1000: the run stops after the wavemakers were prepared.
  CaseDir c("chezy");
  c.write("bathy.grd", flat_bathymetry());
  c.write("tiny.par", replaced(tiny_parameters(), "chezy_coeff         50", "chezy_coeff         4.9"));
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console,
            " Reading in bathymetry file: " + quoted(c, "bathy.grd") + "\n" +
                box_text(kFatalTitle, "Value of parameter: chezy_coeff has to be", "between 5.0 and 1000.0"));
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_EQ(log.size(), 9u);
  EXPECT_EQ(log.back(), " Reading in bathymetry file: " + quoted(c, "bathy.grd"));
}

TEST(FullRun, CourantNumberAboveOneStopsBeforeTheTimeLoop) {
  // dt = 0.5 s on 1 m cells in 1 m of water: Cr = sqrt(2) * c * dt, about 2.
  CaseDir c("courant");
  c.write("bathy.grd", flat_bathymetry());
  c.write("tiny.par", replaced(tiny_parameters(), "time_step           0.05", "time_step           0.5"));
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  const std::string tail = box_text(kFatalTitle, "Courant Number has to be less than 1.0");
  ASSERT_GE(r.console.size(), tail.size());
  EXPECT_EQ(r.console.substr(r.console.size() - tail.size()), tail);
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_EQ(log.size(), 10u);
  // Width 7 with 2 decimals: "   2.00" or wider numbers in the same field.
  ASSERT_EQ(log.back().size(), 18u + 7u);
  EXPECT_TRUE(is_decimal_text(trim_left(log.back().substr(18)))) << log.back();
  EXPECT_EQ(log.back().substr(0, 18), " Courant Number = ");
}

}  // namespace
}  // namespace swx::e2e

namespace swx::e2e {
namespace {

TEST(FullRun, OutputIntoAMissingDirectoryStopsWithItsNameAndKeepsFinishedResults) {
  // The statistics grid is written before the time series: it is complete when the probe file
  // cannot be created in a directory that does not exist, and the run ends with a box naming it.
  CaseDir c("missing_out");
  std::string outputs = kOutputs;
  outputs = replaced(outputs, ":ts_eta_file tiny_eta.ts", ":ts_eta_file nodir/tiny_eta.ts");
  write_tiny_case(c, "tiny", outputs);
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find("***  Fatal Error ***"), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("nodir/tiny_eta.ts"), std::string::npos) << r.console;
  EXPECT_NE(c.read("tiny_hs.grd").find(":EndHeader"), std::string::npos);
}

}  // namespace
}  // namespace swx::e2e
