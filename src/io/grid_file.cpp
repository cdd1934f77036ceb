#include "io/grid_file.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

namespace {

constexpr std::size_t kLineLength = 256;
// Fields of (ngrid_x + 1) x (ngrid_y + 1) floats that a run holds at the same time (model
// state, work arrays, accumulators); a grid whose fields would not fit in memory is refused
// when its header is read, before anything is allocated.
constexpr double kFieldsPerRun = 40.0;

bool is_separator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// One line without its line end (and without a CR of a CR LF file), cut to 256 characters.
std::string_view cut_line(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > kLineLength) line = line.substr(0, kLineLength);
  return line;
}

// One header line, never held longer than any header line can sensibly be: the first data line
// (which ends the header and may be as long as a grid row) is returned cut, a comment or key
// line that long (a binary file, a line never ended) stops the run instead of growing without
// bound.
bool read_header_line(std::istream& f, std::string& line, const std::string& file_name) {
  constexpr std::size_t kMaxHeaderLine = 1 << 16;
  line.clear();
  for (std::istreambuf_iterator<char> it(f), end; it != end; ++it) {
    if (*it == '\n') {
      ++it;
      return true;
    }
    if (line.size() >= kMaxHeaderLine) {
      const std::string_view s = trim_left(line);
      if (!s.empty() && line[0] != '#' && line[0] != ':') return true;  // a data line: the header is over
      fatal("header line longer than " + compact_int(kMaxHeaderLine) + " characters in grid file: " + file_name);
    }
    line += *it;
  }
  f.setstate(std::ios::eofbit);
  return !line.empty();
}

// A grid file's data read in chunks of 1 MiB through one reused buffer: a large file is never
// held whole in memory, and each value is converted straight from the buffer.
class GridDataReader {
 public:
  explicit GridDataReader(const std::string& name) : name_(name), f_(nullptr, &std::fclose) {
    if (const std::string why = not_a_readable_file(name); !why.empty()) fatal("cannot open grid file: " + name, why);
    f_.reset(std::fopen(name.c_str(), "rb"));
    if (!f_) fatal("cannot open grid file: " + name, "(the file does not exist or cannot be read)");
  }

  // Moves past the line ":EndHeader" (indentation and trailing blanks allowed, any case).
  void skip_header() {
    std::string_view line;
    while (next_line(line)) {
      line = cut_line(line);
      while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
      while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
      if (!line.empty() && line.front() == ':' && to_lower(line.substr(1)) == "endheader") return;
    }
    fatal("  End of Header not found in grid file: " + name_);
  }

  // Reads nx x ny values, i fastest, into nodes (1..nx, 1..ny) of a.  Values are separated by
  // blanks, commas or line ends, any number of them to a line.
  void read_array(Field& a, int nx, int ny) {
    for (int j = 1; j <= ny; ++j) {
      float* col = a.col(j);
      for (int i = 0; i < nx; ++i) {
        const std::string_view token = next_token();
        if (token.empty()) too_few();
        if (!parse_real_token(token, col[i])) invalid(token);
        ++found_;
      }
    }
  }

  // Moves to the start of the line after the one on which the last value stood.
  void skip_rest_of_line() {
    std::string_view rest;
    next_line(rest);
  }

  long long expected_total = 0;  // values the whole read needs (both components of a vector grid)

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  // Appends the next chunk of the file to the unread data; false at the end of the file.
  bool more() {
    if (eof_) return false;
    buf_.erase(0, pos_);
    pos_ = 0;
    const std::size_t old = buf_.size();
    buf_.resize(old + kChunk);
    const std::size_t n = std::fread(buf_.data() + old, 1, kChunk, f_.get());
    buf_.resize(old + n);
    if (n == 0) {
      if (std::ferror(f_.get())) fatal("error reading grid file: " + name_);
      eof_ = true;
    }
    return n > 0;
  }

  // The next line without its line end; false when the file is exhausted.
  bool next_line(std::string_view& line) {
    std::size_t from = pos_;
    for (;;) {
      const std::size_t nl = buf_.find('\n', from);
      if (nl != std::string::npos) {
        line = std::string_view(buf_).substr(pos_, nl - pos_);
        pos_ = nl + 1;
        return true;
      }
      from = buf_.size() - pos_;  // relative: more() moves the unread data to the front
      if (!more()) break;
    }
    if (pos_ >= buf_.size()) return false;
    line = std::string_view(buf_).substr(pos_);
    pos_ = buf_.size();
    return true;
  }

  // The next value text, or an empty view at the end of the file.
  std::string_view next_token() {
    for (;;) {
      while (pos_ < buf_.size() && is_separator(buf_[pos_])) ++pos_;
      if (pos_ < buf_.size()) break;
      if (!more()) return {};
    }
    std::size_t end = pos_;
    for (;;) {
      while (end < buf_.size() && !is_separator(buf_[end])) ++end;
      if (end < buf_.size()) break;
      const std::size_t len = end - pos_;
      const bool got = more();  // may move the token to the front of the buffer
      end = pos_ + len;
      if (!got) break;
    }
    const std::string_view token = std::string_view(buf_).substr(pos_, end - pos_);
    pos_ = end;
    return token;
  }

