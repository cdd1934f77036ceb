#pragma once
// Time series files: a keyword header ended by :EndHeader, then one line per time step with the
// time and one value per data set.  Probe and runup-gauge records are written in this format and
// measured wavemaker signals are read from it.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/array2d.hpp"

namespace swx {

// Run-wide list of analysis parameters copied into the header of every time series file.
struct AnalysisParameters {
  std::vector<std::string> names;   // without trailing blanks
  std::vector<std::string> values;  // compact real text
  int count() const { return static_cast<int>(names.size()); }
};
// Appends name (trailing blanks removed) with value as compact real text.
void add_analysis_parameter(AnalysisParameters& params, std::string_view name, float value);

struct TimeSeriesHeader {
  int ntimesteps = 0;
  int ncolumns = 0;  // value columns besides time (ndatasets - 1)
};
// Reads the header keys "ntimesteps" and "ndatasets" of an existing file.
TimeSeriesHeader read_time_series_header(const std::string& file_name);

struct TimeSeriesColumn {
  std::vector<float> values;  // ntimesteps values
  float t0 = 0.0f;            // s, time of the first record
  float dt = 0.0f;            // s, (t(last) - t(first)) / ntimesteps
};
// Reads ntimesteps records of (time, ncol values) after :EndHeader and keeps value column
// `column` (1-based among the value columns).
TimeSeriesColumn read_time_series_column(const std::string& file_name, int column, int ncol, int ntimesteps);

// Writes a probe time series file.  Data set m (1..n, n = descriptions.size()) is column m of
// data; line k holds time t0 + (k - 1) dt and row k of every column.  x, y, z (m) and ids have
// one entry per data set.
void write_probe_time_series(const std::string& file_name, const Field& data, int ntimesteps, float dt, float t0,
                             std::span<const float> x, std::span<const float> y, std::span<const float> z,
                             std::span<const std::string> ids, const AnalysisParameters& params,
                             std::span<const std::string> descriptions, std::span<const std::string> units,
                             std::string_view writer_name, float version);

// Writes a runup-gauge time series file: as the probe file, with end points x1, y1, x2, y2 (m)
// per gauge and no identifiers.
void write_gauge_time_series(const std::string& file_name, const Field& data, int ntimesteps, float dt, float t0,
                             std::span<const float> x1, std::span<const float> y1, std::span<const float> x2,
                             std::span<const float> y2, const AnalysisParameters& params,
                             std::span<const std::string> descriptions, std::span<const std::string> units,
                             std::string_view writer_name, float version);

// Whole-file text reading shared by the time series and spectrum readers.
struct TextLines {
  std::string file_name;
  std::string text;                      // the whole file
  std::vector<std::size_t> line_starts;  // offset of each line in text
  int count() const { return static_cast<int>(line_starts.size()); }
  // Line k (0-based) without its line end.
  std::string_view line(int k) const;
};
// Loads an existing text file; a file that cannot be opened stops the run naming it.
TextLines load_text_lines(const std::string& file_name);
// Splits a key line (first character ':'): cut at '#', key lower-cased, value with leading
// blanks removed.  Returns false when the line has no blank after the key.
bool split_key_line(std::string_view line, std::string& key, std::string_view& value);
// True when the line closes the header of a data reader: first non-blank ':' and the rest,
// lower-cased and without trailing blanks, "endheader".
bool is_end_header_line(std::string_view line);
// True for a line that ends a header: not blank and starting with neither '#' nor ':'.
bool is_data_line(std::string_view line);

// Free-format reader of the numbers after a header: tokens separated by blanks, commas, tabs
// and line ends.  Every failure stops the run naming the file and the problem.
struct NumberReader {
  const TextLines* lines = nullptr;
  int line = 0;            // current line (0-based)
  std::size_t column = 0;  // position in the current line
};
// A reader placed at the start of the line after the first :EndHeader; stops the run with
// missing_message + file name when there is none.
NumberReader numbers_after_end_header(const TextLines& lines, std::string_view missing_message);
// Next number as a float; end of data or a token that is not a number stops the run.
float read_number(NumberReader& r);
// Moves to the start of the next line (what is left of the current line is skipped).
void next_record(NumberReader& r);

}  // namespace swx
