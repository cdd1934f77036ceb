// Probe and runup-gauge records and their time series files.
#include "output/probes.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "output_fixture.hpp"

namespace swx {
namespace {

std::string padded(std::string s) {
  s.resize(256, ' ');
  return s;
}

ProbeSpec probe(std::string id, int i, int j) {
  ProbeSpec p;
  p.id = std::move(id);
  p.point.i = i;
  p.point.j = j;
  return p;
}

GaugeSpec gauge(int i1, int j1, int i2, int j2) {
  GaugeSpec g;
  g.p1.i = i1;
  g.p1.j = j1;
  g.p2.i = i2;
  g.p2.j = j2;
  return g;
}

// Parameters of a run of one time step of the model's dt (two records) with these probes and gauges.
ModelParams one_step(const Model& m, std::vector<ProbeSpec> probes, std::vector<GaugeSpec> gauges = {}) {
  ModelParams p;
  p.duration = p.time_step = m.dt;
  p.probes = std::move(probes);
  p.gauges = std::move(gauges);
  return p;
}

// The records of step 1 (row 1: the old level, row 2: the new one).
ProbeRecords record_one_step(const Model& m, const ModelParams& p) {
  ProbeRecords rec = init_probe_records(p);
  record_probes(rec, m, p, 1);
  return rec;
}

// The lines of a time series file up to its position section, the creation date as "<date>".
std::vector<std::string> opening_lines(int n, const std::string& description) {
  std::vector<std::string> l = {"# SWELLIX Type 2 Time Series File",
                                ":WrittenBy       " + padded("SWELLIX Version 5"),
                                "<date>",
                                "#",
                                padded(":NDataSets              " + std::to_string(n + 1)),
                                padded(":DataDescription(1)     Time"),
                                padded(":DataUnits(1)           seconds")};
  for (int m = 2; m <= n + 1; ++m) {
    l.push_back(padded(":DataDescription(" + std::to_string(m) + ")     " + description));
    l.push_back(padded(":DataUnits(" + std::to_string(m) + ")           meters"));
  }
  l.push_back("#");
  return l;
}

// A beach along x (depths 2, 1, 0.2, -0.5, -1 m in every row) with two surface-elevation probes
// and one runup gauge along row 2; three records (duration 0.5 s, step 0.25 s).  The whole
// files are compared, apart from the creation date.
TEST(ProbeFiles, SurfaceElevationAndRunupFilesWholeText) {
  const test::ScratchDir dir("probe_files");
  Model m = test::still_water_model(5, 3, 2.0f, 2.0f, 0.25f, 0.0f);
  m.grid.x_origin = 100.0f;
  m.grid.y_origin = 200.0f;
  m.calc_wave_runup = 1;
  m.min_flood_depth = 0.01f;
  const float depth[5] = {2.0f, 1.0f, 0.2f, -0.5f, -1.0f};
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 5; ++i) m.depth(i, j) = depth[i - 1];

  ModelParams p = one_step(m, {probe("p1", 2, 2), probe("", 3, 2)}, {gauge(1, 2, 5, 2)});
  p.duration = 0.5f;
  p.probes[0].eta = p.probes[1].eta = true;
  p.ts_eta_file = (dir / "eta.ts").string();
  p.ts_runup_file = (dir / "runup.ts").string();

  ProbeRecords rec = init_probe_records(p);
  ASSERT_EQ(rec.nsteps, 3);    // trunc(0.5 / 0.25 + 1)
  EXPECT_TRUE(rec.u.empty());  // no probe records velocities

  // Surface along row 2 (cells 1..5) for the three records, with total depths d = h + eta and
  // the wet/dry pairs along the gauge (md = 0.01):
  //  row 1: 0, 0.5, 0.1, 0.5, 1.0    d = 2, 1.5, 0.3, 0, 0    pair (3,4) -> eta(3) = 0.1
  //  row 2: 0, 1.5, 0.25, 0.75, 1.0  d = 2, 2.5, 0.45, 0.25, 0 pair (4,5) -> eta(4) = 0.75
  //  row 3: 0, -0.25, 0.5, 0.5, 1.2  d = 2, 0.75, 0.7, 0, 0.2 pairs (3,4) then (4,5): the last,
  //         flooded cell 5 beyond the dry cell 4, wins -> 1.2
  const float rows[3][5] = {{0, 0.5f, 0.1f, 0.5f, 1.0f}, {0, 1.5f, 0.25f, 0.75f, 1.0f}, {0, -0.25f, 0.5f, 0.5f, 1.2f}};
  auto set_row = [&](Field& eta, int r) {
    for (int i = 1; i <= 5; ++i) eta(i, 2) = rows[r][i - 1];
  };
  set_row(m.eta_old, 0);
  set_row(m.eta_new, 1);
  record_probes(rec, m, p, 1);  // rows 1 (initial state) and 2
  set_row(m.eta_new, 2);
  record_probes(rec, m, p, 2);  // row 3
  record_probes(rec, m, p, 3);  // would be row 4: beyond N, not stored

