#pragma once
// Boundary signal of a wavemaker: the reference series (a sinusoid for regular waves, a
// random-phase sum of the spectrum for irregular seas, or the measured series of a file), its
// analysis, the depth cap, the nonlinearity check, and the route from series to U, Q and Us
// along the line.
#include <span>
#include <vector>

#include "core/array2d.hpp"
#include "core/boundary_signal.hpp"
#include "core/fatal.hpp"
#include "io/grid_file.hpp"
#include "io/spectrum_file.hpp"
#include "wavegen/transfer.hpp"
#include "wavegen/wavemaker.hpp"

namespace swx {

// Signal length: int(D / dt + 1.5) steps for the duration D of wavemaker 1, or the whole
// simulation, int(duration / dt + 1.0), when wavemaker 1 is solitary.
int signal_steps(const Wavemaker& first, float time_step, float duration);
// Stops the run, before anything is allocated, when the boundary signal of w over nsteps steps
// would not fit in this computer's memory.
void check_signal_memory(const Wavemaker& w, int nsteps);

// (H / 2) sin(-omega t) at t = (n - 1) dt, n = 1..nsteps, omega = 2 pi / T.
std::vector<float> regular_reference_series(float H, float T, float dt, int nsteps);

// Random-phase synthesis from a spectrum: components f_j = j df of the FFT length of nsteps,
// amplitudes sqrt(2 S(f_j) df) (S = 0 above its last frequency), phases 2 pi u_j from the
// generator seeded with seed; inverse FFT and linear resampling back to nsteps samples.
std::vector<float> spectral_reference_series(const FrequencySpectrum& s, int seed, float dt, int nsteps);

// Regular linear signal over the line (direction in degrees in the generation frame):
// eta = (H/2) sin(k ((x_line - x_ref) cos + (y_p - y_ref) sin) - omega t), U = V cos eta.
void regular_linear_signal(float H, float T, float direction_deg, const LineGeometry& g, float dt, int nsteps,
                           BoundarySignal& out);

// Height 0.35 times the deep-water wavelength of T, 1.4 g T^2 / (8 pi): no depth beyond it
// takes part in the generation or the run.
float depth_cap(float T);
// Lowers max_depth to depth_cap(T) when it is larger, and every depth of the grid with it.
void apply_depth_cap(float T, Field& depth, float& max_depth);

// Points of the wavemaker line in the generation frame.  Columns: x_line = (i1 - 1) dx,
// y_first = (j1 - 1) dy, spacing dy.  Rows (x and y exchanged): x_line = (j1 - 1) dy,
// y_first = (i1 - 1) dx, spacing dx (the true spacing of the points).  The reference point is
// the midpoint of the line (exchanged for rows), or the point of the elevation series file.
LineGeometry line_geometry(const Wavemaker& w, const GridHeader& grid, const Field& depth);

// Linear flag: 0 when the wave is not multidirectional, travels within the acceptance of the
// normal of its side (unit direction component beyond 0.999), spans its whole side and meets
// the same depth at every point; else 1.
int linear_flag(const Wavemaker& w, std::span<const float> line_depth);

// Components of a directional spectrum file at the FFT frequencies f_j = j df: S_j from the
// band-limited spectrum, the direction bins in increasing order of the direction of travel (the
// file's columns in reverse; then carried into the generation frame) and the weight E / S of
// each bin's column at f_j.  Bin i of the result is bin i of the phase draws.
DirectionalComponents directional_components(const Wavemaker& w, const FftLength& f);

// Directions (degrees, generation frame) of the components 1..m of a multidirectional sea with
// parametric spreading: the bins are carried into the generation frame first (90 - theta for
// rows) and the directions drawn over them there.
std::vector<float> parametric_component_directions(const Wavemaker& w, int m);

// Everything from the reference series to the signal, in order, for one wavemaker.  depth is
// the grid's still-water depth and max_depth its largest value; both may be lowered by the
// depth cap.
void prepare_wavemaker_signal(Wavemaker& w, const GridHeader& grid, Field& depth, float& max_depth, float dt,
                              int nsteps, const Reporter& reporter);

}  // namespace swx
