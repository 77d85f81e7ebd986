// The shared random source: seeded runs repeat, values stay in range.

#include <gtest/gtest.h>

#include "platform/random.h"

namespace platform {
namespace {

TEST(RandomSource, SameSeedSameSequenceAndValuesInRange) {
  auto& rng = Rng();
  rng.Seed(42);
  std::vector<int32_t> first;
  for (int i = 0; i < 100; ++i) first.push_back(rng.NextInt(1000));
  rng.Seed(42);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(rng.NextInt(1000), first[static_cast<size_t>(i)]);
  int counts[10] = {};
  for (int i = 0; i < 100000; ++i) {
    int32_t v = rng.NextInt(10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    ++counts[v];
    double d = rng.NextDouble();
    ASSERT_GE(d, 0.0);
    ASSERT_LT(d, 1.0);
    float f = rng.NextFloat();
    ASSERT_GE(f, 0.0f);
    ASSERT_LT(f, 1.0f);
  }
  for (int c : counts) EXPECT_NEAR(c, 10000, 600);
  EXPECT_EQ(rng.NextInt(0), 0);
  EXPECT_EQ(rng.NextInt(-5), 0);
}

}  // namespace
}  // namespace platform
