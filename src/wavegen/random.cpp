#include "wavegen/random.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace swx {

namespace {

constexpr std::int64_t kModulus = 1000000000;

// One subtractive pass over the table: t[i] -= t[1 + (i + 30) mod 55], kept non-negative.
void subtract_pass(RandomGenerator& g) {
  for (int i = 1; i <= 55; ++i) {
    std::int64_t v = g.t[static_cast<std::size_t>(i)] - g.t[static_cast<std::size_t>(1 + (i + 30) % 55)];
    if (v < 0) v += kModulus;
    g.t[static_cast<std::size_t>(i)] = v;
  }
}

}  // namespace

void seed_random(RandomGenerator& g, int seed) {
  // t[55] = |s|, and the differences are brought up by 10^9 when negative.  A seed of 10^9 or
  // more is first reduced modulo 10^9: left as it is, its entries would stay outside the
  // generator's range, draws would leave [0, 1) and the table would overflow in long runs.
  const std::int64_t s = std::llabs(static_cast<long long>(seed)) % kModulus;
  g.t.fill(0);
  g.t[55] = s;
  std::int64_t a = s, b = 1;
  for (int i = 1; i <= 54; ++i) {
    g.t[static_cast<std::size_t>((21 * i) % 55)] = b;
    std::int64_t next = a - b;
    if (next < 0) next += kModulus;
    a = b;
    b = next;
  }
  for (int pass = 0; pass < 4; ++pass) subtract_pass(g);
  g.position = 1;
}

RandomGenerator seeded_random_generator(int seed) {
  RandomGenerator g;
  seed_random(g, seed);
  return g;
}

float draw_random(RandomGenerator& g) {
  ++g.position;
  if (g.position > 55) {
    subtract_pass(g);
    g.position = 1;
  }
  return static_cast<float>(static_cast<double>(g.t[static_cast<std::size_t>(g.position)]) * 1.0e-9);
}

void draw_random(RandomGenerator& g, std::span<float> out) {
  for (float& u : out) u = draw_random(g);
}

void reseed_from_itself(RandomGenerator& g) {
  long s = 0;
  do {
    const float u = draw_random(g);
    const float v = draw_random(g);
    s = std::lround(15258.0f * u) * 65536L + std::lround(15258.0f * v);
  } while (s < 1001);
  seed_random(g, static_cast<int>(s));
}

}  // namespace swx
