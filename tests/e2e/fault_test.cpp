// Fault injection: outputs that cannot be written (a full disk), runs stopped by a signal while
// the solution file is written, a run that blows up, and input values outside their physical
// range.  Every fault ends in a box (or, for the blown-up run, a warning) and a normal exit.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <thread>

#include "hdf5_read.hpp"
#include "run_case.hpp"

namespace swx::e2e {
namespace {

// A channel nx x ny cells of 1 m, 2 m deep, with regular waves from the west side.
std::string channel_bathymetry(int nx, int ny) {
  return grid_text(nx, ny, 1.0, [](int, int) { return -2.0; });
}

// wave and run: "key value; ..." of the wave and of the time stepping.
std::string channel_parameters(int ny, const std::string& wave, const std::string& run, const std::string& extra,
                               const std::string& prefix = "run") {
  return par("output_file_prefix " + prefix +
             "; bathy_file bathy.grd; tidal_offset 0.0; start_wavemaker; wm_pos_i1 1; wm_pos_i2 1; wm_pos_j1 1; "
             "wm_pos_j2 " +
             std::to_string(ny) + "; wave_type regular; " + wave + "; wave_direction 270; end_wavemaker; " + run +
             "; nonlinear_option weak; check_wave_breaking no; chezy_coeff 50") +
         extra;
}

const std::string kWave = "wave_height 0.1; wave_period 4; wave_cycles 2";

void write_channel(const CaseDir& c, int nx, int ny, const std::string& run, const std::string& extra,
                   const std::string& prefix = "run") {
  c.write("bathy.grd", channel_bathymetry(nx, ny));
  c.write("run.par", channel_parameters(ny, kWave, run, extra, prefix));
}

std::string animation_keys(const std::string& end_time, const std::string& file = "eta.anim") {
  return par("save_eta_animation; eta_anim_file " + file + "; start_time 0; end_time " + end_time +
             "; save_time_step 0.05; save_full_grid yes");
}

std::string probes(int n, const std::string& file = "probes.ts") {
  std::string s = par("ts_eta_file " + file);
  for (int k = 0; k < n; ++k)
    s += par("save_timeseries; save_ts_eta yes; save_ts_uv no; save_ts_pressure no; ts_x " + std::to_string(k + 5) +
             "; ts_y 1; end_save_timeseries");
  return s;
}

// A full disk for the outputs of a case: a small file system mounted on the case's "out" folder
// where this process may mount one (as root), otherwise a limit on the size of every file the
// program writes (the signal of an exceeded limit ignored, so the write fails as on a full disk).
class FullDisk {
 public:
  FullDisk(const CaseDir& c, long bytes) : out_(c.path() / "out") {
    fs::create_directories(out_);
    const std::string cmd = "mount -t tmpfs -o size=" + std::to_string(bytes / 1024) + "k tmpfs " +
                            shell_quoted(out_.string()) + " 2>/dev/null";
    mounted_ = geteuid() == 0 && std::system(cmd.c_str()) == 0;
    if (mounted_) return;
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lim = old_;
    lim.rlim_cur = static_cast<rlim_t>(bytes);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    limited_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
  }
  ~FullDisk() {
    if (mounted_) static_cast<void>(std::system(("umount " + shell_quoted(out_.string())).c_str()));
    if (limited_) setrlimit(RLIMIT_FSIZE, &old_);
    if (!mounted_) signal(SIGXFSZ, old_handler_);
  }
  bool arranged() const { return mounted_ || limited_; }
  // The cause a box gives for the failing write.
  std::string cause() const {
    return mounted_ ? "the disk is full" : "the file is too large for the disk or the process's size limit";
  }

