#include "wavegen/wavemaker_blocks.hpp"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "core/constants.hpp"
#include "io/number_text.hpp"
#include "io/spectrum_file.hpp"
#include "params/model_params.hpp"
#include "wavegen/spectra.hpp"
#include "wavegen/spreading.hpp"
#include "wavegen/synthesis.hpp"

namespace swx {

namespace {

std::string wavemaker_label(int k) { return "Wavemaker #" + compact_int(k); }

// Position, side and full-side flag (sorted indices).
void read_position(Wavemaker& w, const ParamTable& t, const GridHeader& grid) {
  const int nx = grid.ngrid_x, ny = grid.ngrid_y;
  w.i1 = get_integer_in_block_in_range(t, "wm_pos_i1", w.block, 1, nx);
  w.i2 = get_integer_in_block_in_range(t, "wm_pos_i2", w.block, 1, nx);
  w.j1 = get_integer_in_block_in_range(t, "wm_pos_j1", w.block, 1, ny);
  w.j2 = get_integer_in_block_in_range(t, "wm_pos_j2", w.block, 1, ny);
  if (w.i1 != w.i2 && w.j1 != w.j2) fatal("Invalid wavemaker coordinates for wavemaker #" + compact_int(w.number));
  if (w.i1 != w.i2) {
    w.side = w.j1 == ny ? WavemakerSide::kNorth : (w.j1 == 1 ? WavemakerSide::kSouth : WavemakerSide::kInnerRow);
    if (w.i1 > w.i2) std::swap(w.i1, w.i2);
    w.full_side = w.i1 == 1 && w.i2 == nx;
  } else {
    w.side = w.i1 == nx ? WavemakerSide::kEast : (w.i1 == 1 ? WavemakerSide::kWest : WavemakerSide::kInnerColumn);
    if (w.j1 > w.j2) std::swap(w.j1, w.j2);
    w.full_side = w.j1 == 1 && w.j2 == ny;
  }
}

void check_land(const Wavemaker& w, const Field& depth, const Reporter& reporter) {
  float lo = std::numeric_limits<float>::max(), hi = -std::numeric_limits<float>::max();
  for (int j = w.j1; j <= w.j2; ++j)
    for (int i = w.i1; i <= w.i2; ++i) {
      lo = std::min(lo, depth(i, j));
      hi = std::max(hi, depth(i, j));
    }
  if (!(hi > 0.0f)) fatal(wavemaker_label(w.number), "wave generation boundary contains only", "land points");
  if (lo < 0.0f)
    reporter.warning(wavemaker_label(w.number), "wave generation boundary contains land",
                     "points along part of boundary");
}

// wave_direction in 0..360 (nautical), tested against the side and stored as the direction of
// travel in the grid's frame.
void read_wave_direction(Wavemaker& w, const ParamTable& t, const GridHeader& grid) {
  const float d = get_real_in_block_in_range(t, "wave_direction", w.block, 0.0f, 360.0f);
  if (!direction_fits_boundary(d + grid.grid_orientation, w.side))
    fatal(wavemaker_label(w.number), "wave direction cannot be generated", "along specified boundary");
  w.direction = 270.0f - d - grid.grid_orientation;
}

void read_series_option(Wavemaker& w, const ParamTable& t) {
  const std::string v = get_lower_text_in_block(t, "time_series_option", w.block);
  if (v == "synthesize") {
    w.series_option = 1;
  } else if (v == "file") {
    w.series_option = 2;
  } else {
    fatal(wavemaker_label(w.number), "invalid time_series_option in simulation", "parameter file");
  }
}

// Depth handed to the finite-depth spectrum: the depth at the middle of the line, or the
// largest depth along it when the middle is dry.
float spectrum_depth(const Wavemaker& w, const Field& depth) {
  const float mid = depth((w.i1 + w.i2) / 2, (w.j1 + w.j2) / 2);
  if (mid > 0.0f) return mid;
  float hi = 0.0f;
  for (int j = w.j1; j <= w.j2; ++j)
    for (int i = w.i1; i <= w.i2; ++i) hi = std::max(hi, depth(i, j));
  return hi;
}

void read_synthesized_irregular(Wavemaker& w, const ParamTable& t, const GridHeader& grid, const Field& depth,
                                const Reporter& reporter) {
  const std::string opt = get_lower_text_in_block(t, "wave_spec_option", w.block);
  if (opt == "parameter") {
    w.spec_option = 1;
  } else if (opt == "file") {
    w.spec_option = 2;
  } else {
    fatal(wavemaker_label(w.number), "invalid wave_spec_option in simulation", "parameter file");
  }
  if (w.wave_type == WaveType::kIrregUni) {
    if (w.spec_option == 2) {
      w.spectrum = read_frequency_spectrum(get_lower_text_in_block(t, "freq_spec_file", w.block));
    } else {
      w.spectrum = build_parametric_spectrum(t, w.block, spectrum_depth(w, depth));
    }
    read_wave_direction(w, t, grid);
  } else if (w.spec_option == 2) {
    w.dir_spectrum =
        read_directional_spectrum(get_lower_text_in_block(t, "dir_spec_file", w.block), grid.grid_orientation);
    if (!direction_fits_boundary(w.dir_spectrum.principal_direction, w.side))
      fatal("principal direction of input directional spectrum", "cannot be generated along specified boundary");
    w.spectrum = w.dir_spectrum.spectrum;
    w.direction = 270.0f - w.dir_spectrum.principal_direction;
  } else {
    w.spectrum = build_parametric_spectrum(t, w.block, spectrum_depth(w, depth));
    w.spreading = build_directional_spreading(t, w.block, grid.grid_orientation, w.side, reporter);
    w.direction = w.spreading.principal_direction;
  }
  w.band = read_frequency_band(t, w.block, true);
  w.rescale = w.band.rescale;
  truncate_spectrum_band(w.spectrum.S, w.spectrum.f0, w.spectrum.df, w.band, reporter);
  w.seed = get_integer_in_block(t, "random_number_seed", w.block);
  if (w.seed <= 0) w.seed = kDefaultSeed;
  w.duration = get_real_in_block_above(t, "time_series_duration", w.block, 0.0f, kInfinite);
}

void read_file_series(Wavemaker& w, const ParamTable& t, const GridHeader& grid, SeriesFileReference& series_ref,
                      const Reporter& reporter) {
  read_eta_series_file(w, t, series_ref);
  w.ref_eta = get_grid_point_in_block(t, "xref_eta", "yref_eta", w.block, grid);
  if (w.wave_type == WaveType::kIrregUni) {
    read_wave_direction(w, t, grid);
  } else {
    const std::string dsf = get_lower_text_in_block(t, "wave_dsf_option", w.block);
    if (dsf == "parameter") {
      w.dsf_option = 1;
      w.spreading = build_directional_spreading(t, w.block, grid.grid_orientation, w.side, reporter);
      if (w.wave_type != WaveType::kSolitary) w.direction = w.spreading.principal_direction;
    } else {
      w.dsf_option = 2;
      read_uv_series_file(w, t, series_ref);
      w.ref_uv = get_grid_point_in_block(t, "xref_uv", "yref_uv", w.block, grid);
      w.max_cutoff_angle = get_real_in_block_in_range(t, "max_cutoff_angle", w.block, 0.0f, 85.0f);
    }
  }
  if (w.wave_type == WaveType::kSolitary) {
    // A measured solitary wave keeps all its components.
    w.band.f_low = 0.0f;
    w.band.f_high = std::numeric_limits<float>::infinity();
  } else {
    w.band = read_frequency_band(t, w.block, false);
  }
}

}  // namespace

std::vector<Block> find_wavemaker_blocks(const ParamTable& t) {
  const std::vector<int> starts = find_entries(t, "start_wavemaker");
  if (starts.empty()) fatal("Zero wavemakers found in simulation parameter file");
  if (static_cast<int>(starts.size()) > kMaxWavemakers)
    fatal("Number of wavemakers exceeds maximum of " + compact_int(kMaxWavemakers));
  // A block ends at its first end_wavemaker; the search stops at the next start_wavemaker, so
  // that a block without its end is reported with its own number and blocks never overlap.
  std::vector<Block> blocks;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const int limit = k + 1 < starts.size() ? starts[k + 1] - 1 : t.size();
    int end = 0;
    for (int n = starts[k] + 1; n <= limit; ++n)
      if (t.keys[static_cast<std::size_t>(n - 1)] == "end_wavemaker") {
        end = n;
        break;
      }
    if (end == 0) fatal("End_Wavemaker symbol not found for Wavemaker #" + compact_int(static_cast<long long>(k) + 1));
    blocks.push_back(Block{starts[k], end});
  }
  return blocks;
}

