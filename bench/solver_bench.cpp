// Times the solver on the reference wavemaker case and prints the throughput.
//
// Case: flat bed 10 m deep, dx = dy = 2 m, regular waves T = 8 s, H = 1 m from a wavemaker on
// the west boundary, damping layers 200 m wide at the west and east ends, dt = 0.09 s, no
// friction, no output.  One cell update is one whole step (a predictor and five correctors) of
// one cell.  Timing is by process CPU time (getrusage; the build machine is shared, so wall
// time is also printed but is not the figure to compare) and covers the time loop only
// (the signal is prepared before the clock starts and timed on its own).
//
//   solver_bench NX NY STEPS [ARRAYS_PER_PASS [THREADS]]
//
// ARRAYS_PER_PASS (default 0 = not printed) is the number of whole float arrays one pass
// streams through memory (docs/performance.md); with it the bench also measures a STREAM-like
// triad (a = b + s c over 64 MB arrays, best of five, on THREADS threads) right after the time
// loop and prints the share of the bandwidth bound at that rate, against the wall time.
// THREADS (default 1) is the thread count of the sweeps, as SWELLIX_THREADS sets it in the
// program; with more than one thread the figure to compare is the wall rate.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "core/fatal.hpp"
#include "solver/solver_api.hpp"
#include "wave_signals.hpp"

namespace {

double cpu_seconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec) + 1e-6 * static_cast<double>(ru.ru_utime.tv_usec) +
         static_cast<double>(ru.ru_stime.tv_sec) + 1e-6 * static_cast<double>(ru.ru_stime.tv_usec);
}

// Memory bandwidth in bytes per second of the triad a = b + s c on `threads` threads (each
// thread first touches its own part of the arrays), best of five.
double triad_bandwidth(int threads) {
  constexpr std::ptrdiff_t n = std::ptrdiff_t{1} << 24;
  std::vector<float> a(static_cast<std::size_t>(n)), b(a.size()), c(a.size());
  float* pa = a.data();
  float* pb = b.data();
  float* pc = c.data();
#pragma omp parallel for num_threads(threads) schedule(static)
  for (std::ptrdiff_t k = 0; k < n; ++k) {
    pa[k] = 0.0f;
    pb[k] = 1.0f;
    pc[k] = 2.0f;
  }
  double best = 1e30;
  for (int r = 0; r < 5; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t k = 0; k < n; ++k) pa[k] = pb[k] + 1.5f * pc[k];
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  if (pa[n / 2] != 4.0f) swx::fatal("triad: wrong result");
  return 3.0 * 4.0 * static_cast<double>(n) / best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace swx;
  if (argc < 4) {
    std::fprintf(stderr, "usage: solver_bench NX NY STEPS [ARRAYS_PER_PASS [THREADS]]\n");
    return 2;
  }
  const int nx = std::atoi(argv[1]), ny = std::atoi(argv[2]), steps = std::atoi(argv[3]);
  const double arrays = argc > 4 ? std::atof(argv[4]) : 0.0;
  const int threads = argc > 5 ? std::max(1, std::atoi(argv[5])) : 1;
  std::ostringstream console, log;
  const Reporter reporter{&console, &log};

  const float h = 10.0f, dx = 2.0f, dt = 0.09f, period = 8.0f, height = 1.0f, sponge = 200.0f;
  SolverOptions o;
  o.time_step = dt;
  o.mean_period = period;
  o.rms_wave_height = height;
  OptionalGrids grids;
  grids.damping = Field(nx + 1, ny + 1, 0.0f);
  const double omega = 2.0 * 3.14159265358979 / period;
  for (int i = 1; i <= nx; ++i) {
    const double x = (i - 0.5) * dx, len = nx * static_cast<double>(dx);
    const double s = std::max((sponge - x) / sponge, (x - (len - sponge)) / sponge);
    if (s <= 0.0) continue;
    for (int j = 1; j <= ny; ++j) grids.damping(i, j) = static_cast<float>(2.0 * omega * s * s);
  }

  const double c_sig0 = cpu_seconds();
  BoundarySignal sig = regular_signal(WavemakerSide::kWest, 1, 1, 1, ny, height, period, h, dt, steps, 1.0f);
  const double c_sig = cpu_seconds() - c_sig0;

  Model m;
  build_model(m, Field(nx + 1, ny + 1, h), nx, ny, dx, dx, o, {sig}, grids, reporter);
  set_threads(m, threads);

  // One probe in the middle of the basin, sampled every step as the driver would.
  double probe_sum = 0.0;
  const auto t0 = std::chrono::steady_clock::now();
  const double c0 = cpu_seconds();
  for (int n = 1; n <= steps; ++n) {
    run_steps(m, n, 1, reporter);
    probe_sum += m.flow.eta_old(nx / 2, ny / 2);
  }
  const double cpu = cpu_seconds() - c0;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  const double updates = static_cast<double>(nx) * ny * steps;
  const double sim = steps * static_cast<double>(dt);
  const double ns_pass = cpu * 1e9 / (updates * 6.0);
  std::printf("grid %dx%d  steps %d  (%.2f s simulated)  threads %d\n", nx, ny, steps, sim, threads);
  std::printf("  cpu %.3f s  wall %.3f s  signal preparation %.4f s cpu\n", cpu, wall, c_sig);
  std::printf("  cell-updates per cpu second   %.4g\n", updates / cpu);
  std::printf("  cell-updates per wall second  %.4g\n", updates / wall);
  std::printf("  simulated s per cpu s %.4g   per wall s %.4g\n", sim / cpu, sim / wall);
  std::printf("  ns per cell per pass (cpu)    %.2f\n", ns_pass);
  if (arrays > 0.0) {
    const double gbs = triad_bandwidth(threads) / 1e9;
    const double bound = arrays * 4.0 / gbs;  // ns per cell per pass at the triad's rate
    const double ns_wall = wall * 1e9 / (updates * 6.0);
    std::printf("  triad %.1f GB/s on %d thread(s)\n", gbs, threads);
    std::printf("  bandwidth bound %.1f arrays/pass = %.2f ns/cell/pass; wall %.2f ns/cell/pass, share %.0f%%\n",
                arrays, bound, ns_wall, 100.0 * bound / ns_wall);
  }
  std::printf("  probe mean eta %.6g m (checksum)\n", probe_sum / steps);
  return 0;
}
