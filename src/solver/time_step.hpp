#pragma once
// The time step: one predictor and five corrector passes over the field state of the model,
// with the wavemaker signals, breaking, the moving shoreline and the stability test at their
// fixed points.  The driver writes the " Time Step:" line, samples probes, then calls
// advance_solution, does its output work and calls finish_step.
#include "solver/model.hpp"

namespace swx {

struct Reporter;

// Ramp factors at the start (r0) and the end (r1) of step n (counted from 1).
void ramp_factors(int n, int ramp_steps, float& r0, float& r1);

// Everything of step n that precedes the copy of the new level into the old one: ramp factors,
// clearing of the work rows, boundary wavemaker faces, the six passes, breaking and the
// stability test.
void advance_solution(Model& m, int step, const Reporter& reporter);

// The new level becomes the old level (and, with breaking on, break_prev = break_mask).
void finish_step(Model& m);

// Thomas algorithm on rows 1..n of 1-based arrays (element 0 unused), 32-bit floats, no pivoting;
// values below 1e-37 in magnitude are flushed to 0.  work holds n + 1 floats.
void solve_tridiagonal(const float* sub, const float* diag, const float* sup, const float* rhs,
                       float* x, int n, float* work);

// solve_tridiagonal applied to the first `lanes` lines of b at once (rows 1..b.n of each); each
// line gets exactly the arithmetic of solve_tridiagonal.  The solution of line r, row k, is left
// in b.bx[k * LineBlock::kLanes + r].
void solve_tridiagonal_block(LineBlock& b, int lanes);

// solve_tridiagonal applied to columns 1..ni of r at once (rows 1..n of each), i fastest; each
// column gets exactly the arithmetic of solve_tridiagonal.  The solutions are left in r.x.
void solve_tridiagonal_columns(ColumnRows& r, int ni, int n);

// Continuity rate -(u.grad h + d div u) of every cell at the given level (0 on dry cells).
void continuity_rate(const Field& u, const Field& v, const Field& eta, Field& eta_rate,
                     const Field& depth, const Field& depth_dx, const Field& depth_dy, int ngrid_x,
                     int ngrid_y, float dx, float dy);

// Dries every cell of a row (then of a column) whose wet neighbours on both sides along the line
// are dry, visiting cells in order so that each change is seen by the tests after it.
void remove_isolated_wet_cells(Field& eta, const Field& depth, float min_flood_depth, int ngrid_x,
                               int ngrid_y);

// Tests every wet cell of the new level for a runaway divergence or level; reports and, the
// first time, writes the level field to <prefix>_instab.grd.  Returns the number of offending
// cells of this step.
int check_instability(Model& m, const Reporter& reporter);

}  // namespace swx
