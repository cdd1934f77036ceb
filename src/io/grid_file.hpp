#pragma once
// Text grid files: scalar and vector rasters with a keyword header ended by :EndHeader.
#include <string>
#include <string_view>

#include "core/array2d.hpp"

namespace swx {

// Values that describe a grid; read from the bathymetry file and written into every output grid.
struct GridHeader {
  float delta_x = 0.0f;           // m
  float delta_y = 0.0f;           // m
  float x_origin = 0.0f;          // m
  float y_origin = 0.0f;          // m
  float grid_orientation = 0.0f;  // degrees
  int n_arrays = 0;
  int ngrid_x = 0;
  int ngrid_y = 0;
};

// Reads and checks the header of an existing grid file.
GridHeader read_grid_header(const std::string& file_name);

// Read nodes (1..nx, 1..ny) of a (the array's leading dimension is a.ni, a.nj >= ny).
void read_scalar_grid(const std::string& file_name, Field& a, int nx, int ny);
void read_vector_grid(const std::string& file_name, Field& ax, Field& ay, int nx, int ny);

// Create or overwrite a grid file over nodes (1..h.ngrid_x, 1..h.ngrid_y), writer "SWELLIX" 5.0.
void write_scalar_grid(const std::string& file_name, const Field& a, const GridHeader& h, std::string_view description,
                       std::string_view units);
void write_vector_grid(const std::string& file_name, const Field& ax, const Field& ay, const GridHeader& h,
                       std::string_view description_x, std::string_view description_y, std::string_view units_x,
                       std::string_view units_y);

}  // namespace swx
