// Model set-up: every field of the run, built once before the time loop.
#include "solver/model_setup.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "core/constants.hpp"
#include "core/depth_coefficients.hpp"
#include "core/fatal.hpp"
#include "io/number_text.hpp"
#include "solver/bathymetry_checks.hpp"
#include "solver/ranks.hpp"

namespace swx {

namespace {

void allocate(Field& f, int ni, int nj) { f.resize(ni, nj, 0.0f); }

// Copies nodes 1..nx by 1..ny of src into dst (already of model shape).
void copy_nodes(const Field& src, Field& dst, int nx, int ny) {
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) dst(i, j) = src(i, j);
  }
}

// Moves the damping strips at the two ends of every row (along x) or every column (along y)
// into velocity_damping: a strip is the run of cells from the edge inward whose damping falls
// off towards the interior.
void move_edge_strips(Model& m, bool along_x) {
  const int n_line = along_x ? m.config.ny : m.config.nx;
  const int n = along_x ? m.config.nx : m.config.ny;
  auto at = [&](int line, int k) -> float& { return along_x ? m.bed.damping(k, line) : m.bed.damping(line, k); };
  auto vd = [&](int line, int k) -> float& {
    return along_x ? m.bed.velocity_damping(k, line) : m.bed.velocity_damping(line, k);
  };
  for (int line = 1; line <= n_line; ++line) {
    // From the first cell inward.
    if (n >= 2 && at(line, 1) > 0.0f) {
      int k = 1;
      while (k < n && at(line, k) > at(line, k + 1)) {
        vd(line, k) = at(line, k);
        at(line, k) = 0.0f;
        if (!(at(line, k + 1) > 0.0f)) break;
        ++k;
      }
    }
    // From the last cell back inward.
    if (n >= 2 && at(line, n) > 0.0f) {
      int k = n;
      while (k > 1 && at(line, k) > at(line, k - 1)) {
        vd(line, k) = at(line, k);
        at(line, k) = 0.0f;
        if (!(at(line, k - 1) > 0.0f)) break;
        --k;
      }
    }
  }
}

// Source factors of an inner-line wavemaker, one per point of its line.
//
// Over a flat bed of depth h a line mass source of strength s radiates, on each side, a
// progressive wave and an evanescent mode (the model's dispersion relation has one real and one
// imaginary wavenumber).  The progressive wave has the velocity amplitude
//   u = s / (2 h [1 + K3 k^2 (1 - K1 k^2)/(1 - K3 k^2) - 2 K1 k^2])
// and carries the flux Q = h u (1 - K1 k^2), so s = 2 Q F with
//   F = [1 + K3 k^2 (1 - K1 k^2)/(1 - K3 k^2) - 2 K1 k^2] / (1 - K1 k^2)
// (docs/equations.md).  k^2 is taken as the signal's own energy-weighted mean, -<U U''>/<U U>,
// with U'' recovered from the surface velocity, U'' = (Us - U)/K3.  The direction of travel
// follows from the sign of the level-velocity product eta*U = Q - h U - h K1 U'': positive when
// the waves travel along +x (+y); the source is signed so that the waves on that side carry
// the signal's flux with the signal's sign.
std::vector<float> inner_source_factors(const Model& m, const BoundarySignal& s) {
  const int np = s.side == WavemakerSide::kInnerColumn ? s.j2 - s.j1 + 1 : s.i2 - s.i1 + 1;
  std::vector<float> f(static_cast<std::size_t>(np) + 1, 0.0f);
  double direction = 0.0;
  for (int p = 1; p <= np; ++p) {
    const int ps = s.npoints == 1 ? 1 : p;
    const int i = std::min(s.side == WavemakerSide::kInnerRow ? s.i1 + p - 1 : s.i1, m.config.nx);
    const int j = std::min(s.side == WavemakerSide::kInnerColumn ? s.j1 + p - 1 : s.j1, m.config.ny);
    const double h = m.bed.depth(i, j);
    if (!(h > 0.0)) continue;
    const DepthCoefsOf<double> kc = reference_depth_coefs(h);
    const double k1 = kc.k1, k3 = kc.k3;
    double uu = 0.0, uc = 0.0;
    for (int n = 1; n <= s.nsteps; ++n) {
      const double u = s.u(n, ps);
      const double uxx = (s.us(n, ps) - u) / k3;
      uu += u * u;
      uc -= u * uxx;
      direction += s.q(n, ps) - h * u - h * k1 * uxx;
    }
    const double kk = uu > 0.0 ? std::max(uc / uu, 0.0) : 0.0;
    const double g = (1.0 + k3 * kk * (1.0 - k1 * kk) / (1.0 - k3 * kk) - 2.0 * k1 * kk) / (1.0 - k1 * kk);
    f[static_cast<std::size_t>(p)] = static_cast<float>(g);
  }
  if (direction < 0.0) {
    for (float& x : f) x = -x;
  }
  return f;
}

}  // namespace

