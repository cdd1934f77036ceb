// One pass of the predictor-corrector scheme: steps A to F for the evaluated level.
//
// The momentum equations are stepped in the still-water-level velocity U0 = u + K4*G + K3*S,
// where u is the velocity at the reference level; along each grid line the u-part of U0 is a
// tridiagonal operator on the unknown velocities, and the v-part (cross derivatives) is moved to
// the right-hand side (docs/equations.md).
#include "solver/passes.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "solver/breaking.hpp"
#include "solver/select.hpp"
#include "solver/time_step.hpp"

namespace swx {

namespace {


struct DepthCoefs {
  float z = 0.0f, k1 = 0.0f, k2 = 0.0f, k3 = 0.0f, k4 = 0.0f, k5 = 0.0f;
};

// K1..K5 of a face of local depth d; all 0 on still-water depths at or below 0.
inline DepthCoefs depth_coefs(float d, bool total_depth) {
  DepthCoefs c;
  if (!total_depth && d <= 0.0f) return c;
  c.z = kRefLevelCoef * d;
  c.k1 = c.z * c.z / 2.0f - d * d / 6.0f;
  c.k2 = d * (kRefLevelCoef - 0.5f);
  c.k3 = (c.z * c.z - d * d) / 2.0f;
  c.k4 = c.z - d;
  c.k5 = c.z * c.z / 2.0f;
  return c;
}

inline bool strong_face(const Model& m, int mark_sum) { return m.nonlinear_option == 2 && mark_sum <= 0; }

// Under the "strong" option a face beside a breaking cell (breaking field of the previous step
// above 0) takes the advection along its line upwind instead of the kinetic-energy gradient of
// the near-surface velocities: inside a bore those velocities carry large dispersive parts, and
// centred differences there let a two-cell oscillation of the velocity grow until the run blows
// up (seen in thin swash and at steep fronts of irregular breaking waves).  The upwind form
// dissipates at the grid scale, where the breaking wave loses its energy anyway.
inline bool breaking_face(const Model& m, float b_left, float b_right) {
  return m.breaking_on == 1 && (b_left > 0.0f || b_right > 0.0f);
}

inline float velocity_head(float us, float vs) { return (us * us + vs * vs) / kTwoGravity; }

// Water spills from a wet cell onto a dry neighbour when its level plus velocity head (wet_head)
// lies above the dry cell's level.  Water that could not stand deeper than min_flood_depth on
// the dry cell would be drained again by the drying rule, so the head must also clear the dry
// cell's bed by min_flood_depth: a still shoreline next to a drained cell whose bed lies just
// below still water (0 < depth <= min_flood_depth) then carries no flow.
inline bool spills(float eta_dry, float depth_dry, float wet_head, float mfd) {
  return eta_dry < wet_head && -depth_dry + mfd < wet_head;
}

// Face activity of the evaluated level, from the surface velocities of the previous pass.
void face_activity(Model& m, const Field& eta) {
  const bool runup = m.calc_wave_runup == 1;
  const float mfd = m.min_flood_depth;
  if (!runup) {
    // Without the moving shoreline a face is active exactly when both its cells are wet.
    const int nx = m.nx;  // a local: the byte stores below could alias m.nx
    for (int j = 1; j <= m.ny; ++j) {
      const float* dep = m.depth.col(j);
      const float* et = eta.col(j);
      std::uint8_t* __restrict act = m.active_u.col(j);
      for (int k = 1; k < nx; ++k)  // k = i - 1 for faces i = 2..nx
        act[k] = static_cast<std::uint8_t>((dep[k - 1] + et[k - 1] > 0.0f) & (dep[k] + et[k] > 0.0f));
    }
    for (int j = 2; j <= m.ny; ++j) {
      const float* depm = m.depth.col(j - 1);
      const float* etm = eta.col(j - 1);
      const float* dep = m.depth.col(j);
      const float* et = eta.col(j);
      std::uint8_t* __restrict act = m.active_v.col(j);
      for (int k = 0; k < nx; ++k)
        act[k] = static_cast<std::uint8_t>((depm[k] + etm[k] > 0.0f) & (dep[k] + et[k] > 0.0f));
    }
    return;
  }
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 2; i <= m.nx; ++i) {
      const float dl = m.depth(i - 1, j) + eta(i - 1, j);
      const float dr = m.depth(i, j) + eta(i, j);
      bool act = dl > 0.0f && dr > 0.0f;
      if (!act && runup) {
        if (dl > 0.0f && dr <= 0.0f) {
          const float us = 0.5f * (m.u_surf(i - 1, j) + m.u_surf(i, j));
          const float vs = 0.5f * (m.v_surf(i - 1, j) + m.v_surf(i - 1, j + 1));
          act = spills(eta(i, j), m.depth(i, j), eta(i - 1, j) + velocity_head(us, vs), mfd);
        } else if (dr > 0.0f && dl <= 0.0f) {
          const float us = 0.5f * (m.u_surf(i, j) + m.u_surf(i + 1, j));
          const float vs = 0.5f * (m.v_surf(i, j) + m.v_surf(i, j + 1));
          act = spills(eta(i - 1, j), m.depth(i - 1, j), eta(i, j) + velocity_head(us, vs), mfd);
        }
      }
      m.active_u(i, j) = act ? 1 : 0;
    }
  }
  for (int j = 2; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const float dl = m.depth(i, j - 1) + eta(i, j - 1);
      const float dr = m.depth(i, j) + eta(i, j);
      bool act = dl > 0.0f && dr > 0.0f;
      if (!act && runup) {
        if (dl > 0.0f && dr <= 0.0f) {
          const float vs = 0.5f * (m.v_surf(i, j - 1) + m.v_surf(i, j));
          const float us = 0.5f * (m.u_surf(i, j - 1) + m.u_surf(i + 1, j - 1));
          act = spills(eta(i, j), m.depth(i, j), eta(i, j - 1) + velocity_head(us, vs), mfd);
        } else if (dr > 0.0f && dl <= 0.0f) {
          const float vs = 0.5f * (m.v_surf(i, j) + m.v_surf(i, j + 1));
          const float us = 0.5f * (m.u_surf(i, j) + m.u_surf(i + 1, j));
          act = spills(eta(i, j - 1), m.depth(i, j - 1), eta(i, j) + velocity_head(us, vs), mfd);
        }
      }
      m.active_v(i, j) = act ? 1 : 0;
    }
  }
}

bool has_side(const Model& m, int side) {
  for (const BoundarySignal& s : m.wavemakers)
    if (s.side == side) return true;
  return false;
}

inline bool marked_by(const Model& m, int i, int j, int side) {
  const int k = m.wavemaker_mark(i, j);
  return k > 0 && m.wavemakers[static_cast<std::size_t>(k - 1)].side == side;
}

// The eddy-viscosity term of a momentum row is explicit: it is formed from the velocities of the
// evaluated level.  Breaking and flooded land can raise the viscosity far beyond what such an
// explicit diffusion survives in the corrector iteration (the breaking model's cap follows the
// wave celerity, not the grid), and a grid-scale oscillation then grows in the surf zone.  Where
// the row's diffusion number, theta*dt*(d_l*nu_l + d_r*nu_r)/(dx^2*d_face), exceeds a quarter,
// the along-line velocity part of the term is therefore taken at the target level, inside the
// tridiagonal solve (backward Euler, unconditionally damping); the cross-line part stays
// explicit.  Below that limit the explicit form is kept as it is.
constexpr float kExplicitEddyLimit = 0.25f;

// Eddy-viscosity term of the row of one face, between the cell on its low side (l) and on its
// high side (r): returns what it adds to the right-hand side and, where it is taken implicitly,
// adds its along-line part to the row's three coefficients.  div_* are the cells' velocity
// divergences of the evaluated level, cross_* their cross-line parts, h the grid spacing along
// the line.
inline float eddy_row_term(float tdt, float h, float d_f, float dl, float nu_l, float div_l, float cross_l,
                           float dr, float nu_r, float div_r, float cross_r, float& sub, float& dia,
                           float& sup) {
  const float ar = tdt * dr * nu_r / (h * h * d_f);
  const float al = tdt * dl * nu_l / (h * h * d_f);
  if (ar + al <= kExplicitEddyLimit) return tdt * (dr * nu_r * div_r - dl * nu_l * div_l) / (h * d_f);
  sub -= al;
  dia += ar + al;
  sup -= ar;
  return tdt * (dr * nu_r * cross_r - dl * nu_l * cross_l) / (h * d_f);
}

