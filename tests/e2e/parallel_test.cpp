// Threads and ranks: a run on SWELLIX_THREADS = 2 and 4 threads, and swellix-mpi on 1 to 4 ranks,
// writes every file byte for byte as the serial run does; only the dates, the timings and the
// line that names the threads or ranks may differ (the solution file is compared through
// h5dump, without its objects' time stamps).  Four short cases: the harbour example (an inner
// column wavemaker of a multidirectional sea, porosity, damping, the solution file), breaking
// and runup on a steep beach ("strong" option, the moving shoreline, the stability messages of
// the swash), oblique waves under the basic swash zone and a multidirectional sea from the south
// boundary over the elliptic shoal.
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "run_case.hpp"

namespace swx::e2e {
namespace {

using Files = std::map<std::string, std::string>;

// Lines that differ from run to run, or name the parallel layout.
bool volatile_line(const std::string& line) {
  for (const char* s : {"CreationDate", "Start Time:", "Elapsed time is", "CPU time is", "Estimated run time",
                        " Threads: ", " MPI ranks: "})
    if (line.find(s) != std::string::npos) return true;
  return false;
}

std::string without_volatile_lines(const std::string& text) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!volatile_line(line)) out += line + '\n';
  return out;
}

// Copies of an example's files, or of some of them, into the case folder.
void copy_example(const CaseDir& c, const std::string& folder, const std::vector<std::string>& names) {
  for (const std::string& n : names)
    fs::copy_file(fs::path(SWX_EXAMPLES_DIR) / folder / n, c.path() / n, fs::copy_options::overwrite_existing);
}

// text with the value of every named key line (":key value") replaced.
std::string with_keys(const std::string& text, const std::map<std::string, std::string>& keys) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    for (const auto& [k, v] : keys)
      if (line.rfind(":" + k + " ", 0) == 0) line = ":" + k + " " + v;
    out += line + '\n';
  }
  return out;
}

struct ParallelCase {
  std::string name;              // folder name and parameter file (name.par)
  std::set<std::string> inputs;  // files of the case before the run
};

// The harbour example shortened to 12 s (61 steps), its animations over the last 4 s.
ParallelCase harbour(const CaseDir& c) {
  copy_example(c, "harbour", {"harbour_bathy.grd", "harbour_damp.grd", "harbour_poro.grd"});
  c.write("harbour.par", with_keys(test::read_text(fs::path(SWX_EXAMPLES_DIR) / "harbour" / "harbour.par"),
                                   {{"duration", "12.0"}, {"start_time", "8.0"}, {"end_time", "12.0"}}));
  return {"harbour", {"harbour.par", "harbour_bathy.grd", "harbour_damp.grd", "harbour_poro.grd"}};
}

// Regular waves of 8 cm breaking (from 3.6 s) and running up a 1:10 beach in a flume 6 cells of
// 0.1 m wide, 4 s (201 steps).
ParallelCase beach(const CaseDir& c) {
  c.write("beach.grd", grid_text(50, 6, 0.1, [](int i, int) {
            const double x = 0.1 * (i - 1);
            return x < 1.0 ? -0.3 : -0.3 + (x - 1.0) / 10.0;
          }));
  c.write("beach.par",
          par("output_file_prefix beach; bathy_file beach.grd; tidal_offset 0.0; start_wavemaker; wm_pos_i1 1; "
              "wm_pos_i2 1; wm_pos_j1 1; wm_pos_j2 6; wave_type regular; wave_height 0.08; wave_period 1.5; "
              "wave_direction 270.0; wave_cycles 2; end_wavemaker; time_step 0.02; duration 4.0; "
              "nonlinear_option strong; check_wave_breaking yes; turb_length_scale 0.1; calc_wave_runup yes; "
              "min_flood_depth 0.001; chezy_coeff 60.0; ts_eta_file beach_eta.ts; ts_u_file beach_u.ts; "
              "ts_v_file beach_v.ts; save_timeseries; probe_id x=2; ts_x 2.0; ts_y 0.2; save_ts_eta yes; "
              "save_ts_uv yes; ts_z_uv 0.1; save_ts_pressure no; end_save_timeseries; ts_runup_file beach_gauge.ts; "
              "save_runup; x1_runup 3.0; y1_runup 0.2; x2_runup 4.9; y2_runup 0.2; end_save_runup; "
              "hs_file beach_hs.grd; mean_wl_file beach_mwl.grd; runup_max_file beach_runup.grd; "
              "save_eta_animation; eta_anim_file beach_eta.anim; start_time 3.0; end_time 4.0; save_time_step 0.1; "
              "save_full_grid yes; solution_file_option 2; kobl_solution_file beach.h5"));
  return {"beach", {"beach.par", "beach.grd"}};
}

