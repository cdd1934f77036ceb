#include "output/solution_file.hpp"

#include <cerrno>

#include "core/fatal.hpp"
#include "kobl/kobl.h"

namespace swx {

namespace {

constexpr int kNoCompression = -1;

int text_length(std::string_view s) { return static_cast<int>(s.size()); }

// Clean-up before a fatal library error: the calls' own statuses are not tested.
void close_open_datasets(SolutionFile& sf) {
  for (int* h : {&sf.velocity, &sf.velocity_mag, &sf.wse, &sf.breaking, &sf.result}) {
    if (*h > 0) kbclosegroup_f(h);
    *h = 0;
  }
}

// The second and third box lines of a library failure: the file and the cause, taken from the
// system error of the failing call (captured before any clean-up call can change it).
[[noreturn]] void fail_naming_file(const std::string& file_name, std::string_view message, int err) {
  fatal(message, "solution file: " + file_name, file_failure_reason(file_name, err));
}

[[noreturn]] void fail_after_closing_file(SolutionFile& sf, std::string_view message, int err) {
  kbclosefile_f(&sf.file);
  kbpclose_f();
  sf.open = false;
  fail_naming_file(sf.file_name, message, err);
}

[[noreturn]] void fail_after_closing_dataset(SolutionFile& sf, int dataset, std::string_view message, int err) {
  kbclosegroup_f(&dataset);
  fail_after_closing_file(sf, message, err);
}

int create_dataset(SolutionFile& sf, std::string_view suffix, std::string_view units, std::string_view time_units,
                   bool vector) {
  const std::string path = sf.simulation_name + std::string(suffix);
  const int path_len = text_length(path), units_len = text_length(units), time_units_len = text_length(time_units);
  const int compression = kNoCompression;
  int handle = 0;
  errno = 0;
  const int status = vector ? kbcreatevectordataset_f(&sf.file, path.data(), &path_len, units.data(), &units_len,
                                                      time_units.data(), &time_units_len, &compression, &handle)
                            : kbcreatescalardataset_f(&sf.file, path.data(), &path_len, units.data(), &units_len,
                                                      time_units.data(), &time_units_len, &compression, &handle);
  if (status < 0) {
    const int err = errno;
    close_open_datasets(sf);
    fail_after_closing_file(
        sf, vector ? "Error in KB_CREATE_VECTOR_DATASET()." : "Error in KB_CREATE_SCALAR_DATASET().", err);
  }
  if (vector && kbvectorsinlocalcoords_f(&handle) < 0) {
    fail_after_closing_dataset(sf, handle, "Error in KB_VECTORS_IN_LOCAL_COORDS().", errno);
  }
  return handle;
}

}  // namespace

std::string simulation_name(std::string_view parameter_file_name) {
  std::string_view name = trim_right(parameter_file_name);
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) name = name.substr(0, dot);
  return std::string(trim_right(name));
}

SolutionFile open_solution_file(std::string_view file_name, std::string_view sim_name) {
  SolutionFile sf;
  sf.simulation_name = std::string(sim_name);
  if (kbpinitialize_f() < 0) fatal("Error in KB_INITIALIZE().");
  const std::string_view name = trim_right(file_name);
  sf.file_name = std::string(name);
  const int name_len = text_length(name);
  const int overwrite = 1;
  errno = 0;
  if (kbcreatefile_f(name.data(), &name_len, &overwrite, &sf.file) < 0) {
    const int err = errno;
    kbpclose_f();
    if (name.empty()) fatal("Error in KB_CREATE_FILE().", "the solution file has no name (kobl_solution_file)");
    fail_naming_file(sf.file_name, "Error in KB_CREATE_FILE().", err);
  }
  sf.open = true;
  return sf;
}

int create_animation_dataset(SolutionFile& sf, std::string_view suffix, std::string_view units, bool vector) {
  if (!sf.open) return 0;
  return create_dataset(sf, suffix, units, "Seconds", vector);
}

void write_scalar_step(SolutionFile& sf, int dataset, double time, std::span<const float> values) {
  if (!sf.open || dataset <= 0) return;
  const int n = static_cast<int>(values.size());
  errno = 0;
  if (kbwritescalartimestep_f(&dataset, &time, &n, values.data()) < 0) {
    fail_after_closing_dataset(sf, dataset, "Error in KB_WRITE_SCALAR_TIMESTEP().", errno);
  }
}

void write_vector_step(SolutionFile& sf, int dataset, double time, std::span<const float> xy_values) {
  if (!sf.open || dataset <= 0) return;
  const int nnodes = static_cast<int>(xy_values.size() / 2);
  const int ncomponents = 2;
  errno = 0;
  if (kbwritevectortimestep_f(&dataset, &time, &nnodes, &ncomponents, xy_values.data()) < 0) {
    fail_after_closing_dataset(sf, dataset, "Error in KB_WRITE_VECTOR_TIMESTEP().", errno);
  }
}

void close_dataset(SolutionFile& sf, int& dataset) {
  if (!sf.open || dataset <= 0) return;
  const int h = dataset;
  dataset = 0;
  errno = 0;
  if (kbclosegroup_f(&h) < 0) fail_after_closing_file(sf, "Error in KB_CLOSE_GROUP().", errno);
}

void write_result_dataset(SolutionFile& sf, std::string_view suffix, std::string_view units, bool vector,
                          std::span<const float> values) {
  if (!sf.open) return;
  sf.result = create_dataset(sf, suffix, units, "None", vector);
  if (vector) {
    write_vector_step(sf, sf.result, 0.0, values);
  } else {
    write_scalar_step(sf, sf.result, 0.0, values);
  }
  close_dataset(sf, sf.result);
}

void close_solution_file(SolutionFile& sf) {
  if (!sf.open) return;
  sf.open = false;
  errno = 0;
  if (kbclosefile_f(&sf.file) < 0) {
    const int err = errno;
    kbpclose_f();
    fail_naming_file(sf.file_name, "Error in KB_CLOSE_FILE().", err);
  }
  errno = 0;
  if (kbpclose_f() < 0) fail_naming_file(sf.file_name, "Error in KB_CLOSE().", errno);
}

void abandon_solution_file(SolutionFile& sf) {
  if (!sf.open) return;
  sf.open = false;
  close_open_datasets(sf);
  kbclosefile_f(&sf.file);
  kbpclose_f();
}

void pack_nodes(const Field& f, int nx, int ny, std::vector<float>& out) {
  out.resize(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  std::size_t n = 0;
  for (int j = 1; j <= ny; ++j) {
    const float* c = f.col(j);
    for (int i = 0; i < nx; ++i) out[n++] = c[i];
  }
}

void pack_vector_nodes(const Field& fx, const Field& fy, int nx, int ny, std::vector<float>& out) {
  out.resize(2 * static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  std::size_t n = 0;
  for (int j = 1; j <= ny; ++j) {
    const float* cx = fx.col(j);
    const float* cy = fy.col(j);
    for (int i = 0; i < nx; ++i) {
      out[n++] = cx[i];
      out[n++] = cy[i];
    }
  }
}

}  // namespace swx