  [[noreturn]] void too_few() const {
    fatal("too few values in grid file: " + name_ + " (expected " + compact_int(expected_total) + ", found " +
          compact_int(found_) + ")");
  }
  [[noreturn]] void invalid(std::string_view token) const {
    const std::string shown(token.substr(0, 40));
    fatal("invalid number '" + shown + (token.size() > 40 ? "...'" : "'") + " in grid file: " + name_);
  }

  const std::string& name_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f_;
  std::string buf_;
  std::size_t pos_ = 0;
  bool eof_ = false;
  long long found_ = 0;  // values read so far
};

void fit_shape(Field& a, int nx, int ny) {
  if (a.ni < nx || a.nj < ny) a.resize(nx + 1, ny + 1);
}

void check_grid_size(const GridHeader& g, const std::string& name) {
  if (g.ngrid_x <= 0 || g.ngrid_y <= 0)
    fatal("invalid grid size in grid file: " + name,
          "ngrid_x = " + compact_int(g.ngrid_x) + ", ngrid_y = " + compact_int(g.ngrid_y), "both must be at least 1");
  if (!(g.delta_x > 0.0f) || !(g.delta_y > 0.0f))
    fatal("invalid cell size in grid file: " + name,
          "delta_x = " + compact_real(g.delta_x) + ", delta_y = " + compact_real(g.delta_y),
          "both must be greater than 0");
  const double cells = (static_cast<double>(g.ngrid_x) + 1.0) * (static_cast<double>(g.ngrid_y) + 1.0);
  const double needed = kFieldsPerRun * cells * sizeof(float);
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return;  // memory size unknown: let the allocation decide
  const double available = static_cast<double>(pages) * static_cast<double>(page_size);
  if (needed > available) {
    fatal("grid too large in grid file: " + name,
          "ngrid_x = " + compact_int(g.ngrid_x) + ", ngrid_y = " + compact_int(g.ngrid_y) + " needs about " +
              mebibyte_text(needed) + " MiB of memory",
          "but this computer has " + mebibyte_text(available) + " MiB");
  }
}

// A key literal padded with blanks to its column width.
std::string key_field(std::string_view key, std::size_t width) {
  std::string s(key);
  if (s.size() < width) s.resize(width, ' ');
  return s;
}

std::string padded(std::string_view text, std::size_t width) {
  std::string s(text.substr(0, std::min(text.size(), width)));
  s.resize(width, ' ');
  return s;
}

struct ArrayText {
  std::string_view description, units;
};

void write_grid(const std::string& name, const Field* const* arrays, const ArrayText* texts, int n_arrays,
                const GridHeader& h) {
  for (int k = 0; k < n_arrays; ++k)
    if (arrays[k]->ni < h.ngrid_x || arrays[k]->nj < h.ngrid_y)
      fatal("grid array smaller than the grid of file: " + name);
  errno = 0;
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  if (!f) fatal("cannot create grid file: " + name, file_failure_reason(name, errno));

  std::string s;
  s += n_arrays == 1 ? "# SWELLIX Scalar Grid File\n" : "# SWELLIX Vector Grid File\n";
  const std::string writer = std::string(trim_right(kWriterName)) + " Version " + compact_real(kVersion);
  s += key_field(":WrittenBy", 17) + padded(writer, 256) + '\n';
  s += key_field(":CreationDate", 17) + date_time_text() + '\n';
  s += "#\n";
  s += key_field(":N_Arrays", 23) + compact_int(n_arrays) + '\n';
  s += "#\n";
  for (int k = 1; k <= n_arrays; ++k) {
    std::string nk(1, '(');
    nk += compact_int(k);
    nk += ')';
    s += key_field(":DataDescription" + nk, 23) + padded(texts[k - 1].description, 32) + '\n';
    s += key_field(":DataUnits" + nk, 23) + padded(texts[k - 1].units, 32) + '\n';
  }
  s += "#\n#\n";
  s += key_field(":NGrid_X", 23) + compact_int(h.ngrid_x) + '\n';
  s += key_field(":NGrid_Y", 23) + compact_int(h.ngrid_y) + '\n';
  s += key_field(":Delta_X", 23) + compact_real(h.delta_x) + " # meters\n";
  s += key_field(":Delta_Y", 23) + compact_real(h.delta_y) + " # meters\n";
  s += key_field(":X_Origin", 23) + compact_real(h.x_origin) + " # meters\n";
  s += key_field(":Y_Origin", 23) + compact_real(h.y_origin) + " # meters\n";
  s += key_field(":Grid_Orientation", 24) + compact_real(h.grid_orientation) + "  # degrees\n";
  s += "#\n:EndHeader\n";

  // One line per row, written in chunks so that a large grid needs no second copy in memory.
  constexpr std::size_t kChunk = 1 << 20;
  s.reserve(kChunk + 16 * static_cast<std::size_t>(std::max(h.ngrid_x, 0)) + 1);
  for (int k = 0; k < n_arrays; ++k) {
    const Field& a = *arrays[k];
    for (int j = 1; j <= h.ngrid_y; ++j) {
      const float* col = a.col(j);
      for (int i = 0; i < h.ngrid_x; ++i) append_g15_field(s, col[i]);
      s += '\n';
      if (s.size() >= kChunk) {
        errno = 0;
        f.write(s.data(), static_cast<std::streamsize>(s.size()));
        if (!f) fatal("error writing grid file: " + name, file_failure_reason(name, errno));
        s.clear();
      }
    }
  }
  errno = 0;
  f.write(s.data(), static_cast<std::streamsize>(s.size()));
  if (f) f.close();
  if (!f) fatal("error writing grid file: " + name, file_failure_reason(name, errno));
}

}  // namespace

