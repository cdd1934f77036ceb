#pragma once
// Parametric frequency spectra of a wavemaker: JONSWAP, Bretschneider, Pierson-Moskowitz, TMA
// and Ochi-Hubble, on 1201 frequencies from 0 to 6 times the peak frequency.
#include <limits>
#include <span>

#include "io/spectrum_file.hpp"
#include "params/param_table.hpp"

namespace swx {

// Bounds of the wave heights and periods a wavemaker accepts: heights and periods must be
// above 0, and beyond these bounds a value is a typing error, not a sea state.
inline constexpr float kMaxWaveHeight = 100.0f;   // m
inline constexpr float kMaxWavePeriod = 1000.0f;  // s, as wave_period_max
inline constexpr float kInfinite = std::numeric_limits<float>::infinity();

inline constexpr int kSpectrumSize = 1201;

enum class SpectrumShape {
  kNone = 0,
  kJonswap = 1,
  kBretschneider = 2,
  kPiersonMoskowitz = 3,
  kTma = 4,
  kOchiHubble = 5
};

// Reads the spectrum keys of a wavemaker block in the order of the chosen shape and builds the
// spectrum: S[0..1200] at i df, S[0] = 0, f0 = 0.  depth (m) is used by TMA only.  Invalid
// spectral_type, jonswap_option or pm_option values stop the run.
FrequencySpectrum build_parametric_spectrum(const ParamTable& t, Block b, float depth);

// The shapes themselves (no key reading).  f_p in Hz, T_p in s, H_s in m, U in m/s, F in km.
FrequencySpectrum jonswap_spectrum(float f_p, float alpha, float gamma);
FrequencySpectrum bretschneider_spectrum(float H_s, float T_p);
// Pierson-Moskowitz closed form for a peak angular frequency omega_p (rad/s) and height H_s.
FrequencySpectrum pm_spectrum(float omega_p, float H_s);
// TMA before rescaling: JONSWAP (alpha 0.0081) times the finite-depth factor at depth h.
FrequencySpectrum tma_spectrum(float f_p, float gamma, float h);
// Ochi-Hubble before rescaling, two components (H_s1, T_p1, lambda1) and (H_s2, T_p2, lambda2).
FrequencySpectrum ochi_hubble_spectrum(float H_s1, float H_s2, float T_p1, float T_p2, float lambda1, float lambda2);
// Multiplies S[1..] by (H_s / H_m0(S))^2.
void rescale_to_height(FrequencySpectrum& s, float H_s);

// H_m0 = 4 sqrt(sum of S[i] df) over all values (rectangle rule).
float zeroth_moment_height(std::span<const float> S, float df);

}  // namespace swx
