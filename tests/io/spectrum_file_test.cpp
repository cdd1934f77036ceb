#include "io/spectrum_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/fatal.hpp"
#include "swx_test_support.hpp"

namespace swx {
namespace {

using test::fatal_from;
using test::ScratchDir;

std::string frequency_file(int nfreq, int records) {
  std::string s = "# spectrum\n:NFrequencies " + std::to_string(nfreq) + "\n:NDataSets 2\n:EndHeader\n";
  for (int k = 0; k < records; ++k) s += std::to_string(0.01 * (k + 1)) + " 1.0\n";
  return s;
}

TEST(FrequencySpectrumFile, FirstFrequencyAndStepOverCount) {
  ScratchDir dir;
  // 0.05, 0.06, ..., 0.14 (10 records): f1 = 0.05, df = (0.14 - 0.05) / 10 = 0.009.
  std::string text = ":nfrequencies 10\n:EndHeader\n";
  for (int k = 0; k < 10; ++k)
    text += std::to_string(0.05 + 0.01 * k) + "  " + std::to_string(k == 4 ? 3.0 : 0.5 * k) + "  7.0\n";
  const FrequencySpectrum s = read_frequency_spectrum(dir.write("a.spf", text));
  ASSERT_EQ(s.count(), 10);
  EXPECT_FLOAT_EQ(s.f0, 0.05f);
  EXPECT_FLOAT_EQ(s.df, 0.009f);
  EXPECT_EQ(s.S[4], 3.0f);
  EXPECT_EQ(s.S[9], 4.5f);  // the third value of each line is skipped

  EXPECT_EQ(read_frequency_spectrum(dir.write("b.spf", frequency_file(1201, 1201))).count(), 1201);
  const FatalError e = fatal_from([&] { read_frequency_spectrum(dir.write("c.spf", frequency_file(1202, 1202))); });
  EXPECT_EQ(e.line1, "number of frequency components in input");
  EXPECT_EQ(e.line2, "wave spectrum exceeds maximum");
  EXPECT_EQ(e.line3, "allowable number of 1201");
}

TEST(FrequencySpectrumFile, HeaderMessages) {
  ScratchDir dir;
  std::string f = dir.write("a.spf", ":NDataSets 2\n:EndHeader\n0.1 1.0\n");
  FatalError e = fatal_from([&] { read_frequency_spectrum(f); });
  EXPECT_EQ(e.line1, "incomplete header section in time series file: " + f);
  f = dir.write("b.spf", ":NFrequencies 1\n");
  e = fatal_from([&] { read_frequency_spectrum(f); });
  EXPECT_EQ(e.line1, "incomplete header section in time series file: " + f);
  f = dir.write("c.spf", ":NFrequencies 1\n0.1 1.0\n");
  e = fatal_from([&] { read_frequency_spectrum(f); });
  EXPECT_EQ(e.line1, "End of Header not found in time series file: " + f);
}

std::string directional_file(const std::string& omit, int nfreq, int ndir) {
  std::string s = "# directional spectrum\n";
  const std::vector<std::pair<std::string, std::string>> keys = {{"Freq_Interval", "0.02"},
                                                                 {"Dir_Spacing", "10"},
                                                                 {"Initial_Freq", "0.05"},
                                                                 {"Min_Wave_Dir", "180"},
                                                                 {"NFrequencies", std::to_string(nfreq)},
                                                                 {"NDirections", std::to_string(ndir)},
                                                                 {"N_Arrays", "1"}};
  for (const auto& [k, v] : keys)
    if (k != omit) s += ":" + k + " " + v + "  # note\n";
  s += ":EndHeader\n";
  return s;
}

TEST(DirectionalSpectrumFile, IntegratesDirectionsAndFindsPeakAndPrincipalDirection) {
  ScratchDir dir;
  // 4 frequencies (0.05 + 0.02 (k - 1)) by 3 directions (180, 190, 200 nautical), frequency
  // fastest.  S(k) = 10 sum_m E(k, m): (0.3, 2.0, 0.6, 0.1) * 10, so the peak is k = 2,
  // f = 0.07 and T_p = 1/0.07.  Row k_p = int((0.07 - 0.05) / 0.02 + 1) = 2 has its first
  // largest energy in direction 3 (0.9), so the principal direction is 180 + 2 * 10 = 200 on a
  // grid of orientation 0.  Stored model directions: 270 - 180 = 90 at position 3, 80 at 2,
  // 70 at 1.
  const std::string text = directional_file("", 4, 3) +
                           "0.1 0.5 0.2 0.0\n"
                           "0.1 0.6 0.2 0.1\n"
                           "0.1 0.9 0.2 0.0\n";
  const DirectionalSpectrum d = read_directional_spectrum(dir.write("a.dws", text), 0.0f);
  ASSERT_EQ(d.spectrum.count(), 4);
  EXPECT_EQ(d.ndir, 3);
  EXPECT_FLOAT_EQ(d.spectrum.S[0], 3.0f);
  EXPECT_FLOAT_EQ(d.spectrum.S[1], 20.0f);
  EXPECT_FLOAT_EQ(d.spectrum.f0, 0.05f);
  EXPECT_FLOAT_EQ(d.spectrum.df, 0.02f);
  EXPECT_EQ(d.directions, (std::vector<float>{70.0f, 80.0f, 90.0f}));
  EXPECT_FLOAT_EQ(d.peak_period, 1.0f / 0.07f);
  EXPECT_FLOAT_EQ(d.principal_direction, 200.0f);
  EXPECT_EQ(d.E(2, 3), 0.9f);

  // The grid orientation is added to the file's directions before both uses.
  const DirectionalSpectrum r = read_directional_spectrum(dir.write("b.dws", text), 15.0f);
  EXPECT_EQ(r.directions, (std::vector<float>{55.0f, 65.0f, 75.0f}));
  EXPECT_FLOAT_EQ(r.principal_direction, 215.0f);
}

TEST(DirectionalSpectrumFile, LimitsAndHeaderMessages) {
  ScratchDir dir;
  std::string f = dir.write("a.dws", directional_file("N_Arrays", 1, 1) + "1.0\n");
  FatalError e = fatal_from([&] { read_directional_spectrum(f, 0.0f); });
  EXPECT_EQ(e.line1, "  incomplete header section in grid file: " + f);
  f = dir.write("b.dws", directional_file("", 1, 1));  // no data line ends the header
  e = fatal_from([&] { read_directional_spectrum(f, 0.0f); });
  EXPECT_EQ(e.line1, "  incomplete header section in grid file: " + f);
  std::string no_end = directional_file("", 1, 1);
  no_end.replace(no_end.find(":EndHeader"), 10, "# no end");
  f = dir.write("c.dws", no_end + "1.0\n");
  e = fatal_from([&] { read_directional_spectrum(f, 0.0f); });
  EXPECT_EQ(e.line1, "  End of Header not found in grid file: " + f);

  e = fatal_from([&] { read_directional_spectrum(dir.write("d.dws", directional_file("", 1202, 1) + "1\n"), 0.0f); });
  EXPECT_EQ(e.line1, "number of frequency components in input");
  EXPECT_EQ(e.line2, "directional wave spectrum exceeds maximum");
  EXPECT_EQ(e.line3, "allowable number of 1201");
  e = fatal_from([&] { read_directional_spectrum(dir.write("e.dws", directional_file("", 1, 362) + "1\n"), 0.0f); });
  EXPECT_EQ(e.line1, "number of wave directions in input");
  EXPECT_EQ(e.line2, "directional wave spectrum exceeds maximum");
  EXPECT_EQ(e.line3, "allowable number of 361");
}

TEST(SpectrumPeak, FirstOfEqualMaximaAndZeroFrequency) {
  const std::vector<float> S = {0.0f, 2.0f, 5.0f, 5.0f, 1.0f};
  EXPECT_EQ(peak_index(S), 2);
  EXPECT_FLOAT_EQ(peak_frequency(S, 0.1f, 0.05f), 0.2f);
  EXPECT_FLOAT_EQ(peak_period(S, 0.1f, 0.05f), 5.0f);
  const std::vector<float> at_zero = {3.0f, 1.0f};
  EXPECT_FLOAT_EQ(peak_period(at_zero, 0.0f, 0.05f), 40.0f);  // 2 / df when the peak is at f = 0
}

}  // namespace
}  // namespace swx
