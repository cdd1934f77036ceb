#include "wavegen/transfer.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/constants.hpp"
#include "core/depth_coefficients.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/random.hpp"

namespace swx {

namespace {

constexpr int kDirectionSeed = 4713657;  // direction draws of a multidirectional sea
constexpr float kDegToRad = kPi / 180.0f;

std::size_t at(int n, int p, int npoints) {
  return static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(npoints) + static_cast<std::size_t>(p - 1);
}

// Wavenumbers and velocity factors of the band's components at one depth.
struct DepthTable {
  float h = 0.0f;
  std::vector<float> k, v;  // index j = 0..M
};

// One table per distinct depth of the line (the Newton solve is the costly part of a long
// line); point p uses tables[which[p - 1]].
std::vector<DepthTable> depth_tables(const LineGeometry& g, BandIndices band, const FftLength& f,
                                     std::vector<int>& which) {
  std::vector<DepthTable> tables;
  which.assign(g.depth.size(), -1);
  for (std::size_t p = 0; p < g.depth.size(); ++p) {
    const float h = g.depth[p];
    if (!(h > 0.0f)) continue;
    auto found = std::find_if(tables.begin(), tables.end(), [h](const DepthTable& t) { return t.h == h; });
    if (found != tables.end()) {
      which[p] = static_cast<int>(found - tables.begin());
      continue;
    }
    DepthTable t;
    t.h = h;
    t.k.assign(static_cast<std::size_t>(f.m) + 1, 0.0f);
    t.v.assign(static_cast<std::size_t>(f.m) + 1, 0.0f);
    for (int j = band.j_low; j <= band.j_high; ++j) {
      const float omega = kTwoPi * static_cast<float>(j) * f.df;
      const float k = wavenumber(omega, h);
      t.k[static_cast<std::size_t>(j)] = k;
      t.v[static_cast<std::size_t>(j)] = velocity_factor(omega, k, h);
    }
    which[p] = static_cast<int>(tables.size());
    tables.push_back(std::move(t));
  }
  return tables;
}

// Builds the signal point by point: fill(p, table, eta, u, u_xx) writes the half-complex
// amplitudes of point p; they are transformed back, resampled to the model step and turned
// into U, Q and Us.
// Points whose along-line position does not enter the phase (no component has a direction
// component along the line) carry the same signal wherever their depth is the same: they are
// built once.
template <class Fill>
void build_line_signal(const LineGeometry& g, BandIndices band, const FftLength& f, BoundarySignal& out,
                       bool along_line_matters, Fill fill) {
  const int np = g.npoints();
  const int nsteps = f.n;
  const std::size_t ns = static_cast<std::size_t>(nsteps);
  out.npoints = np;
  out.nsteps = nsteps;
  const std::size_t total = static_cast<std::size_t>(np) * ns;
  out.U.assign(total, 0.0f);
  out.Q.assign(total, 0.0f);
  out.Us.assign(total, 0.0f);

  std::vector<int> which;
  const std::vector<DepthTable> tables = depth_tables(g, band, f, which);
  // Series of a depth shared by several points are kept for the points after the first.
  std::vector<int> users(tables.size(), 0);
  for (int w : which)
    if (w >= 0) ++users[static_cast<std::size_t>(w)];
  std::vector<std::vector<float>> kept(tables.size());

  const std::size_t len = static_cast<std::size_t>(f.n_fft) + 2;
  std::vector<float> ce(len), cu(len), cu2(len);
  // Points are built a batch at a time into point-major buffers and then written step by step,
  // so that the step-major signal arrays are filled a cache line at a time.
  constexpr int kBatch = 16;
  std::vector<float> bu(kBatch * ns), bq(kBatch * ns), bs(kBatch * ns);
  for (int p0 = 1; p0 <= np; p0 += kBatch) {
    const int nb = std::min(kBatch, np - p0 + 1);
    for (int b = 0; b < nb; ++b) {
      const int p = p0 + b;
      float* su = &bu[static_cast<std::size_t>(b) * ns];
      float* sq = &bq[static_cast<std::size_t>(b) * ns];
      float* ss = &bs[static_cast<std::size_t>(b) * ns];
      const int w = which[static_cast<std::size_t>(p - 1)];
      if (w < 0) {  // dry point: U = Q = Us = 0
        std::fill(su, su + ns, 0.0f);
        std::fill(sq, sq + ns, 0.0f);
        std::fill(ss, ss + ns, 0.0f);
        continue;
      }
      std::vector<float>& keep = kept[static_cast<std::size_t>(w)];
      if (!along_line_matters && !keep.empty()) {
        std::copy(keep.begin(), keep.begin() + static_cast<std::ptrdiff_t>(ns), su);
        std::copy(keep.begin() + static_cast<std::ptrdiff_t>(ns), keep.begin() + static_cast<std::ptrdiff_t>(2 * ns),
                  sq);
        std::copy(keep.begin() + static_cast<std::ptrdiff_t>(2 * ns), keep.end(), ss);
        continue;
      }
      const DepthTable& t = tables[static_cast<std::size_t>(w)];
      std::fill(ce.begin(), ce.end(), 0.0f);
      std::fill(cu.begin(), cu.end(), 0.0f);
      std::fill(cu2.begin(), cu2.end(), 0.0f);
      fill(p, t, ce, cu, cu2);
      // The Nyquist term carries no imaginary part.
      ce[len - 1] = 0.0f;
      cu[len - 1] = 0.0f;
      cu2[len - 1] = 0.0f;
      inverse_real_fft(ce, f.n_fft);
      inverse_real_fft(cu, f.n_fft);
      inverse_real_fft(cu2, f.n_fft);
      std::span<const float> eta(ce.data(), static_cast<std::size_t>(f.n_fft));
      std::span<const float> u(cu.data(), static_cast<std::size_t>(f.n_fft));
      std::span<const float> uxx(cu2.data(), static_cast<std::size_t>(f.n_fft));
      std::vector<float> re, ru, ru2;
      if (f.n_fft != nsteps) {
        re = resample_linear(eta, f.dt_fft, nsteps);
        ru = resample_linear(u, f.dt_fft, nsteps);
        ru2 = resample_linear(uxx, f.dt_fft, nsteps);
        eta = re;
        u = ru;
        uxx = ru2;
      }
      const float h = t.h;
      for (std::size_t n = 0; n < ns; ++n) {
        su[n] = u[n];
        sq[n] = flux_from_velocity(eta[n], u[n], uxx[n], h);
        ss[n] = surface_velocity(u[n], uxx[n], h);
      }
      if (!along_line_matters && users[static_cast<std::size_t>(w)] > 1) {
        keep.assign(su, su + ns);
        keep.insert(keep.end(), sq, sq + ns);
        keep.insert(keep.end(), ss, ss + ns);
      }
    }
    for (int n = 1; n <= nsteps; ++n) {
      const std::size_t row = at(n, p0, np), src = static_cast<std::size_t>(n - 1);
      for (int b = 0; b < nb; ++b) {
        const std::size_t from = static_cast<std::size_t>(b) * ns + src;
        out.U[row + static_cast<std::size_t>(b)] = bu[from];
        out.Q[row + static_cast<std::size_t>(b)] = bq[from];
        out.Us[row + static_cast<std::size_t>(b)] = bs[from];
      }
    }
  }
}

float along_line(const LineGeometry& g, int p) { return g.y_first + static_cast<float>(p - 1) * g.spacing; }

}  // namespace

FftLength fft_length(int n, float dt) {
  FftLength f;
  f.n = n;
  f.dt = dt;
  if (is_power_of_two(n)) {
    f.n_fft = n;
  } else {
    f.n_fft = 2;
    while (f.n_fft < n) f.n_fft *= 2;
  }
  check_fft_size(f.n_fft);
  f.dt_fft = f.n_fft == n ? dt : dt * static_cast<float>(n) / static_cast<float>(f.n_fft);
  f.m = f.n_fft / 2;
  f.df = 1.0f / (static_cast<float>(f.n_fft) * f.dt_fft);
  return f;
}

BandIndices band_indices(const FrequencyBand& band, const FftLength& f) {
  BandIndices b;
  const float lo = band.f_low / f.df;
  b.j_low = lo < 2.0f ? 1 : static_cast<int>(lo);
  const float hi = band.f_high / f.df;
  // An infinite or very large limit keeps every component up to M.
  b.j_high = !(hi < static_cast<float>(f.m)) ? f.m : static_cast<int>(hi);
  return b;
}

float velocity_factor(float omega, float k, float h) {
  const float kh = k * h;
  return omega / (kh * (1.0f + kBeta * kh * kh));
}

float flux_from_velocity(float eta, float u, float u_xx, float h) {
  return (eta + h) * u + h * reference_depth_coefs(h).k1 * u_xx;
}

float surface_velocity(float u, float u_xx, float h) { return u + reference_depth_coefs(h).k3 * u_xx; }

std::vector<float> series_coefficients(std::span<const float> eta, const FftLength& f) {
  std::vector<float> x(eta.begin(), eta.end());
  float sum = 0.0f;
  for (float e : x) sum += e;
  const float mean = x.empty() ? 0.0f : sum / static_cast<float>(x.size());
  for (float& e : x) e -= mean;
  if (f.n_fft != static_cast<int>(x.size())) {
    float dt_new = 0.0f;
    x = spline_resample(0.0f, f.dt, x, true, f.n_fft, dt_new);
  }
  x.resize(static_cast<std::size_t>(f.n_fft) + 2, 0.0f);
  forward_real_fft(x, f.n_fft);
  return x;
}

void transfer_components(std::span<const float> coef, std::span<const float> direction_deg, const LineGeometry& g,
                         BandIndices band, const FftLength& f, BoundarySignal& out) {
  const float dx_ref = g.x_line - g.x_ref;
  // Cosine and sine of every component's direction, formed once for all points.
  std::vector<float> cs(static_cast<std::size_t>(f.m) + 1, 0.0f), sn(cs.size(), 0.0f);
  bool oblique = false;
  for (int j = band.j_low; j <= band.j_high; ++j) {
    const float th = direction_deg[static_cast<std::size_t>(j)] * kDegToRad;
    cs[static_cast<std::size_t>(j)] = std::cos(th);
    sn[static_cast<std::size_t>(j)] = std::sin(th);
    oblique = oblique || sn[static_cast<std::size_t>(j)] != 0.0f;
  }
  build_line_signal(
      g, band, f, out, oblique,
      [&](int p, const DepthTable& t, std::vector<float>& ce, std::vector<float>& cu, std::vector<float>& cu2) {
        const float dy_ref = along_line(g, p) - g.y_ref;
        for (int j = band.j_low; j <= band.j_high; ++j) {
          const std::size_t js = static_cast<std::size_t>(j);
          const float k = t.k[js];
          const float psi = k * (dx_ref * cs[js] + dy_ref * sn[js]);
          const float cp = std::cos(psi), sp = std::sin(psi);
          const float yr = coef[2 * js], yi = coef[2 * js + 1];
          const float er = yr * cp - yi * sp;
          const float ei = yr * sp + yi * cp;
          const float vc = t.v[js] * cs[js];
          ce[2 * js] = er;
          ce[2 * js + 1] = ei;
          cu[2 * js] = vc * er;
          cu[2 * js + 1] = vc * ei;
          cu2[2 * js] = -k * k * vc * er;
          cu2[2 * js + 1] = -k * k * vc * ei;
        }
      });
}

std::vector<float> assign_component_directions(const DirectionalSpreading& d, int m) {
  const int nb = d.count();
  // A zero cut-off (dtheta = 0) is a unidirectional sea: every component takes the principal
  // direction.
  if (nb < 2 || !(d.dtheta > 0.0f)) return std::vector<float>(static_cast<std::size_t>(m) + 1, d.principal_direction);
  // Components beyond the last whole block keep direction 0.
  std::vector<float> dir(static_cast<std::size_t>(m) + 1, 0.0f);
  std::vector<float> c(static_cast<std::size_t>(nb) + 1, 0.0f);  // C[1..nb]
  float sum = 0.0f;
  for (int i = 1; i <= nb; ++i) {
    sum += d.weight[static_cast<std::size_t>(i - 1)];
    c[static_cast<std::size_t>(i)] = d.dtheta * sum;
  }
  const float theta_first = d.theta.front();
  RandomGenerator rng = seeded_random_generator(kDirectionSeed);
  std::vector<float> draws(static_cast<std::size_t>(nb));
  const int blocks = m / nb;
  for (int blk = 0; blk < blocks; ++blk) {
    for (int k = 1; k <= nb; ++k) {
      draw_random(rng, draws);
      const float u = std::min(draws[static_cast<std::size_t>(k - 1)], 0.99999f);
      int b = 0;
      for (int i = 1; i <= nb - 1; ++i)
        if (c[static_cast<std::size_t>(i)] < u) b = i;
      float theta = theta_first;
      if (b >= 2) {
        const float span = c[static_cast<std::size_t>(b) + 1] - c[static_cast<std::size_t>(b)];
        theta = d.theta[static_cast<std::size_t>(b - 1)];
        if (span > 0.0f) theta += d.dtheta * (u - c[static_cast<std::size_t>(b)]) / span;
      }
      // The interpolation always steps by +dtheta from theta_b, also when the bins run downwards
      // (row wavemakers in the exchanged frame), and a draw above the last cumulative weight
      // (wrapped normal weights need not sum to one over the band) extrapolates past the last bin.
      dir[static_cast<std::size_t>(blk) * static_cast<std::size_t>(nb) + static_cast<std::size_t>(k)] = theta;
    }
    reseed_from_itself(rng);
  }
  return dir;
}

void synthesize_directional(const DirectionalComponents& c, int seed, const LineGeometry& g, BandIndices band,
                            const FftLength& f, BoundarySignal& out) {
  const int nb = static_cast<int>(c.theta.size());
  const std::size_t nbs = static_cast<std::size_t>(nb);
  // Phases: one per (frequency, bin) pair, frequency-major.
  RandomGenerator rng = seeded_random_generator(seed);
  std::vector<float> phase(static_cast<std::size_t>(f.m) * nbs);
  draw_random(rng, phase);
  for (float& ph : phase) ph *= kTwoPiPhase;
  // Amplitudes of every pair and the bins' directions (radians with this routine's pi).
  std::vector<float> amp(phase.size(), 0.0f);
  for (int j = band.j_low; j <= band.j_high; ++j)
    for (int i = 0; i < nb; ++i) {
      const std::size_t ji = static_cast<std::size_t>(j - 1) * nbs + static_cast<std::size_t>(i);
      const float e = 2.0f * c.S[static_cast<std::size_t>(j)] * f.df * c.weight[ji] * c.dtheta;
      amp[ji] = e > 0.0f ? std::sqrt(e) : 0.0f;
    }
  std::vector<float> cs(nbs), sn(nbs), limit(nbs);
  for (int i = 0; i < nb; ++i) {
    const float th = c.theta[static_cast<std::size_t>(i)] * kPiDirectional / 180.0f;
    cs[static_cast<std::size_t>(i)] = std::cos(th);
    sn[static_cast<std::size_t>(i)] = std::sin(th);
    limit[static_cast<std::size_t>(i)] =
        std::fabs(th) < 0.01f ? 1000.0f : 1.0f / (std::fabs(std::sin(th)) + 1.4142135f);
  }
  const float dx_ref = g.x_line - g.x_ref;
  build_line_signal(
      g, band, f, out, true,
      [&](int p, const DepthTable& t, std::vector<float>& ce, std::vector<float>& cu, std::vector<float>& cu2) {
        const float dy_ref = along_line(g, p) - g.y_ref;
        for (int j = band.j_low; j <= band.j_high; ++j) {
          const std::size_t js = static_cast<std::size_t>(j);
          const float k = t.k[js];
          const float resolution = k * g.spacing / kTwoPi;
          float er = 0.0f, ei = 0.0f, ur = 0.0f, ui = 0.0f;
          for (int i = 0; i < nb; ++i) {
            const std::size_t is = static_cast<std::size_t>(i);
            const std::size_t ji = (js - 1) * nbs + is;
            if (amp[ji] == 0.0f) continue;
            float cth = cs[is], sth = sn[is];
            if (resolution > limit[is]) {  // not resolved along the line: normally incident
              cth = 1.0f;
              sth = 0.0f;
            }
            const float arg = k * (dx_ref * cth + dy_ref * sth) - phase[ji];
            const float a_r = amp[ji] * std::cos(arg), a_i = amp[ji] * std::sin(arg);
            er += a_r;
            ei += a_i;
            ur += t.v[js] * cth * a_r;
            ui += t.v[js] * cth * a_i;
          }
          ce[2 * js] = er;
          ce[2 * js + 1] = ei;
          cu[2 * js] = ur;
          cu[2 * js + 1] = ui;
          // The along-x and along-y parts of U'' (-k^2 cos^2 and -k^2 sin^2 times U) add up to -k^2 U.
          cu2[2 * js] = -k * k * ur;
          cu2[2 * js + 1] = -k * k * ui;
        }
      });
}

}  // namespace swx
