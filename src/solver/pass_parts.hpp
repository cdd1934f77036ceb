#pragma once
// The parts of one pass, each in its own file, and the face tests they share; run_pass
// (passes.cpp) calls them in the order of the scheme.
#include <algorithm>

#include "solver/kernels.hpp"
#include "solver/model.hpp"
#include "solver/passes.hpp"

namespace swx {

// A face under the "strong" option takes the total depth unless a wavemaker box touches it.
inline bool strong_face(const Model& m, int mark_sum) { return m.config.nonlinear_option == 2 && mark_sum <= 0; }

// Under the "strong" option a face beside a breaking cell (breaking field of the previous step
// above 0) takes the advection along its line upwind instead of the kinetic-energy gradient of
// the near-surface velocities: inside a bore those velocities carry large dispersive parts, and
// centred differences there let a two-cell oscillation of the velocity grow until the run blows
// up (seen in thin swash and at steep fronts of irregular breaking waves).  The upwind form
// dissipates at the grid scale, where the breaking wave loses its energy anyway.
inline bool breaking_face(const Model& m, float b_left, float b_right) {
  return m.config.breaking_on == 1 && (b_left > 0.0f || b_right > 0.0f);
}

// Robust swash zone (breaking on and swash_scheme robust, the default): where a broken wave or
// its uprush runs as a bore, and in the thin backwash, the momentum equations go over to their
// shallow-water form (mark_swash_zone, passes.cpp).  A face's weight of the dispersive form is
// the smaller of its two cells' weights.
inline bool swash_zone_on(const Model& m) { return m.config.swash_scheme == 1 && m.config.breaking_on == 1; }
inline float face_swash_weight(const Model& m, int il, int jl, int ir, int jr) {
  return std::min(m.work.swash_weight(il, jl), m.work.swash_weight(ir, jr));
}

// True when the pass needs none of the "strong", current or breaking terms.
inline bool plain_configuration(const Model& m) {
  return m.config.nonlinear_option != 2 && !m.config.current_on && m.config.breaking_on != 1;
}

inline PorosityConstants porosity_constants(const Model& m) {
  PorosityConstants c;
  c.char_stone_size = m.config.char_stone_size;
  c.rms_wave_height = m.config.rms_wave_height;
  c.added_mass_coeff = m.config.added_mass_coeff;
  c.lam_coef = m.config.lam_coef;
  c.turb_coef = m.config.turb_coef;
  return c;
}

// Grid steps of x-lines (h = dx, c = dy) and of y-lines (h = dy, c = dx).
inline InverseSteps x_line_steps(const GridConstants& g) { return {g.inv_dx2, g.inv_2dx, g.inv_2dy, g.inv_dxdy}; }
inline InverseSteps y_line_steps(const GridConstants& g) { return {g.inv_dy2, g.inv_2dy, g.inv_2dx, g.inv_dxdy}; }

// face_velocities.cpp: face activity of the evaluated level (with the moving shoreline's spill
// test).
void face_activity(Model& m, const Field& eta);
// momentum_rows.cpp: the momentum rows of the x- and y-lines and their solves.
void solve_x_lines(Model& m, const PassLevels& lv);
void solve_y_lines(Model& m, const PassLevels& lv);
// level_update.cpp: the water level with the moving shoreline.
void update_level(Model& m, const PassLevels& lv);

}  // namespace swx