GridConstants make_grid_constants(float dx, float dy, float dt) {
  GridConstants g;
  g.inv_dx2 = 1.0f / (dx * dx);
  g.inv_dy2 = 1.0f / (dy * dy);
  g.inv_dxdy = 1.0f / (dx * dy);
  g.inv_2dx = 1.0f / (2.0f * dx);
  g.inv_2dy = 1.0f / (2.0f * dy);
  g.dt_2dx = dt / (2.0f * dx);
  g.dt_2dy = dt / (2.0f * dy);
  g.dt_dx2 = dt / (dx * dx);
  g.dt_dy2 = dt / (dy * dy);
  return g;
}

bool in_wavemaker_box(int i, int j, int i1, int i2, int j1, int j2) {
  const int i2b = (i1 == i2) ? i2 + 1 : i2;
  const int j2b = (j1 == j2) ? j2 + 1 : j2;
  return i1 <= i && i <= i2b && j1 <= j && j <= j2b;
}

float linear_celerity(float t, float h) {
  if (h <= 0.0f) return 0.0f;
  const float omega = kTwoPi / t;
  const float x0 = omega * omega * h / kGravity;
  float x = x0;
  if (x0 < 20.0f) {
    for (int it = 1; it <= 21; ++it) {
      const float th = std::tanh(x);
      const float x_new = x - (x * th - x0) / (th + (1.0f - th * th) * x);
      const bool done = std::fabs((x_new - x) / x) < 1e-7f;
      x = x_new;
      if (done) break;
    }
  }
  return omega / (x / h);
}

float courant_number(float celerity, float dx, float dy, float dt) {
  const float inv = 1.0f / (dx * dx) + 1.0f / (dy * dy);
  return std::sqrt(inv * (celerity * celerity) * (dt * dt));
}

void check_courant(const Model& m, const Reporter& reporter) {
  const float cel = linear_celerity(m.config.mean_period, m.config.max_depth);
  const float cr = courant_number(cel, m.config.dx, m.config.dy, m.config.dt);
  reporter.log_and_console(" Courant Number = " + fixed_field(cr, 7, 2));
  if (cr > 1.0f) fatal("Courant Number has to be less than 1.0");
}

