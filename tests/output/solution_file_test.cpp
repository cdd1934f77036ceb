// Binary animation files and the HDF5 solution file, read back byte by byte and with the HDF5 C API.
#include "output/solution_file.hpp"

#include <bit>
#include <hdf5.h>

#include "core/fatal.hpp"
#include "hdf5_read.hpp"
#include "output/animation.hpp"
#include "output/statistics.hpp"
#include "output_fixture.hpp"

namespace swx {
namespace {

// The 44-byte header: ncols, nrows, dx, dy, orientation, components, xs, ys, start, end, save.
using Header = std::tuple<int, int, float, float, float, int, float, float, float, float, float>;
using Frame = std::tuple<int, int, float>;  // counter, step, time

struct Reader {  // little-endian 4-byte words, read in order (braced lists evaluate left to right)
  std::string bytes;
  std::size_t pos = 0;
  std::uint32_t word() {
    std::uint32_t w = 0;
    for (int b = 0; b < 4; ++b) w |= std::uint32_t{static_cast<unsigned char>(bytes.at(pos++))} << (8 * b);
    return w;
  }
  int i32() { return static_cast<int>(word()); }
  float f32() { return std::bit_cast<float>(word()); }
  Header header() { return {i32(), i32(), f32(), f32(), f32(), i32(), f32(), f32(), f32(), f32(), f32()}; }
  Frame frame() { return {i32(), i32(), f32()}; }
};

float eta_at(int i, int j, int k) { return 0.01f * static_cast<float>(i) + 0.001f * static_cast<float>(j * k); }
float u_at(int i, int j) { return static_cast<float>(i + 100 * j); }

// A 12 x 8 grid, window i = 2..11, j = 3..7, dt 0.1, start 0.1, end 0.5, save 0.2: kstart =
// trunc(1 + 1.5) = 2, kend = 6, kint = 2.  Node (5, 4) breaks (surface speed 3 = celerity, rising,
// eta > 0) and is written as eta + 1000; node (8, 4) is falling and is not marked.
TEST(Animation, HeaderFramesAndBreakingMark) {
  const test::ScratchDir dir("animation");
  Model m = test::still_water_model(12, 8, 2.0f, 3.0f, 0.1f, 1.0f);
  std::tie(m.config.grid.x_origin, m.config.grid.y_origin) = std::tuple(100.0f, 200.0f);
  m.config.breaking_on = 1;
  m.flow.celerity.fill(3.0f);
  m.flow.u_surf(5, 4) = m.flow.u_surf(6, 4) = m.flow.u_surf(8, 4) = m.flow.u_surf(9, 4) = 3.0f;
  m.flow.eta_rate(5, 4) = 0.01f;
  ModelParams p;
  std::tie(p.time_step, p.duration, p.start_time, p.end_time, p.save_time_step) =
      std::tuple(0.1f, 0.7f, 0.1f, 0.5f, 0.2f);
  p.save_eta_animation = p.save_uv_animation = true;
  std::tie(p.eta_anim_file, p.uv_anim_file) = std::tuple(dir.path("eta.anim"), dir.path("uv.anim"));
  std::tie(p.grid_i1, p.grid_i2, p.grid_j1, p.grid_j2) = std::tuple(11, 2, 3, 7);  // i corners swapped
  SolutionFile none;
  Animation a = open_animation(p, m.config.grid, none);
  EXPECT_EQ(std::tie(a.kstart, a.kend, a.kint), std::tuple(2, 6, 2));
  for (int k = 1; k <= 7; ++k) {
    for (int j = 1; j <= 8; ++j)
      for (int i = 1; i <= 12; ++i)
        m.flow.eta_new(i, j) = eta_at(i, j, k), m.flow.u_new(i, j) = u_at(i, j), m.flow.v_new(i, j) = k;
    save_animation_step(a, m, p, none, k);
  }
  close_animation(a, none);
  EXPECT_EQ(m.flow.eta_new(5, 4), eta_at(5, 4, 7));  // the model's level carries no mark
  Reader eta{test::read_text(p.eta_anim_file)}, uv{test::read_text(p.uv_anim_file)};
  ASSERT_EQ(eta.bytes.size(), 44u + 3u * (12u + 200u));
  ASSERT_EQ(uv.bytes.size(), 44u + 3u * 2u * (12u + 200u));
  EXPECT_EQ(eta.header(), Header(10, 5, 2.0f, 3.0f, 0.0f, 1, 102.0f, 206.0f, 0.1f, 0.5f, 0.2f));
  EXPECT_EQ(uv.header(), Header(10, 5, 2.0f, 3.0f, 0.0f, 2, 102.0f, 206.0f, 0.1f, 0.5f, 0.2f));
  for (int frame = 1, k = 2; frame <= 3; ++frame, k += 2) {
    const Frame head(frame, k, static_cast<float>(k - 1) * 0.1f);
    EXPECT_EQ(eta.frame(), head);
    for (int j = 3; j <= 7; ++j)
      for (int i = 2; i <= 11; ++i)
        EXPECT_EQ(eta.f32(), eta_at(i, j, k) + (i == 5 && j == 4 ? 1000.0f : 0.0f)) << frame << ":" << i << "," << j;
    for (int component = 0; component < 2; ++component) {
      EXPECT_EQ(uv.frame(), head);
      for (int j = 3; j <= 7; ++j)
        for (int i = 2; i <= 11; ++i) EXPECT_EQ(uv.f32(), component == 0 ? u_at(i, j) : static_cast<float>(k));
    }
  }
}

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
  const hid_t g = f < 0 ? -1 : H5Gopen2(f, path.c_str(), H5P_DEFAULT);
  EXPECT_GE(g, 0) << file << " " << path;
  if (g >= 0) {
    std::tie(d.units, d.time_units, d.local_coords) = std::tuple(
        test::text_attribute(g, "Units"), test::text_attribute(g, "TimeUnits"), test::int_attribute(g, "LocalCoords"));
    const hid_t values = H5Dopen2(g, "Values", H5P_DEFAULT);
    d.dims = test::dims_of(values);
    H5Dclose(values);
    d.values = test::read_all<float>(g, "Values", H5T_NATIVE_FLOAT);
    d.times = test::read_all<double>(g, "Times", H5T_NATIVE_DOUBLE);
    H5Gclose(g);
  }
  if (f >= 0) H5Fclose(f);
  return d;
}

// Nodes (1..nx, 1..ny) of a field, i fastest: the order of a scalar dataset.
std::vector<float> nodes(const Field& f, int nx, int ny) {
  std::vector<float> v;
  for (int k = 0; k < nx * ny; ++k) v.push_back(f(k % nx + 1, k / nx + 1));
  return v;
}

// Option 1 writes datasets only, option 2 grid files and datasets: one step at time 0 per
// statistic (two values per node for the mean velocity, in local coordinates), time units "None".
TEST(SolutionFile, StatisticsGridsAndDatasets) {
  EXPECT_EQ(simulation_name("runs/harbour.v2.par  "), "runs/harbour.v2");
  EXPECT_EQ(simulation_name("../runs.d/bay"), "../runs.d/bay");
  const test::ScratchDir dir("solution_statistics");
  ModelParams p;
  std::tie(p.time_step, p.duration, p.solution_file_option) = std::tuple(0.5f, 1.0f, 1);  // N = 3
  p.has_hs_file = p.has_mean_wl_file = p.has_mean_uv_file = true;
  std::tie(p.hs_file, p.mean_wl_file, p.mean_uv_file) =
      std::tuple(dir.path("hs.grd"), dir.path("mwl.grd"), dir.path("uv.grd"));
  Model m = test::still_water_model(3, 2, 1.0f, 1.0f, p.time_step, 2.0f);
  Statistics st = init_statistics(p, m.config.grid, {{}, {}, 1.0f, false}, Reporter{});  // Nwin = 3, k0 = 1
  for (int k = 1; k <= 3; ++k) {
    for (int j = 1; j <= 3; ++j)
      for (int i = 1; i <= 4; ++i) {
        m.flow.eta_new(i, j) = 0.1f * static_cast<float>(i * k) - 0.07f * static_cast<float>(j);
        m.flow.u_new(i, j) = 0.3f * static_cast<float>(i - j * k);
        m.flow.v_new(i, j) = 0.11f * static_cast<float>(i + j + k);
      }
    accumulate_statistics(st, m, k);
  }
  std::ostringstream console, log;
  const Reporter reporter{&console, &log};
  SolutionFile closed;
  write_statistics(st, p, m.config.grid, closed, reporter, "/w");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_EQ(log.str(), "");
  p.solution_file_option = 2;
  const std::string file = (dir / "case.h5").string();
  SolutionFile sf = open_solution_file(file, "case1");
  write_statistics(st, p, m.config.grid, sf, reporter, "/w");
  close_solution_file(sf);
  EXPECT_FALSE(sf.open);
  EXPECT_NE(log.str().find(" SWELLIX Output File: \"/w\\" + p.hs_file + "\"\n"), std::string::npos);
  EXPECT_NE(test::read_text(p.hs_file).find("\n:DataDescription(1)    Sig. Wave Height"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);

  const StatisticsResults r = finalise_statistics(st, m.config.grid);
  for (const auto& [path, values] :
       {std::pair{"/case1/Sig. Wave Height", &r.hs}, std::pair{"/case1/Mean Water Level", &r.mwl}}) {
    const Dataset d = read_dataset(file, path);
    EXPECT_EQ(std::tie(d.dims, d.times, d.units, d.time_units, d.values),
              std::tuple(std::vector<hsize_t>{1, 6}, std::vector<double>{0.0}, "m", "None", nodes(*values, 3, 2)))
        << path;
  }
  const Dataset uv = read_dataset(file, "/case1/Mean Velocity");
  EXPECT_EQ(std::tie(uv.dims, uv.units, uv.local_coords), std::tuple(std::vector<hsize_t>{1, 6, 2}, "m/s", 1));
  const std::vector<float> u = nodes(r.mean_u, 3, 2), v = nodes(r.mean_v, 3, 2);
  for (std::size_t n = 0; n < 6; ++n)
    EXPECT_EQ(std::tie(uv.values.at(2 * n), uv.values.at(2 * n + 1)), std::tie(u[n], v[n]));
}

// Option 1: the binary files get their header only (a past fault: none was created); the four
// datasets get every step of the whole grid: velocities, magnitude, the level without the
// breaking mark (the marked value less 1000, rounded near 1000) and 1 on the breaking node.
TEST(SolutionFile, AnimationDatasets) {
  const test::ScratchDir dir("solution_animation");
  Model m = test::still_water_model(2, 2, 1.0f, 1.0f, 0.25f, 1.0f);
  std::tie(m.config.grid.x_origin, m.config.grid.y_origin) = std::tuple(-7.5f, 4.25f);
  m.config.breaking_on = 1;
  m.flow.celerity.fill(1.0f);
  std::tie(m.flow.eta_new(2, 1), m.flow.eta_rate(2, 1), m.flow.eta_new(1, 2)) = std::tuple(1.3f, 0.5f, 0.25f);
  std::tie(m.flow.u_new(1, 1), m.flow.v_new(1, 1)) = std::tuple(3.0f, 4.0f);
  ModelParams p;
  std::tie(p.time_step, p.duration, p.end_time, p.solution_file_option) = std::tuple(0.25f, 0.5f, 0.5f, 1);
  p.save_time_step = 0.1f;  // below the model step: every step
  p.save_eta_animation = p.save_uv_animation = p.save_full_grid = true;
  std::tie(p.eta_anim_file, p.uv_anim_file) = std::tuple(dir.path("eta.anim"), dir.path("uv.anim"));
  const std::string file = (dir / "anim.h5").string();
  SolutionFile sf = open_solution_file(file, "bay");
  Animation a = open_animation(p, m.config.grid, sf);
  for (int k = 1; k <= 3; ++k) save_animation_step(a, m, p, sf, k);
  close_animation(a, sf);
  close_solution_file(sf);
  Reader eta{test::read_text(p.eta_anim_file)};
  ASSERT_EQ(eta.bytes.size(), 44u);
  EXPECT_EQ(eta.header(), Header(2, 2, 1.0f, 1.0f, 0.0f, 1, -7.5f, 4.25f, 0.0f, 0.5f, 0.1f));
  EXPECT_EQ(test::read_text(p.uv_anim_file).size(), 44u);

  const Dataset vel = read_dataset(file, "/bay/Velocity Animation");
  EXPECT_EQ(vel.dims, (std::vector<hsize_t>{3, 4, 2}));
  EXPECT_EQ(std::tie(vel.times, vel.time_units, vel.local_coords),
            std::tuple(std::vector<double>{0.0, 0.25, 0.5}, "Seconds", 1));
  EXPECT_EQ(std::tie(vel.values[0], vel.values[1]), std::tuple(3.0f, 4.0f));
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
  EXPECT_EQ(brk.times, vel.times);
  EXPECT_EQ(brk.values, (std::vector<float>{0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0}));
}

// Failures end the run with the library message; the file is closed first, so HDF5 can read it.
TEST(SolutionFile, FailuresEndTheRunWithTheLibraryMessage) {
  const test::ScratchDir dir("solution_failures");
  EXPECT_EQ(test::fatal_from([&] { open_solution_file((dir / "missing" / "x.h5").string(), "case1"); }).line1,
            "Error in KB_CREATE_FILE().");
  const std::string file = (dir / "dup.h5").string();
  SolutionFile sf = open_solution_file(file, "case1");
  const std::vector<float> values = {1, 2};
  write_result_dataset(sf, "/Max. Runup Height", "m", false, values);
  EXPECT_EQ(test::fatal_from([&] { write_result_dataset(sf, "/Max. Runup Height", "m", false, values); }).line1,
            "Error in KB_CREATE_SCALAR_DATASET().");
  EXPECT_FALSE(sf.open);
  EXPECT_EQ(read_dataset(file, "/case1/Max. Runup Height").values, values);
}

}  // namespace
}  // namespace swx
