#pragma once
// A case directory for end-to-end runs: input files are written into a fresh temporary
// directory, the built program runs there with the given arguments and standard input, and the
// console text, the exit status and the files it wrote are read back.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "swx_test_support.hpp"

namespace swx::e2e {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;      // exit status, or -1 when the program did not exit normally
  std::string console;  // standard output and standard error together
};

inline std::string shell_quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A scratch directory of its own for one case; removed with its files at the end.
class CaseDir : public test::ScratchDir {
 public:
  explicit CaseDir(const std::string& name) : ScratchDir("e2e_" + name) {}

  RunResult run(const std::vector<std::string>& args, const std::string& input = "") const {
    write(".stdin", input);
    std::string cmd = "cd " + shell_quoted(path().string()) + " && " + shell_quoted(SWELLIX_BIN);
    for (const auto& a : args) {
      cmd += ' ';
      cmd += shell_quoted(a);
    }
    cmd += " < .stdin > .console 2>&1";
    const int raw = std::system(cmd.c_str());
    RunResult r;
    r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    r.console = read(".console");
    return r;
  }
};

// True for a decimal number written as digits, a point and digits ("0.18", "12.5").
inline bool is_decimal_text(std::string_view s) {
  const std::size_t dot = s.find('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == s.size()) return false;
  for (std::size_t k = 0; k < s.size(); ++k)
    if (k != dot && (s[k] < '0' || s[k] > '9')) return false;
  return true;
}

// True when line is prefix + a decimal number + one of the suffixes.
inline bool is_number_line(std::string_view line, std::string_view prefix,
                           std::initializer_list<std::string_view> suffixes) {
  if (line.substr(0, prefix.size()) != prefix) return false;
  for (std::string_view suffix : suffixes) {
    if (line.size() < prefix.size() + suffix.size() || line.substr(line.size() - suffix.size()) != suffix) continue;
    if (is_decimal_text(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()))) return true;
  }
  return false;
}

// text with the first occurrence of from replaced by to (which must be there).
inline std::string replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

using test::lines_of;

}  // namespace swx::e2e
