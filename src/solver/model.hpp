#pragma once
// The model grid and its field state, held for the whole run.  Every field is
// (ngrid_x + 1) x (ngrid_y + 1) floats, column-major, i fastest, indexed from 1.
// Cell (i,j): depth, levels, eta_rate, masks; u-face i of row j lies between cells (i-1,j)
// and (i,j); v-face j of column i between cells (i,j-1) and (i,j).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/array2d.hpp"
#include "core/boundary_signal.hpp"
#include "io/grid_file.hpp"

namespace swx {

// Grid constants formed once before the time loop (32-bit floats).
struct GridConstants {
  float inv_dx2 = 0.0f, inv_dy2 = 0.0f, inv_dxdy = 0.0f;
  float inv_2dx = 0.0f, inv_2dy = 0.0f;
  float dt_2dx = 0.0f, dt_2dy = 0.0f;
  float dt_dx2 = 0.0f, dt_dy2 = 0.0f;
};

// The tridiagonal systems of a block of up to kLanes x-lines, solved together: each line is
// assembled into its own contiguous rows (line r at offset r * (n + 1)), then the block is
// transposed so that element (k, r) lies at k * kLanes + r and the lanes are solved side by
// side, each with exactly the arithmetic of solve_tridiagonal.
struct LineBlock {
  static constexpr int kLanes = 8;
  int n = 0;                                           // rows per line (index 1..n used)
  std::vector<float> sub, diag, sup, rhs;              // per line, contiguous
  std::vector<float> bsub, bdiag, bsup, brhs, bx, bw;  // interleaved
  void resize(int rows) {
    n = rows;
    const auto s = static_cast<std::size_t>(rows + 1) * kLanes;
    for (std::vector<float>* f : {&sub, &diag, &sup, &rhs, &bsub, &bdiag, &bsup, &brhs, &bx, &bw}) f->assign(s, 0.0f);
  }
  float* line(std::vector<float>& f, int r) {
    return f.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(n + 1);
  }
};

// The tridiagonal systems of all y-lines at once, eliminated a row at a time as the rows are
// assembled (i fastest): the coefficients of the row being eliminated (sub, diag, rhs, and sup of
// it and of the row before), the running pivot of each column, and for the back substitution the
// factor work(i, k) and the forward solution x(i, k) of every row k of every column i.
struct ColumnRows {
  int ni = 0;
  std::vector<float> sub, diag, sup, rhs, bet;  // sup holds two rows: row k at (k % 2) * ni
  Field x, work;
  float* sup_row(int k) { return sup.data() + static_cast<std::size_t>(k % 2) * static_cast<std::size_t>(ni); }
  void resize(int ni_, int nj) {
    ni = ni_;
    const auto n = static_cast<std::size_t>(ni_);
    for (std::vector<float>* v : {&sub, &diag, &rhs, &bet}) v->assign(n, 0.0f);
    sup.assign(2 * n, 0.0f);
    x.resize(ni_, nj, 0.0f);
    work.resize(ni_, nj, 0.0f);
  }
};

// The model is held in parts by role, so that a kernel's signature and its accesses say what it
// reads and writes:
//   config    the grid, the switches and coefficients of the run and the wavemakers' signals;
//   bed       bathymetry and the coefficient fields fixed for the run;
//   flow      the solution: levels, velocities, the breaking and shoreline state, the step clock;
//   work      scratch of a pass (fluxes, face activity, cell terms, the line systems);
//   parallel  the threads and ranks that share the sweeps and the buffers of their exchanges.
// A run over several ranks sends every member from rank 0 to the others (send_model,
// solver/ranks_mpi.cpp): a new member is added there too.

struct ModelConfig {
  GridHeader grid;
  int nx = 0, ny = 0;
  float dx = 0.0f, dy = 0.0f, dt = 0.0f;
  GridConstants gc;

  int nonlinear_option = 1;  // 1 weak, 2 "strong"
  int calc_wave_runup = 0;
  float min_flood_depth = 0.0f;
  float max_depth = 0.0f;      // largest depth of the grid
  float min_wet_depth = 0.0f;  // smallest positive depth
  float mean_period = 0.0f, rms_wave_height = 0.0f, mean_frequency = 0.0f;

  int breaking_on = 0;
  int swash_scheme = 1;  // 1 robust swash zone (default), 0 basic
  float smagorinsky_const = 0.0f;
  float break_decay = 0.0f;  // 1/s

  bool porosity_on = false;
  float lam_coef = 0.0f, turb_coef = 0.0f, added_mass_coeff = 0.0f;
  float char_stone_size = 0.0f;  // m
  bool current_on = false;

  // Velocity sinks switched on by the edge strips moved behind wavemakers.
  bool x_velocity_sink = false, y_velocity_sink = false;

  int ramp_steps = 1;

