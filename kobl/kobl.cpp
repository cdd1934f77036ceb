// KOBL on HDF5: every dataset of the solution file is an HDF5 group named by its path, holding
// the time-step values ("Values", time steps x nodes [x components]) and the step times
// ("Times"), both extendible along time.  Handles given to the caller are indices into the
// tables below, starting at 1 and never reused within a process.
#include "kobl/kobl.h"

#include <cstddef>
#include <hdf5.h>
#include <hdf5_hl.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kValuesName = "Values";
constexpr const char* kTimesName = "Times";
constexpr const char* kLibraryVersion = "1.0";

struct FileEntry {
  hid_t id = H5I_INVALID_HID;
  bool open = false;
};

struct DatasetEntry {
  hid_t group = H5I_INVALID_HID;
  hid_t values = H5I_INVALID_HID;  // created at the first step, when the node count is known
  hid_t times = H5I_INVALID_HID;
  int file = 0;         // handle of the file holding it
  int ncomponents = 1;  // 1 scalar, 2 vector
  int compression = -1;
  hsize_t nnodes = 0;
  hsize_t nsteps = 0;
  std::string units;
  bool open = false;
};

struct Library {
  bool initialized = false;
  bool started = false;       // kbpinitialize_f has been called once in this process
  bool close_failed = false;  // a file could not be closed: HDF5 is then left as it is
  std::vector<FileEntry> files;
  std::vector<DatasetEntry> datasets;
};

Library& lib() {
  static Library l;
  return l;
}

// Text given with an explicit length; trailing blanks and NULs are not part of it.
bool text_arg(const char* s, const int* len, std::string& out) {
  if (s == nullptr || len == nullptr || *len < 0) return false;
  out.assign(s, static_cast<std::size_t>(*len));
  while (!out.empty() && (out.back() == ' ' || out.back() == '\0')) out.pop_back();
  return true;
}

FileEntry* find_file(const int* handle) {
  Library& l = lib();
  if (handle == nullptr || *handle < 1 || static_cast<std::size_t>(*handle) > l.files.size()) return nullptr;
  FileEntry& f = l.files[static_cast<std::size_t>(*handle) - 1];
  return f.open ? &f : nullptr;
}

DatasetEntry* find_dataset(const int* handle) {
  Library& l = lib();
  if (handle == nullptr || *handle < 1 || static_cast<std::size_t>(*handle) > l.datasets.size()) return nullptr;
  DatasetEntry& d = l.datasets[static_cast<std::size_t>(*handle) - 1];
  return d.open ? &d : nullptr;
}

