#include "io/grid_file.hpp"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

// A fresh directory per test, removed when the test ends.
class GridFileTest : public ::testing::Test, protected test::ScratchDir {};

using test::fatal_from;

// The header's fields in one comparable value.
auto fields(const GridHeader& g) {
  return std::tuple(g.delta_x, g.delta_y, g.x_origin, g.y_origin, g.grid_orientation, g.n_arrays, g.ngrid_x, g.ngrid_y);
}

const std::string kHeader3x2 =
    ":NGrid_X 3\n:NGrid_Y 2\n:Delta_X 5.0 # meters\n:Delta_Y 2.5\n:X_Origin -10\n:Y_Origin 20\n:N_Arrays 1\n";

TEST_F(GridFileTest, HeaderKeysAndOrientation) {
  // Keys in any case, comments on key lines, a key without value ignored, the later of two
  // values kept, the header ended by the first data line; an orientation above 180 loses 360.
  const std::string f = write("a.grd",
                              "# SWELLIX Scalar Grid File\n"
                              "\n"
                              ":DELTA_X 4 # first value, replaced below\n"
                              ":ngrid_x\n" +
                                  kHeader3x2 + ":Grid_Orientation 270 # degrees\n:EndHeader\n1 2 3\n4 5 6\n");
  EXPECT_EQ(fields(read_grid_header(f)), fields(GridHeader{5.0f, 2.5f, -10.0f, 20.0f, -90.0f, 1, 3, 2}));

  const std::pair<const char*, float> cases[] = {{"180", 180.0f}, {"-200", -200.0f}, {"180.5", -179.5f}};
  for (const auto& [text, expected] : cases) {
    const std::string h = write("o.grd", kHeader3x2 + ":Grid_Orientation " + text + "\n:EndHeader\n1 2 3 4 5 6\n");
    EXPECT_EQ(read_grid_header(h).grid_orientation, expected) << text;
  }
  const std::string none = write("n.grd", kHeader3x2 + ":EndHeader\n1 2 3 4 5 6\n");
  EXPECT_EQ(read_grid_header(none).grid_orientation, 0.0f);
}

TEST_F(GridFileTest, DataReadersTakeValuesSpreadOverLinesInAnyWay) {
  // An indented, any-case :EndHeader; values on one line with commas, tabs, CR and blank lines.
  std::string f = write("a.grd", kHeader3x2 + "   :endheader  \n1, 2 3\t4\r\n5\n\n6 99\n");
  Field a(4, 3, -1.0f);
  read_scalar_grid(f, a, 3, 2);
  EXPECT_EQ(a.v, (std::vector<float>{1, 2, 3, -1, 4, 5, 6, -1, -1, -1, -1, -1}));  // outside 1..nx, 1..ny untouched

  // The x components of a vector grid end on a line that still holds 77 and 88; those are skipped.
  f = write("v.grd", kHeader3x2 + ":EndHeader\n1 2 3\n4 5 6 77 88\n-1 -2 -3 -4\n-5 -6\n");
  Field ax, ay;
  read_vector_grid(f, ax, ay, 3, 2);
  ASSERT_EQ(ax.ni, 4);  // empty arrays get the model's shape
  EXPECT_EQ(ax(3, 2), 6.0f);
  EXPECT_EQ(ay(1, 1), -1.0f);
  EXPECT_EQ(ay(3, 2), -6.0f);
}

