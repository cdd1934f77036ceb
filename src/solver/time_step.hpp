#pragma once
// The time step: one predictor and five corrector passes over the field state of the model,
// with the wavemaker signals, breaking, the moving shoreline and the stability test at their
// fixed points.  The driver writes the " Time Step:" line, samples probes, then calls
// advance_solution, does its output work and calls finish_step.
#include "solver/model.hpp"
#include "solver/shoreline.hpp"
#include "solver/stability.hpp"
#include "solver/tridiagonal.hpp"

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

// Continuity rate -(u.grad h + d div u) of every cell at the given level (0 on dry cells).
void continuity_rate(const Field& u, const Field& v, const Field& eta, Field& eta_rate, const Field& depth,
                     const Field& depth_dx, const Field& depth_dy, int ngrid_x, int ngrid_y, float dx, float dy);
// The same for the cells of rows j_first..j_last.
void continuity_rate_rows(const Field& u, const Field& v, const Field& eta, Field& eta_rate, const Field& depth,
                          const Field& depth_dx, const Field& depth_dy, int ngrid_x, int j_first, int j_last, float dx,
                          float dy);

}  // namespace swx
