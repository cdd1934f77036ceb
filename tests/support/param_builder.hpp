#pragma once
// Parameter tables built in memory, for tests of the readers of parameter blocks.
#include <string>
#include <utility>
#include <vector>

#include "params/param_table.hpp"
#include "swx_test_support.hpp"

namespace swx::test {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A parameter table holding the given key/value pairs in order.
inline ParamTable table_of(const Entries& entries) {
  ParamTable t;
  for (const auto& [k, v] : entries) {
    t.keys.push_back(k);
    t.values.push_back(v);
  }
  return t;
}

// The block covering every entry of t.
inline Block whole(const ParamTable& t) { return Block{1, t.size()}; }

// The parameter table of a file of the given text, written into dir.
inline ParamTable table_of(const ScratchDir& dir, const std::string& text) {
  return load_parameter_table(dir.write("case.par", text));
}

}  // namespace swx::test
