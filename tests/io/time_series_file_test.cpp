#include "io/time_series_file.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
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
  FatalError e = fatal_from([&] { read_time_series_header(dir.write("a.ts", "# only\n:NTimeSteps 3\n")); });
  EXPECT_EQ(e.line1, "  incomplete header section in time series file: " + dir.path("a.ts"));
  e = fatal_from([&] { read_time_series_header(dir.write("b.ts", ":NTimeSteps 3\n:EndHeader\n1 2\n")); });
  EXPECT_EQ(e.line1, "incomplete header section in time series file: " + dir.path("b.ts"));
  e = fatal_from([&] { read_time_series_column(dir.write("c.ts", ":NTimeSteps 1\n1 2\n"), 1, 1, 1); });
  EXPECT_EQ(e.line1, "End of Header not found in time series file: " + dir.path("c.ts"));

  // Errors of the file itself stop the run with a box naming the file.
  e = fatal_from([&] { read_time_series_header(dir.path("missing.ts")); });
  EXPECT_EQ(e.line1, "Unable to open input file: ");
  EXPECT_EQ(e.line2, dir.path("missing.ts"));
  const std::string bad = dir.write("d.ts", ":EndHeader\n0.0 1.0\n0.5 x1.0\n");
  e = fatal_from([&] { read_time_series_column(bad, 1, 1, 2); });
  EXPECT_EQ(e.line1, "Invalid number \"x1.0\" on line 3 of file:");
  EXPECT_EQ(e.line2, bad);
  const std::string short_file = dir.write("e.ts", ":EndHeader\n0.0 1.0\n0.5\n");
  e = fatal_from([&] { read_time_series_column(short_file, 1, 1, 2); });
  EXPECT_EQ(e.line1, "Unexpected end of data in file:");
  e = fatal_from([&] { read_time_series_column(short_file, 1, 1, 2000000000); });
  EXPECT_EQ(e.line1, "Fewer data records than NTimeSteps = 2000000000 in time series file:");
}

TEST(TimeSeriesWrite, ProbeLayoutLineByLine) {
  ScratchDir dir;
  Field data(5, 2);  // leading dimension 5 > 3 steps
  for (int k = 1; k <= 3; ++k) {
    data(k, 1) = 0.25f * static_cast<float>(k);
    data(k, 2) = -1.5f * static_cast<float>(k);
  }
  AnalysisParameters params;
  add_analysis_parameter(params, "Wave_Hav   ", 1.25f);
  add_analysis_parameter(params, "Wave_Tav", 8.0f);
  const std::vector<float> x = {10.0f, 20.5f}, y = {5.0f, -2.0f}, z = {-1.0f, -3.25f};
  const std::vector<std::string> ids = {"p1  ", "gauge B"};
  const std::vector<std::string> desc = {"Surface Elevation", "U Velocity"};
  const std::vector<std::string> units = {"meters", "m/s"};
  const std::string f = dir.path("probe.ts");
  write_probe_time_series(f, data, 3, 0.5f, 100.0f, x, y, z, ids, params, desc, units, "SWELLIX", 5.0f);

  const std::string want =
      std::string("# SWELLIX Type 2 Time Series File\n") + ":WrittenBy       " + padded("SWELLIX Version 5") +
      ":CreationDate    DATE\n"
      "#\n" +
      padded(":NDataSets              3") + padded(":DataDescription(1)     Time") +
      padded(":DataUnits(1)           seconds") + padded(":DataDescription(2)     Surface Elevation") +
      padded(":DataUnits(2)           meters") + padded(":DataDescription(3)     U Velocity") +
      padded(":DataUnits(3)           m/s") + "#\n" + padded(":Probe_ID(1)            p1") +
      padded(":Probe_ID(2)            gauge B") + "#\n" + padded(":x_probe(1)             10 # meters") +
      padded(":y_probe(1)             5 # meters") + padded(":x_probe(2)             20.5 # meters") +
      padded(":y_probe(2)             -2 # meters") + padded(":z_probe(2)             -3.25 # meters") + "#\n" +
      padded(":Wave_Hav               1.25 # ") + padded(":Wave_Tav               8 # ") +
      "#\n"
      ":NTimeSteps             3\n"
      "#\n"
      ":EndHeader\n"
      // 16-character fields: a blank, 11 characters of fixed notation, 4 blanks.
      "      100.00    "
      "     0.25000    "
      "     -1.5000    \n"
      "      100.50    "
      "     0.50000    "
      "     -3.0000    \n"
      "      101.00    "
      "     0.75000    "
      "     -4.5000    \n";
  EXPECT_EQ(without_date(test::read_text(f)), want);

  // The file reads back with one value column per data set.
  const TimeSeriesHeader h = read_time_series_header(f);
  EXPECT_EQ(h.ntimesteps, 3);
  EXPECT_EQ(h.ncolumns, 2);
  const TimeSeriesColumn c = read_time_series_column(f, 2, 2, 3);
  EXPECT_EQ(c.values, (std::vector<float>{-1.5f, -3.0f, -4.5f}));
  EXPECT_EQ(c.t0, 100.0f);
  EXPECT_FLOAT_EQ(c.dt, 1.0f / 3.0f);
}

