#pragma once
// Helpers shared by the solver tests: a silent reporter, depth arrays, time series measures.
#include <cmath>
#include <sstream>
#include <vector>

#include "core/fatal.hpp"
#include "solver/solver_api.hpp"

namespace swx::test {

struct Quiet {
  std::ostringstream console, log;
  Reporter reporter{&console, &log};
};

inline Field flat_depth(int nx, int ny, float h) { return Field(nx + 1, ny + 1, h); }

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
