#pragma once
// Text pictures: a line of UTF-16 text drawn with a TrueType font, white on
// black, for upload with the black colour key (the unicode `Uni` texts).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace render {

struct TextPicture {
  int width = 0;
  int height = 0;
  // width x height opaque ARGB pixels, rows top to bottom: black background,
  // the glyphs' coverage as grey levels up to white.
  std::vector<uint32_t> pixels;
};

enum class TextPictureError {
  kNone,
  kEmptyText,    // nothing to draw: the picture is 0 x 0
  kCannotOpen,   // the font file cannot be opened at that size
  kTooLarge,     // the text's extent exceeds the texture limits
  kRenderFailed,
};

// Draws `text` with the font file at `pixelSize` pixels per em, at (0, 0) of
// a picture sized to the text's extent as the font measures it (its advance
// width by the font's line height). The last font opened stays open for the
// next call. Surrogate pairs are decoded; unpaired surrogates draw as U+FFFD.
TextPictureError RenderTextPicture(const std::string& fontPath, int pixelSize,
                                   std::u16string_view text, TextPicture& out);

}  // namespace render