// Velocity divergence of every cell at the evaluated level (eddy-viscosity terms).
void cell_divergence(Model& m, const Field& u, const Field& v) {
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      m.divergence(i, j) = (u(i + 1, j) - u(i, j)) / m.dx + (v(i, j + 1) - v(i, j)) / m.dy;
    }
  }
}

// "Strong" option: cell-centred kinetic energy (u_s^2 + v_s^2)/2 of the still-water-level
// velocities of the pass; 0 on dry cells.
void strong_cell_terms(Model& m, const Field& eta) {
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const float us = 0.5f * (m.u_surf(i, j) + m.u_surf(i + 1, j));
      const float vs = 0.5f * (m.v_surf(i, j) + m.v_surf(i, j + 1));
      m.kinetic_cell(i, j) = m.depth(i, j) + eta(i, j) > 0.0f ? 0.5f * (us * us + vs * vs) : 0.0f;
    }
  }
}

// Porous-face values: porosity factor n_f, added-mass factor ca and the resistance
// coefficients; a face is porous when both cells beside it have n < 1.
struct PorousFace {
  bool porous = false;
  float nf = 1.0f, ca = 1.0f, al = 0.0f, bt = 0.0f;
};

inline PorousFace porous_face(const Model& m, float n1, float n2) {
  PorousFace f;
  if (!m.porosity_on || !(n1 < 1.0f) || !(n2 < 1.0f)) return f;
  f.porous = true;
  f.nf = 0.5f * (n1 + n2);
  const float d50 = m.char_stone_size;
  const float kc = kPi * m.rms_wave_height / (d50 * f.nf);
  f.ca = 1.0f + m.added_mass_coeff * (1.0f - f.nf);
  const float nf3 = f.nf * f.nf * f.nf;
  f.al = m.lam_coef * (1.0f - f.nf) * (1.0f - f.nf) / (nf3 * f.ca);
  f.bt = (1.0f + 7.5f / kc) * m.turb_coef * (1.0f - f.nf) / (nf3 * f.ca);
  return f;
}

// porous_face computed without branches: every value is formed and `porous` says whether the
// face uses them (the callers select, so the chosen values are bit for bit those of porous_face).
struct PorousLanes {
  bool porous = false;
  float nf = 1.0f, ca = 1.0f, al = 0.0f, bt = 0.0f;
};

inline PorousLanes porous_lanes(const Model& m, float n1, float n2) {
  PorousLanes f;
  f.porous = (n1 < 1.0f) & (n2 < 1.0f);
  f.nf = 0.5f * (n1 + n2);
  const float d50 = m.char_stone_size;
  const float kc = kPi * m.rms_wave_height / (d50 * f.nf);
  f.ca = 1.0f + m.added_mass_coeff * (1.0f - f.nf);
  const float nf3 = f.nf * f.nf * f.nf;
  f.al = m.lam_coef * (1.0f - f.nf) * (1.0f - f.nf) / (nf3 * f.ca);
  f.bt = (1.0f + 7.5f / kc) * m.turb_coef * (1.0f - f.nf) / (nf3 * f.ca);
  return f;
}

// Plain weak configuration (no "strong" faces, current or breaking; porosity optional): the rows of x-line
// j in the arithmetic of assemble_x_line, written without branches so that the loop vectorises.
template <bool kPredictor, bool kSink, bool kPorous>
void assemble_x_line_plain(const Model& m, const PassLevels& lv, int j, float* __restrict sub,
                           float* __restrict dia, float* __restrict sup, float* __restrict rhs) {
  const GridConstants g = m.gc;  // a local copy: no store of the loop can alias it
  const float tdt = (kPredictor ? 0.5f : 1.0f) * m.dt;
  const float grad = (kPredictor ? 9.81f : 19.62f) * g.dt_2dx;
  const int nx = m.nx, ny = m.ny;
  const bool up_line = j < ny, dn_line = j > 1;
  const int ju = j + 1, jd = dn_line ? j - 1 : j;  // column j + 1 always exists (ny + 1 columns)
  // 1-based pointers: p[i] is element (i, column).
  const float* dep = m.depth.col(j) - 1;
  const float* depu = m.depth.col(ju) - 1;
  const float* depd = m.depth.col(jd) - 1;
  const float* et = lv.eta_e.col(j) - 1;
  const float* etu = lv.eta_e.col(ju) - 1;
  const float* etd = lv.eta_e.col(jd) - 1;
  const float* u = lv.u_e.col(j) - 1;
  const float* uu = lv.u_e.col(ju) - 1;
  const float* ud = lv.u_e.col(jd) - 1;
  const float* v = lv.v_e.col(j) - 1;
  const float* vu = lv.v_e.col(ju) - 1;
  const float* uo = m.u_old.col(j) - 1;
  const float* vo = m.v_old.col(j) - 1;
  const float* vou = m.v_old.col(ju) - 1;
  const float* hx = m.depth_dx.col(j) - 1;
  const float* hy = m.depth_dy.col(j) - 1;
  const float* hyu = m.depth_dy.col(ju) - 1;
  const float* damp = m.damping.col(j) - 1;
  const float* vdamp = m.velocity_damping.col(j) - 1;
  const float* fric = m.friction_factor.col(j) - 1;
  const float* ubed = m.u_bed.col(j) - 1;
  const float* vbed = m.v_bed.col(j) - 1;
  const std::uint8_t* act = m.active_u.col(j) - 1;
  const float* por = m.porosity.col(j) - 1;
  for (int i = 2; i <= nx; ++i) {
    const float dl = dep[i - 1] + et[i - 1];
    const float dr = dep[i] + et[i];
    const float d_f = 0.5f * (dl + dr);
    const float dloc = 0.5f * (dep[i - 1] + dep[i]);
    const float z = kRefLevelCoef * dloc;
    // Every value is computed unconditionally and then selected, so that the loop has no branch.
    const float k3v = (z * z - dloc * dloc) / 2.0f, k4v = z - dloc;
    const float k3 = select(dloc <= 0.0f, 0.0f, k3v);
    const float k4 = select(dloc <= 0.0f, 0.0f, k4v);
    const float hxm = hx[i - 1], hx0 = hx[i], hxp = hx[i + 1];
    const float a = k3 * g.inv_dx2 - k4 * (hx0 + hxm) * g.inv_2dx;
    const float d = 1.0f - 2.0f * k3 * g.inv_dx2;
    const float c = k3 * g.inv_dx2 + k4 * (hx0 + hxp) * g.inv_2dx;
    float b = uo[i] + k4 * (hxp * uo[i + 1] - hxm * uo[i - 1] + hx0 * (uo[i + 1] - uo[i - 1])) * g.inv_2dx +
              k3 * (uo[i + 1] - 2.0f * uo[i] + uo[i - 1]) * g.inv_dx2;
    if (!kPredictor) {
      const float hy4 = 0.25f * (hy[i - 1] + hy[i] + hyu[i] + hyu[i - 1]);
      const float w00 = vo[i - 1] - v[i - 1], w10 = vo[i] - v[i];
      const float w01 = vou[i - 1] - vu[i - 1], w11 = vou[i] - vu[i];
      const float gv = hy4 * (w10 + w11 - w00 - w01) * g.inv_2dx + hx0 * (w11 - w10 - w00 + w01) * g.inv_2dy;
      const float sv = (w11 - w01 - w10 + w00) * g.inv_dxdy;
      b += 2.0f * (k4 * gv + k3 * sv);
    }
    PorousLanes pf;
    if (kPorous) pf = porous_lanes(m, por[i - 1], por[i]);
    const float deta = et[i] - et[i - 1];
    b -= grad * (kPorous ? select(pf.porous, pf.nf * deta / pf.ca, deta) : deta);
    const float vbar = 0.25f * (v[i - 1] + v[i] + vu[i - 1] + vu[i]);
    const bool up_ok = up_line & (depu[i - 1] + etu[i - 1] > 0.0f) & (depu[i] + etu[i] > 0.0f);
    const bool dn_ok = dn_line & (depd[i - 1] + etd[i - 1] > 0.0f) & (depd[i] + etd[i] > 0.0f);
    const float upv = uu[i] - u[i], dnv = u[i] - ud[i];
    const float up = select(up_ok, upv, 0.0f);
    const float dn = select(dn_ok, dnv, 0.0f);
    const float adv = u[i] * (u[i + 1] - u[i - 1]) * g.inv_2dx + vbar * (up + dn) * g.inv_2dy;
    b -= tdt * (kPorous ? select(pf.porous, adv / pf.nf, adv) : adv);
    const float ub = ubed[i], vb = vbed[i];
    float sink = 0.5f * (damp[i - 1] + damp[i]) * u[i] + (fric[i] / d_f) * std::sqrt(ub * ub + vb * vb) * ub;
    if (kSink) sink += 0.5f * (vdamp[i - 1] + vdamp[i]) * u[i];
    if (kPorous) sink = select(pf.porous, sink + pf.nf * (pf.al + pf.bt * std::sqrt(u[i] * u[i] + vbar * vbar)) * u[i], sink);
    b -= tdt * sink;
    const bool on = act[i] != 0;
    sub[i] = select(on, a, 0.0f);
    dia[i] = select(on, d, 1.0f);
    sup[i] = select(on, c, 0.0f);
    rhs[i] = select(on, b, 0.0f);
  }
}