// Fixed-length string attribute (netCDF-4 readers see it as a text attribute).
bool put_text_attribute(hid_t obj, const char* name, const std::string& value) {
  const hid_t type = H5Tcopy(H5T_C_S1);
  if (type < 0) return false;
  H5Tset_size(type, value.empty() ? 1 : value.size());
  H5Tset_strpad(type, H5T_STR_NULLTERM);
  const hid_t space = H5Screate(H5S_SCALAR);
  const hid_t attr = H5Acreate2(obj, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
  bool ok = attr >= 0;
  if (ok) {
    const std::string buf = value.empty() ? std::string(1, '\0') : value;
    ok = H5Awrite(attr, type, buf.data()) >= 0;
    H5Aclose(attr);
  }
  H5Sclose(space);
  H5Tclose(type);
  return ok;
}

bool put_int_attribute(hid_t obj, const char* name, int value) {
  const hid_t space = H5Screate(H5S_SCALAR);
  hid_t attr = H5I_INVALID_HID;
  if (H5Aexists(obj, name) > 0) {
    attr = H5Aopen(obj, name, H5P_DEFAULT);
  } else {
    attr = H5Acreate2(obj, name, H5T_STD_I32LE, space, H5P_DEFAULT, H5P_DEFAULT);
  }
  bool ok = attr >= 0;
  if (ok) {
    ok = H5Awrite(attr, H5T_NATIVE_INT, &value) >= 0;
    H5Aclose(attr);
  }
  H5Sclose(space);
  return ok;
}

// "/a//b/./c/" -> "/a/b/c"; empty when no component is left.
std::string normalise_path(const std::string& path) {
  std::string out, part;
  auto flush = [&] {
    if (!part.empty() && part != ".") out += "/" + part;
    part.clear();
  };
  for (char c : path) {
    if (c == '/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  return out;
}

void close_dataset(DatasetEntry& d) {
  if (d.values >= 0) H5Dclose(d.values);
  if (d.times >= 0) H5Dclose(d.times);
  if (d.group >= 0) H5Gclose(d.group);
  d.values = d.times = d.group = H5I_INVALID_HID;
  d.open = false;
}

int create_dataset(int ncomponents, const int* parent, const char* path, const int* path_len, const char* units,
                   const int* units_len, const char* time_units, const int* time_units_len, const int* compression,
                   int* dataset_handle) {
  Library& l = lib();
  if (!l.initialized) return KB_ERR_NOT_INITIALIZED;
  FileEntry* f = find_file(parent);
  if (f == nullptr) return KB_ERR_BAD_HANDLE;
  std::string p, u, tu;
  if (!text_arg(path, path_len, p) || !text_arg(units, units_len, u) || !text_arg(time_units, time_units_len, tu) ||
      compression == nullptr || dataset_handle == nullptr) {
    return KB_ERR_BAD_ARGUMENT;
  }
  if (*compression < -1 || *compression > 9) return KB_ERR_BAD_ARGUMENT;
  p = normalise_path(p);
  if (p.empty()) return KB_ERR_BAD_ARGUMENT;

  const hid_t lcpl = H5Pcreate(H5P_LINK_CREATE);
  H5Pset_create_intermediate_group(lcpl, 1);
  const hid_t group = H5Gcreate2(f->id, p.c_str(), lcpl, H5P_DEFAULT, H5P_DEFAULT);
  H5Pclose(lcpl);
  if (group < 0) return KB_ERR_DATASET;

  DatasetEntry d;
  d.group = group;
  d.file = *parent;
  d.ncomponents = ncomponents;
  d.compression = *compression;
  d.units = u;
  d.open = true;
  bool ok = put_text_attribute(group, "DataType", ncomponents == 1 ? "Scalar" : "Vector") &&
            put_text_attribute(group, "Units", u) && put_text_attribute(group, "TimeUnits", tu) &&
            put_int_attribute(group, "NumComponents", ncomponents) &&
            put_int_attribute(group, "Compression", *compression) && put_int_attribute(group, "LocalCoords", 0);

  // Step times: float64, one per step, extendible; a dimension scale of the values' first axis.
  if (ok) {
    hsize_t dims[1] = {0}, maxdims[1] = {H5S_UNLIMITED}, chunk[1] = {256};
    const hid_t space = H5Screate_simple(1, dims, maxdims);
    const hid_t dcpl = H5Pcreate(H5P_DATASET_CREATE);
    H5Pset_chunk(dcpl, 1, chunk);
    d.times = H5Dcreate2(group, kTimesName, H5T_IEEE_F64LE, space, H5P_DEFAULT, dcpl, H5P_DEFAULT);
    H5Pclose(dcpl);
    H5Sclose(space);
    ok = d.times >= 0 && put_text_attribute(d.times, "units", tu) && H5DSset_scale(d.times, kTimesName) >= 0;
  }
  if (!ok) {
    close_dataset(d);
    H5Ldelete(f->id, p.c_str(), H5P_DEFAULT);
    return KB_ERR_DATASET;
  }
  l.datasets.push_back(d);
  *dataset_handle = static_cast<int>(l.datasets.size());
  return KB_OK;
}

// Creates the values dataset at the first step: (0 x nnodes [x ncomponents]), one chunk per step.
bool create_values(DatasetEntry& d, hsize_t nnodes) {
  const int rank = d.ncomponents == 1 ? 2 : 3;
  hsize_t dims[3] = {0, nnodes, static_cast<hsize_t>(d.ncomponents)};
  hsize_t maxdims[3] = {H5S_UNLIMITED, nnodes, static_cast<hsize_t>(d.ncomponents)};
  hsize_t chunk[3] = {1, nnodes, static_cast<hsize_t>(d.ncomponents)};
  const hid_t space = H5Screate_simple(rank, dims, maxdims);
  const hid_t dcpl = H5Pcreate(H5P_DATASET_CREATE);
  H5Pset_chunk(dcpl, rank, chunk);
  if (d.compression > 0 && H5Zfilter_avail(H5Z_FILTER_DEFLATE) > 0) {
    H5Pset_deflate(dcpl, static_cast<unsigned>(d.compression));
  }
  d.values = H5Dcreate2(d.group, kValuesName, H5T_IEEE_F32LE, space, H5P_DEFAULT, dcpl, H5P_DEFAULT);
  H5Pclose(dcpl);
  H5Sclose(space);
  if (d.values < 0) return false;
  d.nnodes = nnodes;
  // The values carry the dataset's units also under the name generic readers look for.
  return put_text_attribute(d.values, "units", d.units) && H5DSattach_scale(d.values, d.times, 0) >= 0;
}

// Appends one step to an extendible dataset along its first axis.
bool append_row(hid_t dset, int rank, const hsize_t* row_dims, hsize_t row, hid_t mem_type, const void* data) {
  hsize_t new_dims[3] = {row + 1, rank > 1 ? row_dims[1] : 0, rank > 2 ? row_dims[2] : 0};
  if (H5Dset_extent(dset, new_dims) < 0) return false;
  const hid_t file_space = H5Dget_space(dset);
  hsize_t start[3] = {row, 0, 0};
  hsize_t count[3] = {1, new_dims[1], new_dims[2]};
  H5Sselect_hyperslab(file_space, H5S_SELECT_SET, start, nullptr, count, nullptr);
  const hid_t mem_space = H5Screate_simple(rank, count, nullptr);
  const bool ok = H5Dwrite(dset, mem_type, mem_space, file_space, H5P_DEFAULT, data) >= 0;
  H5Sclose(mem_space);
  H5Sclose(file_space);
  return ok;
}

int write_step(int ncomponents, const int* dataset_handle, const double* time, const int* nvalues,
               const float* values) {
  if (!lib().initialized) return KB_ERR_NOT_INITIALIZED;
  DatasetEntry* d = find_dataset(dataset_handle);
  if (d == nullptr || d->ncomponents != ncomponents) return KB_ERR_BAD_HANDLE;
  if (time == nullptr || nvalues == nullptr || values == nullptr || *nvalues <= 0) return KB_ERR_BAD_ARGUMENT;
  const auto n = static_cast<hsize_t>(*nvalues);
  if (d->values < 0) {
    if (!create_values(*d, n)) return KB_ERR_WRITE;
  } else if (n != d->nnodes) {
    return KB_ERR_SIZE_MISMATCH;
  }
  const hsize_t row_dims[3] = {1, n, static_cast<hsize_t>(ncomponents)};
  if (!append_row(d->values, ncomponents == 1 ? 2 : 3, row_dims, d->nsteps, H5T_NATIVE_FLOAT, values)) {
    return KB_ERR_WRITE;
  }
  const hsize_t time_dims[1] = {1};
  if (!append_row(d->times, 1, time_dims, d->nsteps, H5T_NATIVE_DOUBLE, time)) return KB_ERR_WRITE;
  ++d->nsteps;
  // Every finished step reaches the disk with the metadata that describes it, so a run that is
  // stopped at any moment leaves a file that opens and holds all steps written before.
  const FileEntry* f = find_file(&d->file);
  if (f == nullptr || H5Fflush(f->id, H5F_SCOPE_LOCAL) < 0) return KB_ERR_WRITE;
  return KB_OK;
}

}  // namespace

extern "C" {

int kbpinitialize_f(void) {
  Library& l = lib();
  if (l.initialized) return KB_OK;
  // The library is ended by kbpclose_f, never from the process's exit handlers: a file whose
  // closing failed (a full disk) must not be flushed again while the process ends.
  if (!l.started) H5dont_atexit();
  l.started = true;
  if (H5open() < 0) return KB_ERR_HDF5;
  // Failures are reported through the statuses only: no HDF5 error stack on the console.
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  l.initialized = true;
  return KB_OK;
}

int kbcreatefile_f(const char* name, const int* name_len, const int* overwrite, int* file_handle) {
  Library& l = lib();
  if (!l.initialized) return KB_ERR_NOT_INITIALIZED;
  std::string file_name;
  if (!text_arg(name, name_len, file_name) || overwrite == nullptr || file_handle == nullptr) {
    return KB_ERR_BAD_ARGUMENT;
  }
  if (file_name.empty()) return KB_ERR_BAD_ARGUMENT;
  const hid_t id =
      H5Fcreate(file_name.c_str(), *overwrite != 0 ? H5F_ACC_TRUNC : H5F_ACC_EXCL, H5P_DEFAULT, H5P_DEFAULT);
  if (id < 0) return KB_ERR_FILE;
  if (!put_text_attribute(id, "FileType", "KOBL Solution File") ||
      !put_text_attribute(id, "KoblVersion", kLibraryVersion)) {
    H5Fclose(id);
    return KB_ERR_FILE;
  }
  l.files.push_back(FileEntry{id, true});
  *file_handle = static_cast<int>(l.files.size());
  return KB_OK;
}

int kbcreatescalardataset_f(const int* parent, const char* path, const int* path_len, const char* units,
                            const int* units_len, const char* time_units, const int* time_units_len,
                            const int* compression, int* dataset_handle) {
  return create_dataset(1, parent, path, path_len, units, units_len, time_units, time_units_len, compression,
                        dataset_handle);
}

int kbcreatevectordataset_f(const int* parent, const char* path, const int* path_len, const char* units,
                            const int* units_len, const char* time_units, const int* time_units_len,
                            const int* compression, int* dataset_handle) {
  return create_dataset(2, parent, path, path_len, units, units_len, time_units, time_units_len, compression,
                        dataset_handle);
}

int kbvectorsinlocalcoords_f(const int* dataset_handle) {
  if (!lib().initialized) return KB_ERR_NOT_INITIALIZED;
  DatasetEntry* d = find_dataset(dataset_handle);
  if (d == nullptr || d->ncomponents != 2) return KB_ERR_BAD_HANDLE;
  return put_int_attribute(d->group, "LocalCoords", 1) ? KB_OK : KB_ERR_WRITE;
}

int kbwritescalartimestep_f(const int* dataset_handle, const double* time, const int* nvalues, const float* values) {
  return write_step(1, dataset_handle, time, nvalues, values);
}

int kbwritevectortimestep_f(const int* dataset_handle, const double* time, const int* nvalues, const int* ncomponents,
                            const float* values) {
  if (ncomponents == nullptr || *ncomponents != 2) {
    if (!lib().initialized) return KB_ERR_NOT_INITIALIZED;
    return KB_ERR_BAD_ARGUMENT;
  }
  return write_step(2, dataset_handle, time, nvalues, values);
}

int kbclosegroup_f(const int* dataset_handle) {
  if (!lib().initialized) return KB_ERR_NOT_INITIALIZED;
  DatasetEntry* d = find_dataset(dataset_handle);
  if (d == nullptr) return KB_ERR_BAD_HANDLE;
  close_dataset(*d);
  return KB_OK;
}

int kbclosefile_f(const int* file_handle) {
  Library& l = lib();
  if (!l.initialized) return KB_ERR_NOT_INITIALIZED;
  FileEntry* f = find_file(file_handle);
  if (f == nullptr) return KB_ERR_BAD_HANDLE;
  for (DatasetEntry& d : l.datasets) {
    if (d.open && d.file == *file_handle) close_dataset(d);
  }
  f->open = false;
  const hid_t id = f->id;
  f->id = H5I_INVALID_HID;
  if (H5Fclose(id) >= 0) return KB_OK;
  l.close_failed = true;
  return KB_ERR_FILE;
}

int kbpclose_f(void) {
  Library& l = lib();
  if (!l.initialized) return KB_ERR_NOT_INITIALIZED;
  int status = KB_OK;
  for (DatasetEntry& d : l.datasets) {
    if (d.open) close_dataset(d);
  }
  for (FileEntry& f : l.files) {
    if (f.open) {
      if (H5Fclose(f.id) < 0) {
        status = KB_ERR_FILE;
        l.close_failed = true;
      }
      f.open = false;
      f.id = H5I_INVALID_HID;
    }
  }
  l.initialized = false;
  // Ending HDF5 flushes what is still open in it; after a failed close that would write to the
  // failing file once more (and can crash inside HDF5), so the library is then left to the
  // operating system, which closes the file when the process ends.
  if (!l.close_failed && H5close() < 0) status = KB_ERR_HDF5;
  return status;
}

}  // extern "C"
