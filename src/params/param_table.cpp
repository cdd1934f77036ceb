#include "params/param_table.hpp"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

namespace {

constexpr std::size_t kLineLength = 256;  // characters kept of a typed or file line
constexpr std::string_view kFilePrompt = "name of simulation parameter file [.par]";

// The keyword as it is compared and shown in messages: lower case, no trailing blanks.
std::string key_text(std::string_view key) { return to_lower(trim_right(key)); }

bool is_blank(std::string_view s) { return trim_left(s).empty(); }

// ".par" rules: no point -> ".par" appended; a point as the last character -> "par" appended;
// any other point (also one in a directory part) -> the name is used unchanged.
std::string with_extension(std::string_view name) {
  std::string s(trim_right(name));
  const std::size_t dot = s.find('.');
  if (dot == std::string::npos)
    s += ".par";
  else if (dot + 1 == s.size())
    s += "par";
  return s;
}

// A parameter file exists when the name is an existing file (a directory does not count).
bool file_exists(const std::string& name) {
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  return !ec && std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

// Clamps the block to the table so that a block given too wide never reads past the end.
Block scope_of(const ParamTable& t, Block b) {
  if (b.first < 1) b.first = 1;
  if (b.last > t.size()) b.last = t.size();
  return b;
}

[[noreturn]] void not_found(const std::string& key) {
  fatal("Parameter " + key + " not found in Simulation Parameter File");
}
[[noreturn]] void invalid_value(const std::string& key) { fatal("Invalid parameter value for " + key); }
[[noreturn]] void out_of_range(const std::string& key, const std::string& lo, const std::string& hi) {
  fatal("Value of parameter: " + key + " has to be", "between " + lo + " and " + hi);
}

// Last matching entry of the scope, or 0 when none matches.
int last_match(const ParamTable& t, const std::string& key, Block b) {
  b = scope_of(t, b);
  int found = 0;
  for (int n = b.first; n <= b.last; ++n)
    if (t.keys[static_cast<std::size_t>(n - 1)] == key) found = n;
  return found;
}

const std::string& value_of(const ParamTable& t, int n) { return t.values[static_cast<std::size_t>(n - 1)]; }

// Walks every matching entry of the scope in order: each must parse (and lie in range when a
// range is given); the last one wins.  Returns false when no entry matched.
bool scan_integer(const ParamTable& t, const std::string& key, Block b, const int* lo, const int* hi, int& out) {
  b = scope_of(t, b);
  bool found = false;
  for (int n = b.first; n <= b.last; ++n) {
    if (t.keys[static_cast<std::size_t>(n - 1)] != key) continue;
    int v = 0;
    if (!read_integer_item(value_of(t, n), v)) invalid_value(key);
    if (lo && hi && (v < *lo || v > *hi)) out_of_range(key, compact_int(*lo), compact_int(*hi));
    out = v;
    found = true;
  }
  return found;
}

bool scan_real(const ParamTable& t, const std::string& key, Block b, const float* lo, const float* hi, float& out) {
  b = scope_of(t, b);
  bool found = false;
  for (int n = b.first; n <= b.last; ++n) {
    if (t.keys[static_cast<std::size_t>(n - 1)] != key) continue;
    float v = 0.0f;
    if (!read_real_item(value_of(t, n), v)) invalid_value(key);
    if (lo && hi && !(v >= *lo && v <= *hi)) out_of_range(key, fixed_decimal_text(*lo, 4), fixed_decimal_text(*hi, 4));
    out = v;
    found = true;
  }
  return found;
}

Block whole(const ParamTable& t) { return Block{1, t.size()}; }

// Index of a node from its local coordinate, as the integer part of (coord / spacing + 1.5)
// computed in single precision; values beyond the integer range are clamped (they lie outside
// any grid anyway) so that the conversion is always defined.
int node_index(float q) {
  if (std::isnan(q)) return std::numeric_limits<int>::min();
  if (q >= 2147483520.0f) return std::numeric_limits<int>::max();
  if (q <= -2147483520.0f) return std::numeric_limits<int>::min();
  return static_cast<int>(q);
}

}  // namespace

std::string prompt_for_text(std::string_view prompt, std::istream& in, std::ostream& out) {
  const std::string line = " Enter " + std::string(prompt) + " : " + '\a';
  for (;;) {
    if (line.size() < 58) {
      out << line << std::flush;
    } else {
      out << line << '\n' << "> " << std::flush;
    }
    std::string answer;
    if (!std::getline(in, answer)) {
      // Nobody is there to answer (input closed or redirected from an exhausted file):
      // asking again would never end, so the run stops here.
      out << '\n';
      fatal("End of input reached while asking for the", std::string(prompt));
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    if (answer.size() > kLineLength) answer.resize(kLineLength);
    for (char& c : answer)
      if (c == '\t') c = ' ';
    if (!is_blank(answer)) {
      // Blanks typed around a name are not part of it.
      return std::string(trim_right(trim_left(answer)));
    }
    out << '\n' << "  *** Invalid Entry - Please Reenter  ***" << '\n' << '\n';
  }
}

std::string get_parameter_file_name(int argc, char** argv, std::istream& in, std::ostream& out) {
  std::string name;
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) {
    out << "Parameter file name not found in command line" << '\n';
    name = prompt_for_text(kFilePrompt, in, out);
  } else {
    const std::string_view arg(argv[1]);
    if (arg.size() > kLineLength)
      name = prompt_for_text(kFilePrompt, in, out);  // the argument does not fit the name's field
    else
      name = std::string(arg);
  }
  name = with_extension(name);
  while (!file_exists(name)) {
    out << " *** file does not exist:" << name << '\n' << '\n';
    name = with_extension(prompt_for_text(kFilePrompt, in, out));
  }
  return name;
}

ParamTable load_parameter_table(const std::string& file_name) {
  if (const std::string why = not_a_readable_file(file_name); !why.empty())
    fatal("Cannot open simulation parameter file:", file_name, why);
  std::ifstream f(file_name, std::ios::binary);
  if (!f) fatal("Cannot open simulation parameter file:", file_name);
  const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) fatal("Cannot read simulation parameter file:", file_name);
  if (text.find('\0') != std::string::npos)
    fatal("Simulation parameter file: " + file_name, "is not a text parameter file");

