// Moving shoreline: isolated wet cells along grid lines fall dry.
#include "solver/shoreline.hpp"

#include <algorithm>

namespace swx {

void remove_isolated_wet_cells(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x, int ngrid_y) {
  remove_isolated_wet_cells_rows(eta, depth, min_flood_depth, ngrid_x, ngrid_y, 1, ngrid_y);
}

void remove_isolated_wet_cells_rows(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x, int ngrid_y,
                                    int j_first, int j_last) {
  if (j_last < j_first) return;
  auto wet = [&](int i, int j) { return depth(i, j) + eta(i, j) > min_flood_depth; };
  // The rows beside the slab take the row sweep too: the column sweep of the slab's edge rows
  // reads them after it.
  for (int j = std::max(j_first - 1, 1); j <= std::min(j_last + 1, ngrid_y); ++j) {
    for (int i = 2; i <= ngrid_x - 1; ++i) {
      if (wet(i, j) && !wet(i - 1, j) && !wet(i + 1, j)) eta(i, j) = -depth(i, j);
    }
  }
  for (int j = std::max(j_first, 2); j <= std::min(j_last, ngrid_y - 1); ++j) {
    for (int i = 1; i <= ngrid_x; ++i) {
      if (wet(i, j) && !wet(i, j - 1) && !wet(i, j + 1)) eta(i, j) = -depth(i, j);
    }
  }
}

}  // namespace swx
