#pragma once
// Input files of small end-to-end cases.
#include <string>

#include "run_case.hpp"

namespace swx::e2e {

// Bathymetry of 8 x 4 cells of 1 m, 1 m deep everywhere (the file holds heights: -1).
inline std::string flat_bathymetry(int nx = 8, int ny = 4, const std::string& value = "-1.0") {
  std::string s = "# SWELLIX Scalar Grid File\n:N_Arrays 1\n:NGrid_X " + std::to_string(nx) + "\n:NGrid_Y " +
                  std::to_string(ny) +
                  "\n:Delta_X 1.0 # meters\n:Delta_Y 1.0 # meters\n:X_Origin 0.0\n"
                  ":Y_Origin 0.0\n:EndHeader\n";
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) s += " " + value;
    s += "\n";
  }
  return s;
}

// A complete small run: regular waves of 5 cm and 2 s from the west side over the flat
// bathymetry, 20 steps of 0.05 s, no breaking, Chezy friction.
inline std::string tiny_parameters(const std::string& prefix = "tiny", const std::string& extra = "") {
  return "# tiny regular-wave case\n"
         ":output_file_prefix  " +
         prefix +
         "\n"
         ":bathy_file          bathy.grd\n"
         ":tidal_offset        0.0\n"
         ":start_wavemaker\n"
         "  :wm_pos_i1 1\n  :wm_pos_i2 1\n  :wm_pos_j1 1\n  :wm_pos_j2 4\n"
         "  :wave_type regular\n  :wave_height 0.05\n  :wave_period 2.0\n  :wave_direction 270\n"
         "  :wave_cycles 5\n"
         ":end_wavemaker\n"
         ":time_step           0.05\n"
         ":nonlinear_option    weak\n"
         ":duration            0.95\n"
         ":check_wave_breaking no\n"
         ":chezy_coeff         50\n" +
         extra;
}

inline void write_tiny_case(const CaseDir& c, const std::string& prefix = "tiny", const std::string& extra = "") {
  c.write("tiny.par", tiny_parameters(prefix, extra));
  c.write("bathy.grd", flat_bathymetry());
}

}  // namespace swx::e2e
