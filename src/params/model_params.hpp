#pragma once
// Every key of the simulation parameter file outside the wavemaker blocks, as read and checked.
// The reading functions follow the run's phases; each reads its keys in the file's catalogue order.
#include <string>
#include <vector>

#include "params/param_table.hpp"

namespace swx {

struct ProbeSpec {
  std::string id;   // probe_id, blank when absent
  GridPoint point;  // ts_x, ts_y snapped to the grid (local coordinates and node indices)
  bool eta = false, uv = false, flowrate = false, pressure = false, force = false;
  float z_uv = 0.0f;  // m, elevation of the recorded velocities
  float z_p = 0.0f;   // m, elevation of the recorded pressure
};

struct GaugeSpec {
  GridPoint p1, p2;  // x1_runup/y1_runup and x2_runup/y2_runup snapped to the grid
};

struct ModelParams {
  std::string output_file_prefix;
  std::string bathy_file;
  float tidal_offset = 0.0f;  // m

  bool has_damping = false;
  std::string damping_file;
  bool has_porosity = false;
  float char_stone_size = 0.0f, lam_friction_coeff = 0.0f, turb_friction_coeff = 0.0f;
  float added_mass_coeff = 0.0f;
  std::string porosity_file;

  float time_step = 0.0f;    // s
  int nonlinear_option = 1;  // 1 weak, 2 "strong"
  float duration = 0.0f;     // s
  int nsteps = 0;            // N = int(duration / dt + 1.0)

  bool check_wave_breaking = false;
  float turb_length_scale = 0.0f;
  int breaking_on = 0;
  int calc_wave_runup = 0;
  float min_flood_depth = 0.0f;
  float smagorinsky_const = 0.0f;
  int swash_scheme = 1;  // 1 robust (default), 0 basic

  bool has_friction_file = false;
  std::string friction_file;
  float chezy_coeff = 0.0f;
  bool has_current = false;
  std::string current_file;

  std::vector<ProbeSpec> probes;
  std::string ts_eta_file, ts_u_file, ts_v_file, ts_uf_file, ts_vf_file, ts_pressure_file, ts_force_file;
  std::vector<GaugeSpec> gauges;
  std::string ts_runup_file;

  bool has_hs_file = false, has_mean_uv_file = false, has_mean_wl_file = false;
  bool has_mean_theta_file = false, has_runup_max_file = false;
  std::string hs_file, mean_uv_file, mean_wl_file, mean_theta_file, runup_max_file;

  bool save_eta_animation = false, save_uv_animation = false;
  std::string eta_anim_file, uv_anim_file;
  float start_time = 0.0f, end_time = 0.0f, save_time_step = 0.0f;
  bool save_full_grid = false;
  int grid_i1 = 1, grid_i2 = 1, grid_j1 = 1, grid_j2 = 1;

  int solution_file_option = 0;
  std::string kobl_solution_file;
};

struct Reporter;

// --- Reading, one function per phase of the run, each in the catalogue order of its keys ---

// output_file_prefix (required).
void read_output_prefix(const ParamTable& t, ModelParams& p);
// bathy_file (required); the caller announces and reads the grid.
void read_bathy_file_key(const ParamTable& t, ModelParams& p);
// tidal_offset (required), read after the bathymetry grid.
void read_tidal_offset(const ParamTable& t, ModelParams& p);
// damping_file (optional); the caller announces and reads the grid when has_damping.
void read_damping_key(const ParamTable& t, ModelParams& p);
// porosity_file present: char_stone_size, lam/turb_friction_coeff, added_mass_coeff, the file name.
void read_porosity_keys(const ParamTable& t, ModelParams& p);
// time_step, which must be > 0 (read by the wavemakers for their signals, then by the model).
float read_time_step(const ParamTable& t);
// duration, which must be > 0.
float read_duration(const ParamTable& t);
// time_step (> 0), nonlinear_option, duration (> 0) and the number of time steps N.
void read_time_stepping_keys(const ParamTable& t, ModelParams& p);
// check_wave_breaking, turb_length_scale, the automatic breaking switch (warning box),
// calc_wave_runup, min_flood_depth (0 .. max_depth, at least rms/1000 with breaking on) and
// smagorinsky_const.  rms_wave_height over the wavemakers; depths from the bathymetry.
void read_breaking_keys(const ParamTable& t, ModelParams& p, float rms_wave_height, float min_wet_depth,
                        float max_depth, const Reporter& reporter);
// friction_file, or else chezy_coeff (5 .. 1000); the caller reads the friction grid.
void read_friction_key(const ParamTable& t, ModelParams& p);
// current_file (optional); the caller reads the current grid.
void read_current_key(const ParamTable& t, ModelParams& p);
// The save_timeseries .. end_save_timeseries blocks and the table keys they need.
void read_probe_blocks(const ParamTable& t, ModelParams& p, const GridHeader& grid);
// The save_runup .. end_save_runup blocks and ts_runup_file; nothing is read with runup off.
void read_gauge_blocks(const ParamTable& t, ModelParams& p, const GridHeader& grid);
// Statistics grid files, animation requests and, with an animation, the animation window.
void read_output_requests(const ParamTable& t, ModelParams& p, const GridHeader& grid);
// solution_file_option and, when it is above 0, kobl_solution_file (required then).
void read_solution_file_keys(const ParamTable& t, ModelParams& p);

// --- Values derived from the parameters ---

// Number of time steps N = int(duration / dt + 1.0) in single precision; fatal when it
// does not fit a 32-bit integer.
int number_of_time_steps(float duration, float time_step);

// Animation steps: a step k is saved when kstart <= k <= kend and k is a multiple of kint.
struct AnimationSteps {
  int kstart = 0;  // int(start_time / dt + 1.5)
  int kend = 0;    // int(end_time / dt + 1.5)
  int kint = 1;    // int(save_time_step / dt), at least 1
};
AnimationSteps animation_steps(float start_time, float end_time, float save_time_step, float time_step);

// Statistics window of the wave statistics grids.
struct StatisticsWindow {
  int nts = 0;           // steps of the wavemaker time series (N for a solitary wavemaker 1)
  int k0 = 0;            // last step before the window
  bool shorter = false;  // hs_file given and the run is shorter than the storm (warning due)
};
StatisticsWindow statistics_window(int nsteps, float storm_duration, float time_step, bool solitary_wavemaker1,
                                   bool has_hs_file);

// Physical ranges of the values of the optional input grids, tested right after each is read:
// porosity in (0, 1], damping in [0, 1000] 1/s, Chezy coefficients above 0, current components
// within +-20 m/s.  The first node outside its range stops the run with a box naming the value,
// the node and the file.
void check_porosity_grid(const Field& a, int nx, int ny, const std::string& file_name);
void check_damping_grid(const Field& a, int nx, int ny, const std::string& file_name);
void check_friction_grid(const Field& a, int nx, int ny, const std::string& file_name);
void check_current_grid(const Field& cx, const Field& cy, int nx, int ny, const std::string& file_name);

}  // namespace swx
