#pragma once
// Reading HDF5 files back with the HDF5 C API, for tests of the files the program writes.
#include <cstddef>
#include <hdf5.h>
#include <string>
#include <vector>

namespace swx::test {

// A text attribute of obj; "<missing>" when obj has none of that name.
inline std::string text_attribute(hid_t obj, const char* name) {
  const hid_t attr = H5Aopen(obj, name, H5P_DEFAULT);
  if (attr < 0) return "<missing>";
  const hid_t type = H5Aget_type(attr);
  std::vector<char> buf(H5Tget_size(type) + 1, '\0');
  H5Aread(attr, type, buf.data());
  H5Tclose(type);
  H5Aclose(attr);
  return buf.data();
}

// An integer attribute of obj; -999 when obj has none of that name.
inline int int_attribute(hid_t obj, const char* name) {
  int v = -999;
  const hid_t attr = H5Aopen(obj, name, H5P_DEFAULT);
  if (attr < 0) return v;
  H5Aread(attr, H5T_NATIVE_INT, &v);
  H5Aclose(attr);
  return v;
}

// The dimensions of a dataset.
inline std::vector<hsize_t> dims_of(hid_t dset) {
  const hid_t space = H5Dget_space(dset);
  std::vector<hsize_t> d(static_cast<std::size_t>(H5Sget_simple_extent_ndims(space)));
  H5Sget_simple_extent_dims(space, d.data(), nullptr);
  H5Sclose(space);
  return d;
}

// Every value of dataset name in group, read as mem_type.
template <class T>
std::vector<T> read_all(hid_t group, const char* name, hid_t mem_type) {
  const hid_t dset = H5Dopen2(group, name, H5P_DEFAULT);
  std::size_t n = 1;
  for (hsize_t d : dims_of(dset)) n *= static_cast<std::size_t>(d);
  std::vector<T> v(n);
  H5Dread(dset, mem_type, H5S_ALL, H5S_ALL, H5P_DEFAULT, v.data());
  H5Dclose(dset);
  return v;
}

}  // namespace swx::test
