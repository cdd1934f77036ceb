// The activity of every face and the surface velocity, bed velocity and volume
// flux of every active face, from the vertical profile of the evaluated level (profile_s,
// profile_g and the depth coefficients, solver/kernels.hpp).
#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/constants.hpp"
#include "solver/pass_parts.hpp"
#include "solver/ranks.hpp"

namespace swx {

namespace {

inline float velocity_head(float us, float vs) { return (us * us + vs * vs) / kTwoGravity; }

// Water spills from a wet cell onto a dry neighbour when its level plus velocity head (wet_head)
// lies above the dry cell's level.  Water that could not stand deeper than min_flood_depth on
// the dry cell would be drained again by the drying rule, so the head must also clear the dry
// cell's bed by min_flood_depth: a still shoreline next to a drained cell whose bed lies just
// below still water (0 < depth <= min_flood_depth) then carries no flow.
// This clearance belongs to the robust swash zone; swash_scheme basic compares the levels alone.
inline bool spills(float eta_dry, float depth_dry, float wet_head, float mfd, bool clear_bed) {
  return eta_dry < wet_head && (!clear_bed || -depth_dry + mfd < wet_head);
}

}  // namespace

// Face activity of the evaluated level, from the surface velocities of the previous pass.
void face_activity(Model& m, const Field& eta) {
  const bool runup = m.config.calc_wave_runup == 1;
  const float mfd = m.config.min_flood_depth;
  const bool clear_bed = m.config.swash_scheme == 1;
  if (!runup) {
    // Without the moving shoreline a face is active exactly when both its cells are wet.
    const int nx = m.config.nx;  // a local: the byte stores below could alias m.config.nx
    const LineRange own = own_rows(m);
    const int j0 = own.first, j1 = own.last, jv0 = std::max(own.first, 2);
#pragma omp parallel num_threads(m.parallel.threads)
    {
#pragma omp for schedule(static) nowait
      for (int j = j0; j <= j1; ++j) {
        const float* dep = m.bed.depth.col(j);
        const float* et = eta.col(j);
        std::uint8_t* __restrict act = m.work.active_u.col(j);
        for (int k = 1; k < nx; ++k)  // k = i - 1 for faces i = 2..nx
          act[k] = static_cast<std::uint8_t>((dep[k - 1] + et[k - 1] > 0.0f) & (dep[k] + et[k] > 0.0f));
      }
#pragma omp for schedule(static)
      for (int j = jv0; j <= j1; ++j) {
        const float* depm = m.bed.depth.col(j - 1);
        const float* etm = eta.col(j - 1);
        const float* dep = m.bed.depth.col(j);
        const float* et = eta.col(j);
        std::uint8_t* __restrict act = m.work.active_v.col(j);
        for (int k = 0; k < nx; ++k)
          act[k] = static_cast<std::uint8_t>((depm[k] + etm[k] > 0.0f) & (dep[k] + et[k] > 0.0f));
      }
    }
    return;
  }
  // With the moving shoreline: each face from the level and the surface velocities of the
  // previous pass, which no face writes here.
  const LineRange own = own_rows(m);
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = own.first; j <= own.last; ++j) {
    for (int i = 2; i <= m.config.nx; ++i) {
      const float dl = m.bed.depth(i - 1, j) + eta(i - 1, j);
      const float dr = m.bed.depth(i, j) + eta(i, j);
      bool act = dl > 0.0f && dr > 0.0f;
      if (!act && runup) {
        if (dl > 0.0f && dr <= 0.0f) {
          const float us = 0.5f * (m.flow.u_surf(i - 1, j) + m.flow.u_surf(i, j));
          const float vs = 0.5f * (m.flow.v_surf(i - 1, j) + m.flow.v_surf(i - 1, j + 1));
          act = spills(eta(i, j), m.bed.depth(i, j), eta(i - 1, j) + velocity_head(us, vs), mfd, clear_bed);
        } else if (dr > 0.0f && dl <= 0.0f) {
          const float us = 0.5f * (m.flow.u_surf(i, j) + m.flow.u_surf(i + 1, j));
          const float vs = 0.5f * (m.flow.v_surf(i, j) + m.flow.v_surf(i, j + 1));
          act = spills(eta(i - 1, j), m.bed.depth(i - 1, j), eta(i, j) + velocity_head(us, vs), mfd, clear_bed);
        }
      }
      m.work.active_u(i, j) = act ? 1 : 0;
    }
  }
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = std::max(own.first, 2); j <= own.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const float dl = m.bed.depth(i, j - 1) + eta(i, j - 1);
      const float dr = m.bed.depth(i, j) + eta(i, j);
      bool act = dl > 0.0f && dr > 0.0f;
      if (!act && runup) {
        if (dl > 0.0f && dr <= 0.0f) {
          const float vs = 0.5f * (m.flow.v_surf(i, j - 1) + m.flow.v_surf(i, j));
          const float us = 0.5f * (m.flow.u_surf(i, j - 1) + m.flow.u_surf(i + 1, j - 1));
          act = spills(eta(i, j), m.bed.depth(i, j), eta(i, j - 1) + velocity_head(us, vs), mfd, clear_bed);
        } else if (dr > 0.0f && dl <= 0.0f) {
          const float vs = 0.5f * (m.flow.v_surf(i, j) + m.flow.v_surf(i, j + 1));
          const float us = 0.5f * (m.flow.u_surf(i, j) + m.flow.u_surf(i + 1, j));
          act = spills(eta(i, j - 1), m.bed.depth(i, j - 1), eta(i, j) + velocity_head(us, vs), mfd, clear_bed);
        }
      }
      m.work.active_v(i, j) = act ? 1 : 0;
    }
  }
}

