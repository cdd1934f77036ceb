#pragma once
// Transfer of a reference surface-elevation series to every point of a wavemaker line by
// linear theory, frequency by frequency: each component is shifted by its travel from the
// reference point and turned into the reference-level velocity U, the volume flux Q and the
// still-water-level velocity Us that the solver imposes on the line.
#include <span>
#include <vector>

#include "core/boundary_signal.hpp"
#include "io/spectrum_file.hpp"
#include "wavegen/spreading.hpp"

namespace swx {

// Points of a wavemaker line in the generation frame: the grid frame for columns, x and y
// exchanged for rows.  x is normal to the line, y along it.
struct LineGeometry {
  float x_line = 0.0f;   // m, coordinate of the line
  float y_first = 0.0f;  // m, along-line coordinate of the first point
  float spacing = 0.0f;  // m, distance between neighbouring points
  float x_ref = 0.0f;    // m, reference point of the series
  float y_ref = 0.0f;
  std::vector<float> depth;  // m, still-water depth at each point (<= 0: no generation)
  int npoints() const { return static_cast<int>(depth.size()); }
};

// FFT length of a series of n samples of step dt: n itself when it is a power of two
// (2 .. 2^20), else the next power of two, with the step shortened so that the transform
// spans the same duration.
struct FftLength {
  int n = 0;            // N, samples of the model series
  float dt = 0.0f;      // s, step of the model series
  int n_fft = 0;        // N_F
  float dt_fft = 0.0f;  // s, dt N / N_F
  int m = 0;            // N_F / 2 positive frequencies
  float df = 0.0f;      // Hz, 1 / (N_F dt_fft)
};
FftLength fft_length(int n, float dt);

// Component indices kept by a frequency band: j_low = int(f_low / df), at least 1 (raised to 1
// when below 2), j_high = min(M, int(f_high / df)).
struct BandIndices {
  int j_low = 1;
  int j_high = 0;
};
BandIndices band_indices(const FrequencyBand& band, const FftLength& f);

// Linear velocity-to-elevation factor at the reference level, omega / (k h (1 + beta (k h)^2)).
float velocity_factor(float omega, float k, float h);
// Q = (eta + h) U + h ((0.464758 h)^2 / 2 - h^2 / 6) U'' and Us = U + ((0.464758 h)^2 - h^2) / 2 U''.
float flux_from_velocity(float eta, float u, float u_xx, float h);
float surface_velocity(float u, float u_xx, float h);

// Complex amplitudes (N_F + 2 floats, half-complex layout) of a series of n samples of step dt:
// mean removed, carried onto N_F samples by cubic splines when n is not a power of two, then
// the forward FFT.
std::vector<float> series_coefficients(std::span<const float> eta, const FftLength& f);

// Unidirectional or multidirectional transfer: component j (1..M) of coef travels in the
// direction direction_deg[j] (degrees in the generation frame; index 0 unused).  Fills U, Q, Us
// of out (npoints = geometry points, nsteps = f.n).
void transfer_components(std::span<const float> coef, std::span<const float> direction_deg, const LineGeometry& g,
                         BandIndices band, const FftLength& f, BoundarySignal& out);

// Directions of the components 1..M of a multidirectional sea from the cumulative weights of
// the bins (degrees, generation frame: for rows the bins are already 90 - theta): seeded with
// 4713657, blocks of n_b components, one draw of n_b numbers per component, reseeded after each
// block; theta_b + dtheta (u - C_b) / (C_b+1 - C_b) for b >= 2, else theta_1.  Components beyond
// the last whole block keep direction 0.  Index 0 unused.
std::vector<float> assign_component_directions(const DirectionalSpreading& d, int m);

// Double-summation synthesis from a directional spectrum: every (frequency, direction bin)
// pair gets its own random phase (drawn in frequency-major order from seed); theta_deg are the
// bins' directions in the generation frame, weight(j, i) the directional weight of bin i at
// component j (per degree, sum over bins times dtheta = 1).
struct DirectionalComponents {
  std::vector<float> S;       // S_j at f_j, index 0..M (0 unused)
  std::vector<float> theta;   // bin directions, degrees, generation frame
  std::vector<float> weight;  // D_ij, j-major: weight[(j - 1) * nbins + i]
  float dtheta = 0.0f;        // degrees
};
void synthesize_directional(const DirectionalComponents& c, int seed, const LineGeometry& g, BandIndices band,
                            const FftLength& f, BoundarySignal& out);

}  // namespace swx
