// The readers of the model keys, phase by phase.
#include "params/model_params.hpp"

#include "param_builder.hpp"

namespace swx {
namespace {

using test::fatal_from;
using test::ScratchDir;
using test::table_of;

const GridHeader kGrid{2.0f, 2.0f, 0.0f, 0.0f, 0.0f, 1, 10, 5};  // 10 x 5 nodes 2 m apart

const Reporter kQuiet{nullptr, nullptr};

TEST(ModelParams, ACompleteFileReadPhaseByPhase) {
  ScratchDir dir;
  const ParamTable t = table_of(
      dir,
      ":output_file_prefix Results/Case1\n:bathy_file Bathy.grd\n:tidal_offset 0.5\n:porosity_file poro.grd\n"
      ":char_stone_size 0.2\n:lam_friction_coeff 200\n:turb_friction_coeff 1.1\n:time_step 0.05\n"
      ":nonlinear_option Strong\n:duration 600 s\n:check_wave_breaking yes\n:turb_length_scale 1.5\n"
      ":calc_wave_runup no\n:chezy_coeff 1000\n:hs_file hs.grd\n:save_eta_animation\n:eta_anim_file Eta.bin\n"
      ":start_time 10\n:end_time 50\n:save_time_step 40\n:save_full_grid no\n:grid_i1 8\n:grid_i2 3\n:grid_j1 1\n"
      ":grid_j2 5\n:solution_file_option 2\n:kobl_solution_file Run.h5\n");
  ModelParams p;
  const GridHeader& g = kGrid;
  read_output_prefix(t, p);
  read_bathy_file_key(t, p);
  read_tidal_offset(t, p);
  read_damping_key(t, p);
  read_porosity_keys(t, p);
  read_time_stepping_keys(t, p);
  read_breaking_keys(t, p, 0.5f, 1.0f, 10.0f, kQuiet);
  read_friction_key(t, p);
  read_current_key(t, p);
  read_probe_blocks(t, p, g);
  read_gauge_blocks(t, p, g);
  read_output_requests(t, p, g);
  read_solution_file_keys(t, p);
  // Names lower-cased; 600 / 0.05 + 1 steps; min_flood_depth at least 0.5 / 1000; corners either way round.
  EXPECT_EQ(std::tie(p.output_file_prefix, p.bathy_file, p.porosity_file, p.eta_anim_file, p.kobl_solution_file),
            std::tuple("results/case1", "bathy.grd", "poro.grd", "eta.bin", "run.h5"));
  EXPECT_TRUE(p.has_porosity && !p.has_damping && !p.has_friction_file && !p.has_current);
  EXPECT_EQ(std::tie(p.tidal_offset, p.lam_friction_coeff, p.added_mass_coeff, p.chezy_coeff, p.save_time_step),
            std::tuple(0.5f, 200.0f, 0.0f, 1000.0f, 40.0f));
  EXPECT_EQ(std::tie(p.nonlinear_option, p.nsteps), std::tuple(2, 12001));
  EXPECT_EQ(std::tie(p.breaking_on, p.turb_length_scale, p.calc_wave_runup, p.min_flood_depth),
            std::tuple(1, 1.5f, 0, 0.5f / 1000.0f));
  EXPECT_TRUE(p.probes.empty() && p.gauges.empty() && p.has_hs_file);
  EXPECT_FALSE(p.has_mean_wl_file || p.has_mean_uv_file || p.has_mean_theta_file || p.has_runup_max_file);
  EXPECT_TRUE(p.save_eta_animation && !p.save_uv_animation);
  EXPECT_EQ(std::tie(p.grid_i1, p.grid_i2, p.grid_j1, p.grid_j2, p.solution_file_option), std::tuple(3, 8, 1, 5, 2));
}

TEST(ModelParams, ProbeAndGaugeBlocks) {
  ScratchDir dir;
  ModelParams p;
  p.calc_wave_runup = 1;
  const ParamTable t = table_of(dir,
                                ":ts_eta_file eta.ts\n:ts_pressure_file p.ts\n:ts_runup_file Runup.ts\n"
                                ":SAVE_TIMESERIES\n:Save_TS_Eta Yes\n:save_ts_uv no\n:save_ts_pressure yes\n"
                                ":ts_z_p -1.5\n:probe_id Gauge A\n:TS_X 10.2\n:ts_y 3.9\n:End_Save_TimeSeries\n"
                                ":save_timeseries\n:save_ts_eta no\n:save_ts_uv no\n:save_ts_pressure no\n"
                                ":ts_x 18\n:ts_y 8\n:end_save_timeseries\n"
                                ":save_runup\n:x1_runup 0\n:y1_runup 0\n:x2_runup 18\n:y2_runup 8\n:end_save_runup\n");
  read_probe_blocks(t, p, kGrid);
  read_gauge_blocks(t, p, kGrid);
  ASSERT_TRUE(p.probes.size() == 2u && p.gauges.size() == 1u);
  const ProbeSpec& a = p.probes[0];
  EXPECT_EQ(a.id, "gauge a");  // 10.2/2 + 1.5 = 6.6 -> node 6 at x = 10; 3.9/2 + 1.5 = 3.45 -> node 3 at y = 4
  EXPECT_TRUE(a.eta && a.pressure && !a.uv && !a.flowrate && !a.force);
  EXPECT_EQ(std::tie(a.point.x, a.point.y, a.point.i, a.point.j, a.z_p), std::tuple(10.0f, 4.0f, 6, 3, -1.5f));
  EXPECT_EQ(std::tie(p.probes[1].id, p.probes[1].point.i, p.probes[1].point.j), std::tuple("", 10, 5));
  EXPECT_EQ(std::tie(p.ts_eta_file, p.ts_pressure_file, p.ts_runup_file), std::tuple("eta.ts", "p.ts", "runup.ts"));
  EXPECT_EQ(std::tie(p.gauges[0].p1.i, p.gauges[0].p2.i, p.gauges[0].p2.y), std::tuple(1, 10, 8.0f));
}

// The phases, each run with runup on and a duration of 100 s already known.
using Phase = void (*)(const ParamTable&, ModelParams&);
constexpr Phase porosity = read_porosity_keys, damping = read_damping_key, stepping = read_time_stepping_keys,
                friction = read_friction_key, solution = read_solution_file_keys;
void breaking(const ParamTable& t, ModelParams& p) { read_breaking_keys(t, p, 0.5f, 1.0f, 10.0f, kQuiet); }
void probes(const ParamTable& t, ModelParams& p) { read_probe_blocks(t, p, kGrid); }
void gauges(const ParamTable& t, ModelParams& p) { read_gauge_blocks(t, p, kGrid); }
void outputs(const ParamTable& t, ModelParams& p) { read_output_requests(t, p, kGrid); }

TEST(ModelParams, FatalConditionsAndTheirOrder) {
  struct Case {
    const char* text;
    Phase phase;
    const char* line1;
    const char* line2;               // "": line1 is a keyword not found
    bool fatal_line_before = false;  // " " and "            *** fatal error ***" precede the box
  };
  const Case cases[] = {
      // lam_friction_coeff comes before turb_friction_coeff.
      {":porosity_file p\n:char_stone_size 0.2\n", porosity, "Parameter lam_friction_coeff", ""},
      {":damping_file\n", damping, "Invalid parameter value for damping_file", " "},
      {":time_step 0\n:nonlinear_option weak\n:duration 1\n", stepping, "time step has to be greater than zero", " "},
      {":time_step 0.1\n:nonlinear_option weak\n:duration -1\n", stepping,
       "Simulation duration has to be greater than 0.0", " "},
      {":time_step 0.1\n:duration -1\n", stepping, "Parameter nonlinear_option", ""},  // read before duration
      {":time_step 1e-30\n:nonlinear_option weak\n:duration 1e10\n", stepping,
       "Number of time steps is too large:", "reduce duration or increase time_step"},
      {":check_wave_breaking yes\n:turb_length_scale 1\n:calc_wave_runup yes\n:min_flood_depth 12\n", breaking,
       "Value of parameter: min_flood_depth has to be", "between 0.0 and 10.0"},
      {":chezy_coeff 4.9\n", friction, "Value of parameter: chezy_coeff has to be", "between 5.0 and 1000.0"},
      // ts_z_uv outside the block is not seen by the probe.
      {":ts_u_file u\n:ts_v_file v\n:ts_z_uv -3\n:save_timeseries\n:save_ts_eta no\n:save_ts_uv yes\n"
       ":save_ts_pressure no\n:ts_x 0\n:ts_y 0\n:end_save_timeseries\n",
       probes, "Parameter ts_z_uv", ""},
      {":save_runup\n:x1_runup 0\n:y1_runup 0\n:x2_runup 1\n:y2_runup 1\n:end_save_runup\n", gauges,
       "Parameter ts_runup_file", ""},
      {":hs_file hs.grd\n:mean_wl_file\n", outputs, "Invalid parameter value for mean_wl_file", " "},
      // save_time_step is limited to end_time - start_time = 40.
      {":save_uv_animation\n:uv_anim_file uv\n:start_time 10\n:end_time 50\n:save_time_step 41\n", outputs,
       "Value of parameter: save_time_step has to be", "between 0.0 and 40.0"},
      {":save_uv_animation\n:uv_anim_file uv\n:start_time 10\n:end_time 100.5\n", outputs,
       "Value of parameter: end_time has to be", "between 0.0 and 100.0"},
      {":save_uv_animation\n:uv_anim_file uv\n:start_time 0\n:end_time 5\n:save_time_step 1\n:save_full_grid no\n"
       ":grid_i1 1\n:grid_i2 11\n",
       outputs, "Value of parameter: grid_i2 has to be", "between 1 and 10"},
      {":solution_file_option 1\n", solution, "Parameter kobl_solution_file", ""},
      {":solution_file_option 1.5\n", solution, "Invalid parameter value for solution_file_option", " "},
      // Block 2 has no end: reported with its number before block 1 is read.
      {":save_timeseries\n:end_save_timeseries\n:save_timeseries\n:save_ts_eta no\n", probes,
       "END_SAVE_TIMESERIES symbol not found for", " time series # 2", true},
      {":save_runup\n:x1_runup 1\n", gauges, "END_SAVE_RUNUP symbol not found for", " runup gauge # 1", true},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    const ParamTable t = table_of(dir, c.text);
    ModelParams p;
    p.calc_wave_runup = 1;
    p.duration = 100.0f;
    const FatalError e = fatal_from([&] { c.phase(t, p); });
    const bool missing = std::string(c.line2).empty();
    EXPECT_EQ(e.line1, missing ? c.line1 + std::string(" not found in Simulation Parameter File") : c.line1) << c.text;
    EXPECT_EQ(e.line2, missing ? " " : c.line2) << c.text;
    const std::vector<std::string> boxed = {" ", "            *** fatal error ***"};
    EXPECT_EQ(e.before, c.fatal_line_before ? boxed : std::vector<std::string>()) << c.text;
  }
}

TEST(ModelParams, KeysSkippedByEarlierChoicesAndBreakingSwitchedOn) {
  ScratchDir dir;
  std::ostringstream console;
  // Breaking off (2 * 0.4 is under the 1.0 m shallowest wet depth): runup, the bad min_flood_depth
  // and the unended gauge block are never read.
  ModelParams p;
  ParamTable t = table_of(dir,
                          ":check_wave_breaking yes\n:turb_length_scale 0\n:calc_wave_runup yes\n"
                          ":min_flood_depth 99\n:save_runup\n");
  read_breaking_keys(t, p, 0.4f, 1.0f, 10.0f, Reporter{&console, nullptr});
  read_gauge_blocks(t, p, kGrid);
  EXPECT_EQ(std::tie(p.breaking_on, p.calc_wave_runup, p.min_flood_depth), std::tuple(0, 0, 0.0f));
  EXPECT_TRUE(p.gauges.empty());
  EXPECT_EQ(console.str(), "");
  // A friction file leaves the bad chezy_coeff unread; a full-grid animation reads no window.
  t = table_of(dir,
               ":chezy_coeff 4.9\n:friction_file Fric.grd\n:current_file cur.grd\n:save_uv_animation yes\n"
               ":uv_anim_file uv.bin\n:start_time 0\n:end_time 50\n:save_time_step 1\n:save_full_grid yes\n"
               ":grid_i1 99\n");
  p.duration = 100.0f;
  read_friction_key(t, p);
  read_current_key(t, p);
  read_output_requests(t, p, kGrid);
  EXPECT_EQ(std::tie(p.friction_file, p.current_file, p.has_friction_file, p.has_current, p.save_full_grid),
            std::tuple("fric.grd", "cur.grd", true, true, true));
  EXPECT_EQ(std::tie(p.grid_i1, p.grid_i2, p.grid_j1, p.grid_j2), std::tuple(1, 10, 1, 5));

  // 2 * 0.6 exceeds 1.0 m: breaking switched on with turb_length_scale 0.6, min_flood_depth 0.0006.
  p = ModelParams{};
  t = table_of(dir,
               ":check_wave_breaking no\n:turb_length_scale x\n:calc_wave_runup YES\n:min_flood_depth 0.0001\n"
               ":smagorinsky_const 0.2\n");
  read_breaking_keys(t, p, 0.6f, 1.0f, 10.0f, Reporter{&console, nullptr});
  EXPECT_EQ(console.str(), test::box_text(kWarningTitle, "waves will most probably break in the shallow",
                                          "regions of the computational domain", "... enabling wave breaking option"));
  EXPECT_EQ(std::tie(p.breaking_on, p.turb_length_scale, p.calc_wave_runup, p.min_flood_depth, p.smagorinsky_const),
            std::tuple(1, 0.6f, 1, 0.6f / 1000.0f, 0.2f));
  // A solitary first wavemaker takes the whole run as its statistics window.
  const StatisticsWindow w = statistics_window(100, 5.0f, 0.1f, true, true);
  EXPECT_EQ(std::tie(w.nts, w.k0, w.shorter), std::tuple(100, 1, false));
  EXPECT_EQ(number_of_time_steps(0.1f, 0.1f), 2);
}

}  // namespace
}  // namespace swx
