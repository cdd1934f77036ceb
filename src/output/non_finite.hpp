#pragma once
// Cells whose water level or velocity stopped being a finite number.  Once a cell has gone
// non-finite its later values mean nothing (the wet/dry rules may even turn it back into a
// plausible number), so every output written from it after that step carries the invalid
// value instead, and the run ends with a warning naming the first step that went wrong.
//
// Call order for the driver:
//   1. init_non_finite_watch(grid)                before the time loop
//   2. watch_non_finite(watch, model, k)          in every step k, after the passes of the step
//   3. the outputs consult the watch (animation frames, statistics, probe records)
//   4. warn_if_unstable(watch, time_step, reporter) at the end of the run
#include <string_view>

#include "core/array2d.hpp"
#include "core/fatal.hpp"
#include "solver/model.hpp"

namespace swx {

// The value written for a result that is not a number: far outside any water level, height,
// velocity or direction the model can produce, and the same in grid files, time series,
// animation frames and the solution file.
inline constexpr float kInvalidValue = -9999.0f;

struct NonFiniteWatch {
  Array2D<int> first_step;  // per node (1..nx, 1..ny): first step with a non-finite value, 0 never
  int first_step_any = 0;   // first such step over the whole grid, 0 when none
  int cells = 0;            // nodes that went non-finite
};

NonFiniteWatch init_non_finite_watch(int nx, int ny);

// Marks the nodes of the rank's own rows whose new water level or velocity (u, v on the node's
// west and south faces) is not finite in step k.  Over several ranks every rank takes part:
// each holds its own rows of w.first_step, and rank 0 (its array whole) receives those of the
// others on the steps that mark some, with the count of all.
void watch_non_finite(NonFiniteWatch& w, Model& m, int k);

// True when node (i, j) had gone non-finite at or before step k (a watch without marks, or a
// null watch, never says so).
inline bool invalid_at(const NonFiniteWatch* w, int i, int j, int k) {
  if (w == nullptr || w->first_step_any == 0 || k < w->first_step_any) return false;
  const int s = w->first_step(i, j);
  return s > 0 && s <= k;
}

// The closing warning of an unstable run: the first step that went non-finite, its time and
// the number of nodes affected.  Nothing when every value stayed finite.
void warn_if_unstable(const NonFiniteWatch& w, float time_step, const Reporter& reporter);

// The new level of the step in which the stability test first failed (m.flow.instability_reported
// turned true), written once per run to <prefix>_instab.grd (the prefix's trailing blanks cut).
void write_instability_grid(std::string_view output_file_prefix, const Model& m);

}  // namespace swx
