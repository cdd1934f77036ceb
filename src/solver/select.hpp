#pragma once
// Branch-free choice between two floats, bit for bit the chosen one: select(a, b, c) is
// a ? b : c written with an integer mask, which the compiler vectorises where it would not
// if-convert the conditional (both b and c are always evaluated).
#include <bit>
#include <cstdint>

namespace swx {

inline float select(bool a, float b, float c) {
  const std::uint32_t mask = 0u - static_cast<std::uint32_t>(a);
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(b) & mask) | (std::bit_cast<std::uint32_t>(c) & ~mask));
}

}  // namespace swx
