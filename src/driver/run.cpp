// The run driver: the phases of one simulation in their order, the log file and its header,
// and the single place where a fatal condition ends the run.
#include "driver/run.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "driver/timing.hpp"
#include "io/grid_file.hpp"
#include "io/number_text.hpp"
#include "output/animation.hpp"
#include "output/non_finite.hpp"
#include "output/probes.hpp"
#include "output/solution_file.hpp"
#include "output/statistics.hpp"
#include "params/model_params.hpp"
#include "params/param_table.hpp"
#include "solver/model.hpp"
#include "solver/model_setup.hpp"
#include "solver/ranks.hpp"
#include "solver/time_step.hpp"
#include "wavegen/wavemaker_blocks.hpp"

namespace swx {

namespace {

// Everything a run holds from its creation to the end of the process.
struct Run {
  std::istream& in;
  std::ostream& out;
  WallClock start_clock;
  float start_cpu = 0.0f;

  int threads = 1;         // threads of the time loop's sweeps (SWELLIX_THREADS)
  std::string param_file;  // as typed or passed, with the extension added
  ParamTable table;
  ModelParams params;

  std::string log_name;
  std::ofstream log_file;
  Reporter rep;

  GridHeader grid;      // of the bathymetry file: the model grid for the whole run
  Field depth;          // bathymetry, positive below still water, plus tidal_offset
  OptionalGrids grids;  // damping, porosity, friction and current grids when named
  float max_depth = 0.0f;

  WavemakerSet wavemakers;
  StormSummary storm;
  Statistics statistics;
  SolutionFile solution;
  Animation animation;
  Model model;
  // Over several ranks, rank 0's copies of what its outputs read (gather_outputs): the rows of
  // the probes and gauges, and the fields of the animation frames whole.  A single rank's
  // outputs read the model.
  Model probe_view, frame_view;
  ProbeRecords records;
  NonFiniteWatch watch;  // nodes whose values stopped being finite numbers
  bool instability_grid_written = false;

  Run(std::istream& i, std::ostream& o) : in(i), out(o) { rep.console = &o; }
};

// The start values of the wall clock and of the process CPU time.
void start_clocks(Run& r) {
  r.start_clock = wall_clock_now();
  r.start_cpu = cpu_seconds();
}

// The number of threads of the time loop from the environment variable SWELLIX_THREADS: unset
// or empty for one, a positive whole number, or "auto" for every core of the machine.
void read_thread_count(Run& r) {
  const char* env = std::getenv("SWELLIX_THREADS");
  const std::string text = env != nullptr ? std::string(trim_right(trim_left(env))) : std::string();
  if (text.empty()) return;
  if (text == "auto") {
    r.threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return;
  }
  constexpr int kMaxThreads = 4096;
  long n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || n > kMaxThreads) {
      n = 0;
      break;
    }
    n = 10 * n + (c - '0');
  }
  if (n < 1 || n > kMaxThreads)
    fatal("SWELLIX_THREADS must be a whole number from 1 to " + compact_int(kMaxThreads) + " or auto",
          "SWELLIX_THREADS = \"" + text.substr(0, 40) + "\"");
  r.threads = static_cast<int>(n);
}

// The parameter file's name (from the command line or asked for), the working
// directory and the parameter table.
void load_parameters(Run& r, int argc, char** argv) {
  r.param_file = get_parameter_file_name(argc, argv, r.in, r.out);
  std::error_code ec;
  r.rep.cwd = std::filesystem::current_path(ec).string();
  r.table = load_parameter_table(r.param_file);
}

// The output file prefix and the log file "<prefix>_swx.log", created or replaced.
void open_log_file(Run& r) {
  read_output_prefix(r.table, r.params);
  r.log_name = r.params.output_file_prefix + "_swx.log";
  errno = 0;
  r.log_file.open(r.log_name, std::ios::out | std::ios::trunc);
  if (!r.log_file) fatal("Log file cannot be created: " + r.log_name, file_failure_reason(r.log_name, errno));
  r.rep.log = &r.log_file;
}

// A log that can no longer be written (a full disk) ends the run with a box naming it, instead
// of a run whose progress and timing silently go missing.
void check_log(const Run& r) {
  if (r.log_file) return;
  fatal("Log file could not be written: " + r.log_name, file_failure_reason(r.log_name, errno));
}