TEST_F(GridFileTest, BrokenFilesEndTheRunNamingTheFile) {
  enum Reader { kHeader, kScalar, kVector };
  struct Case {
    std::string name, text;
    Reader reader;
    std::string line1_before_name, line1_after_name, line2;
  };
  const std::string sizes = ":Delta_X 5\n:Delta_Y 5\n:X_Origin 0\n:Y_Origin 0\n:N_Arrays 1\n";
  const std::string incomplete = "  incomplete header section in grid file: ";
  const Case cases[] = {
      // All keys and :EndHeader, but no data line: the header never ends.
      {"nodata.grd", kHeader3x2 + ":EndHeader\n\n", kHeader, incomplete, "", ""},
      {"nokey.grd", ":NGrid_X 3\n:NGrid_Y 2\n:Delta_X 5\n:Delta_Y 5\n:X_Origin 0\n:N_Arrays 1\n:EndHeader\n1 2 3\n",
       kHeader, incomplete, "", ""},
      // A header without :EndHeader passes the header reader and stops the data reader.
      {"noend.grd", kHeader3x2 + "1 2 3 4 5 6\n", kScalar, "  End of Header not found in grid file: ", "", ""},
      {"abc.grd", kHeader3x2 + ":EndHeader\n1 2 abc 4 5 6\n", kScalar, "invalid number 'abc' in grid file: ", "", ""},
      {"short.grd", kHeader3x2 + ":EndHeader\n1 2 3\n4 5\n", kScalar,
       "too few values in grid file: ", " (expected 6, found 5)", ""},
      // A vector grid needs 12 values; the 7th (on the x line) is skipped, so 6 + 4 are found.
      {"vshort.grd", kHeader3x2 + ":EndHeader\n1 2 3 4 5 6 7\n1 2 3 4\n", kVector,
       "too few values in grid file: ", " (expected 12, found 10)", ""},
      {"hdr.grd", ":NGrid_X ten\n:EndHeader\n1\n", kHeader, "invalid value 'ten' of ngrid_x in grid file: ", "", ""},
      {"zero.grd", ":NGrid_X 0\n:NGrid_Y 2\n" + sizes + ":EndHeader\n1\n", kHeader,
       "invalid grid size in grid file: ", "", "ngrid_x = 0, ngrid_y = 2"},
      // 40 fields of 2000000001 x 1001 floats need 320320000160160 bytes = 305480957 MiB.
      {"huge.grd", ":NGrid_X 2000000000\n:NGrid_Y 1000\n" + sizes + ":EndHeader\n1\n", kHeader,
       "grid too large in grid file: ", "", "ngrid_x = 2000000000, ngrid_y = 1000 needs about 305480957 MiB of memory"},
  };
  Field a, ay;
  const auto read = [&](Reader r, const std::string& f) {
    if (r == kHeader) {
      read_grid_header(f);
    } else if (r == kScalar) {
      read_scalar_grid(f, a, 3, 2);
    } else {
      read_vector_grid(f, a, ay, 3, 2);
    }
  };
  for (const Case& c : cases) {
    const std::string f = write(c.name, c.text);
    const FatalError e = fatal_from([&] { read(c.reader, f); });
    EXPECT_EQ(e.line1, c.line1_before_name + f + c.line1_after_name) << c.name;
    if (!c.line2.empty()) {
      EXPECT_EQ(e.line2, c.line2) << c.name;
    }
    if (c.name == "huge.grd") {
      EXPECT_EQ(e.line3.substr(0, 22), "but this computer has ");
    }
  }
  const std::string missing = path("none.grd");
  for (Reader r : {kHeader, kScalar})
    EXPECT_EQ(fatal_from([&] { read(r, missing); }).line1, "cannot open grid file: " + missing);
}

TEST_F(GridFileTest, ScalarRoundTripAndLayout) {
  const GridHeader h{2.5f, 5.0f, -12.75f, 0.1f, -90.0f, 1, 3, 2};
  Field a(4, 3, 0.0f);
  const float values[6] = {1.5f, -0.25f, 12345.6f, 123456.0f, 0.0015f, 0.0f};
  for (int k = 0; k < 6; ++k) a(k % 3 + 1, k / 3 + 1) = values[k];
  const std::string f = path("hs.grd");
  write_scalar_grid(f, a, h, "Significant Wave Height", "m");

  const std::vector<std::string> lines = test::lines_of(test::read_text(f));
  ASSERT_EQ(lines.size(), 21u);
  const std::vector<std::string> expected = {
      "# SWELLIX Scalar Grid File",
      ":WrittenBy       " + std::string("SWELLIX Version 5") + std::string(256 - 17, ' '),
      lines[2],  // the creation date, checked below
      "#",
      ":N_Arrays              1",
      "#",
      ":DataDescription(1)    Significant Wave Height         ",
      ":DataUnits(1)          m                               ",
      "#",
      "#",
      ":NGrid_X               3",
      ":NGrid_Y               2",
      ":Delta_X               2.5 # meters",
      ":Delta_Y               5 # meters",
      ":X_Origin              -12.75 # meters",
      ":Y_Origin              0.1 # meters",
      ":Grid_Orientation       -90  # degrees",
      "#",
      ":EndHeader",
      "      1.5000        -0.25000          12346.    ",
      "     0.12346E+06     0.15000E-02      0.0000    "};
  EXPECT_EQ(lines, expected);
  ASSERT_EQ(lines[2].size(), 17u + 24u);
  EXPECT_EQ(lines[2].substr(0, 17), ":CreationDate    ");

  // Read back: the same header and the values rounded to 5 significant digits.
  EXPECT_EQ(fields(read_grid_header(f)), fields(h));
  Field b(4, 3, 0.0f);
  read_scalar_grid(f, b, 3, 2);
  const float rounded[6] = {1.5f, -0.25f, 12346.0f, 123460.0f, 0.0015f, 0.0f};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(b(k % 3 + 1, k / 3 + 1), rounded[k]) << k;
}

