#pragma once
// Helpers shared by the parameter tests: a per-test scratch directory and the capture of the
// fatal error a call raises.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/fatal.hpp"
#include "params/param_table.hpp"

namespace swx::test {

// A fresh directory per test, removed with everything in it when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("swx_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string path(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
    return path(name);
  }

 private:
  std::filesystem::path path_;
};

// The fatal error raised by f; a test failure when f returns normally.
template <class F>
FatalError fatal_from(F&& f) {
  try {
    f();
  } catch (const FatalError& e) {
    return e;
  }
  ADD_FAILURE() << "expected a fatal error";
  return FatalError("", "", "");
}

// The parameter table of a file with the given text.
inline ParamTable table_of(const ScratchDir& dir, const std::string& text) {
  return load_parameter_table(dir.write("case.par", text));
}

}  // namespace swx::test
