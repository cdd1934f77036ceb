#include "output/statistics.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/constants.hpp"
#include "solver/ranks.hpp"

namespace swx {

Statistics init_statistics(const ModelParams& p, const GridHeader& grid, const StormSummary& storm,
                           const Reporter& reporter) {
  Statistics st;
  st.hs = p.has_hs_file;
  st.water_level = p.has_hs_file || p.has_mean_wl_file;
  st.mean_velocity = p.has_mean_uv_file;
  st.direction = p.has_mean_theta_file;
  st.runup = p.has_runup_max_file;

  st.nsteps = record_count(p);
  const StatisticsWindow w =
      statistics_window(st.nsteps, storm.time_series_duration, p.time_step, storm.first_is_solitary, p.has_hs_file);
  st.nwin = w.nts;
  st.k0 = w.k0;
  if (w.shorter) {
    reporter.warning("simulation duration is shorter than storm duration",
                     "- computed significant wave height distribution", "may not be representative of input storm");
  }

  const int nx = grid.ngrid_x, ny = grid.ngrid_y;
  if (st.water_level) st.s1.resize(nx, ny, 0.0f);
  if (st.hs) st.s2.resize(nx, ny, 0.0f);
  if (st.mean_velocity) {
    st.su.resize(nx, ny, 0.0f);
    st.sv.resize(nx, ny, 0.0f);
  }
  if (st.direction) {
    st.eu.resize(nx, ny, 0.0f);
    st.ev.resize(nx, ny, 0.0f);
  }
  if (st.runup) st.r.resize(nx, ny, 0.0f);
  return st;
}

namespace {

// The accumulators of the requested results, in one order.
std::vector<Field*> requested(Statistics& st) {
  std::vector<Field*> list;
  if (st.water_level) list.push_back(&st.s1);
  if (st.hs) list.push_back(&st.s2);
  if (st.mean_velocity) list.insert(list.end(), {&st.su, &st.sv});
  if (st.direction) list.insert(list.end(), {&st.eu, &st.ev});
  if (st.runup) list.push_back(&st.r);
  return list;
}

}  // namespace

void keep_own_rows(Statistics& st, const Model& m) {
  const LineRange own = own_rows(m);
  for (Field* f : requested(st)) {
    Field slab;
    slab.resize_rows(m.config.nx, m.config.ny, own.first, own.last, 0.0f);
    *f = std::move(slab);
  }
}

void gather_statistics(Statistics& st, Model& m) {
  for (Field* f : requested(st)) gather_node_rows(m, *f);
}

void accumulate_statistics(Statistics& st, const Model& m, int k) {
  const int nx = m.config.nx;
  const bool window = k > st.k0;
  const LineRange own = own_rows(m);
  for (int j = own.first; j <= own.last; ++j) {
    const float* h = m.bed.depth.col(j);
    const float* eta = m.flow.eta_new.col(j);
    const float* u = m.flow.u_new.col(j);
    const float* v = m.flow.v_new.col(j);
    const float* v_north = m.flow.v_new.col(j + 1);
    if (window && st.water_level) {
      float* s1 = st.s1.col(j);
      for (int i = 0; i < nx; ++i) s1[i] += h[i] + eta[i] > 0.0f ? eta[i] : 0.0f;
    }
    if (window && st.hs) {
      float* s2 = st.s2.col(j);
      for (int i = 0; i < nx; ++i) s2[i] += h[i] + eta[i] > 0.0f ? eta[i] * eta[i] : 0.0f;
    }
    if (window && st.mean_velocity) {
      float* su = st.su.col(j);
      float* sv = st.sv.col(j);
      for (int i = 0; i < nx; ++i) {
        if (h[i] > 0.0f) {
          su[i] += 0.5f * (u[i] + u[i + 1]);
          sv[i] += 0.5f * (v[i] + v_north[i]);
        }
      }
    }
    if (window && st.direction) {
      float* eu = st.eu.col(j);
      float* ev = st.ev.col(j);
      for (int i = 0; i < nx; ++i) {
        eu[i] += eta[i] * u[i];
        ev[i] += eta[i] * v[i];
      }
    }
    if (st.runup) {
      float* r = st.r.col(j);
      for (int i = 0; i < nx; ++i) {
        if (h[i] <= 0.0f && h[i] + eta[i] > 0.0f) r[i] = std::max(r[i], eta[i]);
      }
    }
  }
}

StatisticsResults finalise_statistics(const Statistics& st, const GridHeader& grid, const NonFiniteWatch* watch) {
  const int nx = grid.ngrid_x, ny = grid.ngrid_y;
  const float nwin = static_cast<float>(st.nwin);
  StatisticsResults res;
  if (st.water_level) {
    res.mwl.resize(nx, ny, 0.0f);
    for (std::size_t n = 0; n < res.mwl.size(); ++n) res.mwl.v[n] = st.s1.v[n] / nwin;
  }
  if (st.direction) {
    res.theta.resize(nx, ny, 0.0f);
    for (std::size_t n = 0; n < res.theta.size(); ++n) {
      float theta = std::atan2(st.ev.v[n], st.eu.v[n]) * 180.0f / kPiRounded + grid.grid_orientation;
      if (theta > 360.0f) theta -= 360.0f;
      res.theta.v[n] = theta;
    }
  }
  if (st.hs) {
    res.hs.resize(nx, ny, 0.0f);
    for (std::size_t n = 0; n < res.hs.size(); ++n) {
      const float var = st.s2.v[n] / nwin - res.mwl.v[n] * res.mwl.v[n];
      res.hs.v[n] = var > 0.0f ? 4.0f * std::sqrt(var) : 0.0f;
    }
  }
  if (st.mean_velocity) {
    res.mean_u.resize(nx, ny, 0.0f);
    res.mean_v.resize(nx, ny, 0.0f);
    for (std::size_t n = 0; n < res.mean_u.size(); ++n) {
      res.mean_u.v[n] = st.su.v[n] / nwin;
      res.mean_v.v[n] = st.sv.v[n] / nwin;
    }
  }
  if (st.runup) res.runup_max = st.r;
  // A node that went non-finite has no meaningful statistics; neither has a result that is not
  // a number.  Both are written as the invalid value, never as a plausible 0.
  for (Field* f : {&res.mwl, &res.theta, &res.hs, &res.mean_u, &res.mean_v, &res.runup_max}) {
    if (f->empty()) continue;
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) {
        float& x = (*f)(i, j);
        if (!std::isfinite(x) || (watch != nullptr && watch->first_step(i, j) != 0)) x = kInvalidValue;
      }
  }
  return res;
}

