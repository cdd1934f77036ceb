#pragma once
// Wavemakers driven by measured series: reading the elevation and velocity series files with
// the consistency check between wavemakers, the spectral estimate of height and period, and
// the direction of each frequency component from the velocity series.
#include <span>
#include <vector>

#include "params/param_table.hpp"
#include "wavegen/transfer.hpp"
#include "wavegen/wavemaker.hpp"

namespace swx {

// Time step and length of the first series file read by any wavemaker; every later file must
// have the same.
struct SeriesFileReference {
  int wavemaker = 0;  // 0 until a file has been read
  float dt = 0.0f;    // s
  int nsteps = 0;
};

// Reads input_ts_eta_file (first value column) into w.eta_series; sets the duration
// nsteps * dt.  A file whose step or length differs from the reference stops the run.
void read_eta_series_file(Wavemaker& w, const ParamTable& t, SeriesFileReference& ref);
// Reads input_ts_uv_file (value columns 1 and 2: u and v along the grid's x and y axes) into
// w.u_series and w.v_series, with the same check.  When the block also names input_ts_v_file,
// the two components come from two files, as the probes of a run write them: u is the first
// value column of input_ts_uv_file and v the first value column of input_ts_v_file.
void read_uv_series_file(Wavemaker& w, const ParamTable& t, SeriesFileReference& ref);

// Height 2.507 sigma and period sqrt(m0 / m2) of a series of step dt from its power spectrum;
// the period is 0 when m2 is 0.
struct SpectralEstimate {
  float height = 0.0f;  // m
  float period = 0.0f;  // s
};
SpectralEstimate spectral_estimate(std::span<const float> eta, float dt);

// Direction of travel of every component j = 1..M (degrees ccw from the grid's x axis; index 0
// unused) from series of elevation and of the velocity components u and v at (or close to) one
// point.  The co-spectra of elevation with u and with v, summed over the component and its
// four neighbours on each side, give the mean direction of that part of the spectrum (a
// progressive wave has velocity in phase with elevation along its direction of travel); the
// principal direction is that of the co-spectra summed over the band.  Each direction is
// limited to max_cutoff_deg about the principal one; components without energy take the
// principal direction.  principal_deg receives the principal direction.
//
// When the velocity gauge stands apart from the elevation gauge, each component's velocity
// carries the phase its wave takes over the separation (apart: the velocity gauge's position
// less the elevation gauge's, grid frame, m; depth: the water depth there, for the wavenumber),
// and that phase depends on the direction being sought: the direction is then found by
// trying every whole degree, moving the velocities back by that direction's phase, and taking
// the direction whose projected co-spectrum is largest, refined from the moved co-spectra.
struct GaugeSeparation {
  float dx = 0.0f, dy = 0.0f;  // m
  float depth = 0.0f;          // m
};
std::vector<float> velocity_directions(std::span<const float> eta, std::span<const float> u, std::span<const float> v,
                                       const FftLength& f, BandIndices band, float max_cutoff_deg, float& principal_deg,
                                       const GaugeSeparation& apart = {});

}  // namespace swx