// True when the pass needs none of the "strong", current or breaking terms.
inline bool plain_configuration(const Model& m) {
  return m.nonlinear_option != 2 && !m.current_on && m.breaking_on != 1;
}

// Momentum rows along x-line j for the target u of the pass (steps C and D), into the given
// line arrays (rows 1..nx+1).
void assemble_x_line(Model& m, const PassLevels& lv, int j, float* sub, float* dia, float* sup, float* rhs) {
  const GridConstants& g = m.gc;
  const float theta = lv.predictor ? 0.5f : 1.0f;
  const float tdt = theta * m.dt;
  const float grad = (lv.predictor ? 9.81f : 19.62f) * g.dt_2dx;
  const Field& eta = lv.eta_e;
  const Field& u = lv.u_e;
  const Field& v = lv.v_e;
  const Field& uo = m.u_old;
  const Field& vo = m.v_old;
  const int nx = m.nx, ny = m.ny;
  sub[1] = 0.0f;
  dia[1] = 1.0f;
  sup[1] = 0.0f;
  rhs[1] = lv.u_t(1, j);
  sub[nx + 1] = 0.0f;
  dia[nx + 1] = 1.0f;
  sup[nx + 1] = 0.0f;
  rhs[nx + 1] = lv.u_t(nx + 1, j);

  if (plain_configuration(m)) {
    using Fn = void (*)(const Model&, const PassLevels&, int, float*, float*, float*, float*);
    static constexpr Fn kVariants[8] = {
        assemble_x_line_plain<false, false, false>, assemble_x_line_plain<false, false, true>,
        assemble_x_line_plain<false, true, false>,  assemble_x_line_plain<false, true, true>,
        assemble_x_line_plain<true, false, false>,  assemble_x_line_plain<true, false, true>,
        assemble_x_line_plain<true, true, false>,   assemble_x_line_plain<true, true, true>};
    kVariants[4 * lv.predictor + 2 * m.x_velocity_sink + m.porosity_on](m, lv, j, sub, dia, sup, rhs);
    return;
  }

  for (int i = 2; i <= nx; ++i) {
    if (m.active_u(i, j) == 0) {
      sub[i] = 0.0f;
      dia[i] = 1.0f;
      sup[i] = 0.0f;
      rhs[i] = 0.0f;
      continue;
    }
    const float dl = m.depth(i - 1, j) + eta(i - 1, j);
    const float dr = m.depth(i, j) + eta(i, j);
    const float d_f = 0.5f * (dl + dr);
    const int mark_sum = m.wavemaker_mark(i - 1, j) + m.wavemaker_mark(i, j);
    const bool strong = strong_face(m, mark_sum);
    const float dloc = strong ? d_f : 0.5f * (m.depth(i - 1, j) + m.depth(i, j));
    const DepthCoefs k = depth_coefs(dloc, strong);
    const float hxm = m.depth_dx(i - 1, j), hx0 = m.depth_dx(i, j), hxp = m.depth_dx(i + 1, j);

    // Tridiagonal operator of the u-part of U0.
    sub[i] = k.k3 * g.inv_dx2 - k.k4 * (hx0 + hxm) * g.inv_2dx;
    dia[i] = 1.0f - 2.0f * k.k3 * g.inv_dx2;
    sup[i] = k.k3 * g.inv_dx2 + k.k4 * (hx0 + hxp) * g.inv_2dx;

    // u-part of U0 at the start of the step, with the depth coefficients of that level (they
    // differ from those of the evaluated level only under the "strong" option).
    const DepthCoefs ko =
        strong ? depth_coefs(0.5f * (m.depth(i - 1, j) + m.eta_old(i - 1, j) + m.depth(i, j) + m.eta_old(i, j)), true) : k;
    float b = uo(i, j) +
              ko.k4 * (hxp * uo(i + 1, j) - hxm * uo(i - 1, j) + hx0 * (uo(i + 1, j) - uo(i - 1, j))) * g.inv_2dx +
              ko.k3 * (uo(i + 1, j) - 2.0f * uo(i, j) + uo(i - 1, j)) * g.inv_dx2;

    // v-part of U0: start-of-step value less the estimate at the target level, which in the
    // correctors is 2*v_mid - v_old; the predictor's estimate is v_old itself and the part cancels
    // (weak option).
    const float hy4 = 0.25f * (m.depth_dy(i - 1, j) + m.depth_dy(i, j) + m.depth_dy(i, j + 1) + m.depth_dy(i - 1, j + 1));
    auto gv_of = [&](float w00, float w10, float w01, float w11) {
      return hy4 * (w10 + w11 - w00 - w01) * g.inv_2dx + hx0 * (w11 - w10 - w00 + w01) * g.inv_2dy;
    };
    auto sv_of = [&](float w00, float w10, float w01, float w11) { return (w11 - w01 - w10 + w00) * g.inv_dxdy; };
    if (!strong) {
      if (!lv.predictor) {
        const float w00 = vo(i - 1, j) - v(i - 1, j), w10 = vo(i, j) - v(i, j);
        const float w01 = vo(i - 1, j + 1) - v(i - 1, j + 1), w11 = vo(i, j + 1) - v(i, j + 1);
        b += 2.0f * (k.k4 * gv_of(w00, w10, w01, w11) + k.k3 * sv_of(w00, w10, w01, w11));
      }
    } else {
      const float o00 = vo(i - 1, j), o10 = vo(i, j), o01 = vo(i - 1, j + 1), o11 = vo(i, j + 1);
      const float c = lv.predictor ? 0.0f : 1.0f;  // v_target = v_old + (v_E - v_old)/theta
      const float e00 = o00 + c * 2.0f * (v(i - 1, j) - o00), e10 = o10 + c * 2.0f * (v(i, j) - o10);
      const float e01 = o01 + c * 2.0f * (v(i - 1, j + 1) - o01), e11 = o11 + c * 2.0f * (v(i, j + 1) - o11);
      b += ko.k4 * gv_of(o00, o10, o01, o11) + ko.k3 * sv_of(o00, o10, o01, o11) -
           (k.k4 * gv_of(e00, e10, e01, e11) + k.k3 * sv_of(e00, e10, e01, e11));
    }

    const PorousFace pf = porous_face(m, m.porosity(i - 1, j), m.porosity(i, j));

    // Surface gradient.
    const float deta = eta(i, j) - eta(i - 1, j);
    b -= grad * (pf.porous ? pf.nf * deta / pf.ca : deta);

    // Advection (weak form, or the surface-velocity block of the "strong" option).
    const float vbar = 0.25f * (v(i - 1, j) + v(i, j) + v(i - 1, j + 1) + v(i, j + 1));
    const bool up_ok = j < ny && m.depth(i - 1, j + 1) + eta(i - 1, j + 1) > 0.0f &&
                       m.depth(i, j + 1) + eta(i, j + 1) > 0.0f;
    const bool dn_ok = j > 1 && m.depth(i - 1, j - 1) + eta(i - 1, j - 1) > 0.0f &&
                       m.depth(i, j - 1) + eta(i, j - 1) > 0.0f;
    const float up = up_ok ? u(i, j + 1) - u(i, j) : 0.0f;
    const float dn = dn_ok ? u(i, j) - u(i, j - 1) : 0.0f;
    // The "strong" block acts between wet cells; a face spilling onto dry land keeps the weak
    // advection.
    float adv;
    if (strong && breaking_face(m, m.break_prev(i - 1, j), m.break_prev(i, j))) {
      const float uu = u(i, j);
      adv = uu * (uu > 0.0f ? uu - u(i - 1, j) : u(i + 1, j) - uu) / m.dx + vbar * (up + dn) * g.inv_2dy;
    } else if (!strong || !(dl > 0.0f && dr > 0.0f)) {
      adv = u(i, j) * (u(i + 1, j) - u(i - 1, j)) * g.inv_2dx + vbar * (up + dn) * g.inv_2dy;
    } else {
      adv = (m.kinetic_cell(i, j) - m.kinetic_cell(i - 1, j)) / m.dx;
    }
    if (m.current_on) {
      const float uc = m.current_x(i, j);
      const float vc = 0.25f * (m.current_y(i - 1, j) + m.current_y(i, j) + m.current_y(i - 1, j + 1) +
                                m.current_y(i, j + 1));
      const float cup = up_ok ? m.current_x(i, j + 1) - uc : 0.0f;
      const float cdn = dn_ok ? uc - m.current_x(i, j - 1) : 0.0f;
      adv += uc * (u(i + 1, j) - u(i - 1, j)) * g.inv_2dx + vc * (up + dn) * g.inv_2dy +
             u(i, j) * (m.current_x(i + 1, j) - m.current_x(i - 1, j)) * g.inv_2dx +
             vbar * (cup + cdn) * g.inv_2dy;
    }
    b -= tdt * (pf.porous ? adv / pf.nf : adv);

    // Eddy viscosity of breaking and sub-grid turbulence.
    if (m.breaking_on == 1) {
      b += eddy_row_term(tdt, m.dx, d_f, dl, m.eddy_visc(i - 1, j), m.divergence(i - 1, j),
                         (v(i - 1, j + 1) - v(i - 1, j)) / m.dy, dr, m.eddy_visc(i, j), m.divergence(i, j),
                         (v(i, j + 1) - v(i, j)) / m.dy, sub[i], dia[i], sup[i]);
    }

    // Bottom friction, damping, velocity damping behind wavemakers, porous resistance.
    const float ub = m.u_bed(i, j), vb = m.v_bed(i, j);
    float sink = 0.5f * (m.damping(i - 1, j) + m.damping(i, j)) * u(i, j) +
                 (m.friction_factor(i, j) / d_f) * std::sqrt(ub * ub + vb * vb) * ub;
    if (m.x_velocity_sink) sink += 0.5f * (m.velocity_damping(i - 1, j) + m.velocity_damping(i, j)) * u(i, j);
    if (pf.porous) sink += pf.nf * (pf.al + pf.bt * std::sqrt(u(i, j) * u(i, j) + vbar * vbar)) * u(i, j);
    b -= tdt * sink;
    rhs[i] = b;
  }
}

