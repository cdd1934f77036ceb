// Animation files read back by a small reader of the binary layout.
#include "output/animation.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "core/fatal.hpp"
#include "output_fixture.hpp"

namespace swx {
namespace {

struct Reader {
  std::string bytes;
  std::size_t pos = 0;
  std::uint32_t word() {
    std::uint32_t w = 0;
    for (int b = 0; b < 4; ++b) w |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(pos++))) << (8 * b);
    return w;
  }
  int i32() { return static_cast<int>(word()); }
  float f32() {
    const std::uint32_t w = word();
    float f;
    std::memcpy(&f, &w, 4);
    return f;
  }
};

// The 44-byte header: ncols, nrows, dx, dy, orientation, components, xs, ys, start, end, save.
using Header = std::tuple<int, int, float, float, float, int, float, float, float, float, float>;

Header read_header(Reader& r) {
  // Read in file order (the arguments of a constructor call would be read in any order).
  const int ncols = r.i32(), nrows = r.i32();
  const float dx = r.f32(), dy = r.f32(), orientation = r.f32();
  const int components = r.i32();
  const float xs = r.f32(), ys = r.f32(), start = r.f32(), end = r.f32(), save = r.f32();
  return {ncols, nrows, dx, dy, orientation, components, xs, ys, start, end, save};
}

float eta_at(int i, int j, int k) { return 0.01f * static_cast<float>(i) + 0.001f * static_cast<float>(j * k); }
float u_at(int i, int j) { return static_cast<float>(i + 100 * j); }

// A 12 x 8 grid (dx 2, dy 3, origin 100, 200) with the window i = 2..11, j = 3..7 (10 x 5
// nodes), dt 0.1, start 0.1, end 0.5, save step 0.2: kstart = trunc(1 + 1.5) = 2,
// kend = trunc(5 + 1.5) = 6, kint = 2, so steps 2, 4, 6 of 1..7 are saved at t = 0.1, 0.3, 0.5.
// Surface file: 44 + 3 * (12 + 200) bytes; velocity file: 44 + 3 * 2 * (12 + 200) bytes.
// Node (5, 4) breaks (surface speed 3 = celerity, above 0.8 of it; rising; eta > 0) and is
// written as eta + 1000; node (8, 4) meets the criterion but is falling and is not marked.
TEST(Animation, HeaderFramesAndBreakingMarkReadBack) {
  const test::ScratchDir dir("animation");
  Model m = test::still_water_model(12, 8, 2.0f, 3.0f, 0.1f, 1.0f);
  m.grid.x_origin = 100.0f;
  m.grid.y_origin = 200.0f;
  m.breaking_on = 1;
  m.celerity.fill(3.0f);
  m.u_surf(5, 4) = m.u_surf(6, 4) = m.u_surf(8, 4) = m.u_surf(9, 4) = 3.0f;
  m.eta_rate(5, 4) = 0.01f;

  ModelParams p;
  p.time_step = 0.1f;
  p.duration = 0.7f;
  p.save_eta_animation = p.save_uv_animation = true;
  p.eta_anim_file = (dir / "eta.anim").string();
  p.uv_anim_file = (dir / "uv.anim").string();
  p.start_time = 0.1f;
  p.end_time = 0.5f;
  p.save_time_step = 0.2f;
  p.grid_i1 = 11;  // corners given swapped in i: the same window
  p.grid_i2 = 2;
  p.grid_j1 = 3;
  p.grid_j2 = 7;

  SolutionFile none;
  Animation a = open_animation(p, m.grid, none);
  EXPECT_EQ(std::tie(a.kstart, a.kend, a.kint), std::tuple(2, 6, 2));
  for (int k = 1; k <= 7; ++k) {
    for (int j = 1; j <= 8; ++j) {
      for (int i = 1; i <= 12; ++i) {
        m.eta_new(i, j) = eta_at(i, j, k);
        m.u_new(i, j) = u_at(i, j);
        m.v_new(i, j) = -u_at(i, j) + static_cast<float>(k);
      }
    }
    save_animation_step(a, m, p, none, k);
  }
  close_animation(a, none);
  EXPECT_EQ(m.eta_new(5, 4), eta_at(5, 4, 7));  // the model's level carries no mark

  Reader eta{test::read_text(p.eta_anim_file)};
  Reader uv{test::read_text(p.uv_anim_file)};
  ASSERT_EQ(eta.bytes.size(), 44u + 3u * (12u + 200u));
  ASSERT_EQ(uv.bytes.size(), 44u + 3u * 2u * (12u + 200u));
  // The window's origin is node (2, 3) at (102, 206).
  EXPECT_EQ(read_header(eta), Header(10, 5, 2.0f, 3.0f, 0.0f, 1, 102.0f, 206.0f, 0.1f, 0.5f, 0.2f));
  EXPECT_EQ(read_header(uv), Header(10, 5, 2.0f, 3.0f, 0.0f, 2, 102.0f, 206.0f, 0.1f, 0.5f, 0.2f));
  for (int frame = 1; frame <= 3; ++frame) {
    const int k = 2 * frame;
    const float t = static_cast<float>(k - 1) * 0.1f;
    const int counter = eta.i32(), step = eta.i32();
    EXPECT_EQ(std::tuple(counter, step, eta.f32()), std::tuple(frame, k, t));
    for (int j = 3; j <= 7; ++j) {
      for (int i = 2; i <= 11; ++i) {
        const float expected = (i == 5 && j == 4) ? eta_at(i, j, k) + 1000.0f : eta_at(i, j, k);
        EXPECT_EQ(eta.f32(), expected) << "frame " << frame << " node " << i << "," << j;
      }
    }
    for (int component = 0; component < 2; ++component) {
      const int uv_counter = uv.i32(), uv_step = uv.i32();
      EXPECT_EQ(std::tuple(uv_counter, uv_step, uv.f32()), std::tuple(frame, k, t));
      for (int j = 3; j <= 7; ++j) {
        for (int i = 2; i <= 11; ++i) {
          EXPECT_EQ(uv.f32(), component == 0 ? u_at(i, j) : -u_at(i, j) + static_cast<float>(k));
        }
      }
    }
  }
}

