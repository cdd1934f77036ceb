#pragma once
// Parameter entries of the wave-generation tests, written as in a parameter file: "key=value".

#include "param_builder.hpp"

namespace swx::test {

// "a=1 b=x end" -> {a: 1, b: x, end: " "}: a bare key (a block marker) has the value " ".
inline Entries kv(const std::string& text) {
  Entries e;
  std::istringstream in(text);
  for (std::string w; in >> w;) {
    const auto eq = w.find('=');
    e.emplace_back(w.substr(0, eq), eq == std::string::npos ? " " : w.substr(eq + 1));
  }
  return e;
}

inline Entries cat(Entries a, const Entries& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace swx::test
