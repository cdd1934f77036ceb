// Message boxes: width, centring, margin, skipped blank lines, and the fatal path.
#include "core/fatal.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "swx_test_support.hpp"

namespace swx {
namespace {

TEST(MessageBox, ShortLinesGiveTitleWidthPlusSix) {
  // All message lines shorter than the 20-character title: W = 20 + 6 = 26, title padded
  // with p = (26 - 20)/2 - 1 = 2 blanks each side.
  const auto lines = box_lines(kFatalTitle, "abc", " ", " ");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], " ");
  EXPECT_EQ(lines[1], "       ***  Fatal Error ***    ");
  EXPECT_EQ(lines[1].size(), 5u + 26u);
  // "abc": p = (26 - 3)/2 - 1 = 10 -> 10 blanks, abc, 10 blanks, padded to 26.
  EXPECT_EQ(lines[2], std::string(5, ' ') + std::string(10, ' ') + "abc" + std::string(13, ' '));
  EXPECT_EQ(lines[3], " ");

  const auto w = box_lines(kWarningTitle, "x", " ", " ");
  EXPECT_EQ(w[1], "       ***  Warning ***    ");  // W = 22, two blanks each side of the title
}

TEST(MessageBox, LongestLineHasTwoBlanksEachSide) {
  const std::string line51(51, 'm');
  const auto lines = box_lines(kFatalTitle, line51, " ", " ");
  // W = 57; the 51-character line gets p = (57 - 51)/2 - 1 = 2 blanks each side (55 characters),
  // padded to the 57-character field; the title gets p = (57 - 20)/2 - 1 = 17.
  EXPECT_EQ(lines[2], std::string(5, ' ') + "  " + line51 + "    ");
  EXPECT_EQ(lines[1], std::string(5 + 17, ' ') + std::string(kFatalTitle) + std::string(57 - 17 - 20, ' '));
  EXPECT_EQ(lines[1].size(), 62u);
}

TEST(MessageBox, BlankLinesAreSkippedAndTrailingBlanksIgnored) {
  const auto lines = box_lines(kWarningTitle, "first   ", " ", "third");
  ASSERT_EQ(lines.size(), 5u);  // blank, title, first, third, blank
  EXPECT_NE(lines[2].find("first"), std::string::npos);
  EXPECT_NE(lines[3].find("third"), std::string::npos);
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

}  // namespace
}  // namespace swx
