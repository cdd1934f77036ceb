// Message boxes: width, centring, skipped blank lines, and the fatal path.
#include "core/fatal.hpp"

#include "swx_test_support.hpp"

namespace swx {
namespace {

TEST(MessageBox, WidthCentringAndSkippedBlankLines) {
  // Lines shorter than the 20-character title: W = 26, title padded by 2, "abc" by 10.
  EXPECT_EQ(box_lines(kFatalTitle, "abc", " ", " "),
            (std::vector<std::string>{" ", "       ***  Fatal Error ***    ",
                                      std::string(15, ' ') + "abc" + std::string(13, ' '), " "}));
  EXPECT_EQ(box_lines(kWarningTitle, "x", " ", " ")[1], "       ***  Warning ***    ");  // W = 22
  // A 51-character line: W = 57, title padded by (57 - 20)/2 - 1 = 17.
  const std::string m51(51, 'm');
  const auto wide = box_lines(kFatalTitle, m51, " ", " ");
  EXPECT_EQ(wide[2], std::string(7, ' ') + m51 + "    ");
  EXPECT_EQ(wide[1], std::string(22, ' ') + std::string(kFatalTitle) + std::string(20, ' '));
  const auto skipped = box_lines(kWarningTitle, "first   ", " ", "third");  // blank middle line skipped
  ASSERT_EQ(skipped.size(), 5u);
  EXPECT_NE(skipped[3].find("third"), std::string::npos);
}

TEST(MessageBox, FatalReportAndReporterOrder) {
  std::ostringstream out, console, log;
  FatalError e = test::fatal_from([] { fatal("Parameter duration not found in Simulation Parameter File"); });
  e.before.push_back("            *** fatal error ***");
  report_fatal(out, e);
  EXPECT_EQ(out.str().substr(0, 32), "            *** fatal error ***\n");
  EXPECT_NE(out.str().find("       Parameter duration not found in Simulation Parameter File    \n"),
            std::string::npos);
  const Reporter r{&console, &log};
  r.log_and_console(" Courant Number =    0.50");
  r.warning("Slope exceeds maximum recommended value of 0.5", " at i = 3, j = 4");
  EXPECT_EQ(log.str(), " Courant Number =    0.50\n");  // warnings stay off the log
  EXPECT_NE(console.str().find("***  Warning ***"), std::string::npos);
}

}  // namespace
}  // namespace swx
