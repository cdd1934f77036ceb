// Replays the fuzzing corpus and every input that once made a reader misbehave (regressions/<target>/).

#include "fuzz_targets.hpp"
#include "swx_test_support.hpp"

namespace swx::fuzz {
namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);
const std::pair<const char*, Target> kReaders[] = {{"parameter_file", parameter_file},
                                                   {"grid_file", grid_file},
                                                   {"time_series_file", time_series_file},
                                                   {"spectrum_file", spectrum_file}};

TEST(FuzzReplay, CorpusRegressionsAndTinyInputs) {
  namespace fs = std::filesystem;
  for (const auto& [name, target] : kReaders) {
    int count = 0;
    for (const char* set : {"corpus", "regressions"}) {
      const fs::path dir = fs::path(SWX_FUZZ_DIR) / set / name;
      if (!fs::is_directory(dir)) continue;
      for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string bytes = test::read_text(entry.path());
        EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0) << entry.path();
        ++count;
      }
    }
    EXPECT_GT(count, 0) << name;  // every reader has a corpus
    const std::uint8_t tiny[] = {':', '\n', '\0', 0xff, '#'};
    for (std::size_t n = 0; n <= sizeof tiny; ++n) EXPECT_EQ(target(tiny, n), 0) << name << " " << n;
  }
}

}  // namespace
}  // namespace swx::fuzz
