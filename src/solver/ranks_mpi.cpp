// The exchanges between the ranks of swellix-mpi (MPI_COMM_WORLD).  Every rank holds the whole
// grid; after each parallel sweep the ranks gather the rows (contiguous slabs of the
// column-major fields) or the blocks of columns (packed) that the others computed.
#include <algorithm>
#include <mpi.h>
#include <ostream>
#include <type_traits>
#include <vector>

#include "core/fatal.hpp"
#include "solver/model_setup.hpp"
#include "solver/ranks.hpp"
#include "solver/time_step.hpp"

namespace swx {

namespace {

int world_size() {
  int n = 1;
  MPI_Comm_size(MPI_COMM_WORLD, &n);
  return n;
}

int world_rank() {
  int r = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &r);
  return r;
}

// What rank 0 broadcasts between steps: a step number, the model, or the end of the run.
constexpr int kModelFollows = -1;
constexpr int kEndOfRun = 0;

void broadcast_command(int& c) { MPI_Bcast(&c, 1, MPI_INT, 0, MPI_COMM_WORLD); }

template <class T>
void broadcast(T& x) {
  static_assert(std::is_trivially_copyable_v<T>);
  MPI_Bcast(&x, static_cast<int>(sizeof(T)), MPI_BYTE, 0, MPI_COMM_WORLD);
}

template <class T>
void broadcast(std::vector<T>& v) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::size_t n = v.size();
  broadcast(n);
  v.resize(n);
  // In pieces below 2^31 bytes, the largest count one call takes.
  constexpr std::size_t kPiece = std::size_t{1} << 28;
  auto* bytes = reinterpret_cast<unsigned char*>(v.data());
  for (std::size_t at = 0, total = n * sizeof(T); at < total; at += kPiece)
    MPI_Bcast(bytes + at, static_cast<int>(std::min(kPiece, total - at)), MPI_BYTE, 0, MPI_COMM_WORLD);
}

template <class T>
void broadcast(Array2D<T>& a) {
  broadcast(a.ni);
  broadcast(a.nj);
  broadcast(a.v);
}

// Every member of the model, in one order on every rank.
void broadcast_model(Model& m) {
  broadcast(m.config.grid);
  broadcast(m.config.nx);
  broadcast(m.config.ny);
  broadcast(m.config.dx);
  broadcast(m.config.dy);
  broadcast(m.config.dt);
  broadcast(m.config.gc);
  broadcast(m.config.nonlinear_option);
  broadcast(m.config.calc_wave_runup);
  broadcast(m.config.min_flood_depth);
  broadcast(m.config.max_depth);
  broadcast(m.config.min_wet_depth);
  broadcast(m.config.mean_period);
  broadcast(m.config.rms_wave_height);
  broadcast(m.config.mean_frequency);
  broadcast(m.config.breaking_on);
  broadcast(m.config.swash_scheme);
  broadcast(m.config.smagorinsky_const);
  broadcast(m.config.break_decay);
  broadcast(m.config.porosity_on);
  broadcast(m.config.lam_coef);
  broadcast(m.config.turb_coef);
  broadcast(m.config.added_mass_coeff);
  broadcast(m.config.char_stone_size);
  broadcast(m.config.current_on);
  broadcast(m.flow.instability_reported);
  broadcast(m.config.x_velocity_sink);
  broadcast(m.config.y_velocity_sink);
  broadcast(m.config.ramp_steps);
  broadcast(m.flow.step);
  broadcast(m.flow.signal_n0);
  broadcast(m.flow.signal_n1);
  broadcast(m.flow.ramp0);
  broadcast(m.flow.ramp1);
  for (Field* f : run_fields(m)) broadcast(*f);
  for (Field* f : {&m.work.swash_weight, &m.work.rows_y.x, &m.work.rows_y.work}) broadcast(*f);
  broadcast(m.work.rows_y.ni);
  for (std::vector<float>* v :
       {&m.work.rows_y.sub, &m.work.rows_y.diag, &m.work.rows_y.sup, &m.work.rows_y.rhs, &m.work.rows_y.bet})
    broadcast(*v);
  broadcast(m.bed.wavemaker_mark);
  broadcast(m.work.active_u);
  broadcast(m.work.active_v);
  std::size_t n = m.config.wavemakers.size();
  broadcast(n);
  m.config.wavemakers.resize(n);
  for (BoundarySignal& s : m.config.wavemakers) {
    broadcast(s.number);
    broadcast(s.side);
    broadcast(s.i1);
    broadcast(s.i2);
    broadcast(s.j1);
    broadcast(s.j2);
    broadcast(s.linear_flag);
    broadcast(s.npoints);
    broadcast(s.nsteps);
    broadcast(s.U);
    broadcast(s.Q);
    broadcast(s.Us);
  }
  n = m.config.inner_source_factor.size();
  broadcast(n);
  m.config.inner_source_factor.resize(n);
  for (std::vector<float>& f : m.config.inner_source_factor) broadcast(f);
  broadcast(m.parallel.threads);
}

// The six face fields as one: element j of this type is row j of each of u_surf, u_bed, flux_x,
// v_surf, v_bed and flux_y (its extent one row), so that one gather moves the same rows of all
// six.  Built once the model's fields have their final place.
MPI_Datatype face_type = MPI_DATATYPE_NULL;

