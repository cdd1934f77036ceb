#include "wavegen/synthesis.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "io/zero_crossing.hpp"
#include "wavegen/file_signals.hpp"
#include "wavegen/nonlinearity.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/permanent_form.hpp"
#include "wavegen/random.hpp"

namespace swx {

namespace {

constexpr float kDegToRad = kPi / 180.0f;
constexpr float kNormalAcceptance = 0.999f;  // cosine of 2.56 degrees

// Directions of a row wavemaker's exchanged frame.
float generation_direction(const Wavemaker& w, float grid_direction) {
  return is_row_side(w.side) ? 90.0f - grid_direction : grid_direction;
}

void fill_signal_header(const Wavemaker& w, BoundarySignal& s) {
  s.number = w.number;
  s.side = w.side;
  s.i1 = w.i1;
  s.i2 = w.i2;
  s.j1 = w.j1;
  s.j2 = w.j2;
  s.linear_flag = w.linear_flag;
}

}  // namespace

// Bin i (0-based) is the i-th of the file's directions in increasing order of the direction of
// travel, 270 - nautical: file column m = ndir - i.
DirectionalComponents directional_components(const Wavemaker& w, const FftLength& f) {
  const DirectionalSpectrum& d = w.dir_spectrum;
  DirectionalComponents c;
  const std::span<const float> S = w.spectrum.S;
  c.S.assign(static_cast<std::size_t>(f.m) + 1, 0.0f);
  for (int j = 1; j <= f.m; ++j) {
    const float fj = static_cast<float>(j) * f.df;
    // Plain table interpolation: beyond the last tabulated frequency the last value holds.
    c.S[static_cast<std::size_t>(j)] = table_interpolate(S, w.spectrum.f0, w.spectrum.df, fj);
  }
  const int nfreq = d.spectrum.count();
  const std::size_t nb = static_cast<std::size_t>(d.ndir);
  c.dtheta = d.dir_spacing;
  c.theta.resize(nb);
  c.weight.assign(static_cast<std::size_t>(f.m) * nb, 0.0f);
  std::vector<float> ratio(static_cast<std::size_t>(nfreq));
  for (int i = 0; i < d.ndir; ++i) {
    const int m = d.ndir - i;  // file column of bin i
    const float nautical = d.min_wave_dir + static_cast<float>(m - 1) * d.dir_spacing;
    c.theta[static_cast<std::size_t>(i)] = generation_direction(w, 270.0f - nautical);
    for (int k = 1; k <= nfreq; ++k) {
      const float s = d.spectrum.S[static_cast<std::size_t>(k - 1)];
      ratio[static_cast<std::size_t>(k - 1)] = s > 0.0f ? d.E(k, m) / s : 0.0f;
    }
    for (int j = 1; j <= f.m; ++j)
      c.weight[static_cast<std::size_t>(j - 1) * nb + static_cast<std::size_t>(i)] =
          table_interpolate(ratio, d.spectrum.f0, d.spectrum.df, static_cast<float>(j) * f.df);
  }
  return c;
}

std::vector<float> parametric_component_directions(const Wavemaker& w, int m) {
  DirectionalSpreading bins = w.spreading;
  if (is_row_side(w.side)) exchange_row_frame(bins.principal_direction, bins.theta);
  return assign_component_directions(bins, m);
}

int signal_steps(const Wavemaker& first, float time_step, float duration) {
  const float q =
      first.wave_type == WaveType::kSolitary ? duration / time_step + 1.0f : first.duration / time_step + 1.5f;
  // Converted only when the count fits a 32-bit integer (a huge duration would overflow it).
  if (!(q < 2147483520.0f))
    fatal("Number of time steps of the wavemaker signal is too large:", "reduce the duration or increase time_step");
  return static_cast<int>(q);
}

void check_signal_memory(const Wavemaker& w, int nsteps) {
  const bool row = is_row_side(w.side);
  const double points = row ? w.i2 - w.i1 + 1 : w.j2 - w.j1 + 1;
  // U, Q and Us of every point and step, and about as much again of work arrays.
  const double needed = 6.0 * points * static_cast<double>(nsteps) * sizeof(float);
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return;  // memory size unknown: let the allocation decide
  const double available = static_cast<double>(pages) * static_cast<double>(page_size);
  if (needed > available) {
    fatal("Wavemaker #" + compact_int(w.number) + " boundary signal is too large:",
          compact_int(static_cast<long long>(points)) + " points x " + compact_int(nsteps) + " steps need about " +
              mebibyte_text(needed) + " MiB of memory",
          "but this computer has " + mebibyte_text(available) + " MiB");
  }
}

std::vector<float> regular_reference_series(float H, float T, float dt, int nsteps) {
  std::vector<float> eta(static_cast<std::size_t>(nsteps));
  const float omega = kTwoPi / T, a = H / 2.0f;
  for (int n = 1; n <= nsteps; ++n)
    eta[static_cast<std::size_t>(n - 1)] = a * std::sin(-omega * static_cast<float>(n - 1) * dt);
  return eta;
}

std::vector<float> spectral_reference_series(const FrequencySpectrum& s, int seed, float dt, int nsteps) {
  const FftLength f = fft_length(nsteps, dt);
  std::vector<float> x(static_cast<std::size_t>(f.n_fft) + 2, 0.0f);
  std::vector<float> u(static_cast<std::size_t>(f.m));
  RandomGenerator rng = seeded_random_generator(seed);
  draw_random(rng, u);
  const float last = s.f0 + static_cast<float>(s.count() - 1) * s.df;
  for (int j = 1; j <= f.m; ++j) {
    const float fj = static_cast<float>(j) * f.df;
    const float sj = fj > last ? 0.0f : table_interpolate(s.S, s.f0, s.df, fj);
    const float a = std::sqrt(2.0f * std::max(sj, 0.0f) * f.df);
    const float phi = kTwoPi * u[static_cast<std::size_t>(j - 1)];
    x[2 * static_cast<std::size_t>(j)] = a * std::cos(phi);
    x[2 * static_cast<std::size_t>(j) + 1] = j == f.m ? 0.0f : -a * std::sin(phi);
  }
  inverse_real_fft(x, f.n_fft);
  x.resize(static_cast<std::size_t>(f.n_fft));
  if (f.n_fft != nsteps) return resample_linear(x, f.dt_fft, nsteps);
  return x;
}

void regular_linear_signal(float H, float T, float direction_deg, const LineGeometry& g, float dt, int nsteps,
                           BoundarySignal& out) {
  const int np = g.npoints();
  out.npoints = np;
  out.nsteps = nsteps;
  const std::size_t total = static_cast<std::size_t>(np) * static_cast<std::size_t>(nsteps);
  out.U.assign(total, 0.0f);
  out.Q.assign(total, 0.0f);
  out.Us.assign(total, 0.0f);
  const float omega = kTwoPi / T, a = H / 2.0f;
  const float th = direction_deg * kDegToRad, cs = std::cos(th), sn = std::sin(th);
  float last_h = -1.0f, k = 0.0f, vf = 0.0f;
  for (int p = 1; p <= np; ++p) {
    const float h = g.depth[static_cast<std::size_t>(p - 1)];
    if (!(h > 0.0f)) continue;  // V = 0: nothing generated at a dry point
    if (h != last_h) {
      k = wavenumber(omega, h);
      vf = velocity_factor(omega, k, h);
      last_h = h;
    }
    const float y = g.y_first + static_cast<float>(p - 1) * g.spacing;
    const float shift = k * ((g.x_line - g.x_ref) * cs + (y - g.y_ref) * sn);
    for (int n = 1; n <= nsteps; ++n) {
      const float eta = a * std::sin(shift - omega * static_cast<float>(n - 1) * dt);
      const float u = vf * cs * eta;
      const float uxx = -k * k * u;
      const std::size_t e =
          static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(np) + static_cast<std::size_t>(p - 1);
      out.U[e] = u;
      out.Q[e] = flux_from_velocity(eta, u, uxx, h);
      out.Us[e] = surface_velocity(u, uxx, h);
    }
  }
}

float depth_cap(float T) { return 1.4f * kQuarterGravity * T * T / kTwoPi; }

void apply_depth_cap(float T, Field& depth, float& max_depth) {
  const float cap = depth_cap(T);
  if (!(max_depth > cap)) return;
  max_depth = cap;
  for (float& d : depth.v) d = std::min(d, cap);
}

LineGeometry line_geometry(const Wavemaker& w, const GridHeader& grid, const Field& depth) {
  LineGeometry g;
  const bool row = is_row_side(w.side);
  const float dx = grid.delta_x, dy = grid.delta_y;
  if (row) {
    for (int i = w.i1; i <= w.i2; ++i) g.depth.push_back(depth(i, w.j1));
    g.x_line = static_cast<float>(w.j1 - 1) * dy;
    g.y_first = static_cast<float>(w.i1 - 1) * dx;
    g.spacing = dx;
    g.x_ref = g.x_line;
    g.y_ref = 0.5f * static_cast<float>(w.i1 - 1 + w.i2 - 1) * dx;
  } else {
    for (int j = w.j1; j <= w.j2; ++j) g.depth.push_back(depth(w.i1, j));
    g.x_line = static_cast<float>(w.i1 - 1) * dx;
    g.y_first = static_cast<float>(w.j1 - 1) * dy;
    g.spacing = dy;
    g.x_ref = g.x_line;
    g.y_ref = 0.5f * static_cast<float>(w.j1 - 1 + w.j2 - 1) * dy;
  }
  if (w.series_option == 2) {
    g.x_ref = row ? w.ref_eta.y : w.ref_eta.x;
    g.y_ref = row ? w.ref_eta.x : w.ref_eta.y;
  }
  return g;
}

int linear_flag(const Wavemaker& w, std::span<const float> line_depth) {
  if (w.wave_type == WaveType::kIrregMulti || !w.full_side || line_depth.empty()) return 1;
  const auto [lo, hi] = std::minmax_element(line_depth.begin(), line_depth.end());
  if (*lo != *hi) return 1;
  const float th = w.direction * kDegToRad, cs = std::cos(th), sn = std::sin(th);
  bool normal = false;
  switch (w.side) {
    case WavemakerSide::kNorth:
      normal = sn < -kNormalAcceptance;
      break;
    case WavemakerSide::kEast:
      normal = cs < -kNormalAcceptance;
      break;
    case WavemakerSide::kSouth:
      normal = sn > kNormalAcceptance;
      break;
    case WavemakerSide::kWest:
      normal = cs > kNormalAcceptance;
      break;
    case WavemakerSide::kInnerRow:
      normal = std::fabs(sn) > kNormalAcceptance;
      break;
    case WavemakerSide::kInnerColumn:
      normal = std::fabs(cs) > kNormalAcceptance;
      break;
    default:
      break;
  }
  return normal ? 0 : 1;
}

void prepare_wavemaker_signal(Wavemaker& w, const GridHeader& grid, Field& depth, float& max_depth, float dt,
                              int nsteps, const Reporter& reporter) {
  const bool solitary = w.wave_type == WaveType::kSolitary;
  const bool from_file = w.series_option == 2 && w.wave_type != WaveType::kRegular;

  // Reference series at the model step.
  if (from_file) {
    w.eta_ref = resample_linear(w.eta_series, w.series_dt, nsteps);
  } else if (w.wave_type == WaveType::kRegular) {
    w.eta_ref = regular_reference_series(w.height, w.period, dt, nsteps);
  } else if (!solitary) {
    w.eta_ref = spectral_reference_series(w.spectrum, w.seed, dt, nsteps);
  }

  // Analysis, depth cap and nonlinearity check (not for solitary waves).
  if (!solitary) {
    if (from_file) {
      const SpectralEstimate e = spectral_estimate(w.eta_ref, dt);
      w.height = e.height;
      w.period = e.period;
    } else {
      const ZeroCrossingResult z = zero_crossing(w.eta_ref, dt, reporter);
      w.height = z.height;
      w.period = z.period;
    }
    if (w.period == 0.0f) fatal("average zero-crossing period of time series is zero");
    apply_depth_cap(w.period, depth, max_depth);
    check_nonlinearity(nonlinearity_test_height(w.height, w.wave_type != WaveType::kRegular), w.period, max_depth,
                       reporter);
  } else if (from_file) {
    // A measured solitary wave keeps its given height; its spectral period stands for T in the
    // run's representative wave.
    w.period = spectral_estimate(w.eta_ref, dt).period;
  }

  LineGeometry g = line_geometry(w, grid, depth);
  w.linear_flag = linear_flag(w, g.depth);
  if (w.linear_flag == 0) {
    // One signal for the whole line, taken at the reference point's position along it.
    g.depth.resize(1);
    g.y_first = g.y_ref;
  }
  const float theta = generation_direction(w, w.direction);
  BoundarySignal& s = w.signal;

  if (w.wave_type == WaveType::kRegular) {
    if (w.linear_flag == 1) {
      regular_linear_signal(w.height, w.period, theta, g, dt, nsteps, s);
    } else {
      const PeriodicWave pw = periodic_wave(w.height, w.period, g.depth.front(), reporter);
      periodic_wave_signal(pw, std::cos(theta * kDegToRad), dt, nsteps, s);
    }
  } else if (solitary && !from_file) {
    float period = 0.0f;
    solitary_wave_signal(w.height, theta, g, w.linear_flag == 1, dt, nsteps, s, period, reporter);
    w.period = period;
  } else {
    const FftLength f = fft_length(nsteps, dt);
    const BandIndices band = band_indices(w.band, f);
    if (w.wave_type == WaveType::kIrregUni) {
      const std::vector<float> coef = series_coefficients(w.eta_ref, f);
      const std::vector<float> dirs(static_cast<std::size_t>(f.m) + 1, theta);
      transfer_components(coef, dirs, g, band, f, s);
    } else if (!from_file && w.spec_option == 2) {
      synthesize_directional(directional_components(w, f), w.seed, g, band, f, s);
    } else {
      std::vector<float> dirs;
      if (from_file && w.dsf_option == 2) {
        const std::vector<float> u = resample_linear(w.u_series, w.series_dt, nsteps);
        const std::vector<float> v = resample_linear(w.v_series, w.series_dt, nsteps);
        float principal = 0.0f;
        // The velocity series may be taken away from the elevation series (xref_uv, yref_uv).
        const GaugeSeparation apart{w.ref_uv.x - w.ref_eta.x, w.ref_uv.y - w.ref_eta.y,
                                    depth(w.ref_eta.i, w.ref_eta.j)};
        dirs = velocity_directions(w.eta_ref, u, v, f, band, w.max_cutoff_angle, principal, apart);
        // The boundary test takes the nautical direction relative to the grid.
        if (!direction_fits_boundary(270.0f - principal, w.side))
          fatal("principal wave direction cannot be", "generated along specified boundary");
        w.direction = principal;
        for (float& d : dirs) d = generation_direction(w, d);
      } else {
        dirs = parametric_component_directions(w, f.m);
        w.direction = w.spreading.principal_direction;
      }
      const std::vector<float> coef = series_coefficients(w.eta_ref, f);
      transfer_components(coef, dirs, g, band, f, s);
    }
  }
  fill_signal_header(w, s);
}

}  // namespace swx
