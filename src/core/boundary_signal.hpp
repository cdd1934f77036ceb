#pragma once
// The boundary signal of one wavemaker as the solver reads it: U (velocity at the reference
// level normal to the line), Q (normal volume flux) and Us (velocity at the still-water level),
// each npoints * nsteps floats, element (n - 1) * npoints + (p - 1) for point p at step n.
#include <vector>

namespace swx {

struct BoundarySignal {
  int number = 0;        // wavemaker number, 1-based
  int side = 0;          // 1 north row, 2 east column, 3 south row, 4 west column, 5 inner row, 6 inner column
  int i1 = 0, i2 = 0;    // grid columns of the line (i1 <= i2)
  int j1 = 0, j2 = 0;    // grid rows of the line (j1 <= j2)
  int linear_flag = 1;   // 0: one signal for the whole line (npoints == 1)
  int npoints = 0;       // P
  int nsteps = 0;        // N, the signal length; longer runs replay it
  std::vector<float> U, Q, Us;

  float u(int n, int p) const { return U[static_cast<std::size_t>(n - 1) * npoints + (p - 1)]; }
  float q(int n, int p) const { return Q[static_cast<std::size_t>(n - 1) * npoints + (p - 1)]; }
  float us(int n, int p) const { return Us[static_cast<std::size_t>(n - 1) * npoints + (p - 1)]; }
};

}  // namespace swx
