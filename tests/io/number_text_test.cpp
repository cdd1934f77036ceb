#include "io/number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace swx {
namespace {

TEST(NumberText, G15FieldExamples) {
  // Fixed form: right-aligned in 11 with 5 significant digits, then 4 blanks, after one blank.
  EXPECT_EQ(g15_field(1.5f), "      1.5000    ");
  EXPECT_EQ(g15_field(-0.25f), "    -0.25000    ");
  EXPECT_EQ(g15_field(12345.6f), "      12346.    ");
  EXPECT_EQ(g15_field(0.0f), "      0.0000    ");
  EXPECT_EQ(g15_field(0.1f), "     0.10000    ");
  // Exponent form outside 0.1 .. 100000 (after rounding to 5 digits).
  EXPECT_EQ(g15_field(123456.0f), "     0.12346E+06");
  EXPECT_EQ(g15_field(0.0015f), "     0.15000E-02");
  EXPECT_EQ(g15_field(-0.0015f), "    -0.15000E-02");
  // 99999.7 rounds to 1.0000E5: exponent form; 0.0999996 rounds to 0.10000: fixed form.
  EXPECT_EQ(g15_field(99999.7f), "     0.10000E+06");
  EXPECT_EQ(g15_field(0.0999996f), "     0.10000    ");
}

TEST(NumberText, G15FieldsAppendAndReadBackTo5Digits) {
  std::string row;
  const float values[] = {1.5f, -0.25f, 12345.6f, 123456.0f, 0.0015f, -7.123456e-12f, 3.3333333e20f};
  for (float v : values) append_g15_field(row, v);
  ASSERT_EQ(row.size(), 16u * std::size(values));
  for (std::size_t k = 0; k < std::size(values); ++k) {
    float back = 0.0f;
    ASSERT_TRUE(read_real_item(std::string_view(row).substr(16 * k, 16), back)) << k;
    const float v = values[k];
    EXPECT_NEAR(back, v, std::fabs(v) * 5e-5f) << k;
  }
}

TEST(NumberText, CompactTexts) {
  EXPECT_EQ(compact_int(0), "0");
  EXPECT_EQ(compact_int(-7), "-7");
  EXPECT_EQ(compact_int(20000), "20000");
  EXPECT_EQ(compact_real(5.0f), "5");
  EXPECT_EQ(compact_real(2.5f), "2.5");
  EXPECT_EQ(compact_real(0.1f), "0.1");
  EXPECT_EQ(compact_real(-12.75f), "-12.75");
  EXPECT_EQ(compact_real(0.0000001f), "0");
  EXPECT_EQ(compact_real(-90.0f), "-90");
}

TEST(NumberText, FixedDecimalTexts) {
  EXPECT_EQ(fixed_decimal_text(85.0f, 4), "85.0");
  EXPECT_EQ(fixed_decimal_text(0.0f, 4), "0.0");
  EXPECT_EQ(fixed_decimal_text(0.25f, 4), "0.25");
  EXPECT_EQ(fixed_decimal_text(1000.0f, 4), "1000.0");
  EXPECT_EQ(fixed_decimal_text(5.0f, 2), "5.0");
  EXPECT_EQ(fixed_decimal_text(-2.5f, 4), "-2.5");
  // 4 decimals round 0.123456 to 0.1235; decimals below 2 count as 2.
  EXPECT_EQ(fixed_decimal_text(0.123456f, 4), "0.1235");
  EXPECT_EQ(fixed_decimal_text(1.257f, 0), "1.26");
  EXPECT_EQ(fixed_decimal_text(10.0f, 3), "10.0");
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
