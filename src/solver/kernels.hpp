#pragma once
// The point formulas of a pass, each written once (docs/equations.md names them).
//
// Every formula is written in the frame of the face's grid line: "along" is the direction of the
// line (x for u-faces, y for v-faces), "across" the other one.  The values around a face are
//   am, a0, ap   the along-line velocity (or slope) on the faces behind, at and ahead of the face;
//   Corners      the across velocity (or slope) at the four corners of the face: b behind and a
//                ahead of the face along the line, l on its low and h on its high side across it.
// For the u-face (i, j): behind is i-1, ahead i, low j, high j+1; for the v-face (i, j): behind
// is j-1, ahead j, low i, high i+1.  The x- and y-lines, the plain (vectorised) and the general
// loops and the probes gather these values and call the same functions, so a formula and its
// order of floating-point operations live in one place.
#include <cmath>

#include "core/array2d.hpp"
#include "core/depth_coefficients.hpp"
#include "solver/select.hpp"

namespace swx {

// A field seen in the frame of a grid line: (a, c) is the 1-based index along the line and
// across it; kAlongX says whether the line runs along x (u-faces) or along y (v-faces).
template <bool kAlongX, class T = float>
struct LineView {
  const T* p;  // element (1, j0)
  int ld;      // extent in i
  int j0;      // first row held
  explicit LineView(const Array2D<T>& f) : p(f.data()), ld(f.ni), j0(f.j0) {}
  T operator()(int a, int c) const { return kAlongX ? p[(a - 1) + (c - j0) * ld] : p[(c - 1) + (a - j0) * ld]; }
};

// Grid steps of a line: the solver multiplies by inverses formed once...
struct InverseSteps {
  float inv_h2, inv_2h, inv_2c, inv_hc;  // 1/h^2, 1/(2h), 1/(2c), 1/(h c); h along, c across
  float along2(float x) const { return x * inv_h2; }
  float along(float x) const { return x * inv_2h; }
  float across(float x) const { return x * inv_2c; }
  float mixed(float x) const { return x * inv_hc; }
};

// ...and the probes divide by the steps themselves.
struct DivisorSteps {
  float h2, two_h, two_c, hc;  // h^2, 2h, 2c, h c (hc is dx*dy in both directions)
  float along2(float x) const { return x / h2; }
  float along(float x) const { return x / two_h; }
  float across(float x) const { return x / two_c; }
  float mixed(float x) const { return x / hc; }
};

struct Corners {
  float bl, al, bh, ah;
};

// Depth coefficients of a face, all 0 on a still-water depth at or below 0 (the total depth of
// the "strong" option takes them as they come).
inline DepthCoefs face_depth_coefs(float d, bool total_depth) {
  if (!total_depth && d <= 0.0f) return DepthCoefs{};
  return reference_depth_coefs(d);
}

// face_depth_coefs of a still-water depth without branches (bit for bit the same values).
inline DepthCoefs still_depth_coefs(float d) {
  const DepthCoefs k = reference_depth_coefs(d);
  const bool dry = d <= 0.0f;
  DepthCoefs s;
  s.z = select(dry, 0.0f, k.z);
  s.k1 = select(dry, 0.0f, k.k1);
  s.k2 = select(dry, 0.0f, k.k2);
  s.k3 = select(dry, 0.0f, k.k3);
  s.k4 = select(dry, 0.0f, k.k4);
  s.k5 = select(dry, 0.0f, k.k5);
  return s;
}

// Means over the four corners: of a bottom slope, and of a velocity (another order of sums).
inline float corner_slope_mean(Corners c) { return 0.25f * (c.bl + c.al + c.ah + c.bh); }
inline float corner_velocity_mean(Corners c) { return 0.25f * (c.bl + c.al + c.bh + c.ah); }

// Corner differences: along-line difference summed across, across difference summed along, and
// the mixed second difference.
inline float corner_gain(Corners w) { return w.al + w.ah - w.bl - w.bh; }
inline float corner_twist(Corners w) { return w.ah - w.al - w.bl + w.bh; }
inline float corner_mixed(Corners w) { return w.ah - w.bh - w.al + w.bl; }

inline float second_difference(float am, float a0, float ap) { return ap - 2.0f * a0 + am; }

// Along-line slope part of G before scaling: h(+) a(+) - h(-) a(-) + h(0) da.
inline float slope_sum(float hm, float h0, float hp, float am, float ap, float da) {
  return hp * ap - hm * am + h0 * da;
}

// S, the along-line derivative of the velocity divergence.
template <class Steps>
inline float profile_s(float am, float a0, float ap, Corners c, const Steps& st) {
  return st.along2(second_difference(am, a0, ap)) + st.mixed(corner_mixed(c));
}

// G, the part of the along-line derivative of div(D u) without S; da is ap - am except next to
// an inner-line wavemaker, where it is one-sided.  hc4 = corner_slope_mean of the across slope.
template <class Steps>
inline float profile_g(float hm, float h0, float hp, float am, float ap, float da, float hc4, Corners c,
                       const Steps& st) {
  return st.along(slope_sum(hm, h0, hp, am, ap, da) + hc4 * corner_gain(c)) + st.across(h0 * corner_twist(c));
}

// Velocities of the vertical profile from the reference-level velocity a0 and S, G.
inline float surface_velocity(const DepthCoefs& k, float a0, float g, float s) { return a0 + k.k4 * g + k.k3 * s; }
inline float bed_velocity(const DepthCoefs& k, float a0, float g, float s) { return a0 + k.z * g + k.k5 * s; }

// Volume flux of a face: weak form (still-water depth h_f in the dispersive part) and the
// "strong" form (total depth d_f throughout).
inline float weak_face_flux(const DepthCoefs& k, float d_f, float h_f, float a0, float g, float s) {
  return d_f * a0 + h_f * (k.k2 * g + k.k1 * s);
}
inline float strong_face_flux(const DepthCoefs& k, float d_f, float a0, float g, float s) {
  return d_f * (a0 + k.k2 * g + k.k1 * s);
}

// Momentum row of a face: the tridiagonal operator of the along-line part of the still-water-
// level velocity U0 = u + K4 G + K3 S.
struct RowCoefs {
  float sub, dia, sup;
};
inline RowCoefs row_operator(const DepthCoefs& k, float hm, float h0, float hp, const InverseSteps& st) {
  return {k.k3 * st.inv_h2 - k.k4 * (h0 + hm) * st.inv_2h, 1.0f - 2.0f * k.k3 * st.inv_h2,
          k.k3 * st.inv_h2 + k.k4 * (h0 + hp) * st.inv_2h};
}

// The along-line part of U0 of the velocities o (start of step), as the operator applies it.
inline float along_part(const DepthCoefs& k, float hm, float h0, float hp, float om, float o0, float op,
                        const InverseSteps& st) {
  return o0 + k.k4 * slope_sum(hm, h0, hp, om, op, op - om) * st.inv_2h +
         k.k3 * second_difference(om, o0, op) * st.inv_h2;
}

// The across part of U0, K4 G_c + K3 S_c, of the corner velocities w (hc4 and h0 as in profile_g).
inline float across_part(const DepthCoefs& k, float hc4, float h0, Corners w, const InverseSteps& st) {
  return k.k4 * (hc4 * corner_gain(w) * st.inv_2h + h0 * corner_twist(w) * st.inv_2c) +
         k.k3 * (corner_mixed(w) * st.inv_hc);
}

// Centred advection a0 da/dx + cbar (up + dn)/(2c); up and dn are the halves of the across
// difference (0 next to a dry or missing line).
inline float centred_advection(float am, float a0, float ap, float cbar, float up, float dn, const InverseSteps& st) {
  return a0 * (ap - am) * st.inv_2h + cbar * (up + dn) * st.inv_2c;
}

// Upwind form of the along-line advection (strong option beside breaking cells); h the step.
inline float upwind_advection(float am, float a0, float ap, float cbar, float up, float dn, float h,
                              const InverseSteps& st) {
  return a0 * (a0 > 0.0f ? a0 - am : ap - a0) / h + cbar * (up + dn) * st.inv_2c;
}

// Momentum-conserving upwind advection of a face velocity a0 (shallow-water form across bores):
// qm, q0, qp are the volume fluxes of the face before, the face itself and the face after it
// along the line, am, ap the velocities there, d_f the face depth and h the step.  The momentum
// flux through each of the face's two cells is the cell's mean flux times its upwind face
// velocity, less a0 times the flux divergence, over the face depth, so that a bore keeps the
// momentum balance of its jump; the across part is upwind.
inline float conservative_advection(float qm, float q0, float qp, float am, float a0, float ap, float cbar, float up,
                                    float dn, float d_f, float h, const InverseSteps& st) {
  const float across = cbar * (cbar > 0.0f ? dn : up) * (2.0f * st.inv_2c);
  if (!(d_f > 0.0f)) return a0 * (a0 > 0.0f ? a0 - am : ap - a0) / h + across;
  const float ql = 0.5f * (qm + q0);
  const float qr = 0.5f * (q0 + qp);
  const float al = ql > 0.0f ? am : a0;
  const float ar = qr > 0.0f ? a0 : ap;
  return (qr * ar - ql * al - a0 * (qr - ql)) / (h * d_f) + across;
}

// Depth coefficients weighted by w (1: the dispersive form as it is, 0: none).
inline DepthCoefs weighted_coefs(const DepthCoefs& k, float w) {
  if (w == 1.0f) return k;
  DepthCoefs s;
  s.z = w * k.z;
  s.k1 = w * k.k1;
  s.k2 = w * k.k2;
  s.k3 = w * k.k3;
  s.k4 = w * k.k4;
  s.k5 = w * k.k5;
  return s;
}

// Advection by the ambient current: ca, cm/cp along and cbar_c across (corner mean), cup, cdn its
// halves of the across difference; the velocity's own values as in centred_advection.
inline float current_advection(float am, float a0, float ap, float cbar, float up, float dn, float cm, float c0,
                               float cp, float cc, float cup, float cdn, const InverseSteps& st) {
  return c0 * (ap - am) * st.inv_2h + cc * (up + dn) * st.inv_2c + a0 * (cp - cm) * st.inv_2h +
         cbar * (cup + cdn) * st.inv_2c;
}

// Mean of a cell quantity over the two cells of a face times the face velocity (damping).
inline float face_damping(float left, float right, float a0) { return 0.5f * (left + right) * a0; }

// Damping and bottom friction of a face: ab, cb the along and across bed velocities.
inline float friction_damping(float damp_l, float damp_r, float a0, float fric, float d_f, float ab, float cb) {
  return face_damping(damp_l, damp_r, a0) + (fric / d_f) * std::sqrt(ab * ab + cb * cb) * ab;
}

// Porous structures: constants of the run and the values of one face.
struct PorosityConstants {
  float char_stone_size = 0.0f;  // m
  float rms_wave_height = 0.0f;  // m
  float added_mass_coeff = 0.0f, lam_coef = 0.0f, turb_coef = 0.0f;
};
struct PorousFace {
  bool porous = false;
  float nf = 1.0f, ca = 1.0f, al = 0.0f, bt = 0.0f;
};

// Porosity factor n_f, added-mass factor ca and the laminar and turbulent resistance of the face
// between cells of porosity n1 and n2, all formed; porous says whether the face uses them (both
// cells below 1).
inline PorousFace porous_coefs(float n1, float n2, const PorosityConstants& pc) {
  PorousFace f;
  f.porous = (n1 < 1.0f) & (n2 < 1.0f);
  f.nf = 0.5f * (n1 + n2);
  const float kc = kPi * pc.rms_wave_height / (pc.char_stone_size * f.nf);
  f.ca = 1.0f + pc.added_mass_coeff * (1.0f - f.nf);
  const float nf3 = f.nf * f.nf * f.nf;
  f.al = pc.lam_coef * (1.0f - f.nf) * (1.0f - f.nf) / (nf3 * f.ca);
  f.bt = (1.0f + 7.5f / kc) * pc.turb_coef * (1.0f - f.nf) / (nf3 * f.ca);
  return f;
}

// porous_coefs where the face is porous (and the porosity option on), else an open face.
inline PorousFace porous_face(bool porosity_on, float n1, float n2, const PorosityConstants& pc) {
  if (!porosity_on || !(n1 < 1.0f) || !(n2 < 1.0f)) return PorousFace{};
  return porous_coefs(n1, n2, pc);
}

// The porous forms of the surface gradient, the advection and the resistance of a face.
inline float porous_gradient(const PorousFace& f, float deta) { return f.nf * deta / f.ca; }
inline float porous_advection(const PorousFace& f, float adv) { return adv / f.nf; }
inline float porous_resistance(const PorousFace& f, float a0, float cbar) {
  return f.nf * (f.al + f.bt * std::sqrt(a0 * a0 + cbar * cbar)) * a0;
}

}  // namespace swx
