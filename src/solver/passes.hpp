#pragma once
// One pass of the time step (continuity rate, face velocities, momentum lines, water level) for
// the level being evaluated; used by the time step only.
#include "solver/model.hpp"

namespace swx {

// The arrays of one pass: the evaluated level E and the target level the pass writes.
struct PassLevels {
  Field& eta_e;
  Field& u_e;
  Field& v_e;
  Field& eta_t;
  Field& u_t;
  Field& v_t;
  bool predictor;     // theta = 1/2 and E = start of step; else theta = 1 and E = mid level
  bool last = false;  // the last corrector of the step (the continuity rate is formed there)
};

void run_pass(Model& m, const PassLevels& lv);

// Robust swash zone: each cell's weight of the dispersive form for the step (1 outside the zone,
// 0 in its shallow-water core), from the level at the start of the step.
void mark_swash_zone(Model& m);

// Surface, bed and flux values on every interior u-face (v-face) of the evaluated level.
void face_velocities_x(Model& m, const Field& u, const Field& v, const Field& eta);
void face_velocities_y(Model& m, const Field& u, const Field& v, const Field& eta);

// Boundary wavemaker faces (side codes 1 to 4): fluxes of the pass, and the surface velocity
// under the "strong" option.
void boundary_wavemaker_fluxes(Model& m, bool predictor);
// Inner-line wavemakers (side codes 5 and 6): the mass source on the cells of the line's box.
void inner_wavemaker_sources(Model& m, Field& eta_t, const Field& eta_e, bool predictor);

}  // namespace swx