  StormSummary storm;
  storm.wave_height = {2.0f, 2.0f};
  storm.wave_period = {6.0f, 10.0f};
  storm.time_series_duration = 0.25f;
  std::ostringstream console, log;
  write_probe_files(rec, m, p, storm, Reporter{&console, &log}, "/work/run");

  const std::string announce_eta = " SWELLIX Output File: \"/work/run\\" + p.ts_eta_file + "\"\n";
  const std::string announce_runup = " SWELLIX Output File: \"/work/run\\" + p.ts_runup_file + "\"\n";
  EXPECT_EQ(log.str(), announce_eta + announce_runup);
  EXPECT_EQ(console.str(), log.str());

  // Analysis parameters: Wave_Hav = sqrt((4 + 4) / 2) = 2; Wave_Tav = (4*6 + 4*10) / 8 = 8;
  // Anal_T1 = 0.5 - 0.25 = 0.25; Anal_T2 = 0.5.  Positions: node (i, j) at
  // (100 + 2 (i - 1), 200 + 2 (j - 1)).
  const std::vector<std::string> analysis = {"#",
                                             padded(":Wave_Hav               2 # "),
                                             padded(":Wave_Tav               8 # "),
                                             padded(":Anal_T1               0.25 # "),
                                             padded(":Anal_T2               0.5 # "),
                                             "#",
                                             ":NTimeSteps             3",
                                             "#",
                                             ":EndHeader"};
  std::vector<std::string> eta_expected = opening_lines(2, "Surface Elevation");
  for (const char* line : {":Probe_ID(1)            p1", ":Probe_ID(2)            "})
    eta_expected.push_back(padded(line));
  eta_expected.push_back("#");
  for (const char* line : {":x_probe(1)             102 # meters", ":y_probe(1)             202 # meters",
                           ":x_probe(2)             104 # meters", ":y_probe(2)             202 # meters"})
    eta_expected.push_back(padded(line));
  eta_expected.insert(eta_expected.end(), analysis.begin(), analysis.end());
  for (const char* line :
       {"      0.0000         0.50000         0.10000    ", "     0.25000          1.5000         0.25000    ",
        "     0.50000        -0.25000         0.50000    "})
    eta_expected.push_back(line);

  std::vector<std::string> runup_expected = opening_lines(1, "Runup Height");
  for (const char* line : {":x1_probe(1)             100 # meters", ":y1_probe(1)             202 # meters",
                           ":x2_probe(1)             108 # meters", ":y2_probe(1)             202 # meters"})
    runup_expected.push_back(padded(line));
  runup_expected.insert(runup_expected.end(), analysis.begin(), analysis.end());
  for (const char* line :
       {"      0.0000         0.10000    ", "     0.25000         0.75000    ", "     0.50000          1.2000    "})
    runup_expected.push_back(line);

