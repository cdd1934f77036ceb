// Replays the fuzzing corpus and every input that once made a reader misbehave through the fuzz
// targets, so that each finding stays fixed in every build (the sanitizer build included).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_targets.hpp"

namespace swx::fuzz {
namespace {

namespace fs = std::filesystem;
using Target = int (*)(const std::uint8_t*, std::size_t);

// Runs the target over every file of corpus/<name> and regressions/<name>; returns the count.
int replay(const std::string& name, Target target) {
  int count = 0;
  for (const char* set : {"corpus", "regressions"}) {
    const fs::path dir = fs::path(SWX_FUZZ_DIR) / set / name;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      std::ifstream f(entry.path(), std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().string());
      EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
      ++count;
    }
  }
  return count;
}

TEST(FuzzReplay, ParameterFiles) { EXPECT_GT(replay("parameter_file", parameter_file), 0); }
TEST(FuzzReplay, GridFiles) { EXPECT_GT(replay("grid_file", grid_file), 0); }
TEST(FuzzReplay, TimeSeriesFiles) { EXPECT_GT(replay("time_series_file", time_series_file), 0); }
TEST(FuzzReplay, SpectrumFiles) { EXPECT_GT(replay("spectrum_file", spectrum_file), 0); }

TEST(FuzzReplay, EmptyAndTinyInputs) {
  const std::uint8_t bytes[] = {':', '\n', '\0', 0xff, '#'};
  for (std::size_t n = 0; n <= sizeof bytes; ++n) {
    EXPECT_EQ(parameter_file(bytes, n), 0);
    EXPECT_EQ(grid_file(bytes, n), 0);
    EXPECT_EQ(time_series_file(bytes, n), 0);
    EXPECT_EQ(spectrum_file(bytes, n), 0);
  }
}

}  // namespace
}  // namespace swx::fuzz
