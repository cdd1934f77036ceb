// In-memory use of the solver.
#include "solver/solver_api.hpp"

#include <cmath>
#include <utility>

#include "core/constants.hpp"
#include "core/depth_coefficients.hpp"
#include "core/fatal.hpp"
#include "solver/time_step.hpp"
#include "solver/wavemaker_faces.hpp"

namespace swx {

void build_model(Model& m, const Field& depth, int nx, int ny, float dx, float dy, const SolverOptions& o,
                 std::vector<BoundarySignal> wavemakers, const OptionalGrids& grids, const Reporter& reporter) {
  GridHeader h;
  h.delta_x = dx;
  h.delta_y = dy;
  h.ngrid_x = nx;
  h.ngrid_y = ny;
  h.n_arrays = 1;
  setup_model(m, h, depth, o, std::move(wavemakers), grids, reporter);
}

void run_steps(Model& m, int first, int count, const Reporter& reporter) {
  for (int n = first; n < first + count; ++n) {
    advance_solution(m, n, reporter);
    finish_step(m);
  }
}

double water_volume(const Model& m) {
  double v = 0.0;
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const double d = static_cast<double>(m.depth(i, j)) + static_cast<double>(m.eta_old(i, j));
      if (d > 0.0) v += d;
    }
  }
  return v * static_cast<double>(m.dx) * static_cast<double>(m.dy);
}

double model_wavenumber(double omega, double h) {
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

BoundarySignal regular_signal(WavemakerSide side, int i1, int i2, int j1, int j2, float height, float period,
                              float depth, float dt, int nsteps, float direction_sign) {
  BoundarySignal s;
  s.number = 1;
  s.side = side;
  s.i1 = i1;
  s.i2 = i2;
  s.j1 = j1;
  s.j2 = j2;
  s.linear_flag = 1;
  s.npoints = line_points(s);
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