  // The table grows with the file: there is no fixed capacity.
  ParamTable t;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // files written with CR LF line ends
    if (line.size() > kLineLength) line.resize(kLineLength);    // characters beyond 256 are lost
    if (is_blank(line)) continue;

    const std::size_t hash = line.find('#');
    if (hash == 0) continue;
    if (hash != std::string::npos) line.resize(hash);

    for (char& c : line)
      if (c == '\t') c = ' ';
    const std::string_view rest_of_line = trim_left(line);

    const std::size_t colon = rest_of_line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view after = trim_left(rest_of_line.substr(colon + 1));

    const std::size_t blank = after.find(' ');
    const std::string_view key = blank == std::string_view::npos ? after : after.substr(0, blank);
    const std::string_view value =
        blank == std::string_view::npos ? std::string_view{} : trim_right(trim_left(after.substr(blank)));
    t.keys.push_back(to_lower(key));
    t.values.push_back(to_lower(value));
  }
  return t;
}

bool has_key(const ParamTable& t, std::string_view key) { return last_match(t, key_text(key), whole(t)) > 0; }

bool has_key_in_block(const ParamTable& t, std::string_view key, Block b) {
  return last_match(t, key_text(key), b) > 0;
}

std::string get_text(const ParamTable& t, std::string_view key) { return get_text_in_block(t, key, whole(t)); }

std::string get_text_in_block(const ParamTable& t, std::string_view key, Block b) {
  const std::string k = key_text(key);
  const int n = last_match(t, k, b);
  if (n == 0) not_found(k);
  return value_of(t, n);
}

std::string get_lower_text(const ParamTable& t, std::string_view key) { return to_lower(get_text(t, key)); }

std::string get_lower_text_in_block(const ParamTable& t, std::string_view key, Block b) {
  return to_lower(get_text_in_block(t, key, b));
}

int get_integer_in_range(const ParamTable& t, std::string_view key, int lo, int hi) {
  return get_integer_in_block_in_range(t, key, whole(t), lo, hi);
}

int get_integer_in_block(const ParamTable& t, std::string_view key, Block b) {
  const std::string k = key_text(key);
  int v = 0;
  if (!scan_integer(t, k, b, nullptr, nullptr, v)) not_found(k);
  return v;
}

