#pragma once
// Subtractive lagged random generator on 55 integers modulo 10^9: deterministic for a seed, so
// the phases and directions of a generated sea are reproducible from the parameter file.
#include <array>
#include <cstdint>
#include <span>

namespace swx {

struct RandomGenerator {
  std::array<std::int64_t, 56> t{};  // t[1..55] used; t[0] unused so indices follow the formulas
  int position = 1;                  // last position read
};

// A generator seeded with s (|s| is used).
RandomGenerator seeded_random_generator(int seed);
// Re-seeds g with s, discarding its state.
void seed_random(RandomGenerator& g, int seed);
// Next number t * 1e-9, rounded to float: in [0, 1] for seeds below 10^9 (all seeds the
// program forms itself); a larger seed enters the table as it is, as the rule has it, and can
// give numbers outside that interval.
float draw_random(RandomGenerator& g);
// Fills out with the next out.size() numbers in order.
void draw_random(RandomGenerator& g, std::span<float> out);
// Draws two numbers u, v, forms s' = I(15258 u) 65536 + I(15258 v) (I rounds halves away from
// zero) until s' >= 1001, and seeds g with s'.
void reseed_from_itself(RandomGenerator& g);

}  // namespace swx
