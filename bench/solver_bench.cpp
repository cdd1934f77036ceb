// Times the solver on a flat basin holding a standing wave and prints cell updates per second
// (cells x steps / seconds; one update is a whole step of six passes), by wall clock and by
// process CPU time (the latter is the fairer figure on a shared machine).
//   solver_bench [steps_scale]   (default 1.0; scales the number of steps of every grid)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <sstream>

#include "core/fatal.hpp"
#include "solver/solver_api.hpp"

int main(int argc, char** argv) {
  using namespace swx;
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  std::ostringstream console, log;
  const Reporter reporter{&console, &log};
  struct Size {
    int nx, ny, steps;
  };
  const Size sizes[] = {{200, 100, 200}, {500, 250, 40}, {1000, 500, 10}};
  std::printf("%12s %8s %10s %16s %10s %20s\n", "grid", "steps", "seconds", "cell-updates/s", "cpu s",
              "cell-updates/cpu-s");
  for (const Size& s : sizes) {
    const int steps = std::max(1, static_cast<int>(s.steps * scale));
    // 10 m deep, 2 m cells, dt 0.1 s (Courant 0.7), a 2-D standing wave of 0.1 m.
    SolverOptions o;
    o.time_step = 0.1f;
    o.mean_period = 8.0f;
    o.chezy_coeff = 50.0f;
    Model m;
    build_model(m, Field(s.nx + 1, s.ny + 1, 10.0f), s.nx, s.ny, 2.0f, 2.0f, o, {}, {}, reporter);
    const float kx = 3.1415927f / static_cast<float>(s.nx) * 4.0f, ky = 3.1415927f / static_cast<float>(s.ny) * 2.0f;
    for (int j = 1; j <= s.ny; ++j)
      for (int i = 1; i <= s.nx; ++i)
        m.eta_old(i, j) = 0.1f * std::cos(kx * (static_cast<float>(i) - 0.5f)) * std::cos(ky * (static_cast<float>(j) - 0.5f));
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    run_steps(m, 1, steps, reporter);
    const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    const double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double updates = static_cast<double>(s.nx) * s.ny * steps;
    const double rate = updates / sec;
    char grid[32];
    std::snprintf(grid, sizeof grid, "%dx%d", s.nx, s.ny);
    std::printf("%12s %8d %10.3f %16.4g %10.3f %20.4g\n", grid, steps, sec, rate, cpu, updates / cpu);
  }
  return 0;
}