// x-lines of the pass in blocks of LineBlock::kLanes lines, solved side by side.
void solve_x_lines(Model& m, const PassLevels& lv) {
  LineBlock& bl = m.block_x;
  constexpr int L = LineBlock::kLanes;
  for (int j0 = 1; j0 <= m.ny; j0 += L) {
    const int lanes = std::min(L, m.ny - j0 + 1);
    for (int r = 0; r < lanes; ++r)
      assemble_x_line(m, lv, j0 + r, bl.line(bl.sub, r), bl.line(bl.diag, r), bl.line(bl.sup, r), bl.line(bl.rhs, r));
    solve_tridiagonal_block(bl, lanes);
    for (int r = 0; r < lanes; ++r) {
      float* ut = lv.u_t.col(j0 + r) - 1;
      const float* x = bl.bx.data() + r;
      for (int i = 2; i <= m.nx; ++i) ut[i] = x[static_cast<std::size_t>(i) * L];
    }
  }
}

// Plain weak configuration: the rows of the v-faces 2..nx of row j (between rows j-1 and j), in the arithmetic of solve_y_lines, without branches.
template <bool kPredictor, bool kSink, bool kPorous>
void assemble_y_row_plain(const Model& m, const PassLevels& lv, int j, float* __restrict sub,
                          float* __restrict dia, float* __restrict sup, float* __restrict rhs) {
  const GridConstants g = m.gc;  // a local copy: no store of the loop can alias it
  const float tdt = (kPredictor ? 0.5f : 1.0f) * m.dt;
  const float grad = (kPredictor ? 9.81f : 19.62f) * g.dt_2dy;
  const int nx = m.nx;
  // 1-based pointers: p[i] is element (i, column); suffix m for column j - 1, p for j + 1.
  const float* depm = m.depth.col(j - 1) - 1;
  const float* dep = m.depth.col(j) - 1;
  const float* etm = lv.eta_e.col(j - 1) - 1;
  const float* et = lv.eta_e.col(j) - 1;
  const float* um = lv.u_e.col(j - 1) - 1;
  const float* u = lv.u_e.col(j) - 1;
  const float* vm = lv.v_e.col(j - 1) - 1;
  const float* v = lv.v_e.col(j) - 1;
  const float* vp = lv.v_e.col(j + 1) - 1;
  const float* uom = m.u_old.col(j - 1) - 1;
  const float* uo = m.u_old.col(j) - 1;
  const float* vom = m.v_old.col(j - 1) - 1;
  const float* vo = m.v_old.col(j) - 1;
  const float* vop = m.v_old.col(j + 1) - 1;
  const float* hxm = m.depth_dx.col(j - 1) - 1;
  const float* hx = m.depth_dx.col(j) - 1;
  const float* hym = m.depth_dy.col(j - 1) - 1;
  const float* hy = m.depth_dy.col(j) - 1;
  const float* hyp = m.depth_dy.col(j + 1) - 1;
  const float* dampm = m.damping.col(j - 1) - 1;
  const float* damp = m.damping.col(j) - 1;
  const float* vdampm = m.velocity_damping.col(j - 1) - 1;
  const float* vdamp = m.velocity_damping.col(j) - 1;
  const float* fric = m.friction_factor.col(j) - 1;
  const float* ubed = m.u_bed.col(j) - 1;
  const float* vbed = m.v_bed.col(j) - 1;
  const std::uint8_t* act = m.active_v.col(j) - 1;
  const float* porm = m.porosity.col(j - 1) - 1;
  const float* por = m.porosity.col(j) - 1;
  // Faces 2..nx; face 1 (no left neighbour) takes the general loop.
  for (int i = 2; i <= nx; ++i) {
    const int il = i - 1;
    const float dl = depm[i] + etm[i];
    const float dr = dep[i] + et[i];
    const float d_f = 0.5f * (dl + dr);
    const float dloc = 0.5f * (depm[i] + dep[i]);
    const float z = kRefLevelCoef * dloc;
    const float k3v = (z * z - dloc * dloc) / 2.0f, k4v = z - dloc;
    const float k3 = select(dloc <= 0.0f, 0.0f, k3v);
    const float k4 = select(dloc <= 0.0f, 0.0f, k4v);
    const float hy_m = hym[i], hy0 = hy[i], hy_p = hyp[i];
    const float a = k3 * g.inv_dy2 - k4 * (hy0 + hy_m) * g.inv_2dy;
    const float d = 1.0f - 2.0f * k3 * g.inv_dy2;
    const float c = k3 * g.inv_dy2 + k4 * (hy0 + hy_p) * g.inv_2dy;
    float b = vo[i] + k4 * (hy_p * vop[i] - hy_m * vom[i] + hy0 * (vop[i] - vom[i])) * g.inv_2dy +
              k3 * (vop[i] - 2.0f * vo[i] + vom[i]) * g.inv_dy2;
    if (!kPredictor) {
      const float hx4 = 0.25f * (hxm[i] + hx[i] + hx[i + 1] + hxm[i + 1]);
      const float w00 = uom[i] - um[i], w10 = uom[i + 1] - um[i + 1];
      const float w01 = uo[i] - u[i], w11 = uo[i + 1] - u[i + 1];
      const float gu = hx4 * (w01 + w11 - w00 - w10) * g.inv_2dy + hy0 * (w11 - w01 - w00 + w10) * g.inv_2dx;
      const float su = (w11 - w10 - w01 + w00) * g.inv_dxdy;
      b += 2.0f * (k4 * gu + k3 * su);
    }
    PorousLanes pf;
    if (kPorous) pf = porous_lanes(m, porm[i], por[i]);
    const float deta = et[i] - etm[i];
    b -= grad * (kPorous ? select(pf.porous, pf.nf * deta / pf.ca, deta) : deta);
    const float ubar = 0.25f * (um[i] + u[i] + um[i + 1] + u[i + 1]);
    const bool up_ok = (i < nx) & (depm[i + 1] + etm[i + 1] > 0.0f) & (dep[i + 1] + et[i + 1] > 0.0f);
    const bool dn_ok = (depm[il] + etm[il] > 0.0f) & (dep[il] + et[il] > 0.0f);
    const float upv = v[i + 1] - v[i], dnv = v[i] - v[il];
    const float up = select(up_ok, upv, 0.0f);
    const float dn = select(dn_ok, dnv, 0.0f);
    const float adv = v[i] * (vp[i] - vm[i]) * g.inv_2dy + ubar * (up + dn) * g.inv_2dx;
    b -= tdt * (kPorous ? select(pf.porous, adv / pf.nf, adv) : adv);
    const float vb = vbed[i], ub = ubed[i];
    float sink = 0.5f * (dampm[i] + damp[i]) * v[i] + (fric[i] / d_f) * std::sqrt(vb * vb + ub * ub) * vb;
    if (kSink) sink += 0.5f * (vdampm[i] + vdamp[i]) * v[i];
    if (kPorous) sink = select(pf.porous, sink + pf.nf * (pf.al + pf.bt * std::sqrt(v[i] * v[i] + ubar * ubar)) * v[i], sink);
    b -= tdt * sink;
    const bool on = act[i] != 0;
    sub[i] = select(on, a, 0.0f);
    dia[i] = select(on, d, 1.0f);
    sup[i] = select(on, c, 0.0f);
    rhs[i] = select(on, b, 0.0f);
  }
}

