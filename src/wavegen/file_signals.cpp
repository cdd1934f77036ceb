#include "wavegen/file_signals.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "io/time_series_file.hpp"

namespace swx {

namespace {

constexpr int kDirectionWindow = 4;  // neighbours on each side in the co-spectral sums

void check_against_reference(const Wavemaker& w, int nsteps, float dt, SeriesFileReference& ref) {
  if (ref.wavemaker == 0) {
    ref.wavemaker = w.number;
    ref.dt = dt;
    ref.nsteps = nsteps;
    return;
  }
  if (dt != ref.dt || nsteps != ref.nsteps)
    fatal("TimeStep and/or NTimeSteps for wave generator #" + compact_int(w.number),
          "is not equal to that for wave generator #" + compact_int(ref.wavemaker));
}

}  // namespace

void read_eta_series_file(Wavemaker& w, const ParamTable& t, SeriesFileReference& ref) {
  w.eta_file = get_lower_text_in_block(t, "input_ts_eta_file", w.block);
  const TimeSeriesHeader h = read_time_series_header(w.eta_file);
  TimeSeriesColumn c = read_time_series_column(w.eta_file, 1, h.ncolumns, h.ntimesteps);
  check_against_reference(w, h.ntimesteps, c.dt, ref);
  w.eta_series = std::move(c.values);
  w.series_t0 = c.t0;
  w.series_dt = c.dt;
  w.series_steps = h.ntimesteps;
  w.duration = static_cast<float>(h.ntimesteps) * c.dt;
}

void read_uv_series_file(Wavemaker& w, const ParamTable& t, SeriesFileReference& ref) {
  w.uv_file = get_lower_text_in_block(t, "input_ts_uv_file", w.block);
  if (has_key_in_block(t, "input_ts_v_file", w.block)) {
    // x and y velocities in files of their own (a run's probe files): the first series of each.
    w.v_file = get_lower_text_in_block(t, "input_ts_v_file", w.block);
    auto first_series = [&](const std::string& path) {
      const TimeSeriesHeader h = read_time_series_header(path);
      TimeSeriesColumn c = read_time_series_column(path, 1, h.ncolumns, h.ntimesteps);
      check_against_reference(w, h.ntimesteps, c.dt, ref);
      return std::move(c.values);
    };
    w.u_series = first_series(w.uv_file);
    w.v_series = first_series(w.v_file);
    return;
  }
  const TimeSeriesHeader h = read_time_series_header(w.uv_file);
  if (h.ncolumns < 2) fatal("velocity time series file holds fewer than two", "data sets (u and v): " + w.uv_file);
  TimeSeriesColumn cu = read_time_series_column(w.uv_file, 1, h.ncolumns, h.ntimesteps);
  TimeSeriesColumn cv = read_time_series_column(w.uv_file, 2, h.ncolumns, h.ntimesteps);
  check_against_reference(w, h.ntimesteps, cu.dt, ref);
  w.u_series = std::move(cu.values);
  w.v_series = std::move(cv.values);
}

SpectralEstimate spectral_estimate(std::span<const float> eta, float dt) {
  SpectralEstimate e;
  const std::size_t n = eta.size();
  if (n < 2) return e;
  float sum = 0.0f;
  for (float x : eta) sum += x;
  const float mean = sum / static_cast<float>(n);
  float var = 0.0f;
  for (float x : eta) var += (x - mean) * (x - mean);
  e.height = 2.507f * std::sqrt(var / static_cast<float>(n - 1));

  const FftLength f = fft_length(static_cast<int>(n), dt);
  const std::vector<float> y = series_coefficients(eta, f);
  float m0 = 0.0f, m2 = 0.0f;
  for (int j = 1; j <= f.m; ++j) {
    const std::size_t js = static_cast<std::size_t>(j);
    const float p = 0.5f * (y[2 * js] * y[2 * js] + y[2 * js + 1] * y[2 * js + 1]);
    const float fj = static_cast<float>(j) * f.df;
    m0 += p;
    m2 += p * fj * fj;
  }
  e.period = m2 > 0.0f ? std::sqrt(m0 / m2) : 0.0f;
  return e;
}

std::vector<float> velocity_directions(std::span<const float> eta, std::span<const float> u, std::span<const float> v,
                                       const FftLength& f, BandIndices band, float max_cutoff_deg,
                                       float& principal_deg) {
  const std::vector<float> ye = series_coefficients(eta, f);
  const std::vector<float> yu = series_coefficients(u, f);
  const std::vector<float> yv = series_coefficients(v, f);
  const std::size_t m = static_cast<std::size_t>(f.m);
  std::vector<double> cu(m + 1, 0.0), cv(m + 1, 0.0);
  double su = 0.0, sv = 0.0;
  for (int j = band.j_low; j <= band.j_high; ++j) {
    const std::size_t r = 2 * static_cast<std::size_t>(j), i = r + 1;
    cu[static_cast<std::size_t>(j)] = static_cast<double>(ye[r]) * yu[r] + static_cast<double>(ye[i]) * yu[i];
    cv[static_cast<std::size_t>(j)] = static_cast<double>(ye[r]) * yv[r] + static_cast<double>(ye[i]) * yv[i];
    su += cu[static_cast<std::size_t>(j)];
    sv += cv[static_cast<std::size_t>(j)];
  }
  constexpr double kRadToDeg = 180.0 / kPiDouble;
  principal_deg = (su == 0.0 && sv == 0.0) ? 0.0f : static_cast<float>(std::atan2(sv, su) * kRadToDeg);
  std::vector<float> dir(m + 1, principal_deg);
  for (int j = band.j_low; j <= band.j_high; ++j) {
    double wu = 0.0, wv = 0.0;
    for (int q = std::max(band.j_low, j - kDirectionWindow); q <= std::min(band.j_high, j + kDirectionWindow); ++q) {
      wu += cu[static_cast<std::size_t>(q)];
      wv += cv[static_cast<std::size_t>(q)];
    }
    if (wu == 0.0 && wv == 0.0) continue;
    float delta = static_cast<float>(std::atan2(wv, wu) * kRadToDeg) - principal_deg;
    while (delta > 180.0f) delta -= 360.0f;
    while (delta <= -180.0f) delta += 360.0f;
    dir[static_cast<std::size_t>(j)] = principal_deg + std::clamp(delta, -max_cutoff_deg, max_cutoff_deg);
  }
  return dir;
}

}  // namespace swx