// Oblique waves on a beach whose bed varies along the shore, 8 cells wide, under the basic swash
// zone: its hold-back of dry cells visits the cells in order across the slabs, which at four
// ranks are two rows each (3 s, 151 steps).
ParallelCase oblique_swash(const CaseDir& c) {
  c.write("oblique.grd", grid_text(50, 8, 0.1, [](int i, int j) {
            const double x = 0.1 * (i - 1);
            return (x < 1.0 ? -0.3 : -0.3 + (x - 1.0) / 10.0) + (i > 20 ? 0.01 * std::sin(0.7 * j) : 0.0);
          }));
  c.write("oblique.par",
          par("output_file_prefix oblique; bathy_file oblique.grd; tidal_offset 0.0; start_wavemaker; "
              "wm_pos_i1 1; wm_pos_i2 1; wm_pos_j1 1; wm_pos_j2 8; wave_type regular; wave_height 0.08; "
              "wave_period 1.5; wave_direction 250.0; wave_cycles 2; end_wavemaker; time_step 0.02; "
              "duration 3.0; nonlinear_option strong; check_wave_breaking yes; turb_length_scale 0.1; "
              "calc_wave_runup yes; swash_scheme basic; min_flood_depth 0.001; chezy_coeff 60.0; "
              "ts_eta_file oblique_eta.ts; save_timeseries; probe_id shore; ts_x 3.5; ts_y 0.4; save_ts_eta yes; "
              "save_ts_uv no; save_ts_pressure yes; ts_z_p 0.02; end_save_timeseries; "
              "ts_pressure_file oblique_p.ts; hs_file oblique_hs.grd; runup_max_file oblique_runup.grd"));
  return {"oblique", {"oblique.par", "oblique.grd"}};
}

// A multidirectional JONSWAP sea from the south boundary over the elliptic shoal, 1 s; its probe
// also records the pressure, which reads the levels of the pass around the probe.
ParallelCase south_sea(const CaseDir& c) {
  copy_example(c, "elliptic_shoal", {"shoal_bathy.grd", "shoal_damp.grd"});
  c.write("multi.par",
          par("output_file_prefix multi; bathy_file shoal_bathy.grd; tidal_offset 0.0; "
              "damping_file shoal_damp.grd; start_wavemaker; wm_pos_i1 1; wm_pos_i2 241; wm_pos_j1 1; "
              "wm_pos_j2 1; wave_type irreg_multi; time_series_option synthesize; wave_spec_option parameter; "
              "spectral_type jonswap; jonswap_option hs; sig_wave_height 0.05; peak_wave_period 1.0; gamma 3.3; "
              "directional_distribution wrapped_normal; prin_wave_direction 200.0; standard_deviation 20.0; "
              "max_cutoff_angle 40.0; wave_period_min 0.6; wave_period_max 2.0; rescale_spectrum yes; "
              "random_number_seed 77; time_series_duration 20.0; end_wavemaker; time_step 0.025; duration 1.0; "
              "nonlinear_option weak; check_wave_breaking no; chezy_coeff 1000.0; ts_eta_file multi_eta.ts; "
              "ts_u_file multi_u.ts; ts_v_file multi_v.ts; ts_pressure_file multi_p.ts; save_timeseries; "
              "probe_id centre; ts_x 0.0; ts_y -9.0; save_ts_eta yes; save_ts_uv yes; ts_z_uv 0.1; "
              "save_ts_pressure yes; ts_z_p -0.05; end_save_timeseries; hs_file multi_hs.grd; "
              "mean_uv_file multi_muv.grd; save_uv_animation; uv_anim_file multi_uv.anim; start_time 0.5; "
              "end_time 1.0; save_time_step 0.1; save_full_grid yes"));
  return {"multi", {"multi.par", "shoal_bathy.grd", "shoal_damp.grd"}};
}

