// KOBL entry points: files written through the library are read back with the HDF5 C API.
#include "kobl/kobl.h"

#include <gtest/gtest.h>

#include <hdf5.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "hdf5_read.hpp"
#include "swx_test_support.hpp"

namespace {

namespace fs = std::filesystem;

int len(const std::string& s) { return static_cast<int>(s.size()); }

int create_file(const std::string& name, int& handle) {
  const int n = len(name), overwrite = 1;
  return kbcreatefile_f(name.c_str(), &n, &overwrite, &handle);
}

int create_dataset(bool vector, int file, const std::string& path, const std::string& units,
                   const std::string& time_units, int compression, int& handle) {
  const int np = len(path), nu = len(units), nt = len(time_units);
  return vector ? kbcreatevectordataset_f(&file, path.c_str(), &np, units.c_str(), &nu, time_units.c_str(), &nt,
                                          &compression, &handle)
                : kbcreatescalardataset_f(&file, path.c_str(), &np, units.c_str(), &nu, time_units.c_str(), &nt,
                                          &compression, &handle);
}

using swx::test::dims_of;
using swx::test::int_attribute;
using swx::test::read_all;
using swx::test::text_attribute;

class Kobl : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(kbpinitialize_f(), KB_OK); }
  void TearDown() override { kbpclose_f(); }
  // A file in a directory of the test's own, removed when the test ends.
  std::string scratch_file(const std::string& stem) const { return dir_.path(stem + ".h5"); }

 private:
  swx::test::ScratchDir dir_;
};

// The named text attributes of an object and its integer attributes "Compression" and
// "LocalCoords", in one comparable value.
std::vector<std::string> attributes(hid_t obj, std::initializer_list<const char*> text_names) {
  std::vector<std::string> v;
  for (const char* n : text_names) v.push_back(text_attribute(obj, n));
  for (const char* n : {"Compression", "LocalCoords"}) v.push_back(std::to_string(int_attribute(obj, n)));
  return v;
}

// A scalar statistics dataset (one step at time 0), a vector animation dataset (two steps) and a
// deflate-compressed dataset left open when its file is closed are written and read back whole:
// groups, attributes, values, times and the time scale.
TEST_F(Kobl, DatasetsRoundTripThroughHdf5) {
  const std::string name = scratch_file("round_trip");
  int file = 0, hs = 0, vel = 0, wse = 0;
  ASSERT_EQ(create_file(name, file), KB_OK);
  ASSERT_EQ(create_dataset(false, file, "/case1/Sig. Wave Height", "m", "None", -1, hs), KB_OK);
  ASSERT_EQ(create_dataset(true, file, "/case1/Velocity Animation", "m/s", "Seconds", -1, vel), KB_OK);
  ASSERT_EQ(create_dataset(false, file, "wse", "m", "Seconds", 6, wse), KB_OK);
  EXPECT_EQ(kbvectorsinlocalcoords_f(&vel), KB_OK);

  const std::vector<float> hs_values = {0.0f, 1.5f, -2.25f, 3.0f, 4.0f, 1e-3f};
  const double t0 = 0.0, ta = 0.5, tb = 1.0, tw = 2.5;
  const int six = 6, three = 3, two = 2;
  EXPECT_EQ(kbwritescalartimestep_f(&hs, &t0, &six, hs_values.data()), KB_OK);
  const std::vector<float> v12 = {1, -1, 2, -2, 3, -3, 0.5f, 0.25f, 0, 0, -7, 8};  // two steps of 3 vectors
  EXPECT_EQ(kbwritevectortimestep_f(&vel, &ta, &three, &two, v12.data()), KB_OK);
  EXPECT_EQ(kbwritevectortimestep_f(&vel, &tb, &three, &two, v12.data() + 6), KB_OK);
  std::vector<float> w(1000);
  for (std::size_t k = 0; k < w.size(); ++k) w[k] = static_cast<float>(k % 7) * 0.5f;
  const int nw = static_cast<int>(w.size());
  ASSERT_EQ(kbwritescalartimestep_f(&wse, &tw, &nw, w.data()), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&hs), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&vel), KB_OK);
  EXPECT_EQ(kbclosefile_f(&file), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&wse), KB_ERR_BAD_HANDLE);  // closed with its file

  const hid_t f = H5Fopen(name.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  ASSERT_GE(f, 0);
  EXPECT_EQ(text_attribute(f, "FileType"), "KOBL Solution File");

  const hid_t g = H5Gopen2(f, "/case1/Sig. Wave Height", H5P_DEFAULT);
  ASSERT_GE(g, 0);
  EXPECT_EQ(attributes(g, {"DataType", "Units", "TimeUnits"}),
            (std::vector<std::string>{"Scalar", "m", "None", "-1", "0"}));
  const hid_t values = H5Dopen2(g, "Values", H5P_DEFAULT);
  EXPECT_EQ(dims_of(values), (std::vector<hsize_t>{1, 6}));
  EXPECT_EQ(text_attribute(values, "units"), "m");
  EXPECT_EQ(H5Tget_size(H5Dget_type(values)), 4u);
  H5Dclose(values);
  EXPECT_EQ(read_all<float>(g, "Values", H5T_NATIVE_FLOAT), hs_values);
  EXPECT_EQ(read_all<double>(g, "Times", H5T_NATIVE_DOUBLE), std::vector<double>{0.0});
  H5Gclose(g);

  const hid_t gv = H5Gopen2(f, "/case1/Velocity Animation", H5P_DEFAULT);
  ASSERT_GE(gv, 0);
  EXPECT_EQ(attributes(gv, {"DataType", "Units", "TimeUnits"}),
            (std::vector<std::string>{"Vector", "m/s", "Seconds", "-1", "1"}));
  const hid_t vvalues = H5Dopen2(gv, "Values", H5P_DEFAULT);
  EXPECT_EQ(dims_of(vvalues), (std::vector<hsize_t>{2, 3, 2}));
  H5Dclose(vvalues);
  EXPECT_EQ(read_all<float>(gv, "Values", H5T_NATIVE_FLOAT), v12);
  EXPECT_EQ(read_all<double>(gv, "Times", H5T_NATIVE_DOUBLE), (std::vector<double>{0.5, 1.0}));
  const hid_t times = H5Dopen2(gv, "Times", H5P_DEFAULT);
  EXPECT_EQ(text_attribute(times, "CLASS"), "DIMENSION_SCALE");
  H5Dclose(times);
  H5Gclose(gv);

  const hid_t gw = H5Gopen2(f, "/wse", H5P_DEFAULT);
  EXPECT_EQ(read_all<float>(gw, "Values", H5T_NATIVE_FLOAT), w);
  EXPECT_EQ(read_all<double>(gw, "Times", H5T_NATIVE_DOUBLE), std::vector<double>{2.5});
  H5Gclose(gw);
  H5Fclose(f);

  // The HDF5 command-line dumper opens the file and shows the layout.
  const std::string h5dump = SWX_H5DUMP;
  if (h5dump.empty()) GTEST_SKIP() << "h5dump not available";
  FILE* pipe = ::popen((h5dump + " -d \"/case1/Sig. Wave Height/Values\" '" + name + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, pipe) != nullptr) out += buf;
  EXPECT_EQ(::pclose(pipe), 0);
  EXPECT_NE(out.find("DATATYPE  H5T_IEEE_F32LE"), std::string::npos) << out;
  EXPECT_NE(out.find("DATASPACE  SIMPLE { ( 1, 6 ) / ( H5S_UNLIMITED, 6 ) }"), std::string::npos) << out;
  EXPECT_NE(out.find("(0,0): 0, 1.5, -2.25, 3, 4, 0.001"), std::string::npos) << out;
}

