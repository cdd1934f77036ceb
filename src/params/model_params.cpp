#include "params/model_params.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "core/fatal.hpp"
#include "io/number_text.hpp"

namespace swx {

namespace {

bool is_yes(const std::string& v) { return v == "yes"; }

// Sane bounds of values that have no natural upper limit: far beyond any real case, they only
// catch a value that would make the arithmetic overflow.
constexpr float kMaxStoneSize = 100.0f;        // m
constexpr float kMaxResistanceCoeff = 1.0e7f;  // porous-flow resistance coefficients
constexpr float kMaxSmagorinsky = 10.0f;
constexpr float kMaxDamping = 1000.0f;  // 1/s
constexpr float kMaxCurrent = 20.0f;    // m/s

// Integer part of a non-negative step count computed in single precision; fatal when the
// count does not fit a 32-bit integer (a duration far too long for its time step).
int step_count(float q) {
  if (!(q < 2147483520.0f)) fatal("Number of time steps is too large:", "reduce duration or increase time_step");
  return static_cast<int>(q);
}

// "flag, then text": the key's presence, then its value, a file name.  A key given without a
// name could only fail later when the file is opened, so it is refused here as an invalid value.
bool read_optional_file(const ParamTable& t, const char* key, std::string& name) {
  if (!has_key(t, key)) return false;
  name = get_text(t, key);
  if (name.empty()) fatal(std::string("Invalid parameter value for ") + key);
  return true;
}

// Block k of the blocks opened by start_key and closed by the next end_key; fatal with the
// console lines of a missing end when the table ends first.
std::vector<Block> find_blocks(const ParamTable& t, const char* start_key, const char* end_key, const char* what1,
                               const char* what2) {
  const std::vector<int> starts = find_entries(t, start_key);
  std::vector<Block> blocks;
  blocks.reserve(starts.size());
  for (std::size_t k = 0; k < starts.size(); ++k) {
    int last = 0;
    for (int n = starts[k] + 1; n <= t.size() && last == 0; ++n)
      if (t.keys[static_cast<std::size_t>(n - 1)] == end_key) last = n;
    if (last == 0) {
      FatalError e(what1, what2 + compact_int(static_cast<long long>(k) + 1), " ");
      e.before = {" ", "            *** fatal error ***"};
      throw e;
    }
    blocks.push_back(Block{starts[k], last});
  }
  return blocks;
}

// Node indices of a snapped probe position: i = int(x / dx + 1.5), j = int(y / dy + 1.5).
void probe_indices(GridPoint& q, const GridHeader& g) {
  q.i = static_cast<int>(q.x / g.delta_x + 1.5f);
  q.j = static_cast<int>(q.y / g.delta_y + 1.5f);
}

ProbeSpec read_probe(const ParamTable& t, Block b, const GridHeader& grid, ModelParams& p) {
  ProbeSpec s;  // the probe id stays blank unless probe_id is given
  s.eta = is_yes(get_lower_text_in_block(t, "save_ts_eta", b));
  if (s.eta) p.ts_eta_file = get_text(t, "ts_eta_file");
  s.uv = is_yes(get_lower_text_in_block(t, "save_ts_uv", b));
  if (s.uv) {
    p.ts_u_file = get_text(t, "ts_u_file");
    p.ts_v_file = get_text(t, "ts_v_file");
  }
  if (has_key_in_block(t, "save_ts_flowrate", b))
    s.flowrate = is_yes(get_lower_text_in_block(t, "save_ts_flowrate", b));
  if (s.flowrate) {
    p.ts_uf_file = get_text(t, "ts_uf_file");
    p.ts_vf_file = get_text(t, "ts_vf_file");
  }
  s.pressure = is_yes(get_lower_text_in_block(t, "save_ts_pressure", b));
  if (s.pressure) p.ts_pressure_file = get_text(t, "ts_pressure_file");
  if (has_key_in_block(t, "save_ts_force", b)) s.force = is_yes(get_lower_text_in_block(t, "save_ts_force", b));
  if (s.force) p.ts_force_file = get_text(t, "ts_force_file");
  if (has_key_in_block(t, "probe_id", b)) s.id = get_text_in_block(t, "probe_id", b);
  s.point = get_grid_point_in_block(t, "ts_x", "ts_y", b, grid);
  probe_indices(s.point, grid);
  if (s.uv) s.z_uv = get_real_in_block(t, "ts_z_uv", b);
  if (s.pressure) s.z_p = get_real_in_block(t, "ts_z_p", b);
  return s;
}

}  // namespace

void read_output_prefix(const ParamTable& t, ModelParams& p) {
  p.output_file_prefix = get_text(t, "output_file_prefix");
}

void read_bathy_file_key(const ParamTable& t, ModelParams& p) { p.bathy_file = get_text(t, "bathy_file"); }

void read_tidal_offset(const ParamTable& t, ModelParams& p) { p.tidal_offset = get_real(t, "tidal_offset"); }

void read_damping_key(const ParamTable& t, ModelParams& p) {
  p.has_damping = read_optional_file(t, "damping_file", p.damping_file);
}

void read_porosity_keys(const ParamTable& t, ModelParams& p) {
  p.has_porosity = has_key(t, "porosity_file");
  if (!p.has_porosity) return;
  p.char_stone_size = get_real_above(t, "char_stone_size", 0.0f, kMaxStoneSize);
  p.lam_friction_coeff = get_real_in_range(t, "lam_friction_coeff", 0.0f, kMaxResistanceCoeff);
  p.turb_friction_coeff = get_real_in_range(t, "turb_friction_coeff", 0.0f, kMaxResistanceCoeff);
  p.added_mass_coeff = 0.0f;
  get_real_optional(t, "added_mass_coeff", p.added_mass_coeff);
  if (!(p.added_mass_coeff >= 0.0f && p.added_mass_coeff <= kMaxResistanceCoeff))
    fatal("Value of parameter: added_mass_coeff has to be",
          "between 0.0 and " + fixed_decimal_text(kMaxResistanceCoeff, 4));
  p.porosity_file = get_text(t, "porosity_file");
}

int number_of_time_steps(float duration, float time_step) { return step_count(duration / time_step + 1.0f); }

float read_time_step(const ParamTable& t) {
  const float dt = get_real(t, "time_step");
  if (dt <= 0.0f) fatal("time step has to be greater than zero");
  return dt;
}

float read_duration(const ParamTable& t) {
  const float duration = get_real(t, "duration");
  if (duration <= 0.0f) fatal("Simulation duration has to be greater than 0.0");
  return duration;
}

void read_time_stepping_keys(const ParamTable& t, ModelParams& p) {
  p.time_step = read_time_step(t);
  p.nonlinear_option = get_lower_text(t, "nonlinear_option") == "strong" ? 2 : 1;
  p.duration = read_duration(t);
  p.nsteps = number_of_time_steps(p.duration, p.time_step);
}

void read_breaking_keys(const ParamTable& t, ModelParams& p, float rms_wave_height, float min_wet_depth,
                        float max_depth, const Reporter& reporter) {
  p.breaking_on = 0;
  p.check_wave_breaking = is_yes(get_lower_text(t, "check_wave_breaking"));
  if (p.check_wave_breaking) {
    p.turb_length_scale = get_real(t, "turb_length_scale");
    if (p.turb_length_scale > 0.0f) p.breaking_on = 1;
  }
  if (p.breaking_on == 0 && 2.0f * rms_wave_height > min_wet_depth) {
    reporter.warning("waves will most probably break in the shallow", "regions of the computational domain",
                     "... enabling wave breaking option");
    p.breaking_on = 1;
    p.turb_length_scale = rms_wave_height;
  }
  p.calc_wave_runup = 0;
  p.min_flood_depth = 0.0f;
  if (p.breaking_on != 0) {
    p.calc_wave_runup = is_yes(get_lower_text(t, "calc_wave_runup")) ? 1 : 0;
    if (p.calc_wave_runup != 0) p.min_flood_depth = get_real_in_range(t, "min_flood_depth", 0.0f, max_depth);
    p.min_flood_depth = std::max(p.min_flood_depth, rms_wave_height / 1000.0f);
  }
  p.smagorinsky_const = 0.0f;
  get_real_optional(t, "smagorinsky_const", p.smagorinsky_const);
  if (!(p.smagorinsky_const >= 0.0f && p.smagorinsky_const <= kMaxSmagorinsky))
    fatal("Value of parameter: smagorinsky_const has to be",
          "between 0.0 and " + fixed_decimal_text(kMaxSmagorinsky, 4));
  p.swash_scheme = 1;
  if (has_key(t, "swash_scheme")) {
    const std::string s = get_lower_text(t, "swash_scheme");
    if (s != "robust" && s != "basic") fatal("Value of parameter: swash_scheme has to be", "robust or basic");
    p.swash_scheme = s == "robust" ? 1 : 0;
  }
}

void read_friction_key(const ParamTable& t, ModelParams& p) {
  p.has_friction_file = read_optional_file(t, "friction_file", p.friction_file);
  if (!p.has_friction_file) p.chezy_coeff = get_real_in_range(t, "chezy_coeff", 5.0f, 1000.0f);
}

void read_current_key(const ParamTable& t, ModelParams& p) {
  p.has_current = read_optional_file(t, "current_file", p.current_file);
}

void read_probe_blocks(const ParamTable& t, ModelParams& p, const GridHeader& grid) {
  const std::vector<Block> blocks = find_blocks(t, "save_timeseries", "end_save_timeseries",
                                                "END_SAVE_TIMESERIES symbol not found for", " time series # ");
  p.probes.assign(blocks.size(), ProbeSpec{});
  for (std::size_t k = 0; k < blocks.size(); ++k) p.probes[k] = read_probe(t, blocks[k], grid, p);
}

void read_gauge_blocks(const ParamTable& t, ModelParams& p, const GridHeader& grid) {
  p.gauges.clear();
  if (p.calc_wave_runup == 0) return;
  const std::vector<Block> blocks =
      find_blocks(t, "save_runup", "end_save_runup", "END_SAVE_RUNUP symbol not found for", " runup gauge # ");
  if (blocks.empty()) return;
  p.ts_runup_file = get_text(t, "ts_runup_file");
  for (const Block& b : blocks) {
    GaugeSpec g;
    g.p1 = get_grid_point_in_block(t, "x1_runup", "y1_runup", b, grid);
    g.p2 = get_grid_point_in_block(t, "x2_runup", "y2_runup", b, grid);
    p.gauges.push_back(g);
  }
}

void read_output_requests(const ParamTable& t, ModelParams& p, const GridHeader& grid) {
  p.has_hs_file = read_optional_file(t, "hs_file", p.hs_file);
  p.has_mean_uv_file = read_optional_file(t, "mean_uv_file", p.mean_uv_file);
  p.has_mean_wl_file = read_optional_file(t, "mean_wl_file", p.mean_wl_file);
  p.has_mean_theta_file = read_optional_file(t, "mean_theta_file", p.mean_theta_file);
  p.has_runup_max_file = read_optional_file(t, "runup_max_file", p.runup_max_file);

  p.save_eta_animation = has_key(t, "save_eta_animation");
  if (p.save_eta_animation) p.eta_anim_file = get_text(t, "eta_anim_file");
  p.save_uv_animation = has_key(t, "save_uv_animation");
  if (p.save_uv_animation) p.uv_anim_file = get_text(t, "uv_anim_file");
  if (!p.save_eta_animation && !p.save_uv_animation) return;

  p.start_time = get_real_in_range(t, "start_time", 0.0f, p.duration);
  p.end_time = get_real_in_range(t, "end_time", 0.0f, p.duration);
  // The window cannot end before it starts.
  if (p.end_time < p.start_time)
    fatal("Value of parameter: end_time has to be",
          "between " + fixed_decimal_text(p.start_time, 4) + " and " + fixed_decimal_text(p.duration, 4));
  p.save_time_step = get_real_in_range(t, "save_time_step", 0.0f, p.end_time - p.start_time);
  p.save_full_grid = is_yes(get_lower_text(t, "save_full_grid"));
  if (p.save_full_grid) {
    p.grid_i1 = 1;
    p.grid_i2 = grid.ngrid_x;
    p.grid_j1 = 1;
    p.grid_j2 = grid.ngrid_y;
    return;
  }
  p.grid_i1 = get_integer_in_range(t, "grid_i1", 1, grid.ngrid_x);
  p.grid_i2 = get_integer_in_range(t, "grid_i2", 1, grid.ngrid_x);
  p.grid_j1 = get_integer_in_range(t, "grid_j1", 1, grid.ngrid_y);
  p.grid_j2 = get_integer_in_range(t, "grid_j2", 1, grid.ngrid_y);
  // A window given with its corners the other way round is the same rectangle.
  if (p.grid_i2 < p.grid_i1) std::swap(p.grid_i1, p.grid_i2);
  if (p.grid_j2 < p.grid_j1) std::swap(p.grid_j1, p.grid_j2);
}

void read_solution_file_keys(const ParamTable& t, ModelParams& p) {
  p.solution_file_option = 0;
  if (has_key(t, "solution_file_option"))
    p.solution_file_option = get_integer_in_block(t, "solution_file_option", Block{1, t.size()});
  // Without a name the solution file could not be created: stop here with the not-found message.
  if (p.solution_file_option > 0) p.kobl_solution_file = get_text(t, "kobl_solution_file");
}

AnimationSteps animation_steps(float start_time, float end_time, float save_time_step, float time_step) {
  AnimationSteps a;
  a.kstart = step_count(start_time / time_step + 1.5f);
  a.kend = step_count(end_time / time_step + 1.5f);
  a.kint = std::max(step_count(save_time_step / time_step), 1);
  return a;
}

StatisticsWindow statistics_window(int nsteps, float storm_duration, float time_step, bool solitary_wavemaker1,
                                   bool has_hs_file) {
  StatisticsWindow w;
  w.nts = solitary_wavemaker1 ? nsteps : step_count(storm_duration / time_step + 1.5f);
  w.shorter = has_hs_file && nsteps - w.nts < 0;
  w.k0 = w.shorter ? 0 : std::max(1, nsteps - w.nts);
  return w;
}

namespace {

// A value as a message shows it, whatever its size (1.5, 0, 1e+30).
std::string general_text(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
  return buf;
}

// The first node (j outer, i inner) whose value fails the test, as the box names it.
template <class Test>
void check_grid_values(const Field& a, int nx, int ny, std::string_view what, const std::string& file_name,
                       std::string_view condition, Test ok) {
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) {
      if (ok(a(i, j))) continue;
      fatal("Value " + general_text(a(i, j)) + " at i = " + compact_int(i) + ", j = " + compact_int(j) + " of " +
                std::string(what) + " file: " + file_name,
            std::string(condition));
    }
}

}  // namespace

