#pragma once
// Waves of known answer for the solver's tests and the benchmark: the wavenumber of the model's
// own dispersion relation and the boundary signal of a regular linear wave.
#include <cmath>
#include <cstddef>

#include "core/boundary_signal.hpp"
#include "core/constants.hpp"
#include "core/depth_coefficients.hpp"

namespace swx {

// Wavenumber of angular frequency omega in depth h by the model's own dispersion relation
// omega^2 = g k^2 h (1 - (alpha + 1/3)(kh)^2) / (1 - alpha (kh)^2).
inline double model_wavenumber(double omega, double h) {
  const double g = kGravity, a = kAlpha;
  // Start from the shallow-water value and refine by Newton's method on
  // f(k) = g k^2 h (1 - (a + 1/3)(kh)^2) - omega^2 (1 - a (kh)^2).
  double k = omega / std::sqrt(g * h);
  for (int it = 0; it < 100; ++it) {
    const double kh = k * h;
    const double f = g * k * k * h * (1.0 - (a + 1.0 / 3.0) * kh * kh) - omega * omega * (1.0 - a * kh * kh);
    const double df =
        g * h * (2.0 * k - 4.0 * (a + 1.0 / 3.0) * k * k * k * h * h) + omega * omega * 2.0 * a * k * h * h;
    const double dk = f / df;
    k -= dk;
    if (std::fabs(dk) < 1e-14 * k) break;
  }
  return k;
}

// Boundary signal of a regular linear wave of the given height and period for a wavemaker line
// of constant depth: U, Q and Us per step and point, the wave travelling along the line's
// positive normal (+x or +y) for direction_sign +1 and against it for -1.
inline BoundarySignal regular_signal(WavemakerSide side, int i1, int i2, int j1, int j2, float height, float period,
                                     float depth, float dt, int nsteps, float direction_sign) {
  BoundarySignal s;
  s.number = 1;
  s.side = side;
  s.i1 = i1;
  s.i2 = i2;
  s.j1 = j1;
  s.j2 = j2;
  s.linear_flag = 1;
  s.npoints = is_column_side(side) ? j2 - j1 + 1 : i2 - i1 + 1;
  s.nsteps = nsteps;
  const auto total = static_cast<std::size_t>(s.npoints) * static_cast<std::size_t>(nsteps);
  s.U.assign(total, 0.0f);
  s.Q.assign(total, 0.0f);
  s.Us.assign(total, 0.0f);
  const double h = depth;
  const double omega = 2.0 * kPiDouble / period;
  const double k = model_wavenumber(omega, h);
  const double beta = kBeta;
  const double vel = omega / (k * h * (1.0 + beta * (k * h) * (k * h)));
  const DepthCoefsOf<double> kc = reference_depth_coefs(h);
  const double k1 = kc.k1, k3 = kc.k3;
  for (int n = 1; n <= nsteps; ++n) {
    const double t = (n - 1) * static_cast<double>(dt);
    const double eta = 0.5 * height * std::sin(-omega * t);
    const double u = direction_sign * vel * eta;
    const double uxx = -k * k * u;
    for (int p = 1; p <= s.npoints; ++p) {
      const std::size_t e =
          static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(s.npoints) + static_cast<std::size_t>(p - 1);
      s.U[e] = static_cast<float>(u);
      s.Q[e] = static_cast<float>((h + eta) * u + h * k1 * uxx);
      s.Us[e] = static_cast<float>(u + k3 * uxx);
    }
  }
  return s;
}

}  // namespace swx
