#pragma once
// Depth coefficients of the reference level, the one place their formulas are written.  For a
// face of local depth D the reference level lies at z = ref_level_coef * D above the bed, and
//   K1 = z^2/2 - D^2/6, K2 = D (ref_level_coef - 1/2), K3 = (z^2 - D^2)/2, K4 = z - D, K5 = z^2/2
// turn the reference-level velocity u and the profile terms S, G into the still-water-level
// velocity u + K4 G + K3 S, the bed velocity u + z G + K5 S and the depth-mean velocity
// u + K2 G + K1 S (docs/equations.md).  Written for float (the solver, the probes and the
// wavemaker signals) and for double (the signal analyses done in double).
#include "core/constants.hpp"

namespace swx {

template <class T>
struct DepthCoefsOf {
  T z = 0, k1 = 0, k2 = 0, k3 = 0, k4 = 0, k5 = 0;
};
using DepthCoefs = DepthCoefsOf<float>;

// The five coefficients (and z) of depth d, formed as they come, whatever the sign of d.
template <class T>
constexpr DepthCoefsOf<T> reference_depth_coefs(T d) {
  const T c = static_cast<T>(kRefLevelCoef);
  DepthCoefsOf<T> k;
  k.z = c * d;
  k.k1 = k.z * k.z / T(2) - d * d / T(6);
  k.k2 = d * (c - T(0.5));
  k.k3 = (k.z * k.z - d * d) / T(2);
  k.k4 = k.z - d;
  k.k5 = k.z * k.z / T(2);
  return k;
}

}  // namespace swx
