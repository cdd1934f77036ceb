#pragma once
// Permanent-form waves of the model's own one-dimensional equations (velocity at the reference
// level, alpha = -0.392), used where a wavemaker spans its whole boundary at uniform depth with
// normal incidence, and for solitary waves.  In a frame moving with the phase speed c the
// continuity and momentum equations become ordinary differential equations in the phase,
//   -c eta + (h + eta) u + h K1 u'' = C1,   -c (u + K3 u'') + g eta + u^2 / 2 = C2,
// K1 = z^2/2 - h^2/6 and K3 = (z^2 - h^2)/2 with z = 0.464758 h; they are solved by Newton's
// method with the dense solver.
#include <vector>

#include "core/boundary_signal.hpp"
#include "core/fatal.hpp"
#include "wavegen/transfer.hpp"

namespace swx {

// Periodic wave of height H and period T in depth h: eta = sum A_n cos(n theta),
// u = sum B_n cos(n theta), theta = k (x - c t), with zero mean level and zero mean volume flux
// (no net inflow through the wavemaker).  Cosine series of 63 harmonics collocated at 64
// points of the half wavelength, theta_m = (m + 1/2) 2 pi / 128.
struct PeriodicWave {
  float h = 0.0f, height = 0.0f, period = 0.0f;
  float k = 0.0f;  // 1/m
  float c = 0.0f;  // m/s, phase speed
  float bernoulli = 0.0f;
  std::vector<double> A, B;  // index 0..63 (A[0] = 0)
  bool converged = false;
  // Elevation, velocity and its second derivative in x at phase theta.
  double eta(double theta) const;
  double u(double theta) const;
  double u_xx(double theta) const;
};
PeriodicWave periodic_wave(float H, float T, float h, const Reporter& reporter);

// Wavenumber of the model's linear dispersion relation,
// omega^2 = g h k^2 (1 + beta (k h)^2) / (1 - alpha (k h)^2).
float model_linear_wavenumber(float omega, float h);

// Signal of one point (P = 1) over nsteps steps of dt: the periodic wave passing x = 0,
// eta(t) = eta(-omega t - pi/2), which starts at the level of still water falling as the
// linear signal does; U, Q and Us are multiplied by cos_dir (the sign of the direction of
// travel normal to the line).
void periodic_wave_signal(const PeriodicWave& w, float cos_dir, float dt, int nsteps, BoundarySignal& out);

// Solitary wave of height H in depth h: the decaying solution (C1 = C2 = 0) on the half line
// xi >= 0, symmetric about the crest, by second-order differences; c is part of the solution.
struct SolitaryWave {
  float h = 0.0f, height = 0.0f;
  float c = 0.0f;                   // m/s
  float dxi = 0.0f;                 // m, node spacing
  std::vector<float> eta, u, u_xx;  // nodes xi = 0, dxi, ...; beyond the last node all vanish
  bool converged = false;
  float half_width(float fraction) const;  // xi where eta falls to fraction * H
  // Linear interpolation between nodes at |xi|.
  float eta_at(float xi) const;
  float u_at(float xi) const;
  float u_xx_at(float xi) const;
};
SolitaryWave solitary_wave(float H, float h, const Reporter& reporter);

// Equivalent period of a solitary wave: the time its crest region, down to 1 % of the height
// on both sides, takes to pass a point.  It stands for T in the run's representative wave.
float solitary_period(const SolitaryWave& s);

// Solitary wave signal over the line g (depths per point; direction in degrees in the
// generation frame): the crest reaches the reference point at the time solitary_period + the
// time the wave front (0.1 % of the height) needs to reach it, so the front enters after the
// start-up ramp.  per_point false: one signal (P = 1) for a line of uniform depth; true: each
// distinct depth its own solution and each point its own arrival time.
void solitary_wave_signal(float H, float direction_deg, const LineGeometry& g, bool per_point, float dt, int nsteps,
                          BoundarySignal& out, float& period, const Reporter& reporter);

}  // namespace swx