void check_porosity_grid(const Field& a, int nx, int ny, const std::string& file_name) {
  check_grid_values(a, nx, ny, "porosity", file_name, "porosity has to be greater than 0.0 and at most 1.0",
                    [](float n) { return n > 0.0f && n <= 1.0f; });
}

void check_damping_grid(const Field& a, int nx, int ny, const std::string& file_name) {
  check_grid_values(a, nx, ny, "damping", file_name,
                    "damping has to be between 0.0 and " + fixed_decimal_text(kMaxDamping, 4) + " (1/s)",
                    [](float d) { return d >= 0.0f && d <= kMaxDamping; });
}

void check_friction_grid(const Field& a, int nx, int ny, const std::string& file_name) {
  check_grid_values(a, nx, ny, "friction", file_name, "the Chezy coefficient has to be greater than 0.0",
                    [](float c) { return c > 0.0f && std::isfinite(c); });
}

void check_current_grid(const Field& cx, const Field& cy, int nx, int ny, const std::string& file_name) {
  const std::string condition = "currents have to lie between -" + fixed_decimal_text(kMaxCurrent, 4) + " and " +
                                fixed_decimal_text(kMaxCurrent, 4) + " m/s";
  const auto ok = [](float c) { return c >= -kMaxCurrent && c <= kMaxCurrent; };
  check_grid_values(cx, nx, ny, "current", file_name, condition, ok);
  check_grid_values(cy, nx, ny, "current", file_name, condition, ok);
}

}  // namespace swx