// With solution_file_option 1 the binary file is still created with its header but gets no
// frames; with a full-grid window the header's origin is the grid's origin and every step of
// the window is saved.
TEST(Animation, FullGridAndOptionOne) {
  const test::ScratchDir dir("animation_full");
  Model m = test::still_water_model(3, 2, 1.0f, 1.0f, 0.5f, 1.0f);
  m.grid.x_origin = -7.5f;
  m.grid.y_origin = 4.25f;
  ModelParams p;
  p.time_step = 0.5f;
  p.save_eta_animation = true;
  p.eta_anim_file = (dir / "eta.anim").string();
  p.save_full_grid = true;
  p.start_time = 0.0f;
  p.end_time = 1.0f;
  p.save_time_step = 0.25f;  // below the model step: kint = 1
  SolutionFile none;

  p.solution_file_option = 1;
  {
    Animation a = open_animation(p, m.grid, none);
    for (int k = 1; k <= 3; ++k) save_animation_step(a, m, p, none, k);
    close_animation(a, none);
  }
  Reader header_only{test::read_text(p.eta_anim_file)};
  ASSERT_EQ(header_only.bytes.size(), 44u);  // a past fault: the file was not created at all
  EXPECT_EQ(read_header(header_only), Header(3, 2, 1.0f, 1.0f, 0.0f, 1, -7.5f, 4.25f, 0.0f, 1.0f, 0.25f));

  p.solution_file_option = 0;
  Animation a = open_animation(p, m.grid, none);
  EXPECT_TRUE(is_saved_step(a, 1));
  for (int k = 1; k <= 4; ++k) save_animation_step(a, m, p, none, k);
  close_animation(a, none);
  EXPECT_EQ(test::read_text(p.eta_anim_file).size(), 44u + 3u * (12u + 4u * 6u));  // steps 1..3: kend = trunc(2 + 1.5)
}

// A write that fails (a full device) ends the run with a message naming the file.
TEST(Animation, WriteFailureNamesTheFile) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Model m = test::still_water_model(2, 2, 1.0f, 1.0f, 1.0f, 1.0f);
  ModelParams p;
  p.time_step = 1.0f;
  p.save_uv_animation = true;
  p.uv_anim_file = "/dev/full";
  p.save_full_grid = true;
  p.end_time = 1.0f;
  SolutionFile none;
  Animation a = open_animation(p, m.grid, none);
  save_animation_step(a, m, p, none, 1);
  const FatalError e = test::fatal_from([&] { close_animation(a, none); });
  EXPECT_EQ(e.line1, "Error writing animation file: /dev/full");
  EXPECT_EQ(e.line2, "the disk may be full");
}

}  // namespace
}  // namespace swx