// Momentum rows of every y-line (column), solved for the target v (step E).  The rows of all
// columns are assembled row by row (i fastest) and solved together, column by column in the
// arithmetic of solve_tridiagonal.
void solve_y_lines(Model& m, const PassLevels& lv) {
  const GridConstants& g = m.gc;
  const float theta = lv.predictor ? 0.5f : 1.0f;
  const float tdt = theta * m.dt;
  const float grad = (lv.predictor ? 9.81f : 19.62f) * g.dt_2dy;
  const Field& eta = lv.eta_e;
  const Field& u = lv.u_e;
  const Field& v = lv.v_e;
  const Field& uo = m.u_old;
  const Field& vo = m.v_old;
  const int nx = m.nx, ny = m.ny;
  ColumnRows& r = m.rows_y;
  Field& sub = r.sub;
  Field& dia = r.diag;
  Field& sup = r.sup;
  Field& rhs = r.rhs;

  for (int i = 1; i <= nx; ++i) {
    sub(i, 1) = 0.0f;
    dia(i, 1) = 1.0f;
    sup(i, 1) = 0.0f;
    rhs(i, 1) = lv.v_t(i, 1);
    sub(i, ny + 1) = 0.0f;
    dia(i, ny + 1) = 1.0f;
    sup(i, ny + 1) = 0.0f;
    rhs(i, ny + 1) = lv.v_t(i, ny + 1);
  }

  const bool plain = plain_configuration(m);
  for (int j = 2; j <= ny; ++j) {
   if (plain) {
     using Fn = void (*)(const Model&, const PassLevels&, int, float*, float*, float*, float*);
     static constexpr Fn kVariants[8] = {
         assemble_y_row_plain<false, false, false>, assemble_y_row_plain<false, false, true>,
         assemble_y_row_plain<false, true, false>,  assemble_y_row_plain<false, true, true>,
         assemble_y_row_plain<true, false, false>,  assemble_y_row_plain<true, false, true>,
         assemble_y_row_plain<true, true, false>,   assemble_y_row_plain<true, true, true>};
     kVariants[4 * lv.predictor + 2 * m.y_velocity_sink + m.porosity_on](m, lv, j, sub.col(j) - 1, dia.col(j) - 1,
                                                                        sup.col(j) - 1, rhs.col(j) - 1);
   }
   const int i_last = plain ? 1 : nx;  // the plain rows leave face 1 to this loop
   for (int i = 1; i <= i_last; ++i) {
    if (m.active_v(i, j) == 0) {
      sub(i, j) = 0.0f;
      dia(i, j) = 1.0f;
      sup(i, j) = 0.0f;
      rhs(i, j) = 0.0f;
      continue;
    }
    const float dl = m.depth(i, j - 1) + eta(i, j - 1);
    const float dr = m.depth(i, j) + eta(i, j);
    const float d_f = 0.5f * (dl + dr);
    const int mark_sum = m.wavemaker_mark(i, j - 1) + m.wavemaker_mark(i, j);
    const bool strong = strong_face(m, mark_sum);
    const float dloc = strong ? d_f : 0.5f * (m.depth(i, j - 1) + m.depth(i, j));
    const DepthCoefs k = depth_coefs(dloc, strong);
    const float hym = m.depth_dy(i, j - 1), hy0 = m.depth_dy(i, j), hyp = m.depth_dy(i, j + 1);

    sub(i, j) = k.k3 * g.inv_dy2 - k.k4 * (hy0 + hym) * g.inv_2dy;
    dia(i, j) = 1.0f - 2.0f * k.k3 * g.inv_dy2;
    sup(i, j) = k.k3 * g.inv_dy2 + k.k4 * (hy0 + hyp) * g.inv_2dy;

    const DepthCoefs ko =
        strong ? depth_coefs(0.5f * (m.depth(i, j - 1) + m.eta_old(i, j - 1) + m.depth(i, j) + m.eta_old(i, j)), true) : k;
    float b = vo(i, j) +
              ko.k4 * (hyp * vo(i, j + 1) - hym * vo(i, j - 1) + hy0 * (vo(i, j + 1) - vo(i, j - 1))) * g.inv_2dy +
              ko.k3 * (vo(i, j + 1) - 2.0f * vo(i, j) + vo(i, j - 1)) * g.inv_dy2;

    const float hx4 = 0.25f * (m.depth_dx(i, j - 1) + m.depth_dx(i, j) + m.depth_dx(i + 1, j) + m.depth_dx(i + 1, j - 1));
    auto gu_of = [&](float w00, float w10, float w01, float w11) {
      return hx4 * (w01 + w11 - w00 - w10) * g.inv_2dy + hy0 * (w11 - w01 - w00 + w10) * g.inv_2dx;
    };
    auto su_of = [&](float w00, float w10, float w01, float w11) { return (w11 - w10 - w01 + w00) * g.inv_dxdy; };
    if (!strong) {
      if (!lv.predictor) {
        const float w00 = uo(i, j - 1) - u(i, j - 1), w10 = uo(i + 1, j - 1) - u(i + 1, j - 1);
        const float w01 = uo(i, j) - u(i, j), w11 = uo(i + 1, j) - u(i + 1, j);
        b += 2.0f * (k.k4 * gu_of(w00, w10, w01, w11) + k.k3 * su_of(w00, w10, w01, w11));
      }
    } else {
      const float o00 = uo(i, j - 1), o10 = uo(i + 1, j - 1), o01 = uo(i, j), o11 = uo(i + 1, j);
      const float c = lv.predictor ? 0.0f : 1.0f;
      const float e00 = o00 + c * 2.0f * (u(i, j - 1) - o00), e10 = o10 + c * 2.0f * (u(i + 1, j - 1) - o10);
      const float e01 = o01 + c * 2.0f * (u(i, j) - o01), e11 = o11 + c * 2.0f * (u(i + 1, j) - o11);
      b += ko.k4 * gu_of(o00, o10, o01, o11) + ko.k3 * su_of(o00, o10, o01, o11) -
           (k.k4 * gu_of(e00, e10, e01, e11) + k.k3 * su_of(e00, e10, e01, e11));
    }

    const PorousFace pf = porous_face(m, m.porosity(i, j - 1), m.porosity(i, j));

    const float deta = eta(i, j) - eta(i, j - 1);
    b -= grad * (pf.porous ? pf.nf * deta / pf.ca : deta);

    const float ubar = 0.25f * (u(i, j - 1) + u(i, j) + u(i + 1, j - 1) + u(i + 1, j));
    const bool up_ok = i < nx && m.depth(i + 1, j - 1) + eta(i + 1, j - 1) > 0.0f &&
                       m.depth(i + 1, j) + eta(i + 1, j) > 0.0f;
    const bool dn_ok = i > 1 && m.depth(i - 1, j - 1) + eta(i - 1, j - 1) > 0.0f &&
                       m.depth(i - 1, j) + eta(i - 1, j) > 0.0f;
    const float up = up_ok ? v(i + 1, j) - v(i, j) : 0.0f;
    const float dn = dn_ok ? v(i, j) - v(i - 1, j) : 0.0f;
    float adv;
    if (strong && breaking_face(m, m.break_prev(i, j - 1), m.break_prev(i, j))) {
      const float vv = v(i, j);
      adv = vv * (vv > 0.0f ? vv - v(i, j - 1) : v(i, j + 1) - vv) / m.dy + ubar * (up + dn) * g.inv_2dx;
    } else if (!strong || !(dl > 0.0f && dr > 0.0f)) {
      adv = v(i, j) * (v(i, j + 1) - v(i, j - 1)) * g.inv_2dy + ubar * (up + dn) * g.inv_2dx;
    } else {
      adv = (m.kinetic_cell(i, j) - m.kinetic_cell(i, j - 1)) / m.dy;
    }
    if (m.current_on) {
      const float vc = m.current_y(i, j);
      const float uc = 0.25f * (m.current_x(i, j - 1) + m.current_x(i, j) + m.current_x(i + 1, j - 1) +
                                m.current_x(i + 1, j));
      const float cup = up_ok ? m.current_y(i + 1, j) - vc : 0.0f;
      const float cdn = dn_ok ? vc - m.current_y(i - 1, j) : 0.0f;
      adv += vc * (v(i, j + 1) - v(i, j - 1)) * g.inv_2dy + uc * (up + dn) * g.inv_2dx +
             v(i, j) * (m.current_y(i, j + 1) - m.current_y(i, j - 1)) * g.inv_2dy +
             ubar * (cup + cdn) * g.inv_2dx;
    }
    b -= tdt * (pf.porous ? adv / pf.nf : adv);

    if (m.breaking_on == 1) {
      b += eddy_row_term(tdt, m.dy, d_f, dl, m.eddy_visc(i, j - 1), m.divergence(i, j - 1),
                         (u(i + 1, j - 1) - u(i, j - 1)) / m.dx, dr, m.eddy_visc(i, j), m.divergence(i, j),
                         (u(i + 1, j) - u(i, j)) / m.dx, sub(i, j), dia(i, j), sup(i, j));
    }

    const float vb = m.v_bed(i, j), ub = m.u_bed(i, j);
    float sink = 0.5f * (m.damping(i, j - 1) + m.damping(i, j)) * v(i, j) +
                 (m.friction_factor(i, j) / d_f) * std::sqrt(vb * vb + ub * ub) * vb;
    if (m.y_velocity_sink) sink += 0.5f * (m.velocity_damping(i, j - 1) + m.velocity_damping(i, j)) * v(i, j);
    if (pf.porous) sink += pf.nf * (pf.al + pf.bt * std::sqrt(v(i, j) * v(i, j) + ubar * ubar)) * v(i, j);
    b -= tdt * sink;
    rhs(i, j) = b;
   }
  }
  solve_tridiagonal_columns(r, nx, ny + 1);
  for (int j = 2; j <= ny; ++j) {
    const float* x = r.x.col(j);
    float* vt = lv.v_t.col(j);
    for (int i = 0; i < nx; ++i) vt[i] = x[i];
  }
}

