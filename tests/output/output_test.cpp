// Probe and runup records, wave statistics and their files.

#include "core/constants.hpp"
#include "output/probes.hpp"
#include "output/statistics.hpp"
#include "output_fixture.hpp"

namespace swx {
namespace {

using test::padded;

ProbeSpec probe(std::string id, int i, int j) { return {.id = std::move(id), .point = {.i = i, .j = j}}; }
GaugeSpec gauge(int i1, int j1, int i2, int j2) { return {.p1 = {.i = i1, .j = j1}, .p2 = {.i = i2, .j = j2}}; }

// A run of one step of the model's dt (two records) with these probes and gauges.
ModelParams one_step(const Model& m, std::vector<ProbeSpec> probes, std::vector<GaugeSpec> gauges = {}) {
  ModelParams p;
  std::tie(p.duration, p.time_step, p.probes, p.gauges) =
      std::tuple(m.config.dt, m.config.dt, std::move(probes), std::move(gauges));
  return p;
}

ProbeRecords record_one_step(const Model& m, const ModelParams& p) {
  ProbeRecords rec = init_probe_records(p);
  record_probes(rec, m, p, 1);
  return rec;
}

// A beach along x (depths 2, 1, 0.2, -0.5, -1 m) with two surface probes and one runup gauge on
// row 2; three records (duration 0.5 s, step 0.25 s).
TEST(ProbeFiles, SurfaceElevationAndRunupFiles) {
  const test::ScratchDir dir("probe_files");
  Model m = test::still_water_model(5, 3, 2.0f, 2.0f, 0.25f, 0.0f);
  std::tie(m.config.grid.x_origin, m.config.grid.y_origin, m.config.calc_wave_runup, m.config.min_flood_depth) =
      std::tuple(100.0f, 200.0f, 1, 0.01f);
  const float depth[5] = {2.0f, 1.0f, 0.2f, -0.5f, -1.0f};
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 5; ++i) m.bed.depth(i, j) = depth[i - 1];
  ModelParams p = one_step(m, {probe("p1", 2, 2), probe("", 3, 2)}, {gauge(1, 2, 5, 2)});
  p.duration = 0.5f;
  p.probes[0].eta = p.probes[1].eta = true;
  std::tie(p.ts_eta_file, p.ts_runup_file) = std::tuple(dir.path("eta.ts"), dir.path("runup.ts"));
  ProbeRecords rec = init_probe_records(p);
  ASSERT_EQ(rec.nsteps, 3);  // trunc(0.5 / 0.25 + 1)
  EXPECT_TRUE(rec.u.empty());
  // Rows of eta along row 2; the last wet/dry pair along the gauge (md = 0.01) gives the runup:
  // (3,4) -> 0.1; (4,5) -> 0.75; (3,4) then (4,5), the flooded cell beyond a dry one -> 1.2.
  const float rows[3][5] = {{0, 0.5f, 0.1f, 0.5f, 1.0f}, {0, 1.5f, 0.25f, 0.75f, 1.0f}, {0, -0.25f, 0.5f, 0.5f, 1.2f}};
  for (int r = 0; r < 3; ++r) {
    for (int i = 1; i <= 5; ++i) (r == 0 ? m.flow.eta_old : m.flow.eta_new)(i, 2) = rows[r][i - 1];
    if (r > 0) record_probes(rec, m, p, r);
  }
  record_probes(rec, m, p, 3);  // beyond N: not stored
  const StormSummary storm{{2.0f, 2.0f}, {6.0f, 10.0f}, 0.25f, false};
  std::ostringstream console, log;
  write_probe_files(rec, m, p, storm, Reporter{&console, &log}, "/work/run");
  EXPECT_EQ(log.str(), " SWELLIX Output File: \"/work/run\\" + p.ts_eta_file +
                           "\"\n SWELLIX Output File: \"/work/run\\" + p.ts_runup_file + "\"\n");
  EXPECT_EQ(console.str(), log.str());
  // Hav = sqrt((4 + 4) / 2), Tav = (4*6 + 4*10) / 8, T1 = 0.5 - 0.25; node (i, j) at (100 + 2 (i-1), 200 + 2 (j-1)).
  const std::string time = ":DataDescription(1)     Time~\n:DataUnits(1)           seconds~\n",
                    analysis =
                        "#\n:Wave_Hav               2 # ~\n:Wave_Tav               8 # ~\n"
                        ":Anal_T1               0.25 # ~\n:Anal_T2               0.5 # ~\n#\n"
                        ":NTimeSteps             3\n#\n:EndHeader\n";
  const std::string eta =
      ":NDataSets              3~\n" + time +
      ":DataDescription(2)     Surface Elevation~\n:DataUnits(2)           meters~\n"
      ":DataDescription(3)     Surface Elevation~\n:DataUnits(3)           meters~\n#\n"
      ":Probe_ID(1)            p1~\n:Probe_ID(2)            ~\n#\n:x_probe(1)             102 # meters~\n"
      ":y_probe(1)             202 # meters~\n:x_probe(2)             104 # meters~\n"
      ":y_probe(2)             202 # meters~\n" +
      analysis +
      "      0.0000         0.50000         0.10000    \n"
      "     0.25000          1.5000         0.25000    \n     0.50000        -0.25000         0.50000    \n";
  const std::string runup = ":NDataSets              2~\n" + time +
                            ":DataDescription(2)     Runup Height~\n:DataUnits(2)           meters~\n#\n"
                            ":x1_probe(1)             100 # meters~\n:y1_probe(1)             202 # meters~\n"
                            ":x2_probe(1)             108 # meters~\n:y2_probe(1)             202 # meters~\n" +
                            analysis +
                            "      0.0000         0.10000    \n     0.25000         0.75000    \n"
                            "     0.50000          1.2000    \n";
  for (const auto& [file, want] : {std::pair(p.ts_eta_file, eta), std::pair(p.ts_runup_file, runup)}) {
    const std::string text = test::read_text(file);  // from the line after the creation date's "#"
    EXPECT_EQ(text.substr(text.find("\n:NDataSets") + 1), padded(want)) << file;
  }
}

// Flat bed 2 m deep, u = 0.01 i^2 on every face, v = 0: S = u(f+1) - 2 u(f) + u(f-1) = 0.02,
// z_ref = 0.929516 m, bed velocity u + (z_ref^2 / 2) S; probe (2, 2) between faces 2 and 3:
// 0.065 + 0.00864 = 0.07364; flux 2 * 0.065 + 2 (0.432 - 4/6) 0.02 = 0.1206133.
// A current of 0.1 m/s adds 0.1 on the wet node; a dry node records 0.
TEST(ProbeRecords, VelocityProfileFlowRateAndDryNode) {
  Model m = test::still_water_model(6, 4, 1.0f, 1.0f, 0.1f, 2.0f);
  m.bed.depth(5, 3) = -1.0f;
  for (int j = 1; j <= 5; ++j)
    for (int i = 1; i <= 7; ++i) m.flow.u_new(i, j) = 0.01f * static_cast<float>(i * i);
  m.config.current_on = true;
  m.bed.current_x.fill(0.1f);
  ModelParams p = one_step(m, {probe("wet", 2, 2), probe("dry", 5, 3)});
  for (ProbeSpec& s : p.probes) s.uv = s.flowrate = true;
  const ProbeRecords rec = record_one_step(m, p);
  EXPECT_NEAR(rec.u(2, 1), 0.07364f + 0.1f, 2e-6f);
  EXPECT_NEAR(rec.v(2, 1), 0.0f, 1e-7f);
  EXPECT_NEAR(rec.uf(2, 1), 0.1206133f, 2e-6f);
  EXPECT_EQ(std::tie(rec.u(2, 2), rec.v(2, 2)), std::tuple(0.0f, 0.0f));
  EXPECT_NEAR(rec.u(1, 1), 0.1f, 1e-7f);  // row 1: the initial state at rest, in the current
}

// Still water 2 m deep, eta = 0.1, dt = 0.1, divergence grown by D = 0.0981 /s (u_new on face 4):
// at z = 0.5: 0.1 + 1.5 - 1.875 D / (9.81 dt) = 1.4125 m; above the surface 0; force
// 9.81 d^2/2 + d^3 D/(3 dt) at d = 2.1 = 24.659397.  The force has no dry test: land 0.5 m above
// the datum records 9.81 (-0.5)^2 / 2 at rest.  The strong option in still water gives the head.
TEST(ProbeRecords, PressureAndForce) {
  Model m = test::still_water_model(5, 5, 1.0f, 1.0f, 0.1f, 2.0f);
  m.flow.eta_new.fill(0.1f);
  m.flow.u_new(4, 3) = 0.0981f;
  m.bed.depth(2, 2) = -0.5f;
  m.flow.eta_new(2, 2) = 0.0f;
  ModelParams p = one_step(m, {probe("below", 3, 3), probe("above", 3, 3), probe("land", 2, 2)});
  p.probes[0].pressure = p.probes[1].pressure = p.probes[0].force = p.probes[2].force = true;
  p.probes[0].z_p = 0.5f;
  p.probes[1].z_p = 2.2f;
  ProbeRecords rec = record_one_step(m, p);
  EXPECT_NEAR(rec.pressure(2, 1), 1.4125f, 1e-5f);
  EXPECT_EQ(rec.pressure(2, 2), 0.0f);
  EXPECT_NEAR(rec.force(2, 1), 24.659397f, 1e-4f);
  EXPECT_NEAR(rec.pressure(1, 1), 1.5f, 1e-6f);  // row 1: eta_old = 0, at rest
  EXPECT_NEAR(rec.force(1, 1), 19.62f, 1e-5f);
  EXPECT_NEAR(rec.force(1, 3), 1.22625f, 1e-6f);
  EXPECT_NEAR(rec.force(2, 3), 1.22625f, 1e-6f);

  m = test::still_water_model(4, 4, 1.0f, 1.0f, 0.1f, 2.0f);
  m.config.nonlinear_option = 2;
  m.flow.eta_new.fill(0.1f);
  m.flow.eta_new(2, 3) = 0.2f;
  p = one_step(m, {probe("s", 1, 4)});  // an edge node: taken one node inside, at (2, 3)
  p.probes[0].pressure = true;
  p.probes[0].z_p = 0.5f;
  EXPECT_NEAR(record_one_step(m, p).pressure(2, 1), 1.7f, 1e-6f);
}

// Along y from (2, 1) to (2, 5): total depths 1.1, 0.6, 0.1, 0, 0 (md = 0.05) -> the pair (3, 4)
// gives eta(2, 3) = 0.3; a gauge pointing against the walk records nothing.  A steep gauge from
// (1, 1) to (2, 8) has tan(theta) a little above 7 in float, so it stays in column 1.
TEST(ProbeRecords, RunupGaugeWalks) {
  Model m = test::still_water_model(3, 5, 1.0f, 1.0f, 0.1f, 0.0f);
  std::tie(m.config.calc_wave_runup, m.config.min_flood_depth) = std::tuple(1, 0.05f);
  const float depth[5] = {1.0f, 0.5f, -0.2f, -0.4f, -0.6f}, eta[5] = {0.1f, 0.1f, 0.3f, 0.4f, 0.6f};
  for (int j = 1; j <= 5; ++j)
    for (int i = 1; i <= 3; ++i) m.bed.depth(i, j) = depth[j - 1], m.flow.eta_new(i, j) = eta[j - 1];
  const ProbeRecords rec = record_one_step(m, one_step(m, {}, {gauge(2, 1, 2, 5), gauge(2, 5, 2, 1)}));
  EXPECT_FLOAT_EQ(rec.runup(2, 1), 0.3f);
  EXPECT_EQ(rec.runup(2, 2), 0.0f);

  m = test::still_water_model(2, 8, 1.0f, 1.0f, 0.1f, 1.0f);
  std::tie(m.config.calc_wave_runup, m.config.min_flood_depth) = std::tuple(1, 0.05f);
  m.bed.depth(1, 8) = -1.0f;
  m.flow.eta_new(1, 7) = 0.2f;
  const ModelParams p = one_step(m, {}, {gauge(1, 1, 2, 8)});
  ASSERT_LT(7.0f / std::tan(init_probe_records(p).gauge_angle[0]) + 1.0f, 2.0f);
  EXPECT_FLOAT_EQ(record_one_step(m, p).runup(2, 1), 0.2f);

  float x = 0, y = 0;  // node (2, 1) of a grid turned by 90 degrees lies delta_x north of the origin
  node_position(GridHeader{5.0f, 1.0f, 10.0f, 20.0f, 90.0f, 1, 2, 2}, 2, 1, x, y);
  EXPECT_LT(std::hypot(x - 10.0f, y - 25.0f), 1e-5f);
}

// 161 steps (20 s, dt 0.125): Nwin = trunc(160 + 1.5) = 161, k0 = 1, steps 2..161 summed over 161.
ModelParams twenty_second_run() {
  ModelParams p;
  std::tie(p.time_step, p.duration) = std::tuple(0.125f, 20.0f);
  return p;
}
StormSummary storm_of(float duration) { return {{1.0f}, {2.5f}, duration, false}; }

// A sine of height 1 over 8 whole periods: Hs = 4 sqrt(1/8) = sqrt(2), lowered by sqrt(160/161).
// Always dry land: MWL = Hs = 0.  Land flooded once to 0.4 keeps R = 0.4; sea gets no runup.
TEST(Statistics, SignificantWaveHeightMeanLevelAndRunup) {
  ModelParams p = twenty_second_run();
  p.has_hs_file = p.has_runup_max_file = true;
  Model m = test::still_water_model(3, 2, 1.0f, 1.0f, p.time_step, 5.0f);
  std::tie(m.bed.depth(2, 1), m.bed.depth(3, 1)) = std::tuple(-1.0f, -0.2f);
  std::ostringstream console;
  Statistics st = init_statistics(p, m.config.grid, storm_of(20.0f), Reporter{&console, nullptr});
  ASSERT_EQ(std::tie(st.nsteps, st.nwin, st.k0), std::tuple(161, 161, 1));
  EXPECT_TRUE(st.water_level);  // needed for Hs
  EXPECT_TRUE(!st.mean_velocity && st.su.empty() && st.eu.empty());
  EXPECT_EQ(console.str(), "");
  for (int k = 1; k <= st.nsteps; ++k) {
    m.flow.eta_new.fill(0.5f * std::sin(kTwoPi * static_cast<float>(k) / 20.0f));
    m.flow.eta_new(2, 1) = 1.0f;                  // total depth 0: dry
    m.flow.eta_new(3, 1) = k == 5 ? 0.4f : 0.2f;  // flooded at step 5 only
    accumulate_statistics(st, m, k);
  }
  const StatisticsResults r = finalise_statistics(st, m.config.grid);
  EXPECT_NEAR(r.hs(1, 2), std::sqrt(2.0f), 0.01f * std::sqrt(2.0f));
  EXPECT_NEAR(r.mwl(1, 2), 0.0f, 1e-4f);
  EXPECT_EQ(std::tie(r.mwl(2, 1), r.hs(2, 1), r.runup_max(1, 1)), std::tuple(0.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(r.runup_max(3, 1), 0.4f);
}

// A run shorter than the storm with hs_file warns and takes every step; without it, no box.
TEST(Statistics, ShortRunWarning) {
  ModelParams p = twenty_second_run();
  p.has_hs_file = true;
  const GridHeader g{1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1};
  std::ostringstream console, quiet;
  const Statistics st = init_statistics(p, g, storm_of(40.0f), Reporter{&console, nullptr});
  EXPECT_EQ(std::tie(st.k0, st.nwin), std::tuple(0, 321));  // trunc(40 / 0.125 + 1.5)
  EXPECT_EQ(console.str(), test::box_text(kWarningTitle, "simulation duration is shorter than storm duration",
                                          "- computed significant wave height distribution",
                                          "may not be representative of input storm"));
  std::tie(p.has_hs_file, p.has_mean_wl_file) = std::tuple(false, true);
  EXPECT_EQ(init_statistics(p, g, storm_of(40.0f), Reporter{&quiet, nullptr}).k0, 1);
  EXPECT_EQ(quiet.str(), "");
}

// (u, v) at -10 degrees on a grid turned by 30 gives a direction of 20; mean velocities are
// node-centred face means over Nwin.
TEST(Statistics, DirectionWithOrientationAndMeanVelocity) {
  ModelParams p = twenty_second_run();
  p.has_mean_theta_file = p.has_mean_uv_file = true;
  Model m = test::still_water_model(2, 1, 1.0f, 1.0f, p.time_step, 3.0f);
  m.config.grid.grid_orientation = 30.0f;
  Statistics st = init_statistics(p, m.config.grid, storm_of(20.0f), Reporter{});
  const float a = -10.0f * kPiRounded / 180.0f;
  m.flow.eta_new.fill(1.0f);
  m.flow.u_new.fill(std::cos(a));
  m.flow.v_new.fill(std::sin(a));
  m.flow.u_new(3, 1) = 0.0f;        // eastern edge face
  accumulate_statistics(st, m, 1);  // before the window: nothing
  accumulate_statistics(st, m, 2);
  const StatisticsResults r = finalise_statistics(st, m.config.grid);
  EXPECT_NEAR(r.theta(1, 1), 20.0f, 1e-4f);
  EXPECT_NEAR(r.mean_u(2, 1), 0.4924039f / 161.0f, 1e-8f);  // cos(-10 deg) / 2
  EXPECT_NEAR(r.mean_v(1, 1), std::sin(a) / 161.0f, 1e-8f);
}

}  // namespace
}  // namespace swx