void read_wavemaker_block(Wavemaker& w, const ParamTable& t, const GridHeader& grid, const Field& depth,
                          SeriesFileReference& series_ref, const Reporter& reporter) {
  read_position(w, t, grid);
  check_land(w, depth, reporter);

  const std::string type = get_lower_text_in_block(t, "wave_type", w.block);
  w.wave_type_text = type.substr(0, 32);
  if (type == "regular") {
    w.wave_type = WaveType::kRegular;
  } else if (type == "irreg_uni") {
    w.wave_type = WaveType::kIrregUni;
  } else if (type == "irreg_multi") {
    w.wave_type = WaveType::kIrregMulti;
  } else if (type == "solitary") {
    w.wave_type = WaveType::kSolitary;
  } else {
    fatal("Invalid wave_type in simulation parameter file");
  }

  switch (w.wave_type) {
    case WaveType::kRegular:
      w.series_option = 1;
      w.height = get_real_in_block_above(t, "wave_height", w.block, 0.0f, kMaxWaveHeight);
      w.period = get_real_in_block_above(t, "wave_period", w.block, 0.0f, kMaxWavePeriod);
      read_wave_direction(w, t, grid);
      w.wave_cycles = get_integer_in_block(t, "wave_cycles", w.block);
      if (w.wave_cycles <= 0) fatal(wavemaker_label(w.number), "number of wave cycles must be greater than 0");
      w.duration = static_cast<float>(w.wave_cycles) * w.period;
      break;
    case WaveType::kSolitary:
      w.height = get_real_in_block_above(t, "wave_height", w.block, 0.0f, kMaxWaveHeight);
      read_wave_direction(w, t, grid);
      read_series_option(w, t);
      if (w.series_option == 2) read_file_series(w, t, grid, series_ref, reporter);
      break;
    case WaveType::kIrregUni:
    case WaveType::kIrregMulti:
      read_series_option(w, t);
      if (w.series_option == 1) {
        read_synthesized_irregular(w, t, grid, depth, reporter);
      } else {
        read_file_series(w, t, grid, series_ref, reporter);
      }
      break;
  }
}

