// Moving shoreline: isolated wet cells along grid lines fall dry.
#include "solver/shoreline.hpp"

namespace swx {

void remove_isolated_wet_cells(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x, int ngrid_y) {
  auto wet = [&](int i, int j) { return depth(i, j) + eta(i, j) > min_flood_depth; };
  for (int j = 1; j <= ngrid_y; ++j) {
    for (int i = 2; i <= ngrid_x - 1; ++i) {
      if (wet(i, j) && !wet(i - 1, j) && !wet(i + 1, j)) eta(i, j) = -depth(i, j);
    }
  }
  for (int j = 2; j <= ngrid_y - 1; ++j) {
    for (int i = 1; i <= ngrid_x; ++i) {
      if (wet(i, j) && !wet(i, j - 1) && !wet(i, j + 1)) eta(i, j) = -depth(i, j);
    }
  }
}

}  // namespace swx
