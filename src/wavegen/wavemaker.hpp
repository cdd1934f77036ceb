#pragma once
// One wavemaker as read from its block of the simulation parameter file, with everything its
// boundary signal is built from: position and side, wave type and options, the wave height,
// period and direction, the spectrum, direction bins and band, the reference series and the
// signal itself.  Held for the whole run.
#include <string>
#include <vector>

#include "core/boundary_signal.hpp"
#include "io/spectrum_file.hpp"
#include "params/param_table.hpp"
#include "wavegen/spreading.hpp"

namespace swx {

enum class WaveType { kRegular = 1, kIrregUni = 2, kIrregMulti = 3, kSolitary = 4 };

struct Wavemaker {
  int number = 0;  // 1-based
  Block block;     // start_wavemaker .. end_wavemaker entries

  // Line of grid cells, sorted so that i1 <= i2 and j1 <= j2.
  int i1 = 0, i2 = 0, j1 = 0, j2 = 0;
  WavemakerSide side = WavemakerSide::kNone;
  bool full_side = false;  // the line covers its whole side

  std::string wave_type_text;  // as given, at most 32 characters
  WaveType wave_type = WaveType::kRegular;
  int series_option = 1;  // time_series_option: 1 synthesize, 2 file
  int spec_option = 1;    // wave_spec_option: 1 parameter, 2 file
  int dsf_option = 1;     // wave_dsf_option: 1 parameter, 2 velocity series

  float height = 0.0f;     // m; replaced by the analysed height of the reference series
  float period = 0.0f;     // s; replaced by the analysed period of the reference series
  float direction = 0.0f;  // degrees, direction of travel ccw from the grid's +x axis
  int wave_cycles = 0;
  float duration = 0.0f;  // s, length of the generated series
  int seed = 0;
  bool rescale = false;
  int linear_flag = 1;  // 0: permanent-form generation, one signal for the whole line

  FrequencySpectrum spectrum;        // parametric or from a spectrum file
  DirectionalSpreading spreading;    // bins and weights (parametric spreading)
  DirectionalSpectrum dir_spectrum;  // directional spectrum file
  FrequencyBand band;                // f_low, f_high of the generated components

  // Series file input.
  std::string eta_file, uv_file, v_file;              // v_file: y velocity in a file of its own (may be empty)
  std::vector<float> eta_series, u_series, v_series;  // as read
  float series_t0 = 0.0f, series_dt = 0.0f;           // s
  int series_steps = 0;
  GridPoint ref_eta, ref_uv;      // grid-frame coordinates of the series
  float max_cutoff_angle = 0.0f;  // degrees, velocity-based spreading

  std::vector<float> eta_ref;  // reference series, N samples of the model time step
  BoundarySignal signal;
};

}  // namespace swx
