#pragma once
// Directional spreading of a multidirectional sea (wrapped normal or cosine power over 32 bins
// about the principal direction), the test whether a wave direction can be generated along a
// wavemaker's side, the frequency-band truncation of a spectrum and the row-frame exchange.
#include <span>
#include <vector>

#include "core/boundary_signal.hpp"
#include "core/fatal.hpp"
#include "params/param_table.hpp"

namespace swx {

inline constexpr int kSpreadingBins = 32;

enum class SpreadingType { kWrappedNormal = 1, kCosinePower = 2 };

struct DirectionalSpreading {
  float principal_direction = 0.0f;  // degrees, direction of travel ccw from the grid's +x axis
  std::vector<float> theta;          // 32 bin directions, degrees, same convention
  std::vector<float> weight;         // 32 weights D, per degree
  float dtheta = 0.0f;               // bin width, degrees (0 for a unidirectional sea)
  float sigma = 0.0f;                // standard deviation of the distribution, degrees
  int count() const { return static_cast<int>(theta.size()); }
};

// Reads directional_distribution, standard_deviation or spreading_index, prin_wave_direction
// and max_cutoff_angle from the block, checks the principal direction against the side
// (1..6), builds the 32 bins and weights and writes the two truncated-sigma console lines.
DirectionalSpreading build_directional_spreading(const ParamTable& t, Block b, float grid_orientation,
                                                 WavemakerSide side, const Reporter& reporter);

// Whether waves of direction `direction_deg` (nautical degrees, the direction the waves come
// from clockwise from north, with the grid orientation added) can be generated along side
// 1 (north row), 2 (east column), 3 (south row), 4 (west column), 5 (inner row) or
// 6 (inner column): the direction of travel must point into the domain from that side;
// inner lines accept both ways; a direction parallel to the line is never accepted.
bool direction_fits_boundary(float direction_deg, WavemakerSide side);

// Standard deviation (degrees) equivalent to a cosine-power spreading index n (37-row table).
float cosine_power_sigma(float n);
// Upper bound of max_cutoff_angle: 3 sigma, at most 90 degrees.
float cutoff_angle_bound(float sigma);
// Bins theta_p - theta_c .. theta_p + theta_c and their weights for the given distribution.
DirectionalSpreading spreading_bins(SpreadingType type, float theta_p, float theta_c, float sigma, float n);
// sigma_t (degrees) of the truncated distribution: (180/pi) sqrt(dtheta sum D sin^2 delta).
float truncated_sigma(const DirectionalSpreading& d);

// Frequency band kept in a spectrum: f_low = 1 / wave_period_max, f_high = 1 / wave_period_min
// (a zero period gives an infinite limit).
struct FrequencyBand {
  float f_low = 0.0f;   // Hz
  float f_high = 0.0f;  // Hz
  bool rescale = false;
};
// Reads wave_period_min (0..1000), wave_period_max (wave_period_min..1000) and, when
// with_rescale, rescale_spectrum ("yes" sets the flag).
FrequencyBand read_frequency_band(const ParamTable& t, Block b, bool with_rescale);
// Zeroes S outside [f_low, f_high] (frequency of S[i] is f0 + i df), rescales to the original
// energy when band.rescale, writes "Truncated Wave Energy = " or "Redistributed Wave Energy = "
// with the percentage, and returns the percentage.  A band that keeps no energy stops the run.
float truncate_spectrum_band(std::span<float> S, float f0, float df, const FrequencyBand& band,
                             const Reporter& reporter);

// Exchanged frame of a row wavemaker: every direction theta becomes 90 - theta (degrees);
// the bins then run downwards, theta[i] = theta[0] - i dtheta.
void exchange_row_frame(float& direction, std::span<float> theta);

}  // namespace swx
