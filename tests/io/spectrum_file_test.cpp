#include "io/spectrum_file.hpp"

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
}

// A directional spectrum header with every required key but omit.
std::string directional_file(const std::string& omit, int nfreq, int ndir) {
  std::string s =
      "# directional spectrum\n:Freq_Interval 0.02  # note\n:Dir_Spacing 10\n:Initial_Freq 0.05\n"
      ":Min_Wave_Dir 180\n:NFrequencies " +
      std::to_string(nfreq) + "\n:NDirections " + std::to_string(ndir) + "\n:N_Arrays 1\n";
  if (const std::size_t at = s.find(":" + omit + " "); !omit.empty()) s.erase(at, s.find('\n', at) + 1 - at);
  return s + ":EndHeader\n";
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

TEST(SpectrumFiles, LimitsAndHeaderMessages) {
  ScratchDir dir;
  std::string no_end = directional_file("", 1, 1);
  no_end.replace(no_end.find(":EndHeader"), 10, "# no end");
  const std::string exceeds = "directional wave spectrum exceeds maximum";
  struct Case {
    const char* name;  // .dws: a directional file
    std::string text, line1_before_name, line2 = " ", line3 = " ";
  };
  const Case cases[] = {
      {"a.spf", ":NDataSets 2\n:EndHeader\n0.1 1.0\n", "incomplete header section in time series file: "},
      {"b.spf", ":NFrequencies 1\n", "incomplete header section in time series file: "},
      {"c.spf", ":NFrequencies 1\n0.1 1.0\n", "End of Header not found in time series file: "},
      {"d.spf", frequency_file(1202, 1202), "number of frequency components in input", "wave spectrum exceeds maximum",
       "allowable number of 1201"},
      {"a.dws", directional_file("N_Arrays", 1, 1) + "1.0\n", "  incomplete header section in grid file: "},
      {"b.dws", directional_file("", 1, 1), "  incomplete header section in grid file: "},  // no data line
      {"c.dws", no_end + "1.0\n", "  End of Header not found in grid file: "},
      {"d.dws", directional_file("", 1202, 1) + "1\n", "number of frequency components in input", exceeds,
       "allowable number of 1201"},
      {"e.dws", directional_file("", 1, 362) + "1\n", "number of wave directions in input", exceeds,
       "allowable number of 361"},
  };
  for (const Case& c : cases) {
    const std::string f = dir.write(c.name, c.text);
    const bool directional = std::string(c.name).ends_with(".dws");
    const FatalError e = fatal_from([&] {
      if (directional) {
        read_directional_spectrum(f, 0.0f);
      } else {
        read_frequency_spectrum(f);
      }
    });
    // A box with a second line does not name the file.
    EXPECT_EQ(e.line1, c.line2 == " " ? c.line1_before_name + f : c.line1_before_name) << c.name;
    EXPECT_EQ(std::tie(e.line2, e.line3), std::tie(c.line2, c.line3)) << c.name;
  }
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
