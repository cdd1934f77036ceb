#include "io/spectrum_file.hpp"

#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "io/time_series_file.hpp"

namespace swx {

int peak_index(std::span<const float> S) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(S.size()); ++i)
    if (S[static_cast<std::size_t>(i)] > S[static_cast<std::size_t>(best)]) best = i;
  return best;
}

float peak_frequency(std::span<const float> S, float f0, float df) {
  return f0 + static_cast<float>(peak_index(S)) * df;
}

float peak_period(std::span<const float> S, float f0, float df) {
  const float f = peak_frequency(S, f0, df);
  return f == 0.0f ? 2.0f / df : 1.0f / f;
}

FrequencySpectrum read_frequency_spectrum(const std::string& file_name) {
  const TextLines lines = load_text_lines(file_name);
  const std::string incomplete = "incomplete header section in time series file: " + file_name;
  int nfreq = 0;
  bool found = false;
  for (int k = 0;; ++k) {
    if (k >= lines.count()) fatal(incomplete);
    const std::string_view line = lines.line(k);
    if (is_data_line(line)) break;
    std::string key;
    std::string_view value;
    if (split_key_line(line, key, value) && key == "nfrequencies") {
      if (!read_integer_item(value, nfreq))
        fatal("Value of :NFrequencies is not an integer in spectrum file:", file_name);
      found = true;
    }
  }
  if (!found) fatal(incomplete);
  if (nfreq > kMaxFrequencies)
    fatal("number of frequency components in input", "wave spectrum exceeds maximum",
          "allowable number of " + compact_int(kMaxFrequencies));
  NumberReader r = numbers_after_end_header(lines, "End of Header not found in time series file: ");
  if (nfreq < 1) fatal("NFrequencies must be at least 1 in spectrum file:", file_name);
  if (nfreq > lines.count() - r.line)
    fatal("Fewer data records than NFrequencies = " + compact_int(nfreq) + " in spectrum file:", file_name);
  FrequencySpectrum s;
  s.S.resize(static_cast<std::size_t>(nfreq));
  float f_first = 0.0f, f_last = 0.0f;
  for (int k = 1; k <= nfreq; ++k) {
    const float f = read_number(r);
    s.S[static_cast<std::size_t>(k - 1)] = read_number(r);
    if (k == 1) f_first = f;
    f_last = f;
    next_record(r);
  }
  s.f0 = f_first;
  s.df = (f_last - f_first) / static_cast<float>(nfreq);
  return s;
}

DirectionalSpectrum read_directional_spectrum(const std::string& file_name, float grid_orientation) {
  const TextLines lines = load_text_lines(file_name);
  const std::string incomplete = "  incomplete header section in grid file: " + file_name;
  // The seven required keys, in the order their presence is checked.
  enum Key { kFreqInterval, kDirSpacing, kInitialFreq, kMinWaveDir, kNFrequencies, kNDirections, kNArrays, kKeys };
  static constexpr const char* kNames[kKeys] = {"freq_interval", "dir_spacing", "initial_freq", "min_wave_dir",
                                                "nfrequencies",  "ndirections", "n_arrays"};
  float reals[kKeys] = {};
  int ints[kKeys] = {};
  bool found[kKeys] = {};
  for (int k = 0;; ++k) {
    if (k >= lines.count()) fatal(incomplete);
    const std::string_view line = lines.line(k);
    if (is_data_line(line)) break;
    std::string key;
    std::string_view value;
    if (!split_key_line(line, key, value)) continue;
    for (int q = 0; q < kKeys; ++q) {
      if (key != kNames[q]) continue;
      const bool ok = q >= kNFrequencies ? read_integer_item(value, ints[q]) : read_real_item(value, reals[q]);
      if (!ok) fatal("Value of :" + key + " is not a number in directional spectrum file:", file_name);
      found[q] = true;
    }
  }
  for (int q = 0; q < kKeys; ++q)
    if (!found[q]) fatal(incomplete);

  DirectionalSpectrum d;
  d.min_wave_dir = reals[kMinWaveDir] + grid_orientation;
  d.dir_spacing = reals[kDirSpacing];
  const int nfreq = ints[kNFrequencies];
  const int ndir = ints[kNDirections];
  if (nfreq > kMaxFrequencies)
    fatal("number of frequency components in input", "directional wave spectrum exceeds maximum",
          "allowable number of " + compact_int(kMaxFrequencies));
  if (ndir > kMaxDirections)
    fatal("number of wave directions in input", "directional wave spectrum exceeds maximum",
          "allowable number of " + compact_int(kMaxDirections));
  if (!(d.dir_spacing > 0.0f) || !(reals[kFreqInterval] > 0.0f))
    fatal("freq_interval and dir_spacing must be positive in directional spectrum file:", file_name);
  if (nfreq < 1 || ndir < 1)
    fatal("NFrequencies and NDirections must be at least 1 in directional spectrum file:", file_name);

  NumberReader r = numbers_after_end_header(lines, "  End of Header not found in grid file: ");
  d.ndir = ndir;
  d.E.resize(nfreq, ndir);
  for (int m = 1; m <= ndir; ++m)
    for (int k = 1; k <= nfreq; ++k) d.E(k, m) = read_number(r);

  FrequencySpectrum& s = d.spectrum;
  s.f0 = reals[kInitialFreq];
  s.df = reals[kFreqInterval];
  s.S.assign(static_cast<std::size_t>(nfreq), 0.0f);
  for (int k = 1; k <= nfreq; ++k) {
    float sum = 0.0f;
    for (int m = 1; m <= ndir; ++m) sum += d.E(k, m) * d.dir_spacing;
    s.S[static_cast<std::size_t>(k - 1)] = sum;
  }

  d.directions.assign(static_cast<std::size_t>(ndir), 0.0f);
  for (int m = 0; m < ndir; ++m)
    d.directions[static_cast<std::size_t>(ndir - m - 1)] =
        270.0f - (static_cast<float>(m) * d.dir_spacing + d.min_wave_dir);

  d.peak_period = peak_period(s.S, s.f0, s.df);
  d.peak_frequency = 1.0f / d.peak_period;
  // Frequency row of the peak; held inside the table against rounding of the division.
  const float row = (1.0f / d.peak_period - s.f0) / s.df + 1.0f;
  const int kp = row >= static_cast<float>(nfreq) ? nfreq : (row >= 1.0f ? static_cast<int>(row) : 1);
  int md = 1;
  for (int m = 2; m <= ndir; ++m)
    if (d.E(kp, m) > d.E(kp, md)) md = m;
  d.principal_direction = d.min_wave_dir + static_cast<float>(md - 1) * d.dir_spacing;
  return d;
}

}  // namespace swx