// Waves too short for the time step in a channel 40 x 10 cells, 100 steps: the level goes
// non-finite from step 74 on, in every slab.  The first unstable step's level grid, the
// statistics, the probe and the frames (every fifth step) carry the marks of the watch, which
// every rank keeps for its own rows.
ParallelCase blown_up(const CaseDir& c) {
  c.write("blown.grd", grid_text(40, 10, 1.0, [](int, int) { return -2.0; }));
  c.write("blown.par",
          par("output_file_prefix blown; bathy_file blown.grd; tidal_offset 0.0; start_wavemaker; wm_pos_i1 1; "
              "wm_pos_i2 1; wm_pos_j1 1; wm_pos_j2 10; wave_type regular; wave_height 0.05; wave_period 1.0; "
              "wave_cycles 10; wave_direction 270; end_wavemaker; time_step 0.4; duration 40; "
              "nonlinear_option weak; check_wave_breaking no; chezy_coeff 50; hs_file blown_hs.grd; "
              "mean_wl_file blown_mwl.grd; mean_uv_file blown_muv.grd; ts_eta_file blown_eta.ts; save_timeseries; "
              "save_ts_eta yes; save_ts_uv no; save_ts_pressure no; ts_x 5; ts_y 1; end_save_timeseries; "
              "save_eta_animation; eta_anim_file blown_eta.anim; start_time 0; end_time 40; save_time_step 2.0; "
              "save_full_grid yes; solution_file_option 2; kobl_solution_file blown.h5"));
  return {"blown", {"blown.par", "blown.grd"}};
}

// Runs command (with the parameter file's name appended) in the case folder and takes every
// file it wrote, and its console, out of the folder: the next run starts from the inputs alone
// in the same place, so that the paths the program prints agree.
Files run_and_collect(const CaseDir& c, const ParallelCase& pc, const std::string& command) {
  // Idle threads and ranks sleep instead of spinning: the test machine may have fewer cores.
  const std::string cmd = "cd " + shell_quoted(c.path().string()) + " && OMP_WAIT_POLICY=passive " + command + " " +
                          pc.name + ".par < /dev/null > .console 2>&1";
  const int raw = std::system(cmd.c_str());
  Files files;
  files["status"] = std::to_string(raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1);
  files["console"] = without_volatile_lines(c.read(".console"));
  fs::remove(c.path() / ".console");
  std::vector<fs::path> written;
  for (const auto& e : fs::directory_iterator(c.path()))
    if (!pc.inputs.count(e.path().filename().string())) written.push_back(e.path());
  for (const fs::path& p : written) {
    const std::string name = p.filename().string();
    if (p.extension() == ".h5") {
      const std::string dump = "h5dump " + shell_quoted(p.string()) + " > " + shell_quoted(p.string() + ".dump");
      EXPECT_EQ(std::system(dump.c_str()), 0) << name;
      files[name] = test::read_text(p.string() + ".dump");
      fs::remove(p.string() + ".dump");
    } else {
      files[name] = without_volatile_lines(test::read_text(p));
    }
    fs::remove(p);
  }
  return files;
}

void expect_same_files(const Files& serial, const Files& other, const std::string& what) {
  std::vector<std::string> a, b;
  for (const auto& f : serial) a.push_back(f.first);
  for (const auto& f : other) b.push_back(f.first);
  EXPECT_EQ(a, b) << what;
  for (const auto& [name, text] : serial) {
    const auto it = other.find(name);
    if (it != other.end()) {
      EXPECT_TRUE(it->second == text) << what << ": " << name << " differs";
    }
  }
}

