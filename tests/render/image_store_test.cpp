// Uploading decoded bitmaps into pattern textures, reading texels back, releasing images.

#include <gtest/gtest.h>

#include "render/image_store.h"

namespace {

using render::BitmapView;
using render::ImageStore;
using render::PixelFormat;

TEST(ImageStore, SplitsIntoPatternsLeftToRightThenTopToBottom) {
  ImageStore store;
  // 5 x 4 bitmap, 2 columns x 2 rows: patterns 2 x 2; the fifth column is left over.
  std::vector<uint32_t> px(20);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) px[y * 5 + x] = 0xFF000000u | (y << 8) | x;
  auto* image = store.AddImage();
  ASSERT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(px.data(), 5, 4, true), 2, 2));
  EXPECT_EQ(image->PatternWidth(), 2);
  EXPECT_EQ(image->PatternHeight(), 2);
  EXPECT_EQ(image->VisibleWidth(), 2);
  EXPECT_EQ(image->PatternCount(), 4);
  EXPECT_EQ(image->TextureCount(), 4);
  EXPECT_EQ(image->CellWidth(), 4);  // 2 + 2, already even
  EXPECT_EQ(image->CellHeight(), 4);
  EXPECT_EQ(store.ReadPixel(image, 0, 0, 0), 0xFF000000u);
  EXPECT_EQ(store.ReadPixel(image, 1, 1, 1), 0xFF000103u);
  EXPECT_EQ(store.ReadPixel(image, 0, 0, 2), 0xFF000200u);
  EXPECT_EQ(store.ReadPixel(image, 1, 1, 3), 0xFF000303u);
  // Outside the pattern, a texture that does not exist, or no image at all: 0.
  EXPECT_EQ(store.ReadPixel(image, 2, 0, 0), 0u);
  EXPECT_EQ(store.ReadPixel(image, -1, 0, 0), 0u);
  EXPECT_EQ(store.ReadPixel(image, 0, 0, 4), 0u);
  EXPECT_EQ(store.ReadPixel(image, 0, 0, -1), 0u);
  EXPECT_EQ(store.ReadPixel(nullptr, 0, 0, 0), 0u);

  // The border repeats the edge texels, corners included.
  const render::PatternTexture* t = image->Pattern(3);
  EXPECT_EQ(*t->Texel(-1, -1), 0xFF000202u);
  EXPECT_EQ(*t->Texel(2, 0), 0xFF000203u);
  EXPECT_EQ(*t->Texel(1, 2), 0xFF000303u);
  EXPECT_EQ(image->CellWidth(), 4);
  // Odd pattern sizes round the cell up to even.
  auto* odd = store.AddImage();
  ASSERT_TRUE(store.LoadImagePixels(odd, BitmapView::Argb(px.data(), 5, 3, true), 1, 1));
  EXPECT_EQ(odd->CellWidth(), 8);
  EXPECT_EQ(odd->CellHeight(), 6);
}

