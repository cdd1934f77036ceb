#pragma once
// A run over several processes (swellix-mpi): the rows of the grid are cut into slabs, one per
// rank, in rank order (own_rows).  Every sweep runs on the rank's own rows; the rows next to the
// slab that a sweep reads (its halo, up to two rows each side) come from the neighbouring ranks
// after the sweep that wrote them (exchange_halos).  The y-lines cross the slabs: their
// elimination runs up through the ranks and their back substitution down, batch of columns by
// batch of columns, in the arithmetic of one whole column.  Rank 0 reads the input, builds the
// model, sends it to the other ranks and then sends each step number; it alone prints and writes
// files, and gathers the rows of the fields that the outputs read on the steps that read them.
// Every rank accumulates the statistics and watches for non-finite values on its own rows.
//
// The serial program links the single-process form of these functions (ranks_single.cpp: one
// rank, nothing to exchange); swellix-mpi links the MPI form (ranks_mpi.cpp).
#include <algorithm>
#include <initializer_list>

#include "solver/line_split.hpp"
#include "solver/model.hpp"

namespace swx {

// This rank's rows of cells, u-faces and v-faces [first, last] of 1..ny: the ranks that hold
// rows (m.parallel.slabs, each with two rows at least) take nearly equal parts in rank order; the others
// hold none.  A serial run owns 1..ny.
inline LineRange own_rows_of(const Model& m, int rank) {
  if (rank >= m.parallel.slabs) return {1, 0};
  return split_lines(1, m.config.ny, m.parallel.slabs, rank);
}
inline LineRange own_rows(const Model& m) { return own_rows_of(m, m.parallel.rank); }

// The rows of the range r with `below` and `above` rows beside it, within [lo, hi].
inline LineRange widened(LineRange r, int below, int above, int lo, int hi) {
  if (r.last < r.first) return r;
  return {std::max(r.first - below, lo), std::min(r.last + above, hi)};
}

// The rows of 1..ny + 1 that this rank keeps: its own rows and two halo rows each side (the last
// slab also keeps row ny + 1, the boundary v-faces).  All rows in a serial run.
inline LineRange held_rows_of(const Model& m, int rank) {
  LineRange r = widened(own_rows_of(m, rank), 2, 2, 1, m.config.ny + 1);
  if (rank == m.parallel.slabs - 1) r.last = m.config.ny + 1;
  return r;
}
inline LineRange held_rows(const Model& m) {
  return m.parallel.ranks == 1 ? LineRange{1, m.config.ny + 1} : held_rows_of(m, m.parallel.rank);
}

inline bool holds_row(const Model& m, int j) {
  const LineRange r = held_rows(m);
  return j >= r.first && j <= r.last;
}

// A field whose `below` rows under the slab and `above` rows over it are taken from the
// neighbouring slabs.
struct Halo {
  Field* field;
  int below, above;
};

// After a sweep over the own rows: the halo rows of every listed field from the ranks that own
// them.
void exchange_halos(Model& m, std::initializer_list<Halo> halos);

// The y-lines across the slabs, columns i_first..i_last: before its first row a rank takes the
// running pivot, the upper coefficient and the forward solution of the row below its slab
// (rows_y.bet, sup_row and x of row first - 1); after its last row it passes its own on.  The
// back substitution takes the solution of the row above the slab into row last + 1 of v and
// passes the solution of the slab's first row down.
void receive_elimination(Model& m, int i_first, int i_last);
void send_elimination(Model& m, int i_first, int i_last);
void receive_solution(Model& m, Field& v, int i_first, int i_last);
void send_solution(Model& m, const Field& v, int i_first, int i_last);

// Row j of f, columns 1..ni, from the rank below (whose sweep in order ended with it) and to the
// rank above, for the sweeps whose cells must be visited in the serial order.
void receive_row_from_below(Model& m, Field& f, int j);
void send_row_above(Model& m, Field& f, int j);

// The cells (i, j pairs in serial visiting order) where the stability test failed: on rank 0
// those of every rank, in order; the other ranks keep their own.  Returns the number of failed
// cells of all ranks, on every rank.
int gather_unstable_cells(Model& m);

// The fields the outputs read after a step, gathered on rank 0 (gather_outputs) into its views
// of them: `frames` holds the fields of the animation frames whole, `probes` the rows of
// m.parallel.probe_rows of the fields the probes and gauges read.  The other ranks pass m.
enum OutputFields : int {
  kNewLevel = 1,         // eta_new, u_new, v_new, whole into frames
  kProbeLevels = 2,      // u_old, v_old, u_mid, v_mid, u_surf, v_surf, eta_rate, eta_new, u_new, v_new: the
                         // rows of m.parallel.probe_rows into probes
  kSurfaceVelocity = 4,  // u_surf, v_surf, eta_rate, whole into frames: the breaking mark
};
void gather_outputs(Model& m, int fields, Model& probes, Model& frames);

// The own rows of every rank of a field of the model's shape (the last slab with row ny + 1)
// into rank 0's whole field: the level of the first unstable step.
void gather_field(Model& m, Field& f);

// A node array of nx x ny (the statistics' accumulators, the watch of non-finite values) of
// which every rank holds its own rows: rank 0 receives the rows of every rank, its array made
// whole first when it holds its own rows alone.
void gather_node_rows(Model& m, Field& a);
void gather_node_rows(Model& m, Array2D<int>& a);

// The sum of x over the ranks, on every rank.
int sum_over_ranks(const Model& m, int x);

// Rank 0's values of the n integers, on every rank (the outputs' plan for the other ranks).
void share_from_rank_zero(int* values, int n);

// This process's place among the ranks of a run over a grid of ny rows (before the set-up);
// nothing in the serial program.
void place_ranks(Model& m, int ny);

// Number of ranks of the run (1 in the serial program).
int rank_count();
// Rank 0: sends the built model to the other ranks and makes m one of them.
void send_model(Model& m);
// Rank 0: lets the other ranks run step n with it and gather the given outputs; n = 0 ends them
// (once, after the run or a fatal error).
void send_step(int n, int fields);
// Rank 0, after the time loop: the other ranks take part in the last gathers of the outputs.
void send_results_call();

// The share of the outputs that every rank does on its own rows (the statistics, the watch of
// non-finite values), for the ranks other than 0: `joined` once the model has come, `after_step`
// after the passes and gathers of step n, before the new level becomes the old one, `results`
// when rank 0 writes the results.
struct RankOutputs {
  void (*joined)(Model& m, void* state);
  void (*after_step)(Model& m, int n, void* state);
  void (*results)(Model& m, void* state);
  void* state;
};
// Every other rank: receives the model, then runs each step rank 0 sends, until the end.
void follow_rank_zero(const RankOutputs& outputs);

}  // namespace swx
