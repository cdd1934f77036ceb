#include "wavegen/file_signals.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "io/time_series_file.hpp"
#include "wavegen/numerics.hpp"

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

namespace {

constexpr double kRadToDeg = 180.0 / kPiDouble;

// Co-spectra of elevation with u and with v of component j after the velocities are moved from
// their gauge back to the elevation gauge by the phase psi = k (dx cos th + dy sin th) that a
// wave of direction th (rad) takes over the separation.
struct CoSpectra {
  double u = 0.0, v = 0.0;
};
CoSpectra moved_co_spectra(std::span<const float> ye, std::span<const float> yu, std::span<const float> yv,
                           std::size_t j, double k, const GaugeSeparation& apart, double th) {
  const std::size_t r = 2 * j, i = r + 1;
  const double psi = k * (apart.dx * std::cos(th) + apart.dy * std::sin(th));
  const double cp = std::cos(psi), sp = std::sin(psi);
  const double er = ye[r], ei = ye[i];
  return {er * (yu[r] * cp + yu[i] * sp) + ei * (yu[i] * cp - yu[r] * sp),
          er * (yv[r] * cp + yv[i] * sp) + ei * (yv[i] * cp - yv[r] * sp)};
}

// Direction (deg) of the co-spectra of components lo..hi moved with the phase of direction th.
double moved_direction(std::span<const float> ye, std::span<const float> yu, std::span<const float> yv,
                       const std::vector<double>& k, int lo, int hi, const GaugeSeparation& apart, double th) {
  double wu = 0.0, wv = 0.0;
  for (int q = lo; q <= hi; ++q) {
    const std::size_t qs = static_cast<std::size_t>(q);
    const CoSpectra c = moved_co_spectra(ye, yu, yv, qs, k[qs], apart, th);
    wu += c.u;
    wv += c.v;
  }
  return std::atan2(wv, wu) * kRadToDeg;
}

}  // namespace

std::vector<float> velocity_directions(std::span<const float> eta, std::span<const float> u, std::span<const float> v,
                                       const FftLength& f, BandIndices band, float max_cutoff_deg, float& principal_deg,
                                       const GaugeSeparation& apart) {
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
  principal_deg = (su == 0.0 && sv == 0.0) ? 0.0f : static_cast<float>(std::atan2(sv, su) * kRadToDeg);
  std::vector<float> dir(m + 1, principal_deg);

  // Gauges apart: a wave's velocity reaches the velocity gauge with the phase it takes over the
  // separation, which depends on its direction.  Each direction of a whole-degree search is
  // tried: the velocities are moved back to the elevation gauge with that direction's phase
  // and projected on it; the direction whose projected co-spectrum is largest is the wave's
  // (a progressive wave's velocity is in phase with its elevation along its direction of
  // travel), refined from the moved co-spectra.
  const bool separated = (apart.dx != 0.0f || apart.dy != 0.0f) && apart.depth > 0.0f;
  std::vector<double> k(m + 1, 0.0);
  std::vector<double> best_th(m + 1, 0.0), best(m + 1, -std::numeric_limits<double>::infinity());
  if (separated && band.j_low <= band.j_high) {
    for (int j = band.j_low; j <= band.j_high; ++j)
      k[static_cast<std::size_t>(j)] = wavenumber(kTwoPi * static_cast<float>(j) * f.df, apart.depth);
    const std::size_t nb = static_cast<std::size_t>(band.j_high - band.j_low) + 1;
    std::vector<double> prefix(nb + 1, 0.0);
    double best_total = -std::numeric_limits<double>::infinity(), principal_th = 0.0;
    for (int c = 0; c < 360; ++c) {
      const double th = c / kRadToDeg;
      for (std::size_t q = 0; q < nb; ++q) {
        const std::size_t j = static_cast<std::size_t>(band.j_low) + q;
        const CoSpectra cs = moved_co_spectra(ye, yu, yv, j, k[j], apart, th);
        prefix[q + 1] = prefix[q] + cs.u * std::cos(th) + cs.v * std::sin(th);
      }
      if (prefix[nb] > best_total) {
        best_total = prefix[nb];
        principal_th = th;
      }
      for (int j = band.j_low; j <= band.j_high; ++j) {
        const std::size_t lo = static_cast<std::size_t>(std::max(band.j_low, j - kDirectionWindow) - band.j_low);
        const std::size_t hi = static_cast<std::size_t>(std::min(band.j_high, j + kDirectionWindow) - band.j_low);
        const double w = prefix[hi + 1] - prefix[lo];
        if (w > best[static_cast<std::size_t>(j)]) {
          best[static_cast<std::size_t>(j)] = w;
          best_th[static_cast<std::size_t>(j)] = th;
        }
      }
    }
    if (su != 0.0 || sv != 0.0)
      principal_deg = static_cast<float>(moved_direction(ye, yu, yv, k, band.j_low, band.j_high, apart, principal_th));
  }

  for (int j = band.j_low; j <= band.j_high; ++j) {
    double wu = 0.0, wv = 0.0;
    const int lo = std::max(band.j_low, j - kDirectionWindow), hi = std::min(band.j_high, j + kDirectionWindow);
    for (int q = lo; q <= hi; ++q) {
      wu += cu[static_cast<std::size_t>(q)];
      wv += cv[static_cast<std::size_t>(q)];
    }
    if (wu == 0.0 && wv == 0.0) {
      dir[static_cast<std::size_t>(j)] = principal_deg;
      continue;
    }
    const double d = separated ? moved_direction(ye, yu, yv, k, lo, hi, apart, best_th[static_cast<std::size_t>(j)])
                               : std::atan2(wv, wu) * kRadToDeg;
    float delta = static_cast<float>(d) - principal_deg;
    while (delta > 180.0f) delta -= 360.0f;
    while (delta <= -180.0f) delta += 360.0f;
    dir[static_cast<std::size_t>(j)] = principal_deg + std::clamp(delta, -max_cutoff_deg, max_cutoff_deg);
  }
  return dir;
}

}  // namespace swx