int get_integer_in_block_in_range(const ParamTable& t, std::string_view key, Block b, int lo, int hi) {
  const std::string k = key_text(key);
  int v = 0;
  if (!scan_integer(t, k, b, &lo, &hi, v)) not_found(k);
  return v;
}

float get_real(const ParamTable& t, std::string_view key) { return get_real_in_block(t, key, whole(t)); }

float get_real_in_range(const ParamTable& t, std::string_view key, float lo, float hi) {
  return get_real_in_block_in_range(t, key, whole(t), lo, hi);
}

float get_real_in_block(const ParamTable& t, std::string_view key, Block b) {
  const std::string k = key_text(key);
  float v = 0.0f;
  if (!scan_real(t, k, b, nullptr, nullptr, v)) not_found(k);
  return v;
}

float get_real_in_block_in_range(const ParamTable& t, std::string_view key, Block b, float lo, float hi) {
  const std::string k = key_text(key);
  float v = 0.0f;
  if (!scan_real(t, k, b, &lo, &hi, v)) not_found(k);
  return v;
}

void check_real_above(std::string_view key, float value, float lo, float hi) {
  if (value > lo && value <= hi) return;
  std::string bound = "greater than " + fixed_decimal_text(lo, 4);
  if (std::isfinite(hi)) bound += " and at most " + fixed_decimal_text(hi, 4);
  fatal("Value of parameter: " + key_text(key) + " has to be", bound);
}

float get_real_in_block_above(const ParamTable& t, std::string_view key, Block b, float lo, float hi) {
  const float v = get_real_in_block(t, key, b);
  check_real_above(key, v, lo, hi);
  return v;
}

float get_real_above(const ParamTable& t, std::string_view key, float lo, float hi) {
  return get_real_in_block_above(t, key, whole(t), lo, hi);
}

void get_real_optional(const ParamTable& t, std::string_view key, float& value) {
  float v = value;
  if (scan_real(t, key_text(key), whole(t), nullptr, nullptr, v)) value = v;
}

GridPoint get_grid_point_in_block(const ParamTable& t, std::string_view x_key, std::string_view y_key, Block b,
                                  const GridHeader& h) {
  const std::string kx = key_text(x_key);
  const std::string ky = key_text(y_key);
  float x = 0.0f, y = 0.0f;
  bool have_x = false, have_y = false;
  const Block s = scope_of(t, b);
  for (int n = s.first; n <= s.last; ++n) {
    const std::string& k = t.keys[static_cast<std::size_t>(n - 1)];
    const bool is_x = k == kx;
    if (!is_x && k != ky) continue;
    float v = 0.0f;
    if (!read_real_item(value_of(t, n), v)) {
      FatalError e("Invalid parameter value for " + k, " ", " ");
      e.after.push_back(" " + value_of(t, n));
      throw e;
    }
    if (is_x) {
      x = v;
      have_x = true;
    } else {
      y = v;
      have_y = true;
    }
  }
  if (!have_x) not_found(kx);
  if (!have_y) not_found(ky);

  const float theta = h.grid_orientation * kPiRounded / 180.0f;
  const float c = std::cos(theta), sn = std::sin(theta);
  const float ddx = x - h.x_origin, ddy = y - h.y_origin;
  const int i = node_index((ddx * c + ddy * sn) / h.delta_x + 1.5f);
  const int j = node_index((ddy * c - ddx * sn) / h.delta_y + 1.5f);
  if (i < 1 || i > h.ngrid_x || j < 1 || j > h.ngrid_y) {
    FatalError e("Values of : " + kx + " and " + ky, "are outside computational grid", " ");
    e.before.push_back(" i = " + compact_int(i) + "  j = " + compact_int(j));
    e.before.push_back(" " + kx + " = " + compact_real(x) + "  " + ky + " = " + compact_real(y));
    throw e;
  }
  GridPoint p;
  p.i = i;
  p.j = j;
  p.x = static_cast<float>(i - 1) * h.delta_x;
  p.y = static_cast<float>(j - 1) * h.delta_y;
  return p;
}

std::vector<int> find_entries(const ParamTable& t, std::string_view key) {
  const std::string k = key_text(key);
  std::vector<int> r;
  for (int n = 1; n <= t.size(); ++n)
    if (t.keys[static_cast<std::size_t>(n - 1)] == k) r.push_back(n);
  return r;
}

}  // namespace swx