using CaseMaker = ParallelCase (*)(const CaseDir&);
constexpr CaseMaker kCases[] = {harbour, beach, oblique_swash, south_sea, blown_up};

std::string serial_command(int threads) { return "SWELLIX_THREADS=" + std::to_string(threads) + " " + SWELLIX_BIN; }

TEST(Parallel, ThreadsWriteTheSerialFiles) {
  for (CaseMaker make : kCases) {
    CaseDir c("parallel_threads");
    const ParallelCase pc = make(c);
    SCOPED_TRACE(pc.name);
    const Files serial = run_and_collect(c, pc, std::string("env -u SWELLIX_THREADS ") + SWELLIX_BIN);
    EXPECT_GT(serial.size(), 5u);
    EXPECT_EQ(serial.at("console").find("Fatal"), std::string::npos) << serial.at("console");
    for (int t : {1, 2, 4}) expect_same_files(serial, run_and_collect(c, pc, serial_command(t)), pc.name + " threads");
  }
}

// A thread count that is neither a positive whole number nor "auto" ends the run with one box.
TEST(Parallel, ThreadCountOtherThanANumberOrAutoIsFatal) {
  CaseDir c("parallel_thread_count");
  write_tiny_case(c);
  for (const char* value : {"0", "-2", "two", "4096x", "99999"}) {
    ::setenv("SWELLIX_THREADS", value, 1);
    const RunResult r = c.run({"tiny.par"});
    ::unsetenv("SWELLIX_THREADS");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, box_text(kFatalTitle, "SWELLIX_THREADS must be a whole number from 1 to 4096 or auto",
                                  "SWELLIX_THREADS = \"" + std::string(value) + "\""));
  }
}

#ifdef SWELLIX_MPI_BIN
// Under the sanitizer build the ranks run without the leak check: the MPI library keeps
// allocations of its own past MPI_Finalize.
std::string mpi_command(int ranks) {
  return std::string(
             "OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 "
             "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" ") +
         SWX_MPIEXEC + " --oversubscribe --bind-to none -n " + std::to_string(ranks) + " " + SWELLIX_MPI_BIN;
}
#endif

TEST(Parallel, RanksWriteTheSerialFiles) {
#ifndef SWELLIX_MPI_BIN
  GTEST_SKIP() << "swellix-mpi was not built (no MPI)";
#else
  for (CaseMaker make : kCases) {
    CaseDir c("parallel_ranks");
    const ParallelCase pc = make(c);
    SCOPED_TRACE(pc.name);
    const Files serial = run_and_collect(c, pc, serial_command(1));
    for (int n : {1, 2, 3, 4}) expect_same_files(serial, run_and_collect(c, pc, mpi_command(n)), pc.name + " ranks");
  }
#endif
}

// A fatal input error under two ranks: the serial console, one box, every rank ended.
TEST(Parallel, FatalErrorUnderTwoRanksShowsOneBox) {
#ifndef SWELLIX_MPI_BIN
  GTEST_SKIP() << "swellix-mpi was not built (no MPI)";
#else
  CaseDir c("parallel_fatal");
  write_tiny_case(c);
  c.write("tiny.par", replaced(tiny_parameters(), ":time_step 0.05", ":time_step 5.0"));
  const ParallelCase pc{"tiny", {"tiny.par", "bathy.grd"}};
  const Files serial = run_and_collect(c, pc, serial_command(1));
  const Files ranks = run_and_collect(c, pc, mpi_command(2));
  expect_same_files(serial, ranks, "two ranks");
  const std::string& console = ranks.at("console");
  EXPECT_NE(console.find("Courant Number has to be less than 1.0"), std::string::npos) << console;
  EXPECT_EQ(console.find(kFatalTitle), console.rfind(kFatalTitle)) << console;
#endif
}

}  // namespace
}  // namespace swx::e2e
