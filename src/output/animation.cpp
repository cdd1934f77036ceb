#include "output/animation.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>

#include "core/fatal.hpp"
#include "output/probes.hpp"
#include "solver/breaking.hpp"

namespace swx {

namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kRecordHeadBytes = 12;

// Little-endian 32-bit words, whatever the byte order of the machine.
unsigned char* put_u32(unsigned char* p, std::uint32_t w) {
  p[0] = static_cast<unsigned char>(w);
  p[1] = static_cast<unsigned char>(w >> 8);
  p[2] = static_cast<unsigned char>(w >> 16);
  p[3] = static_cast<unsigned char>(w >> 24);
  return p + 4;
}
unsigned char* put_i32(unsigned char* p, int v) { return put_u32(p, static_cast<std::uint32_t>(v)); }
unsigned char* put_f32(unsigned char* p, float v) { return put_u32(p, std::bit_cast<std::uint32_t>(v)); }

void write_bytes(AnimationFile& f, const unsigned char* data, std::size_t n) {
  errno = 0;
  if (std::fwrite(data, 1, n, f.file.get()) != n) {
    const int err = errno;
    // The file is closed without flushing what could not be written: its failure is reported
    // once, here.
    f.file.reset();
    fatal("Error writing animation file: " + f.name, file_failure_reason(f.name, err));
  }
}

void open_file(AnimationFile& f, const std::string& name, const unsigned char* header) {
  f.name = name;
  errno = 0;
  f.file.reset(std::fopen(name.c_str(), "wb"));
  if (!f.file) fatal("Cannot create animation file: " + name, file_failure_reason(name, errno));
  write_bytes(f, header, kHeaderBytes);
}

void close_file(AnimationFile& f) {
  if (!f.file) return;
  std::FILE* raw = f.file.release();
  errno = 0;
  if (std::fclose(raw) != 0) fatal("Error writing animation file: " + f.name, file_failure_reason(f.name, errno));
}

// One record: counter, k, t and the window block of a field given in node order (full grid,
// ngrid_x wide) or as a model field.
template <class Value>
void write_record(Animation& a, AnimationFile& f, int k, float t, Value value) {
  unsigned char* p = a.frame.data();
  p = put_i32(p, f.frames);
  p = put_i32(p, k);
  p = put_f32(p, t);
  for (int j = a.j1; j <= a.j2; ++j) {
    for (int i = a.i1; i <= a.i2; ++i) p = put_f32(p, value(i, j));
  }
  write_bytes(f, a.frame.data(), a.frame.size());
}

}  // namespace

Animation open_animation(const ModelParams& p, const GridHeader& grid, SolutionFile& sf) {
  Animation a;
  a.eta = p.save_eta_animation;
  a.uv = p.save_uv_animation;
  if (!a.eta && !a.uv) return a;
  if (p.save_full_grid) {
    a.i1 = 1;
    a.i2 = grid.ngrid_x;
    a.j1 = 1;
    a.j2 = grid.ngrid_y;
  } else {
    // A window given with its corners swapped is taken as the same rectangle.
    a.i1 = std::min(p.grid_i1, p.grid_i2);
    a.i2 = std::max(p.grid_i1, p.grid_i2);
    a.j1 = std::min(p.grid_j1, p.grid_j2);
    a.j2 = std::max(p.grid_j1, p.grid_j2);
  }
  a.ncols = a.i2 - a.i1 + 1;
  a.nrows = a.j2 - a.j1 + 1;
  const AnimationSteps steps = animation_steps(p.start_time, p.end_time, p.save_time_step, p.time_step);
  a.kstart = steps.kstart;
  a.kend = steps.kend;
  a.kint = steps.kint;

  // The requested binary files are created with their headers whatever the solution-file
  // option; with option 1 they receive no frames.
  {
    float xs = 0.0f, ys = 0.0f;
    node_position(grid, a.i1, a.j1, xs, ys);
    unsigned char header[kHeaderBytes];
    auto fill_header = [&](int components) {
      unsigned char* q = header;
      q = put_i32(q, a.ncols);
      q = put_i32(q, a.nrows);
      q = put_f32(q, grid.delta_x);
      q = put_f32(q, grid.delta_y);
      q = put_f32(q, grid.grid_orientation);
      q = put_i32(q, components);
      q = put_f32(q, xs);
      q = put_f32(q, ys);
      q = put_f32(q, p.start_time);
      q = put_f32(q, p.end_time);
      put_f32(q, p.save_time_step);
    };
    if (a.uv) {
      fill_header(2);
      open_file(a.uv_file, p.uv_anim_file, header);
    }
    if (a.eta) {
      fill_header(1);
      open_file(a.eta_file, p.eta_anim_file, header);
    }
    a.frame.resize(kRecordHeadBytes + 4 * static_cast<std::size_t>(a.ncols) * static_cast<std::size_t>(a.nrows));
  }
  // Work buffers over the whole grid, sized once here so that the time loop never allocates.
  const std::size_t nnodes = static_cast<std::size_t>(grid.ngrid_x) * static_cast<std::size_t>(grid.ngrid_y);
  if (a.eta) a.surface.resize(nnodes);
  if (sf.open) {
    a.node_values.resize(nnodes);
    if (a.uv) a.node_vectors.resize(2 * nnodes);
  }
  if (sf.open) {
    if (a.uv) {
      sf.velocity = create_animation_dataset(sf, "/Velocity Animation", "m/s", true);
      sf.velocity_mag = create_animation_dataset(sf, "/Velocity Animation Mag", "None", false);
    }
    if (a.eta) {
      sf.wse = create_animation_dataset(sf, "/WSE Animation", "m", false);
      sf.breaking = create_animation_dataset(sf, "/Breaking Animation", "None", false);
    }
  }
  return a;
}

