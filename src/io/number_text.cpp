#include "io/number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/fatal.hpp"

namespace swx {

std::string compact_int(long long n) { return std::to_string(n); }

std::string mebibyte_text(double bytes) { return compact_int(std::llround(bytes / 1048576.0)); }

std::string compact_real(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%24.6f", static_cast<double>(v));
  std::string s(buf);
  if (s.size() > 24) s.assign(24, '*');  // does not fit the field
  std::size_t dot = s.find('.');
  if (dot != std::string::npos) {
    std::size_t end = s.size();
    while (end > dot + 1 && s[end - 1] == '0') --end;
    s.resize(end);
  }
  s = std::string(trim_left(s));
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

std::string fixed_decimal_text(float v, int decimals) {
  if (decimals < 2) decimals = 2;
  if (decimals > 7) decimals = 7;
  const int width = 12 + decimals;
  char buf[80];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, static_cast<double>(v));
  std::string s(buf);
  if (static_cast<int>(s.size()) > width) s.assign(static_cast<std::size_t>(width), '*');
  s = std::string(trim_left(s));
  std::size_t dot = s.find('.');
  if (dot != std::string::npos) {
    std::size_t end = s.size();
    while (end > dot + 2 && s[end - 1] == '0') --end;
    s.resize(end);
  }
  return s;
}

void append_g15_field(std::string& out, float v) {
  // std::to_chars rounds exactly as printf does (to the nearest decimal of the binary value,
  // ties to even) and is several times faster, which matters for large output grids.
  const double x = static_cast<double>(v);
  char field[40];
  if (std::isnan(x) || std::isinf(x)) {
    const char* t = std::isnan(x) ? "NaN" : (x > 0 ? "Infinity" : "-Infinity");
    std::snprintf(field, sizeof field, " %15s", t);
    out += field;
    return;
  }
  if (x == 0.0) {
    out += std::signbit(x) ? "     -0.0000    " : "      0.0000    ";
    return;
  }
  char e[40];  // d.dddde+XX: the magnitude rounded to 5 significant digits
  const char* const e_end = std::to_chars(e, e + sizeof e, std::fabs(x), std::chars_format::scientific, 4).ptr;
  int e10 = 0;
  std::from_chars(e + 7 + (e[7] == '+' ? 1 : 0), e_end, e10);
  if (e10 >= -1 && e10 <= 4) {
    const int decimals = 4 - e10;
    char* p = std::to_chars(field, field + sizeof field, x, std::chars_format::fixed, decimals).ptr;
    if (decimals == 0) *p++ = '.';  // the decimal point is always written
    const std::size_t len = static_cast<std::size_t>(p - field);
    out += ' ';
    if (len < 11) out.append(11 - len, ' ');
    out.append(field, len);
    out.append(4, ' ');
  } else {
    const int ex = e10 + 1;
    const int aex = ex < 0 ? -ex : ex;
    char body[24];
    std::size_t n = 0;
    if (x < 0) body[n++] = '-';
    body[n++] = '0';
    body[n++] = '.';
    body[n++] = e[0];
    for (int k = 2; k <= 5; ++k) body[n++] = e[k];
    if (aex <= 99) body[n++] = 'E';
    body[n++] = ex < 0 ? '-' : '+';
    if (aex > 99) body[n++] = static_cast<char>('0' + aex / 100);
    body[n++] = static_cast<char>('0' + aex / 10 % 10);
    body[n++] = static_cast<char>('0' + aex % 10);
    out += ' ';
    if (n < 15) out.append(15 - n, ' ');
    out.append(body, n);
  }
}

std::string g15_field(float v) {
  std::string s;
  append_g15_field(s, v);
  return s;
}

std::string fixed_field(float v, int width, int decimals) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, static_cast<double>(v));
  std::string s(buf);
  if (static_cast<int>(s.size()) > width) s.assign(static_cast<std::size_t>(width), '*');
  return s;
}

std::string date_time_text() {
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now = std::time(nullptr);
  std::tm tmv{};
  localtime_r(&now, &tmv);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %s %2d %02d:%02d:%02d %04d", days[tmv.tm_wday], months[tmv.tm_mon], tmv.tm_mday,
                tmv.tm_hour, tmv.tm_min, tmv.tm_sec, tmv.tm_year + 1900);
  return std::string(buf);
}

namespace {
std::string_view first_item(std::string_view text) {
  std::size_t k = 0;
  while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
  std::size_t e = k;
  while (e < text.size() && text[e] != ' ' && text[e] != '\t' && text[e] != ',' && text[e] != '\r' && text[e] != '\n')
    ++e;
  return text.substr(k, e - k);
}
}  // namespace

bool parse_integer_token(std::string_view t, int& value) {
  if (t.empty()) return false;
  std::size_t k = 0;
  bool neg = false;
  if (t[0] == '+' || t[0] == '-') {
    neg = t[0] == '-';
    k = 1;
  }
  if (k >= t.size()) return false;
  long long acc = 0;
  for (; k < t.size(); ++k) {
    const char c = t[k];
    if (c < '0' || c > '9') return false;
    acc = acc * 10 + (c - '0');
    if (acc > 2147483648LL) return false;
  }
  if (neg) acc = -acc;
  if (acc > 2147483647LL || acc < -2147483648LL) return false;
  value = static_cast<int>(acc);
  return true;
}

bool parse_real_token(std::string_view t, float& value) {
  if (t.empty() || t.size() > 200) return false;
  char buf[256];
  std::size_t n = 0;
  std::size_t k = 0;
  if (t[0] == '+' || t[0] == '-') {
    if (t[0] == '-') buf[n++] = '-';
    k = 1;
  }
  int digits = 0;
  bool point = false;
  for (; k < t.size(); ++k) {
    const char c = t[k];
    if (c >= '0' && c <= '9') {
      ++digits;
      buf[n++] = c;
    } else if (c == '.' && !point) {
      point = true;
      buf[n++] = c;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (k < t.size()) {
    const char c = t[k];
    if (c != 'e' && c != 'E' && c != 'd' && c != 'D') return false;
    buf[n++] = 'e';
    ++k;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) buf[n++] = t[k++];
    int edigits = 0;
    for (; k < t.size(); ++k) {
      const char d = t[k];
      if (d < '0' || d > '9') return false;
      buf[n++] = d;
      ++edigits;
    }
    if (edigits == 0) return false;
  }
  float x = 0.0f;
  auto res = std::from_chars(buf, buf + n, x, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != buf + n) {
    // Values too small for a float underflow to zero as on input; too large is an error.
    if (res.ec == std::errc::result_out_of_range) {
      double d = std::strtod(std::string(buf, n).c_str(), nullptr);
      if (std::fabs(d) < 1.0) {
        value = d < 0 ? -0.0f : 0.0f;
        return true;
      }
    }
    return false;
  }
  value = x;
  return true;
}

bool read_integer_item(std::string_view text, int& value) { return parse_integer_token(first_item(text), value); }
bool read_real_item(std::string_view text, float& value) { return parse_real_token(first_item(text), value); }

}  // namespace swx