TEST(TimeSeriesWrite, HeaderLinesAreCutToTheirFieldOf256Characters) {
  ScratchDir dir;
  Field data(1, 1);
  data(1, 1) = 1.0f;
  const std::vector<float> x = {1.0f}, y = {2.0f}, z = {0.0f};
  // ":Probe_ID(1)" and its 12 blanks take 24 characters; a 250-character identifier would
  // make the line 274 characters long, but the line is built in a 256-character field.
  const std::string long_id(250, 'q');
  const std::vector<std::string> ids = {long_id};
  const std::vector<std::string> desc = {"Surface Elevation"}, units = {"meters"};
  const std::string f = dir.path("long_id.ts");
  write_probe_time_series(f, data, 1, 0.1f, 0.0f, x, y, z, ids, AnalysisParameters{}, desc, units, "SWELLIX", 5.0f);
  const std::string text = test::read_text(f);
  const std::string id_line = ":Probe_ID(1)            " + std::string(256 - 24, 'q') + "\n";
  EXPECT_NE(text.find("\n" + id_line + "#\n"), std::string::npos);
  EXPECT_EQ(text.find(std::string(233, 'q')), std::string::npos);
}

TEST(TimeSeriesWrite, GaugeLayoutWithoutIdentifiersOrParameters) {
  ScratchDir dir;
  Field data(1, 1);
  data(1, 1) = 0.125f;
  const std::vector<float> x1 = {1.0f}, y1 = {2.0f}, x2 = {3.0f}, y2 = {4.5f};
  const std::vector<std::string> desc = {"Runup"}, units = {"meters"};
  const std::string f = dir.path("gauge.ts");
  write_gauge_time_series(f, data, 1, 0.1f, 0.0f, x1, y1, x2, y2, AnalysisParameters{}, desc, units, "SWELLIX", 5.0f);
  const std::string want =
      std::string("# SWELLIX Type 2 Time Series File\n") + ":WrittenBy       " + padded("SWELLIX Version 5") +
      ":CreationDate    DATE\n"
      "#\n" +
      padded(":NDataSets              2") + padded(":DataDescription(1)     Time") +
      padded(":DataUnits(1)           seconds") + padded(":DataDescription(2)     Runup") +
      padded(":DataUnits(2)           meters") + "#\n" + padded(":x1_probe(1)             1 # meters") +
      padded(":y1_probe(1)             2 # meters") + padded(":x2_probe(1)             3 # meters") +
      padded(":y2_probe(1)             4.5 # meters") +
      "#\n"
      "#\n"
      ":NTimeSteps             1\n"
      "#\n"
      ":EndHeader\n"
      "      0.0000    "
      "     0.12500    \n";
  EXPECT_EQ(without_date(test::read_text(f)), want);
}

}  // namespace
}  // namespace swx
