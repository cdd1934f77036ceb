#pragma once
// Wave statistics over the whole grid: mean water level, mean wave direction, significant wave
// height and mean velocity over the analysis window at the end of the run, and the maximum
// runup over the whole run.
//
// Call order for the driver:
//   1. init_statistics(params, grid, storm, reporter)   after the output parameters are read
//                                                       (shows the storm-duration warning)
//   2. accumulate_statistics(stats, model, k)           in every step k = 1..M, once the new
//                                                       level of the step is known
//   3. write_statistics(stats, params, grid, solution, reporter, working_dir)
//                                                       after the loop and after close_animation,
//                                                       before close_solution_file
#include <string_view>

#include "core/array2d.hpp"
#include "core/fatal.hpp"
#include "io/grid_file.hpp"
#include "output/non_finite.hpp"
#include "output/probes.hpp"
#include "output/solution_file.hpp"
#include "params/model_params.hpp"
#include "solver/model.hpp"

namespace swx {

// Accumulators over nodes (1..ngrid_x, 1..ngrid_y); only those of requested results are sized.
struct Statistics {
  bool water_level = false;    // S1 (mean water level, and Hs)
  bool hs = false;             // S2
  bool mean_velocity = false;  // SU, SV
  bool direction = false;      // EU, EV
  bool runup = false;          // R
  int nsteps = 0;              // N, steps of the run
  int nwin = 0;                // steps of the analysis window
  int k0 = 0;                  // last step before the window
  Field s1, s2, su, sv, eu, ev, r;
};

Statistics init_statistics(const ModelParams& p, const GridHeader& grid, const StormSummary& storm,
                           const Reporter& reporter);

// Adds step k of the new level (eta_new, u_new, v_new) of the rank's own rows to the
// accumulators.
void accumulate_statistics(Statistics& st, const Model& m, int k);

// Over several ranks, every rank accumulates its own rows: keep_own_rows sizes the requested
// accumulators to them (zero) before the time loop, and gather_statistics, on every rank after
// it, makes rank 0's accumulators whole with the rows of all.
void keep_own_rows(Statistics& st, const Model& m);
void gather_statistics(Statistics& st, Model& m);

// Finalised results, in node arrays of ngrid_x x ngrid_y.
struct StatisticsResults {
  Field mwl, theta, hs, mean_u, mean_v, runup_max;
};
// Nodes that went non-finite during the run (watch) and results that are not finite get
// kInvalidValue.
StatisticsResults finalise_statistics(const Statistics& st, const GridHeader& grid,
                                      const NonFiniteWatch* watch = nullptr);

// Finalises and writes the requested results: a grid file unless solution_file_option is 1, a
// solution-file dataset when it is greater than 0.
void write_statistics(const Statistics& st, const ModelParams& p, const GridHeader& grid, SolutionFile& sf,
                      const Reporter& reporter, std::string_view working_dir, const NonFiniteWatch* watch = nullptr);

}  // namespace swx
