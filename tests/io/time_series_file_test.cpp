#include "io/time_series_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/fatal.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

using test::fatal_from;
using test::ScratchDir;

std::string padded(std::string s, std::size_t width = 256) {
  s.resize(std::max(s.size(), width), ' ');
  return s + "\n";
}

// The creation date changes with every run; it is checked for shape and replaced.
std::string without_date(std::string text) {
  const std::string key = "\n:CreationDate    ";
  const std::size_t p = text.find(key);
  EXPECT_NE(p, std::string::npos);
  const std::size_t e = text.find('\n', p + 1);
  EXPECT_EQ(e - (p + key.size()), 24u);  // "Mon Jan  6 09:05:03 2025"
  return text.replace(p + key.size(), e - (p + key.size()), "DATE");
}

const char kTwoCols[] =
    "# test series\n"
    ":NTimeSteps 4   # steps\n"
    ":NDataSets  3\n"
    ":EndHeader\n"
    "0.0  1.0  10.0\n"
    "0.5  2.0  20.0 99.0 extra\n"
    "1.0  3.0\n"
    "     30.0\n"  // a record may continue on the next line
    "\n"
    "1.5, 4.0, 40.0\n";

TEST(TimeSeriesRead, HeaderCountsAndColumnsWithTimeSpanOverSteps) {
  ScratchDir dir;
  const std::string f = dir.write("uv.ts", kTwoCols);
  const TimeSeriesHeader h = read_time_series_header(f);
  EXPECT_EQ(h.ntimesteps, 4);
  EXPECT_EQ(h.ncolumns, 2);
  const TimeSeriesColumn v = read_time_series_column(f, 2, 2, 4);
  EXPECT_EQ(v.values, (std::vector<float>{10.0f, 20.0f, 30.0f, 40.0f}));
  EXPECT_EQ(v.t0, 0.0f);
  EXPECT_EQ(v.dt, 1.5f / 4.0f);  // span over ntimesteps, not ntimesteps - 1
  // Read as one value column, the other columns of each line are skipped.
  const TimeSeriesColumn u = read_time_series_column(f, 1, 1, 3);
  EXPECT_EQ(u.values, (std::vector<float>{1.0f, 2.0f, 3.0f}));

  // Times 0, 0.5, ..., 9.5 (20 records): dt = 9.5 / 20 = 0.475.
  std::string text = ":ntimesteps 20\n:ndatasets 2\n:endheader\n";
  for (int k = 0; k < 20; ++k) text += std::to_string(0.5 * k) + " " + std::to_string(k) + "\n";
  const TimeSeriesColumn w = read_time_series_column(dir.write("w.ts", text), 1, 1, 20);
  EXPECT_EQ(w.t0, 0.0f);
  EXPECT_FLOAT_EQ(w.dt, 0.475f);
  EXPECT_EQ(w.values[19], 19.0f);
}

TEST(TimeSeriesRead, MessagesForBrokenFiles) {
  ScratchDir dir;
  enum Name { kAppended, kOnLine2 };  // where the box names the file
  struct Case {
    const char* name;
    const char* text;  // nullptr: no such file
    int ntimesteps;    // 0: the header reader, else the column reader for that many records
    std::string line1;
    Name where;
  };
  const Case cases[] = {
      {"a.ts", "# only\n:NTimeSteps 3\n", 0, "  incomplete header section in time series file: ", kAppended},
      {"b.ts", ":NTimeSteps 3\n:EndHeader\n1 2\n", 0, "incomplete header section in time series file: ", kAppended},
      {"c.ts", ":NTimeSteps 1\n1 2\n", 1, "End of Header not found in time series file: ", kAppended},
      {"missing.ts", nullptr, 0, "Unable to open input file: ", kOnLine2},
      {"d.ts", ":EndHeader\n0.0 1.0\n0.5 x1.0\n", 2, "Invalid number \"x1.0\" on line 3 of file:", kOnLine2},
      {"e.ts", ":EndHeader\n0.0 1.0\n0.5\n", 2, "Unexpected end of data in file:", kOnLine2},
      {"e.ts", ":EndHeader\n0.0 1.0\n0.5\n", 2000000000,
       "Fewer data records than NTimeSteps = 2000000000 in time series file:", kOnLine2},
  };
  for (const Case& c : cases) {
    const std::string f = c.text ? dir.write(c.name, c.text) : dir.path(c.name);
    const FatalError e = fatal_from([&] {
      if (c.ntimesteps == 0) {
        read_time_series_header(f);
      } else {
        read_time_series_column(f, 1, 1, c.ntimesteps);
      }
    });
    EXPECT_EQ(e.line1, c.where == kAppended ? c.line1 + f : c.line1) << c.name;
    if (c.where == kOnLine2) {
      EXPECT_EQ(e.line2, f) << c.name;
    }
  }
}