namespace {

bool has_side(const Model& m, WavemakerSide side) {
  for (const BoundarySignal& s : m.config.wavemakers)
    if (s.side == side) return true;
  return false;
}

inline bool marked_by(const Model& m, int i, int j, WavemakerSide side) {
  const int k = m.bed.wavemaker_mark(i, j);
  return k > 0 && m.config.wavemakers[static_cast<std::size_t>(k - 1)].side == side;
}

// Plain weak configuration (no "strong" faces, current or inner wavemaker lines): the u-faces
// 2..nx of row j in the arithmetic of the general faces, without branches.
void face_velocities_x_plain(const Model& m, const Field& uf, const Field& vf, const Field& eta, int j,
                             float* __restrict usurf, float* __restrict ubed, float* __restrict flux) {
  const InverseSteps st = x_line_steps(m.config.gc);
  const float* dep = m.bed.depth.col(j) - 1;
  const float* et = eta.col(j) - 1;
  const float* u = uf.col(j) - 1;
  const float* v = vf.col(j) - 1;
  const float* vp = vf.col(j + 1) - 1;
  const float* hx = m.bed.depth_dx.col(j) - 1;
  const float* hy = m.bed.depth_dy.col(j) - 1;
  const float* hyp = m.bed.depth_dy.col(j + 1) - 1;
  const std::uint8_t* act = m.work.active_u.col(j) - 1;
  for (int i = 2; i <= m.config.nx; ++i) {
    const float d_f = 0.5f * ((dep[i - 1] + et[i - 1]) + (dep[i] + et[i]));
    const float h_f = 0.5f * (dep[i - 1] + dep[i]);
    const DepthCoefs k = still_depth_coefs(h_f);
    const Corners c{v[i - 1], v[i], vp[i - 1], vp[i]};
    const float s = profile_s(u[i - 1], u[i], u[i + 1], c, st);
    const float hy4 = corner_slope_mean({hy[i - 1], hy[i], hyp[i - 1], hyp[i]});
    const float gg = profile_g(hx[i - 1], hx[i], hx[i + 1], u[i - 1], u[i + 1], u[i + 1] - u[i - 1], hy4, c, st);
    const bool on = act[i] != 0;
    usurf[i] = select(on, surface_velocity(k, u[i], gg, s), 0.0f);
    ubed[i] = select(on, bed_velocity(k, u[i], gg, s), 0.0f);
    flux[i] = select(on, weak_face_flux(k, d_f, h_f, u[i], gg, s), 0.0f);
  }
}

// The v-faces 1..nx of row j (between rows j-1 and j), as face_velocities_x_plain.
void face_velocities_y_plain(const Model& m, const Field& uf, const Field& vf, const Field& eta, int j,
                             float* __restrict vsurf, float* __restrict vbed, float* __restrict flux) {
  const InverseSteps st = y_line_steps(m.config.gc);
  const float* depm = m.bed.depth.col(j - 1) - 1;
  const float* dep = m.bed.depth.col(j) - 1;
  const float* etm = eta.col(j - 1) - 1;
  const float* et = eta.col(j) - 1;
  const float* um = uf.col(j - 1) - 1;
  const float* u = uf.col(j) - 1;
  const float* vm = vf.col(j - 1) - 1;
  const float* v = vf.col(j) - 1;
  const float* vp = vf.col(j + 1) - 1;
  const float* hxm = m.bed.depth_dx.col(j - 1) - 1;
  const float* hx = m.bed.depth_dx.col(j) - 1;
  const float* hym = m.bed.depth_dy.col(j - 1) - 1;
  const float* hy = m.bed.depth_dy.col(j) - 1;
  const float* hyp = m.bed.depth_dy.col(j + 1) - 1;
  const std::uint8_t* act = m.work.active_v.col(j) - 1;
  for (int i = 1; i <= m.config.nx; ++i) {
    const float d_f = 0.5f * ((depm[i] + etm[i]) + (dep[i] + et[i]));
    const float h_f = 0.5f * (depm[i] + dep[i]);
    const DepthCoefs k = still_depth_coefs(h_f);
    const Corners c{um[i], u[i], um[i + 1], u[i + 1]};
    const float s = profile_s(vm[i], v[i], vp[i], c, st);
    const float hx4 = corner_slope_mean({hxm[i], hx[i], hxm[i + 1], hx[i + 1]});
    const float gg = profile_g(hym[i], hy[i], hyp[i], vm[i], vp[i], vp[i] - vm[i], hx4, c, st);
    const bool on = act[i] != 0;
    vsurf[i] = select(on, surface_velocity(k, v[i], gg, s), 0.0f);
    vbed[i] = select(on, bed_velocity(k, v[i], gg, s), 0.0f);
    flux[i] = select(on, weak_face_flux(k, d_f, h_f, v[i], gg, s), 0.0f);
  }
}

struct FaceValues {
  float surf, bed, flux;
};

// One active face (a along the line, c across it) of the general loops, for either direction:
// u-faces with the x-line frame, v-faces with the y-line frame.  inner_side is the side of the
// inner-line wavemakers across this line (inner column for x-lines, inner row for y-lines), next to which the
// along-line difference of G is one-sided; 0 when there are none.
template <bool kAlongX>
FaceValues general_face(const Model& m, const Field& along, const Field& across, const Field& eta, const Field& cur,
                        WavemakerSide inner_side, const InverseSteps& st, int a, int c) {
  using View = LineView<kAlongX>;
  const View dep(m.bed.depth), et(eta), A(along), C(across);
  const View hs(kAlongX ? m.bed.depth_dx : m.bed.depth_dy), hc(kAlongX ? m.bed.depth_dy : m.bed.depth_dx);
  const auto cell = [&](int aa, int cc) -> std::pair<int, int> {
    return kAlongX ? std::pair<int, int>{aa, cc} : std::pair<int, int>{cc, aa};
  };
  const float dl = dep(a - 1, c) + et(a - 1, c);
  const float dr = dep(a, c) + et(a, c);
  const float d_f = 0.5f * (dl + dr);
  const float h_f = 0.5f * (dep(a - 1, c) + dep(a, c));
  const auto [il, jl] = cell(a - 1, c);
  const auto [ir, jr] = cell(a, c);
  const bool strong = strong_face(m, m.bed.wavemaker_mark(il, jl) + m.bed.wavemaker_mark(ir, jr));
  const float wf = face_swash_weight(m, il, jl, ir, jr);
  const DepthCoefs k = weighted_coefs(face_depth_coefs(strong ? d_f : h_f, strong), wf);
  const Corners w{C(a - 1, c), C(a, c), C(a - 1, c + 1), C(a, c + 1)};
  const float s = profile_s(A(a - 1, c), A(a, c), A(a + 1, c), w, st);
  float da = A(a + 1, c) - A(a - 1, c);
  if (inner_side != WavemakerSide::kNone) {
    if (marked_by(m, ir, jr, inner_side)) da = 2.0f * (A(a, c) - A(a - 1, c));
    if (marked_by(m, il, jl, inner_side)) da = 2.0f * (A(a + 1, c) - A(a, c));
  }
  const float hc4 = corner_slope_mean({hc(a - 1, c), hc(a, c), hc(a - 1, c + 1), hc(a, c + 1)});
  const float gg = profile_g(hs(a - 1, c), hs(a, c), hs(a + 1, c), A(a - 1, c), A(a + 1, c), da, hc4, w, st);
  const float a0 = A(a, c);
  float f = strong ? strong_face_flux(k, d_f, a0, gg, s) : weak_face_flux(k, d_f, h_f, a0, gg, s);
  if (m.config.current_on) f += d_f * View(cur)(a, c);
  return {surface_velocity(k, a0, gg, s), bed_velocity(k, a0, gg, s), f};
}

// The branch-free face loop serves the weak option without current, inner-line wavemakers of the
// given side or the robust swash zone.
bool plain_faces(const Model& m, bool inner_side) {
  return m.config.nonlinear_option != 2 && !m.config.current_on && !inner_side && !swash_zone_on(m);
}

// The u-faces of rows lines.first..lines.last.
void face_velocities_x_rows(Model& m, const Field& u, const Field& v, const Field& eta, LineRange lines) {
  const bool side6 = has_side(m, WavemakerSide::kInnerColumn);
  const bool plain = plain_faces(m, side6);
  const InverseSteps st = x_line_steps(m.config.gc);
  for (int j = lines.first; j <= lines.last; ++j) {
    if (plain) {
      face_velocities_x_plain(m, u, v, eta, j, m.flow.u_surf.col(j) - 1, m.flow.u_bed.col(j) - 1,
                              m.work.flux_x.col(j) - 1);
      continue;
    }
    for (int i = 2; i <= m.config.nx; ++i) {
      FaceValues f{0.0f, 0.0f, 0.0f};
      if (m.work.active_u(i, j) != 0)
        f = general_face<true>(m, u, v, eta, m.bed.current_x,
                               side6 ? WavemakerSide::kInnerColumn : WavemakerSide::kNone, st, i, j);
      m.flow.u_surf(i, j) = f.surf;
      m.flow.u_bed(i, j) = f.bed;
      m.work.flux_x(i, j) = f.flux;
    }
  }
}

// The v-faces of rows lines.first..lines.last (2..ny).
void face_velocities_y_rows(Model& m, const Field& u, const Field& v, const Field& eta, LineRange lines) {
  const bool side5 = has_side(m, WavemakerSide::kInnerRow);
  const bool plain = plain_faces(m, side5);
  const InverseSteps st = y_line_steps(m.config.gc);
  for (int j = lines.first; j <= lines.last; ++j) {
    if (plain) {
      face_velocities_y_plain(m, u, v, eta, j, m.flow.v_surf.col(j) - 1, m.flow.v_bed.col(j) - 1,
                              m.work.flux_y.col(j) - 1);
      continue;
    }
    for (int i = 1; i <= m.config.nx; ++i) {
      FaceValues f{0.0f, 0.0f, 0.0f};
      if (m.work.active_v(i, j) != 0)
        f = general_face<false>(m, v, u, eta, m.bed.current_y, side5 ? WavemakerSide::kInnerRow : WavemakerSide::kNone,
                                st, j, i);
      m.flow.v_surf(i, j) = f.surf;
      m.flow.v_bed(i, j) = f.bed;
      m.work.flux_y(i, j) = f.flux;
    }
  }
}

}  // namespace

// The faces of each row are independent of the other rows: this rank's rows, shared between
// the threads.  The halo rows follow from the neighbouring slabs (run_pass), after both
// directions.
void face_velocities_x(Model& m, const Field& u, const Field& v, const Field& eta) {
  const LineRange own = own_rows(m);
#pragma omp parallel num_threads(m.parallel.threads)
  face_velocities_x_rows(m, u, v, eta, thread_lines(own));
}

// The v-faces of rows 2..ny, split between the ranks as the rows 1..ny of the u-faces.
void face_velocities_y(Model& m, const Field& u, const Field& v, const Field& eta) {
  LineRange own = own_rows(m);
  own.first = std::max(own.first, 2);
#pragma omp parallel num_threads(m.parallel.threads)
  face_velocities_y_rows(m, u, v, eta, thread_lines(own));
}

}  // namespace swx
