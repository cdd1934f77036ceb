#pragma once
// End-to-end runs of the built program in a scratch directory: console text, exit status and
// files read back; and the small case of regular waves over an 8 x 4 grid 1 m deep.
#include <sys/wait.h>

#include <cstdlib>

#include "core/fatal.hpp"
#include "swx_test_support.hpp"

namespace swx::e2e {

namespace fs = std::filesystem;
using test::box_text;
using test::lines_of;

struct RunResult {
  int status = -1;      // exit status, -1 when the program did not exit normally
  std::string console;  // standard output and standard error together
};

inline std::string shell_quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CaseDir : public test::ScratchDir {
 public:
  explicit CaseDir(const std::string& name) : ScratchDir("e2e_" + name) {}

  RunResult run(const std::vector<std::string>& args, const std::string& input = "") const {
    write(".stdin", input);
    std::string cmd = "cd " + shell_quoted(path().string()) + " && " + shell_quoted(SWELLIX_BIN);
    for (const auto& a : args) cmd += ' ' + shell_quoted(a);
    const int raw = std::system((cmd + " < .stdin > .console 2>&1").c_str());
    return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(".console")};
  }
  // A file of the case as the program names it: "<working directory>\<name>" in quotes.
  std::string quoted(const std::string& name) const {
    std::string s(1, '"');  // built in steps: GCC 12 warns on "..." + string&&
    return s += fs::canonical(path()).string() + "\\" + name + "\"";
  }
};

// text with the first occurrence of from replaced by to.
inline std::string replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The run ends normally with the box of a fatal error as the last of its console.
inline void expect_ends_with_box(const RunResult& r, std::string_view l1, std::string_view l2 = " ",
                                 std::string_view l3 = " ") {
  EXPECT_EQ(r.status, 0);
  const std::string box = box_text(kFatalTitle, l1, l2, l3);
  ASSERT_GE(r.console.size(), box.size()) << r.console;
  EXPECT_EQ(r.console.substr(r.console.size() - box.size()), box) << r.console;
}

// Parameter-file lines of "key value; key value; ...": ":key value" each.
inline std::string par(std::string_view keys) {
  std::string s;
  for (std::size_t at = 0, end; at < keys.size(); at = end + 1) {
    end = std::min(keys.find(';', at), keys.size());
    const std::size_t first = keys.find_first_not_of(' ', at);
    if (first < end) (s += ':').append(keys.substr(first, end - first)) += '\n';
  }
  return s;
}

// A grid file of nx x ny nodes dx apart from (0, 0): `arrays` arrays of value(i, j) (1-based), a row a line.
inline std::string grid_text(int nx, int ny, double dx, const std::function<double(int, int)>& value, int arrays = 1) {
  std::ostringstream s;
  s << ":N_Arrays " << arrays << "\n:NGrid_X " << nx << "\n:NGrid_Y " << ny << "\n:Delta_X " << dx << "\n:Delta_Y "
    << dx << "\n:X_Origin 0\n:Y_Origin 0\n:EndHeader\n";
  for (int a = 0; a < arrays; ++a)
    for (int j = 1; j <= ny; ++j) {
      for (int i = 1; i <= nx; ++i) s << ' ' << value(i, j);
      s << '\n';
    }
  return s.str();
}

// A grid of 8 x 4 cells of 1 m holding value everywhere (-1: a bottom 1 m deep), `arrays` arrays.
inline std::string flat_bathymetry(double value = -1.0, int arrays = 1) {
  return grid_text(
      8, 4, 1.0, [=](int, int) { return value; }, arrays);
}

// Regular waves of 5 cm and 2 s from the west side, 20 steps of 0.05 s, no breaking.
inline std::string tiny_parameters(const std::string& prefix = "tiny", const std::string& extra = "") {
  return par("output_file_prefix " + prefix +
             "; bathy_file bathy.grd; tidal_offset 0.0; start_wavemaker; wm_pos_i1 1; wm_pos_i2 1; wm_pos_j1 1; "
             "wm_pos_j2 4; wave_type regular; wave_height 0.05; wave_period 2.0; wave_direction 270; wave_cycles 5; "
             "end_wavemaker; time_step 0.05; nonlinear_option weak; duration 0.95; check_wave_breaking no; "
             "chezy_coeff 50") +
         extra;
}

inline void write_tiny_case(const CaseDir& c, const std::string& prefix = "tiny", const std::string& extra = "") {
  c.write("tiny.par", tiny_parameters(prefix, extra));
  c.write("bathy.grd", flat_bathymetry());
}

}  // namespace swx::e2e