// Moving shoreline: fluxes next to dry cells, before the level update of the pass.
//  1. A dry cell (total depth <= 0 at the evaluated level) floods only when the water it
//     would take in this pass lifts it above min_flood_depth; otherwise its faces carry no
//     flow in this pass (the water stays where it is instead of vanishing in the drying rule).
//  2. No cell gives away more water than it holds: where the outflow of a cell over the pass
//     exceeds its start-of-step water plus its inflow, its outgoing face fluxes are scaled
//     down to match (instead of the level going below the bed and being clipped, which would
//     create water).  Each face has one donor cell, so the scaling keeps the volume.
void limit_shoreline_fluxes(Model& m, const Field& eta, float tdx, float tdy) {
  const float mfd = m.min_flood_depth;
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      if (m.depth(i, j) + eta(i, j) > 0.0f) continue;
      const float gain = -((m.flux_x(i + 1, j) - m.flux_x(i, j)) * tdx + (m.flux_y(i, j + 1) - m.flux_y(i, j)) * tdy);
      if (gain == 0.0f) continue;
      const float d_old = std::max(m.depth(i, j) + m.eta_old(i, j), 0.0f);
      if (d_old + gain <= mfd) {
        m.flux_x(i, j) = 0.0f;
        m.flux_x(i + 1, j) = 0.0f;
        m.flux_y(i, j) = 0.0f;
        m.flux_y(i, j + 1) = 0.0f;
      }
    }
  }
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const float fw = m.flux_x(i, j) * tdx, fe = m.flux_x(i + 1, j) * tdx;
      const float fs = m.flux_y(i, j) * tdy, fn = m.flux_y(i, j + 1) * tdy;
      const float out = std::max(fe, 0.0f) + std::max(-fw, 0.0f) + std::max(fn, 0.0f) + std::max(-fs, 0.0f);
      const float in = std::max(fw, 0.0f) + std::max(-fe, 0.0f) + std::max(fs, 0.0f) + std::max(-fn, 0.0f);
      const float avail = std::max(m.depth(i, j) + m.eta_old(i, j), 0.0f) + in;
      m.outflow_scale(i, j) = out > avail ? avail / out : 1.0f;
    }
  }
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx + 1; ++i) {
      float& f = m.flux_x(i, j);
      const int donor = f > 0.0f ? i - 1 : i;
      if (f != 0.0f && donor >= 1 && donor <= m.nx) f *= m.outflow_scale(donor, j);
    }
  }
  for (int j = 1; j <= m.ny + 1; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      float& f = m.flux_y(i, j);
      const int donor = f > 0.0f ? j - 1 : j;
      if (f != 0.0f && donor >= 1 && donor <= m.ny) f *= m.outflow_scale(i, donor);
    }
  }
}