  for (auto [file, expected] : {std::pair{p.ts_eta_file, eta_expected}, std::pair{p.ts_runup_file, runup_expected}}) {
    std::vector<std::string> lines = test::lines_of(test::read_text(file));
    ASSERT_EQ(lines.size(), expected.size()) << file;
    EXPECT_EQ(lines[2].substr(0, 17), ":CreationDate    ");
    EXPECT_EQ(lines[2].size(), 17u + 24u);
    lines[2] = "<date>";
    for (std::size_t n = 0; n < lines.size(); ++n) EXPECT_EQ(lines[n], expected[n]) << file << " line " << n + 1;
  }
}

// Velocities from the vertical profile and flow rates on a flat bed 2 m deep, dx = dy = 1 m,
// with u = 0.01 i^2 on every u-face and v = 0:
//   S on face f = u(f+1) - 2 u(f) + u(f-1) = 0.02 /m/s, G = 0 (flat bed, no v);
//   z_ref = 0.464758 * 2 = 0.929516 m above the bed, z_ref^2 = 0.864;
//   u at the bed (z = 0) = u + (z_ref^2 / 2) S = u + 0.00864;
//   probe at (2, 2): faces 2 and 3 hold 0.04 and 0.09 -> (0.04 + 0.09)/2 + 0.00864 = 0.07364;
//   flux per face = d u + h K1 S with K1 = z_ref^2/2 - h^2/6 = 0.432 - 0.666667 = -0.234667:
//   (2 * 0.065) + 2 * (-0.234667) * 0.02 = 0.13 - 0.0093867 = 0.1206133.
// A current of 0.1 m/s in x adds 0.1 on the wet node; a probe on a dry node records 0.
TEST(ProbeRecords, VelocityProfileFlowRateAndDryNode) {
  Model m = test::still_water_model(6, 4, 1.0f, 1.0f, 0.1f, 2.0f);
  m.depth(5, 3) = -1.0f;  // dry land cell, eta 0
  for (int j = 1; j <= 5; ++j)
    for (int i = 1; i <= 7; ++i) m.u_new(i, j) = 0.01f * static_cast<float>(i * i);
  m.current_on = true;
  m.current_x.fill(0.1f);
  ModelParams p = one_step(m, {probe("wet", 2, 2), probe("dry", 5, 3)});
  for (ProbeSpec& s : p.probes) s.uv = s.flowrate = true;
  const ProbeRecords rec = record_one_step(m, p);
  EXPECT_NEAR(rec.u(2, 1), 0.07364f + 0.1f, 2e-6f);
  EXPECT_NEAR(rec.v(2, 1), 0.0f, 1e-7f);
  EXPECT_NEAR(rec.uf(2, 1), 0.1206133f, 2e-6f);
  EXPECT_EQ(rec.u(2, 2), 0.0f);
  EXPECT_EQ(rec.v(2, 2), 0.0f);
  EXPECT_NEAR(rec.u(1, 1), 0.1f, 1e-7f);  // row 1: the initial state at rest, in the current
}

// Pressure head and force in still water 2 m deep with eta = 0.1 m, dt = 0.1 s, dx = 1 m, and a
// velocity divergence that grew by D = 0.0981 /s over the step (u_new on face 4 of row 3):
//   hydrostatic part at z = 0.5 m above the bed: eta - (z - h) = 0.1 + 1.5 = 1.6 m;
//   dynamic part: (h^2 - z^2)/2 * D / (9.81 dt) = 1.875 * 0.0981 / 0.981 = 0.1875 -> 1.4125 m;
//   a point above the surface (z = 2.2: eta <= z - h = 0.2) records 0;
//   force: 9.81 d^2/2 + d^3 D/(3 dt) with d = 2.1, A = 0: 21.63105 + 9.261 * 0.327 = 24.659397.
// The force formula has no dry test (a past fault): on land (2, 2) 0.5 m above the datum with
// eta = 0 it records 9.81 d^2 / 2 with d = -0.5 (1.22625) at rest.
TEST(ProbeRecords, PressureAndForceWeakOption) {
  Model m = test::still_water_model(5, 5, 1.0f, 1.0f, 0.1f, 2.0f);
  m.eta_new.fill(0.1f);
  m.u_new(4, 3) = 0.0981f;
  m.depth(2, 2) = -0.5f;
  m.eta_new(2, 2) = 0.0f;
  ModelParams p = one_step(m, {probe("below", 3, 3), probe("above", 3, 3), probe("land", 2, 2)});
  p.probes[0].pressure = p.probes[1].pressure = p.probes[0].force = p.probes[2].force = true;
  p.probes[0].z_p = 0.5f;
  p.probes[1].z_p = 2.2f;
  const ProbeRecords rec = record_one_step(m, p);
  EXPECT_NEAR(rec.pressure(2, 1), 1.4125f, 1e-5f);
  EXPECT_EQ(rec.pressure(2, 2), 0.0f);
  EXPECT_NEAR(rec.force(2, 1), 24.659397f, 1e-4f);
  // Row 1 is the initial state: eta_old = 0, at rest -> hydrostatic 1.5 m, force 9.81 * 4 / 2.
  EXPECT_NEAR(rec.pressure(1, 1), 1.5f, 1e-6f);
  EXPECT_NEAR(rec.force(1, 1), 19.62f, 1e-5f);
  EXPECT_NEAR(rec.force(1, 3), 1.22625f, 1e-6f);
  EXPECT_NEAR(rec.force(2, 3), 1.22625f, 1e-6f);
}

// Strong nonlinearity option: in still water every velocity term vanishes and the record is the
// hydrostatic head 9.81 (eta - (z - h)) / 9.81 = 0.2 + 1.5 = 1.7 m, as with the weak option.
TEST(ProbeRecords, PressureStrongOptionInStillWater) {
  Model m = test::still_water_model(4, 4, 1.0f, 1.0f, 0.1f, 2.0f);
  m.nonlinear_option = 2;
  m.eta_new.fill(0.1f);
  m.eta_new(2, 3) = 0.2f;
  ModelParams p = one_step(m, {probe("s", 1, 4)});  // an edge node: taken at (2, 3), one node inside
  p.probes[0].pressure = true;
  p.probes[0].z_p = 0.5f;
  EXPECT_NEAR(record_one_step(m, p).pressure(2, 1), 1.7f, 1e-6f);
}

// A gauge along y (from node (2, 1) to (2, 5)) walks j with i = 2 and compares (2, j - 1) with
// (2, j).  Beach depths along j: 1, 0.5, -0.2, -0.4, -0.6 with eta 0.1, 0.1, 0.3, 0.4, 0.6:
// d = 1.1, 0.6, 0.1, 0, 0 with md = 0.05 -> the pair (3, 4) gives eta(2, 3) = 0.3.
// A gauge pointing against the walk (end index below the start) records nothing.
TEST(ProbeRecords, RunupGaugeAlongY) {
  Model m = test::still_water_model(3, 5, 1.0f, 1.0f, 0.1f, 0.0f);
  m.calc_wave_runup = 1;
  m.min_flood_depth = 0.05f;
  const float depth[5] = {1.0f, 0.5f, -0.2f, -0.4f, -0.6f};
  const float eta[5] = {0.1f, 0.1f, 0.3f, 0.4f, 0.6f};
  for (int j = 1; j <= 5; ++j) {
    for (int i = 1; i <= 3; ++i) {
      m.depth(i, j) = depth[j - 1];
      m.eta_new(i, j) = eta[j - 1];
    }
  }
  const ProbeRecords rec = record_one_step(m, one_step(m, {}, {gauge(2, 1, 2, 5), gauge(2, 5, 2, 1)}));
  EXPECT_FLOAT_EQ(rec.runup(2, 1), 0.3f);
  EXPECT_EQ(rec.runup(2, 2), 0.0f);
}

// A steep gauge walks j with i = trunc((j - j_start) / tan(theta) + i_start).  From (1, 1) to
// (2, 8), tan(theta) in float is a little above 7, so even the last step j = 8 stays in column 1
// and compares (1, 7) with (1, 8); only (1, 8) is dry.  Guards a past fault in the gauge walk.
TEST(ProbeRecords, SteepGaugeColumnFollowsTheTangent) {
  Model m = test::still_water_model(2, 8, 1.0f, 1.0f, 0.1f, 1.0f);
  m.calc_wave_runup = 1;
  m.min_flood_depth = 0.05f;
  m.depth(1, 8) = -1.0f;
  m.eta_new(1, 7) = 0.2f;
  const ModelParams p = one_step(m, {}, {gauge(1, 1, 2, 8)});
  ASSERT_LT(7.0f / std::tan(init_probe_records(p).gauge_angle[0]) + 1.0f, 2.0f);
  EXPECT_FLOAT_EQ(record_one_step(m, p).runup(2, 1), 0.2f);
}

TEST(ProbeFiles, WorldPositionOfRotatedGrid) {
  // Node (2, 1) of a grid rotated by 90 degrees lies delta_x north of the origin.
  GridHeader g;
  g.delta_x = 5.0f;
  g.x_origin = 10.0f;
  g.y_origin = 20.0f;
  g.grid_orientation = 90.0f;
  float x = 0, y = 0;
  node_position(g, 2, 1, x, y);
  EXPECT_NEAR(x, 10.0f, 1e-5f);
  EXPECT_NEAR(y, 25.0f, 1e-5f);
}

}  // namespace
}  // namespace swx
