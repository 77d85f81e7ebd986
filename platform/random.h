#pragma once
// The one pseudo-random generator of the program. Scripts (`Random`), star
// sprites and particle effects all draw from it, so a run started with the
// same seed (the player's --seed) repeats exactly.

#include <cstdint>

namespace platform {

class RandomSource {
 public:
  static RandomSource& Instance();

  void Seed(uint64_t seed);
  // A time-based seed, for ordinary play.
  void SeedFromTime();
  uint64_t SeedValue() const { return seed_; }

  // Uniform integer in [0, n); 0 when n <= 0.
  int32_t NextInt(int32_t n);
  // Uniform real in [0, 1).
  double NextDouble();
  // Uniform single-precision real in [0, 1).
  float NextFloat();

 private:
  RandomSource();
  uint64_t Next();  // splitmix64 seeding into xoshiro256**
  uint64_t seed_ = 0;
  uint64_t s_[4] = {};
};

inline RandomSource& Rng() { return RandomSource::Instance(); }
// The same source under the name the player's start-up seeds it by.
inline RandomSource& GlobalRandom() { return RandomSource::Instance(); }

}  // namespace platform
