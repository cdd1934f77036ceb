// Message boxes: width, centring, margin, skipped blank lines, and the fatal path.
#include "core/fatal.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "core/array2d.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

TEST(MessageBox, WidthCentringAndSkippedBlankLines) {
  // All message lines shorter than the 20-character title: W = 20 + 6 = 26, title padded
  // with p = (26 - 20)/2 - 1 = 2 blanks each side; "abc" gets p = (26 - 3)/2 - 1 = 10.
  const auto lines = box_lines(kFatalTitle, "abc", " ", " ");
  const std::vector<std::string> want = {" ", "       ***  Fatal Error ***    ",
                                         std::string(15, ' ') + "abc" + std::string(13, ' '), " "};
  EXPECT_EQ(lines, want);
  EXPECT_EQ(box_lines(kWarningTitle, "x", " ", " ")[1], "       ***  Warning ***    ");  // W = 22

  // A 51-character line: W = 57, two blanks each side of it, p = (57 - 20)/2 - 1 = 17 for the title.
  const std::string line51(51, 'm');
  const auto wide = box_lines(kFatalTitle, line51, " ", " ");
  EXPECT_EQ(wide[2], std::string(5, ' ') + "  " + line51 + "    ");
  EXPECT_EQ(wide[1], std::string(5 + 17, ' ') + std::string(kFatalTitle) + std::string(57 - 17 - 20, ' '));

  // A blank middle line is skipped; trailing blanks do not count.
  const auto skipped = box_lines(kWarningTitle, "first   ", " ", "third");
  ASSERT_EQ(skipped.size(), 5u);
  EXPECT_NE(skipped[3].find("third"), std::string::npos);
}

TEST(MessageBox, FatalErrorCarriesItsLinesToTheConsole) {
  std::ostringstream out;
  FatalError e = test::fatal_from([] { fatal("Parameter duration not found in Simulation Parameter File"); });
  e.before.push_back("            *** fatal error ***");
  report_fatal(out, e);
  const std::string s = out.str();
  EXPECT_EQ(s.substr(0, 32), "            *** fatal error ***\n");
  EXPECT_NE(s.find("       Parameter duration not found in Simulation Parameter File    \n"), std::string::npos);
}

TEST(Reporter, LogLinesPrecedeConsoleAndWarningsStayOffTheLog) {
  std::ostringstream console, log;
  Reporter r{&console, &log};
  r.log_and_console(" Courant Number =    0.50");
  r.warning("Slope exceeds maximum recommended value of 0.5", " at i = 3, j = 4");
  EXPECT_EQ(log.str(), " Courant Number =    0.50\n");
  EXPECT_NE(console.str().find("***  Warning ***"), std::string::npos);
}

TEST(Array2D, ColumnMajorOneBased) {
  // Element (i, j) sits at (i - 1) + (j - 1) * ni, the order of every file and dataset written.
  Field a(4, 3, 0.0f);
  a(2, 3) = 7.0f;
  EXPECT_EQ(a.v[1 + 2 * 4], 7.0f);
  EXPECT_EQ(a.col(3)[1], 7.0f);
}

}  // namespace
}  // namespace swx
