// Replays the fuzzing corpus and every input that once made a reader misbehave through the fuzz
// targets, so that each finding stays fixed in every build (the sanitizer build included).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "fuzz_targets.hpp"
#include "swx_test_support.hpp"

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
      const std::string bytes = test::read_text(entry.path());
      SCOPED_TRACE(entry.path().string());
      EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
      ++count;
    }
  }
  return count;
}

// Every reader has a non-empty corpus, and each of its inputs replays cleanly.
TEST(FuzzReplay, CorpusAndRegressions) {
  const std::pair<const char*, Target> readers[] = {{"parameter_file", parameter_file},
                                                    {"grid_file", grid_file},
                                                    {"time_series_file", time_series_file},
                                                    {"spectrum_file", spectrum_file}};
  for (const auto& [name, target] : readers) EXPECT_GT(replay(name, target), 0) << name;
}

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