void make_face_type(Model& m) {
  if (face_type != MPI_DATATYPE_NULL) MPI_Type_free(&face_type);
  const Field* f[6] = {&m.flow.u_surf, &m.flow.u_bed, &m.work.flux_x, &m.flow.v_surf, &m.flow.v_bed, &m.work.flux_y};
  int lengths[6];
  MPI_Aint shifts[6];
  MPI_Aint base = 0;
  MPI_Get_address(f[0]->data(), &base);
  for (int k = 0; k < 6; ++k) {
    lengths[k] = m.flow.u_surf.ni;
    MPI_Aint a = 0;
    MPI_Get_address(f[k]->data(), &a);
    shifts[k] = MPI_Aint_diff(a, base);
  }
  MPI_Datatype six = MPI_DATATYPE_NULL;
  MPI_Type_create_hindexed(6, lengths, shifts, MPI_FLOAT, &six);
  MPI_Type_create_resized(six, 0, static_cast<MPI_Aint>(sizeof(float)) * m.flow.u_surf.ni, &face_type);
  MPI_Type_free(&six);
  MPI_Type_commit(&face_type);
}

// This rank's place in the run, with the buffers of the exchanges (allocated here, before the
// time loop).
void join_ranks(Model& m) {
  m.parallel.rank = world_rank();
  m.parallel.ranks = world_size();
  set_threads(m, m.parallel.threads);
  m.parallel.share_counts.assign(static_cast<std::size_t>(m.parallel.ranks), 0);
  m.parallel.share_offsets.assign(static_cast<std::size_t>(m.parallel.ranks), 0);
  m.parallel.column_buffer.assign(static_cast<std::size_t>(m.config.nx + 1) * static_cast<std::size_t>(m.config.ny + 1),
                                  0.0f);
  make_face_type(m);
}

// Counts and offsets (in elements of ni) of every rank's part of the rows first..last.
void row_parts(Model& m, int first, int last, int ni) {
  for (int r = 0; r < m.parallel.ranks; ++r) {
    const LineRange lr = split_lines(first, last, m.parallel.ranks, r);
    m.parallel.share_counts[static_cast<std::size_t>(r)] = std::max(lr.last - lr.first + 1, 0) * ni;
    m.parallel.share_offsets[static_cast<std::size_t>(r)] = (lr.first - 1) * ni;
  }
}

}  // namespace

void share_rows(Model& m, Field& f, int first, int last) {
  if (m.parallel.ranks == 1) return;
  row_parts(m, first, last, f.ni);
  MPI_Allgatherv(MPI_IN_PLACE, 0, MPI_DATATYPE_NULL, f.data(), m.parallel.share_counts.data(),
                 m.parallel.share_offsets.data(), MPI_FLOAT, MPI_COMM_WORLD);
}

void share_face_rows(Model& m) {
  if (m.parallel.ranks == 1) return;
  row_parts(m, 1, m.config.ny, 1);
  MPI_Allgatherv(MPI_IN_PLACE, 0, MPI_DATATYPE_NULL, m.flow.u_surf.data(), m.parallel.share_counts.data(),
                 m.parallel.share_offsets.data(), face_type, MPI_COMM_WORLD);
}

void share_columns(Model& m, Field& f, int i_first, int i_last, int j_first, int j_last) {
  if (m.parallel.ranks == 1 || j_last < j_first) return;
  const int rows = j_last - j_first + 1;
  int offset = 0;
  for (int r = 0; r < m.parallel.ranks; ++r) {
    const LineRange lr = split_lines(i_first, i_last, m.parallel.ranks, r);
    m.parallel.share_counts[static_cast<std::size_t>(r)] = std::max(lr.last - lr.first + 1, 0) * rows;
    m.parallel.share_offsets[static_cast<std::size_t>(r)] = offset;
    offset += m.parallel.share_counts[static_cast<std::size_t>(r)];
  }
  // Rank r's block: its columns of row j_first, then of the next row, and so on.
  const auto block = [&](int r, bool pack) {
    const LineRange lr = split_lines(i_first, i_last, m.parallel.ranks, r);
    const int width = lr.last - lr.first + 1;
    if (width <= 0) return;
    float* b = m.parallel.column_buffer.data() + m.parallel.share_offsets[static_cast<std::size_t>(r)];
    for (int j = j_first; j <= j_last; ++j, b += width) {
      float* row = f.col(j) + (lr.first - 1);
      if (pack)
        std::copy(row, row + width, b);
      else
        std::copy(b, b + width, row);
    }
  };
  block(m.parallel.rank, true);
  MPI_Allgatherv(MPI_IN_PLACE, 0, MPI_DATATYPE_NULL, m.parallel.column_buffer.data(), m.parallel.share_counts.data(),
                 m.parallel.share_offsets.data(), MPI_FLOAT, MPI_COMM_WORLD);
  for (int r = 0; r < m.parallel.ranks; ++r)
    if (r != m.parallel.rank) block(r, false);
}

int rank_count() { return world_size(); }

void send_model(Model& m) {
  if (world_size() == 1) return;
  int c = kModelFollows;
  broadcast_command(c);
  broadcast_model(m);
  join_ranks(m);
}

void send_step(int n) {
  if (world_size() == 1) return;
  broadcast_command(n);
}

void follow_rank_zero() {
  Model m;
  std::ostream discard(nullptr);  // the other ranks report nothing
  const Reporter reporter{&discard, &discard};
  for (;;) {
    int c = kEndOfRun;
    broadcast_command(c);
    if (c == kEndOfRun) return;
    if (c == kModelFollows) {
      broadcast_model(m);
      join_ranks(m);
      continue;
    }
    advance_solution(m, c, reporter);
    finish_step(m);
  }
}

}  // namespace swx
