#include "fuzz_targets.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/fatal.hpp"
#include "io/grid_file.hpp"
#include "io/spectrum_file.hpp"
#include "io/time_series_file.hpp"
#include "params/model_params.hpp"
#include "params/param_table.hpp"

namespace swx::fuzz {
namespace {

// The input as a file of this process (in /dev/shm where there is one), removed when the object goes.
struct InputFile {
  std::string name;
  InputFile(const char* kind, const std::uint8_t* data, std::size_t size) {
    const std::string dir =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    name = dir + "/swx-fuzz-" + std::to_string(::getpid()) + "-" + kind;
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ~InputFile() { ::unlink(name.c_str()); }
};

// Runs one operation; a fatal input error ends it as it ends a run.
template <class F>
void attempt(F&& f) {
  try {
    f();
  } catch (const FatalError&) {
  }
}

}  // namespace

int parameter_file(const std::uint8_t* data, std::size_t size) {
  const InputFile in("par", data, size);
  ParamTable t;
  attempt([&] { t = load_parameter_table(in.name); });
  const GridHeader grid{.delta_x = 2, .delta_y = 3, .grid_orientation = 30, .n_arrays = 1, .ngrid_x = 12, .ngrid_y = 7};
  // The lookups on the first keywords of the table, over the whole table and over a block.
  const Block all{1, t.size()}, part{t.size() / 3 + 1, t.size() - t.size() / 4};
  for (int n = 1; n <= t.size() && n <= 24; ++n) {
    const std::string& key = t.keys[static_cast<std::size_t>(n - 1)];
    (void)has_key_in_block(t, key, part);
    (void)find_entries(t, key);
    attempt([&] {
      float v = 1.0f;
      get_real_optional(t, key, v);
    });
    attempt([&] { (void)get_lower_text_in_block(t, key, part); });
    attempt([&] { (void)get_integer_in_block_in_range(t, key, part, 1, 4); });
    attempt([&] { (void)get_real_in_block_in_range(t, key, all, -1e30f, 1e30f); });
    attempt([&] { (void)get_grid_point_in_block(t, key, t.keys[static_cast<std::size_t>(t.size() - n)], all, grid); });
  }
  // The readers of the model and output keys, each on its own.
  ModelParams p;
  p.time_step = 0.1f, p.duration = 10.0f, p.calc_wave_runup = 1;
  std::ostringstream console;
  attempt([&] { read_output_prefix(t, p); });
  attempt([&] { read_damping_key(t, p); });
  attempt([&] { read_porosity_keys(t, p); });
  attempt([&] { read_time_stepping_keys(t, p); });
  attempt([&] { read_breaking_keys(t, p, 0.5f, 0.2f, 10.0f, Reporter{&console, &console}); });
  attempt([&] { read_friction_key(t, p); });
  attempt([&] { read_current_key(t, p); });
  attempt([&] { read_probe_blocks(t, p, grid); });
  attempt([&] { read_gauge_blocks(t, p, grid); });
  attempt([&] { read_output_requests(t, p, grid); });
  attempt([&] { read_solution_file_keys(t, p); });
  // The same bytes typed at the prompt for a file name.
  std::istringstream typed(std::string(reinterpret_cast<const char*>(data), size));
  attempt([&] { (void)prompt_for_text("name of simulation parameter file [.par]", typed, console); });
  return 0;
}

int grid_file(const std::uint8_t* data, std::size_t size) {
  const InputFile in("grd", data, size);
  attempt([&] {
    const GridHeader h = read_grid_header(in.name);
    if (static_cast<long long>(h.ngrid_x) * h.ngrid_y > (1 << 14)) return;  // no grid of billions of nodes
    Field a(h.ngrid_x + 1, h.ngrid_y + 1), b(h.ngrid_x + 1, h.ngrid_y + 1);
    attempt([&] { read_scalar_grid(in.name, a, h.ngrid_x, h.ngrid_y); });
    attempt([&] { read_vector_grid(in.name, a, b, h.ngrid_x, h.ngrid_y); });
  });
  // The data readers alone, as for the damping, porosity, friction and current grids.
  Field a(9, 5), b(9, 5);
  attempt([&] { read_scalar_grid(in.name, a, 8, 4); });
  attempt([&] { read_vector_grid(in.name, a, b, 8, 4); });
  return 0;
}

int time_series_file(const std::uint8_t* data, std::size_t size) {
  const InputFile in("ts", data, size);
  attempt([&] {
    const TimeSeriesHeader h = read_time_series_header(in.name);
    for (int c = 1; c <= h.ncolumns && c <= 3; ++c)
      attempt([&] { (void)read_time_series_column(in.name, c, h.ncolumns, h.ntimesteps); });
    attempt([&] { (void)read_time_series_column(in.name, 1, 2, 3); });
  });
  return 0;
}

int spectrum_file(const std::uint8_t* data, std::size_t size) {
  const InputFile in("spc", data, size);
  attempt([&] {
    const FrequencySpectrum s = read_frequency_spectrum(in.name);
    if (s.count() > 0) (void)peak_period(s.S, s.f0, s.df);
  });
  attempt([&] { (void)peak_index(read_directional_spectrum(in.name, 30.0f).spectrum.S); });
  return 0;
}

}  // namespace swx::fuzz
