#pragma once
// Animation output: snapshots of the surface elevation and of the velocities over a window of
// the grid at regular steps, to two little-endian binary streams and to the solution file.
//
// Call order for the driver:
//   1. open_animation(params, grid, solution)       after open_solution_file, before the loop:
//                                                   creates the binary files with their headers
//                                                   and the solution-file animation datasets
//   2. save_animation_step(anim, model, params, solution, k)
//                                                   in every step k = 1..M once the new level is
//                                                   known (after advance_solution)
//   3. close_animation(anim, solution)              after the loop, before write_statistics
//
// Binary layout: a 44-byte header (ncols, nrows, delta_x, delta_y, grid_orientation,
// components, x_s, y_s, start_time, end_time, save_time_step), then per saved step one record
// (frame counter, k, t, block) in the surface file and two (u then v) in the velocity file.
// Surface values of nodes breaking in that step carry +1000; the model's fields are never
// changed for it.  The binary files are created (with their headers) whenever requested; with
// solution_file_option 1 they get no frames.  The solution file's surface elevation is the
// stored value, less 1000 at breaking nodes.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/array2d.hpp"
#include "io/grid_file.hpp"
#include "output/non_finite.hpp"
#include "output/solution_file.hpp"
#include "params/model_params.hpp"
#include "solver/model.hpp"

namespace swx {

inline constexpr float kBreakingMark = 1000.0f;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

struct AnimationFile {
  std::string name;
  std::unique_ptr<std::FILE, FileCloser> file;  // null when not written
  int frames = 0;                               // frame counter
};

struct Animation {
  bool eta = false, uv = false;
  int i1 = 1, i2 = 1, j1 = 1, j2 = 1;  // window (i1 <= i2, j1 <= j2)
  int ncols = 0, nrows = 0;
  int kstart = 0, kend = 0, kint = 1;
  AnimationFile eta_file, uv_file;
  std::vector<unsigned char> frame;  // one record: 12 bytes + ncols * nrows floats
  std::vector<float> surface;        // full grid, node order: level with the breaking mark
  std::vector<float> node_values;    // full grid, solution-file values
  std::vector<float> node_vectors;   // full grid, two per node
};

Animation open_animation(const ModelParams& p, const GridHeader& grid, SolutionFile& sf);

// True when step k is saved: kstart <= k <= kend and k a multiple of kint.
bool is_saved_step(const Animation& a, int k);

// Nodes that went non-finite by step k (watch) are written as kInvalidValue.
void save_animation_step(Animation& a, const Model& m, const ModelParams& p, SolutionFile& sf, int k,
                         const NonFiniteWatch* watch = nullptr);

void close_animation(Animation& a, SolutionFile& sf);

// True when node (i, j) carries the breaking mark in this step: breaking on, the new surface
// above 0, the breaking criterion met and the surface rising.
bool breaking_mark_at(const Model& m, int i, int j);

}  // namespace swx
