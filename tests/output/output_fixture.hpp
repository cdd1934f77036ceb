#pragma once
// Small hand-built models and scratch directories for the output tests.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "solver/model.hpp"

namespace swx::test {

// A model of nx x ny cells of still water of the given depth; every field the outputs read is
// sized (nx + 1) x (ny + 1) and zero.
inline Model still_water_model(int nx, int ny, float dx, float dy, float dt, float depth) {
  Model m;
  m.nx = nx;
  m.ny = ny;
  m.dx = dx;
  m.dy = dy;
  m.dt = dt;
  m.grid.delta_x = dx;
  m.grid.delta_y = dy;
  m.grid.ngrid_x = nx;
  m.grid.ngrid_y = ny;
  m.grid.n_arrays = 1;
  for (Field* f : {&m.depth, &m.eta_old, &m.eta_new, &m.eta_mid, &m.u_old, &m.u_new, &m.u_mid, &m.v_old, &m.v_new,
                   &m.v_mid, &m.u_surf, &m.v_surf, &m.u_bed, &m.v_bed, &m.eta_rate, &m.depth_dx, &m.depth_dy,
                   &m.break_mask, &m.celerity, &m.current_x, &m.current_y}) {
    f->resize(nx + 1, ny + 1, 0.0f);
  }
  m.depth.fill(depth);
  return m;
}

// A fresh directory for the files of one test.
inline std::filesystem::path scratch_dir(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("swx_output_test_" + std::to_string(::getpid())) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string read_text(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace swx::test
