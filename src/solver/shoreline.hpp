#pragma once
// Moving shoreline: isolated wet cells along grid lines fall dry.
#include "solver/model.hpp"

namespace swx {

// Dries every cell of a row (then of a column) whose wet neighbours on both sides along the line
// are dry, visiting cells in order so that each change is seen by the tests after it.
void remove_isolated_wet_cells(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x, int ngrid_y);

}  // namespace swx