TEST_F(GridFileTest, LargeVectorFilesRoundTripAcrossBufferBoundaries) {
  // 200 x 200 vector grid: 2 x 200 lines of 3200 characters, about 1.3 MB, so values fall
  // across the reader's 1 MiB chunks.
  const GridHeader h{1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 2, 200, 200};
  Field u(201, 201), v(201, 201);
  for (int j = 1; j <= 200; ++j)
    for (int i = 1; i <= 200; ++i) {
      u(i, j) = static_cast<float>(i) * 1.0e-3f + static_cast<float>(j);
      v(i, j) = -static_cast<float>(i * j) * 3.7f;
    }
  const std::string f = path("big.grd");
  write_vector_grid(f, u, v, h, "Mean Velocity X", "Mean Velocity Y", "m/s", "m/s");
  const std::vector<std::string> lines = test::lines_of(test::read_text(f));
  ASSERT_EQ(lines.size(), 21u + 400u);
  EXPECT_EQ(lines[0], "# SWELLIX Vector Grid File");
  EXPECT_EQ(lines[4], ":N_Arrays              2");
  EXPECT_EQ(lines[8], ":DataDescription(2)    Mean Velocity Y                 ");
  EXPECT_EQ(lines[9], ":DataUnits(2)          m/s                             ");
  EXPECT_EQ(lines[21].size(), 16u * 200u);
  Field ru, rv;
  read_vector_grid(f, ru, rv, 200, 200);
  float expected = 0.0f;
  for (int j = 1; j <= 200; ++j)
    for (int i = 1; i <= 200; ++i) {
      ASSERT_TRUE(read_real_item(g15_field(u(i, j)), expected));
      ASSERT_EQ(ru(i, j), expected) << i << "," << j;
      ASSERT_TRUE(read_real_item(g15_field(v(i, j)), expected));
      ASSERT_EQ(rv(i, j), expected) << i << "," << j;
    }

  // 160,000 values on a single line of about 1.4 MB, after 20,000 comment lines of 60
  // characters (1.2 MB) that put a header line across the first chunk's end.
  std::string text;
  for (int k = 0; k < 20000; ++k) text += "# " + std::string(57, 'c') + "\n";
  text += kHeader3x2;
  text.replace(text.find(":NGrid_X 3"), 10, ":NGrid_X 400");
  text.replace(text.find(":NGrid_Y 2"), 10, ":NGrid_Y 400");
  text += ":EndHeader\n";
  for (int k = 0; k < 160000; ++k) text += std::to_string(k) + ".25 ";
  const std::string line = write("line.grd", text);
  const GridHeader g = read_grid_header(line);
  ASSERT_EQ(g.ngrid_x, 400);
  ASSERT_EQ(g.ngrid_y, 400);
  Field a;
  read_scalar_grid(line, a, 400, 400);
  for (int j = 1; j <= 400; ++j)
    for (int i = 1; i <= 400; ++i)
      ASSERT_EQ(a(i, j), static_cast<float>((j - 1) * 400 + i - 1) + 0.25f) << i << "," << j;
}

}  // namespace
}  // namespace swx
