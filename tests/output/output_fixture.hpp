#pragma once
// Small hand-built models for the output tests, with the shared test helpers.
#include "solver/model.hpp"
#include "swx_test_support.hpp"

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

}  // namespace swx::test
