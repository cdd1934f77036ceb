#pragma once
// Every key of the simulation parameter file outside the wavemaker blocks, as read and checked.
// The reading functions follow the run's phases; each reads its keys in the file's catalogue order.
#include <string>
#include <vector>

#include "params/param_table.hpp"

namespace swx {

struct ProbeSpec {
  std::string id;        // probe_id, blank when absent
  GridPoint point;       // ts_x, ts_y snapped to the grid (local coordinates and node indices)
  bool eta = false, uv = false, flowrate = false, pressure = false, force = false;
  float z_uv = 0.0f;     // m, elevation of the recorded velocities
  float z_p = 0.0f;      // m, elevation of the recorded pressure
};

struct GaugeSpec {
  GridPoint p1, p2;      // x1_runup/y1_runup and x2_runup/y2_runup snapped to the grid
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

  float time_step = 0.0f;     // s
  int nonlinear_option = 1;   // 1 weak, 2 "strong"
  float duration = 0.0f;      // s
  int nsteps = 0;             // N = int(duration / dt + 1.0)

  bool check_wave_breaking = false;
  float turb_length_scale = 0.0f;
  int breaking_on = 0;
  int calc_wave_runup = 0;
  float min_flood_depth = 0.0f;
  float smagorinsky_const = 0.0f;

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

}  // namespace swx
