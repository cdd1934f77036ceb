#pragma once
// A run over several processes (swellix-mpi): every rank holds the whole grid, computes its own
// contiguous part of the lines of each parallel sweep (split_lines, solver/line_split.hpp) and
// afterwards receives the parts of the other ranks, so that every rank again holds the whole,
// identical state.  Rank 0 reads the input, builds the model, sends it to the other ranks and
// then sends each step number; it alone prints and writes files.
//
// The serial program links the single-process form of these functions (ranks_single.cpp: one
// rank, nothing to exchange); swellix-mpi links the MPI form (ranks_mpi.cpp).
#include "solver/line_split.hpp"
#include "solver/model.hpp"

namespace swx {

// This rank's part of the lines [first, last].
inline LineRange rank_lines(const Model& m, int first, int last) {
  return split_lines(first, last, m.parallel.ranks, m.parallel.rank);
}

// After a sweep over rank_lines(m, first, last) of rows j: rows first..last of f from every rank.
void share_rows(Model& m, Field& f, int first, int last);
// After the face sweeps over rank_lines(m, 1, m.config.ny) of rows: those rows of the surface and bed
// velocities and the fluxes of both directions from every rank, in one exchange.
void share_face_rows(Model& m);
// After a sweep over rank_lines(m, i_first, i_last) of columns i, rows j_first..j_last of each:
// that block of f from every rank (packed through m.parallel.column_buffer).
void share_columns(Model& m, Field& f, int i_first, int i_last, int j_first, int j_last);

// Number of ranks of the run (1 in the serial program).
int rank_count();
// Rank 0: sends the built model to the other ranks and makes m one of them.
void send_model(Model& m);
// Rank 0: lets the other ranks run step n with it; n = 0 ends them (once, after the run or a
// fatal error).
void send_step(int n);
// Every other rank: receives the model, then runs each step rank 0 sends, until the end.
void follow_rank_zero();

}  // namespace swx