  std::vector<BoundarySignal> wavemakers;  // read by the time loop
  // Inner-line wavemakers: per wavemaker and point of its line, the factor that turns the
  // signal's flux Q into the strength of the line's mass source (direction of travel and the
  // share of the flux taken by the evanescent mode included; docs/equations.md).  Empty for
  // boundary wavemakers.
  std::vector<std::vector<float>> inner_source_factor;
};

struct BedFields {
  Field depth;
  Field depth_dx, depth_dy;
  Array2D<std::int16_t> wavemaker_mark;  // wavemaker number on the cells of its box, else 0
  Field friction_factor, porosity, damping, velocity_damping, current_x, current_y;
};

struct FlowState {
  Field eta_old, eta_new, eta_mid;
  Field u_old, u_new, u_mid;
  Field v_old, v_new, v_mid;
  Field u_surf, v_surf, u_bed, v_bed;  // at the faces, from the last evaluated level
  Field eta_rate;
  Field break_mask, break_prev, celerity, eddy_visc, smag_visc;
  // Moving shoreline (robust swash zone): the water the drying rule or the removal of isolated
  // wet cells took off a dry cell, held off its level until the cell is wet again.
  Field flood_store;

  int step = 0;                       // current step N, counted from 1
  int signal_n0 = 0, signal_n1 = 0;   // signal elements of the current step (1-based)
  float ramp0 = 0.0f, ramp1 = 0.0f;   // ramp factors at the start and the end of the step
  bool instability_reported = false;  // the first unstable cell of the run was announced
};

struct PassWork {
  // Face fluxes, face activity and the velocity divergence of each cell (eddy terms).
  Field flux_x, flux_y;
  Array2D<std::uint8_t> active_u, active_v;
  Field swash_weight;  // robust swash zone: weight of the dispersive form of a cell (1 outside the zone)
  Field divergence;
  Field outflow_scale;  // moving shoreline: share of its outflow a cell can supply in the pass
  Field kinetic_cell;   // "strong" option: kinetic energy of the still-water-level velocities

  std::vector<LineBlock> block_x;  // one per thread: the x-line block each thread solves
  ColumnRows rows_y;               // the y-lines of every column; threads take disjoint columns
};

// Threads of each parallel sweep, this process's rank among the ranks of the run and the
// number of ranks that hold a slab of rows (solver/ranks.hpp); a serial run has 1 thread and
// rank 0 of 1.
struct Parallel {
  int threads = 1;
  int rank = 0, ranks = 1, slabs = 1;
  std::vector<float> send_buffer, receive_buffer;  // several ranks: packed halo rows and line ends
  std::vector<int> share_counts, share_offsets;    // several ranks: each rank's part of a gather
  std::vector<int> unstable_cells;                 // several ranks: i, j of the failed stability tests
  std::vector<int> probe_rows;                     // several ranks: the rows the probes read, ascending
  std::vector<float> probe_buffer;                 // several ranks: those rows of the gathered fields
};

struct Model {
  ModelConfig config;
  BedFields bed;
  FlowState flow;
  PassWork work;
  Parallel parallel;
};

// The grid fields of the model that live for the whole run, in one order: the set-up sizes them
// and the ranks of swellix-mpi broadcast them.
inline std::array<Field*, 34> run_fields(Model& m) {
  BedFields& b = m.bed;
  FlowState& f = m.flow;
  PassWork& w = m.work;
  return {&b.depth,           &f.eta_old,
          &f.eta_new,         &f.eta_mid,
          &f.u_old,           &f.u_new,
          &f.u_mid,           &f.v_old,
          &f.v_new,           &f.v_mid,
          &f.u_surf,          &f.v_surf,
          &f.u_bed,           &f.v_bed,
          &f.eta_rate,        &b.depth_dx,
          &b.depth_dy,        &f.break_mask,
          &f.break_prev,      &f.celerity,
          &f.eddy_visc,       &f.smag_visc,
          &b.friction_factor, &b.porosity,
          &b.damping,         &b.velocity_damping,
          &b.current_x,       &b.current_y,
          &w.flux_x,          &w.flux_y,
          &w.divergence,      &w.kinetic_cell,
          &w.outflow_scale,   &f.flood_store};
}

// The grid fields that start at zero everywhere and that the set-up does not read or write
// beyond sizing them: over several ranks every rank, rank 0 included, sizes them as its slab
// from the start, and none of them is sent.
inline std::array<Field*, 22> zero_start_fields(Model& m) {
  FlowState& f = m.flow;
  PassWork& w = m.work;
  return {&f.eta_mid,    &f.u_old,        &f.u_new,         &f.u_mid,      &f.v_old,  &f.v_new,
          &f.v_mid,      &f.u_surf,       &f.v_surf,        &f.u_bed,      &f.v_bed,  &f.eta_rate,
          &f.break_mask, &f.break_prev,   &f.eddy_visc,     &f.smag_visc,  &w.flux_x, &w.flux_y,
          &w.divergence, &w.kinetic_cell, &w.outflow_scale, &f.flood_store};
}

}  // namespace swx
