#pragma once
// The wavemaker blocks of the simulation parameter file: finding them, reading each one with
// its checks, and preparing each wavemaker's boundary signal right after its block is read.
#include <vector>

#include "core/array2d.hpp"
#include "core/boundary_signal.hpp"
#include "core/fatal.hpp"
#include "io/grid_file.hpp"
#include "params/param_table.hpp"
#include "wavegen/file_signals.hpp"
#include "wavegen/nonlinearity.hpp"
#include "wavegen/wavemaker.hpp"

namespace swx {

// Blocks start_wavemaker .. end_wavemaker, in order.  None, more than 4, or a block without
// its end stop the run.
std::vector<Block> find_wavemaker_blocks(const ParamTable& t);

// Reads the keys of wavemaker w (w.number and w.block set) in their order, with every check,
// without preparing the signal.  depth is the grid's still-water depth (land check, TMA depth).
void read_wavemaker_block(Wavemaker& w, const ParamTable& t, const GridHeader& grid, const Field& depth,
                          SeriesFileReference& series_ref, const Reporter& reporter);

struct WavemakerSet {
  std::vector<Wavemaker> wavemakers;
  float time_step = 0.0f;       // s, as read for the signal length
  float duration = 0.0f;        // s, simulation duration
  int signal_steps = 0;         // N, steps of every wavemaker signal
  float storm_duration = 0.0f;  // s, duration of wavemaker 1's series
  RepresentativeWave wave;      // rms_wave_height, mean_period, mean_frequency, mean_wavenumber

  // H and T of every wavemaker after the analysis of its reference series.
  std::vector<float> heights() const;
  std::vector<float> periods() const;
  // Moves the boundary signals out, wavemaker 1 first (the time loop's copy).
  std::vector<BoundarySignal> take_signals();
};

// The wavemaker phase of a run: finds and reads every block and prepares its signal.
// depth: still-water depth of the grid after the tidal offset, (nx + 1) x (ny + 1); it and
// max_depth may be lowered by the depth cap.  Reads time_step and duration (both must be
// positive) for the signal length.
WavemakerSet read_wavemakers(const ParamTable& t, const GridHeader& grid, Field& depth, float& max_depth,
                             const Reporter& reporter);

}  // namespace swx
