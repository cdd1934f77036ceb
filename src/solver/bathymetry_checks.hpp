#pragma once
// Checks of the bathymetry before the time loop: bottom slopes (which also give the solver's
// slope fields) and internal land boundaries (one-cell-wide channels are closed).  Both only
// warn; the run goes on.
#include "core/array2d.hpp"

namespace swx {

struct Reporter;

// Bottom slopes hx (u-faces) and hy (v-faces) of the depth h (positive below still water),
// nodes 1..nx by 1..ny; hx and hy get the shape (nx + 1) x (ny + 1) when smaller.  A slope
// above 0.5 between two wet or two dry cells is warned about and set to 0; across a shoreline
// it is set to 0 silently.
void check_bottom_slopes(const Field& h, int nx, int ny, float dx, float dy, Field& hx, Field& hy,
                         const Reporter& reporter);

// Fills water cells that lie between two land cells in x or in y (two cycles) with the mean of
// the two land depths, warning with the cell's position x0 + (i-1) dx, y0 + (j-1) dy.
void check_internal_land_boundaries(Field& h, int nx, int ny, float dx, float dy, float x0, float y0,
                                    const Reporter& reporter);

}  // namespace swx
