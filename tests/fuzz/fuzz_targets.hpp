#pragma once
// Fuzz targets of the input readers.  Each takes the bytes of one input file, runs the reader
// (and, for the parameter file, every lookup) over it and returns 0; a fatal input error is the
// expected way to refuse bad input, anything else (a crash, a sanitizer report, an exception
// other than FatalError) is a finding.
#include <cstddef>
#include <cstdint>

namespace swx::fuzz {

int parameter_file(const std::uint8_t* data, std::size_t size);
int grid_file(const std::uint8_t* data, std::size_t size);
int time_series_file(const std::uint8_t* data, std::size_t size);
int spectrum_file(const std::uint8_t* data, std::size_t size);

}  // namespace swx::fuzz