// The log header.
void write_log_header(Run& r) {
  std::ostream& log = r.log_file;
  std::string param_line = "Simulation Parameter File: " + r.rep.quoted_path(r.param_file);
  param_line.resize(256, ' ');  // a 256-character field: padded, or cut when the path is longer
  log << "SWELLIX - Boussinesq Wave Model for Coastal\n"
      << "          Regions and Harbors\n"
      << "          Version Number " << fixed_decimal_text(kVersion, 2) << '\n'
      << " \n"
      << "Start Time: " << date_time_text() << '\n'
      << " \n"
      << param_line << '\n'
      << " \n";
  // The parallel layout, only when the run has one: a serial run's log stays as it was.
  if (r.threads > 1) log << " Threads: " << r.threads << '\n';
  if (rank_count() > 1) log << " MPI ranks: " << rank_count() << '\n';
  errno = 0;
  log.flush();
  check_log(r);
}

// Announces an input grid file on the log and the console, e.g. " Reading in damping file: ".
void announce_input(const Run& r, std::string_view what, const std::string& file_name) {
  r.rep.log_and_console(" Reading in " + std::string(what) + " file: " + r.rep.quoted_path(file_name));
}

// An input grid over the bathymetry grid's nodes, in an array of the model's field shape.
void read_input_grid(const Run& r, std::string_view what, const std::string& file_name, Field& a) {
  announce_input(r, what, file_name);
  a.resize(r.grid.ngrid_x + 1, r.grid.ngrid_y + 1);
  read_scalar_grid(file_name, a, r.grid.ngrid_x, r.grid.ngrid_y);
}

// The bathymetry grid sets the model grid; its values are heights, so they are negated
// into depths, then tidal_offset raises the water level over every cell.
void read_bathymetry(Run& r) {
  read_bathy_file_key(r.table, r.params);
  const std::string& name = r.params.bathy_file;
  announce_input(r, "bathymetry", name);
  r.grid = read_grid_header(name);
  const int nx = r.grid.ngrid_x, ny = r.grid.ngrid_y;
  r.depth.resize(nx + 1, ny + 1);
  read_scalar_grid(name, r.depth, nx, ny);
  read_tidal_offset(r.table, r.params);
  const float offset = r.params.tidal_offset;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) r.depth(i, j) = -r.depth(i, j) + offset;
}

// The damping layer and the porous structures, when named.
void read_damping_and_porosity(Run& r) {
  read_damping_key(r.table, r.params);
  const int nx = r.grid.ngrid_x, ny = r.grid.ngrid_y;
  if (r.params.has_damping) {
    read_input_grid(r, "damping", r.params.damping_file, r.grids.damping);
    check_damping_grid(r.grids.damping, nx, ny, r.params.damping_file);
  }
  read_porosity_keys(r.table, r.params);
  if (r.params.has_porosity) {
    read_input_grid(r, "porosity", r.params.porosity_file, r.grids.porosity);
    check_porosity_grid(r.grids.porosity, nx, ny, r.params.porosity_file);
  }
}

// Largest depth of the grid and smallest positive one (0 when the grid holds no water).
void depth_range(const Field& depth, int nx, int ny, float& max_depth, float& min_wet_depth) {
  max_depth = depth(1, 1);
  min_wet_depth = 0.0f;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) {
      const float h = depth(i, j);
      if (h > max_depth) max_depth = h;
      if (h > 0.0f && (min_wet_depth == 0.0f || h < min_wet_depth)) min_wet_depth = h;
    }
}

// Every wavemaker block, each signal prepared as soon as its block is read.
void read_wavemaker_phase(Run& r) {
  float min_wet_depth = 0.0f;
  depth_range(r.depth, r.grid.ngrid_x, r.grid.ngrid_y, r.max_depth, min_wet_depth);
  r.wavemakers = read_wavemakers(r.table, r.grid, r.depth, r.max_depth, r.rep);
  r.storm.wave_height = r.wavemakers.heights();
  r.storm.wave_period = r.wavemakers.periods();
  r.storm.time_series_duration = r.wavemakers.storm_duration;
  r.storm.first_is_solitary = r.wavemakers.wavemakers.front().wave_type == WaveType::kSolitary;
}

// Time stepping, then breaking, runup and turbulence.
void read_model_keys(Run& r) {
  read_time_stepping_keys(r.table, r.params);
  float max_depth = 0.0f, min_wet_depth = 0.0f;
  depth_range(r.depth, r.grid.ngrid_x, r.grid.ngrid_y, max_depth, min_wet_depth);
  read_breaking_keys(r.table, r.params, r.wavemakers.wave.rms_wave_height, min_wet_depth, max_depth, r.rep);
}

