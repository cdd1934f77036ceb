#include "io/time_series_file.hpp"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

namespace {

constexpr std::size_t kFieldWidth = 256;  // header key and value lines are built in this width

bool is_blank_char(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view strip_blanks(std::string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && is_blank_char(s[a])) ++a;
  while (b > a && is_blank_char(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// Appends text in a 256-character field (padded with blanks, or cut when longer), then the
// line end.
void put_padded(std::string& out, std::string_view text) {
  if (text.size() > kFieldWidth) text = text.substr(0, kFieldWidth);
  out += text;
  out.append(kFieldWidth - text.size(), ' ');
  out += '\n';
}

void put_line(std::string& out, std::string_view text) {
  out += text;
  out += '\n';
}

}  // namespace

void add_analysis_parameter(AnalysisParameters& params, std::string_view name, float value) {
  params.names.emplace_back(trim_right(name));
  params.values.push_back(compact_real(value));
}

std::string_view TextLines::line(int k) const {
  const std::size_t a = line_starts[static_cast<std::size_t>(k)];
  std::size_t b = (k + 1 < count()) ? line_starts[static_cast<std::size_t>(k) + 1] : text.size();
  if (b > a && text[b - 1] == '\n') --b;
  if (b > a && text[b - 1] == '\r') --b;
  return std::string_view(text).substr(a, b - a);
}

TextLines load_text_lines(const std::string& file_name) {
  TextLines t;
  t.file_name = file_name;
  const std::string unusable = not_a_readable_file(file_name);
  if (!unusable.empty()) fatal("Unable to open input file: ", file_name, unusable);
  std::ifstream in(file_name, std::ios::binary);
  if (!in) fatal("Unable to open input file: ", file_name);
  std::ostringstream ss;
  ss << in.rdbuf();
  t.text = ss.str();
  if (!t.text.empty()) t.line_starts.push_back(0);
  for (std::size_t k = 0; k < t.text.size(); ++k)
    if (t.text[k] == '\n' && k + 1 < t.text.size()) t.line_starts.push_back(k + 1);
  return t;
}

bool split_key_line(std::string_view line, std::string& key, std::string_view& value) {
  line = line.substr(0, std::min(line.size(), kFieldWidth));
  if (line.empty() || line[0] != ':') return false;
  const std::size_t hash = line.find('#');
  if (hash != std::string_view::npos) line = line.substr(0, hash);
  std::string_view rest = line.substr(1);
  std::size_t a = 0;
  while (a < rest.size() && rest[a] == ' ') ++a;
  rest = rest.substr(a);
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return false;
  key = to_lower(rest.substr(0, blank));
  value = trim_left(rest.substr(blank + 1));
  return true;
}

bool is_end_header_line(std::string_view line) {
  const std::string_view s = strip_blanks(line);
  return !s.empty() && s[0] == ':' && to_lower(s.substr(1)) == "endheader";
}

bool is_data_line(std::string_view line) {
  const std::string_view s = strip_blanks(line);
  return !s.empty() && line[0] != '#' && line[0] != ':';
}

NumberReader numbers_after_end_header(const TextLines& lines, std::string_view missing_message) {
  for (int k = 0; k < lines.count(); ++k)
    if (is_end_header_line(lines.line(k))) return NumberReader{&lines, k + 1, 0};
  fatal(std::string(missing_message) + lines.file_name);
}

float read_number(NumberReader& r) {
  const TextLines& t = *r.lines;
  while (r.line < t.count()) {
    const std::string_view s = t.line(r.line);
    std::size_t a = r.column;
    while (a < s.size() && (is_blank_char(s[a]) || s[a] == ',')) ++a;
    if (a >= s.size()) {
      ++r.line;
      r.column = 0;
      continue;
    }
    std::size_t b = a;
    while (b < s.size() && !is_blank_char(s[b]) && s[b] != ',') ++b;
    float v = 0.0f;
    if (!parse_real_token(s.substr(a, b - a), v))
      fatal("Invalid number \"" + std::string(s.substr(a, std::min<std::size_t>(b - a, 40))) + "\" on line " +
                compact_int(r.line + 1) + " of file:",
            t.file_name);
    r.column = b;
    return v;
  }
  fatal("Unexpected end of data in file:", t.file_name);
}

void next_record(NumberReader& r) {
  ++r.line;
  r.column = 0;
}

TimeSeriesHeader read_time_series_header(const std::string& file_name) {
  const TextLines lines = load_text_lines(file_name);
  bool have_nt = false, have_nd = false;
  TimeSeriesHeader h;
  int k = 0;
  for (;; ++k) {
    if (k >= lines.count()) fatal("  incomplete header section in time series file: " + file_name);
    const std::string_view line = lines.line(k);
    if (is_data_line(line)) break;
    std::string key;
    std::string_view value;
    if (!split_key_line(line, key, value)) continue;
    if (key == "ntimesteps") {
      if (!read_integer_item(value, h.ntimesteps))
        fatal("Value of :NTimeSteps is not an integer in time series file:", file_name);
      have_nt = true;
    } else if (key == "ndatasets") {
      if (!read_integer_item(value, h.ncolumns))
        fatal("Value of :NDataSets is not an integer in time series file:", file_name);
      h.ncolumns -= 1;
      have_nd = true;
    }
  }
  if (!have_nt || !have_nd) fatal("incomplete header section in time series file: " + file_name);
  return h;
}

TimeSeriesColumn read_time_series_column(const std::string& file_name, int column, int ncol, int ntimesteps) {
  const TextLines lines = load_text_lines(file_name);
  NumberReader r = numbers_after_end_header(lines, "End of Header not found in time series file: ");
  // Each record begins on its own line, so a count beyond the remaining lines cannot be met;
  // refusing it here also keeps a corrupt header from asking for an absurd allocation.
  if (ntimesteps < 1) fatal("NTimeSteps must be at least 1 in time series file:", file_name);
  if (ntimesteps > lines.count() - r.line)
    fatal("Fewer data records than NTimeSteps = " + compact_int(ntimesteps) + " in time series file:", file_name);
  if (column < 1 || column > ncol)
    fatal("Column " + compact_int(column) + " requested but the time series file has " + compact_int(ncol) +
              " value columns:",
          file_name);
  TimeSeriesColumn out;
  out.values.resize(static_cast<std::size_t>(ntimesteps));
  float t_first = 0.0f, t_last = 0.0f;
  for (int k = 1; k <= ntimesteps; ++k) {
    const float t = read_number(r);
    if (k == 1) t_first = t;
    t_last = t;
    for (int c = 1; c <= ncol; ++c) {
      const float v = read_number(r);
      if (c == column) out.values[static_cast<std::size_t>(k - 1)] = v;
    }
    next_record(r);
  }
  out.t0 = t_first;
  out.dt = (t_last - t_first) / static_cast<float>(ntimesteps);
  return out;
}

namespace {

struct SeriesLayout {
  const Field& data;
  int ntimesteps;
  float dt, t0;
  const AnalysisParameters& params;
  std::span<const std::string> descriptions, units;
  std::string_view writer_name;
  float version;
};

// Lines 1 to the "#" after the data units.
void put_head(std::string& out, const SeriesLayout& s) {
  const int n = static_cast<int>(s.descriptions.size());
  put_line(out, "# SWELLIX Type 2 Time Series File");
  std::string writer = std::string(trim_right(s.writer_name)) + " Version " + compact_real(s.version);
  writer.resize(std::max(writer.size(), kFieldWidth), ' ');
  put_line(out, ":WrittenBy       " + writer);
  put_line(out, ":CreationDate    " + date_time_text());
  put_line(out, "#");
  put_padded(out, ":NDataSets              " + compact_int(n + 1));
  put_padded(out, ":DataDescription(1)     Time");
  put_padded(out, ":DataUnits(1)           seconds");
  for (int m = 1; m <= n; ++m) {
    const std::string idx = compact_int(m + 1);
    put_padded(out, ":DataDescription(" + idx + ")     " +
                        std::string(trim_right(s.descriptions[static_cast<std::size_t>(m - 1)])));
    put_padded(
        out, ":DataUnits(" + idx + ")           " + std::string(trim_right(s.units[static_cast<std::size_t>(m - 1)])));
  }
  put_line(out, "#");
}

void put_position(std::string& out, std::string_view key, int m, float v) {
  put_padded(out, std::string(key) + compact_int(m) + ")             " + compact_real(v) + " # meters");
}

// The analysis parameters, the step count, :EndHeader and the data lines.
void put_tail_and_data(std::string& out, const SeriesLayout& s) {
  put_line(out, "#");
  for (int p = 0; p < s.params.count(); ++p)
    put_padded(out, ":" + s.params.names[static_cast<std::size_t>(p)] + std::string(15, ' ') +
                        std::string(trim_right(s.params.values[static_cast<std::size_t>(p)])) + " # ");
  put_line(out, "#");
  put_line(out, ":NTimeSteps             " + compact_int(s.ntimesteps));
  put_line(out, "#");
  put_line(out, ":EndHeader");
  const int n = static_cast<int>(s.descriptions.size());
  out.reserve(out.size() + static_cast<std::size_t>(s.ntimesteps) * (16 * static_cast<std::size_t>(n + 1) + 1));
  for (int k = 1; k <= s.ntimesteps; ++k) {
    append_g15_field(out, s.t0 + static_cast<float>(k - 1) * s.dt);
    for (int m = 1; m <= n; ++m) append_g15_field(out, s.data(k, m));
    out += '\n';
  }
}

void write_whole_file(const std::string& file_name, const std::string& text) {
  errno = 0;
  std::ofstream f(file_name, std::ios::binary | std::ios::trunc);
  if (!f) fatal("Unable to create output file: ", file_name, file_failure_reason(file_name, errno));
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (f) f.close();
  if (!f) fatal("Unable to write output file: ", file_name, file_failure_reason(file_name, errno));
}

}  // namespace

void write_probe_time_series(const std::string& file_name, const Field& data, int ntimesteps, float dt, float t0,
                             std::span<const float> x, std::span<const float> y, std::span<const float> z,
                             std::span<const std::string> ids, const AnalysisParameters& params,
                             std::span<const std::string> descriptions, std::span<const std::string> units,
                             std::string_view writer_name, float version) {
  const SeriesLayout s{data, ntimesteps, dt, t0, params, descriptions, units, writer_name, version};
  const int n = static_cast<int>(descriptions.size());
  std::string out;
  put_head(out, s);
  for (int m = 1; m <= n; ++m)
    put_padded(out, ":Probe_ID(" + compact_int(m) + ")            " +
                        std::string(trim_right(ids[static_cast<std::size_t>(m - 1)])));
  put_line(out, "#");
  for (int m = 1; m <= n; ++m) {
    const std::size_t q = static_cast<std::size_t>(m - 1);
    put_position(out, ":x_probe(", m, x[q]);
    put_position(out, ":y_probe(", m, y[q]);
    if (trim_right(descriptions[q]) != "Surface Elevation") put_position(out, ":z_probe(", m, z[q]);
  }
  put_tail_and_data(out, s);
  write_whole_file(file_name, out);
}

void write_gauge_time_series(const std::string& file_name, const Field& data, int ntimesteps, float dt, float t0,
                             std::span<const float> x1, std::span<const float> y1, std::span<const float> x2,
                             std::span<const float> y2, const AnalysisParameters& params,
                             std::span<const std::string> descriptions, std::span<const std::string> units,
                             std::string_view writer_name, float version) {
  const SeriesLayout s{data, ntimesteps, dt, t0, params, descriptions, units, writer_name, version};
  const int n = static_cast<int>(descriptions.size());
  std::string out;
  put_head(out, s);
  for (int m = 1; m <= n; ++m) {
    const std::size_t q = static_cast<std::size_t>(m - 1);
    put_position(out, ":x1_probe(", m, x1[q]);
    put_position(out, ":y1_probe(", m, y1[q]);
    put_position(out, ":x2_probe(", m, x2[q]);
    put_position(out, ":y2_probe(", m, y2[q]);
  }
  put_tail_and_data(out, s);
  write_whole_file(file_name, out);
}

}  // namespace swx