// Formats without alpha upload opaque; the palette and grey formats expand to ARGB.
TEST(ImageStore, ConvertsEveryInputFormat) {
  ImageStore store;
  auto* image = store.AddImage();
  const uint32_t argb[2] = {0x11223344, 0x00FFFFFF};
  ASSERT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(argb, 2, 1, false), 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0xFF223344u);
  EXPECT_EQ(image->ReadPixel(1, 0, 0), 0xFFFFFFFFu);
  ASSERT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(argb, 2, 1, true), 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0x11223344u);

  const uint8_t bgr[6] = {0x33, 0x22, 0x11, 0xCC, 0xBB, 0xAA};
  BitmapView view{2, 1, PixelFormat::kBgr24, bgr, 0, {}};
  ASSERT_TRUE(store.LoadImagePixels(image, view, 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0xFF112233u);
  EXPECT_EQ(image->ReadPixel(1, 0, 0), 0xFFAABBCCu);
  view.format = PixelFormat::kRgb24;
  ASSERT_TRUE(store.LoadImagePixels(image, view, 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0xFF332211u);

  const uint8_t rgba[4] = {0x10, 0x20, 0x30, 0x40};
  ASSERT_TRUE(store.LoadImagePixels(image, {1, 1, PixelFormat::kRgba32, rgba, 0, {}}, 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0x40102030u);

  const uint32_t palette[2] = {0x00ABCDEF, 0x12345678};
  const uint8_t indices[3] = {1, 0, 7};
  ASSERT_TRUE(
      store.LoadImagePixels(image, {3, 1, PixelFormat::kIndexed8, indices, 0, palette}, 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0xFF345678u);
  EXPECT_EQ(image->ReadPixel(1, 0, 0), 0xFFABCDEFu);
  EXPECT_EQ(image->ReadPixel(2, 0, 0), 0xFF000000u) << "index beyond the palette";

  const uint8_t grey[1] = {0x7F};
  ASSERT_TRUE(store.LoadImagePixels(image, {1, 1, PixelFormat::kGrey8, grey, 0, {}}, 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0xFF7F7F7Fu);

  // A bottom-up buffer walked with a negative stride, with padding bytes at row ends.
  const uint8_t rows[2][4] = {{1, 2, 3, 0}, {4, 5, 6, 0}};  // bottom row first in memory
  BitmapView up{1, 2, PixelFormat::kBgr24, rows[1], -4, {}};
  ASSERT_TRUE(store.LoadImagePixels(image, up, 1, 1));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0xFF060504u);
  EXPECT_EQ(image->ReadPixel(0, 1, 0), 0xFF030201u);
}

// Black key: pure black vanishes, full colours stay opaque, anti-aliased grey becomes white at
// partial alpha (coverage), darker colours are divided by their brightest channel.
TEST(ImageStore, BlackColourKey) {
  EXPECT_EQ(render::ApplyBlackKey(0xFF000000), 0u);
  EXPECT_EQ(render::ApplyBlackKey(0xFFFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(render::ApplyBlackKey(0xFFFF0000), 0xFFFF0000u);
  EXPECT_EQ(render::ApplyBlackKey(0xFF808080), 0x80FFFFFFu);
  // (0x40, 0x20, 0) over coverage 0x40: (255, 128, 0) at alpha 0x40 (32 x 255 / 64 = 127.5 -> 128).
  EXPECT_EQ(render::ApplyBlackKey(0xFF402000), 0x40FF8000u);

  ImageStore store;
  auto* image = store.AddImage();
  const uint32_t px[2] = {0xFF000000, 0xFFFFFFFF};
  ASSERT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(px, 2, 1, false), 1, 1,
                                    render::ColourKey::kBlack));
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0u);
  EXPECT_EQ(image->ReadPixel(1, 0, 0), 0xFFFFFFFFu);
}

TEST(ImageStore, RefusedUploads) {
  ImageStore store;
  ImageStore other;
  auto* image = store.AddImage();
  auto* foreign = other.AddImage();
  std::vector<uint32_t> px(16, 0xFFFFFFFF);
  const BitmapView view = BitmapView::Argb(px.data(), 4, 4, true);
  EXPECT_FALSE(store.LoadImagePixels(foreign, view, 1, 1));
  EXPECT_FALSE(store.LoadImagePixels(nullptr, view, 1, 1));
  EXPECT_FALSE(store.LoadImagePixels(image, view, 0, 1));
  EXPECT_FALSE(store.LoadImagePixels(image, view, 1, -2));
  EXPECT_FALSE(store.LoadImagePixels(image, view, 5, 1)) << "patterns 0 pixels wide";
  EXPECT_FALSE(store.LoadImagePixels(image, BitmapView::Argb(nullptr, 4, 4, true), 1, 1));
  EXPECT_FALSE(store.LoadImagePixels(image, BitmapView::Argb(px.data(), 0, 4, true), 1, 1));
  BitmapView narrow = view;
  narrow.stride = 8;  // shorter than a row
  EXPECT_FALSE(store.LoadImagePixels(image, narrow, 1, 1));
  // Beyond the texture side limit or the pattern count limit.
  std::vector<uint32_t> wide(20000, 0xFFFFFFFF);
  EXPECT_FALSE(store.LoadImagePixels(image, BitmapView::Argb(wide.data(), 20000, 1, true), 1, 1));
  EXPECT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(wide.data(), 20000, 1, true), 2, 1));
  EXPECT_FALSE(
      store.LoadImagePixels(image, BitmapView::Argb(wide.data(), 20000, 1, true), 20000, 1));
  EXPECT_FALSE(image->HasTextures()) << "a refused upload leaves no textures";
  EXPECT_EQ(image->ReadPixel(0, 0, 0), 0u);
}

TEST(ImageStore, ReleaseMovesLaterImagesDown) {
  ImageStore store;
  auto* a = store.AddImage();
  auto* b = store.AddImage();
  auto* c = store.AddImage();
  EXPECT_EQ(store.Count(), 3);
  store.ReleaseImage(b);
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(store.IndexOf(a), 0);
  EXPECT_EQ(store.IndexOf(c), 1);
  EXPECT_EQ(store.At(1), c);
  EXPECT_EQ(store.At(2), nullptr);
  EXPECT_FALSE(store.Contains(b));
  ImageStore other;
  store.ReleaseImage(other.AddImage());  // not ours: nothing happens
  store.ReleaseImage(nullptr);
  EXPECT_EQ(store.Count(), 2);
}

// The texel facts the blit relies on: opaque textures and the span of visible texels per row.
TEST(ImageStore, RowSpansOfVisibleTexels) {
  ImageStore store;
  auto* image = store.AddImage();
  const uint32_t px[8] = {0, 0x01000000, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(px, 4, 2, true), 1, 1));
  const auto* t = image->Pattern(0);
  EXPECT_EQ(t->RowBegin(0), 1);
  EXPECT_EQ(t->RowEnd(0), 2);
  EXPECT_GE(t->RowBegin(1), t->RowEnd(1));
  EXPECT_FALSE(t->Opaque());
  const uint32_t full[1] = {0xFF123456};
  ASSERT_TRUE(store.LoadImagePixels(image, BitmapView::Argb(full, 1, 1, true), 1, 1));
  EXPECT_TRUE(image->Pattern(0)->Opaque());
}

}  // namespace
