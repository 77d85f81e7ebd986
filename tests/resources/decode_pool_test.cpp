// Decoding ahead on worker threads: every picture taken is exactly what the
// decoder gives on the calling thread (pixels or the failure), whatever the
// order of taking, the number of workers, the bounds or the workers that
// could not start.

#include "resources/decode_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "image_files.h"
#include "support/thread_starts.h"

namespace {

using resources::DecodedImage;
using resources::DecodeError;
using resources::DecodePool;
using resources::ImageFormat;

struct Picture {
  std::string name;
  ImageFormat format;
  std::string bytes;
};

// Good pictures of every decoder, and damaged ones.
std::vector<Picture> Pictures() {
  const std::string png = test_images::MakePng(64, 48, test_images::OpaquePattern);
  test_images::BmpOptions indexed;
  indexed.bpp = 8;
  for (uint32_t i = 0; i < 256; ++i) indexed.palette.push_back(0xFF000000u | i * 0x010101u);
  std::string huge = test_images::MakeBmp(4, 4, test_images::OpaquePattern);
  huge[18] = '\x00';  // width 0x7F000000
  huge[21] = '\x7F';
  return {
      {"png", ImageFormat::Png, png},
      {"jpeg", ImageFormat::Jpeg, test_images::MakeJpeg(40, 30, test_images::OpaquePattern)},
      {"bmp8", ImageFormat::Bmp, test_images::MakeBmp(33, 17, test_images::OpaquePattern, indexed)},
      {"tga", ImageFormat::Tga, test_images::MakeTga(20, 10, test_images::OpaquePattern)},
      {"cut png", ImageFormat::Png, png.substr(0, png.size() / 2)},
      {"noise jpeg", ImageFormat::Jpeg, "\xFF\xD8\xFF\xE0 garbage"},
      {"huge bmp", ImageFormat::Bmp, huge},
      {"empty", ImageFormat::Png, ""},
      {"progressive", ImageFormat::Jpeg,
       test_images::MakeJpeg(64, 64, test_images::OpaquePattern,
                             {.quality = 80, .progressive = true})},
  };
}

struct Decoded {
  DecodeError error;
  DecodedImage picture;
};

Decoded OnThisThread(const Picture& p) {
  Decoded d{DecodeError::None, {}};
  d.error = resources::DecodeImage(
      p.format, {reinterpret_cast<const uint8_t*>(p.bytes.data()), p.bytes.size()}, d.picture);
  return d;
}

void ExpectSame(const Decoded& want, DecodeError error, const DecodedImage& got,
                const std::string& what) {
  EXPECT_EQ(error, want.error) << what;
  if (want.error != DecodeError::None) return;
  EXPECT_EQ(got.width, want.picture.width) << what;
  EXPECT_EQ(got.height, want.picture.height) << what;
  EXPECT_EQ(got.bitsPerPixel, want.picture.bitsPerPixel) << what;
  EXPECT_EQ(got.hasAlpha, want.picture.hasAlpha) << what;
  EXPECT_TRUE(got.pixels == want.picture.pixels) << what;
  EXPECT_TRUE(got.indices == want.picture.indices) << what;
}

// What the caller ends with: the result taken from the pool, or its own
// decode when the item was not read ahead.
DecodeError TakeOrDecode(DecodePool& pool, const Picture& p, size_t i, DecodedImage& got,
                         bool& readAhead) {
  const std::optional<DecodeError> taken = pool.Take(i, got);
  readAhead = taken.has_value();
  if (taken) return *taken;
  Decoded own = OnThisThread(p);
  got = std::move(own.picture);
  return own.error;
}

// A plan of `copies` rounds of every picture; the reader says whether it ran
// on the thread that made the pool.
struct Plan {
  explicit Plan(int copies) {
    for (int c = 0; c < copies; ++c)
      for (Picture& p : Pictures()) pictures.push_back(p);
    for (const Picture& p : pictures) expected.push_back(OnThisThread(p));
  }
  DecodePool::Reader Reader() {
    return [this](size_t i, std::string& bytes, ImageFormat& format) {
      if (std::this_thread::get_id() != owner) offThread = true;
      ++reads;
      if (unreadable.count(i)) return false;
      bytes = pictures[i].bytes;
      format = pictures[i].format;
      return true;
    };
  }
  std::vector<Picture> pictures;
  std::vector<Decoded> expected;
  std::set<size_t> unreadable;
  std::thread::id owner = std::this_thread::get_id();
  std::atomic<bool> offThread = false;
  std::atomic<int> reads = 0;
};

// The rule: the same verdicts and pixels as decoding on the calling thread,
// taken in plan order, backwards, or every other one first; never more than
// twice the workers read ahead; the reader only ever runs on the caller.
TEST(DecodePool, TakesWhatTheDecoderGivesInAnyOrder) {
  struct Row {
    int threads;
    const char* order;
  };
  for (const Row& row : std::vector<Row>{
           {2, "plan"}, {4, "plan"}, {2, "backwards"}, {4, "odd first"}, {8, "plan"}}) {
    Plan plan(3);
    const size_t n = plan.pictures.size();
    std::vector<size_t> order;
    for (size_t i = 0; i < n; ++i) order.push_back(i);
    if (std::string(row.order) == "backwards") std::reverse(order.begin(), order.end());
    if (std::string(row.order) == "odd first")
      std::stable_partition(order.begin(), order.end(), [](size_t i) { return i % 2 == 1; });

    DecodePool pool(n, {.threads = row.threads}, plan.Reader());
    ASSERT_TRUE(pool.Running());
    pool.Fill();
    for (size_t i : order) {
      DecodedImage got;
      const std::string what = std::to_string(row.threads) + " " + row.order + " #" +
                               std::to_string(i) + " " + plan.pictures[i].name;
      bool readAhead = false;
      const DecodeError error = TakeOrDecode(pool, plan.pictures[i], i, got, readAhead);
      ExpectSame(plan.expected[i], error, got, what);
      // Taken once: a second take finds nothing.
      EXPECT_FALSE(pool.Take(i, got).has_value()) << what;
    }
    const DecodePool::Stats stats = pool.GetStats();
    EXPECT_EQ(stats.workers, row.threads);
    EXPECT_LE(stats.mostAhead, 2 * row.threads);
    EXPECT_GT(stats.decodedByWorkers + stats.decodedByMain, 0);
    EXPECT_FALSE(plan.offThread);
    EXPECT_LE(plan.reads, static_cast<int>(n));
  }
}

// The pixel budget: decoded pixels held for the caller never exceed it, and
// files read ahead stop at it; a picture that does not fit waits, or is
// decoded by the caller, and still comes out right. Items the reader cannot
// read are left to the caller.
TEST(DecodePool, BoundsAndUnreadableItems) {
  struct Row {
    int threads;
    int64_t pixelBytes;
  };
  // 64 x 48 x 4 = 12,288 bytes for the largest picture of the plan.
  for (const Row& row : std::vector<Row>{{2, 12'288}, {4, 30'000}, {4, 1'000}, {3, 1 << 20}}) {
    Plan plan(4);
    plan.unreadable = {1, 5, 6};
    const size_t n = plan.pictures.size();
    DecodePool pool(n, {.threads = row.threads, .pixelBytes = row.pixelBytes}, plan.Reader());
    pool.Fill();
    for (size_t i = 0; i < n; ++i) {
      DecodedImage got;
      bool readAhead = false;
      const DecodeError error = TakeOrDecode(pool, plan.pictures[i], i, got, readAhead);
      EXPECT_EQ(readAhead, !plan.unreadable.count(i)) << i;
      ExpectSame(plan.expected[i], error, got,
                 std::to_string(row.pixelBytes) + " #" + std::to_string(i));
    }
    const DecodePool::Stats stats = pool.GetStats();
    EXPECT_LE(stats.mostHeldBytes, row.pixelBytes);
    EXPECT_LE(stats.mostAhead, 2 * row.threads);
    // Reading ahead stops once the files not yet decoded reach the budget.
    size_t largest = 0;
    for (const Picture& p : plan.pictures) largest = std::max(largest, p.bytes.size());
    EXPECT_LE(stats.mostReadBytes, row.pixelBytes + static_cast<int64_t>(largest));
  }
}

// Workers that cannot be started: none means nothing is read ahead (the
// caller decodes everything); some means the others do the work.
TEST(DecodePool, WorkersThatCannotStart) {
  for (int canStart : {0, 1, 2}) {
    Plan plan(1);
    DecodePool pool(plan.pictures.size(), {.threads = 4}, plan.Reader(),
                    testing_support::StartAtMost(canStart));
    EXPECT_EQ(pool.Running(), canStart > 0);
    EXPECT_EQ(pool.GetStats().workers, canStart);
    pool.Fill();
    for (size_t i = 0; i < plan.pictures.size(); ++i) {
      DecodedImage got;
      bool readAhead = false;
      const DecodeError error = TakeOrDecode(pool, plan.pictures[i], i, got, readAhead);
      EXPECT_EQ(readAhead, canStart > 0);
      ExpectSame(plan.expected[i], error, got, "start " + std::to_string(canStart));
    }
    EXPECT_LE(pool.GetStats().mostAhead, 2 * canStart);
    if (canStart == 0) {
      EXPECT_EQ(plan.reads, 0);
    }
  }
}

// A pool dropped with work still queued or running ends cleanly.
TEST(DecodePool, DroppedBeforeEverythingIsTaken) {
  Plan plan(4);
  {
    DecodePool pool(plan.pictures.size(), {.threads = 4}, plan.Reader());
    pool.Fill();
    DecodedImage got;
    ASSERT_TRUE(pool.Take(0, got).has_value());
  }
  SUCCEED();
}

}  // namespace
