#pragma once
// Helpers shared by the test executables: a scratch directory that removes itself, reading and
// writing whole text files, and the capture of the fatal error a call raises.  It brings in
// GoogleTest and the standard headers the tests use throughout, so that a test file includes
// only what is particular to it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/fatal.hpp"

namespace swx::test {

namespace fs = std::filesystem;

// Writes text to the file p (creating its folder), byte for byte.
inline void write_text(const fs::path& p, const std::string& text) {
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

// The whole content of the file p ("" when it cannot be read).
inline std::string read_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Lines of a text, without their line ends.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

// Expected file text: lines ending in '~' are padded with blanks to the 256 characters of a
// header line.
inline std::string padded(const std::string& text) {
  std::string out;
  for (std::string l : lines_of(text)) {
    if (l.ends_with('~')) l.pop_back(), l.resize(256, ' ');
    out += l + "\n";
  }
  return out;
}

// A fresh directory, removed with everything in it when the object goes.  Its name comes from
// the running test (lower-cased: parameter values, file names included, reach the program
// lower-cased) and the process id, so parallel test processes do not meet.
class ScratchDir {
 public:
  ScratchDir() : ScratchDir(current_test_name()) {}
  explicit ScratchDir(const std::string& name)
      : dir_(fs::temp_directory_path() / ("swx_" + lowered(name) + "_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const fs::path& path() const { return dir_; }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path operator/(const std::string& name) const { return dir_ / name; }
  // Writes name with the given text and returns its path.
  std::string write(const std::string& name, const std::string& text) const {
    write_text(dir_ / name, text);
    return path(name);
  }
  std::string read(const std::string& name) const { return read_text(dir_ / name); }
  bool exists(const std::string& name) const { return fs::exists(dir_ / name); }

 private:
  static std::string current_test_name() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "_" + info->name() : std::string("scratch");
  }
  static std::string lowered(std::string s) {
    for (char& c : s) {
      c = std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                                                      : '_';
    }
    return s;
  }
  fs::path dir_;
};

// The console text of a message box (kFatalTitle or kWarningTitle), as the program writes it.
inline std::string box_text(std::string_view title, std::string_view l1, std::string_view l2 = " ",
                            std::string_view l3 = " ") {
  std::string s;
  for (const auto& line : box_lines(title, l1, l2, l3)) s += line + "\n";
  return s;
}

// The fatal error raised by f; a test failure when f returns normally.
template <class F>
FatalError fatal_from(F&& f) {
  try {
    f();
  } catch (const FatalError& e) {
    return e;
  }
  ADD_FAILURE() << "expected a fatal error";
  return FatalError("", "", "");
}

// The three box lines of a fatal error, comparable as one value in a table of cases.
struct FatalLines {
  std::string l1, l2, l3;
  bool operator==(const FatalLines&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const FatalLines& l) {
    return os << '"' << l.l1 << "\" / \"" << l.l2 << "\" / \"" << l.l3 << '"';
  }
};

// The box lines of the fatal error raised by f; {"no fatal error", "", ""} when none is.
template <class F>
FatalLines fatal_lines(F&& f) {
  try {
    f();
  } catch (const FatalError& e) {
    return {e.line1, e.line2, e.line3};
  }
  return {"no fatal error", "", ""};
}

}  // namespace swx::test
