// Frame::Fill is applied when the pixels are first reached, and dropped only
// by a drawing that replaces every pixel without reading it: frames drawn
// after a Fill equal frames drawn over pixels filled at once.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "render/canvas2d.h"
#include "render/frame.h"
#include "render_test_util.h"

namespace {

using render::Canvas2D;
using render::Frame;
using render::ImageStore;
using render_test::MakeImage;

constexpr int kW = 40;
constexpr int kH = 30;

// The frame drawn by `draw` after a deferred Fill, and the same drawing over
// a frame whose fill was written pixel by pixel beforehand.
void ExpectSameAsEagerFill(const std::function<void(Canvas2D&)>& draw, uint32_t fill,
                           const char* what) {
  Frame deferred(kW, kH), eager(kW, kH);
  for (Frame* f : {&deferred, &eager}) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) f->Row(y)[x] = 0xFF000000u | static_cast<uint32_t>(x * 977 + y);
  }
  deferred.Fill(fill);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) eager.Row(y)[x] = fill | 0xFF000000u;
  Canvas2D a(deferred), b(eager);
  draw(a);
  draw(b);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      ASSERT_EQ(deferred.Pixel(x, y), eager.Pixel(x, y)) << what << " at " << x << "," << y;
}

TEST(FrameFill, ReadersSeeTheColourAtOnce) {
  Frame frame(5, 4);
  frame.Fill(0x00123456u);
  EXPECT_TRUE(frame.FillPending());
  EXPECT_EQ(frame.Pixel(4, 3), 0xFF123456u);
  EXPECT_FALSE(frame.FillPending());
  frame.Fill(0x80654321u);
  const Frame& view = frame;
  EXPECT_EQ(view.Data()[19], 0xFF654321u);
  frame.Fill(0x00000001u);
  EXPECT_EQ(frame.Row(2)[0], 0xFF000001u);
  // A later Fill replaces an earlier one not yet applied.
  frame.Fill(0x00AAAAAAu);
  frame.Fill(0x00BBBBBBu);
  EXPECT_EQ(frame.Pixel(0, 0), 0xFFBBBBBBu);
  EXPECT_EQ(frame.Pixel(5, 0), 0u);
}

// Covering drawings drop the Fill; drawings that miss a pixel, read the
// destination, or let texels with alpha below 255 through keep it.
TEST(FrameFill, DrawingsOverAFillMatchAnEagerFill) {
  ImageStore store;
  std::vector<uint32_t> opaque(kW * kH), translucent(kW * kH), larger((kW + 6) * (kH + 4));
  for (size_t i = 0; i < opaque.size(); ++i) {
    opaque[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    translucent[i] = opaque[i] & (i % 3 == 0 ? 0x00FFFFFFu : 0x7FFFFFFFu);
  }
  for (size_t i = 0; i < larger.size(); ++i) larger[i] = 0xFF000000u | static_cast<uint32_t>(i * 40503u);
  auto* full = MakeImage(store, kW, kH, opaque);
  auto* seeThrough = MakeImage(store, kW, kH, translucent);
  auto* big = MakeImage(store, kW + 6, kH + 4, larger);
  auto* narrow = MakeImage(store, kW - 1, kH, std::vector<uint32_t>(opaque.begin(), opaque.end() - kH));
  const uint32_t fill = 0x00203040u;

  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(full, 0xFFFFFFFF, 0, 0, 0, 0x504); }, fill,
                        "opaque image, alpha blend");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(full, 0xFFFFFFFF, 0, 0, 0, 0x1); }, fill,
                        "opaque image, opaque code");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(seeThrough, 0xFF80C0FF, 0, 0, 0, 0x1); },
                        fill, "translucent image, opaque code, coloured");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(seeThrough, 0xFFFFFFFF, 0, 0, 0, 0x504); },
                        fill, "translucent image, alpha blend");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(full, 0xFFFFFFFF, 0, 0, 0, 0x104); }, fill,
                        "opaque image, additive");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(full, 0xC0FFFFFF, 0, 0, 0, 0x504); }, fill,
                        "opaque image, alpha blend, colour with alpha");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(full, 0xFFFFFFFF, 1, 0, 0, 0x504); }, fill,
                        "one column short");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(narrow, 0xFFFFFFFF, 0, 0, 0, 0x1); }, fill,
                        "narrower image");
  ExpectSameAsEagerFill([&](Canvas2D& c) { c.DrawImage(big, 0xFFFFFFFF, -3, -2, 0, 0x504); }, fill,
                        "larger image clipped to the frame");
  ExpectSameAsEagerFill(
      [&](Canvas2D& c) {
        c.SetClipRect({0, 1, kW, kH});
        c.DrawImage(big, 0xFFFFFFFF, -3, -2, 0, 0x1);
      },
      fill, "clip leaves the top row");
  ExpectSameAsEagerFill(
      [&](Canvas2D& c) {
        c.FillRect(2, 2, 5, 5, 0x80FF0000u, 0x504);
        c.DrawImage(full, 0xFFFFFFFF, 0, 0, 0, 0x504);
      },
      fill, "a shape before the covering image");
  ExpectSameAsEagerFill(
      [&](Canvas2D& c) {
        c.DrawImage(full, 0xFFFFFFFF, 0, 0, 0, 0x1);
        c.FillRect(0, 0, kW, kH, 0x96102030u, 0x504);
      },
      fill, "a shape over the covering image");
}

}  // namespace
