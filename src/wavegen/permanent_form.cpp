#include "wavegen/permanent_form.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/constants.hpp"
#include "core/depth_coefficients.hpp"
#include "wavegen/dense_solver.hpp"
#include "wavegen/numerics.hpp"

namespace swx {

namespace {

constexpr int kHarmonics = 63;    // A_1..A_63, B_0..B_63
constexpr int kCollocation = 64;  // points on the half wavelength
constexpr double kPhaseStep = 2.0 * kPiDouble / 128.0;
constexpr double kPiD = kPiDouble;
constexpr int kNewtonIterations = 40;
constexpr double kNewtonTolerance = 1.0e-6;  // largest correction relative to its unknowns
constexpr float kImprovementTolerance = 1.0e-7f;
constexpr int kSolitaryNodes = 200;      // nodes of the half solitary wave
constexpr double kSolitaryExtent = 9.0;  // half domain in units of 1 / kappa (sech^2 ~ 6e-8)

// Largest magnitude of v[from..to).
template <class T>
double largest(const std::vector<T>& v, int from, int to) {
  double m = 0.0;
  for (int i = from; i < to; ++i) m = std::max(m, std::fabs(static_cast<double>(v[static_cast<std::size_t>(i)])));
  return m;
}

}  // namespace

float model_linear_wavenumber(float omega, float h) {
  const double w2 = static_cast<double>(omega) * omega, hd = h, g = kGravity;
  const double a = kAlpha, b = kBeta;
  double k = wavenumber(omega, h);
  for (int it = 0; it < 50; ++it) {
    const double kh2 = k * k * hd * hd;
    const double f = w2 * (1.0 - a * kh2) - g * hd * k * k * (1.0 + b * kh2);
    const double df = -2.0 * w2 * a * k * hd * hd - g * hd * (2.0 * k + 4.0 * b * k * k * k * hd * hd);
    const double step = f / df;
    k -= step;
    if (std::fabs(step) < 1.0e-12 * k) break;
  }
  return static_cast<float>(k);
}

double PeriodicWave::eta(double theta) const {
  double s = 0.0;
  for (std::size_t n = 1; n < A.size(); ++n) s += A[n] * std::cos(static_cast<double>(n) * theta);
  return s;
}
double PeriodicWave::u(double theta) const {
  double s = 0.0;
  for (std::size_t n = 0; n < B.size(); ++n) s += B[n] * std::cos(static_cast<double>(n) * theta);
  return s;
}
double PeriodicWave::u_xx(double theta) const {
  double s = 0.0;
  for (std::size_t n = 1; n < B.size(); ++n) {
    const double nn = static_cast<double>(n) * static_cast<double>(n);
    s += nn * B[n] * std::cos(static_cast<double>(n) * theta);
  }
  return -static_cast<double>(k) * k * s;
}

PeriodicWave periodic_wave(float H, float T, float h, const Reporter& reporter) {
  PeriodicWave w;
  w.h = h;
  w.height = H;
  w.period = T;
  const double omega = 2.0 * kPiD / T, hd = h, g = kGravity, Hd = H;
  const DepthCoefsOf<double> kc = reference_depth_coefs(hd);
  // Unknowns: A_1..A_63, B_0..B_63, k, Bernoulli constant.
  constexpr int nu = 2 * kHarmonics + 3;
  constexpr int ia = 0, ib = kHarmonics, ik = 2 * kHarmonics + 1, ic2 = 2 * kHarmonics + 2;
  std::vector<double> x(nu, 0.0);
  const double k0 = model_linear_wavenumber(static_cast<float>(omega), h);
  x[ik] = k0;
  x[ia] = Hd / 2.0;                                                                  // A_1
  x[ib + 1] = (omega / k0) * (Hd / 2.0) / (hd * (1.0 + kBeta * k0 * k0 * hd * hd));  // B_1
  std::vector<double> cosmn(static_cast<std::size_t>(kCollocation) * (kHarmonics + 1));
  for (int m = 0; m < kCollocation; ++m)
    for (int n = 0; n <= kHarmonics; ++n)
      cosmn[static_cast<std::size_t>(m) * (kHarmonics + 1) + n] = std::cos(n * (m + 0.5) * kPhaseStep);

  // Continuation in height keeps Newton's method on the branch of the linear wave: each stage
  // starts from the previous stage's wave scaled to its height.
  const int stages = 1 + static_cast<int>(10.0 * Hd / hd);
  std::vector<float> jac(static_cast<std::size_t>(nu) * nu), rhs(nu), dx(nu);
  bool singular = false;
  for (int stage = 1; stage <= stages && !singular; ++stage) {
    const double target = Hd * stage / stages, previous = Hd * (stage - 1) / stages;
    if (stage == 1) {
      for (int i = ia; i < ik; ++i) x[i] *= target / Hd;
    } else {
      for (int i = ia; i < ik; ++i) x[i] *= target / previous;
    }
    w.converged = false;
    for (int it = 0; it < kNewtonIterations; ++it) {
      std::fill(jac.begin(), jac.end(), 0.0f);
      const double k = x[ik], c = omega / k, c2 = x[ic2];
      for (int m = 0; m < kCollocation; ++m) {
        const double* cs = &cosmn[static_cast<std::size_t>(m) * (kHarmonics + 1)];
        double eta = 0.0, u = 0.0, s = 0.0;
        for (int n = 1; n <= kHarmonics; ++n) eta += x[ia + n - 1] * cs[n];
        for (int n = 0; n <= kHarmonics; ++n) {
          u += x[ib + n] * cs[n];
          s += static_cast<double>(n) * n * x[ib + n] * cs[n];
        }
        const double uxx = -k * k * s;
        const int r1 = m, r2 = kCollocation + m;
        rhs[r1] = static_cast<float>(-(-c * eta + (hd + eta) * u + hd * kc.k1 * uxx));
        rhs[r2] = static_cast<float>(-(-c * (u + kc.k3 * uxx) + g * eta + u * u / 2.0 - c2));
        float* j1 = &jac[static_cast<std::size_t>(r1) * nu];
        float* j2 = &jac[static_cast<std::size_t>(r2) * nu];
        for (int n = 1; n <= kHarmonics; ++n) {
          j1[ia + n - 1] = static_cast<float>((u - c) * cs[n]);
          j2[ia + n - 1] = static_cast<float>(g * cs[n]);
        }
        for (int n = 0; n <= kHarmonics; ++n) {
          const double kn2 = k * k * n * n;
          j1[ib + n] = static_cast<float>((hd + eta - hd * kc.k1 * kn2) * cs[n]);
          j2[ib + n] = static_cast<float>((-c * (1.0 - kc.k3 * kn2) + u) * cs[n]);
        }
        j1[ik] = static_cast<float>(omega / (k * k) * eta + 2.0 * hd * kc.k1 * uxx / k);
        j2[ik] = static_cast<float>(omega / (k * k) * (u + kc.k3 * uxx) - 2.0 * c * kc.k3 * uxx / k);
        j2[ic2] = -1.0f;
      }
      // Height: eta(0) - eta(pi) = 2 (A_1 + A_3 + ...).
      const int rh = 2 * kCollocation;
      double height = 0.0;
      for (int n = 1; n <= kHarmonics; n += 2) {
        height += 2.0 * x[ia + n - 1];
        jac[static_cast<std::size_t>(rh) * nu + ia + n - 1] = 2.0f;
      }
      rhs[rh] = static_cast<float>(target - height);
      if (solve_dense(nu, jac, rhs, dx, kImprovementTolerance, kPeriodicWaveTexts, reporter) ==
          DenseStatus::kSingular) {
        singular = true;
        break;
      }
      for (int i = 0; i < nu; ++i) x[i] += dx[i];
      // Converged when every group of unknowns (elevation, velocity, wavenumber) has moved by
      // less than the tolerance relative to its size.
      const double ea = largest(dx, ia, ib) / std::max(largest(x, ia, ib), 1e-30);
      const double eb = largest(dx, ib, ik) / std::max(largest(x, ib, ik), 1e-30);
      const double ek = std::fabs(dx[ik]) / x[ik];
      if (std::max({ea, eb, ek}) < kNewtonTolerance) {
        w.converged = true;
        break;
      }
    }
  }
  w.k = static_cast<float>(x[ik]);
  w.c = static_cast<float>(omega / x[ik]);
  w.bernoulli = static_cast<float>(x[ic2]);
  w.A.assign(kHarmonics + 1, 0.0);
  w.B.assign(kHarmonics + 1, 0.0);
  for (int n = 1; n <= kHarmonics; ++n) w.A[n] = x[ia + n - 1];
  for (int n = 0; n <= kHarmonics; ++n) w.B[n] = x[ib + n];
  return w;
}

void periodic_wave_signal(const PeriodicWave& w, float cos_dir, float dt, int nsteps, BoundarySignal& out) {
  out.npoints = 1;
  out.nsteps = nsteps;
  out.U.assign(static_cast<std::size_t>(nsteps), 0.0f);
  out.Q.assign(out.U.size(), 0.0f);
  out.Us.assign(out.U.size(), 0.0f);
  const double omega = 2.0 * kPiD / w.period;
  for (int n = 1; n <= nsteps; ++n) {
    const double theta = -omega * static_cast<double>(n - 1) * dt - kPiD / 2.0;
    const float eta = static_cast<float>(w.eta(theta));
    const float u = static_cast<float>(w.u(theta));
    const float uxx = static_cast<float>(w.u_xx(theta));
    const std::size_t e = static_cast<std::size_t>(n - 1);
    out.U[e] = cos_dir * u;
    out.Q[e] = cos_dir * flux_from_velocity(eta, u, uxx, w.h);
    out.Us[e] = cos_dir * surface_velocity(u, uxx, w.h);
  }
}

float SolitaryWave::half_width(float fraction) const {
  const float level = fraction * height;
  for (std::size_t m = 1; m < eta.size(); ++m)
    if (eta[m] < level) {
      const float e0 = eta[m - 1], e1 = eta[m];
      const float t = e0 > e1 ? (e0 - level) / (e0 - e1) : 0.0f;
      return (static_cast<float>(m - 1) + t) * dxi;
    }
  return static_cast<float>(eta.size() - 1) * dxi;
}

namespace {
float node_value(const std::vector<float>& v, float dxi, float xi) {
  const float s = std::fabs(xi) / dxi;
  const std::size_t m = static_cast<std::size_t>(s);
  if (m + 1 >= v.size()) return 0.0f;
  const float t = s - static_cast<float>(m);
  return v[m] + t * (v[m + 1] - v[m]);
}
}  // namespace

float SolitaryWave::eta_at(float xi) const { return node_value(eta, dxi, xi); }
float SolitaryWave::u_at(float xi) const { return node_value(u, dxi, xi); }
float SolitaryWave::u_xx_at(float xi) const { return node_value(u_xx, dxi, xi); }

SolitaryWave solitary_wave(float H, float h, const Reporter& reporter) {
  SolitaryWave s;
  s.h = h;
  s.height = H;
  const double hd = h, Hd = H, g = kGravity;
  const DepthCoefsOf<double> kc = reference_depth_coefs(hd);
  const double kappa = std::sqrt(3.0 * Hd / (4.0 * hd * hd * hd));
  const int nn = kSolitaryNodes + 1;  // nodes 0..200
  const double dxi = kSolitaryExtent / kappa / kSolitaryNodes, d2 = 1.0 / (dxi * dxi);
  // Unknowns: eta_0..eta_n, u_0..u_n, c.  The start is the long-wave sech^2 profile.
  const int nu = 2 * nn + 1, iu = nn, ic = 2 * nn;
  std::vector<double> x(static_cast<std::size_t>(nu), 0.0);
  x[ic] = std::sqrt(g * (hd + Hd));
  for (int m = 0; m < nn; ++m) {
    const double ch = std::cosh(kappa * m * dxi);
    const double e = Hd / (ch * ch);
    x[m] = e;
    x[iu + m] = x[ic] * e / (hd + e);
  }
  auto uval = [&](int m) { return m < 0 ? x[iu + 1] : (m >= nn ? 0.0 : x[iu + m]); };
  std::vector<float> jac(static_cast<std::size_t>(nu) * nu), rhs(nu), dx(nu);
  for (int it = 0; it < kNewtonIterations; ++it) {
    std::fill(jac.begin(), jac.end(), 0.0f);
    const double c = x[ic];
    for (int m = 0; m < nn; ++m) {
      const double eta = x[m], u = x[iu + m];
      const double uxx = (uval(m + 1) - 2.0 * u + uval(m - 1)) * d2;
      const int r1 = m, r2 = nn + m;
      rhs[r1] = static_cast<float>(-(-c * eta + (hd + eta) * u + hd * kc.k1 * uxx));
      rhs[r2] = static_cast<float>(-(-c * (u + kc.k3 * uxx) + g * eta + u * u / 2.0));
      float* j1 = &jac[static_cast<std::size_t>(r1) * nu];
      float* j2 = &jac[static_cast<std::size_t>(r2) * nu];
      j1[m] = static_cast<float>(u - c);
      j2[m] = static_cast<float>(g);
      j1[iu + m] = static_cast<float>(hd + eta - 2.0 * hd * kc.k1 * d2);
      j2[iu + m] = static_cast<float>(-c * (1.0 - 2.0 * kc.k3 * d2) + u);
      // Neighbours; the crest node's left neighbour is its mirror image u_1, the far end is 0.
      const int left = m == 0 ? 1 : m - 1;
      if (m + 1 < nn) {
        j1[iu + m + 1] += static_cast<float>(hd * kc.k1 * d2);
        j2[iu + m + 1] += static_cast<float>(-c * kc.k3 * d2);
      }
      j1[iu + left] += static_cast<float>(hd * kc.k1 * d2);
      j2[iu + left] += static_cast<float>(-c * kc.k3 * d2);
      j1[ic] = static_cast<float>(-eta);
      j2[ic] = static_cast<float>(-(u + kc.k3 * uxx));
    }
    rhs[ic] = static_cast<float>(Hd - x[0]);
    jac[static_cast<std::size_t>(ic) * nu + 0] = 1.0f;
    if (solve_dense(nu, jac, rhs, dx, kImprovementTolerance, kSolitaryWaveTexts, reporter) == DenseStatus::kSingular)
      break;
    for (int i = 0; i < nu; ++i) x[i] += dx[i];
    const double err = std::max({largest(dx, 0, nn) / std::max(largest(x, 0, nn), 1e-30),
                                 largest(dx, iu, ic) / std::max(largest(x, iu, ic), 1e-30), std::fabs(dx[ic]) / x[ic]});
    if (err < kNewtonTolerance) {
      s.converged = true;
      break;
    }
  }
  s.c = static_cast<float>(x[ic]);
  s.dxi = static_cast<float>(dxi);
  s.eta.resize(nn);
  s.u.resize(nn);
  s.u_xx.resize(nn);
  for (int m = 0; m < nn; ++m) {
    s.eta[m] = static_cast<float>(x[m]);
    s.u[m] = static_cast<float>(x[iu + m]);
    s.u_xx[m] = static_cast<float>((uval(m + 1) - 2.0 * x[iu + m] + uval(m - 1)) * d2);
  }
  return s;
}

float solitary_period(const SolitaryWave& s) { return 2.0f * s.half_width(0.01f) / s.c; }

void solitary_wave_signal(float H, float direction_deg, const LineGeometry& g, bool per_point, float dt, int nsteps,
                          BoundarySignal& out, float& period, const Reporter& reporter) {
  const int np = per_point ? g.npoints() : 1;
  out.npoints = np;
  out.nsteps = nsteps;
  const std::size_t total = static_cast<std::size_t>(np) * static_cast<std::size_t>(nsteps);
  out.U.assign(total, 0.0f);
  out.Q.assign(total, 0.0f);
  out.Us.assign(total, 0.0f);
  period = 0.0f;
  const float th = direction_deg * kPi / 180.0f;
  const float cs = std::cos(th), sn = std::sin(th);
  // One solution per distinct depth; delay of each point relative to the reference point.
  std::vector<SolitaryWave> solutions;
  std::vector<int> which(static_cast<std::size_t>(np), -1);
  std::vector<float> delay(static_cast<std::size_t>(np), 0.0f);
  for (int p = 1; p <= np; ++p) {
    const float h = g.depth[static_cast<std::size_t>(p - 1)];
    if (!(h > 0.0f)) continue;
    auto found = std::find_if(solutions.begin(), solutions.end(), [h](const SolitaryWave& s) { return s.h == h; });
    if (found == solutions.end()) {
      solutions.push_back(solitary_wave(H, h, reporter));
      found = solutions.end() - 1;
    }
    which[static_cast<std::size_t>(p - 1)] = static_cast<int>(found - solutions.begin());
    if (per_point) {
      const float y = g.y_first + static_cast<float>(p - 1) * g.spacing;
      delay[static_cast<std::size_t>(p - 1)] = ((g.x_line - g.x_ref) * cs + (y - g.y_ref) * sn) / found->c;
    }
  }
  if (solutions.empty()) return;
  const SolitaryWave& first = solutions.front();
  period = solitary_period(first);
  float lead = 0.0f;
  for (float d : delay) lead = std::max(lead, -d);
  const float crest_time = period + first.half_width(0.001f) / first.c + lead;
  for (int p = 1; p <= np; ++p) {
    const int w = which[static_cast<std::size_t>(p - 1)];
    if (w < 0) continue;
    const SolitaryWave& s = solutions[static_cast<std::size_t>(w)];
    for (int n = 1; n <= nsteps; ++n) {
      const float t = static_cast<float>(n - 1) * dt;
      const float xi = s.c * (t - crest_time - delay[static_cast<std::size_t>(p - 1)]);
      const float eta = s.eta_at(xi), u = s.u_at(xi), uxx = s.u_xx_at(xi);
      const std::size_t e =
          static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(np) + static_cast<std::size_t>(p - 1);
      out.U[e] = cs * u;
      out.Q[e] = cs * flux_from_velocity(eta, u, uxx, s.h);
      out.Us[e] = cs * surface_velocity(u, uxx, s.h);
    }
  }
}

}  // namespace swx
