// The momentum rows of every x-line (u-faces) and y-line (v-faces) and
// their tridiagonal solves.  The rows are stepped in the still-water-level velocity
// U0 = u + K4 G + K3 S: the along-line part of U0 is a tridiagonal operator on the unknown
// velocities (row_operator, along_part), the across part is moved to the right-hand side
// (across_part); the other terms of the row are the functions of solver/kernels.hpp.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "solver/pass_parts.hpp"
#include "solver/ranks.hpp"
#include "solver/time_step.hpp"

namespace swx {

namespace {

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
inline float eddy_row_term(float tdt, float h, float d_f, float dl, float nu_l, float div_l, float cross_l, float dr,
                           float nu_r, float div_r, float cross_r, float& sub, float& dia, float& sup) {
  const float ar = tdt * dr * nu_r / (h * h * d_f);
  const float al = tdt * dl * nu_l / (h * h * d_f);
  if (ar + al <= kExplicitEddyLimit) return tdt * (dr * nu_r * div_r - dl * nu_l * div_l) / (h * d_f);
  sub -= al;
  dia += ar + al;
  sup -= ar;
  return tdt * (dr * nu_r * cross_r - dl * nu_l * cross_l) / (h * d_f);
}

// Plain weak configuration (no "strong" faces, current or breaking; porosity optional): the rows
// of x-line j in the arithmetic of general_row, written without branches so that the loop
// vectorises.
template <bool kPredictor, bool kSink, bool kPorous>
void assemble_x_line_plain(const Model& m, const PassLevels& lv, int j, float* __restrict sub, float* __restrict dia,
                           float* __restrict sup, float* __restrict rhs) {
  const GridConstants g = m.config.gc;  // a local copy: no store of the loop can alias it
  const InverseSteps st = x_line_steps(g);
  const PorosityConstants pc = porosity_constants(m);
  const float tdt = (kPredictor ? 0.5f : 1.0f) * m.config.dt;
  const float grad = (kPredictor ? kGravity : kTwoGravity) * g.dt_2dx;
  const int nx = m.config.nx, ny = m.config.ny;
  const bool up_line = j<ny, dn_line = j> 1;
  const int ju = j + 1, jd = dn_line ? j - 1 : j;  // column j + 1 always exists (ny + 1 columns)
  // 1-based pointers: p[i] is element (i, column).
  const float* dep = m.bed.depth.col(j) - 1;
  const float* depu = m.bed.depth.col(ju) - 1;
  const float* depd = m.bed.depth.col(jd) - 1;
  const float* et = lv.eta_e.col(j) - 1;
  const float* etu = lv.eta_e.col(ju) - 1;
  const float* etd = lv.eta_e.col(jd) - 1;
  const float* u = lv.u_e.col(j) - 1;
  const float* uu = lv.u_e.col(ju) - 1;
  const float* ud = lv.u_e.col(jd) - 1;
  const float* v = lv.v_e.col(j) - 1;
  const float* vu = lv.v_e.col(ju) - 1;
  const float* uo = m.flow.u_old.col(j) - 1;
  const float* vo = m.flow.v_old.col(j) - 1;
  const float* vou = m.flow.v_old.col(ju) - 1;
  const float* hx = m.bed.depth_dx.col(j) - 1;
  const float* hy = m.bed.depth_dy.col(j) - 1;
  const float* hyu = m.bed.depth_dy.col(ju) - 1;
  const float* damp = m.bed.damping.col(j) - 1;
  const float* vdamp = m.bed.velocity_damping.col(j) - 1;
  const float* fric = m.bed.friction_factor.col(j) - 1;
  const float* ubed = m.flow.u_bed.col(j) - 1;
  const float* vbed = m.flow.v_bed.col(j) - 1;
  const std::uint8_t* act = m.work.active_u.col(j) - 1;
  const float* por = m.bed.porosity.col(j) - 1;
  for (int i = 2; i <= nx; ++i) {
    // Every value is computed unconditionally and then selected, so that the loop has no branch.
    const float d_f = 0.5f * ((dep[i - 1] + et[i - 1]) + (dep[i] + et[i]));
    const DepthCoefs k = still_depth_coefs(0.5f * (dep[i - 1] + dep[i]));
    const float hxm = hx[i - 1], hx0 = hx[i], hxp = hx[i + 1];
    const RowCoefs r = row_operator(k, hxm, hx0, hxp, st);
    float b = along_part(k, hxm, hx0, hxp, uo[i - 1], uo[i], uo[i + 1], st);
    if (!kPredictor) {
      const float hy4 = corner_slope_mean({hy[i - 1], hy[i], hyu[i - 1], hyu[i]});
      const Corners w{vo[i - 1] - v[i - 1], vo[i] - v[i], vou[i - 1] - vu[i - 1], vou[i] - vu[i]};
      b += 2.0f * across_part(k, hy4, hx0, w, st);
    }
    PorousFace pf;
    if (kPorous) pf = porous_coefs(por[i - 1], por[i], pc);
    const float deta = et[i] - et[i - 1];
    b -= grad * (kPorous ? select(pf.porous, porous_gradient(pf, deta), deta) : deta);
    const float vbar = corner_velocity_mean({v[i - 1], v[i], vu[i - 1], vu[i]});
    const bool up_ok = up_line & (depu[i - 1] + etu[i - 1] > 0.0f) & (depu[i] + etu[i] > 0.0f);
    const bool dn_ok = dn_line & (depd[i - 1] + etd[i - 1] > 0.0f) & (depd[i] + etd[i] > 0.0f);
    const float up = select(up_ok, uu[i] - u[i], 0.0f);
    const float dn = select(dn_ok, u[i] - ud[i], 0.0f);
    const float adv = centred_advection(u[i - 1], u[i], u[i + 1], vbar, up, dn, st);
    b -= tdt * (kPorous ? select(pf.porous, porous_advection(pf, adv), adv) : adv);
    float sink = friction_damping(damp[i - 1], damp[i], u[i], fric[i], d_f, ubed[i], vbed[i]);
    if (kSink) sink += face_damping(vdamp[i - 1], vdamp[i], u[i]);
    if (kPorous) sink = select(pf.porous, sink + porous_resistance(pf, u[i], vbar), sink);
    b -= tdt * sink;
    const bool on = act[i] != 0;
    sub[i] = select(on, r.sub, 0.0f);
    dia[i] = select(on, r.dia, 1.0f);
    sup[i] = select(on, r.sup, 0.0f);
    rhs[i] = select(on, b, 0.0f);
  }
}

// Plain weak configuration: the rows of the v-faces 2..nx of row j (between rows j-1 and j), in
// the arithmetic of general_row, without branches.
template <bool kPredictor, bool kSink, bool kPorous>
void assemble_y_row_plain(const Model& m, const PassLevels& lv, int j, int i_first, int i_last, float* __restrict sub,
                          float* __restrict dia, float* __restrict sup, float* __restrict rhs) {
  const GridConstants g = m.config.gc;  // a local copy: no store of the loop can alias it
  const InverseSteps st = y_line_steps(g);
  const PorosityConstants pc = porosity_constants(m);
  const float tdt = (kPredictor ? 0.5f : 1.0f) * m.config.dt;
  const float grad = (kPredictor ? kGravity : kTwoGravity) * g.dt_2dy;
  const int nx = m.config.nx;
  // 1-based pointers: p[i] is element (i, column); suffix m for column j - 1, p for j + 1.
  const float* depm = m.bed.depth.col(j - 1) - 1;
  const float* dep = m.bed.depth.col(j) - 1;
  const float* etm = lv.eta_e.col(j - 1) - 1;
  const float* et = lv.eta_e.col(j) - 1;
  const float* um = lv.u_e.col(j - 1) - 1;
  const float* u = lv.u_e.col(j) - 1;
  const float* vm = lv.v_e.col(j - 1) - 1;
  const float* v = lv.v_e.col(j) - 1;
  const float* vp = lv.v_e.col(j + 1) - 1;
  const float* uom = m.flow.u_old.col(j - 1) - 1;
  const float* uo = m.flow.u_old.col(j) - 1;
  const float* vom = m.flow.v_old.col(j - 1) - 1;
  const float* vo = m.flow.v_old.col(j) - 1;
  const float* vop = m.flow.v_old.col(j + 1) - 1;
  const float* hxm = m.bed.depth_dx.col(j - 1) - 1;
  const float* hx = m.bed.depth_dx.col(j) - 1;
  const float* hym = m.bed.depth_dy.col(j - 1) - 1;
  const float* hy = m.bed.depth_dy.col(j) - 1;
  const float* hyp = m.bed.depth_dy.col(j + 1) - 1;
  const float* dampm = m.bed.damping.col(j - 1) - 1;
  const float* damp = m.bed.damping.col(j) - 1;
  const float* vdampm = m.bed.velocity_damping.col(j - 1) - 1;
  const float* vdamp = m.bed.velocity_damping.col(j) - 1;
  const float* fric = m.bed.friction_factor.col(j) - 1;
  const float* ubed = m.flow.u_bed.col(j) - 1;
  const float* vbed = m.flow.v_bed.col(j) - 1;
  const std::uint8_t* act = m.work.active_v.col(j) - 1;
  const float* porm = m.bed.porosity.col(j - 1) - 1;
  const float* por = m.bed.porosity.col(j) - 1;
  // Faces i_first..i_last of 2..nx; face 1 (no left neighbour) takes the general loop.
  for (int i = std::max(i_first, 2); i <= i_last; ++i) {
    const int il = i - 1;
    const float d_f = 0.5f * ((depm[i] + etm[i]) + (dep[i] + et[i]));
    const DepthCoefs k = still_depth_coefs(0.5f * (depm[i] + dep[i]));
    const RowCoefs r = row_operator(k, hym[i], hy[i], hyp[i], st);
    float b = along_part(k, hym[i], hy[i], hyp[i], vom[i], vo[i], vop[i], st);
    if (!kPredictor) {
      const float hx4 = corner_slope_mean({hxm[i], hx[i], hxm[i + 1], hx[i + 1]});
      const Corners w{uom[i] - um[i], uo[i] - u[i], uom[i + 1] - um[i + 1], uo[i + 1] - u[i + 1]};
      b += 2.0f * across_part(k, hx4, hy[i], w, st);
    }
    PorousFace pf;
    if (kPorous) pf = porous_coefs(porm[i], por[i], pc);
    const float deta = et[i] - etm[i];
    b -= grad * (kPorous ? select(pf.porous, porous_gradient(pf, deta), deta) : deta);
    const float ubar = corner_velocity_mean({um[i], u[i], um[i + 1], u[i + 1]});
    const bool up_ok = (i < nx) & (depm[i + 1] + etm[i + 1] > 0.0f) & (dep[i + 1] + et[i + 1] > 0.0f);
    const bool dn_ok = (depm[il] + etm[il] > 0.0f) & (dep[il] + et[il] > 0.0f);
    const float up = select(up_ok, v[i + 1] - v[i], 0.0f);
    const float dn = select(dn_ok, v[i] - v[il], 0.0f);
    const float adv = centred_advection(vm[i], v[i], vp[i], ubar, up, dn, st);
    b -= tdt * (kPorous ? select(pf.porous, porous_advection(pf, adv), adv) : adv);
    float sink = friction_damping(dampm[i], damp[i], v[i], fric[i], d_f, vbed[i], ubed[i]);
    if (kSink) sink += face_damping(vdampm[i], vdamp[i], v[i]);
    if (kPorous) sink = select(pf.porous, sink + porous_resistance(pf, v[i], ubar), sink);
    b -= tdt * sink;
    const bool on = act[i] != 0;
    sub[i] = select(on, r.sub, 0.0f);
    dia[i] = select(on, r.dia, 1.0f);
    sup[i] = select(on, r.sup, 0.0f);
    rhs[i] = select(on, b, 0.0f);
  }
}

// Advection term of a row under the "strong" option, between wet cells: the gradient of the
// kinetic energy of the still-water-level velocities, or the upwind form beside breaking cells
// (breaking_face); a face spilling onto dry land keeps the weak advection.
template <bool kAlongX>
float strong_advection(const Model& m, int a, int c, float am, float a0, float ap, float cbar, float up, float dn,
                       bool wet_both, float h, const InverseSteps& st) {
  using View = LineView<kAlongX>;
  const View bp(m.flow.break_prev), ke(m.work.kinetic_cell);
  if (breaking_face(m, bp(a - 1, c), bp(a, c))) return upwind_advection(am, a0, ap, cbar, up, dn, h, st);
  if (!wet_both) return centred_advection(am, a0, ap, cbar, up, dn, st);
  return (ke(a, c) - ke(a - 1, c)) / h;
}

// The row of one face (a along the line, c across it) in the general loops, either direction:
// sets the row's coefficients and returns its right-hand side.
template <bool kAlongX>
float general_row(const Model& m, const PassLevels& lv, const InverseSteps& st, int a, int c, float& sub, float& dia,
                  float& sup) {
  using View = LineView<kAlongX>;
  const View dep(m.bed.depth), eta(lv.eta_e), eo(m.flow.eta_old);
  const View A(kAlongX ? lv.u_e : lv.v_e), C(kAlongX ? lv.v_e : lv.u_e);
  const View ao(kAlongX ? m.flow.u_old : m.flow.v_old), co(kAlongX ? m.flow.v_old : m.flow.u_old);
  const View hs(kAlongX ? m.bed.depth_dx : m.bed.depth_dy), hc(kAlongX ? m.bed.depth_dy : m.bed.depth_dx);
  const float h = kAlongX ? m.config.dx : m.config.dy;    // step along the line
  const float h_c = kAlongX ? m.config.dy : m.config.dx;  // step across it
  const int n_c = kAlongX ? m.config.ny : m.config.nx;    // lines across
  const bool predictor = lv.predictor;
  const float tdt = (predictor ? 0.5f : 1.0f) * m.config.dt;
  const float grad = (predictor ? kGravity : kTwoGravity) * (kAlongX ? m.config.gc.dt_2dx : m.config.gc.dt_2dy);

  if (LineView<kAlongX, std::uint8_t>(kAlongX ? m.work.active_u : m.work.active_v)(a, c) == 0) {
    sub = 0.0f;
    dia = 1.0f;
    sup = 0.0f;
    return 0.0f;
  }
  const float dl = dep(a - 1, c) + eta(a - 1, c);
  const float dr = dep(a, c) + eta(a, c);
  const float d_f = 0.5f * (dl + dr);
  const LineView<kAlongX, std::int16_t> mark(m.bed.wavemaker_mark);
  const bool strong = strong_face(m, mark(a - 1, c) + mark(a, c));
  const float dloc = strong ? d_f : 0.5f * (dep(a - 1, c) + dep(a, c));
  const View sw(m.work.swash_weight);
  const float wf = std::min(sw(a - 1, c), sw(a, c));
  const DepthCoefs k = weighted_coefs(face_depth_coefs(dloc, strong), wf);
  const float hm = hs(a - 1, c), h0 = hs(a, c), hp = hs(a + 1, c);

  const RowCoefs r = row_operator(k, hm, h0, hp, st);
  sub = r.sub;
  dia = r.dia;
  sup = r.sup;

  // Along-line part of U0 at the start of the step, with the depth coefficients of that level
  // (they differ from those of the evaluated level only under the "strong" option).
  const DepthCoefs ko =
      strong ? weighted_coefs(face_depth_coefs(0.5f * (dep(a - 1, c) + eo(a - 1, c) + dep(a, c) + eo(a, c)), true), wf)
             : k;
  float b = along_part(ko, hm, h0, hp, ao(a - 1, c), ao(a, c), ao(a + 1, c), st);

  // Across part of U0: start-of-step value less the estimate at the target level, which in the
  // correctors is 2*v_mid - v_old; the predictor's estimate is v_old itself and the part cancels
  // (weak option).
  const float hc4 = corner_slope_mean({hc(a - 1, c), hc(a, c), hc(a - 1, c + 1), hc(a, c + 1)});
  const Corners o{co(a - 1, c), co(a, c), co(a - 1, c + 1), co(a, c + 1)};
  const Corners e{C(a - 1, c), C(a, c), C(a - 1, c + 1), C(a, c + 1)};
  if (!strong) {
    if (!predictor) b += 2.0f * across_part(k, hc4, h0, {o.bl - e.bl, o.al - e.al, o.bh - e.bh, o.ah - e.ah}, st);
  } else {
    const float q = predictor ? 0.0f : 1.0f;  // v_target = v_old + (v_E - v_old)/theta
    const Corners t{o.bl + q * 2.0f * (e.bl - o.bl), o.al + q * 2.0f * (e.al - o.al), o.bh + q * 2.0f * (e.bh - o.bh),
                    o.ah + q * 2.0f * (e.ah - o.ah)};
    b += across_part(ko, hc4, h0, o, st) - across_part(k, hc4, h0, t, st);
  }

  PorousFace pf;
  if (m.config.porosity_on) {
    const View por(m.bed.porosity);
    pf = porous_face(true, por(a - 1, c), por(a, c), porosity_constants(m));
  }

  // Surface gradient.
  const float deta = eta(a, c) - eta(a - 1, c);
  b -= grad * (pf.porous ? porous_gradient(pf, deta) : deta);

  // Advection (weak form, or the surface-velocity block of the "strong" option).
  const float am = A(a - 1, c), a0 = A(a, c), ap = A(a + 1, c);
  const float cbar = corner_velocity_mean(e);
  const bool up_ok = c < n_c && dep(a - 1, c + 1) + eta(a - 1, c + 1) > 0.0f && dep(a, c + 1) + eta(a, c + 1) > 0.0f;
  const bool dn_ok = c > 1 && dep(a - 1, c - 1) + eta(a - 1, c - 1) > 0.0f && dep(a, c - 1) + eta(a, c - 1) > 0.0f;
  const float up = up_ok ? A(a, c + 1) - a0 : 0.0f;
  const float dn = dn_ok ? a0 - A(a, c - 1) : 0.0f;
  // In the robust swash zone the advection goes over to the momentum-conserving upwind form by
  // the face's weight.
  float adv = 0.0f;
  if (wf > 0.0f) {
    adv = strong ? strong_advection<kAlongX>(m, a, c, am, a0, ap, cbar, up, dn, dl > 0.0f && dr > 0.0f, h, st)
                 : centred_advection(am, a0, ap, cbar, up, dn, st);
  }
  if (wf < 1.0f) {
    const View q(kAlongX ? m.work.flux_x : m.work.flux_y);
    const float shallow =
        conservative_advection(q(a - 1, c), q(a, c), q(a + 1, c), am, a0, ap, cbar, up, dn, d_f, h, st);
    adv = wf > 0.0f ? wf * adv + (1.0f - wf) * shallow : shallow;
  }
  if (m.config.current_on) {
    const View ca(kAlongX ? m.bed.current_x : m.bed.current_y), cc(kAlongX ? m.bed.current_y : m.bed.current_x);
    const float c0 = ca(a, c);
    const float cbar_c = corner_velocity_mean({cc(a - 1, c), cc(a, c), cc(a - 1, c + 1), cc(a, c + 1)});
    const float cup = up_ok ? ca(a, c + 1) - c0 : 0.0f;
    const float cdn = dn_ok ? c0 - ca(a, c - 1) : 0.0f;
    adv += current_advection(am, a0, ap, cbar, up, dn, ca(a - 1, c), c0, ca(a + 1, c), cbar_c, cup, cdn, st);
  }
  b -= tdt * (pf.porous ? porous_advection(pf, adv) : adv);

  // Eddy viscosity of breaking and sub-grid turbulence.
  if (m.config.breaking_on == 1) {
    const View nu(m.flow.eddy_visc), div(m.work.divergence);
    b += eddy_row_term(tdt, h, d_f, dl, nu(a - 1, c), div(a - 1, c), (C(a - 1, c + 1) - C(a - 1, c)) / h_c, dr,
                       nu(a, c), div(a, c), (C(a, c + 1) - C(a, c)) / h_c, sub, dia, sup);
  }

  // Bottom friction, damping, velocity damping behind wavemakers, porous resistance.
  const View damp(m.bed.damping), vdamp(m.bed.velocity_damping);
  float sink = friction_damping(damp(a - 1, c), damp(a, c), a0, View(m.bed.friction_factor)(a, c), d_f,
                                View(kAlongX ? m.flow.u_bed : m.flow.v_bed)(a, c),
                                View(kAlongX ? m.flow.v_bed : m.flow.u_bed)(a, c));
  if (kAlongX ? m.config.x_velocity_sink : m.config.y_velocity_sink)
    sink += face_damping(vdamp(a - 1, c), vdamp(a, c), a0);
  if (pf.porous) sink += porous_resistance(pf, a0, cbar);
  b -= tdt * sink;
  return b;
}

// Momentum rows along x-line j for the target u of the pass, into the given line arrays (rows 1..nx+1).
void assemble_x_line(const Model& m, const PassLevels& lv, int j, float* sub, float* dia, float* sup, float* rhs) {
  const int nx = m.config.nx;
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
    kVariants[4 * lv.predictor + 2 * m.config.x_velocity_sink + m.config.porosity_on](m, lv, j, sub, dia, sup, rhs);
    return;
  }
  const InverseSteps st = x_line_steps(m.config.gc);
  for (int i = 2; i <= nx; ++i) rhs[i] = general_row<true>(m, lv, st, i, j, sub[i], dia[i], sup[i]);
}

// x-lines first..last of the pass in blocks of LineBlock::kLanes lines, solved side by side in
// the given block (each lane has the arithmetic of one line alone, so the grouping of lines into
// blocks does not change a bit).
void solve_x_line_range(const Model& m, const PassLevels& lv, LineBlock& bl, LineRange lines) {
  constexpr int L = LineBlock::kLanes;
  for (int j0 = lines.first; j0 <= lines.last; j0 += L) {
    const int lanes = std::min(L, lines.last - j0 + 1);
    for (int r = 0; r < lanes; ++r)
      assemble_x_line(m, lv, j0 + r, bl.line(bl.sub, r), bl.line(bl.diag, r), bl.line(bl.sup, r), bl.line(bl.rhs, r));
    solve_tridiagonal_block(bl, lanes);
    for (int r = 0; r < lanes; ++r) {
      float* ut = lv.u_t.col(j0 + r) - 1;
      const float* x = bl.bx.data() + r;
      for (int i = 2; i <= m.config.nx; ++i) ut[i] = x[static_cast<std::size_t>(i) * L];
    }
  }
}

// Momentum rows of the y-lines (columns) cols, rows j_first..j_last of 2..ny, assembled row by
// row (i fastest), each row eliminated as soon as it is assembled; with `bottom` the
// boundary row 1 goes first, with `top` the boundary row ny + 1 last.  The coefficients of a row
// are used once, so they stay in one row's arrays instead of going through memory.
void eliminate_y_rows(Model& m, const PassLevels& lv, LineRange cols, int j_first, int j_last, bool bottom, bool top) {
  ColumnRows& r = m.work.rows_y;
  if (cols.last < cols.first) return;
  // 1-based row pointers: p[i] is column i.
  float* sub = r.sub.data() - 1;
  float* dia = r.diag.data() - 1;
  float* rhs = r.rhs.data() - 1;
  const auto boundary_row = [&](int j) {  // the given wavemaker or wall velocity
    float* sup = r.sup_row(j) - 1;
    for (int i = cols.first; i <= cols.last; ++i) {
      sub[i] = 0.0f;
      dia[i] = 1.0f;
      sup[i] = 0.0f;
      rhs[i] = lv.v_t(i, j);
    }
    eliminate_column_row(r, j, cols.first, cols.last);
  };

  if (bottom) boundary_row(1);
  const bool plain = plain_configuration(m);
  const InverseSteps st = y_line_steps(m.config.gc);
  for (int j = std::max(j_first, 2); j <= std::min(j_last, m.config.ny); ++j) {
    float* sup = r.sup_row(j) - 1;
    int i_general = cols.last;  // the general loop's last face
    if (plain) {
      using Fn = void (*)(const Model&, const PassLevels&, int, int, int, float*, float*, float*, float*);
      static constexpr Fn kVariants[8] = {
          assemble_y_row_plain<false, false, false>, assemble_y_row_plain<false, false, true>,
          assemble_y_row_plain<false, true, false>,  assemble_y_row_plain<false, true, true>,
          assemble_y_row_plain<true, false, false>,  assemble_y_row_plain<true, false, true>,
          assemble_y_row_plain<true, true, false>,   assemble_y_row_plain<true, true, true>};
      kVariants[4 * lv.predictor + 2 * m.config.y_velocity_sink + m.config.porosity_on](m, lv, j, cols.first, cols.last,
                                                                                        sub, dia, sup, rhs);
      i_general = cols.first == 1 ? 1 : 0;  // the plain rows leave face 1 to the general loop
    }
    for (int i = cols.first; i <= i_general; ++i) rhs[i] = general_row<false>(m, lv, st, j, i, sub[i], dia[i], sup[i]);
    eliminate_column_row(r, j, cols.first, cols.last);
  }
  if (top) boundary_row(m.config.ny + 1);
}

// The y-lines of columns cols, whole, solved for the target v.
void solve_y_line_range(Model& m, const PassLevels& lv, LineRange cols) {
  if (cols.last < cols.first) return;
  eliminate_y_rows(m, lv, cols, 2, m.config.ny, true, true);
  back_substitute_columns(m.work.rows_y, cols.first, cols.last, m.config.ny + 1, lv.v_t);
}

// Batches of columns of the y-lines over several slabs: the ranks form a pipeline, so that a rank
// eliminates a batch while the rank above eliminates the batch before it.
int y_line_batches(const Model& m) { return std::clamp(4 * m.parallel.slabs, 1, m.config.nx); }

// The y-lines over the slabs of several ranks.  Each batch of columns is eliminated up through
// the slabs (the rank below hands over the state of its last row), then back-substituted down
// (the rank above hands over the solution of the row above the slab); every column has the
// arithmetic of the whole-column solve.
void solve_y_lines_over_slabs(Model& m, const PassLevels& lv) {
  const LineRange own = own_rows(m);
  if (own.last < own.first) return;
  const bool bottom = m.parallel.rank == 0, top = m.parallel.rank == m.parallel.slabs - 1;
  const int batches = y_line_batches(m);
  ColumnRows& r = m.work.rows_y;
  for (int b = 0; b < batches; ++b) {
    const LineRange cols = split_lines(1, m.config.nx, batches, b);
    receive_elimination(m, cols.first, cols.last);
#pragma omp parallel num_threads(m.parallel.threads)
    eliminate_y_rows(m, lv, thread_lines(cols), own.first, own.last, bottom, top);
    if (!top) {
      // The factor of the first row of the slab above, formed here as there: the back
      // substitution of the own last row needs it.
      const float* supm = r.sup_row(own.last);
      float* w = r.work.col(own.last + 1);
      for (int i = cols.first - 1; i < cols.last; ++i) w[i] = supm[i] / r.bet[static_cast<std::size_t>(i)];
    }
    send_elimination(m, cols.first, cols.last);
  }
  for (int b = 0; b < batches; ++b) {
    const LineRange cols = split_lines(1, m.config.nx, batches, b);
    const int k_bottom = std::max(own.first, 2);
    if (top) {
      float* xn = r.x.col(m.config.ny + 1);
      for (int i = cols.first - 1; i < cols.last; ++i)
        if (std::fabs(xn[i]) < 1e-37f) xn[i] = 0.0f;
      back_substitute_rows(r, cols.first, cols.last, m.config.ny, k_bottom, xn, lv.v_t);
    } else {
      receive_solution(m, lv.v_t, cols.first, cols.last);
      back_substitute_rows(r, cols.first, cols.last, own.last, k_bottom, lv.v_t.col(own.last + 1), lv.v_t);
    }
    send_solution(m, lv.v_t, cols.first, cols.last);
  }
}

}  // namespace

// x-lines of the pass: this rank's rows, shared between the threads, each with its own block.
void solve_x_lines(Model& m, const PassLevels& lv) {
  const LineRange own = own_rows(m);
#pragma omp parallel num_threads(m.parallel.threads)
  {
#ifdef _OPENMP
    LineBlock& bl = m.work.block_x[static_cast<std::size_t>(omp_get_thread_num())];
#else
    LineBlock& bl = m.work.block_x.front();
#endif
    solve_x_line_range(m, lv, bl, thread_lines(own));
  }
}

// y-lines of the pass: the columns shared between the threads; over several ranks, through the
// slabs.
void solve_y_lines(Model& m, const PassLevels& lv) {
  if (m.parallel.ranks > 1) {
    solve_y_lines_over_slabs(m, lv);
    return;
  }
#pragma omp parallel num_threads(m.parallel.threads)
  solve_y_line_range(m, lv, thread_lines({1, m.config.nx}));
}

}  // namespace swx
