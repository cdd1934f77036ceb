#pragma once
// Fuzz targets: each runs a reader (and, for the parameter file, the lookups) over one input's bytes and returns 0.
// A fatal input error is the expected refusal; a crash, a sanitizer report or any other exception is a finding.
#include <cstddef>
#include <cstdint>

namespace swx::fuzz {
int parameter_file(const std::uint8_t* data, std::size_t size);
int grid_file(const std::uint8_t* data, std::size_t size);
int time_series_file(const std::uint8_t* data, std::size_t size);
int spectrum_file(const std::uint8_t* data, std::size_t size);
}  // namespace swx::fuzz