// Bottom friction (a Chezy grid or one coefficient) and the ambient current.
void read_friction_and_current(Run& r) {
  read_friction_key(r.table, r.params);
  if (r.params.has_friction_file) {
    read_input_grid(r, "friction", r.params.friction_file, r.grids.chezy);
    check_friction_grid(r.grids.chezy, r.grid.ngrid_x, r.grid.ngrid_y, r.params.friction_file);
  }
  read_current_key(r.table, r.params);
  if (r.params.has_current) {
    const std::string& name = r.params.current_file;
    announce_input(r, "current", name);
    r.grids.current_x.resize(r.grid.ngrid_x + 1, r.grid.ngrid_y + 1);
    r.grids.current_y.resize(r.grid.ngrid_x + 1, r.grid.ngrid_y + 1);
    read_vector_grid(name, r.grids.current_x, r.grids.current_y, r.grid.ngrid_x, r.grid.ngrid_y);
    check_current_grid(r.grids.current_x, r.grids.current_y, r.grid.ngrid_x, r.grid.ngrid_y, name);
  }
}

// Probes, runup gauges and the requested output files; the statistics
// accumulators for the requested grids (with the storm-duration warning when the run is
// shorter than the wavemakers' series).
void read_output_keys(Run& r) {
  read_probe_blocks(r.table, r.params, r.grid);
  read_gauge_blocks(r.table, r.params, r.grid);
  read_output_requests(r.table, r.params, r.grid);
  r.statistics = init_statistics(r.params, r.grid, r.storm, r.rep);
}

// The solution file when requested, then the requested animation files.
void open_outputs(Run& r) {
  read_solution_file_keys(r.table, r.params);
  if (r.params.solution_file_option > 0)
    r.solution = open_solution_file(r.params.kobl_solution_file, simulation_name(r.param_file));
  r.animation = open_animation(r.params, r.grid, r.solution);
}

// What the solver takes from the parameters and the wavemakers' wave summary.
SolverOptions solver_options(const ModelParams& p, const RepresentativeWave& wave) {
  SolverOptions o;
  o.time_step = p.time_step;
  o.nonlinear_option = p.nonlinear_option;
  o.calc_wave_runup = p.calc_wave_runup;
  o.min_flood_depth = p.min_flood_depth;
  o.breaking_on = p.breaking_on;
  o.smagorinsky_const = p.smagorinsky_const;
  o.swash_scheme = p.swash_scheme;
  o.chezy_coeff = p.chezy_coeff;
  o.mean_period = wave.mean_period;
  o.rms_wave_height = wave.rms_wave_height;
  o.char_stone_size = p.char_stone_size;
  o.lam_friction_coeff = p.lam_friction_coeff;
  o.turb_friction_coeff = p.turb_friction_coeff;
  o.added_mass_coeff = p.added_mass_coeff;
  return o;
}

