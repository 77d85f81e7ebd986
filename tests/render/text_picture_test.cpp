// Text pictures drawn with DejaVu Sans through SDL2_ttf: sizes, grey levels
// on black, the cut at a zero code unit, limits and unreadable fonts.

#include <gtest/gtest.h>

#include <algorithm>

#include "render/text_picture.h"

namespace render {
namespace {

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool Grey(uint32_t p) {
  return (p >> 24) == 0xFF && ((p >> 16) & 0xFF) == ((p >> 8) & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF);
}

TEST(TextPicture, WhiteOnBlackSizedToTheText) {
  TextPicture pic;
  ASSERT_EQ(RenderTextPicture(kDejaVu, 40, u"Hello", pic), TextPictureError::kNone);
  EXPECT_GT(pic.width, 60);
  EXPECT_GT(pic.height, 30);
  EXPECT_LT(pic.height, 60);
  ASSERT_EQ(pic.pixels.size(), static_cast<size_t>(pic.width) * pic.height);
  EXPECT_TRUE(std::all_of(pic.pixels.begin(), pic.pixels.end(), Grey));
  EXPECT_EQ(pic.pixels.front(), 0xFF000000u);
  EXPECT_GT(std::count(pic.pixels.begin(), pic.pixels.end(), 0xFFFFFFFFu), 100);
  // Longer text, wider picture; another size of the same font.
  TextPicture longer;
  ASSERT_EQ(RenderTextPicture(kDejaVu, 40, u"Hello, world", longer), TextPictureError::kNone);
  EXPECT_GT(longer.width, pic.width);
  EXPECT_EQ(longer.height, pic.height);
  TextPicture small;
  ASSERT_EQ(RenderTextPicture(kDejaVu, 20, u"Hello", small), TextPictureError::kNone);
  EXPECT_LT(small.width, pic.width);
  // Characters beyond the code page and beyond the basic plane.
  TextPicture wide;
  EXPECT_EQ(RenderTextPicture(kDejaVu, 40, u"\u0416\u4E2D\U0001F600", wide), TextPictureError::kNone);
  EXPECT_GT(wide.width, 0);
  EXPECT_EQ(RenderTextPicture(kDejaVu, 40, std::u16string(1, char16_t(0xD800)) + u"a", wide),
            TextPictureError::kNone);
}

TEST(TextPicture, EmptyCutAndRefused) {
  TextPicture pic;
  EXPECT_EQ(RenderTextPicture(kDejaVu, 40, u"", pic), TextPictureError::kEmptyText);
  EXPECT_EQ(pic.width, 0);
  EXPECT_TRUE(pic.pixels.empty());
  EXPECT_EQ(RenderTextPicture(kDejaVu, 40, std::u16string(u"\0abc", 4), pic),
            TextPictureError::kEmptyText);
  TextPicture cut, whole;
  ASSERT_EQ(RenderTextPicture(kDejaVu, 40, std::u16string(u"ab\0cdef", 7), cut), TextPictureError::kNone);
  ASSERT_EQ(RenderTextPicture(kDejaVu, 40, u"ab", whole), TextPictureError::kNone);
  EXPECT_EQ(cut.width, whole.width);
  EXPECT_EQ(RenderTextPicture("/nonexistent/font.ttf", 40, u"a", pic), TextPictureError::kCannotOpen);
  EXPECT_EQ(RenderTextPicture("/etc/hostname", 40, u"a", pic), TextPictureError::kCannotOpen);
  EXPECT_EQ(RenderTextPicture(kDejaVu, 0, u"a", pic), TextPictureError::kCannotOpen);
  // Wider than any texture: refused before drawing.
  EXPECT_EQ(RenderTextPicture(kDejaVu, 40, std::u16string(2000, u'W'), pic), TextPictureError::kTooLarge);
  EXPECT_TRUE(pic.pixels.empty());
  // The font opens again after a failure.
  EXPECT_EQ(RenderTextPicture(kDejaVu, 40, u"a", pic), TextPictureError::kNone);
}

}  // namespace
}  // namespace render