void setup_model(Model& m, const GridHeader& grid, const Field& depth, const SolverOptions& p,
                 std::vector<BoundarySignal> wavemakers, const OptionalGrids& grids, const Reporter& reporter) {
  const float mean_period = p.mean_period;
  m.config.grid = grid;
  m.config.nx = grid.ngrid_x;
  m.config.ny = grid.ngrid_y;
  m.config.dx = grid.delta_x;
  m.config.dy = grid.delta_y;
  m.config.dt = p.time_step;
  m.config.gc = make_grid_constants(m.config.dx, m.config.dy, m.config.dt);
  m.config.nonlinear_option = p.nonlinear_option;
  m.config.calc_wave_runup = p.calc_wave_runup;
  m.config.min_flood_depth = p.min_flood_depth;
  m.config.breaking_on = p.breaking_on;
  m.config.swash_scheme = p.swash_scheme;
  m.config.smagorinsky_const = p.smagorinsky_const;
  m.config.mean_period = mean_period;
  m.config.rms_wave_height = p.rms_wave_height;
  m.config.mean_frequency = kTwoPi / mean_period;
  m.config.break_decay = kPi / (5.0f * mean_period);
  m.flow.instability_reported = false;
  m.config.ramp_steps = static_cast<int>(mean_period / m.config.dt + 1.5f);
  if (m.config.ramp_steps < 1) m.config.ramp_steps = 1;
  m.flow.signal_n0 = 0;
  m.flow.signal_n1 = 0;
  m.config.wavemakers = std::move(wavemakers);

  const int ni = m.config.nx + 1, nj = m.config.ny + 1;
  // Over several ranks (m.parallel placed before) the fields that start at zero are slabs.
  const LineRange held = held_rows(m);
  const std::array<Field*, 22> zero_start = zero_start_fields(m);
  for (Field* f : run_fields(m)) {
    if (std::find(zero_start.begin(), zero_start.end(), f) != zero_start.end())
      f->resize_rows(ni, nj, held.first, held.last, 0.0f);
    else
      allocate(*f, ni, nj);
  }
  m.bed.wavemaker_mark.resize(ni, nj, 0);
  m.work.active_u.resize(ni, nj, 0);
  m.work.active_v.resize(ni, nj, 0);
  m.work.swash_weight.resize(ni, nj, 1.0f);
  set_threads(m, m.parallel.threads);
  m.work.rows_y.resize(m.config.nx + 1, m.config.ny + 1);

  // Depth, its extremes, the slopes (before the land-boundary filling) and the filling.
  copy_nodes(depth, m.bed.depth, m.config.nx, m.config.ny);
  m.config.max_depth = m.bed.depth(1, 1);
  m.config.min_wet_depth = 0.0f;
  for (int j = 1; j <= m.config.ny; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const float h = m.bed.depth(i, j);
      m.config.max_depth = std::max(m.config.max_depth, h);
      if (h > 0.0f && (m.config.min_wet_depth == 0.0f || h < m.config.min_wet_depth)) m.config.min_wet_depth = h;
    }
  }
  check_bottom_slopes(m.bed.depth, m.config.nx, m.config.ny, m.config.dx, m.config.dy, m.bed.depth_dx, m.bed.depth_dy,
                      reporter);
  check_internal_land_boundaries(m.bed.depth, m.config.nx, m.config.ny, m.config.dx, m.config.dy, grid.x_origin,
                                 grid.y_origin, reporter);

  // Dry land starts at its own elevation (total depth exactly 0).
  if (m.config.calc_wave_runup == 1) {
    for (int j = 1; j <= m.config.ny; ++j) {
      for (int i = 1; i <= m.config.nx; ++i) {
        if (m.bed.depth(i, j) <= 0.0f) m.flow.eta_old(i, j) = -m.bed.depth(i, j);
      }
    }
  }

  // Bottom friction: g / Ch^2 per cell.  A Chezy value of 0 or below (never from a checked
  // parameter file) means a frictionless cell.
  for (int j = 1; j <= m.config.ny; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const float ch = !grids.chezy.empty() ? grids.chezy(i, j) : p.chezy_coeff;
      m.bed.friction_factor(i, j) = ch > 0.0f ? kGravity / (ch * ch) : 0.0f;
    }
  }

  // Porous structures.
  m.bed.porosity.fill(1.0f);
  m.config.porosity_on = !grids.porosity.empty();
  if (m.config.porosity_on) {
    copy_nodes(grids.porosity, m.bed.porosity, m.config.nx, m.config.ny);
    const float d50 = p.char_stone_size;
    m.config.char_stone_size = d50;
    m.config.lam_coef = 1e-6f * p.lam_friction_coeff / (d50 * d50);
    m.config.turb_coef = p.turb_friction_coeff / d50;
    m.config.added_mass_coeff = p.added_mass_coeff;
  }

  // Damping layers and the strips behind wavemakers.
  if (!grids.damping.empty()) copy_nodes(grids.damping, m.bed.damping, m.config.nx, m.config.ny);
  m.config.x_velocity_sink = m.config.y_velocity_sink = false;
  for (const BoundarySignal& s : m.config.wavemakers) {
    const bool on_row = is_row_side(s.side);
    if (on_row && !m.config.x_velocity_sink) {
      move_edge_strips(m, true);
      m.config.x_velocity_sink = true;
    } else if (!on_row && !m.config.y_velocity_sink) {
      move_edge_strips(m, false);
      m.config.y_velocity_sink = true;
    }
  }

  // Ambient current: none inside damping layers; the far faces copy their neighbours.
  m.config.current_on = !grids.current_x.empty() && !grids.current_y.empty();
  if (m.config.current_on) {
    copy_nodes(grids.current_x, m.bed.current_x, m.config.nx, m.config.ny);
    copy_nodes(grids.current_y, m.bed.current_y, m.config.nx, m.config.ny);
    for (int j = 1; j <= m.config.ny; ++j) {
      for (int i = 1; i <= m.config.nx; ++i) {
        if (m.bed.damping(i, j) > 0.0f) {
          m.bed.current_x(i, j) = 0.0f;
          m.bed.current_y(i, j) = 0.0f;
        }
      }
    }
    for (int j = 1; j <= m.config.ny; ++j) m.bed.current_x(m.config.nx + 1, j) = m.bed.current_x(m.config.nx, j);
    for (int i = 1; i <= m.config.nx; ++i) m.bed.current_y(i, m.config.ny + 1) = m.bed.current_y(i, m.config.ny);
  }

  // Wavemaker marks: the wavemaker's number on the cells of its box.
  m.config.inner_source_factor.assign(m.config.wavemakers.size(), {});
  for (std::size_t k = 0; k < m.config.wavemakers.size(); ++k) {
    const BoundarySignal& s = m.config.wavemakers[k];
    for (int j = 1; j <= m.config.ny; ++j) {
      for (int i = 1; i <= m.config.nx; ++i) {
        if (in_wavemaker_box(i, j, s.i1, s.i2, s.j1, s.j2))
          m.bed.wavemaker_mark(i, j) = static_cast<std::int16_t>(k + 1);
      }
    }
    if (is_inner_side(s.side)) m.config.inner_source_factor[k] = inner_source_factors(m, s);
  }

  // Linear phase speed of the mean wave (breaking criterion and cap).
  if (m.config.breaking_on == 1) {
    for (int j = 1; j <= m.config.ny; ++j) {
      for (int i = 1; i <= m.config.nx; ++i) {
        const float h = m.bed.depth(i, j);
        m.flow.celerity(i, j) = h > 0.0f ? linear_celerity(m.config.mean_period, h) : 0.0f;
      }
    }
  }
}

}  // namespace swx

namespace swx {

void set_threads(Model& m, int threads) {
  m.parallel.threads = threads;
  m.work.block_x.assign(static_cast<std::size_t>(threads), LineBlock{});
  for (LineBlock& b : m.work.block_x) b.resize(m.config.nx + 1);
}

}  // namespace swx
