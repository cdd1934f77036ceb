// The water level of a pass from the face fluxes, with the moving shoreline (fluxes
// next to dry cells, flooding and drying) and the Smagorinsky smoothing of breaking.
#include <algorithm>
#include <cmath>

#include "solver/pass_parts.hpp"
#include "solver/ranks.hpp"
#include "solver/select.hpp"
#include "solver/time_step.hpp"

namespace swx {

namespace {

// Basic swash zone: the faces of a dry cell carry nothing in a pass whose inflow alone would not
// lift it above min_flood_depth.  Clearing the faces of a cell changes the test of the next
// cell: the cells are visited in order, on one thread, and the slabs one after the other (the
// rank below hands over the v-faces between the slabs as its cells left them).
void hold_back_from_dry_cells(Model& m, const Field& eta, float tdx, float tdy) {
  const float mfd = m.config.min_flood_depth;
  const LineRange own = own_rows(m);
  if (own.last < own.first) return;
  receive_row_from_below(m, m.work.flux_y, own.first);
  for (int j = own.first; j <= own.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      if (m.bed.depth(i, j) + eta(i, j) > 0.0f) continue;
      const float gain = -((m.work.flux_x(i + 1, j) - m.work.flux_x(i, j)) * tdx +
                           (m.work.flux_y(i, j + 1) - m.work.flux_y(i, j)) * tdy);
      if (gain == 0.0f) continue;
      const float d_old = std::max(m.bed.depth(i, j) + m.flow.eta_old(i, j), 0.0f);
      if (d_old + gain <= mfd) {
        m.work.flux_x(i, j) = 0.0f;
        m.work.flux_x(i + 1, j) = 0.0f;
        m.work.flux_y(i, j) = 0.0f;
        m.work.flux_y(i, j + 1) = 0.0f;
      }
    }
  }
  send_row_above(m, m.work.flux_y, own.last + 1);
  exchange_halos(m, {{&m.work.flux_x, 1, 1}, {&m.work.flux_y, 1, 2}});
}

// Moving shoreline: fluxes next to dry cells, before the level update of the pass.
//  1. Basic swash zone: a dry cell (total depth <= 0 at the evaluated level) floods only when
//     the water it would take in this pass lifts it above min_flood_depth; otherwise its faces
//     carry no flow in this pass (the water stays where it is instead of vanishing in the drying
//     rule).  The robust swash zone lets the water through and keeps what the drying rule takes
//     off a dry cell in its flood store (level_rows, update_level): holding the water back
//     piled it up in the last wet cell until one pass could lift the next cell above
//     min_flood_depth (about 2 min_flood_depth / (u dt/dx) deep), and the uprush tongue then
//     climbed as a stepping lump that the runup gauges read as a run-up too high.
//  2. No cell gives away more water than it holds: where the outflow of a cell over the pass
//     exceeds its start-of-step water plus its inflow, its outgoing face fluxes are scaled
//     down to match (instead of the level going below the bed and being clipped, which would
//     create water).  Each face has one donor cell, so the scaling keeps the volume.
// The share of the cells next to the slab is formed here too, for the faces of the slab's edges.
void limit_shoreline_fluxes(Model& m, const Field& eta, float tdx, float tdy) {
  if (m.config.swash_scheme != 1) hold_back_from_dry_cells(m, eta, tdx, tdy);
  const LineRange own = own_rows(m);
  const LineRange cells = widened(own, 1, 1, 1, m.config.ny);
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = cells.first; j <= cells.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const float fw = m.work.flux_x(i, j) * tdx, fe = m.work.flux_x(i + 1, j) * tdx;
      const float fs = m.work.flux_y(i, j) * tdy, fn = m.work.flux_y(i, j + 1) * tdy;
      const float out = std::max(fe, 0.0f) + std::max(-fw, 0.0f) + std::max(fn, 0.0f) + std::max(-fs, 0.0f);
      const float in = std::max(fw, 0.0f) + std::max(-fe, 0.0f) + std::max(fs, 0.0f) + std::max(-fn, 0.0f);
      const float avail = std::max(m.bed.depth(i, j) + m.flow.eta_old(i, j), 0.0f) + in;
      m.work.outflow_scale(i, j) = out > avail ? avail / out : 1.0f;
    }
  }
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = own.first; j <= own.last; ++j) {
    for (int i = 1; i <= m.config.nx + 1; ++i) {
      float& f = m.work.flux_x(i, j);
      const int donor = f > 0.0f ? i - 1 : i;
      if (f != 0.0f && donor >= 1 && donor <= m.config.nx) f *= m.work.outflow_scale(donor, j);
    }
  }
  const int v_last = own.last < own.first ? own.last : own.last + 1;  // and the v-faces over the slab
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
  for (int j = own.first; j <= v_last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      float& f = m.work.flux_y(i, j);
      const int donor = f > 0.0f ? j - 1 : j;
      if (f != 0.0f && donor >= 1 && donor <= m.config.ny) f *= m.work.outflow_scale(i, donor);
    }
  }
}

