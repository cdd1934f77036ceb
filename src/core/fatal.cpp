#include "core/fatal.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace swx {

std::string_view trim_right(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

std::string_view trim_left(std::string_view s) {
  std::size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  return s.substr(k);
}

std::string to_lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string file_failure_reason(const std::string& file_name, int err) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(file_name).parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  if (!fs::exists(dir, ec)) return "the directory " + dir.string() + " does not exist";
  if (!fs::is_directory(dir, ec)) return dir.string() + " is not a directory";
  if (fs::is_directory(file_name, ec)) return "a directory of that name exists";
  if (err == EACCES || err == EROFS) return "no permission to write in " + dir.string();
  if (err == ENOSPC || err == EDQUOT) return "the disk is full";
  if (err == EFBIG) return "the file is too large for the disk or the process's size limit";
  return err != 0 ? std::string(std::strerror(err)) : std::string("the file cannot be written (is the disk full?)");
}

std::string not_a_readable_file(const std::string& file_name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(file_name, ec);
  if (ec || !fs::exists(st)) return "";  // the open reports a missing file
  if (fs::is_directory(st)) return "(it is a directory)";
  if (!fs::is_regular_file(st)) return "(it is not a regular file)";
  return "";
}

void fatal(std::string_view l1, std::string_view l2, std::string_view l3) {
  throw FatalError(std::string(l1), std::string(l2), std::string(l3));
}

namespace {
// Message lines are held in 256-character buffers: longer lines are cut.
std::string_view cut256(std::string_view s) { return trim_right(s.substr(0, std::min<std::size_t>(s.size(), 256))); }

// Length of the well-formed UTF-8 sequence starting at s[k], 0 when there is none.
std::size_t utf8_sequence(std::string_view s, std::size_t k) {
  const auto b = static_cast<unsigned char>(s[k]);
  const std::size_t n = b >= 0xc2 && b <= 0xdf ? 2 : b >= 0xe0 && b <= 0xef ? 3 : b >= 0xf0 && b <= 0xf4 ? 4 : 0;
  if (n == 0 || k + n > s.size()) return 0;
  for (std::size_t q = 1; q < n; ++q)
    if ((static_cast<unsigned char>(s[k + q]) & 0xc0) != 0x80) return 0;
  return n;
}

// Text as the console may show it: control characters and bytes that are not part of a UTF-8
// character (a binary file's content quoted in a message) written as \xNN.
std::string printable(std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t k = 0; k < s.size();) {
    const auto b = static_cast<unsigned char>(s[k]);
    if (b >= 0x20 && b < 0x7f) {
      out += s[k++];
      continue;
    }
    if (const std::size_t n = b >= 0x80 ? utf8_sequence(s, k) : 0; n > 0) {
      out.append(s.substr(k, n));
      k += n;
      continue;
    }
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 15];
    ++k;
  }
  return out;
}
}  // namespace

std::vector<std::string> box_lines(std::string_view title, std::string_view l1, std::string_view l2,
                                   std::string_view l3) {
  const std::string shown[4] = {printable(title), printable(l1), printable(l2), printable(l3)};
  const std::string_view t = cut256(shown[0]);
  const std::string_view m[3] = {cut256(shown[1]), cut256(shown[2]), cut256(shown[3])};
  const int w = static_cast<int>(std::max({t.size(), m[0].size(), m[1].size(), m[2].size()})) + 6;
  std::vector<std::string> out;
  out.emplace_back(" ");
  auto centred = [&](std::string_view text) {
    int p = (w - static_cast<int>(text.size())) / 2 - 1;
    if (p < 0) p = 0;
    std::string field(static_cast<std::size_t>(p), ' ');
    field += text;
    field.append(static_cast<std::size_t>(p), ' ');
    field.resize(static_cast<std::size_t>(w), ' ');
    out.push_back(std::string(5, ' ') + field);
  };
  centred(t);
  for (auto line : m)
    if (!line.empty()) centred(line);
  out.emplace_back(" ");
  return out;
}

static void write_box(std::ostream& os, std::string_view title, std::string_view l1, std::string_view l2,
                      std::string_view l3) {
  for (const auto& line : box_lines(title, l1, l2, l3)) os << line << '\n';
  os.flush();
}

void show_fatal_error_box(std::ostream& console, std::string_view l1, std::string_view l2, std::string_view l3) {
  write_box(console, kFatalTitle, l1, l2, l3);
}

void show_warning_box(std::ostream& console, std::string_view l1, std::string_view l2, std::string_view l3) {
  write_box(console, kWarningTitle, l1, l2, l3);
}

void report_fatal(std::ostream& console, const FatalError& e) {
  for (const auto& s : e.before) console << printable(s) << '\n';
  show_fatal_error_box(console, e.line1, e.line2, e.line3);
  for (const auto& s : e.after) console << printable(s) << '\n';
  console.flush();
}

void Reporter::console_line(std::string_view text) const {
  if (console) *console << text << '\n';
}
void Reporter::log_line(std::string_view text) const {
  if (log) *log << text << '\n';
}
void Reporter::log_and_console(std::string_view text) const {
  log_line(text);
  console_line(text);
}
std::string Reporter::quoted_path(std::string_view file_name) const {
  std::string s = "\"";
  s += cwd;
  s += '\\';
  s += file_name;
  s += '"';
  return s;
}
void Reporter::warning(std::string_view l1, std::string_view l2, std::string_view l3) const {
  if (console) show_warning_box(*console, l1, l2, l3);
}

}  // namespace swx
