#pragma once
// Probe time series and runup gauges: records taken once per time step at the probe nodes and
// along the gauge transects, written as time series files after the time loop.
//
// Call order for the driver:
//   1. init_probe_records(params, model)            after the model set-up, before the loop
//   2. record_probes(records, model, params, k)      in every step k = 1..M, after the passes of
//                                                    the step (advance_solution) and before the
//                                                    new level is copied to the old (finish_step)
//   3. write_probe_files(records, model, params, storm, reporter, working_dir)
//                                                    after the solution file is closed
//
// Timing of the records: row k of a record belongs to time (k - 1) dt.  The call in step k
// stores row k + 1 from the new level of that step (time k dt), so the pressure and force see the
// level of the step before (u_old, v_old) beside the new one; the call in step 1 first stores
// row 1 from the initial state.  Rows beyond N are not stored.
//
// Sampling elevations: ts_z_uv and ts_z_p are heights above the bed (m), the frame in which the
// pressure is 0 where eta <= z - h and in which the model's reference level lies at
// ref_level_coef * h.  The velocity at z follows the model's vertical profile,
// u(z) = u + (zr^2 - z^2)/2 S + (zr - z) G (S the gradient of the velocity divergence, G the
// bottom-slope part of the gradient of div(h u)); at the still-water level it equals the
// model's u_surf.  Flow rates and forces are integrals over the water column: their files carry
// z = 0, the bed.  The ambient current is added to the velocities on wet faces only.
#include <string>
#include <string_view>
#include <vector>

#include "core/array2d.hpp"
#include "core/fatal.hpp"
#include "output/non_finite.hpp"
#include "params/model_params.hpp"
#include "solver/model.hpp"

namespace swx {

// Wavemaker values the outputs need: wave heights and periods for the analysis parameters and
// the duration of wavemaker 1's series for the analysis window.
struct StormSummary {
  std::vector<float> wave_height;     // m, one per wavemaker
  std::vector<float> wave_period;     // s, one per wavemaker
  float time_series_duration = 0.0f;  // s, of wavemaker 1
  bool first_is_solitary = false;     // wavemaker 1 generates a solitary wave
};

// The records of a run: one array per kind with a row per time step (1..nsteps) and a column
// per probe (per gauge for runup); a kind that no probe records is left empty.
struct ProbeRecords {
  int nsteps = 0;  // N = trunc(duration / time_step + 1)
  Field eta, u, v, uf, vf, pressure, force, runup;
  std::vector<float> gauge_angle;  // rad, transect direction in grid-index space, start to end
};

// N = trunc(duration / time_step + 1.0) in 32-bit arithmetic.
int record_count(const ModelParams& p);

ProbeRecords init_probe_records(const ModelParams& p);

void record_probes(ProbeRecords& rec, const Model& m, const ModelParams& p, int k);

// Writes the time series files in the order surface elevation, x and y velocity, x and y flow
// rate, pressure, force, runup; each file is announced on the log and the console first.
// Records of a probe node after it went non-finite (watch), of every gauge after the first step
// that went non-finite anywhere, and values that are not finite are written as kInvalidValue.
void write_probe_files(const ProbeRecords& rec, const Model& m, const ModelParams& p, const StormSummary& storm,
                       const Reporter& reporter, std::string_view working_dir, const NonFiniteWatch* watch = nullptr);

// The " SWELLIX Output File: \"<working dir>\<file>\"" line, to the log and then the console.
void announce_output_file(const Reporter& reporter, std::string_view working_dir, std::string_view file_name);

// World position of node (i, j) of the grid.
void node_position(const GridHeader& g, int i, int j, float& x, float& y);

// A text blank-padded (or cut) to 32 characters: descriptions and units of the output files.
std::string field32(std::string_view text);

}  // namespace swx
