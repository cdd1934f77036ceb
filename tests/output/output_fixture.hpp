#pragma once
// Small hand-built models for the output tests, with the shared test helpers.

#include "solver/model.hpp"
#include "swx_test_support.hpp"

namespace swx::test {

// nx x ny cells of still water of the given depth; every field the outputs read is (nx + 1) x (ny + 1), zero.
inline Model still_water_model(int nx, int ny, float dx, float dy, float dt, float depth) {
  Model m;
  m.grid = {dx, dy, 0.0f, 0.0f, 0.0f, 1, nx, ny};
  std::tie(m.nx, m.ny, m.dx, m.dy, m.dt) = std::tuple(nx, ny, dx, dy, dt);
  for (Field* f : {&m.depth,    &m.eta_old,  &m.eta_new,  &m.eta_mid,    &m.u_old,    &m.u_new,     &m.u_mid,
                   &m.v_old,    &m.v_new,    &m.v_mid,    &m.u_surf,     &m.v_surf,   &m.u_bed,     &m.v_bed,
                   &m.eta_rate, &m.depth_dx, &m.depth_dy, &m.break_mask, &m.celerity, &m.current_x, &m.current_y})
    f->resize(nx + 1, ny + 1, 0.0f);
  m.depth.fill(depth);
  return m;
}

}  // namespace swx::test