bool is_saved_step(const Animation& a, int k) {
  return (a.eta || a.uv) && k >= a.kstart && k <= a.kend && k % a.kint == 0;
}

bool breaking_mark_at(const Model& m, int i, int j) {
  return m.config.breaking_on == 1 && m.flow.eta_new(i, j) > 0.0f && m.flow.eta_rate(i, j) > 0.0f &&
         breaking_at_point(m.flow.celerity, m.flow.eta_new, m.flow.u_surf, m.flow.v_surf, m.bed.depth, i, j) == 1;
}

void save_animation_step(Animation& a, const Model& m, const ModelParams& p, SolutionFile& sf, int k,
                         const NonFiniteWatch* watch) {
  if (!is_saved_step(a, k)) return;
  const float t = static_cast<float>(k - 1) * p.time_step;
  const int nx = m.config.nx, ny = m.config.ny;
  const std::size_t nnodes = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);

  if (a.eta) {
    // Surface with the breaking mark, in node order over the whole grid.
    std::size_t n = 0;
    for (int j = 1; j <= ny; ++j) {
      for (int i = 1; i <= nx; ++i, ++n) {
        a.surface[n] = breaking_mark_at(m, i, j) ? m.flow.eta_new(i, j) + kBreakingMark : m.flow.eta_new(i, j);
        if (invalid_at(watch, i, j, k)) a.surface[n] = kInvalidValue;
      }
    }
    if (a.eta_file.file && p.solution_file_option != 1) {
      ++a.eta_file.frames;
      write_record(a, a.eta_file, k, t, [&](int i, int j) {
        return a.surface[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * nx];
      });
    }
  }
  if (a.uv && a.uv_file.file && p.solution_file_option != 1) {
    ++a.uv_file.frames;
    write_record(a, a.uv_file, k, t,
                 [&](int i, int j) { return invalid_at(watch, i, j, k) ? kInvalidValue : m.flow.u_new(i, j); });
    write_record(a, a.uv_file, k, t,
                 [&](int i, int j) { return invalid_at(watch, i, j, k) ? kInvalidValue : m.flow.v_new(i, j); });
  }
  if (!sf.open) return;
  // Solution file: the velocity datasets, then the surface datasets.
  if (a.uv) {
    pack_vector_nodes(m.flow.u_new, m.flow.v_new, nx, ny, a.node_vectors);
    std::vector<bool> invalid(nnodes, false);
    if (watch != nullptr && watch->first_step_any != 0) {
      for (int j = 1; j <= ny; ++j)
        for (int i = 1; i <= nx; ++i) {
          const std::size_t q = static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * nx;
          if (!invalid_at(watch, i, j, k)) continue;
          invalid[q] = true;
          a.node_vectors[2 * q] = a.node_vectors[2 * q + 1] = kInvalidValue;
        }
    }
    write_vector_step(sf, sf.velocity, t, a.node_vectors);
    for (std::size_t q = 0; q < nnodes; ++q) {
      const float u = a.node_vectors[2 * q], v = a.node_vectors[2 * q + 1];
      a.node_values[q] = invalid[q] ? kInvalidValue : std::sqrt(u * u + v * v);
    }
    write_scalar_step(sf, sf.velocity_mag, t, a.node_values);
  }
  if (a.eta) {
    // A stored value of 1000 or more is a breaking node; its elevation is the stored value
    // minus 1000.
    for (std::size_t q = 0; q < nnodes; ++q)
      a.node_values[q] = a.surface[q] >= kBreakingMark ? a.surface[q] - kBreakingMark : a.surface[q];
    write_scalar_step(sf, sf.wse, t, a.node_values);
    for (std::size_t q = 0; q < nnodes; ++q) {
      a.node_values[q] = a.surface[q] == kInvalidValue ? kInvalidValue : a.surface[q] >= kBreakingMark ? 1.0f : 0.0f;
    }
    write_scalar_step(sf, sf.breaking, t, a.node_values);
  }
}

void close_animation(Animation& a, SolutionFile& sf) {
  close_file(a.uv_file);
  close_file(a.eta_file);
  close_dataset(sf, sf.velocity);
  close_dataset(sf, sf.velocity_mag);
  close_dataset(sf, sf.wse);
  close_dataset(sf, sf.breaking);
}

}  // namespace swx
