// End-to-end: the start of a run (parameter file name, log file and header, bathymetry) and the
// way bad input ends a run: a framed fatal box on the console, exit status 0, never a crash.
#include <gtest/gtest.h>

#include <string>

#include "cases.hpp"
#include "core/fatal.hpp"
#include "run_case.hpp"

namespace swx::e2e {
namespace {

using test::box_text;

constexpr const char* kPrompt = " Enter name of simulation parameter file [.par] : \a";

// "Start Time: " and the date as "Www Mmm dd hh:mm:ss yyyy".
bool is_date_line(const std::string& line) {
  if (line.size() != 12 + 24 || line.substr(0, 12) != "Start Time: ") return false;
  const std::string d = line.substr(12);
  const std::string days = "Mon Tue Wed Thu Fri Sat Sun", months = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec";
  auto digits = [&](std::size_t at, std::size_t n) {
    for (std::size_t k = at; k < at + n; ++k)
      if (d[k] < '0' || d[k] > '9') return false;
    return true;
  };
  return days.find(d.substr(0, 3)) % 4 == 0 && d[3] == ' ' && months.find(d.substr(4, 3)) % 4 == 0 && d[7] == ' ' &&
         (d[8] == ' ' || digits(8, 1)) && digits(9, 1) && d[10] == ' ' && digits(11, 2) && d[13] == ':' &&
         digits(14, 2) && d[16] == ':' && digits(17, 2) && d[19] == ' ' && digits(20, 4);
}

std::string bathymetry_line(const CaseDir& c, const std::string& name = "bathy.grd") {
  return " Reading in bathymetry file: \"" + fs::canonical(c.path()).string() + "\\" + name + "\"";
}

TEST(StartUp, AsksForTheParameterFileUntilAnExistingOneIsNamed) {
  CaseDir c("prompt");
  write_tiny_case(c);
  // No name on the command line: a blank answer is refused, "tiny" gets ".par" appended.
  RunResult r = c.run({}, "   \ntiny\n");
  EXPECT_EQ(r.status, 0);
  std::string expected = std::string("Parameter file name not found in command line\n") + kPrompt +
                         "\n  *** Invalid Entry - Please Reenter  ***\n\n" + kPrompt + bathymetry_line(c) + "\n";
  EXPECT_EQ(r.console.substr(0, expected.size()), expected);
  // A name of a missing file, on the command line or typed, is asked for again.
  r = c.run({"nothere"}, "other.\ntiny.par\n");
  EXPECT_EQ(r.status, 0);
  expected = std::string(" *** file does not exist:nothere.par\n\n") + kPrompt +
             " *** file does not exist:other.par\n\n" + kPrompt + bathymetry_line(c) + "\n";
  EXPECT_EQ(r.console.substr(0, expected.size()), expected);
  // The end of the input while asking ends the run with a fatal box.
  r = c.run({"nothere"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find("***  Fatal Error ***"), std::string::npos);
}

TEST(LogFile, HeaderAndBathymetryLine) {
  CaseDir c("header");
  write_tiny_case(c);
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console.substr(0, bathymetry_line(c).size() + 1), bathymetry_line(c) + "\n");

  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_GE(log.size(), 9u);
  EXPECT_EQ(log[0], "SWELLIX - Boussinesq Wave Model for Coastal");
  EXPECT_EQ(log[1], "          Regions and Harbors");
  EXPECT_EQ(log[2], "          Version Number 5.0");
  EXPECT_EQ(log[3], " ");
  EXPECT_TRUE(is_date_line(log[4])) << log[4];
  EXPECT_EQ(log[5], " ");
  std::string param = "Simulation Parameter File: \"" + fs::canonical(c.path()).string() + "\\tiny.par\"";
  param.resize(256, ' ');
  EXPECT_EQ(log[6], param);
  EXPECT_EQ(log[7], " ");
  EXPECT_EQ(log[8], bathymetry_line(c));
}

TEST(LogFile, AbsoluteParameterPathStillGetsTheWorkingDirectoryInFront) {
  CaseDir c("absolute");
  write_tiny_case(c);
  const std::string abs = (fs::canonical(c.path()) / "tiny.par").string();
  EXPECT_EQ(c.run({abs}).status, 0);
  const auto log = lines_of(c.read("tiny_swx.log"));
  ASSERT_GE(log.size(), 7u);
  std::string expected = "Simulation Parameter File: \"" + fs::canonical(c.path()).string() + "\\" + abs + "\"";
  if (expected.size() < 256) expected.resize(256, ' ');
  EXPECT_EQ(log[6], expected);
}

TEST(LogFile, PrefixWithADirectoryPutsTheLogThere) {
  CaseDir c("prefix");
  write_tiny_case(c, "results/case1");
  fs::create_directories(c.path() / "results");
  EXPECT_EQ(c.run({"tiny"}).status, 0);
  EXPECT_TRUE(c.exists("results/case1_swx.log"));
}

TEST(LogFile, MissingDirectoryIsAFatalBoxNamingTheLogFile) {
  CaseDir c("nodir");
  write_tiny_case(c, "results/case1");
  const RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console, box_text(kFatalTitle, "Log file cannot be created: results/case1_swx.log",
                                "the directory results does not exist"));
}

TEST(BadInput, MissingRequiredKeyStopsWithItsMessageAndTheLogEndsAtTheLastLine) {
  CaseDir c("nokey");
  c.write("k.par", ":output_file_prefix k\n:tidal_offset 0\n");
  const RunResult r = c.run({"k"});
  EXPECT_EQ(r.status, 0);
  // W = 59 + 6 = 65: the message gets p = 2 blanks each side (63, padded to 65), the title
  // p = (65 - 20) / 2 - 1 = 21 (62, padded to 65); each after a margin of 5.
  EXPECT_EQ(r.console,
            " \n"
            "                          ***  Fatal Error ***                        \n"
            "       Parameter bathy_file not found in Simulation Parameter File    \n"
            " \n");
  EXPECT_EQ(lines_of(c.read("k_swx.log")).size(), 8u);  // the header only
}

TEST(BadInput, EmptyAndBinaryParameterFiles) {
  CaseDir c("badpar");
  c.write("empty.par", "");
  RunResult r = c.run({"empty.par"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console, box_text(kFatalTitle, "Parameter output_file_prefix not found in Simulation Parameter File"));

  c.write("bin.par", std::string("\x7f"
                                 "ELF\x02\x01\x01\0\0\0:output_file_prefix x\n",
                                 32));
  r = c.run({"bin.par"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find("***  Fatal Error ***"), std::string::npos);
  EXPECT_NE(r.console.find("bin.par"), std::string::npos);
  EXPECT_FALSE(c.exists("x_swx.log"));
}

TEST(BadInput, OverlongLinesAreCutAt256Characters) {
  CaseDir c("long");
  write_tiny_case(c);
  // A comment of 1000 characters, and a bathymetry file name that is cut to what fits in 256
  // characters: that shorter file does not exist.
  const std::string name(300, 'b');
  c.write("long.par",
          "#" + std::string(1000, '-') + "\n:output_file_prefix long\n:bathy_file " + name + "\n:tidal_offset 0\n");
  const RunResult r = c.run({"long"});
  EXPECT_EQ(r.status, 0);
  const std::string cut(256 - 12, 'b');
  EXPECT_NE(r.console.find(" Reading in bathymetry file: \"" + fs::canonical(c.path()).string() + "\\" + cut + "\"\n"),
            std::string::npos);
  EXPECT_NE(r.console.find("***  Fatal Error ***"), std::string::npos);
}

// Grid files that cannot be used: each ends the run with a box that names the file.
TEST(BadInput, BrokenBathymetryGrids) {
  const std::string header = "# grid\n:N_Arrays 1\n:Delta_X 1\n:Delta_Y 1\n:X_Origin 0\n:Y_Origin 0\n";
  struct Broken {
    const char* what;
    std::string text;
  };
  const Broken cases[] = {
      {"letters", header + ":NGrid_X 3\n:NGrid_Y 2\n:EndHeader\n-1 -1 -1\n-1 abc -1\n"},
      {"too few values", header + ":NGrid_X 3\n:NGrid_Y 2\n:EndHeader\n-1 -1 -1\n-1 -1\n"},
      {"zero size", header + ":NGrid_X 0\n:NGrid_Y 2\n:EndHeader\n-1\n"},
      {"negative size", header + ":NGrid_X 3\n:NGrid_Y -2\n:EndHeader\n-1\n"},
      {"huge size", header + ":NGrid_X 2000000000\n:NGrid_Y 2000000000\n:EndHeader\n-1\n"},
      {"size past the integer range", header + ":NGrid_X 99999999999\n:NGrid_Y 2\n:EndHeader\n-1\n"},
      {"binary", std::string("\0\1\2\3\xff\xfe", 6)},
      {"no file", ""},
  };
  for (const auto& b : cases) {
    CaseDir c("grid");
    write_tiny_case(c);
    if (std::string(b.what) == "no file")
      fs::remove(c.path() / "bathy.grd");
    else
      c.write("bathy.grd", b.text);
    const RunResult r = c.run({"tiny"});
    EXPECT_EQ(r.status, 0) << b.what;
    const auto box = r.console.find("***  Fatal Error ***");
    ASSERT_NE(box, std::string::npos) << b.what << "\n" << r.console;
    EXPECT_NE(r.console.find("bathy.grd", box), std::string::npos) << b.what << "\n" << r.console;
    EXPECT_EQ(r.console.substr(r.console.size() - 3), "\n \n") << b.what;
  }
}

TEST(BadInput, GridHeaderMessages) {
  CaseDir c("header-msg");
  write_tiny_case(c);
  // All keys and :EndHeader, but no data line: the header never ends.
  c.write("bathy.grd",
          ":NGrid_X 3\n:NGrid_Y 2\n:Delta_X 1\n:Delta_Y 1\n:X_Origin 0\n:Y_Origin 0\n:N_Arrays 1\n"
          ":EndHeader\n");
  RunResult r = c.run({"tiny"});
  EXPECT_EQ(r.console,
            bathymetry_line(c) + "\n" + box_text(kFatalTitle, "  incomplete header section in grid file: bathy.grd"));
  // A header that parses but has no :EndHeader before its data.
  c.write("bathy.grd",
          ":NGrid_X 3\n:NGrid_Y 2\n:Delta_X 1\n:Delta_Y 1\n:X_Origin 0\n:Y_Origin 0\n:N_Arrays 1\n"
          "-1 -1 -1 -1 -1 -1\n");
  r = c.run({"tiny"});
  EXPECT_EQ(r.console,
            bathymetry_line(c) + "\n" + box_text(kFatalTitle, "  End of Header not found in grid file: bathy.grd"));
}

}  // namespace
}  // namespace swx::e2e
