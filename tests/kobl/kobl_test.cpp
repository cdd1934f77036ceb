// KOBL entry points: files written through the library are read back with the HDF5 C API.
#include "kobl/kobl.h"

#include <hdf5.h>

#include "hdf5_read.hpp"
#include "swx_test_support.hpp"

namespace {

using namespace swx::test;
using Dims = std::vector<hsize_t>;
using Texts = std::vector<std::string>;

int create_file(const std::string& name, int& handle) {
  const int n = static_cast<int>(name.size()), overwrite = 1;
  return kbcreatefile_f(name.c_str(), &n, &overwrite, &handle);
}

int create_dataset(bool vector, int file, const std::string& path, const std::string& units,
                   const std::string& time_units, int compression, int& handle) {
  const int np = static_cast<int>(path.size()), nu = static_cast<int>(units.size()),
            nt = static_cast<int>(time_units.size());
  return (vector ? kbcreatevectordataset_f : kbcreatescalardataset_f)(&file, path.c_str(), &np, units.c_str(), &nu,
                                                                      time_units.c_str(), &nt, &compression, &handle);
}

class Kobl : public ::testing::Test, protected ScratchDir {
 protected:
  void SetUp() override { ASSERT_EQ(kbpinitialize_f(), KB_OK); }
  void TearDown() override { kbpclose_f(); }
};

// A dataset group as read back: attributes of the group, of Values and of Times, the stored type, then the data.
struct Group {
  Texts attributes;
  Dims dims;
  std::vector<float> values;
  std::vector<double> times;
};

Group read_group(hid_t file, const char* path) {
  Group r;
  const hid_t g = H5Gopen2(file, path, H5P_DEFAULT);
  EXPECT_GE(g, 0) << path;
  if (g < 0) return r;
  for (const char* n : {"DataType", "Units", "TimeUnits"}) r.attributes.push_back(text_attribute(g, n));
  for (const char* n : {"Compression", "LocalCoords"}) r.attributes.push_back(std::to_string(int_attribute(g, n)));
  const hid_t values = H5Dopen2(g, "Values", H5P_DEFAULT), times = H5Dopen2(g, "Times", H5P_DEFAULT),
              type = H5Dget_type(values);
  r.attributes.insert(r.attributes.end(), {text_attribute(values, "units"), text_attribute(times, "CLASS"),
                                           H5Tequal(type, H5T_IEEE_F32LE) > 0 ? "F32LE" : "other"});
  r.dims = dims_of(values);
  H5Tclose(type);
  H5Dclose(times);
  H5Dclose(values);
  r.values = read_all<float>(g, "Values", H5T_NATIVE_FLOAT);
  r.times = read_all<double>(g, "Times", H5T_NATIVE_DOUBLE);
  H5Gclose(g);
  return r;
}

// A scalar dataset of one step, a vector dataset of two steps in local coordinates and a
// compressed dataset left open when its file is closed.
TEST_F(Kobl, DatasetsRoundTripThroughHdf5) {
  const std::string name = path("round_trip.h5");
  int file = 0, hs = 0, vel = 0, wse = 0;
  ASSERT_EQ(create_file(name, file), KB_OK);
  ASSERT_EQ(create_dataset(false, file, "/case1/Sig. Wave Height", "m", "None", -1, hs), KB_OK);
  ASSERT_EQ(create_dataset(true, file, "/case1/Velocity Animation", "m/s", "Seconds", -1, vel), KB_OK);
  ASSERT_EQ(create_dataset(false, file, "wse", "m", "Seconds", 6, wse), KB_OK);
  EXPECT_EQ(kbvectorsinlocalcoords_f(&vel), KB_OK);
  const std::vector<float> s6 = {0.0f, 1.5f, -2.25f, 3.0f, 4.0f, 1e-3f};
  const std::vector<float> v12 = {1, -1, 2, -2, 3, -3, 0.5f, 0.25f, 0, 0, -7, 8};  // two steps of 3 vectors
  std::vector<float> w(1000);
  for (std::size_t k = 0; k < w.size(); ++k) w[k] = static_cast<float>(k % 7) * 0.5f;
  const double t0 = 0.0, ta = 0.5, tb = 1.0, tw = 2.5;
  const int six = 6, three = 3, two = 2, nw = 1000;
  EXPECT_EQ(kbwritescalartimestep_f(&hs, &t0, &six, s6.data()), KB_OK);
  EXPECT_EQ(kbwritevectortimestep_f(&vel, &ta, &three, &two, v12.data()), KB_OK);
  EXPECT_EQ(kbwritevectortimestep_f(&vel, &tb, &three, &two, v12.data() + 6), KB_OK);
  ASSERT_EQ(kbwritescalartimestep_f(&wse, &tw, &nw, w.data()), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&hs), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&vel), KB_OK);
  EXPECT_EQ(kbclosefile_f(&file), KB_OK);
  EXPECT_EQ(kbclosegroup_f(&wse), KB_ERR_BAD_HANDLE);  // closed with its file

  const hid_t f = H5Fopen(name.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  ASSERT_GE(f, 0);
  EXPECT_EQ(text_attribute(f, "FileType"), "KOBL Solution File");
  const Group a = read_group(f, "/case1/Sig. Wave Height"), b = read_group(f, "/case1/Velocity Animation"),
              c = read_group(f, "/wse");
  H5Fclose(f);
  EXPECT_EQ(a.attributes, (Texts{"Scalar", "m", "None", "-1", "0", "m", "DIMENSION_SCALE", "F32LE"}));
  EXPECT_EQ(std::tie(a.dims, a.values, a.times), std::tuple(Dims{1, 6}, s6, std::vector<double>{0.0}));
  EXPECT_EQ(b.attributes, (Texts{"Vector", "m/s", "Seconds", "-1", "1", "m/s", "DIMENSION_SCALE", "F32LE"}));
  EXPECT_EQ(std::tie(b.dims, b.values, b.times), std::tuple(Dims{2, 3, 2}, v12, std::vector<double>{0.5, 1.0}));
  EXPECT_EQ(std::tie(c.attributes[3], c.values, c.times), std::tuple("6", w, std::vector<double>{2.5}));
}

// Every misuse answers a negative status and leaves the library usable.
TEST_F(Kobl, MisuseGivesNegativeStatus) {
  int file = 0, ds = 0, again = 0;
  EXPECT_EQ(create_file("   ", file), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(create_file(path("no_such_dir/x.h5"), file), KB_ERR_FILE);
  const std::string name = path("misuse.h5");
  ASSERT_EQ(create_file(name, file), KB_OK);
  EXPECT_EQ(create_dataset(false, file + 100, "/a", "m", "None", -1, ds), KB_ERR_BAD_HANDLE);
  EXPECT_EQ(create_dataset(false, file, "//", "m", "None", -1, ds), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(create_dataset(false, file, "/a", "m", "None", 10, ds), KB_ERR_BAD_ARGUMENT);
  ASSERT_EQ(create_dataset(false, file, "/run/a", "m", "None", -1, ds), KB_OK);
  EXPECT_EQ(create_dataset(false, file, "/run/a", "m", "None", -1, again), KB_ERR_DATASET);
  EXPECT_EQ(kbvectorsinlocalcoords_f(&ds), KB_ERR_BAD_HANDLE);  // a scalar dataset
  const float values[4] = {1, 2, 3, 4};
  const double t = 0.0;
  const int four = 4, three = 3, two = 2, zero = 0;
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &zero, values), KB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &four, values), KB_OK);
  EXPECT_EQ(kbwritescalartimestep_f(&ds, &t, &three, values), KB_ERR_SIZE_MISMATCH);
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