// The level of rows lines.first..lines.last without the shoreline and the eddy terms: the
// arithmetic of level_rows, branch-free.
void plain_level_rows(const Model& m, const PassLevels& lv, float tdt, float tdx, float tdy, LineRange lines) {
  const Field& eta = lv.eta_e;
  for (int j = lines.first; j <= lines.last; ++j) {
    const float* dep = m.bed.depth.col(j) - 1;
    const float* et = eta.col(j) - 1;
    const float* eo = m.flow.eta_old.col(j) - 1;
    const float* damp = m.bed.damping.col(j) - 1;
    const float* por = m.bed.porosity.col(j) - 1;
    const float* fx = m.work.flux_x.col(j) - 1;
    const float* fyl = m.work.flux_y.col(j) - 1;
    const float* fyr = m.work.flux_y.col(j + 1) - 1;
    float* __restrict out = lv.eta_t.col(j) - 1;
    const bool por_on = m.config.porosity_on;
    for (int i = 1; i <= m.config.nx; ++i) {
      const float d = dep[i] + et[i];
      const float div = (fx[i + 1] - fx[i]) * tdx + (fyr[i] - fyl[i]) * tdy;
      const float n = select(por_on, por[i], 1.0f);
      const float e = eo[i] - tdt * damp[i] * et[i] - div / n;
      out[i] = select(d > 0.0f, e, 0.0f);
    }
  }
}

// The level of rows lines.first..lines.last with the shoreline or the eddy terms; each cell
// reads only the evaluated level and the fluxes.
void level_rows(const Model& m, const PassLevels& lv, float tdt, float tdx, float tdy, LineRange lines) {
  const bool runup = m.config.calc_wave_runup == 1;
  const bool stored = runup && m.config.swash_scheme == 1;
  const Field& eta = lv.eta_e;
  const float mfd = m.config.min_flood_depth;
  for (int j = lines.first; j <= lines.last; ++j) {
    for (int i = 1; i <= m.config.nx; ++i) {
      const float d = m.bed.depth(i, j) + eta(i, j);
      const float fxl = m.work.flux_x(i, j), fxr = m.work.flux_x(i + 1, j);
      const float fyl = m.work.flux_y(i, j), fyr = m.work.flux_y(i, j + 1);
      // A dry cell takes water only through an active face beside a wet cell (runup).
      const bool flooding = runup && d <= 0.0f && (fxl != 0.0f || fxr != 0.0f || fyl != 0.0f || fyr != 0.0f);
      if (d > 0.0f || flooding) {
        const float div = (fxr - fxl) * tdx + (fyr - fyl) * tdy;
        const float n = m.config.porosity_on ? m.bed.porosity(i, j) : 1.0f;
        float e = m.flow.eta_old(i, j) - tdt * m.bed.damping(i, j) * eta(i, j) - div / n;
        if (stored && m.flow.flood_store(i, j) != 0.0f) e += m.flow.flood_store(i, j);
        if (m.config.breaking_on == 1 && m.flow.smag_visc(i, j) > 0.0f) {
          float dxx = 0.0f, dyy = 0.0f;
          if (i > 1 && i < m.config.nx) {
            const float dp = m.bed.depth(i + 1, j) + eta(i + 1, j) > mfd ? eta(i + 1, j) - eta(i, j) : 0.0f;
            const float dm = m.bed.depth(i - 1, j) + eta(i - 1, j) > mfd ? eta(i, j) - eta(i - 1, j) : 0.0f;
            dxx = (dp - dm) * m.config.gc.inv_dx2;
          }
          if (j > 1 && j < m.config.ny) {
            const float dp = m.bed.depth(i, j + 1) + eta(i, j + 1) > mfd ? eta(i, j + 1) - eta(i, j) : 0.0f;
            const float dm = m.bed.depth(i, j - 1) + eta(i, j - 1) > mfd ? eta(i, j) - eta(i, j - 1) : 0.0f;
            dyy = (dp - dm) * m.config.gc.inv_dy2;
          }
          e += tdt * m.flow.smag_visc(i, j) * (dxx + dyy);
        }
        lv.eta_t(i, j) = e;
      } else {
        lv.eta_t(i, j) = runup ? -m.bed.depth(i, j) : 0.0f;
        if (stored && m.flow.flood_store(i, j) != 0.0f) lv.eta_t(i, j) += m.flow.flood_store(i, j);
      }
    }
  }
}

}  // namespace

