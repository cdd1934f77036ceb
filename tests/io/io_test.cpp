// Number texts, the grid, time-series and spectrum files, and the zero-crossing analysis.

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/grid_file.hpp"
#include "io/number_text.hpp"
#include "io/spectrum_file.hpp"
#include "io/time_series_file.hpp"
#include "io/zero_crossing.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

using test::fatal_from;
using test::padded;

class Io : public ::testing::Test, protected test::ScratchDir {};

TEST(NumberText, G15FieldExamplesAndReadBack) {
  // Exponent form outside 0.1 .. 100000 after rounding to 5 digits.
  const std::pair<float, const char*> fields[] = {
      {1.5f, "      1.5000    "},       {-0.25f, "    -0.25000    "},         {12345.6f, "      12346.    "},
      {0.0f, "      0.0000    "},       {0.1f, "     0.10000    "},           {123456.0f, "     0.12346E+06"},
      {0.0015f, "     0.15000E-02"},    {-0.0015f, "    -0.15000E-02"},       {99999.7f, "     0.10000E+06"},
      {0.0999996f, "     0.10000    "}, {-7.123456e-12f, "    -0.71235E-11"}, {3.3333333e20f, "     0.33333E+21"}};
  std::string row;
  for (const auto& [v, text] : fields) {
    EXPECT_EQ(g15_field(v), text) << v;
    append_g15_field(row, v);
  }
  ASSERT_EQ(row.size(), 16u * std::size(fields));
  for (std::size_t k = 0; k < std::size(fields); ++k) {
    float back = 0.0f;
    ASSERT_TRUE(read_real_item(std::string_view(row).substr(16 * k, 16), back)) << k;
    EXPECT_NEAR(back, fields[k].first, std::fabs(fields[k].first) * 5e-5f + 1e-6f) << k;
  }
}

TEST(NumberText, CompactFixedAndFreeFormat) {
  EXPECT_EQ(compact_int(-7) + " " + compact_real(2.5f) + " " + compact_real(-12.75f) + " " + compact_real(1e-7f),
            "-7 2.5 -12.75 0");
  // Decimals below 2 count as 2.
  EXPECT_EQ(fixed_decimal_text(85.0f, 4) + " " + fixed_decimal_text(0.123456f, 4) + " " + fixed_decimal_text(1.257f, 0),
            "85.0 0.1235 1.26");
  EXPECT_EQ(fixed_field(0.456f, 7, 2), "   0.46");
  // A failed read leaves the value untouched.
  const std::tuple<const char*, bool, float> items[] = {
      {"+3 cycles", true, 3.0f}, {"-7,8", true, -7.0f},    {"10.5", false, 0.0f},   {"1e3", false, 0.0f},
      {"   ", false, 0.0f},      {"2147483648", false, 0}, {"600 s", true, 600.0f}, {"1.5D2", true, 150.0f},
      {"-2.5E-1", true, -0.25f}, {".5", true, 0.5f},       {"3.,4", true, 3.0f},    {"abc", false, 0.0f},
      {"1e", false, 0.0f},       {"1.2.3", false, 0.0f},   {".", false, 0.0f},      {"1e39", false, 0.0f}};
  for (std::size_t k = 0; k < std::size(items); ++k) {  // the first six as integers, the rest as reals
    const auto& [text, ok, want] = items[k];
    int n = -99;
    float x = -99.0f;
    EXPECT_EQ(k < 6 ? read_integer_item(text, n) : read_real_item(text, x), ok) << text;
    EXPECT_EQ(k < 6 ? static_cast<float>(n) : x, ok ? want : -99.0f) << text;
  }
  float x = -1.0f;
  EXPECT_TRUE(parse_real_token("1e-50", x) && x == 0.0f);  // underflows to zero
}

auto fields(const GridHeader& g) {
  return std::tuple(g.delta_x, g.delta_y, g.x_origin, g.y_origin, g.grid_orientation, g.n_arrays, g.ngrid_x, g.ngrid_y);
}

const std::string kHeader3x2 =
    ":NGrid_X 3\n:NGrid_Y 2\n:Delta_X 5.0 # meters\n:Delta_Y 2.5\n:X_Origin -10\n:Y_Origin 20\n:N_Arrays 1\n";

