#pragma once
// Model set-up before the time loop: fields, slopes, optional grids, wavemaker marks and edge
// strips, grid constants; the linear phase speed and the Courant check.
#include <vector>

#include "core/boundary_signal.hpp"
#include "solver/model.hpp"

namespace swx {

struct Reporter;

// What the model takes from a run's parameters; the driver fills it from the parameter file,
// the tests and the benchmark directly.
struct SolverOptions {
  float time_step = 0.1f;    // s
  int nonlinear_option = 1;  // 1 weak, 2 "strong"
  int calc_wave_runup = 0;
  float min_flood_depth = 0.0f;  // m
  int breaking_on = 0;
  float smagorinsky_const = 0.0f;
  int swash_scheme = 1;          // 1 robust, 0 basic
  float chezy_coeff = 0.0f;      // m^0.5/s; 0 for no bottom friction (a friction grid overrides it)
  float mean_period = 10.0f;     // s, of the wavemakers' waves
  float rms_wave_height = 1.0f;  // m, of the wavemakers' waves
  float char_stone_size = 0.0f, lam_friction_coeff = 0.0f, turb_friction_coeff = 0.0f;  // porosity
  float added_mass_coeff = 0.0f;
};

// Optional input grids as read from their files, nodes 1..ngrid_x by 1..ngrid_y (any array of at
// least that extent).  An empty field means that the file was not given.
struct OptionalGrids {
  Field chezy;                 // friction grid: Chezy coefficient per cell (m^0.5/s)
  Field porosity;              // porosity per cell, 0 < n <= 1
  Field damping;               // damping per cell (1/s)
  Field current_x, current_y;  // ambient current (m/s)
};

// Builds every field of the model from the grid header, the depth (bathymetry plus tidal offset,
// positive below still water), the solver options, the wavemakers' boundary signals and the
// optional grids (those given are used); runs the bottom-slope and internal-land-boundary
// checks (their warnings go to the reporter); sets the runup start state, friction, porosity
// constants, damping strips behind wavemakers, the current, the wavemaker marks, the celerity
// (breaking on) and the grid constants; pre-allocates all work rows.  Fields other than depth
// and the slopes start at 0.
void setup_model(Model& m, const GridHeader& grid, const Field& depth, const SolverOptions& p,
                 std::vector<BoundarySignal> wavemakers, const OptionalGrids& grids, const Reporter& reporter);

// The threads of every parallel sweep of the time loop (at least 1), with their work rows
// (allocated here, never in the time loop).  setup_model keeps the model's thread count.
void set_threads(Model& m, int threads);

// Phase speed (m/s) of a linear wave of period t (s) in depth h (m); 0 when h <= 0.
float linear_celerity(float t, float h);

// Courant number of the mean wave in the deepest water on this grid and time step.
float courant_number(float celerity, float dx, float dy, float dt);

// Writes " Courant Number = " to log and console; stops the run when it exceeds 1.
void check_courant(const Model& m, const Reporter& reporter);

// Grid constants of dx, dy and dt.
GridConstants make_grid_constants(float dx, float dy, float dt);

// True when (i, j) lies in the box of a wavemaker line i1..i2, j1..j2; a line one index wide
// takes in the next index too (the faces on both sides of its cells).
bool in_wavemaker_box(int i, int j, int i1, int i2, int j1, int j2);

}  // namespace swx
