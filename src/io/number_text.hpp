#pragma once
// Texts of numbers used in headers, messages and data lines, and the free-format number reader
// used for parameter values and data files.  All formats of the program's text files meet here.
#include <string>
#include <string_view>

namespace swx {

// Decimal digits with a leading '-' when negative, no blanks: 42, -7.
std::string compact_int(long long n);

// A memory size in whole MiB, rounded to the nearest, as the memory messages give it: 3 << 20 -> "3".
std::string mebibyte_text(double bytes);

// Fixed notation with 6 decimals, trailing zeros, leading blanks and a trailing point removed:
// 5.0 -> "5", 2.5 -> "2.5", -12.75 -> "-12.75", 0.0000001 -> "0".
std::string compact_real(float v);

// Message text of a real with d decimals (d clamped to 2..7): trailing zeros removed but the
// first digit after the point kept: 85 -> "85.0", 0.25 -> "0.25", 1000 -> "1000.0".
std::string fixed_decimal_text(float v, int decimals);

// One 16-character data field: a blank and the value in a 15-character general format with
// 5 significant digits: 1.5 -> "      1.5000    ", 123456.0 -> "     0.12346E+06".
std::string g15_field(float v);
// Appends g15_field(v) to out without a temporary string (hot output paths).
void append_g15_field(std::string& out, float v);

// Fixed-point field of the given width and decimals, right-aligned (Fortran Fw.d): used for
// " Courant Number = " (width 7, 2 decimals).
std::string fixed_field(float v, int width, int decimals);

// Current local date and time as 24 characters: "Mon Jan  6 09:05:03 2025".
std::string date_time_text();

// Free-format reading of one item, as a list-directed read does it: the first item of the text
// (items separated by blanks or commas) is converted and the rest ignored.  Integers are
// optionally signed digits (a decimal point is not an integer); reals accept a sign, digits with
// or without a point and an exponent introduced by E or D.  Returns false when the first item
// does not convert (a blank text never does).
bool read_integer_item(std::string_view text, int& value);
bool read_real_item(std::string_view text, float& value);

// Conversion of one whole token (no separators inside) with the same rules.
bool parse_integer_token(std::string_view token, int& value);
bool parse_real_token(std::string_view token, float& value);

}  // namespace swx