TEST_F(Io, GridHeaderKeysOrientationAndData) {
  // Any case, comments, a key without value ignored, the later value kept; orientation > 180 loses 360.
  std::string f = write("a.grd", "# c\n\n:DELTA_X 4 # replaced\n:ngrid_x\n" + kHeader3x2 +
                                     ":Grid_Orientation 270 # degrees\n:EndHeader\n1 2 3\n4 5 6\n");
  EXPECT_EQ(fields(read_grid_header(f)), fields(GridHeader{5.0f, 2.5f, -10.0f, 20.0f, -90.0f, 1, 3, 2}));
  const std::pair<std::string, float> orientations[] = {
      {"180", 180.0f}, {"-200", -200.0f}, {"180.5", -179.5f}, {"", 0}};
  for (const auto& [text, want] : orientations) {
    const std::string o = text.empty() ? "" : ":Grid_Orientation " + text + "\n";
    EXPECT_EQ(read_grid_header(write("o.grd", kHeader3x2 + o + ":EndHeader\n1 2 3 4 5 6\n")).grid_orientation, want);
  }
  // Indented any-case :EndHeader; commas, tabs, CR and blank lines; cells outside 1..nx, 1..ny untouched.
  f = write("b.grd", kHeader3x2 + "   :endheader  \n1, 2 3\t4\r\n5\n\n6 99\n");
  Field a(4, 3, -1.0f);
  read_scalar_grid(f, a, 3, 2);
  EXPECT_EQ(a.v, (std::vector<float>{1, 2, 3, -1, 4, 5, 6, -1, -1, -1, -1, -1}));
  // The rest of the line ending the x components (77 88) is skipped.
  f = write("v.grd", kHeader3x2 + ":EndHeader\n1 2 3\n4 5 6 77 88\n-1 -2 -3 -4\n-5 -6\n");
  Field ax, ay;
  read_vector_grid(f, ax, ay, 3, 2);
  ASSERT_EQ(ax.ni, 4);  // empty arrays get the model's shape
  EXPECT_EQ(std::tuple(ax(3, 2), ay(1, 1), ay(3, 2)), std::tuple(6.0f, -1.0f, -6.0f));
}

// text with its 24-character creation date replaced by DATE.
std::string dated(std::string text) {
  const std::size_t at = text.find("\n:CreationDate    ") + 18;
  if (text.find('\n', at) - at == 24) text.replace(at, 24, "DATE");
  return text;
}

TEST_F(Io, ScalarGridLayoutAndRoundTrip) {
  const GridHeader h{2.5f, 5.0f, -12.75f, 0.1f, -90.0f, 1, 3, 2};
  Field a(4, 3, 0.0f), b(4, 3, 0.0f);
  const float values[6] = {1.5f, -0.25f, 12345.6f, 123456.0f, 0.0015f, 0.0f};
  for (int k = 0; k < 6; ++k) a(k % 3 + 1, k / 3 + 1) = values[k];
  const std::string f = path("hs.grd");
  write_scalar_grid(f, a, h, "Significant Wave Height", "m");
  EXPECT_EQ(dated(test::read_text(f)),
            "# SWELLIX Scalar Grid File\n:WrittenBy       SWELLIX Version 5" + std::string(239, ' ') +
                "\n:CreationDate    DATE\n#\n:N_Arrays              1\n#\n"
                ":DataDescription(1)    Significant Wave Height         \n"
                ":DataUnits(1)          m                               \n#\n#\n:NGrid_X               3\n"
                ":NGrid_Y               2\n:Delta_X               2.5 # meters\n:Delta_Y               5 # meters\n"
                ":X_Origin              -12.75 # meters\n:Y_Origin              0.1 # meters\n"
                ":Grid_Orientation       -90  # degrees\n#\n:EndHeader\n"
                "      1.5000        -0.25000          12346.    \n     0.12346E+06     0.15000E-02      0.0000    \n");
  EXPECT_EQ(fields(read_grid_header(f)), fields(h));
  read_scalar_grid(f, b, 3, 2);  // values rounded to 5 significant digits
  const float rounded[6] = {1.5f, -0.25f, 12346.0f, 123460.0f, 0.0015f, 0.0f};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(b(k % 3 + 1, k / 3 + 1), rounded[k]) << k;
}