// Water level of the pass (step F).
void update_level(Model& m, const PassLevels& lv) {
  const float theta = lv.predictor ? 0.5f : 1.0f;
  const float tdt = theta * m.dt;
  const float tdx = lv.predictor ? m.gc.dt_2dx : 2.0f * m.gc.dt_2dx;
  const float tdy = lv.predictor ? m.gc.dt_2dy : 2.0f * m.gc.dt_2dy;
  const bool runup = m.calc_wave_runup == 1;
  const Field& eta = lv.eta_e;
  const float mfd = m.min_flood_depth;
  if (runup) limit_shoreline_fluxes(m, eta, tdx, tdy);
  if (!runup && m.breaking_on != 1) {
    // Without the shoreline and the eddy terms: the same arithmetic, branch-free.
    for (int j = 1; j <= m.ny; ++j) {
      const float* dep = m.depth.col(j) - 1;
      const float* et = eta.col(j) - 1;
      const float* eo = m.eta_old.col(j) - 1;
      const float* damp = m.damping.col(j) - 1;
      const float* por = m.porosity.col(j) - 1;
      const float* fx = m.flux_x.col(j) - 1;
      const float* fyl = m.flux_y.col(j) - 1;
      const float* fyr = m.flux_y.col(j + 1) - 1;
      float* __restrict out = lv.eta_t.col(j) - 1;
      const bool por_on = m.porosity_on;
      for (int i = 1; i <= m.nx; ++i) {
        const float d = dep[i] + et[i];
        const float div = (fx[i + 1] - fx[i]) * tdx + (fyr[i] - fyl[i]) * tdy;
        const float n = select(por_on, por[i], 1.0f);
        const float e = eo[i] - tdt * damp[i] * et[i] - div / n;
        out[i] = select(d > 0.0f, e, 0.0f);
      }
    }
    inner_wavemaker_sources(m, lv.eta_t, lv.eta_e, lv.predictor);
    return;
  }
  for (int j = 1; j <= m.ny; ++j) {
    for (int i = 1; i <= m.nx; ++i) {
      const float d = m.depth(i, j) + eta(i, j);
      const float fxl = m.flux_x(i, j), fxr = m.flux_x(i + 1, j);
      const float fyl = m.flux_y(i, j), fyr = m.flux_y(i, j + 1);
      // A dry cell takes water only through an active face beside a wet cell (runup).
      const bool flooding = runup && d <= 0.0f && (fxl != 0.0f || fxr != 0.0f || fyl != 0.0f || fyr != 0.0f);
      if (d > 0.0f || flooding) {
        const float div = (fxr - fxl) * tdx + (fyr - fyl) * tdy;
        const float n = m.porosity_on ? m.porosity(i, j) : 1.0f;
        float e = m.eta_old(i, j) - tdt * m.damping(i, j) * eta(i, j) - div / n;
        if (m.breaking_on == 1 && m.smag_visc(i, j) > 0.0f) {
          float dxx = 0.0f, dyy = 0.0f;
          if (i > 1 && i < m.nx) {
            const float dp = m.depth(i + 1, j) + eta(i + 1, j) > mfd ? eta(i + 1, j) - eta(i, j) : 0.0f;
            const float dm = m.depth(i - 1, j) + eta(i - 1, j) > mfd ? eta(i, j) - eta(i - 1, j) : 0.0f;
            dxx = (dp - dm) * m.gc.inv_dx2;
          }
          if (j > 1 && j < m.ny) {
            const float dp = m.depth(i, j + 1) + eta(i, j + 1) > mfd ? eta(i, j + 1) - eta(i, j) : 0.0f;
            const float dm = m.depth(i, j - 1) + eta(i, j - 1) > mfd ? eta(i, j) - eta(i, j - 1) : 0.0f;
            dyy = (dp - dm) * m.gc.inv_dy2;
          }
          e += tdt * m.smag_visc(i, j) * (dxx + dyy);
        }
        lv.eta_t(i, j) = e;
      } else {
        lv.eta_t(i, j) = runup ? -m.depth(i, j) : 0.0f;
      }
    }
  }
  inner_wavemaker_sources(m, lv.eta_t, lv.eta_e, lv.predictor);
  if (runup) {
    for (int j = 1; j <= m.ny; ++j) {
      for (int i = 1; i <= m.nx; ++i) {
        if (m.depth(i, j) + lv.eta_t(i, j) <= mfd) lv.eta_t(i, j) = -m.depth(i, j);
      }
    }
    remove_isolated_wet_cells(lv.eta_t, m.depth, mfd, m.nx, m.ny);
  }
}

// Plain weak configuration (no "strong" faces, current or inner wavemaker lines): the u-faces
// 2..nx of row j in the arithmetic of face_velocities_x, without branches.
void face_velocities_x_plain(const Model& m, const Field& uf, const Field& vf, const Field& eta, int j,
                             float* __restrict usurf, float* __restrict ubed, float* __restrict flux) {
  const GridConstants g = m.gc;
  const float* dep = m.depth.col(j) - 1;
  const float* et = eta.col(j) - 1;
  const float* u = uf.col(j) - 1;
  const float* v = vf.col(j) - 1;
  const float* vp = vf.col(j + 1) - 1;
  const float* hx = m.depth_dx.col(j) - 1;
  const float* hy = m.depth_dy.col(j) - 1;
  const float* hyp = m.depth_dy.col(j + 1) - 1;
  const std::uint8_t* act = m.active_u.col(j) - 1;
  for (int i = 2; i <= m.nx; ++i) {
    const float dl = dep[i - 1] + et[i - 1];
    const float dr = dep[i] + et[i];
    const float d_f = 0.5f * (dl + dr);
    const float h_f = 0.5f * (dep[i - 1] + dep[i]);
    const bool dry = h_f <= 0.0f;  // depth_coefs: all coefficients 0
    const float zv = kRefLevelCoef * h_f;
    const float z = select(dry, 0.0f, zv);
    const float k1 = select(dry, 0.0f, zv * zv / 2.0f - h_f * h_f / 6.0f);
    const float k2 = select(dry, 0.0f, h_f * (kRefLevelCoef - 0.5f));
    const float k3 = select(dry, 0.0f, (zv * zv - h_f * h_f) / 2.0f);
    const float k4 = select(dry, 0.0f, zv - h_f);
    const float k5 = select(dry, 0.0f, zv * zv / 2.0f);
    const float s = (u[i + 1] - 2.0f * u[i] + u[i - 1]) * g.inv_dx2 + (vp[i] - vp[i - 1] - v[i] + v[i - 1]) * g.inv_dxdy;
    const float du = u[i + 1] - u[i - 1];
    const float hy4 = 0.25f * (hy[i - 1] + hy[i] + hyp[i] + hyp[i - 1]);
    const float gg = (hx[i + 1] * u[i + 1] - hx[i - 1] * u[i - 1] + hx[i] * du + hy4 * (v[i] + vp[i] - v[i - 1] - vp[i - 1])) *
                         g.inv_2dx +
                     hx[i] * (vp[i] - v[i] - v[i - 1] + vp[i - 1]) * g.inv_2dy;
    const bool on = act[i] != 0;
    usurf[i] = select(on, u[i] + k4 * gg + k3 * s, 0.0f);
    ubed[i] = select(on, u[i] + z * gg + k5 * s, 0.0f);
    flux[i] = select(on, d_f * u[i] + h_f * (k2 * gg + k1 * s), 0.0f);
  }
}

// The v-faces 1..nx of row j (between rows j-1 and j), as face_velocities_x_plain.
void face_velocities_y_plain(const Model& m, const Field& uf, const Field& vf, const Field& eta, int j,
                             float* __restrict vsurf, float* __restrict vbed, float* __restrict flux) {
  const GridConstants g = m.gc;
  const float* depm = m.depth.col(j - 1) - 1;
  const float* dep = m.depth.col(j) - 1;
  const float* etm = eta.col(j - 1) - 1;
  const float* et = eta.col(j) - 1;
  const float* um = uf.col(j - 1) - 1;
  const float* u = uf.col(j) - 1;
  const float* vm = vf.col(j - 1) - 1;
  const float* v = vf.col(j) - 1;
  const float* vp = vf.col(j + 1) - 1;
  const float* hxm = m.depth_dx.col(j - 1) - 1;
  const float* hx = m.depth_dx.col(j) - 1;
  const float* hym = m.depth_dy.col(j - 1) - 1;
  const float* hy = m.depth_dy.col(j) - 1;
  const float* hyp = m.depth_dy.col(j + 1) - 1;
  const std::uint8_t* act = m.active_v.col(j) - 1;
  for (int i = 1; i <= m.nx; ++i) {
    const float dl = depm[i] + etm[i];
    const float dr = dep[i] + et[i];
    const float d_f = 0.5f * (dl + dr);
    const float h_f = 0.5f * (depm[i] + dep[i]);
    const bool dry = h_f <= 0.0f;
    const float zv = kRefLevelCoef * h_f;
    const float z = select(dry, 0.0f, zv);
    const float k1 = select(dry, 0.0f, zv * zv / 2.0f - h_f * h_f / 6.0f);
    const float k2 = select(dry, 0.0f, h_f * (kRefLevelCoef - 0.5f));
    const float k3 = select(dry, 0.0f, (zv * zv - h_f * h_f) / 2.0f);
    const float k4 = select(dry, 0.0f, zv - h_f);
    const float k5 = select(dry, 0.0f, zv * zv / 2.0f);
    const float s = (vp[i] - 2.0f * v[i] + vm[i]) * g.inv_dy2 + (u[i + 1] - um[i + 1] - u[i] + um[i]) * g.inv_dxdy;
    const float dv = vp[i] - vm[i];
    const float hx4 = 0.25f * (hxm[i] + hx[i] + hx[i + 1] + hxm[i + 1]);
    const float gg = (hyp[i] * vp[i] - hym[i] * vm[i] + hy[i] * dv + hx4 * (u[i] + u[i + 1] - um[i] - um[i + 1])) *
                         g.inv_2dy +
                     hy[i] * (u[i + 1] - u[i] - um[i] + um[i + 1]) * g.inv_2dx;
    const bool on = act[i] != 0;
    vsurf[i] = select(on, v[i] + k4 * gg + k3 * s, 0.0f);
    vbed[i] = select(on, v[i] + z * gg + k5 * s, 0.0f);
    flux[i] = select(on, d_f * v[i] + h_f * (k2 * gg + k1 * s), 0.0f);
  }
}

}  // namespace

