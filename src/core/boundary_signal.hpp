#pragma once
// The boundary signal of one wavemaker as the solver reads it: U (velocity at the reference
// level normal to the line), Q (normal volume flux) and Us (velocity at the still-water level),
// each npoints * nsteps floats, element (n - 1) * npoints + (p - 1) for point p at step n.
#include <vector>

namespace swx {

// Where a wavemaker's line lies; the values are the side codes of the parameter file's blocks.
enum class WavemakerSide : int {
  kNone = 0,
  kNorth = 1,        // row ngrid_y
  kEast = 2,         // column ngrid_x
  kSouth = 3,        // row 1
  kWest = 4,         // column 1
  kInnerRow = 5,     // a row inside the grid
  kInnerColumn = 6,  // a column inside the grid
};

// The one row/column test: a wavemaker on a row (north, south, inner row) runs along x.
constexpr bool is_row_side(WavemakerSide s) {
  return s == WavemakerSide::kNorth || s == WavemakerSide::kSouth || s == WavemakerSide::kInnerRow;
}
constexpr bool is_column_side(WavemakerSide s) { return s != WavemakerSide::kNone && !is_row_side(s); }
// Boundary wavemakers impose the faces of a grid edge; inner-line ones act as a mass source.
constexpr bool is_inner_side(WavemakerSide s) {
  return s == WavemakerSide::kInnerRow || s == WavemakerSide::kInnerColumn;
}
constexpr bool is_boundary_side(WavemakerSide s) { return s != WavemakerSide::kNone && !is_inner_side(s); }
constexpr int side_code(WavemakerSide s) { return static_cast<int>(s); }

struct BoundarySignal {
  int number = 0;  // wavemaker number, 1-based
  WavemakerSide side = WavemakerSide::kNone;
  int i1 = 0, i2 = 0;   // grid columns of the line (i1 <= i2)
  int j1 = 0, j2 = 0;   // grid rows of the line (j1 <= j2)
  int linear_flag = 1;  // 0: one signal for the whole line (npoints == 1)
  int npoints = 0;      // P
  int nsteps = 0;       // N, the signal length; longer runs replay it
  std::vector<float> U, Q, Us;

  float u(int n, int p) const { return U[static_cast<std::size_t>(n - 1) * npoints + (p - 1)]; }
  float q(int n, int p) const { return Q[static_cast<std::size_t>(n - 1) * npoints + (p - 1)]; }
  float us(int n, int p) const { return Us[static_cast<std::size_t>(n - 1) * npoints + (p - 1)]; }
};

}  // namespace swx
