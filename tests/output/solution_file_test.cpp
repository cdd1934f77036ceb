// Solution-file datasets written by the program, read back with the HDF5 C API.
#include "output/solution_file.hpp"

#include <gtest/gtest.h>

#include <hdf5.h>
#include <string>
#include <tuple>
#include <vector>

#include "core/fatal.hpp"
#include "hdf5_read.hpp"
#include "output/animation.hpp"
#include "output/statistics.hpp"
#include "output_fixture.hpp"

namespace swx {
namespace {

struct Dataset {
  std::vector<hsize_t> dims;
  std::vector<float> values;
  std::vector<double> times;
  std::string units, time_units;
  int local_coords = -1;
};

Dataset read_dataset(const std::string& file, const std::string& path) {
  Dataset d;
  const hid_t f = H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  EXPECT_GE(f, 0) << file;
  if (f < 0) return d;
  const hid_t g = H5Gopen2(f, path.c_str(), H5P_DEFAULT);
  EXPECT_GE(g, 0) << path;
  if (g >= 0) {
    d.units = test::text_attribute(g, "Units");
    d.time_units = test::text_attribute(g, "TimeUnits");
    d.local_coords = test::int_attribute(g, "LocalCoords");
    const hid_t values = H5Dopen2(g, "Values", H5P_DEFAULT);
    d.dims = test::dims_of(values);
    H5Dclose(values);
    d.values = test::read_all<float>(g, "Values", H5T_NATIVE_FLOAT);
    d.times = test::read_all<double>(g, "Times", H5T_NATIVE_DOUBLE);
    H5Gclose(g);
  }
  H5Fclose(f);
  return d;
}

TEST(SolutionFile, SimulationNameIsParameterFileWithoutExtension) {
  EXPECT_EQ(simulation_name("case1.par  "), "case1");
  EXPECT_EQ(simulation_name("runs/harbour.v2.par"), "runs/harbour.v2");
  EXPECT_EQ(simulation_name("../runs.d/bay"), "../runs.d/bay");
}

// Values of nodes (1..nx, 1..ny) of a field, i fastest: the order of a scalar dataset.
std::vector<float> nodes(const Field& f, int nx, int ny) {
  std::vector<float> v;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) v.push_back(f(i, j));
  return v;
}

// Option 2: each statistics dataset holds one step at time 0.0 with the statistics result per
// node (two values per node for the mean velocity, marked as local-coordinate vectors), time
// units "None".  (The text grids next to them are compared with the datasets on a real run in
// the tools tests.)
TEST(SolutionFile, StatisticsDatasets) {
  const test::ScratchDir dir("solution_statistics");
  ModelParams p;
  p.duration = 1.0f;
  p.time_step = 0.5f;  // N = 3
  p.solution_file_option = 2;
  p.has_hs_file = p.has_mean_wl_file = p.has_mean_uv_file = true;
  p.hs_file = (dir / "hs.grd").string();
  p.mean_wl_file = (dir / "mwl.grd").string();
  p.mean_uv_file = (dir / "uv.grd").string();
  Model m = test::still_water_model(3, 2, 1.0f, 1.0f, p.time_step, 2.0f);
  StormSummary storm;
  storm.time_series_duration = 1.0f;  // Nwin = 3, k0 = 1
  Statistics st = init_statistics(p, m.grid, storm, Reporter{});
  for (int k = 1; k <= 3; ++k) {
    for (int j = 1; j <= 3; ++j) {
      for (int i = 1; i <= 4; ++i) {
        m.eta_new(i, j) = 0.1f * static_cast<float>(i * k) - 0.07f * static_cast<float>(j);
        m.u_new(i, j) = 0.3f * static_cast<float>(i - j * k);
        m.v_new(i, j) = 0.11f * static_cast<float>(i + j + k);
      }
    }
    accumulate_statistics(st, m, k);
  }
  const std::string file = (dir / "case.h5").string();
  SolutionFile sf = open_solution_file(file, "case1");
  write_statistics(st, p, m.grid, sf, Reporter{}, "/w");
  close_solution_file(sf);
  EXPECT_FALSE(sf.open);

  const StatisticsResults r = finalise_statistics(st, m.grid);
  for (const auto& [path, values] :
       {std::pair{"/case1/Sig. Wave Height", &r.hs}, std::pair{"/case1/Mean Water Level", &r.mwl}}) {
    const Dataset d = read_dataset(file, path);
    EXPECT_EQ(d.dims, (std::vector<hsize_t>{1, 6})) << path;
    EXPECT_EQ(std::tie(d.times, d.units, d.time_units), std::tuple(std::vector<double>{0.0}, "m", "None")) << path;
    EXPECT_EQ(d.values, nodes(*values, 3, 2)) << path;
  }
  const Dataset uv = read_dataset(file, "/case1/Mean Velocity");
  EXPECT_EQ(uv.dims, (std::vector<hsize_t>{1, 6, 2}));
  EXPECT_EQ(std::tie(uv.units, uv.local_coords), std::tuple("m/s", 1));
  const std::vector<float> u = nodes(r.mean_u, 3, 2), v = nodes(r.mean_v, 3, 2);
  for (std::size_t n = 0; n < 6; ++n) {
    EXPECT_EQ(uv.values.at(2 * n), u[n]) << n;
    EXPECT_EQ(uv.values.at(2 * n + 1), v[n]) << n;
  }
}

// The four animation datasets get one step per saved step at its simulation time, over the
// whole grid: velocities per node, their magnitude, the surface elevation without the breaking
// mark (the marked value less 1000, so rounded to the float spacing near 1000), and 1 on the
// breaking node.
TEST(SolutionFile, AnimationDatasets) {
  const test::ScratchDir dir("solution_animation");
  Model m = test::still_water_model(2, 2, 1.0f, 1.0f, 0.25f, 1.0f);
  m.breaking_on = 1;
  m.celerity.fill(1.0f);
  m.eta_new(2, 1) = 1.3f;  // breaking (1.3 + 1000 - 1000 is not 1.3 in float)
  m.eta_rate(2, 1) = 0.5f;
  m.eta_new(1, 2) = 0.25f;
  m.u_new(1, 1) = 3.0f;
  m.v_new(1, 1) = 4.0f;
  ModelParams p;
  p.time_step = 0.25f;
  p.duration = 0.5f;
  p.solution_file_option = 1;
  p.save_eta_animation = p.save_uv_animation = true;
  p.eta_anim_file = (dir / "eta.anim").string();
  p.uv_anim_file = (dir / "uv.anim").string();
  p.save_full_grid = true;
  p.end_time = 0.5f;
  const std::string file = (dir / "anim.h5").string();
  SolutionFile sf = open_solution_file(file, "bay");
  Animation a = open_animation(p, m.grid, sf);
  for (int k = 1; k <= 3; ++k) save_animation_step(a, m, p, sf, k);
  close_animation(a, sf);
  close_solution_file(sf);

  const std::vector<double> times = {0.0, 0.25, 0.5};
  const Dataset vel = read_dataset(file, "/bay/Velocity Animation");
  EXPECT_EQ(vel.dims, (std::vector<hsize_t>{3, 4, 2}));
  EXPECT_EQ(vel.times, times);
  EXPECT_EQ(vel.time_units, "Seconds");
  EXPECT_EQ(vel.local_coords, 1);
  EXPECT_EQ(vel.values[0], 3.0f);
  EXPECT_EQ(vel.values[1], 4.0f);
  const Dataset mag = read_dataset(file, "/bay/Velocity Animation Mag");
  EXPECT_EQ(mag.units, "None");
  EXPECT_EQ(mag.values, (std::vector<float>{5, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0}));
  const Dataset wse = read_dataset(file, "/bay/WSE Animation");
  EXPECT_EQ(wse.units, "m");
  volatile float marked = 1.3f + 1000.0f;
  const float e = marked - 1000.0f;
  ASSERT_NE(e, 1.3f);
  EXPECT_EQ(wse.values, (std::vector<float>{0, e, 0.25f, 0, 0, e, 0.25f, 0, 0, e, 0.25f, 0}));
  const Dataset brk = read_dataset(file, "/bay/Breaking Animation");
  EXPECT_EQ(brk.times, times);
  EXPECT_EQ(brk.values, (std::vector<float>{0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0}));
}

// A solution file in a directory that does not exist ends the run with the library message;
// the library is closed again, so a later file can be created.
TEST(SolutionFile, FailuresEndTheRunWithTheLibraryMessage) {
  const test::ScratchDir dir("solution_failures");
  EXPECT_EQ(test::fatal_from([&] { open_solution_file((dir / "missing" / "x.h5").string(), "case1"); }).line1,
            "Error in KB_CREATE_FILE().");
  // A dataset that already exists: the file is closed before the run ends, so HDF5 opens it.
  const std::string file = (dir / "dup.h5").string();
  SolutionFile sf = open_solution_file(file, "case1");
  const std::vector<float> values = {1, 2};
  write_result_dataset(sf, "/Max. Runup Height", "m", false, values);
  EXPECT_EQ(test::fatal_from([&] { write_result_dataset(sf, "/Max. Runup Height", "m", false, values); }).line1,
            "Error in KB_CREATE_SCALAR_DATASET().");
  EXPECT_FALSE(sf.open);
  const Dataset d = read_dataset(file, "/case1/Max. Runup Height");
  EXPECT_EQ(d.values, values);
}

}  // namespace
}  // namespace swx
