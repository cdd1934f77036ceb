#pragma once
// The solution file: gridded results written as datasets through the KOBL library.
//
// Call order for the driver (all calls do nothing when the file is not open):
//   1. open_solution_file             while the output parameters are read (solution_file_option > 0)
//   2. open_animation (animation.hpp) creates the animation datasets before the time loop
//   3. write_*_step                   at every saved animation step (done by save_animation_step)
//   4. close_animation                after the loop closes the animation datasets
//   5. write_statistics (statistics.hpp) writes one dataset per requested result
//   6. close_solution_file
// Every library status is tested; a failure ends the run with the library message, the file's
// name and the cause, after the clean-up calls (whose own statuses are not tested).  Each
// written step is on the disk when its write returns, so an interrupted run leaves a readable
// file holding every finished step.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/array2d.hpp"

namespace swx {

struct SolutionFile {
  bool open = false;            // file created and not yet closed
  std::string simulation_name;  // first component of every dataset path
  std::string file_name;        // as named by kobl_solution_file
  int file = 0;                 // library file handle
  // Animation datasets; 0 when not open.
  int velocity = 0, velocity_mag = 0, wse = 0, breaking = 0;
  // Statistics dataset being written; 0 when none.
  int result = 0;
};

// The simulation name: the parameter file name without its extension and trailing blanks
// ("runs/case1.par" -> "runs/case1").
std::string simulation_name(std::string_view parameter_file_name);

// Starts the library and creates the file (overwriting it).  Ends the run with
// "Error in KB_INITIALIZE()." or "Error in KB_CREATE_FILE()." on failure.
SolutionFile open_solution_file(std::string_view file_name, std::string_view simulation_name);

// Creates a time-dependent dataset "<simulation name><suffix>" with time units "Seconds";
// vector datasets are marked as given in local grid coordinates.  Returns the handle.
int create_animation_dataset(SolutionFile& sf, std::string_view suffix, std::string_view units, bool vector);

// Appends one step: nodes (j - 1) * ngrid_x + i in order, two values per node for vectors.
void write_scalar_step(SolutionFile& sf, int dataset, double time, std::span<const float> values);
void write_vector_step(SolutionFile& sf, int dataset, double time, std::span<const float> xy_values);

// Closes one dataset and sets its handle to 0 (nothing when it is 0).
void close_dataset(SolutionFile& sf, int& dataset);

// A statistics result: dataset "<simulation name><suffix>" with time units "None", one step at
// time 0.0, closed again.  For a vector result, values holds x then y per node.
void write_result_dataset(SolutionFile& sf, std::string_view suffix, std::string_view units, bool vector,
                          std::span<const float> values);

// Closes the file and ends the library's use.
void close_solution_file(SolutionFile& sf);

// After a fatal condition elsewhere: closes what is still open (datasets, then the file, then
// the library) without testing the statuses, so the file holds every step written.
void abandon_solution_file(SolutionFile& sf);

// Node values (1..nx, 1..ny) of a field in the solution file's node order.
void pack_nodes(const Field& f, int nx, int ny, std::vector<float>& out);
// Two fields interleaved per node (x then y) in the same order.
void pack_vector_nodes(const Field& fx, const Field& fy, int nx, int ny, std::vector<float>& out);

}  // namespace swx