void face_velocities_x(Model& m, const Field& u, const Field& v, const Field& eta) {
  const GridConstants& g = m.gc;
  const bool side6 = has_side(m, 6);
  const bool plain = m.nonlinear_option != 2 && !m.current_on && !side6;
  for (int j = 1; j <= m.ny; ++j) {
    if (plain) {
      face_velocities_x_plain(m, u, v, eta, j, m.u_surf.col(j) - 1, m.u_bed.col(j) - 1, m.flux_x.col(j) - 1);
      continue;
    }
    for (int i = 2; i <= m.nx; ++i) {
      if (m.active_u(i, j) == 0) {
        m.u_surf(i, j) = 0.0f;
        m.u_bed(i, j) = 0.0f;
        m.flux_x(i, j) = 0.0f;
        continue;
      }
      const float dl = m.depth(i - 1, j) + eta(i - 1, j);
      const float dr = m.depth(i, j) + eta(i, j);
      const float d_f = 0.5f * (dl + dr);
      const float h_f = 0.5f * (m.depth(i - 1, j) + m.depth(i, j));
      const bool strong = strong_face(m, m.wavemaker_mark(i - 1, j) + m.wavemaker_mark(i, j));
      const DepthCoefs k = depth_coefs(strong ? d_f : h_f, strong);
      const float s = (u(i + 1, j) - 2.0f * u(i, j) + u(i - 1, j)) * g.inv_dx2 +
                      (v(i, j + 1) - v(i - 1, j + 1) - v(i, j) + v(i - 1, j)) * g.inv_dxdy;
      float du = u(i + 1, j) - u(i - 1, j);
      if (side6) {
        if (marked_by(m, i, j, 6)) du = 2.0f * (u(i, j) - u(i - 1, j));
        if (marked_by(m, i - 1, j, 6)) du = 2.0f * (u(i + 1, j) - u(i, j));
      }
      const float hy4 = 0.25f * (m.depth_dy(i - 1, j) + m.depth_dy(i, j) + m.depth_dy(i, j + 1) +
                                 m.depth_dy(i - 1, j + 1));
      const float gg = (m.depth_dx(i + 1, j) * u(i + 1, j) - m.depth_dx(i - 1, j) * u(i - 1, j) +
                        m.depth_dx(i, j) * du + hy4 * (v(i, j) + v(i, j + 1) - v(i - 1, j) - v(i - 1, j + 1))) *
                           g.inv_2dx +
                       m.depth_dx(i, j) * (v(i, j + 1) - v(i, j) - v(i - 1, j) + v(i - 1, j + 1)) * g.inv_2dy;
      m.u_surf(i, j) = u(i, j) + k.k4 * gg + k.k3 * s;
      m.u_bed(i, j) = u(i, j) + k.z * gg + k.k5 * s;
      float f = strong ? d_f * (u(i, j) + k.k2 * gg + k.k1 * s) : d_f * u(i, j) + h_f * (k.k2 * gg + k.k1 * s);
      if (m.current_on) f += d_f * m.current_x(i, j);
      m.flux_x(i, j) = f;
    }
  }
}

void face_velocities_y(Model& m, const Field& u, const Field& v, const Field& eta) {
  const GridConstants& g = m.gc;
  const bool side5 = has_side(m, 5);
  const bool plain = m.nonlinear_option != 2 && !m.current_on && !side5;
  for (int j = 2; j <= m.ny; ++j) {
    if (plain) {
      face_velocities_y_plain(m, u, v, eta, j, m.v_surf.col(j) - 1, m.v_bed.col(j) - 1, m.flux_y.col(j) - 1);
      continue;
    }
    for (int i = 1; i <= m.nx; ++i) {
      if (m.active_v(i, j) == 0) {
        m.v_surf(i, j) = 0.0f;
        m.v_bed(i, j) = 0.0f;
        m.flux_y(i, j) = 0.0f;
        continue;
      }
      const float dl = m.depth(i, j - 1) + eta(i, j - 1);
      const float dr = m.depth(i, j) + eta(i, j);
      const float d_f = 0.5f * (dl + dr);
      const float h_f = 0.5f * (m.depth(i, j - 1) + m.depth(i, j));
      const bool strong = strong_face(m, m.wavemaker_mark(i, j - 1) + m.wavemaker_mark(i, j));
      const DepthCoefs k = depth_coefs(strong ? d_f : h_f, strong);
      const float s = (v(i, j + 1) - 2.0f * v(i, j) + v(i, j - 1)) * g.inv_dy2 +
                      (u(i + 1, j) - u(i + 1, j - 1) - u(i, j) + u(i, j - 1)) * g.inv_dxdy;
      float dv = v(i, j + 1) - v(i, j - 1);
      if (side5) {
        if (marked_by(m, i, j, 5)) dv = 2.0f * (v(i, j) - v(i, j - 1));
        if (marked_by(m, i, j - 1, 5)) dv = 2.0f * (v(i, j + 1) - v(i, j));
      }
      const float hx4 = 0.25f * (m.depth_dx(i, j - 1) + m.depth_dx(i, j) + m.depth_dx(i + 1, j) +
                                 m.depth_dx(i + 1, j - 1));
      const float gg = (m.depth_dy(i, j + 1) * v(i, j + 1) - m.depth_dy(i, j - 1) * v(i, j - 1) +
                        m.depth_dy(i, j) * dv + hx4 * (u(i, j) + u(i + 1, j) - u(i, j - 1) - u(i + 1, j - 1))) *
                           g.inv_2dy +
                       m.depth_dy(i, j) * (u(i + 1, j) - u(i, j) - u(i, j - 1) + u(i + 1, j - 1)) * g.inv_2dx;
      m.v_surf(i, j) = v(i, j) + k.k4 * gg + k.k3 * s;
      m.v_bed(i, j) = v(i, j) + k.z * gg + k.k5 * s;
      float f = strong ? d_f * (v(i, j) + k.k2 * gg + k.k1 * s) : d_f * v(i, j) + h_f * (k.k2 * gg + k.k1 * s);
      if (m.current_on) f += d_f * m.current_y(i, j);
      m.flux_y(i, j) = f;
    }
  }
}

void run_pass(Model& m, const PassLevels& lv) {
  // A. Continuity rate of the evaluated level.  Only the outputs read it, after the step, so it
  // is formed in the last pass alone (the value they see is the same).
  if (lv.last) {
    continuity_rate(lv.u_e, lv.v_e, lv.eta_e, m.eta_rate, m.depth, m.depth_dx, m.depth_dy, m.nx, m.ny,
                    m.dx, m.dy);
  }
  // B. Face activity, surface and bed velocities, fluxes.
  face_activity(m, lv.eta_e);
  face_velocities_x(m, lv.u_e, lv.v_e, lv.eta_e);
  face_velocities_y(m, lv.u_e, lv.v_e, lv.eta_e);
  // G. Boundary wavemakers: the flux (and surface velocity) of their faces.
  boundary_wavemaker_fluxes(m, lv.predictor);
  if (m.breaking_on == 1) cell_divergence(m, lv.u_e, lv.v_e);
  if (m.nonlinear_option == 2) strong_cell_terms(m, lv.eta_e);
  // C, D. x-lines.
  solve_x_lines(m, lv);
  // E. y-lines.
  if (m.ny > 1) solve_y_lines(m, lv);
  // F. Water level, inner wavemakers and the shoreline.
  update_level(m, lv);
}

}  // namespace swx
