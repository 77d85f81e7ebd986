#include "platform/random.h"

#include <chrono>

namespace platform {

namespace {

uint64_t SplitMix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

RandomSource& RandomSource::Instance() {
  static RandomSource source;
  return source;
}

RandomSource::RandomSource() { Seed(0); }

void RandomSource::Seed(uint64_t seed) {
  seed_ = seed;
  uint64_t x = seed;
  for (auto& s : s_) s = SplitMix(x);
}

void RandomSource::SeedFromTime() {
  Seed(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
       static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

uint64_t RandomSource::Next() {
  const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
  const uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = Rotl(s_[3], 45);
  return result;
}

int32_t RandomSource::NextInt(int32_t n) {
  if (n <= 0) return 0;
  // Multiply-shift gives a uniform value without a division.
  return static_cast<int32_t>(((Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

double RandomSource::NextDouble() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

float RandomSource::NextFloat() { return static_cast<float>(Next() >> 40) * 0x1.0p-24f; }

}  // namespace platform