GridHeader read_grid_header(const std::string& file_name) {
  if (const std::string why = not_a_readable_file(file_name); !why.empty())
    fatal("cannot open grid file: " + file_name, why);
  std::ifstream f(file_name, std::ios::binary);
  if (!f) fatal("cannot open grid file: " + file_name, "(the file does not exist or cannot be read)");

  static constexpr std::string_view kKeys[8] = {"delta_x", "delta_y", "x_origin", "y_origin",
                                                "ngrid_x", "ngrid_y", "n_arrays", "grid_orientation"};
  GridHeader g;
  g.grid_orientation = 0.0f;
  bool found[8] = {};
  const std::string incomplete = "  incomplete header section in grid file: " + file_name;
  std::string raw;
  for (;;) {
    if (!read_header_line(f, raw, file_name)) fatal(incomplete);
    std::string line(cut_line(raw));
    if (!line.empty() && line[0] == ':') {
      const std::size_t hash = line.find('#');
      if (hash != std::string::npos) line.resize(hash);
      for (char& c : line)
        if (c == '\t') c = ' ';  // a TAB between key and value separates them like a blank
      const std::string_view body = trim_left(std::string_view(line).substr(1));
      const std::size_t blank = body.find(' ');
      if (blank == std::string_view::npos) continue;  // a key without a value
      const std::string key = to_lower(body.substr(0, blank));
      const std::string_view value = trim_left(body.substr(blank));
      for (int k = 0; k < 8; ++k) {
        if (key != kKeys[k]) continue;
        bool ok = false;
        switch (k) {
          case 0:
            ok = read_real_item(value, g.delta_x);
            break;
          case 1:
            ok = read_real_item(value, g.delta_y);
            break;
          case 2:
            ok = read_real_item(value, g.x_origin);
            break;
          case 3:
            ok = read_real_item(value, g.y_origin);
            break;
          case 4:
            ok = read_integer_item(value, g.ngrid_x);
            break;
          case 5:
            ok = read_integer_item(value, g.ngrid_y);
            break;
          case 6:
            ok = read_integer_item(value, g.n_arrays);
            break;
          default:
            ok = read_real_item(value, g.grid_orientation);
            if (ok && g.grid_orientation > 180.0f) g.grid_orientation -= 360.0f;
        }
        if (!ok)
          fatal("invalid value '" + std::string(trim_right(value)) + "' of " + key + " in grid file: " + file_name);
        found[k] = true;
      }
      continue;
    }
    if (trim_left(line).empty() || line[0] == '#') continue;
    break;  // the first data line ends the header
  }
  for (int k = 0; k < 7; ++k)
    if (!found[k]) fatal(incomplete);
  check_grid_size(g, file_name);
  return g;
}

void read_scalar_grid(const std::string& file_name, Field& a, int nx, int ny) {
  GridDataReader r(file_name);
  r.skip_header();
  nx = std::max(nx, 0);
  ny = std::max(ny, 0);
  fit_shape(a, nx, ny);
  r.expected_total = static_cast<long long>(nx) * ny;
  r.read_array(a, nx, ny);
}

void read_vector_grid(const std::string& file_name, Field& ax, Field& ay, int nx, int ny) {
  GridDataReader r(file_name);
  r.skip_header();
  nx = std::max(nx, 0);
  ny = std::max(ny, 0);
  fit_shape(ax, nx, ny);
  fit_shape(ay, nx, ny);
  r.expected_total = 2LL * nx * ny;
  r.read_array(ax, nx, ny);
  r.skip_rest_of_line();
  r.read_array(ay, nx, ny);
}

void write_scalar_grid(const std::string& file_name, const Field& a, const GridHeader& h, std::string_view description,
                       std::string_view units) {
  const Field* arrays[1] = {&a};
  const ArrayText texts[1] = {{description, units}};
  write_grid(file_name, arrays, texts, 1, h);
}

void write_vector_grid(const std::string& file_name, const Field& ax, const Field& ay, const GridHeader& h,
                       std::string_view description_x, std::string_view description_y, std::string_view units_x,
                       std::string_view units_y) {
  const Field* arrays[2] = {&ax, &ay};
  const ArrayText texts[2] = {{description_x, units_x}, {description_y, units_y}};
  write_grid(file_name, arrays, texts, 2, h);
}

}  // namespace swx
