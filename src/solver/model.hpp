#pragma once
// The model grid and its field state, held for the whole run.  Every field is
// (ngrid_x + 1) x (ngrid_y + 1) floats, column-major, i fastest, indexed from 1.
// Cell (i,j): depth, levels, eta_rate, masks; u-face i of row j lies between cells (i-1,j)
// and (i,j); v-face j of column i between cells (i,j-1) and (i,j).
#include <cstdint>
#include <string>
#include <vector>

#include "core/array2d.hpp"
#include "core/boundary_signal.hpp"
#include "io/grid_file.hpp"

namespace swx {

struct Model {
  GridHeader grid;
  int nx = 0, ny = 0;
  float dx = 0.0f, dy = 0.0f, dt = 0.0f;

  int nonlinear_option = 1;   // 1 weak, 2 "strong"
  int calc_wave_runup = 0;
  float min_flood_depth = 0.0f;
  float max_depth = 0.0f;      // largest depth of the grid
  float min_wet_depth = 0.0f;  // smallest positive depth
  float mean_period = 0.0f, rms_wave_height = 0.0f, mean_frequency = 0.0f;

  int breaking_on = 0;
  float smagorinsky_const = 0.0f;
  float break_decay = 0.0f;

  bool porosity_on = false;
  float lam_coef = 0.0f, turb_coef = 0.0f, added_mass_coeff = 0.0f;
  bool current_on = false;
  bool instability_dumped = false;
  std::string output_file_prefix;  // for the instability grid

  Field depth;
  Field eta_old, eta_new, eta_mid;
  Field u_old, u_new, u_mid;
  Field v_old, v_new, v_mid;
  Field u_surf, v_surf, u_bed, v_bed;
  Field eta_rate;
  Field depth_dx, depth_dy;
  Array2D<std::int16_t> wavemaker_mark;
  Field break_mask, break_prev, celerity, eddy_visc, smag_visc;
  Field friction_factor, porosity, damping, velocity_damping, current_x, current_y;

  std::vector<BoundarySignal> wavemakers;  // read by the time loop
};

}  // namespace swx