// Water level of the pass.  The cells of a row are updated independently of the other
// rows: this rank's rows, shared between the threads; the halo rows of the new levels follow
// from the neighbouring slabs at the end.
void update_level(Model& m, const PassLevels& lv) {
  const float theta = lv.predictor ? 0.5f : 1.0f;
  const float tdt = theta * m.config.dt;
  const float tdx = lv.predictor ? m.config.gc.dt_2dx : 2.0f * m.config.gc.dt_2dx;
  const float tdy = lv.predictor ? m.config.gc.dt_2dy : 2.0f * m.config.gc.dt_2dy;
  const bool runup = m.config.calc_wave_runup == 1;
  const float mfd = m.config.min_flood_depth;
  if (runup) limit_shoreline_fluxes(m, lv.eta_e, tdx, tdy);
  const bool plain = !runup && m.config.breaking_on != 1;
  const LineRange own = own_rows(m);
#pragma omp parallel num_threads(m.parallel.threads)
  {
    if (plain)
      plain_level_rows(m, lv, tdt, tdx, tdy, thread_lines(own));
    else
      level_rows(m, lv, tdt, tdx, tdy, thread_lines(own));
  }
  inner_wavemaker_sources(m, lv.eta_t, lv.eta_e, lv.predictor);
  if (runup) {
    // In the robust swash zone the last pass keeps the water that the drying rule and the
    // removal of isolated wet cells take off a cell in the cell's flood store: every cell's
    // water goes in first, and the cells still wet afterwards empty their stores.
    const bool store = lv.last && m.config.swash_scheme == 1;
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
    for (int j = own.first; j <= own.last; ++j) {
      for (int i = 1; i <= m.config.nx; ++i) {
        const float d = m.bed.depth(i, j) + lv.eta_t(i, j);
        if (store) m.flow.flood_store(i, j) = std::max(d, 0.0f);
        if (d <= mfd) lv.eta_t(i, j) = -m.bed.depth(i, j);
      }
    }
    // The removal of isolated wet cells tests the cells beside each cell: the rows next to the
    // slab first.
    exchange_halos(m, {{&lv.eta_t, 1, 1}});
    remove_isolated_wet_cells_rows(lv.eta_t, m.bed.depth, mfd, m.config.nx, m.config.ny, own.first, own.last);
    if (store) {
#pragma omp parallel for num_threads(m.parallel.threads) schedule(static)
      for (int j = own.first; j <= own.last; ++j) {
        for (int i = 1; i <= m.config.nx; ++i) {
          if (m.bed.depth(i, j) + lv.eta_t(i, j) > 0.0f) m.flow.flood_store(i, j) = 0.0f;
        }
      }
    }
  }
  // The next pass reads the level and u of the rows beside the slab, v of one row below it and
  // two above (the eddy viscosity of the row above the slab reads the v-faces over it).
  exchange_halos(m, {{&lv.eta_t, 1, 1}, {&lv.u_t, 1, 1}, {&lv.v_t, 1, 2}});
}

}  // namespace swx