std::vector<float> WavemakerSet::heights() const {
  std::vector<float> h;
  for (const Wavemaker& w : wavemakers) h.push_back(w.height);
  return h;
}

std::vector<float> WavemakerSet::periods() const {
  std::vector<float> p;
  for (const Wavemaker& w : wavemakers) p.push_back(w.period);
  return p;
}

std::vector<BoundarySignal> WavemakerSet::take_signals() {
  std::vector<BoundarySignal> s;
  for (Wavemaker& w : wavemakers) s.push_back(std::move(w.signal));
  return s;
}

WavemakerSet read_wavemakers(const ParamTable& t, const GridHeader& grid, Field& depth, float& max_depth,
                             const Reporter& reporter) {
  WavemakerSet set;
  const std::vector<Block> blocks = find_wavemaker_blocks(t);
  SeriesFileReference series_ref;
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    Wavemaker w;
    w.number = static_cast<int>(k) + 1;
    w.block = blocks[k];
    read_wavemaker_block(w, t, grid, depth, series_ref, reporter);
    if (k > 0 && w.duration != set.wavemakers.front().duration)
      fatal("time series duration for wavemaker #" + compact_int(w.number), "is not equal to that for wavemaker #1");
    if (k == 0) {
      // The signal length follows from the model time step and, for a solitary wave, the
      // simulation duration.
      set.time_step = read_time_step(t);
      set.duration = read_duration(t);
      set.signal_steps = signal_steps(w, set.time_step, set.duration);
      set.storm_duration = w.duration;
    }
    check_signal_memory(w, set.signal_steps);
    prepare_wavemaker_signal(w, grid, depth, max_depth, set.time_step, set.signal_steps, reporter);
    set.wavemakers.push_back(std::move(w));
  }
  set.wave = representative_wave(set.heights(), set.periods(), max_depth);
  return set;
}

}  // namespace swx
