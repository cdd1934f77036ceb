#pragma once
// Wave breaking: the breaking field B moved by the surface current, the breaking criteria and
// the eddy viscosity (breaking plus sub-grid Smagorinsky part) for the next step.
#include "solver/model.hpp"

namespace swx {

// 1 when cell (i, j) breaks: surface speed over celerity above 0.8, or total depth over still
// depth above 1.6; 0 on cells with depth <= 0 or zero celerity.  The surface speed is formed
// from the means of the two u_surf and the two v_surf faces of the cell.
int breaking_at_point(const Field& celerity, const Field& eta, const Field& u_surf, const Field& v_surf,
                      const Field& depth, int i, int j);

// B = 1.0 on every breaking cell of the new level (others keep their value).
void breaking_marker(Model& m);

// One explicit step of transport, diffusion and decay of B from break_prev into break_mask.
void transport_breaking_field(Model& m);

// Eddy viscosity and Smagorinsky viscosity of the new level (rows ascending, i fastest).
void update_eddy_viscosity(Model& m);

}  // namespace swx
