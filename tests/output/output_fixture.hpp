#pragma once
// Small hand-built models for the output tests, with the shared test helpers.

#include "solver/model.hpp"
#include "swx_test_support.hpp"

namespace swx::test {

// nx x ny cells of still water of the given depth; every field the outputs read is (nx + 1) x (ny + 1), zero.
inline Model still_water_model(int nx, int ny, float dx, float dy, float dt, float depth) {
  Model m;
  m.config.grid = {dx, dy, 0.0f, 0.0f, 0.0f, 1, nx, ny};
  std::tie(m.config.nx, m.config.ny, m.config.dx, m.config.dy, m.config.dt) = std::tuple(nx, ny, dx, dy, dt);
  for (Field* f :
       {&m.bed.depth,     &m.flow.eta_old,  &m.flow.eta_new,  &m.flow.eta_mid, &m.flow.u_old,   &m.flow.u_new,
        &m.flow.u_mid,    &m.flow.v_old,    &m.flow.v_new,    &m.flow.v_mid,   &m.flow.u_surf,  &m.flow.v_surf,
        &m.flow.u_bed,    &m.flow.v_bed,    &m.flow.eta_rate, &m.bed.depth_dx, &m.bed.depth_dy, &m.flow.break_mask,
        &m.flow.celerity, &m.bed.current_x, &m.bed.current_y})
    f->resize(nx + 1, ny + 1, 0.0f);
  m.bed.depth.fill(depth);
  return m;
}

}  // namespace swx::test
