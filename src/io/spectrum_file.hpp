#pragma once
// Spectrum input files: one-dimensional frequency spectra (.spf, time series layout) and
// directional spectra (.dws, grid header layout), and the peak routines of a sampled spectrum.
#include <span>
#include <string>
#include <vector>

#include "core/array2d.hpp"

namespace swx {

inline constexpr int kMaxFrequencies = 1201;  // frequency components of a wavemaker spectrum
inline constexpr int kMaxDirections = 361;    // direction bins of a wavemaker

// One-sided frequency spectrum S(f) (m^2/Hz) sampled at f0 + k df, k = 0..count-1.
struct FrequencySpectrum {
  std::vector<float> S;  // count values
  float f0 = 0.0f;       // Hz, first frequency
  float df = 0.0f;       // Hz, frequency step
  int count() const { return static_cast<int>(S.size()); }
};

struct DirectionalSpectrum {
  FrequencySpectrum spectrum;  // S(k) = sum over m of E(k, m) dir_spacing
  int ndir = 0;
  float dir_spacing = 0.0f;          // degrees
  std::vector<float> directions;     // ndir values, model convention 270 - nautical, increasing
  Array2D<float> E;                  // E(k, m): frequency k = 1..nfreq, file direction m = 1..ndir
  float min_wave_dir = 0.0f;         // degrees, file convention with grid_orientation added
  float peak_period = 0.0f;          // s
  float peak_frequency = 0.0f;       // Hz
  float principal_direction = 0.0f;  // degrees, file convention with grid_orientation added
};

// Reads a frequency spectrum file (at most 1201 records); df = (f(last) - f(first)) / nfreq.
FrequencySpectrum read_frequency_spectrum(const std::string& file_name);
// Reads a directional spectrum file (at most 1201 frequencies and 361 directions).
// Direction column m of E holds min_wave_dir + (m - 1) dir_spacing; directions[ndir - m]
// (0-based) holds 270 - (min_wave_dir + (m - 1) dir_spacing), so the stored directions
// increase with their index and run opposite to the columns of E.
DirectionalSpectrum read_directional_spectrum(const std::string& file_name, float grid_orientation);

// Index (0-based) of the first largest value of S.
int peak_index(std::span<const float> S);
// f0 + peak_index(S) df.
float peak_frequency(std::span<const float> S, float f0, float df);
// 1 / peak_frequency, or 2 / df when the peak frequency is 0.
float peak_period(std::span<const float> S, float f0, float df);

}  // namespace swx