namespace {

void write_scalar_result(const Field& values, const std::string& file, std::string_view description,
                         std::string_view units, std::string_view dataset, const ModelParams& p, const GridHeader& grid,
                         SolutionFile& sf, const Reporter& reporter, std::string_view working_dir,
                         std::vector<float>& buffer) {
  if (p.solution_file_option != 1) {
    announce_output_file(reporter, working_dir, file);
    write_scalar_grid(file, values, grid, field32(description), field32(units));
  }
  if (p.solution_file_option > 0) {
    pack_nodes(values, grid.ngrid_x, grid.ngrid_y, buffer);
    write_result_dataset(sf, dataset, units, false, buffer);
  }
}

}  // namespace

void write_statistics(const Statistics& st, const ModelParams& p, const GridHeader& grid, SolutionFile& sf,
                      const Reporter& reporter, std::string_view working_dir, const NonFiniteWatch* watch) {
  const StatisticsResults res = finalise_statistics(st, grid, watch);
  std::vector<float> buffer;
  if (p.has_mean_wl_file) {
    write_scalar_result(res.mwl, p.mean_wl_file, "Mean Water Level", "m", "/Mean Water Level", p, grid, sf, reporter,
                        working_dir, buffer);
  }
  if (p.has_mean_theta_file) {
    write_scalar_result(res.theta, p.mean_theta_file, "Mean Wave Direction", "deg", "/Mean Wave Direction", p, grid, sf,
                        reporter, working_dir, buffer);
  }
  if (p.has_hs_file) {
    write_scalar_result(res.hs, p.hs_file, "Sig. Wave Height", "m", "/Sig. Wave Height", p, grid, sf, reporter,
                        working_dir, buffer);
  }
  if (p.has_mean_uv_file) {
    if (p.solution_file_option != 1) {
      announce_output_file(reporter, working_dir, p.mean_uv_file);
      write_vector_grid(p.mean_uv_file, res.mean_u, res.mean_v, grid, field32("Mean U - Velocity"),
                        field32("Mean V - Velocity"), field32("m/s"), field32("m/s"));
    }
    if (p.solution_file_option > 0) {
      pack_vector_nodes(res.mean_u, res.mean_v, grid.ngrid_x, grid.ngrid_y, buffer);
      write_result_dataset(sf, "/Mean Velocity", "m/s", true, buffer);
    }
  }
  if (p.has_runup_max_file) {
    write_scalar_result(res.runup_max, p.runup_max_file, "Max. Runup Height", "m", "/Max. Runup Height", p, grid, sf,
                        reporter, working_dir, buffer);
  }
}

}  // namespace swx