TEST_F(Io, LargeGridFilesAcrossReadBufferBoundaries) {
  // A 200 x 200 vector grid (about 1.3 MB) spans the reader's 1 MiB chunks; its values are exact in G15.
  Field u(201, 201), v(201, 201), ru, rv;
  for (int j = 1; j <= 200; ++j)
    for (int i = 1; i <= 200; ++i) u(i, j) = i + 200 * j, v(i, j) = -0.5f * (i + j);
  const std::string f = path("big.grd");
  write_vector_grid(f, u, v, GridHeader{1, 1, 0, 0, 0, 2, 200, 200}, "U", "V", "m/s", "m/s");
  const std::vector<std::string> lines = test::lines_of(test::read_text(f));
  ASSERT_EQ(lines.size(), 421u);
  EXPECT_EQ(lines[0] + "|" + lines[9], "# SWELLIX Vector Grid File|:DataUnits(2)          m/s" + std::string(29, ' '));
  read_vector_grid(f, ru, rv, 200, 200);
  EXPECT_TRUE(ru.v == u.v && rv.v == v.v);
  // 160,000 values on one line, after 1.2 MB of comments that put a header line across a chunk end.
  std::string text;
  for (int k = 0; k < 20000; ++k) text += "# " + std::string(57, 'c') + "\n";
  text += ":NGrid_X 400\n:NGrid_Y 400\n:Delta_X 5\n:Delta_Y 5\n:X_Origin 0\n:Y_Origin 0\n:N_Arrays 1\n:EndHeader\n";
  for (int k = 0; k < 160000; ++k) text += std::to_string(k) + ".25 ";
  const std::string line = write("line.grd", text);
  const GridHeader g = read_grid_header(line);
  ASSERT_EQ(std::tie(g.ngrid_x, g.ngrid_y), std::tuple(400, 400));
  Field a;
  read_scalar_grid(line, a, 400, 400);
  for (int j = 1; j <= 400; ++j)
    for (int i = 1; i <= 400; ++i) ASSERT_EQ(a(i, j), (j - 1) * 400 + i - 1 + 0.25f) << i << "," << j;
}