 private:
  fs::path out_;
  bool mounted_ = false, limited_ = false;
  rlimit old_{};
  sighandler_t old_handler_ = SIG_DFL;
};

// Each output kind on a full disk: the box names the file and the cause, the exit is normal
// (before, a full disk under the solution file crashed in the data library's exit handler).
TEST(Faults, EveryOutputOnAFullDiskEndsInABoxNamingTheFile) {
  const std::string short_run = "time_step 0.05; duration 1", anim = animation_keys("1", "out/eta.anim");
  const struct {
    const char* what;
    int nx, ny;
    std::string run, extra, line1, line2;
  } cases[] = {
      {"log", 40, 10, "time_step 0.05; duration 150", "", "Log file could not be written: out/run_swx.log", ""},
      {"grid", 400, 20, short_run, par("hs_file out/hs.grd"), "error writing grid file: out/hs.grd", ""},
      {"time series", 40, 10, "time_step 0.05; duration 30", probes(30, "out/probes.ts"),
       "Unable to write output file: ", "out/probes.ts"},
      {"animation", 200, 20, short_run, anim, "Error writing animation file: out/eta.anim", ""},
      {"solution file", 200, 20, short_run, anim + par("solution_file_option 1; kobl_solution_file out/run.h5"),
       "Error in KB_WRITE_SCALAR_TIMESTEP().", "solution file: out/run.h5"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    CaseDir c("full_disk");
    write_channel(c, k.nx, k.ny, k.run, k.extra, "out/run");
    // A file the data library could not close stays with the library (ending the library would
    // write to it again): what it holds for it is no leak of the program's, in a sanitizer build.
    const std::string suppressions = c.write("lsan.supp", "leak:libhdf5\n");
    setenv("LSAN_OPTIONS", ("print_suppressions=0:suppressions=" + suppressions).c_str(), 1);
    FullDisk disk(c, 64 * 1024);
    if (!disk.arranged()) GTEST_SKIP() << "neither a small file system nor a file size limit can be arranged";
    const RunResult r = c.run({"run.par"});
    unsetenv("LSAN_OPTIONS");
    if (k.line2.empty()) {
      expect_ends_with_box(r, k.line1, disk.cause());
    } else {
      expect_ends_with_box(r, k.line1, k.line2, disk.cause());
    }
  }
}

// The program started in the case folder with its console in a file; stopped with sig once its
// console shows that step `at` has begun.  Returns the last step begun before it stopped.
int run_and_stop(const CaseDir& c, int at, int sig) {
  fs::remove(c.path() / ".console");  // the last run's console must not be read as this one's
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(c.path().c_str()) != 0) _exit(127);
    const int out = open(".console", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(out, 1);
    dup2(out, 2);
    dup2(in, 0);
    execl(SWELLIX_BIN, SWELLIX_BIN, "run.par", static_cast<char*>(nullptr));
    _exit(127);
  }
  const std::string wanted = " Time Step: " + std::to_string(at) + " of";
  int status = 0;
  for (int polls = 0; polls < 60000; ++polls) {
    if (c.exists(".console") && c.read(".console").find(wanted) != std::string::npos) break;
    if (waitpid(pid, &status, WNOHANG) == pid) return -1;  // ended before the step was reached
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, sig);
  waitpid(pid, &status, 0);
  const std::string console = c.read(".console");
  const std::size_t last = console.rfind(" Time Step: ");
  return last == std::string::npos ? 0 : std::stoi(console.substr(last + 12));
}

// A run stopped at any moment leaves a solution file that opens and holds every step finished
// before the stop (before, a stopped run's file could not be opened at all).
TEST(Faults, AStoppedRunLeavesEveryFinishedFrameReadable) {
  CaseDir c("stopped");
  write_channel(c, 40, 10, "time_step 0.05; duration 100",
                animation_keys("100") + par("solution_file_option 1; kobl_solution_file run.h5"));
  const bool have_h5dump = std::system("h5dump --version > /dev/null 2>&1") == 0;
  for (int sig : {SIGTERM, SIGKILL}) {
    for (int at : {2, 300, 1500}) {
      fs::remove(c.path() / "run.h5");
      const int last = run_and_stop(c, at, sig);
      ASSERT_GE(last, at) << "the run ended before step " << at;
      if (have_h5dump) {
        const std::string dump =
            "h5dump -H " + shell_quoted(c.path("run.h5")) + " > " + shell_quoted(c.path(".dump")) + " 2>&1";
        EXPECT_EQ(std::system(dump.c_str()), 0) << "signal " << sig << " at step " << last << "\n" << c.read(".dump");
      }
      const hid_t file = H5Fopen(c.path("run.h5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
      ASSERT_GE(file, 0) << "signal " << sig << " at step " << last;
      for (const char* name : {"/run/WSE Animation", "/run/Breaking Animation"}) {
        const hid_t g = H5Gopen2(file, name, H5P_DEFAULT);
        ASSERT_GE(g, 0) << name;
        const std::vector<double> times = test::read_all<double>(g, "Times", H5T_NATIVE_DOUBLE);
        const std::vector<float> values = test::read_all<float>(g, "Values", H5T_NATIVE_FLOAT);
        // Steps 1 .. last - 1 are finished; step `last` may or may not be.
        // (A stop while a step is being written may leave its time or its values in.)
        const std::size_t rows = values.size() / 400;
        for (std::size_t n : {times.size(), rows}) {
          EXPECT_GE(n, static_cast<std::size_t>(last - 1)) << name << " stopped at " << last;
          EXPECT_LE(n, static_cast<std::size_t>(last)) << name;
        }
        for (std::size_t k = 0; k < times.size(); ++k) EXPECT_NEAR(times[k], 0.05 * k, 1e-4) << name;
        for (float v : values) ASSERT_TRUE(std::isfinite(v)) << name;
        H5Gclose(g);
      }
      H5Fclose(file);
    }
  }
}

// Waves too short for the time step: the level goes non-finite.  Its statistics and the probe
// from that step on carry the invalid value, never a plausible number, and the run ends with
// a warning naming the first unstable step (before, they read 0.0 and the run ended quietly).
TEST(Faults, ABlownUpRunWritesInvalidValuesAndEndsWithAWarning) {
  CaseDir c("blown_up");
  c.write("bathy.grd", channel_bathymetry(40, 10));
  c.write("run.par",
          channel_parameters(10, "wave_height 0.05; wave_period 1.0; wave_cycles 10", "time_step 0.4; duration 40",
                             par("hs_file hs.grd; mean_wl_file mwl.grd") + probes(1) + animation_keys("40") +
                                 par("solution_file_option 2; kobl_solution_file run.h5")));
  const RunResult r = c.run({"run.par"});
  EXPECT_EQ(r.status, 0);
  const std::string warning =
      box_text(kWarningTitle, "the run became unstable at time step 74 (t = 29.6 s)",
               "400 grid points are not finite; their results", "are written as the invalid value -9999.0");
  ASSERT_GE(r.console.size(), warning.size());
  EXPECT_EQ(r.console.substr(r.console.size() - warning.size()), warning) << r.console;
  // The first unstable step is announced once and its level written to <prefix>_instab.grd.
  const std::size_t first = r.console.find(" initial instability problems at i = ");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(r.console.find(" initial instability problems", first + 1), std::string::npos);
  const std::string instab = c.read("run_instab.grd");
  for (const char* line :
       {":DataDescription(1)    Surface Elevation", ":NGrid_X               40\n", ":NGrid_Y               10\n"})
    EXPECT_NE(instab.find(line), std::string::npos) << line;
  for (const char* grid : {"hs.grd", "mwl.grd"}) {
    const std::string text = c.read(grid);
    const std::string data = text.substr(text.find(":EndHeader\n") + 11);
    std::istringstream values(data);
    int count = 0;
    for (float v; values >> v; ++count) EXPECT_EQ(v, -9999.0f) << grid;
    EXPECT_EQ(count, 400) << grid;
  }
  // The probe's rows: finite before the unstable step (t = 29.6 s), invalid from it on.
  const auto lines = test::lines_of(c.read("probes.ts"));
  std::size_t k = 0;
  while (k < lines.size() && lines[k] != ":EndHeader") ++k;
  int rows = 0;
  for (++k; k < lines.size(); ++k, ++rows) {
    std::istringstream row(lines[k]);
    float t = 0.0f, eta = 0.0f;
    row >> t >> eta;
    if (t < 29.55f) {
      EXPECT_NE(eta, -9999.0f) << t;
    } else {
      EXPECT_EQ(eta, -9999.0f) << t;
    }
  }
  EXPECT_EQ(rows, 101);
  // The surface animation (101 frames of 12 + 400 * 4 bytes) and its dataset: the first frame
  // finite, the last one invalid everywhere.
  const std::string anim = c.read("eta.anim");
  ASSERT_EQ(anim.size(), 44u + 101u * 1612u);
  auto value_at = [&](std::size_t frame, std::size_t node) {
    float v = 0.0f;
    std::memcpy(&v, anim.data() + 44 + frame * 1612 + 12 + 4 * node, 4);
    return v;
  };
  EXPECT_TRUE(std::isfinite(value_at(0, 17)) && value_at(0, 17) != -9999.0f);
  for (std::size_t node = 0; node < 400; ++node) EXPECT_EQ(value_at(100, node), -9999.0f);
  const hid_t file = H5Fopen(c.path("run.h5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  ASSERT_GE(file, 0);
  const hid_t g = H5Gopen2(file, "/run/WSE Animation", H5P_DEFAULT);
  const std::vector<float> wse = test::read_all<float>(g, "Values", H5T_NATIVE_FLOAT);
  ASSERT_EQ(wse.size(), 101u * 400u);
  for (std::size_t node = 0; node < 400; ++node) EXPECT_EQ(wse[100 * 400 + node], -9999.0f);
  H5Gclose(g);
  H5Fclose(file);
}

// Input grids and values outside their physical range checked by the run itself (the key ranges
// are pinned in params_test and wavegen_test): each ends with a box saying what is wrong.
TEST(Faults, InputsOutsideTheirRangeEndInABox) {
  const std::string poro = par("char_stone_size 0.5; lam_friction_coeff 1000; turb_friction_coeff 1.1");
  const struct {
    std::string from, to;  // the base case's text replaced
    std::vector<std::string> box;
  } cases[] = {
      {":chezy_coeff 50\n", "", {}},  // filled in below: porosity grids of 0 and of 1.5
      {":tidal_offset 0.0\n",
       ":tidal_offset 0.0\n:damping_file damp.grd\n",
       {"Value 1e+30 at i = 1, j = 1 of damping file: damp.grd", "damping has to be between 0.0 and 1000.0 (1/s)"}},
      {":chezy_coeff 50\n",
       ":chezy_coeff 50\n:current_file cur.grd\n",
       {"Value 1e+30 at i = 1, j = 1 of current file: cur.grd", "currents have to lie between -20.0 and 20.0 m/s"}},
      {":tidal_offset 0.0\n",
       ":tidal_offset 0.0\n" + poro + par("porosity_file poro.grd; char_stone_size 0"),
       {"Value of parameter: char_stone_size has to be", "greater than 0.0 and at most 100.0"}},
      {":chezy_coeff 50\n",
       ":chezy_coeff 50\n:smagorinsky_const -1\n",
       {"Value of parameter: smagorinsky_const has to be", "between 0.0 and 10.0"}},
      {":chezy_coeff 50\n",
       ":chezy_coeff 50\n:solution_file_option 1\n:kobl_solution_file nowhere/run.h5\n",
       {"Error in KB_CREATE_FILE().", "solution file: nowhere/run.h5", "the directory nowhere does not exist"}},
      {":chezy_coeff 50\n",
       ":chezy_coeff 50\n:solution_file_option 1\n:kobl_solution_file adir\n",
       {"Error in KB_CREATE_FILE().", "solution file: adir", "a directory of that name exists"}},
  };
  CaseDir c("ranges");
  c.write("bathy.grd", channel_bathymetry(8, 4));
  fs::create_directories(c.path() / "adir");
  // Node (1, 1) holding first, the others rest.
  auto grid_of = [&](double first, double rest, int arrays) {
    return grid_text(
        8, 4, 1.0, [&](int i, int j) { return i == 1 && j == 1 ? first : rest; }, arrays);
  };
  c.write("damp.grd", grid_of(1e30, 0.0, 1));
  c.write("cur.grd", grid_of(1e30, 0.0, 2));
  const std::string base = channel_parameters(4, kWave, "time_step 0.05; duration 1", "");
  for (const auto& k : cases) {
    SCOPED_TRACE(k.to);
    if (k.box.empty()) {
      for (const char* value : {"0", "1.5"}) {
        c.write("poro.grd", grid_of(1.0, std::stod(value), 1));
        c.write("run.par", replaced(base, k.from, ":chezy_coeff 50\n" + poro + par("porosity_file poro.grd")));
        expect_ends_with_box(c.run({"run.par"}),
                             std::string("Value ") + value + " at i = 2, j = 1 of porosity file: poro.grd",
                             "porosity has to be greater than 0.0 and at most 1.0");
      }
      continue;
    }
    std::vector<std::string> box = k.box;
    box.resize(3, " ");
    c.write("run.par", replaced(base, k.from, k.to));
    expect_ends_with_box(c.run({"run.par"}), box[0], box[1], box[2]);
  }
}

// Inputs that are not text files: a folder given as a time series, a device that never ends a
// line given as a grid (before: memory grew until the process was killed), and a binary file
// whose bytes are shown escaped in the box rather than sent raw to the console.
TEST(Faults, InputsThatAreNotTextFilesAreRefused) {
  CaseDir c("not_text");
  c.write("bathy.grd", channel_bathymetry(8, 4));
  fs::create_directories(c.path() / "series");
  const std::string base = channel_parameters(4, kWave, "time_step 0.05; duration 1", "");
  c.write("run.par", replaced(base, ":wave_type regular\n",
                              ":wave_type irreg_uni\n:time_series_option file\n:input_ts_eta_file series\n"));
  expect_ends_with_box(c.run({"run.par"}), "Unable to open input file: ", "series", "(it is a directory)");
  c.write("run.par", replaced(base, ":bathy_file bathy.grd", ":bathy_file /dev/zero"));
  expect_ends_with_box(c.run({"run.par"}), "cannot open grid file: /dev/zero", "(it is not a regular file)");
  c.write("long.grd", ":" + std::string(70000, 'x') + "\n");
  c.write("run.par", replaced(base, ":bathy_file bathy.grd", ":bathy_file long.grd"));
  expect_ends_with_box(c.run({"run.par"}), "header line longer than 65536 characters in grid file: long.grd");
  c.write("bin.grd", std::string(":N_Arrays 1\n:NGrid_X \x01\x02\xff\n", 24));
  c.write("run.par", replaced(base, ":bathy_file bathy.grd", ":bathy_file bin.grd"));
  const RunResult r = c.run({"run.par"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find("\\x01\\x02\\xff"), std::string::npos) << r.console;
  EXPECT_EQ(r.console.find('\x01'), std::string::npos);
}

}  // namespace
}  // namespace swx::e2e