// The rows that the probes' differences read (three on each side of a probe's row) and those
// that the runup gauges' transects cross (with a row on each side), within 1..ny + 1, ascending.
std::vector<int> probe_rows(const ModelParams& p, int ny) {
  std::vector<int> rows;
  for (const ProbeSpec& s : p.probes)
    for (int j = std::max(s.point.j - 3, 1); j <= std::min(s.point.j + 3, ny + 1); ++j) rows.push_back(j);
  for (const GaugeSpec& g : p.gauges) {
    const int first = std::max(std::min(g.p1.j, g.p2.j) - 2, 1), last = std::min(std::max(g.p1.j, g.p2.j) + 1, ny + 1);
    for (int j = first; j <= last; ++j) rows.push_back(j);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

// The statistics' plan (which results, the window), from rank 0 to every rank.
void share_statistics_plan(Statistics& st) {
  int plan[] = {st.water_level, st.hs, st.mean_velocity, st.direction, st.runup, st.nsteps, st.nwin, st.k0};
  share_from_rank_zero(plan, 8);
  st.water_level = plan[0] != 0;
  st.hs = plan[1] != 0;
  st.mean_velocity = plan[2] != 0;
  st.direction = plan[3] != 0;
  st.runup = plan[4] != 0;
  st.nsteps = plan[5];
  st.nwin = plan[6];
  st.k0 = plan[7];
}

// Every rank, after the step in which the stability test first failed: that step's level
// gathered on rank 0, which then writes it (true there).
bool first_unstable_level(Model& m, bool& written) {
  if (!m.flow.instability_reported || written) return false;
  written = true;
  gather_field(m, m.flow.eta_new);
  return m.parallel.rank == 0;
}

// A copy of the listed fields of m, rows first..last, with m's grid and options (no signals):
// what rank 0's outputs read over several ranks.
Model output_view(const Model& m, LineRange rows, std::initializer_list<Field BedFields::*> bed,
                  std::initializer_list<Field FlowState::*> flow) {
  Model v;
  v.config = m.config;
  v.config.wavemakers.clear();
  v.config.inner_source_factor.clear();
  const auto copy = [&](const Field& from, Field& to) {
    if (from.empty()) return;
    to.resize_rows(from.ni, from.nj, rows.first, rows.last, 0.0f);
    // A field that rank 0 holds as its slab from the start is zero everywhere.
    if (rows.first < from.j0 || rows.last >= from.j0 + from.rows_held()) return;
    std::copy(from.col(rows.first), from.col(rows.last) + from.ni, to.col(rows.first));
  };
  for (Field BedFields::*f : bed) copy(m.bed.*f, v.bed.*f);
  for (Field FlowState::*f : flow) copy(m.flow.*f, v.flow.*f);
  return v;
}

// The model's fields with the bathymetry checks, then the Courant check.
void set_up_model(Run& r) {
  place_ranks(r.model, r.grid.ngrid_y);
  setup_model(r.model, r.grid, r.depth, solver_options(r.params, r.wavemakers.wave), r.wavemakers.take_signals(),
              r.grids, r.rep);
  // The input grids are in the model now; the run no longer holds them.
  r.depth = Field{};
  r.grids = OptionalGrids{};
  check_courant(r.model, r.rep);
  set_threads(r.model, r.threads);
  if (rank_count() > 1) {
    const std::vector<int> rows = probe_rows(r.params, r.grid.ngrid_y);
    r.model.parallel.probe_rows = rows;
    if (!rows.empty()) {
      r.probe_view = output_view(
          r.model, {rows.front(), rows.back()},
          {&BedFields::depth, &BedFields::depth_dx, &BedFields::depth_dy, &BedFields::current_x, &BedFields::current_y},
          {&FlowState::eta_old, &FlowState::eta_new, &FlowState::u_old, &FlowState::u_new, &FlowState::u_mid,
           &FlowState::v_old, &FlowState::v_new, &FlowState::v_mid, &FlowState::u_surf, &FlowState::v_surf,
           &FlowState::eta_rate});
    }
    if (r.animation.eta || r.animation.uv) {
      r.frame_view = output_view(r.model, {1, r.grid.ngrid_y + 1}, {&BedFields::depth},
                                 {&FlowState::celerity, &FlowState::eta_new, &FlowState::u_new, &FlowState::v_new,
                                  &FlowState::u_surf, &FlowState::v_surf, &FlowState::eta_rate});
    }
  }
  send_model(r.model);
  share_statistics_plan(r.statistics);
  if (rank_count() > 1) keep_own_rows(r.statistics, r.model);
  r.records = init_probe_records(r.params);
  r.watch = init_non_finite_watch(r.grid.ngrid_x, r.grid.ngrid_y);
}

// The fields that rank 0 reads after step n (over several ranks, it gathers them): the rows
// around the probes and along the gauges of the levels of the step, the surface velocities and
// the continuity rate, and the new level, the surface velocities and the continuity rate whole
// for the frames of the animations.  Each rank watches and accumulates its own rows of the new
// level for the watch of non-finite values and the statistics (rank_outputs_after_step).
int output_fields(const Run& r, int n) {
  int fields = 0;
  if (!r.params.probes.empty() || !r.params.gauges.empty()) fields |= kProbeLevels;
  if (is_saved_step(r.animation, n)) fields |= kNewLevel | kSurfaceVelocity;
  return fields;
}

// The time loop.  Each step: its progress line, the passes of the solver (and the
// level grid of the first unstable step), the probe records and the animation frame, the new
// level made the old one, the statistics, and after step 9 the run-time estimate.
void run_time_loop(Run& r) {
  const int steps = r.params.nsteps;
  const std::string of_total = " of " + compact_int(steps);
  RunTimeEstimate estimate;
  estimate.total_steps = steps;
  for (int n = 1; n <= steps; ++n) {
    r.rep.log_and_console(" Time Step: " + compact_int(n) + of_total);
    errno = 0;
    r.log_file.flush();  // progress stays readable while the run goes on
    check_log(r);
    r.out.flush();
    const int fields = output_fields(r, n);
    send_step(n, fields);
    advance_solution(r.model, n, r.rep);
    gather_outputs(r.model, fields, r.probe_view, r.frame_view);
    // The step's exchanges with the other ranks come first: a file that cannot be written ends
    // the run between two steps, where the other ranks wait for the next one.
    const bool first_unstable = first_unstable_level(r.model, r.instability_grid_written);
    watch_non_finite(r.watch, r.model, n);
    if (first_unstable) write_instability_grid(r.params.output_file_prefix, r.model);
    const bool views = rank_count() > 1;
    record_probes(r.records, views ? r.probe_view : r.model, r.params, n);
    save_animation_step(r.animation, views ? r.frame_view : r.model, r.params, r.solution, n, &r.watch);
    finish_step(r.model);
    accumulate_statistics(r.statistics, r.model, n);
    estimate.after_step(n + 1, r.out);
  }
}

// The animation files closed, the statistics grids written (files and solution-file
// datasets), the solution file closed, then the probe and gauge time series written.
void write_results(Run& r) {
  send_results_call();
  gather_statistics(r.statistics, r.model);
  close_animation(r.animation, r.solution);
  write_statistics(r.statistics, r.params, r.grid, r.solution, r.rep, r.rep.cwd, &r.watch);
  close_solution_file(r.solution);
  write_probe_files(r.records, r.model, r.params, r.storm, r.rep, r.rep.cwd, &r.watch);
  warn_if_unstable(r.watch, r.params.time_step, r.rep);
}

// The closing "Start Time: " line (it carries the end time) and the timing report.
void finish_run(Run& r) {
  r.log_file << "Start Time: " << date_time_text() << '\n';
  const float cpu = cpu_seconds() - r.start_cpu;
  const float elapsed = elapsed_seconds(r.start_clock, wall_clock_now());
  write_timing_report(r.log_file, elapsed, cpu);
  errno = 0;
  r.log_file.flush();
  check_log(r);
}

void run_phases(Run& r, int argc, char** argv) {
  start_clocks(r);
  read_thread_count(r);
  load_parameters(r, argc, argv);
  open_log_file(r);
  write_log_header(r);
  read_bathymetry(r);
  read_damping_and_porosity(r);
  read_wavemaker_phase(r);
  read_model_keys(r);
  read_friction_and_current(r);
  read_output_keys(r);
  open_outputs(r);
  set_up_model(r);
  run_time_loop(r);
  write_results(r);
  finish_run(r);
}

void run_simulation(int argc, char** argv, std::istream& in, std::ostream& out) {
  Run r(in, out);
  try {
    run_phases(r, argc, argv);
  } catch (...) {
    // Whatever ended the run, the solution file is closed in order before the box is shown.
    abandon_solution_file(r.solution);
    throw;
  }
}

// The share of the outputs of a rank other than 0 (swellix-mpi): its rows of the statistics
// and of the watch of non-finite values.
struct RankShare {
  Statistics statistics;
  NonFiniteWatch watch;
  bool instability_grid_written = false;
};

void rank_outputs_joined(Model& m, void* state) {
  RankShare& s = *static_cast<RankShare*>(state);
  s = RankShare{};
  share_statistics_plan(s.statistics);
  keep_own_rows(s.statistics, m);
  const LineRange own = own_rows(m);
  s.watch.first_step.resize_rows(m.config.nx, m.config.ny, own.first, own.last, 0);
}

void rank_outputs_after_step(Model& m, int n, void* state) {
  RankShare& s = *static_cast<RankShare*>(state);
  first_unstable_level(m, s.instability_grid_written);
  watch_non_finite(s.watch, m, n);
  accumulate_statistics(s.statistics, m, n);
}

void rank_outputs_results(Model& m, void* state) { gather_statistics(static_cast<RankShare*>(state)->statistics, m); }

}  // namespace

void follow_program() {
  RankShare share;
  follow_rank_zero(RankOutputs{rank_outputs_joined, rank_outputs_after_step, rank_outputs_results, &share});
}

int run_program(int argc, char** argv, std::istream& in, std::ostream& out) {
  try {
    run_simulation(argc, argv, in, out);
  } catch (const FatalError& e) {
    report_fatal(out, e);
  } catch (const std::bad_alloc&) {
    show_fatal_error_box(out, "Not enough memory for this run", "(a grid or time series too large for the machine)");
  } catch (const std::exception& e) {
    show_fatal_error_box(out, "Run stopped by an unexpected error:", e.what());
  } catch (...) {
    show_fatal_error_box(out, "Run stopped by an unexpected error");
  }
  send_step(0, 0);  // over several ranks: the others end with this one
  out.flush();
  return 0;
}

}  // namespace swx
