#include "output/probes.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "io/time_series_file.hpp"
#include "solver/kernels.hpp"

namespace swx {

namespace {

// The level a record is taken from, with the level of the step before it for time derivatives.
struct Level {
  const Field& eta;
  const Field& u;
  const Field& v;
  const Field& u_prev;
  const Field& v_prev;
  const Field& u_mid;
  const Field& v_mid;
  const Field* u_surf;    // null at rest
  const Field* v_surf;    // null at rest
  const Field* eta_rate;  // null at rest
};

float at(const Field* f, int i, int j) { return f != nullptr ? (*f)(i, j) : 0.0f; }

// Index used in a difference: 0 or less becomes 2 (mirrored), above n becomes n.
int diff_index(int i, int n) {
  if (i <= 0) return std::min(2, n);
  return std::min(i, n);
}

// Pressure and force nodes keep one node away from the edges when the grid allows it.
int inner_index(int i, int n) {
  if (n >= 3) return std::clamp(i, 2, n - 1);
  return std::clamp(i, 1, n);
}

// Velocity at the reference level and the two dispersive terms on one face, from the vertical
// profile of the model: S is the gradient of the velocity divergence, G the remaining part of the
// gradient of div(h u) (the terms that contain the bottom slope).
struct FaceProfile {
  bool dry = true;
  float u = 0.0f, s = 0.0f, g = 0.0f;
  float h = 0.0f;  // m, still-water depth of the face
  float d = 0.0f;  // m, total depth of the face
};

FaceProfile face_profile_x(const Model& m, const Level& lv, int f, int j) {
  const int im = diff_index(f - 1, m.config.nx), i0 = diff_index(f, m.config.nx), ip = diff_index(f + 1, m.config.nx);
  const int jp = diff_index(j + 1, m.config.ny);
  FaceProfile fp;
  const float dl = m.bed.depth(im, j) + lv.eta(im, j), dr = m.bed.depth(i0, j) + lv.eta(i0, j);
  if (dl <= 0.0f || dr <= 0.0f) return fp;
  const Field& u = lv.u;
  const Field& v = lv.v;
  const Field& hx = m.bed.depth_dx;
  const Field& hy = m.bed.depth_dy;
  fp.dry = false;
  fp.u = u(i0, j);
  fp.h = 0.5f * (m.bed.depth(im, j) + m.bed.depth(i0, j));
  fp.d = 0.5f * (dl + dr);
  const DivisorSteps st{m.config.dx * m.config.dx, 2.0f * m.config.dx, 2.0f * m.config.dy, m.config.dx * m.config.dy};
  const Corners c{v(im, j), v(i0, j), v(im, jp), v(i0, jp)};
  fp.s = profile_s(u(im, j), u(i0, j), u(ip, j), c, st);
  const float hy4 = corner_slope_mean({hy(im, j), hy(i0, j), hy(im, jp), hy(i0, jp)});
  fp.g = profile_g(hx(im, j), hx(i0, j), hx(ip, j), u(im, j), u(ip, j), u(ip, j) - u(im, j), hy4, c, st);
  return fp;
}

FaceProfile face_profile_y(const Model& m, const Level& lv, int i, int f) {
  const int jm = diff_index(f - 1, m.config.ny), j0 = diff_index(f, m.config.ny), jp = diff_index(f + 1, m.config.ny);
  const int ip = diff_index(i + 1, m.config.nx);
  FaceProfile fp;
  const float ds = m.bed.depth(i, jm) + lv.eta(i, jm), dn = m.bed.depth(i, j0) + lv.eta(i, j0);
  if (ds <= 0.0f || dn <= 0.0f) return fp;
  const Field& u = lv.u;
  const Field& v = lv.v;
  const Field& hx = m.bed.depth_dx;
  const Field& hy = m.bed.depth_dy;
  fp.dry = false;
  fp.u = v(i, j0);
  fp.h = 0.5f * (m.bed.depth(i, jm) + m.bed.depth(i, j0));
  fp.d = 0.5f * (ds + dn);
  const DivisorSteps st{m.config.dy * m.config.dy, 2.0f * m.config.dy, 2.0f * m.config.dx, m.config.dx * m.config.dy};
  const Corners c{u(i, jm), u(i, j0), u(ip, jm), u(ip, j0)};
  fp.s = profile_s(v(i, jm), v(i, j0), v(i, jp), c, st);
  const float hx4 = corner_slope_mean({hx(i, jm), hx(i, j0), hx(ip, jm), hx(ip, j0)});
  fp.g = profile_g(hy(i, jm), hy(i, j0), hy(i, jp), v(i, jm), v(i, jp), v(i, jp) - v(i, jm), hx4, c, st);
  return fp;
}

// Velocity at height z (m above the bed): u + (zr^2 - z^2)/2 S + (zr - z) G, with zr the
// reference level above the bed; no dispersive correction where the still-water depth is <= 0.
float velocity_at(const FaceProfile& fp, float z) {
  if (fp.dry) return 0.0f;
  if (fp.h <= 0.0f) return fp.u;
  const float zr = kRefLevelCoef * fp.h;
  return fp.u + 0.5f * (zr * zr - z * z) * fp.s + (zr - z) * fp.g;
}

// Volume flux per unit width: d u + h (K2 G + K1 S), the flux of the weak form (still-water
// depth in the dispersive part) under both options.
float flux_of(const FaceProfile& fp) {
  if (fp.dry) return 0.0f;
  if (fp.h <= 0.0f) return fp.d * fp.u;
  return weak_face_flux(reference_depth_coefs(fp.h), fp.d, fp.h, fp.u, fp.g, fp.s);
}

// Rate of change of the velocity divergence over one step, times dt, at node (i, j).
float divergence_change(const Model& m, const Level& lv, int i, int j, int ip, int jp) {
  return (lv.u(ip, j) - lv.u(i, j) - lv.u_prev(ip, j) + lv.u_prev(i, j)) / m.config.dx +
         (lv.v(i, jp) - lv.v(i, j) - lv.v_prev(i, jp) + lv.v_prev(i, j)) / m.config.dy;
}

float pressure_at(const Model& m, const Level& lv, int i0, int j0, float z) {
  const int i = inner_index(i0, m.config.nx), j = inner_index(j0, m.config.ny);
  const int ip = std::min(i + 1, m.config.nx + 1), jp = std::min(j + 1, m.config.ny + 1);
  const float h = m.bed.depth(i, j), eta = lv.eta(i, j);
  if (eta <= z - h) return 0.0f;
  const float dd = divergence_change(m, lv, i, j, ip, jp);
  if (m.config.nonlinear_option != 2) {
    return (eta - (z - h)) - (0.5f * (h * h - z * z)) * dd / (kGravity * m.config.dt);
  }
  const Field& um = lv.u_mid;
  const Field& vm = lv.v_mid;
  const int im = std::max(i - 1, 1), jm = std::max(j - 1, 1);
  const float d = h + eta;
  const float a = (um(ip, j) - um(i, j)) / m.config.dx + (vm(i, jp) - vm(i, j)) / m.config.dy;
  const float r = at(lv.eta_rate, i, j);
  const float us = 0.5f * (at(lv.u_surf, i, j) + at(lv.u_surf, ip, j));
  const float vs = 0.5f * (at(lv.v_surf, i, j) + at(lv.v_surf, i, jp));
  const float zr = kRefLevelCoef * h;
  const float uxx = (um(ip, j) - 2.0f * um(i, j) + um(im, j)) / (m.config.dx * m.config.dx);
  const float vyy = (vm(i, jp) - 2.0f * vm(i, j) + vm(i, jm)) / (m.config.dy * m.config.dy);
  const float vxy = (vm(i, jp) - vm(i, j) + vm(im, j) - vm(im, jp)) / (m.config.dx * m.config.dy);
  const float uxy = (um(ip, j) - um(i, j) - um(ip, jm) + um(i, jm)) / (m.config.dx * m.config.dy);
  const float c = 0.5f * (zr * zr - z * z);
  const float uz = um(i, j) + c * (uxx + vxy);
  const float vz = vm(i, j) + c * (uxy + vyy);
  const float za = z * a;
  return (kGravity * (eta - (z - h)) - (0.5f * (d * d - z * z)) * dd / m.config.dt +
          0.5f * ((r * r - za * za) + (us * us - uz * uz) + (vs * vs - vz * vz))) /
         kGravity;
}

// Force per unit width on a vertical wall through the water column, without the density factor.
// The formula is applied as it stands at every node; unlike the pressure it has no dry test.
float force_at(const Model& m, const Level& lv, int i0, int j0) {
  const int i = inner_index(i0, m.config.nx), j = inner_index(j0, m.config.ny);
  const int ip = std::min(i + 1, m.config.nx + 1), jp = std::min(j + 1, m.config.ny + 1);
  const float d = m.bed.depth(i, j) + lv.eta(i, j);
  const float a = (lv.u_mid(ip, j) - lv.u_mid(i, j)) / m.config.dx + (lv.v_mid(i, jp) - lv.v_mid(i, j)) / m.config.dy;
  const float dd = divergence_change(m, lv, i, j, ip, jp);
  const float d3 = d * d * d;
  return kGravity * d * d / 2.0f + (2.0f * d3 / 3.0f) * a * a + d3 * dd / (3.0f * m.config.dt);
}

// Surface elevation at the waterline along a gauge transect; 0 when no wet/dry pair is met.
float runup_at(const Model& m, const Field& eta, const GaugeSpec& g, float angle) {
  const float md = m.config.min_flood_depth;
  auto total = [&](int i, int j) { return m.bed.depth(i, j) + eta(i, j); };
  float value = 0.0f;
  auto pair = [&](int ia, int ja, int ib, int jb) {  // a: the node before b along the walk
    const float da = total(ia, ja), db = total(ib, jb);
    if (db <= md && da > md) value = eta(ia, ja);
    if (db > md && da <= md) value = eta(ib, jb);
  };
  const int is = g.p1.i, js = g.p1.j;
  if (std::fabs(std::cos(angle)) > 0.707f) {
    const float slope = std::tan(angle);
    for (int i = is; i <= g.p2.i; ++i) {
      const int j = static_cast<int>(slope * static_cast<float>(i - is) + static_cast<float>(js));
      if (i < 2 || j < 1 || i > m.config.nx || j > m.config.ny) continue;
      pair(i - 1, j, i, j);
    }
  } else {
    const float slope = std::tan(angle);
    for (int j = js; j <= g.p2.j; ++j) {
      const int i = static_cast<int>(static_cast<float>(j - js) / slope + static_cast<float>(is));
      if (j < 2 || i < 1 || i > m.config.nx || j > m.config.ny) continue;
      pair(i, j - 1, i, j);
    }
  }
  return value;
}

void record_row(ProbeRecords& rec, const Model& m, const ModelParams& p, const Level& lv, int row) {
  for (std::size_t n = 0; n < p.probes.size(); ++n) {
    const ProbeSpec& pr = p.probes[n];
    const int c = static_cast<int>(n) + 1;
    const int i = pr.point.i, j = pr.point.j;
    if (pr.eta) rec.eta(row, c) = lv.eta(i, j);
    if (pr.uv) {
      float u = 0.0f, v = 0.0f;
      const int ia = diff_index(i, m.config.nx), ib = diff_index(i + 1, m.config.nx);
      const int ja = diff_index(j, m.config.ny), jb = diff_index(j + 1, m.config.ny);
      // The ambient current is added on the wet faces only: a dry node records no flow.
      if (m.config.nx > 1) {
        const FaceProfile fa = face_profile_x(m, lv, ia, j), fb = face_profile_x(m, lv, ib, j);
        u = 0.5f * (velocity_at(fa, pr.z_uv) + velocity_at(fb, pr.z_uv));
        if (m.config.current_on) {
          u += 0.5f * ((fa.dry ? 0.0f : m.bed.current_x(ia, j)) + (fb.dry ? 0.0f : m.bed.current_x(ib, j)));
        }
      }
      if (m.config.ny > 1) {
        const FaceProfile fa = face_profile_y(m, lv, i, ja), fb = face_profile_y(m, lv, i, jb);
        v = 0.5f * (velocity_at(fa, pr.z_uv) + velocity_at(fb, pr.z_uv));
        if (m.config.current_on) {
          v += 0.5f * ((fa.dry ? 0.0f : m.bed.current_y(i, ja)) + (fb.dry ? 0.0f : m.bed.current_y(i, jb)));
        }
      }
      rec.u(row, c) = u;
      rec.v(row, c) = v;
    }
    if (pr.flowrate) {
      const int ia = std::clamp(i, 1, m.config.nx), ib = std::clamp(i + 1, 1, m.config.nx);
      const int ja = std::clamp(j, 1, m.config.ny), jb = std::clamp(j + 1, 1, m.config.ny);
      rec.uf(row, c) = 0.5f * (flux_of(face_profile_x(m, lv, ia, j)) + flux_of(face_profile_x(m, lv, ib, j)));
      rec.vf(row, c) = 0.5f * (flux_of(face_profile_y(m, lv, i, ja)) + flux_of(face_profile_y(m, lv, i, jb)));
    }
    if (pr.pressure) rec.pressure(row, c) = pressure_at(m, lv, i, j, pr.z_p);
    if (pr.force) rec.force(row, c) = force_at(m, lv, i, j);
  }
  if (m.config.calc_wave_runup == 1) {
    for (std::size_t g = 0; g < p.gauges.size(); ++g) {
      rec.runup(row, static_cast<int>(g) + 1) = runup_at(m, lv.eta, p.gauges[g], rec.gauge_angle[g]);
    }
  }
}

template <class Flag>
bool any_probe(const ModelParams& p, Flag flag) {
  return std::any_of(p.probes.begin(), p.probes.end(), flag);
}

// One output file: the probes whose flag is on, as data sets in probe order.
struct Kind {
  bool ProbeSpec::*flag;
  const Field ProbeRecords::*record;
  const char* description;
  const char* units;
  const std::string ModelParams::*file;
  int z_source;  // 0: none (surface elevation), 1: ts_z_uv, 2: ts_z_p, 3: the bed
};

}  // namespace

int record_count(const ModelParams& p) { return number_of_time_steps(p.duration, p.time_step); }

ProbeRecords init_probe_records(const ModelParams& p) {
  ProbeRecords rec;
  rec.nsteps = record_count(p);
  const int np = static_cast<int>(p.probes.size());
  auto alloc = [&](Field& f, bool used, int cols) {
    if (used) f.resize(rec.nsteps, cols, 0.0f);
  };
  alloc(rec.eta, any_probe(p, [](const ProbeSpec& s) { return s.eta; }), np);
  const bool uv = any_probe(p, [](const ProbeSpec& s) { return s.uv; });
  alloc(rec.u, uv, np);
  alloc(rec.v, uv, np);
  const bool flow = any_probe(p, [](const ProbeSpec& s) { return s.flowrate; });
  alloc(rec.uf, flow, np);
  alloc(rec.vf, flow, np);
  alloc(rec.pressure, any_probe(p, [](const ProbeSpec& s) { return s.pressure; }), np);
  alloc(rec.force, any_probe(p, [](const ProbeSpec& s) { return s.force; }), np);
  const int ng = static_cast<int>(p.gauges.size());
  alloc(rec.runup, ng > 0, ng);
  for (const GaugeSpec& g : p.gauges) {
    rec.gauge_angle.push_back(std::atan2(static_cast<float>(g.p2.j - g.p1.j), static_cast<float>(g.p2.i - g.p1.i)));
  }
  return rec;
}

void record_probes(ProbeRecords& rec, const Model& m, const ModelParams& p, int k) {
  if (p.probes.empty() && p.gauges.empty()) return;
  if (k == 1) {
    // Row 1: the initial state, at rest.
    const Level initial{m.flow.eta_old, m.flow.u_old, m.flow.v_old, m.flow.u_old, m.flow.v_old,
                        m.flow.u_old,   m.flow.v_old, nullptr,      nullptr,      nullptr};
    record_row(rec, m, p, initial, 1);
  }
  if (k + 1 > rec.nsteps || k < 1) return;
  const Level level{m.flow.eta_new, m.flow.u_new, m.flow.v_new,   m.flow.u_old,   m.flow.v_old,
                    m.flow.u_mid,   m.flow.v_mid, &m.flow.u_surf, &m.flow.v_surf, &m.flow.eta_rate};
  record_row(rec, m, p, level, k + 1);
}

namespace {

// Rows from first_row on (1-based) and every non-finite value of a record column made invalid;
// first_row 0 leaves the finite values alone.
void invalidate_column(float* values, int nrec, int first_row) {
  for (int r = 1; r <= nrec; ++r) {
    float& x = values[r - 1];
    if (!std::isfinite(x) || (first_row > 0 && r >= first_row)) x = kInvalidValue;
  }
}

}  // namespace

void write_probe_files(const ProbeRecords& rec, const Model& m, const ModelParams& p, const StormSummary& storm,
                       const Reporter& reporter, std::string_view working_dir, const NonFiniteWatch* watch) {
  // Analysis parameters copied into every header.
  float sum_h2 = 0.0f, sum_h2t = 0.0f;
  for (std::size_t n = 0; n < storm.wave_height.size(); ++n) {
    const float h2 = storm.wave_height[n] * storm.wave_height[n];
    sum_h2 += h2;
    sum_h2t += h2 * (n < storm.wave_period.size() ? storm.wave_period[n] : 0.0f);
  }
  const float nw = static_cast<float>(std::max<std::size_t>(storm.wave_height.size(), 1));
  AnalysisParameters analysis;
  add_analysis_parameter(analysis, "Wave_Hav", std::sqrt(sum_h2 / nw));
  add_analysis_parameter(analysis, "Wave_Tav", sum_h2 > 0.0f ? sum_h2t / sum_h2 : 0.0f);
  add_analysis_parameter(analysis, "Anal_T1", p.duration - storm.time_series_duration);
  add_analysis_parameter(analysis, "Anal_T2", p.duration);

  static const Kind kinds[] = {
      {&ProbeSpec::eta, &ProbeRecords::eta, "Surface Elevation", "meters", &ModelParams::ts_eta_file, 0},
      {&ProbeSpec::uv, &ProbeRecords::u, "U - Velocity", "m/s", &ModelParams::ts_u_file, 1},
      {&ProbeSpec::uv, &ProbeRecords::v, "V - Velocity", "m/s", &ModelParams::ts_v_file, 1},
      {&ProbeSpec::flowrate, &ProbeRecords::uf, "U - Flowrate", "m**2/s", &ModelParams::ts_uf_file, 3},
      {&ProbeSpec::flowrate, &ProbeRecords::vf, "V - Flowrate", "m**2/s", &ModelParams::ts_vf_file, 3},
      {&ProbeSpec::pressure, &ProbeRecords::pressure, "Pressure", "decibars", &ModelParams::ts_pressure_file, 2},
      {&ProbeSpec::force, &ProbeRecords::force, "Force", "KN/m", &ModelParams::ts_force_file, 3},
  };
  const int nrec = rec.nsteps;
  for (const Kind& kind : kinds) {
    std::vector<int> cols;
    for (std::size_t n = 0; n < p.probes.size(); ++n) {
      if (p.probes[n].*kind.flag) cols.push_back(static_cast<int>(n));
    }
    if (cols.empty()) continue;
    const int nset = static_cast<int>(cols.size());
    const Field& src = rec.*kind.record;
    Field data(nrec, nset, 0.0f);
    std::vector<float> x(cols.size()), y(cols.size()), z(cols.size());
    std::vector<std::string> ids, descriptions, units;
    for (int m2 = 0; m2 < nset; ++m2) {
      const ProbeSpec& pr = p.probes[static_cast<std::size_t>(cols[static_cast<std::size_t>(m2)])];
      const int c = cols[static_cast<std::size_t>(m2)] + 1;
      std::copy(src.col(c), src.col(c) + nrec, data.col(m2 + 1));
      // Step k fills row k + 1.
      const int bad_step = watch != nullptr ? watch->first_step(pr.point.i, pr.point.j) : 0;
      invalidate_column(data.col(m2 + 1), nrec, bad_step > 0 ? bad_step + 1 : 0);
      node_position(m.config.grid, pr.point.i, pr.point.j, x[static_cast<std::size_t>(m2)],
                    y[static_cast<std::size_t>(m2)]);
      // Flow rates and forces are integrals over the water column: their elevation is the bed.
      z[static_cast<std::size_t>(m2)] = kind.z_source == 1 ? pr.z_uv : kind.z_source == 2 ? pr.z_p : 0.0f;
      ids.push_back(pr.id);
      descriptions.push_back(field32(kind.description));
      units.push_back(field32(kind.units));
    }
    const std::string& file = p.*kind.file;
    announce_output_file(reporter, working_dir, file);
    write_probe_time_series(file, data, nrec, p.time_step, 0.0f, x, y, z, ids, analysis, descriptions, units,
                            kWriterName, kVersion);
  }

  if (!p.gauges.empty()) {
    const std::size_t ng = p.gauges.size();
    std::vector<float> x1(ng), y1(ng), x2(ng), y2(ng);
    std::vector<std::string> descriptions(ng, field32("Runup Height")), units(ng, field32("meters"));
    for (std::size_t g = 0; g < ng; ++g) {
      node_position(m.config.grid, p.gauges[g].p1.i, p.gauges[g].p1.j, x1[g], y1[g]);
      node_position(m.config.grid, p.gauges[g].p2.i, p.gauges[g].p2.j, x2[g], y2[g]);
    }
    Field runup = rec.runup;
    const int bad_step = watch != nullptr ? watch->first_step_any : 0;
    for (int g = 1; g <= static_cast<int>(ng); ++g)
      invalidate_column(runup.col(g), nrec, bad_step > 0 ? bad_step + 1 : 0);
    announce_output_file(reporter, working_dir, p.ts_runup_file);
    write_gauge_time_series(p.ts_runup_file, runup, nrec, p.time_step, 0.0f, x1, y1, x2, y2, analysis, descriptions,
                            units, kWriterName, kVersion);
  }
}

void announce_output_file(const Reporter& reporter, std::string_view working_dir, std::string_view file_name) {
  std::string line = " SWELLIX Output File: \"";
  line += trim_right(working_dir);
  line += '\\';
  line += trim_right(file_name);
  line += '"';
  reporter.log_and_console(line);
}

void node_position(const GridHeader& g, int i, int j, float& x, float& y) {
  const float theta = g.grid_orientation * kPiRounded / 180.0f;
  const float c = std::cos(theta), s = std::sin(theta);
  const float di = static_cast<float>(i - 1) * g.delta_x, dj = static_cast<float>(j - 1) * g.delta_y;
  x = g.x_origin + di * c - dj * s;
  y = g.y_origin + di * s + dj * c;
}

std::string field32(std::string_view text) {
  std::string s(text.substr(0, std::min<std::size_t>(text.size(), 32)));
  s.resize(32, ' ');
  return s;
}

}  // namespace swx
