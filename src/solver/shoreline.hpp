#pragma once
// Moving shoreline: isolated wet cells along grid lines fall dry.
#include "solver/model.hpp"

namespace swx {

// Dries every cell of a row (then of a column) whose wet neighbours on both sides along the line
// are dry, visiting cells in order so that each change is seen by the tests after it.
void remove_isolated_wet_cells(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x, int ngrid_y);

// The same for the cells of rows j_first..j_last alone, the rows beside them read as they are
// before the column sweep.  A cell falls dry only when its neighbours along the line are dry, and
// a dry cell's own test fails whatever its neighbours are, so no change is seen by a later test:
// the visiting order does not matter, and a slab of rows gets the cells of the whole sweep.
void remove_isolated_wet_cells_rows(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x, int ngrid_y,
                                    int j_first, int j_last);

}  // namespace swx
