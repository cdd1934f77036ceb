#include "fuzz_targets.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "core/fatal.hpp"
#include "io/grid_file.hpp"
#include "io/spectrum_file.hpp"
#include "io/time_series_file.hpp"
#include "params/model_params.hpp"
#include "params/param_table.hpp"

namespace swx::fuzz {

namespace {

// The readers take file names: the input goes to a file of this process first, in memory
// (/dev/shm) where the system has it.
std::string input_file(std::string_view kind, const std::uint8_t* data, std::size_t size) {
  static const std::string dir = std::filesystem::is_directory("/dev/shm")
                                     ? std::string("/dev/shm")
                                     : std::filesystem::temp_directory_path().string();
  const std::string name = dir + "/swx-fuzz-" + std::to_string(::getpid()) + "-" + std::string(kind);
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return name;
}

// Runs one operation; a fatal input error ends it like it ends a run.
template <class F>
void attempt(F&& f) {
  try {
    f();
  } catch (const FatalError&) {
  }
}

// Grids the readers may be asked to fill here: large enough for every real input of the
// examples, small enough that a header promising billions of nodes is not allocated.
constexpr long long kMaxNodes = 1 << 14;

GridHeader small_grid() {
  GridHeader g;
  g.delta_x = 2.0f;
  g.delta_y = 3.0f;
  g.x_origin = 10.0f;
  g.y_origin = -5.0f;
  g.grid_orientation = 30.0f;
  g.n_arrays = 1;
  g.ngrid_x = 12;
  g.ngrid_y = 7;
  return g;
}

}  // namespace

int parameter_file(const std::uint8_t* data, std::size_t size) {
  const std::string name = input_file("par", data, size);
  ParamTable t;
  attempt([&] { t = load_parameter_table(name); });

  // Every lookup on every keyword of the table, over the whole table and over a block.
  const GridHeader grid = small_grid();
  const Block all{1, t.size()};
  const Block part{t.size() / 3 + 1, t.size() - t.size() / 4};
  for (int n = 1; n <= t.size() && n <= 24; ++n) {
    const std::string& key = t.keys[static_cast<std::size_t>(n - 1)];
    const std::string& other = t.keys[static_cast<std::size_t>(t.size() - n)];
    (void)has_key(t, key);
    (void)has_key_in_block(t, key, part);
    (void)find_entries(t, key);
    attempt([&] { (void)get_text(t, key); });
    attempt([&] { (void)get_lower_text_in_block(t, key, part); });
    attempt([&] { (void)get_integer_in_range(t, key, -1000, 1000); });
    attempt([&] { (void)get_integer_in_block(t, key, all); });
    attempt([&] { (void)get_integer_in_block_in_range(t, key, part, 1, 4); });
    attempt([&] { (void)get_real(t, key); });
    attempt([&] { (void)get_real_in_range(t, key, 0.0f, 85.0f); });
    attempt([&] { (void)get_real_in_block_in_range(t, key, part, -1e30f, 1e30f); });
    attempt([&] {
      float v = 1.0f;
      get_real_optional(t, key, v);
    });
    attempt([&] { (void)get_grid_point_in_block(t, key, other, all, grid); });
  }

  // The catalogue readers of the model and output keys, each on its own.
  ModelParams p;
  p.time_step = 0.1f;
  p.duration = 10.0f;
  p.calc_wave_runup = 1;
  std::ostringstream console, log;
  Reporter rep{&console, &log};
  attempt([&] { read_output_prefix(t, p); });
  attempt([&] { read_damping_key(t, p); });
  attempt([&] { read_porosity_keys(t, p); });
  attempt([&] { read_time_stepping_keys(t, p); });
  attempt([&] { read_breaking_keys(t, p, 0.5f, 0.2f, 10.0f, rep); });
  attempt([&] { read_friction_key(t, p); });
  attempt([&] { read_current_key(t, p); });
  attempt([&] { read_probe_blocks(t, p, grid); });
  attempt([&] { read_gauge_blocks(t, p, grid); });
  attempt([&] { read_output_requests(t, p, grid); });
  attempt([&] { read_solution_file_keys(t, p); });

  // The same bytes typed at the prompt for a file name.
  std::istringstream typed(std::string(reinterpret_cast<const char*>(data), size));
  attempt([&] { (void)prompt_for_text("name of simulation parameter file [.par]", typed, console); });
  ::unlink(name.c_str());
  return 0;
}

int grid_file(const std::uint8_t* data, std::size_t size) {
  const std::string name = input_file("grd", data, size);
  attempt([&] {
    const GridHeader h = read_grid_header(name);
    if (static_cast<long long>(h.ngrid_x) * h.ngrid_y > kMaxNodes) return;
    Field a(h.ngrid_x + 1, h.ngrid_y + 1), b(h.ngrid_x + 1, h.ngrid_y + 1);
    attempt([&] { read_scalar_grid(name, a, h.ngrid_x, h.ngrid_y); });
    attempt([&] { read_vector_grid(name, a, b, h.ngrid_x, h.ngrid_y); });
  });
  // The data readers on their own, as for the damping, porosity, friction and current grids
  // whose headers are not parsed.
  Field a(9, 5), b(9, 5);
  attempt([&] { read_scalar_grid(name, a, 8, 4); });
  attempt([&] { read_vector_grid(name, a, b, 8, 4); });
  ::unlink(name.c_str());
  return 0;
}

int time_series_file(const std::uint8_t* data, std::size_t size) {
  const std::string name = input_file("ts", data, size);
  attempt([&] {
    const TimeSeriesHeader h = read_time_series_header(name);
    for (int c = 1; c <= h.ncolumns && c <= 3; ++c)
      attempt([&] { (void)read_time_series_column(name, c, h.ncolumns, h.ntimesteps); });
    attempt([&] { (void)read_time_series_column(name, 1, 2, 3); });
  });
  ::unlink(name.c_str());
  return 0;
}

int spectrum_file(const std::uint8_t* data, std::size_t size) {
  const std::string name = input_file("spc", data, size);
  attempt([&] {
    const FrequencySpectrum s = read_frequency_spectrum(name);
    if (s.count() > 0) (void)peak_period(s.S, s.f0, s.df);
  });
  attempt([&] {
    const DirectionalSpectrum d = read_directional_spectrum(name, 30.0f);
    (void)peak_index(d.spectrum.S);
  });
  ::unlink(name.c_str());
  return 0;
}

}  // namespace swx::fuzz
