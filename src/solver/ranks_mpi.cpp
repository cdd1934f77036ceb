// The exchanges between the ranks of swellix-mpi (MPI_COMM_WORLD): the model's transfer to the
// slabs, the halo rows and line ends between neighbouring slabs, and the gathers of the outputs
// on rank 0 (solver/ranks.hpp).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <mpi.h>
#include <new>
#include <ostream>
#include <span>
#include <type_traits>
#include <utility>
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
constexpr int kResultsFollow = -2;
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

// The shape of a grid array.
template <class T>
void broadcast_shape(Array2D<T>& a) {
  broadcast(a.ni);
  broadcast(a.nj);
}

// Every member of the model but the grid arrays' values, in one order on every rank.
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
  for (Field* f : run_fields(m)) broadcast_shape(*f);
  for (Field* f : {&m.work.swash_weight, &m.work.rows_y.x, &m.work.rows_y.work}) broadcast_shape(*f);
  broadcast(m.work.rows_y.ni);
  for (std::vector<float>* v :
       {&m.work.rows_y.sub, &m.work.rows_y.diag, &m.work.rows_y.sup, &m.work.rows_y.rhs, &m.work.rows_y.bet})
    broadcast(*v);
  broadcast_shape(m.bed.wavemaker_mark);
  broadcast_shape(m.work.active_u);
  broadcast_shape(m.work.active_v);
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
  broadcast(m.parallel.probe_rows);
}

// Bytes this rank sent to other ranks in the time loop and the steps it ran, with its rows,
// reported when SWELLIX_RANK_STATS is set.
double sent_bytes = 0.0, gathered_bytes = 0.0;  // between slabs, and to rank 0 for the outputs
int steps_run = 0;
LineRange slab_rows;
double array_bytes = 0.0;  // the grid arrays of the model this rank holds

// Rows a rank must own so that the halos of two rows come from its neighbours alone.
constexpr int kMinSlabRows = 2;

// This rank's place in the run.
void place_rank(Model& m, int ny) {
  m.parallel.rank = world_rank();
  m.parallel.ranks = world_size();
  m.parallel.slabs = std::clamp(ny / kMinSlabRows, 1, m.parallel.ranks);
}

bool starts_at_zero(Model& m, const Field& f) {
  for (const Field* z : zero_start_fields(m))
    if (z == &f) return true;
  return false;
}

// The rows of rank r that rank 0 gathers from it: its own rows, the last slab with row ny + 1.
LineRange gathered_rows_of(const Model& m, int r) {
  LineRange lr = own_rows_of(m, r);
  if (r == m.parallel.slabs - 1) lr.last = m.config.ny + 1;
  return lr;
}

// An array of the grid's shape holds the rank's rows alone; others (empty ones) are whole.
template <class T>
void allocate_slab(const Model& m, Array2D<T>& a) {
  if (a.nj != m.config.ny + 1) {
    a.resize(a.ni, a.nj);
    return;
  }
  const LineRange h = held_rows_of(m, m.parallel.rank);
  a.resize_rows(a.ni, a.nj, h.first, h.last);
}