TEST_F(Io, TimeSeriesRead) {
  const std::string f = write("uv.ts",
                              "# test\n:NTimeSteps 4   # steps\n:NDataSets  3\n:EndHeader\n0.0  1.0  10.0\n"
                              "0.5  2.0  20.0 99.0 extra\n1.0  3.0\n     30.0\n\n1.5, 4.0, 40.0\n");
  const TimeSeriesHeader h = read_time_series_header(f);
  EXPECT_EQ(std::tie(h.ntimesteps, h.ncolumns), std::tuple(4, 2));
  const TimeSeriesColumn v = read_time_series_column(f, 2, 2, 4);  // a record may continue on the next line
  EXPECT_EQ(v.values, (std::vector<float>{10.0f, 20.0f, 30.0f, 40.0f}));
  EXPECT_EQ(std::tie(v.t0, v.dt), std::tuple(0.0f, 1.5f / 4.0f));  // span over ntimesteps
  EXPECT_EQ(read_time_series_column(f, 1, 1, 3).values, (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

// Identifier 1 is cut to 232 characters; z is written for data other than surface elevation.
TEST_F(Io, ProbeTimeSeriesLayoutAndReadBack) {
  Field data(5, 2);  // leading dimension 5 > 3 steps
  for (int k = 1; k <= 3; ++k) data(k, 1) = 0.25f * k, data(k, 2) = -1.5f * k;
  const std::string f = path("probe.ts");
  const std::vector<float> x = {10.0f, 20.5f}, y = {5.0f, -2.0f}, z = {-1.0f, -3.25f};
  const std::vector<std::string> ids = {std::string(250, 'q'), "gauge B  "}, desc = {"Surface Elevation", "U Velocity"},
                                 units = {"meters", "m/s"};
  write_probe_time_series(f, data, 3, 0.5f, 100.0f, x, y, z, ids, AnalysisParameters{}, desc, units, "SWELLIX", 5.0f);
  EXPECT_EQ(
      dated(test::read_text(f)),
      padded("# SWELLIX Type 2 Time Series File\n:WrittenBy       SWELLIX Version 5" + std::string(239, ' ') +
             "\n:CreationDate    DATE\n#\n:NDataSets              3~\n:DataDescription(1)     Time~\n"
             ":DataUnits(1)           seconds~\n:DataDescription(2)     Surface Elevation~\n"
             ":DataUnits(2)           meters~\n:DataDescription(3)     U Velocity~\n"
             ":DataUnits(3)           m/s~\n#\n:Probe_ID(1)            " +
             std::string(232, 'q') +
             "~\n:Probe_ID(2)            gauge B~\n#\n:x_probe(1)             10 # meters~\n"
             ":y_probe(1)             5 # meters~\n:x_probe(2)             20.5 # meters~\n"
             ":y_probe(2)             -2 # meters~\n:z_probe(2)             -3.25 # meters~\n"
             "#\n#\n:NTimeSteps             3\n#\n:EndHeader\n      100.00         0.25000         -1.5000    \n"
             "      100.50         0.50000         -3.0000    \n      101.00         0.75000         -4.5000    \n"));
  const TimeSeriesColumn c = read_time_series_column(f, 2, 2, 3);
  EXPECT_EQ(std::tie(c.values, c.t0), std::tuple(std::vector<float>{-1.5f, -3.0f, -4.5f}, 100.0f));
  EXPECT_FLOAT_EQ(c.dt, 1.0f / 3.0f);
}

std::string frequency_file(int n) {
  std::string s = "# spectrum\n:NFrequencies " + std::to_string(n) + "\n:NDataSets 2\n:EndHeader\n";
  for (int k = 0; k < n; ++k) s += std::to_string(0.01 * (k + 1)) + " 1.0\n";
  return s;
}

// A directional spectrum header with every required key but omit.
std::string directional_file(const std::string& omit, int nfreq, int ndir) {
  std::string s =
      "# d\n:Freq_Interval 0.02  # note\n:Dir_Spacing 10\n:Initial_Freq 0.05\n:Min_Wave_Dir 180\n"
      ":NFrequencies " +
      std::to_string(nfreq) + "\n:NDirections " + std::to_string(ndir) + "\n:N_Arrays 1\n";
  if (const std::size_t at = s.find(":" + omit + " "); !omit.empty()) s.erase(at, s.find('\n', at) + 1 - at);
  return s + ":EndHeader\n";
}

TEST_F(Io, FrequencyAndDirectionalSpectra) {
  // 0.05 .. 0.14 (10 records): f1 = 0.05, df = (0.14 - 0.05) / 10; the third value of a line is skipped.
  std::string text = ":nfrequencies 10\n:EndHeader\n";
  for (int k = 0; k < 10; ++k) text += std::to_string(0.05 + 0.01 * k) + "  " + std::to_string(0.5 * k) + "  7.0\n";
  const FrequencySpectrum s = read_frequency_spectrum(write("a.spf", text));
  ASSERT_EQ(s.count(), 10);
  EXPECT_FLOAT_EQ(s.f0, 0.05f);
  EXPECT_FLOAT_EQ(s.df, 0.009f);
  EXPECT_EQ(s.S[9], 4.5f);
  EXPECT_EQ(read_frequency_spectrum(write("b.spf", frequency_file(1201))).count(), 1201);

  // 4 frequencies by 3 directions (180, 190, 200), frequency fastest: S = 10 sum_m E = (3, 20, 6, 1),
  // peak f = 0.07; row 2 peaks in direction 3 -> principal 200; model directions 270 - dir.
  text = directional_file("", 4, 3) + "0.1 0.5 0.2 0.0\n0.1 0.6 0.2 0.1\n0.1 0.9 0.2 0.0\n";
  const DirectionalSpectrum d = read_directional_spectrum(write("a.dws", text), 0.0f);
  ASSERT_EQ(d.spectrum.count(), 4);
  EXPECT_EQ(d.ndir, 3);
  EXPECT_FLOAT_EQ(d.spectrum.S[0], 3.0f);
  EXPECT_FLOAT_EQ(d.spectrum.S[1], 20.0f);
  EXPECT_FLOAT_EQ(d.spectrum.df, 0.02f);
  EXPECT_EQ(d.directions, (std::vector<float>{70.0f, 80.0f, 90.0f}));
  EXPECT_FLOAT_EQ(d.peak_period, 1.0f / 0.07f);
  EXPECT_FLOAT_EQ(d.principal_direction, 200.0f);
  EXPECT_EQ(d.E(2, 3), 0.9f);
  const DirectionalSpectrum r = read_directional_spectrum(write("b.dws", text), 15.0f);  // grid orientation added
  EXPECT_EQ(r.directions, (std::vector<float>{55.0f, 65.0f, 75.0f}));
  EXPECT_FLOAT_EQ(r.principal_direction, 215.0f);

  const std::vector<float> S = {0.0f, 2.0f, 5.0f, 5.0f, 1.0f};  // the first of equal maxima
  EXPECT_EQ(peak_index(S), 2);
  EXPECT_FLOAT_EQ(peak_period(S, 0.1f, 0.05f), 5.0f);
  EXPECT_FLOAT_EQ(peak_period(std::vector<float>{3.0f, 1.0f}, 0.0f, 0.05f), 40.0f);  // 2 / df at f = 0
}

// '@' in an expected line stands for the file's path; line 3 is compared by its start.
TEST_F(Io, BrokenFilesEndTheRunNamingTheFile) {
  enum Reader { kHeader, kScalar, kVector, kSeriesHeader, kSeries, kSeriesLong, kSpectrum, kDirectional };
  struct Case {
    Reader reader;
    const char* name;
    std::string text, line1, line2 = " ", line3 = " ";  // text "": no such file
  };
  const std::string sizes = ":Delta_X 5\n:Delta_Y 5\n:X_Origin 0\n:Y_Origin 0\n:N_Arrays 1\n:EndHeader\n1\n",
                    e3 = kHeader3x2 + ":EndHeader\n", incomplete = "  incomplete header section in grid file: @",
                    no_open = "(the file does not exist or cannot be read)",
                    exceeds = "directional wave spectrum exceeds maximum",
                    nf = "number of frequency components in input";
  std::string no_end = directional_file("", 1, 1);
  no_end.replace(no_end.find(":EndHeader"), 10, "# no end");
  const Case cases[] = {
      {kHeader, "nodata.grd", e3 + "\n", incomplete},
      {kHeader, "nokey.grd",
       ":NGrid_X 3\n:NGrid_Y 2\n:Delta_X 5\n:Delta_Y 5\n:X_Origin 0\n:N_Arrays 1\n:EndHeader\n1\n", incomplete},
      {kScalar, "noend.grd", kHeader3x2 + "1 2 3 4 5 6\n", "  End of Header not found in grid file: @"},
      {kScalar, "abc.grd", e3 + "1 2 abc 4 5 6\n", "invalid number 'abc' in grid file: @"},
      {kScalar, "short.grd", e3 + "1 2 3\n4 5\n", "too few values in grid file: @ (expected 6, found 5)"},
      {kVector, "vshort.grd", e3 + "1 2 3 4 5 6 7\n1 2 3 4\n",
       "too few values in grid file: @ (expected 12, found 10)"},
      {kHeader, "hdr.grd", ":NGrid_X ten\n:EndHeader\n1\n", "invalid value 'ten' of ngrid_x in grid file: @"},
      {kHeader, "zero.grd", ":NGrid_X 0\n:NGrid_Y 2\n" + sizes, "invalid grid size in grid file: @",
       "ngrid_x = 0, ngrid_y = 2", "both must be at least 1"},
      // 40 fields of 2000000001 x 1001 floats.
      {kHeader, "huge.grd", ":NGrid_X 2000000000\n:NGrid_Y 1000\n" + sizes, "grid too large in grid file: @",
       "ngrid_x = 2000000000, ngrid_y = 1000 needs about 305480957 MiB of memory", "but this computer has "},
      {kScalar, "none.grd", "", "cannot open grid file: @", no_open},
      {kHeader, "none.grd", "", "cannot open grid file: @", no_open},
      {kSeriesHeader, "a.ts", "# only\n:NTimeSteps 3\n", "  incomplete header section in time series file: @"},
      {kSeriesHeader, "b.ts", ":NTimeSteps 3\n:EndHeader\n1 2\n", "incomplete header section in time series file: @"},
      {kSeries, "c.ts", ":NTimeSteps 1\n1 2\n", "End of Header not found in time series file: @"},
      {kSeriesHeader, "missing.ts", "", "Unable to open input file: ", "@"},
      {kSeries, "d.ts", ":EndHeader\n0.0 1.0\n0.5 x1.0\n", "Invalid number \"x1.0\" on line 3 of file:", "@"},
      {kSeries, "e.ts", ":EndHeader\n0.0 1.0\n0.5\n", "Unexpected end of data in file:", "@"},
      {kSeriesLong, "e.ts", ":EndHeader\n0.0 1.0\n0.5\n",
       "Fewer data records than NTimeSteps = 2000000000 in time series file:", "@"},
      {kSpectrum, "c.spf", ":NFrequencies 1\n0.1 1.0\n", "End of Header not found in time series file: @"},
      {kSpectrum, "d.spf", frequency_file(1202), nf, "wave spectrum exceeds maximum", "allowable number of 1201"},
      {kDirectional, "a.dws", directional_file("N_Arrays", 1, 1) + "1.0\n", incomplete},
      {kDirectional, "c.dws", no_end + "1.0\n", "  End of Header not found in grid file: @"},
      {kDirectional, "d.dws", directional_file("", 1202, 1) + "1\n", nf, exceeds, "allowable number of 1201"},
      {kDirectional, "e.dws", directional_file("", 1, 362) + "1\n", "number of wave directions in input", exceeds,
       "allowable number of 361"},
  };
  Field a, b;
  for (const Case& c : cases) {
    const std::string f = c.text.empty() ? path(c.name) : write(c.name, c.text);
    const auto named = [&](std::string s) { return s.find('@') == s.npos ? s : s.replace(s.find('@'), 1, f); };
    const FatalError e = fatal_from([&] {
      if (c.reader == kHeader) read_grid_header(f);
      if (c.reader == kScalar) read_scalar_grid(f, a, 3, 2);
      if (c.reader == kVector) read_vector_grid(f, a, b, 3, 2);
      if (c.reader == kSeriesHeader) read_time_series_header(f);
      if (c.reader == kSeries || c.reader == kSeriesLong)
        read_time_series_column(f, 1, 1, c.reader == kSeries ? 2 : 2000000000);
      if (c.reader == kSpectrum) read_frequency_spectrum(f);
      if (c.reader == kDirectional) read_directional_spectrum(f, 0.0f);
    });
    EXPECT_EQ(std::tuple(e.line1, e.line2, e.line3.substr(0, c.line3.size())),
              std::tuple(named(c.line1), named(c.line2), c.line3))
        << c.name;
  }
}

TEST(ZeroCrossing, SineRipplesAndTooFewCrossings) {
  // 0.5 sin(2 pi k / 20 - 0.1), dt = 0.4: 9 waves of period 8; samples k = 5, 15 give the height cos(0.1).
  std::ostringstream console;
  const Reporter rep{&console, nullptr};
  std::vector<float> x(200);
  for (int k = 0; k < 200; ++k) x[k] = 0.5f * std::sin(2.0f * kPiRounded * k / 20.0f - 0.1f);
  ZeroCrossingResult r = zero_crossing(x, 0.4f, rep);
  EXPECT_NEAR(r.period, 8.0f, 1e-4f);
  EXPECT_NEAR(r.height, std::cos(0.1f), 1e-5f);
  // A ripple of 0.002 near the zero crossings of sin^3 (below 1 % of sigma) merges into the long wave.
  x.assign(4000, 0.0f);
  int raw = 0;
  for (int k = 0; k < 4000; ++k) {
    const float s = std::sin(2.0f * kPiRounded * k / 400.0f - 0.01f);
    x[k] = s * s * s + 0.002f * std::sin(2.0f * kPiRounded * k / 3.0f);
    raw += k > 0 && x[k - 1] < 0.0f && x[k] > 0.0f;
  }
  ASSERT_GT(raw, 30);
  r = zero_crossing(x, 0.1f, rep);
  EXPECT_NEAR(r.period, 40.0f, 0.1f);
  EXPECT_NEAR(r.height, 2.0f, 0.01f);
  EXPECT_EQ(console.str(), "");
  // No up-crossing (touching zero is none) ends the run; one warns and gives T = n dt, H = 0.
  const std::vector<float> touching = {0.1f, 0.5f, 0.0f, 0.3f};
  EXPECT_EQ(test::fatal_from([&] { zero_crossing(touching, 0.5f, rep); }).line1,
            "Zero cycles detected in zero-crossing analysis");
  r = zero_crossing(std::vector<float>{-1.0f, -0.5f, 0.5f, 1.0f, 0.8f, 0.2f}, 0.25f, rep);
  EXPECT_EQ(std::tie(r.period, r.height), std::tuple(1.5f, 0.0f));
  EXPECT_EQ(console.str(), " *** warning - zero cycles detected in zero-crossing analysis\n");
}

}  // namespace
}  // namespace swx