// The whole probe layout.  Identifier 1 has 250 characters: its line is built in a field of
// 256 and so cut to 232 of them (a past fault let it run on).  Without analysis parameters two
// "#" lines meet before :NTimeSteps.
TEST(TimeSeriesWrite, ProbeLayoutLineByLineAndReadBack) {
  ScratchDir dir;
  Field data(5, 2);  // leading dimension 5 > 3 steps
  for (int k = 1; k <= 3; ++k) {
    data(k, 1) = 0.25f * static_cast<float>(k);
    data(k, 2) = -1.5f * static_cast<float>(k);
  }
  const std::vector<float> x = {10.0f, 20.5f}, y = {5.0f, -2.0f}, z = {-1.0f, -3.25f};
  const std::vector<std::string> ids = {std::string(250, 'q'), "gauge B  "};
  const std::vector<std::string> desc = {"Surface Elevation", "U Velocity"};
  const std::vector<std::string> units = {"meters", "m/s"};
  const std::string f = dir.path("probe.ts");
  write_probe_time_series(f, data, 3, 0.5f, 100.0f, x, y, z, ids, AnalysisParameters{}, desc, units, "SWELLIX", 5.0f);

  const std::string want =
      std::string("# SWELLIX Type 2 Time Series File\n") + ":WrittenBy       " + padded("SWELLIX Version 5") +
      ":CreationDate    DATE\n"
      "#\n" +
      padded(":NDataSets              3") + padded(":DataDescription(1)     Time") +
      padded(":DataUnits(1)           seconds") + padded(":DataDescription(2)     Surface Elevation") +
      padded(":DataUnits(2)           meters") + padded(":DataDescription(3)     U Velocity") +
      padded(":DataUnits(3)           m/s") + "#\n" + padded(":Probe_ID(1)            " + std::string(232, 'q')) +
      padded(":Probe_ID(2)            gauge B") + "#\n" + padded(":x_probe(1)             10 # meters") +
      padded(":y_probe(1)             5 # meters") + padded(":x_probe(2)             20.5 # meters") +
      padded(":y_probe(2)             -2 # meters") + padded(":z_probe(2)             -3.25 # meters") +
      "#\n"
      "#\n"
      ":NTimeSteps             3\n"
      "#\n"
      ":EndHeader\n"
      // 16-character fields: a blank, 11 characters of fixed notation, 4 blanks.
      "      100.00         0.25000         -1.5000    \n"
      "      100.50         0.50000         -3.0000    \n"
      "      101.00         0.75000         -4.5000    \n";
  EXPECT_EQ(without_date(test::read_text(f)), want);

  // The file reads back with one value column per data set.
  const TimeSeriesHeader h = read_time_series_header(f);
  EXPECT_EQ(std::tie(h.ntimesteps, h.ncolumns), std::tuple(3, 2));
  const TimeSeriesColumn c = read_time_series_column(f, 2, 2, 3);
  EXPECT_EQ(c.values, (std::vector<float>{-1.5f, -3.0f, -4.5f}));
  EXPECT_EQ(c.t0, 100.0f);
  EXPECT_FLOAT_EQ(c.dt, 1.0f / 3.0f);
}

}  // namespace
}  // namespace swx
