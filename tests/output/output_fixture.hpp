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
  for (Field* f : {&m.depth,    &m.eta_old,  &m.eta_new,  &m.eta_mid,    &m.u_old,    &m.u_new,     &m.u_mid,
                   &m.v_old,    &m.v_new,    &m.v_mid,    &m.u_surf,     &m.v_surf,   &m.u_bed,     &m.v_bed,
                   &m.eta_rate, &m.depth_dx, &m.depth_dy, &m.break_mask, &m.celerity, &m.current_x, &m.current_y}) {
    f->resize(nx + 1, ny + 1, 0.0f);
  }
  m.depth.fill(depth);
  return m;
}

// A fresh directory for the files of one test, removed with everything in it at the end.
struct ScratchDir {
  std::filesystem::path path;
  explicit ScratchDir(const std::string& name)
      : path(std::filesystem::temp_directory_path() / ("swx_output_test_" + std::to_string(::getpid())) / name) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::remove(path.parent_path(), ec);  // only when no other test's directory is left
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::filesystem::path operator/(const std::string& leaf) const { return path / leaf; }
};

inline std::string read_text(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace swx::test
