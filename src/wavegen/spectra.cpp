#include "wavegen/spectra.hpp"

#include <cmath>
#include <cstddef>
#include <string>

#include "core/constants.hpp"
#include "core/fatal.hpp"

namespace swx {

namespace {

constexpr int kLast = kSpectrumSize - 1;  // highest frequency index, 6 f_p

float pow4(float v) { return v * v * v * v; }

FrequencySpectrum empty_grid(float df) {
  FrequencySpectrum s;
  s.S.assign(static_cast<std::size_t>(kSpectrumSize), 0.0f);
  s.f0 = 0.0f;
  s.df = df;
  return s;
}

// Bretschneider / Pierson-Moskowitz closed form on the angular-frequency grid of step 2 pi df:
// S = K w^-5 exp(-B / w^4) with B = 1.25 w_p^4 and K = B (pi/2) H_s^2 (the density per Hz).
FrequencySpectrum closed_form_spectrum(float omega_p, float H_s, float df) {
  FrequencySpectrum s = empty_grid(df);
  const float domega = kTwoPi * df;
  const float B = 1.25f * pow4(omega_p);
  const float K = B * 1.5707963f * H_s * H_s;
  for (int i = 1; i <= kLast; ++i) {
    const float omega = static_cast<float>(i) * domega;
    const float e = B / pow4(omega);
    if (e < 60.0f) s.S[static_cast<std::size_t>(i)] = K / (pow4(omega) * omega) * std::exp(-e);
  }
  return s;
}

// tanh written through one exponential, as the depth factor of the TMA shape uses it.
float tanh_from_exp(float y) {
  const float e = std::exp(y);
  return (e - 1.0f / e) / (e + 1.0f / e);
}

// 1 / tanh(kh) for x = omega^2 h / g, omega_h = omega sqrt(h / g) (x = omega_h^2).
float inverse_tanh_kh(float omega_h, float x) {
  if (x < 2.5e-5f) return 1.0f / std::fabs(omega_h);
  if (x >= 50.0f) return 1.0f;
  float y = x;
  float t = tanh_from_exp(y);
  float R = y * t - x;
  for (int corrections = 0; std::fabs(R) > std::fabs(x * 1.0e-6f) && corrections < 20; ++corrections) {
    y -= R / ((1.0f - t * t) * y + t);
    t = tanh_from_exp(y);
    R = y * t - x;
  }
  return y / x;
}

}  // namespace

float zeroth_moment_height(std::span<const float> S, float df) {
  float sum = 0.0f;
  for (float v : S) sum += v * df;
  return 4.0f * std::sqrt(sum);
}

void rescale_to_height(FrequencySpectrum& s, float H_s) {
  const float H = zeroth_moment_height(s.S, s.df);
  if (!(H > 0.0f)) return;  // nothing to scale: a spectrum without energy stays zero
  const float factor = (H_s / H) * (H_s / H);
  for (std::size_t i = 1; i < s.S.size(); ++i) s.S[i] *= factor;
}

FrequencySpectrum jonswap_spectrum(float f_p, float alpha, float gamma) {
  FrequencySpectrum s = empty_grid(6.0f * f_p / 1200.0f);
  const float A = alpha * 96.23611f / 1558.5452f;  // alpha g^2 / (2 pi)^4
  for (int i = 1; i <= kLast; ++i) {
    const float f = static_cast<float>(i) * s.df;
    const float E = 1.25f * pow4(f_p / f);
    if (E > 50.0f) continue;
    const float sigma = f > f_p ? 0.09f : 0.07f;
    const float r = (f - f_p) * (f - f_p) / (2.0f * sigma * sigma * f_p * f_p);
    float v = A / (pow4(f) * f) * std::exp(-E);
    if (r <= 50.0f) v *= std::pow(gamma, std::exp(-r));
    s.S[static_cast<std::size_t>(i)] = v;
  }
  return s;
}

FrequencySpectrum bretschneider_spectrum(float H_s, float T_p) {
  const float omega_p = kTwoPi / T_p;
  return closed_form_spectrum(omega_p, H_s, (1.0f / T_p) * 6.0f / 1200.0f);
}

FrequencySpectrum pm_spectrum(float omega_p, float H_s) {
  return closed_form_spectrum(omega_p, H_s, (omega_p / kTwoPi) * 6.0f / 1200.0f);
}

FrequencySpectrum tma_spectrum(float f_p, float gamma, float h) {
  if (!(h > 0.0f)) fatal("TMA spectrum requires a positive water depth", "at the wavemaker");
  FrequencySpectrum s = empty_grid(6.0f * f_p / 1200.0f);
  const float depth_factor = std::sqrt(h / kGravity);
  for (int i = 1; i <= kLast; ++i) {
    const float f = static_cast<float>(i) * s.df;
    const float sigma = f > f_p ? 0.09f : 0.07f;
    const float e = 1.25f * pow4(f_p) / pow4(f);
    float E = 0.0f;
    if (e <= 60.0f) {
      E = 0.0005001539f / (pow4(f) * f) * std::exp(-e);
      const float r = (f - f_p) * (f - f_p) / (2.0f * sigma * sigma * f_p * f_p);
      if (r < 40.0f) E *= std::pow(gamma, std::exp(-r));
    }
    const float omega_h = kTwoPi * f * depth_factor;
    const float x = omega_h * omega_h;
    const float q = inverse_tanh_kh(omega_h, x);
    float D = q * q;
    const float z = 2.0f * q * x;  // 2 k h
    if (z < 60.0f) D = q * q * (1.0f + z / std::sinh(z));
    s.S[static_cast<std::size_t>(i)] = E / D;
  }
  return s;
}

FrequencySpectrum ochi_hubble_spectrum(float H_s1, float H_s2, float T_p1, float T_p2, float lambda1, float lambda2) {
  const float f_c[2] = {1.0f / T_p1, 1.0f / T_p2};
  const float H_c[2] = {H_s1, H_s2};
  const float lambda[2] = {lambda1, lambda2};
  FrequencySpectrum s = empty_grid(6.0f * f_c[1] / 1200.0f);
  float c[2];
  for (int j = 0; j < 2; ++j) {
    const float omega_p = kTwoPi * f_c[j];
    c[j] = std::pow((lambda[j] + 0.25f) * pow4(omega_p), lambda[j]) / std::tgamma(lambda[j]);
  }
  for (int i = 1; i <= kLast; ++i) {
    const float f = static_cast<float>(i) * s.df;
    const float omega = kTwoPi * f;
    float sum = 0.0f;
    for (int j = 0; j < 2; ++j) {
      const float e = (lambda[j] + 0.25f) * pow4(f_c[j] / f);
      if (e <= 60.0f) sum += c[j] * H_c[j] * H_c[j] * std::pow(omega, -(4.0f * lambda[j] + 1.0f)) * std::exp(-e);
    }
    s.S[static_cast<std::size_t>(i)] = sum * 1.5707963f;
  }
  return s;
}

FrequencySpectrum build_parametric_spectrum(const ParamTable& t, Block b, float depth) {
  const std::string type = get_lower_text_in_block(t, "spectral_type", b);
  SpectrumShape shape = SpectrumShape::kNone;
  if (type == "jonswap") shape = SpectrumShape::kJonswap;
  if (type == "bret") shape = SpectrumShape::kBretschneider;
  if (type == "pm") shape = SpectrumShape::kPiersonMoskowitz;
  if (type == "tma") shape = SpectrumShape::kTma;
  if (type == "ochi") shape = SpectrumShape::kOchiHubble;

  switch (shape) {
    case SpectrumShape::kJonswap: {
      const std::string option = get_lower_text_in_block(t, "jonswap_option", b);
      if (option != "hs" && option != "wind") fatal("Invalid JONSWAP_OPTION in Simulation Parameter File");
      float f_p, alpha, H_s = 0.0f;
      if (option == "hs") {
        H_s = get_real_in_block_above(t, "sig_wave_height", b, 0.0f, kMaxWaveHeight);
        const float T_p = get_real_in_block_above(t, "peak_wave_period", b, 0.0f, kMaxWavePeriod);
        f_p = 1.0f / T_p;
        alpha = 0.0081f;
      } else {
        const float U = get_real_in_block_above(t, "wind_speed", b, 0.0f, kInfinite);
        const float F = get_real_in_block_above(t, "fetch_distance", b, 0.0f, kInfinite);  // km
        const float X = U * U / (9810.0f * F);
        f_p = 3.5f * (kGravity / U) * std::pow(X, 0.33f);
        alpha = 0.076f * std::pow(X, 0.22f);
      }
      const float gamma = get_real_in_block_above(t, "gamma", b, 0.0f, kInfinite);
      FrequencySpectrum s = jonswap_spectrum(f_p, alpha, gamma);
      if (option == "hs") rescale_to_height(s, H_s);
      return s;
    }
    case SpectrumShape::kBretschneider: {
      const float H_s = get_real_in_block_above(t, "sig_wave_height", b, 0.0f, kMaxWaveHeight);
      const float T_p = get_real_in_block_above(t, "peak_wave_period", b, 0.0f, kMaxWavePeriod);
      return bretschneider_spectrum(H_s, T_p);
    }
    case SpectrumShape::kPiersonMoskowitz: {
      const std::string option = get_lower_text_in_block(t, "pm_option", b);
      float omega_p, H_s;
      if (option == "wind") {
        const float U = get_real_in_block_above(t, "wind_speed", b, 0.0f, kInfinite);
        omega_p = 0.87716323f * kGravity / U;
        H_s = 0.1609969f * kGravity / (omega_p * omega_p);
      } else if (option == "hs") {
        H_s = get_real_in_block_above(t, "sig_wave_height", b, 0.0f, kMaxWaveHeight);
        omega_p = 0.4012442f * std::sqrt(kGravity / H_s);
      } else if (option == "tp") {
        const float T_p = get_real_in_block_above(t, "peak_wave_period", b, 0.0f, kMaxWavePeriod);
        omega_p = kTwoPi / T_p;
        H_s = 0.1609969f * kGravity / (omega_p * omega_p);
      } else {
        fatal("Invalid PM_OPTION in Simulation Parameter File");
      }
      return pm_spectrum(omega_p, H_s);
    }
    case SpectrumShape::kTma: {
      const float H_s = get_real_in_block_above(t, "sig_wave_height", b, 0.0f, kMaxWaveHeight);
      const float T_p = get_real_in_block_above(t, "peak_wave_period", b, 0.0f, kMaxWavePeriod);
      const float gamma = get_real_in_block_above(t, "gamma", b, 0.0f, kInfinite);
      FrequencySpectrum s = tma_spectrum(1.0f / T_p, gamma, depth);
      rescale_to_height(s, H_s);
      return s;
    }
    case SpectrumShape::kOchiHubble: {
      const float H_s1 = get_real_in_block_above(t, "sig_wave_height_low", b, 0.0f, kMaxWaveHeight);
      const float H_s2 = get_real_in_block_above(t, "sig_wave_height_high", b, 0.0f, kMaxWaveHeight);
      const float T_p1 = get_real_in_block_above(t, "peak_wave_period_low", b, 0.0f, kMaxWavePeriod);
      const float T_p2 = get_real_in_block_above(t, "peak_wave_period_high", b, 0.0f, kMaxWavePeriod);
      const float lambda1 = get_real_in_block_above(t, "gamma_low", b, 0.0f, kInfinite);
      const float lambda2 = get_real_in_block_above(t, "gamma_high", b, 0.0f, kInfinite);
      FrequencySpectrum s = ochi_hubble_spectrum(H_s1, H_s2, T_p1, T_p2, lambda1, lambda2);
      rescale_to_height(s, std::sqrt(H_s1 * H_s1 + H_s2 * H_s2));
      return s;
    }
    case SpectrumShape::kNone:
      break;
  }
  fatal("Invalid SPECTRAL_TYPE in Simulation Parameter File");
}

}  // namespace swx