// Rank 0 sends every other rank its rows of the array, in pieces below 2^31 bytes.
template <class T>
void send_slab(const Model& m, Array2D<T>& a) {
  static_assert(std::is_trivially_copyable_v<T>);
  constexpr std::size_t kPiece = std::size_t{1} << 28;
  const auto pieces = [&](int r, unsigned char* bytes, std::size_t total, bool send) {
    for (std::size_t at = 0; at < total; at += kPiece) {
      const int n = static_cast<int>(std::min(kPiece, total - at));
      if (send)
        MPI_Send(bytes + at, n, MPI_BYTE, r, 0, MPI_COMM_WORLD);
      else
        MPI_Recv(bytes + at, n, MPI_BYTE, 0, 0, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    }
  };
  if (m.parallel.rank != 0) {
    pieces(0, reinterpret_cast<unsigned char*>(a.data()), a.size() * sizeof(T), false);
    return;
  }
  for (int r = 1; r < m.parallel.ranks; ++r) {
    LineRange h = a.nj == m.config.ny + 1 ? held_rows_of(m, r) : LineRange{1, a.nj};
    const int rows = std::max(h.last - h.first + 1, 0);
    if (a.ni == 0 || rows == 0) continue;
    pieces(r, reinterpret_cast<unsigned char*>(a.col(h.first)),
           static_cast<std::size_t>(a.ni) * static_cast<std::size_t>(rows) * sizeof(T), true);
  }
}

// The grid arrays of the model: allocated as slabs on the other ranks, or sent to them.
void transfer_arrays(Model& m, bool allocate) {
  for (Field* f : run_fields(m)) {
    if (allocate)
      allocate_slab(m, *f);
    else if (!starts_at_zero(m, *f))
      send_slab(m, *f);  // the others are zero on every rank
  }
  for (Field* f : {&m.work.swash_weight, &m.work.rows_y.x, &m.work.rows_y.work})
    allocate ? allocate_slab(m, *f) : send_slab(m, *f);
  allocate ? allocate_slab(m, m.bed.wavemaker_mark) : send_slab(m, m.bed.wavemaker_mark);
  allocate ? allocate_slab(m, m.work.active_u) : send_slab(m, m.work.active_u);
  allocate ? allocate_slab(m, m.work.active_v) : send_slab(m, m.work.active_v);
}

// The field that rank 0 keeps whole: the level of the first unstable step, gathered into it.
// The outputs read copies of the other fields (output views, gather_outputs).
bool read_by_outputs(const Model& m, const Field& f) { return &f == &m.flow.eta_new; }

// Rank 0, once the arrays are sent: every array that the outputs do not read keeps the rank's
// own slab alone.
template <class T>
void keep_slab(const Model& m, Array2D<T>& a) {
  if (a.nj != m.config.ny + 1 || a.ni == 0) return;
  Array2D<T> whole;
  std::swap(whole, a);  // a is left empty, to be sized as the slab
  const LineRange h = held_rows_of(m, 0);
  a.resize_rows(whole.ni, whole.nj, h.first, h.last);
  std::copy(whole.col(h.first), whole.col(h.last) + whole.ni, a.col(h.first));
}

void keep_slabs_of_rank_zero(Model& m) {
  for (Field* f : run_fields(m))
    if (!read_by_outputs(m, *f)) keep_slab(m, *f);
  for (Field* f : {&m.work.swash_weight, &m.work.rows_y.x, &m.work.rows_y.work}) keep_slab(m, *f);
  keep_slab(m, m.bed.wavemaker_mark);
  keep_slab(m, m.work.active_u);
  keep_slab(m, m.work.active_v);
}

// This rank's part of the run: its slabs of the grid arrays (the other ranks) and the buffers
// of the exchanges, allocated before the time loop.  False when some rank could not allocate
// them: rank 0 then ends the run with a box, and no array is sent.
bool join_ranks(Model& m) {
  place_rank(m, m.config.ny);
  int ok = 1;
  try {
    if (m.parallel.rank != 0) transfer_arrays(m, true);
    set_threads(m, m.parallel.threads);
    m.parallel.share_counts.assign(static_cast<std::size_t>(m.parallel.ranks), 0);
    m.parallel.share_offsets.assign(static_cast<std::size_t>(m.parallel.ranks), 0);
    // Up to 16 halo rows each way, or three line ends of every column.
    const std::size_t rows = 2 * 16 * static_cast<std::size_t>(m.config.nx + 1);
    m.parallel.send_buffer.assign(rows, 0.0f);
    m.parallel.receive_buffer.assign(rows, 0.0f);
    // Rank 0 receives the probes' rows of up to 10 fields from all ranks; the others send theirs.
    m.parallel.probe_buffer.assign(10 * m.parallel.probe_rows.size() * static_cast<std::size_t>(m.config.nx + 1), 0.0f);
  } catch (const std::bad_alloc&) {
    ok = 0;
  }
  MPI_Allreduce(MPI_IN_PLACE, &ok, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
  if (ok == 0) return false;
  transfer_arrays(m, false);
  if (m.parallel.rank == 0) keep_slabs_of_rank_zero(m);
  sent_bytes = 0.0;
  gathered_bytes = 0.0;
  steps_run = 0;
  slab_rows = own_rows(m);
  array_bytes = 0.0;
  for (Field* f : run_fields(m)) array_bytes += 4.0 * static_cast<double>(f->size());
  for (Field* f : {&m.work.swash_weight, &m.work.rows_y.x, &m.work.rows_y.work})
    array_bytes += 4.0 * static_cast<double>(f->size());
  array_bytes += 2.0 * static_cast<double>(m.bed.wavemaker_mark.size()) + static_cast<double>(m.work.active_u.size()) +
                 static_cast<double>(m.work.active_v.size());
  return true;
}

bool has_below(const Model& m) { return m.parallel.rank > 0 && m.parallel.rank < m.parallel.slabs; }
bool has_above(const Model& m) { return m.parallel.rank + 1 < m.parallel.slabs; }

void send_floats(const float* p, int n, int to, int tag) {
  MPI_Send(p, n, MPI_FLOAT, to, tag, MPI_COMM_WORLD);
  sent_bytes += 4.0 * n;
}

void receive_floats(float* p, int n, int from, int tag) {
  MPI_Recv(p, n, MPI_FLOAT, from, tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
}

constexpr int kHaloTag = 1, kEliminationTag = 2, kSolutionTag = 3, kRowTag = 4;

// Counts and offsets (in floats) of every rank's own rows of a field of ni columns, the last
// slab with row ny + 1.
void gather_parts(Model& m, int ni) {
  for (int r = 0; r < m.parallel.ranks; ++r) {
    const LineRange lr = gathered_rows_of(m, r);
    m.parallel.share_counts[static_cast<std::size_t>(r)] = std::max(lr.last - lr.first + 1, 0) * ni;
    m.parallel.share_offsets[static_cast<std::size_t>(r)] = (lr.first - 1) * ni;
  }
}

// The own rows of every rank of src into rank 0's whole dest (rank 0's own rows copied).
void gather_rows_into(Model& m, Field& src, Field& dest) {
  gather_parts(m, src.ni);
  const std::size_t me = static_cast<std::size_t>(m.parallel.rank);
  if (m.parallel.rank != 0) {
    MPI_Gatherv(src.data() + (m.parallel.share_offsets[me] - (src.j0 - 1) * src.ni), m.parallel.share_counts[me],
                MPI_FLOAT, nullptr, nullptr, nullptr, MPI_FLOAT, 0, MPI_COMM_WORLD);
    gathered_bytes += 4.0 * m.parallel.share_counts[me];
    return;
  }
  const LineRange lr = gathered_rows_of(m, 0);
  if (&src != &dest && lr.last >= lr.first) std::copy(src.col(lr.first), src.col(lr.last) + src.ni, dest.col(lr.first));
  MPI_Gatherv(MPI_IN_PLACE, 0, MPI_FLOAT, dest.data(), m.parallel.share_counts.data(), m.parallel.share_offsets.data(),
              MPI_FLOAT, 0, MPI_COMM_WORLD);
}

// The own rows of every rank of f into rank 0's f, which holds it whole.
void gather_rows(Model& m, Field& f) { gather_rows_into(m, f, f); }

}  // namespace

void exchange_halos(Model& m, std::initializer_list<Halo> halos) {
  if (m.parallel.ranks == 1 || m.parallel.rank >= m.parallel.slabs) return;
  const LineRange own = own_rows(m);
  const int ni = m.config.nx + 1;
  const std::size_t half = m.parallel.send_buffer.size() / 2;
  // The rows the rank below needs (its halo above) and those the rank above needs.
  float* down = m.parallel.send_buffer.data();
  float* up = down + half;
  int n_down = 0, n_up = 0, n_from_below = 0, n_from_above = 0;
  for (const Halo& h : halos) {
    for (int j = own.first; j < own.first + h.above; ++j, n_down += ni) std::copy_n(h.field->col(j), ni, down + n_down);
    for (int j = own.last - h.below + 1; j <= own.last; ++j, n_up += ni) std::copy_n(h.field->col(j), ni, up + n_up);
    n_from_below += h.below * ni;
    n_from_above += h.above * ni;
  }
  float* from_below = m.parallel.receive_buffer.data();
  float* from_above = from_below + half;
  MPI_Request req[4];
  int nreq = 0;
  if (has_below(m)) {
    MPI_Irecv(from_below, n_from_below, MPI_FLOAT, m.parallel.rank - 1, kHaloTag, MPI_COMM_WORLD, &req[nreq++]);
    MPI_Isend(down, n_down, MPI_FLOAT, m.parallel.rank - 1, kHaloTag, MPI_COMM_WORLD, &req[nreq++]);
    sent_bytes += 4.0 * n_down;
  }
  if (has_above(m)) {
    MPI_Irecv(from_above, n_from_above, MPI_FLOAT, m.parallel.rank + 1, kHaloTag, MPI_COMM_WORLD, &req[nreq++]);
    MPI_Isend(up, n_up, MPI_FLOAT, m.parallel.rank + 1, kHaloTag, MPI_COMM_WORLD, &req[nreq++]);
    sent_bytes += 4.0 * n_up;
  }
  MPI_Waitall(nreq, req, MPI_STATUSES_IGNORE);
  for (const Halo& h : halos) {
    if (has_below(m))
      for (int j = own.first - h.below; j < own.first; ++j, from_below += ni)
        std::copy_n(from_below, ni, h.field->col(j));
    if (has_above(m))
      for (int j = own.last + 1; j <= own.last + h.above; ++j, from_above += ni)
        std::copy_n(from_above, ni, h.field->col(j));
  }
}

void receive_elimination(Model& m, int i_first, int i_last) {
  if (!has_below(m)) return;
  const int w = i_last - i_first + 1, j = own_rows(m).first - 1;
  float* b = m.parallel.receive_buffer.data();
  receive_floats(b, 3 * w, m.parallel.rank - 1, kEliminationTag);
  ColumnRows& r = m.work.rows_y;
  std::copy_n(b, w, r.bet.data() + (i_first - 1));
  std::copy_n(b + w, w, r.sup_row(j) + (i_first - 1));
  std::copy_n(b + 2 * w, w, r.x.col(j) + (i_first - 1));
}

void send_elimination(Model& m, int i_first, int i_last) {
  if (!has_above(m)) return;
  const int w = i_last - i_first + 1, j = own_rows(m).last;
  float* b = m.parallel.send_buffer.data();
  ColumnRows& r = m.work.rows_y;
  std::copy_n(r.bet.data() + (i_first - 1), w, b);
  std::copy_n(r.sup_row(j) + (i_first - 1), w, b + w);
  std::copy_n(r.x.col(j) + (i_first - 1), w, b + 2 * w);
  send_floats(b, 3 * w, m.parallel.rank + 1, kEliminationTag);
}

void receive_solution(Model& m, Field& v, int i_first, int i_last) {
  if (!has_above(m)) return;
  receive_floats(v.col(own_rows(m).last + 1) + (i_first - 1), i_last - i_first + 1, m.parallel.rank + 1, kSolutionTag);
}

void send_solution(Model& m, const Field& v, int i_first, int i_last) {
  if (!has_below(m)) return;
  send_floats(v.col(own_rows(m).first) + (i_first - 1), i_last - i_first + 1, m.parallel.rank - 1, kSolutionTag);
}

void receive_row_from_below(Model& m, Field& f, int j) {
  if (has_below(m)) receive_floats(f.col(j), f.ni, m.parallel.rank - 1, kRowTag);
}

void send_row_above(Model& m, Field& f, int j) {
  if (has_above(m)) send_floats(f.col(j), f.ni, m.parallel.rank + 1, kRowTag);
}

int gather_unstable_cells(Model& m) {
  if (m.parallel.ranks == 1) return static_cast<int>(m.parallel.unstable_cells.size()) / 2;
  int n = static_cast<int>(m.parallel.unstable_cells.size());
  MPI_Gather(&n, 1, MPI_INT, m.parallel.share_counts.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
  int total = 0;
  if (m.parallel.rank == 0) {
    for (int r = 0; r < m.parallel.ranks; ++r) {
      m.parallel.share_offsets[static_cast<std::size_t>(r)] = total;
      total += m.parallel.share_counts[static_cast<std::size_t>(r)];
    }
  }
  MPI_Bcast(&total, 1, MPI_INT, 0, MPI_COMM_WORLD);
  if (total == 0) return 0;  // the usual step: one small gather
  if (m.parallel.rank == 0) {
    m.parallel.unstable_cells.resize(static_cast<std::size_t>(total));
    MPI_Gatherv(MPI_IN_PLACE, 0, MPI_INT, m.parallel.unstable_cells.data(), m.parallel.share_counts.data(),
                m.parallel.share_offsets.data(), MPI_INT, 0, MPI_COMM_WORLD);
  } else {
    MPI_Gatherv(m.parallel.unstable_cells.data(), n, MPI_INT, nullptr, nullptr, nullptr, MPI_INT, 0, MPI_COMM_WORLD);
  }
  return total / 2;
}

namespace {

// The rows of m.parallel.probe_rows that rank r owns (the last slab with row ny + 1): [first, last) of the
// list.
std::pair<std::size_t, std::size_t> probe_rows_of(const Model& m, int r) {
  const LineRange lr = gathered_rows_of(m, r);
  const auto first = std::lower_bound(m.parallel.probe_rows.begin(), m.parallel.probe_rows.end(), lr.first);
  const auto last = std::upper_bound(first, m.parallel.probe_rows.end(), lr.last);
  return {static_cast<std::size_t>(first - m.parallel.probe_rows.begin()),
          static_cast<std::size_t>(last - m.parallel.probe_rows.begin())};
}

// The rows the probes read of the listed fields of the flow, into rank 0's view of them: each
// rank packs its rows (field by field, rows ascending) and rank 0 unpacks them, its own copied.
void gather_probe_rows(Model& m, Model& view, std::span<Field FlowState::*const> fields) {
  const int ni = m.config.nx + 1;
  const int per_row = ni * static_cast<int>(fields.size());
  int total = 0;
  for (int r = 0; r < m.parallel.ranks; ++r) {
    const auto [a, b] = probe_rows_of(m, r);
    const int n = r == 0 ? 0 : static_cast<int>(b - a) * per_row;  // rank 0's rows are in place
    m.parallel.share_counts[static_cast<std::size_t>(r)] = n;
    m.parallel.share_offsets[static_cast<std::size_t>(r)] = total;
    total += n;
  }
  const auto [a, b] = probe_rows_of(m, m.parallel.rank);
  if (m.parallel.rank == 0)
    for (Field FlowState::*f : fields)
      for (std::size_t k = a; k < b; ++k) {
        const int j = m.parallel.probe_rows[k];
        std::copy_n((m.flow.*f).col(j), ni, (view.flow.*f).col(j));
      }
  if (total == 0) return;
  if (m.parallel.rank != 0) {
    float* p = m.parallel.probe_buffer.data();
    for (Field FlowState::*f : fields)
      for (std::size_t k = a; k < b; ++k, p += ni) std::copy_n((m.flow.*f).col(m.parallel.probe_rows[k]), ni, p);
    const int n = m.parallel.share_counts[static_cast<std::size_t>(m.parallel.rank)];
    MPI_Gatherv(m.parallel.probe_buffer.data(), n, MPI_FLOAT, nullptr, nullptr, nullptr, MPI_FLOAT, 0, MPI_COMM_WORLD);
    gathered_bytes += 4.0 * n;
    return;
  }
  MPI_Gatherv(nullptr, 0, MPI_FLOAT, m.parallel.probe_buffer.data(), m.parallel.share_counts.data(),
              m.parallel.share_offsets.data(), MPI_FLOAT, 0, MPI_COMM_WORLD);
  for (int r = 1; r < m.parallel.ranks; ++r) {
    const auto [ra, rb] = probe_rows_of(m, r);
    const float* p = m.parallel.probe_buffer.data() + m.parallel.share_offsets[static_cast<std::size_t>(r)];
    for (Field FlowState::*f : fields)
      for (std::size_t k = ra; k < rb; ++k, p += ni) std::copy_n(p, ni, (view.flow.*f).col(m.parallel.probe_rows[k]));
  }
}

}  // namespace

void gather_outputs(Model& m, int fields, Model& probes, Model& frames) {
  if (m.parallel.ranks == 1) return;
  if (fields & kNewLevel)
    for (Field FlowState::*f : {&FlowState::eta_new, &FlowState::u_new, &FlowState::v_new})
      gather_rows_into(m, m.flow.*f, frames.flow.*f);
  if (fields & kSurfaceVelocity)
    for (Field FlowState::*f : {&FlowState::u_surf, &FlowState::v_surf, &FlowState::eta_rate})
      gather_rows_into(m, m.flow.*f, frames.flow.*f);
  if ((fields & kProbeLevels) == 0) return;
  static constexpr std::array<Field FlowState::*, 10> kProbeFields{
      &FlowState::u_old,  &FlowState::v_old,    &FlowState::u_mid,   &FlowState::v_mid, &FlowState::u_surf,
      &FlowState::v_surf, &FlowState::eta_rate, &FlowState::eta_new, &FlowState::u_new, &FlowState::v_new};
  gather_probe_rows(m, probes, kProbeFields);
}

void gather_field(Model& m, Field& f) {
  if (m.parallel.ranks > 1) gather_rows(m, f);
}

namespace {

template <class T>
void gather_nodes(Model& m, Array2D<T>& a, MPI_Datatype type) {
  if (m.parallel.ranks == 1) return;
  const int ni = a.ni;
  for (int r = 0; r < m.parallel.ranks; ++r) {
    const LineRange lr = own_rows_of(m, r);
    m.parallel.share_counts[static_cast<std::size_t>(r)] = std::max(lr.last - lr.first + 1, 0) * ni;
    m.parallel.share_offsets[static_cast<std::size_t>(r)] = (lr.first - 1) * ni;
  }
  const LineRange own = own_rows(m);
  if (m.parallel.rank != 0) {
    const int n = m.parallel.share_counts[static_cast<std::size_t>(m.parallel.rank)];
    MPI_Gatherv(n > 0 ? a.col(own.first) : nullptr, n, type, nullptr, nullptr, nullptr, type, 0, MPI_COMM_WORLD);
    gathered_bytes += static_cast<double>(sizeof(T)) * n;
    return;
  }
  if (a.j0 != 1 || a.rows_held() != a.nj) {
    Array2D<T> whole(a.ni, a.nj);
    if (own.last >= own.first) std::copy(a.col(own.first), a.col(own.last) + ni, whole.col(own.first));
    std::swap(whole, a);
  }
  MPI_Gatherv(MPI_IN_PLACE, 0, type, a.data(), m.parallel.share_counts.data(), m.parallel.share_offsets.data(), type, 0,
              MPI_COMM_WORLD);
}

}  // namespace

void gather_node_rows(Model& m, Field& a) { gather_nodes(m, a, MPI_FLOAT); }
void gather_node_rows(Model& m, Array2D<int>& a) { gather_nodes(m, a, MPI_INT); }

int sum_over_ranks(const Model& m, int x) {
  if (m.parallel.ranks > 1) MPI_Allreduce(MPI_IN_PLACE, &x, 1, MPI_INT, MPI_SUM, MPI_COMM_WORLD);
  return x;
}

void share_from_rank_zero(int* values, int n) {
  if (world_size() > 1) MPI_Bcast(values, n, MPI_INT, 0, MPI_COMM_WORLD);
}

int rank_count() { return world_size(); }

void place_ranks(Model& m, int ny) {
  if (world_size() > 1) place_rank(m, ny);
}

namespace {

// With SWELLIX_RANK_STATS set, each rank writes to the standard error the bytes it sent in
// the time loop, per step.
void report_sent_bytes() {
  if (std::getenv("SWELLIX_RANK_STATS") == nullptr || steps_run == 0) return;
  long peak_kb = 0;  // the peak resident memory of the process
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr)
      if (std::sscanf(line, "VmHWM: %ld", &peak_kb) == 1) break;
    std::fclose(f);
  }
  std::fprintf(stderr,
               "rank %d of %d: rows %d-%d, bytes sent per step: %.0f to other slabs, %.0f for the outputs; "
               "grid arrays %.0f bytes, peak resident %ld kB\n",
               world_rank(), world_size(), slab_rows.first, slab_rows.last, sent_bytes / steps_run,
               gathered_bytes / steps_run, array_bytes, peak_kb);
}

}  // namespace

void send_model(Model& m) {
  if (world_size() == 1) return;
  int c = kModelFollows;
  broadcast_command(c);
  broadcast_model(m);
  if (!join_ranks(m))
    fatal("Not enough memory for this run", "(a slab of the grid too large for the memory of a rank)");
}

void send_step(int n, int fields) {
  if (world_size() == 1) return;
  broadcast_command(n);
  if (n > 0) broadcast_command(fields);
  if (n > 0) ++steps_run;
  if (n == 0) report_sent_bytes();
}

void send_results_call() {
  if (world_size() == 1) return;
  int c = kResultsFollow;
  broadcast_command(c);
}

void follow_rank_zero(const RankOutputs& outputs) {
  Model m;
  std::ostream discard(nullptr);  // the other ranks report nothing
  const Reporter reporter{&discard, &discard};
  for (;;) {
    int c = kEndOfRun;
    broadcast_command(c);
    if (c == kEndOfRun) {
      report_sent_bytes();
      return;
    }
    if (c == kModelFollows) {
      broadcast_model(m);
      if (!join_ranks(m))
        m = Model{};  // rank 0 ends the run
      else
        outputs.joined(m, outputs.state);
      continue;
    }
    if (c == kResultsFollow) {
      outputs.results(m, outputs.state);
      continue;
    }
    int fields = 0;
    broadcast_command(fields);
    ++steps_run;
    advance_solution(m, c, reporter);
    gather_outputs(m, fields, m, m);
    outputs.after_step(m, c, outputs.state);
    finish_step(m);
  }
}

}  // namespace swx
