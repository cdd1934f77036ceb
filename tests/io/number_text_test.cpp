#include "io/number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

namespace swx {
namespace {

TEST(NumberText, G15FieldExamplesAndReadBack) {
  // Fixed form: one blank, right-aligned in 11 with 5 significant digits, then 4 blanks.
  // Exponent form outside 0.1 .. 100000 after rounding to 5 digits: 99999.7 rounds to 1.0000E5
  // (exponent form), 0.0999996 to 0.10000 (fixed form).
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

TEST(NumberText, CompactAndFixedDecimalTexts) {
  EXPECT_EQ(compact_int(-7), "-7");
  EXPECT_EQ(compact_int(20000), "20000");
  const std::pair<float, const char*> compact[] = {
      {5.0f, "5"}, {2.5f, "2.5"}, {0.1f, "0.1"}, {-12.75f, "-12.75"}, {0.0000001f, "0"}};
  for (const auto& [v, text] : compact) EXPECT_EQ(compact_real(v), text) << v;
  // Value, decimals, text: 4 decimals round 0.123456 to 0.1235; decimals below 2 count as 2.
  const std::tuple<float, int, const char*> fixed[] = {
      {85.0f, 4, "85.0"}, {0.0f, 4, "0.0"},         {0.25f, 4, "0.25"}, {1000.0f, 4, "1000.0"},
      {5.0f, 2, "5.0"},   {0.123456f, 4, "0.1235"}, {1.257f, 0, "1.26"}};
  for (const auto& [v, d, text] : fixed) EXPECT_EQ(fixed_decimal_text(v, d), text) << v;
  EXPECT_EQ(fixed_field(0.456f, 7, 2), "   0.46");
}

TEST(NumberText, FreeFormatItems) {
  // Text, whether it reads, and the value it gives; a failed read leaves the value untouched.
  const std::tuple<const char*, bool, int> integers[] = {
      {"  42", true, 42}, {"+3 cycles", true, 3}, {"-7,8", true, -7}, {"10.5", false, 0},
      {"1e3", false, 0},  {"", false, 0},         {"   ", false, 0},  {"2147483648", false, 0}};
  for (const auto& [text, ok, want] : integers) {
    int n = -99;
    EXPECT_EQ(read_integer_item(text, n), ok) << text;
    EXPECT_EQ(n, ok ? want : -99) << text;
  }
  const std::tuple<const char*, bool, float> reals[] = {
      {"600 s", true, 600.0f}, {"1.5D2", true, 150.0f}, {"-2.5E-1", true, -0.25f},
      {".5", true, 0.5f},      {"7", true, 7.0f},       {"3.,4", true, 3.0f},
      {"abc", false, 0.0f},    {"1e", false, 0.0f},     {"1.2.3", false, 0.0f},
      {".", false, 0.0f},      {"", false, 0.0f},       {"1e39", false, 0.0f},  // beyond the range of a 32-bit real
  };
  for (const auto& [text, ok, want] : reals) {
    float x = -99.0f;
    EXPECT_EQ(read_real_item(text, x), ok) << text;
    EXPECT_EQ(x, ok ? want : -99.0f) << text;
  }
  float x = -1.0f;
  EXPECT_TRUE(parse_real_token("1e-50", x));  // too small underflows to zero
  EXPECT_EQ(x, 0.0f);
}

}  // namespace
}  // namespace swx
