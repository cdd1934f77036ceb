#pragma once
// Helpers shared by the solver tests: a silently built model, depth arrays, the model's
// dispersion relation, damping layers, wave-height envelopes and time series measures.

#include "core/fatal.hpp"
#include "solver/solver_api.hpp"
#include "swx_test_support.hpp"
#include "wave_signals.hpp"

namespace swx::test {

constexpr double kPi = 3.14159265358979323846;

struct Quiet {
  std::ostringstream console, log;
  Reporter reporter{&console, &log};
};

// A model built with a silent reporter; run(first, count) advances it.
struct Sim {
  Quiet q;
  Model m;
  Sim(const Field& depth, int nx, int ny, float dx, float dy, const SolverOptions& o,
      std::vector<BoundarySignal> wavemakers = {}, const OptionalGrids& grids = {}) {
    build_model(m, depth, nx, ny, dx, dy, o, std::move(wavemakers), grids, q.reporter);
  }
  void run(int first, int count = 1) { run_steps(m, first, count, q.reporter); }
};

// Options with time step dt and mean period; runup turns the moving shoreline on, with breaking
// (without which runup is not read) and the given minimum flooding depth.
inline SolverOptions options(float dt, float period, bool runup = false, float min_flood_depth = 0.001f) {
  SolverOptions o;
  o.time_step = dt;
  o.mean_period = period;
  o.calc_wave_runup = o.breaking_on = runup ? 1 : 0;
  o.min_flood_depth = runup ? min_flood_depth : 0.0f;
  return o;
}

inline Field flat_depth(int nx, int ny, float h) { return Field(nx + 1, ny + 1, h); }

// Angular frequency of wavenumber k in depth h by the model's own dispersion relation.
inline double model_omega(double k, double h) {
  const double kh = k * h;
  return std::sqrt(9.81 * k * k * h * (1.0 - (-0.392 + 1.0 / 3.0) * kh * kh) / (1.0 + 0.392 * kh * kh));
}

// Damping coefficient at relative distance s into a layer rising as the square of s.
inline float layer(double strength, double s) { return s > 0.0 ? static_cast<float>(strength * s * s) : 0.0f; }

// Crest and trough of each of points 1..n; height = crest - trough.
struct Envelope {
  std::vector<double> hi, lo;
  explicit Envelope(int n) : hi(static_cast<std::size_t>(n) + 1, -1e9), lo(static_cast<std::size_t>(n) + 1, 1e9) {}
  void add(int a, double e) {
    hi[static_cast<std::size_t>(a)] = std::max(hi[static_cast<std::size_t>(a)], e);
    lo[static_cast<std::size_t>(a)] = std::min(lo[static_cast<std::size_t>(a)], e);
  }
  double height(int a) const { return hi[static_cast<std::size_t>(a)] - lo[static_cast<std::size_t>(a)]; }
  // Mean height over points a0..a1 and spread (Hmax - Hmin)/(Hmax + Hmin), a measure of reflection.
  std::pair<double, double> stretch(int a0, int a1) const {
    double sum = 0.0, hmax = 0.0, hmin = 1e9;
    for (int a = a0; a <= a1; ++a) {
      sum += height(a);
      hmax = std::max(hmax, height(a));
      hmin = std::min(hmin, height(a));
    }
    return {sum / (a1 - a0 + 1), (hmax - hmin) / (hmax + hmin)};
  }
};

// Times of the upward zero crossings of a sampled series (linear interpolation).
inline std::vector<double> up_crossings(const std::vector<double>& x, double dt) {
  std::vector<double> t;
  for (std::size_t n = 1; n < x.size(); ++n) {
    if (x[n - 1] < 0.0 && x[n] >= 0.0) t.push_back((n - 1 + x[n - 1] / (x[n - 1] - x[n])) * dt);
  }
  return t;
}

// Largest |x| over samples [first, last).
inline double peak(const std::vector<double>& x, std::size_t first, std::size_t last) {
  double p = 0.0;
  for (std::size_t n = first; n < last && n < x.size(); ++n) p = std::max(p, std::fabs(x[n]));
  return p;
}

}  // namespace swx::test