// Every misuse answers a negative status and leaves the library usable.
TEST_F(Kobl, MisuseGivesNegativeStatus) {
  int file = 0, ds = 0;
  EXPECT_EQ(create_file("", file), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(create_file("   ", file), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(create_file((fs::temp_directory_path() / "no_such_dir_kobl" / "x.h5").string(), file), KB_ERR_FILE);

  const std::string name = scratch_file("misuse");
  ASSERT_EQ(create_file(name, file), KB_OK);
  const int bad_file = file + 100;
  EXPECT_EQ(create_dataset(false, bad_file, "/a", "m", "None", -1, ds), KB_ERR_BAD_HANDLE);
  EXPECT_EQ(create_dataset(false, file, "//", "m", "None", -1, ds), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(create_dataset(false, file, "/a", "m", "None", 10, ds), KB_ERR_BAD_ARGUMENT);
  ASSERT_EQ(create_dataset(false, file, "/run/a", "m", "None", -1, ds), KB_OK);
  int again = 0;
  EXPECT_EQ(create_dataset(false, file, "/run/a", "m", "None", -1, again), KB_ERR_DATASET);
  EXPECT_EQ(kbvectorsinlocalcoords_f(&ds), KB_ERR_BAD_HANDLE);  // a scalar dataset

  const float values[4] = {1, 2, 3, 4};
  const double t = 0.0;
  const int four = 4, three = 3, zero = 0;
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &zero, values), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &four, values), KB_OK);
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &three, values), KB_ERR_SIZE_MISMATCH);
  const int two = 2;
  EXPECT_EQ(kbwritevectortimestep_f(&ds, &t, &two, &two, values), KB_ERR_BAD_HANDLE);  // not a vector

  EXPECT_EQ(kbclosegroup_f(&ds), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&ds), KB_ERR_BAD_HANDLE);
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &four, values), KB_ERR_BAD_HANDLE);
  EXPECT_EQ(kbclosefile_f(&file), KB_OK);
  EXPECT_EQ(kbclosefile_f(&file), KB_ERR_BAD_HANDLE);

  EXPECT_EQ(kbpclose_f(), KB_OK);
  EXPECT_EQ(kbpclose_f(), KB_ERR_NOT_INITIALIZED);
  EXPECT_EQ(create_file(name, file), KB_ERR_NOT_INITIALIZED);
  EXPECT_EQ(kbpinitialize_f(), KB_OK);
}

}  // namespace
