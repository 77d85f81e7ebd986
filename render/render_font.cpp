#include "render/render_font.h"

#include <algorithm>
#include <cmath>

#include "platform/byte_reader.h"
#include "render/canvas.h"

namespace render {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// An opacity (0..1) as an alpha byte, rounded halves to even.
uint32_t AlphaByte(double opacity) {
  const double a = std::nearbyint(opacity * 255);
  if (!(a > 0)) return 0;
  return a >= 255 ? 255 : static_cast<uint32_t>(a);
}

}  // namespace

void RenderFont::ResetProperties() {
  scale_ = 1.0;
  extraSpacing_ = 0;
  missingWidthFactor_ = 0.3;
  colourTags_ = true;
  style_ = 0;
  shadowColour_ = 0;
  shadowOpacity_ = 0.5;
  shadowDistance_ = 1.0;
  embossColour_ = 0;
  embossOpacity_ = 0.8;
}

FontRecordError RenderFont::Load(std::span<const uint8_t> record, ImageStreamError* imageError) {
  Unload();
  ResetProperties();
  platform::ByteReader reader(record);
  int32_t firstCode, extraAdvance, count;
  if (!reader.ReadI32LE(firstCode) || !reader.ReadI32LE(extraAdvance) || !reader.Skip(4) ||
      !reader.ReadI32LE(count)) {
    return FontRecordError::kTruncated;
  }
  if (count < 0) return FontRecordError::kBadGlyphCount;
  if (static_cast<uint64_t>(count) * 8 > reader.Remaining()) return FontRecordError::kTruncated;
  std::vector<Glyph> glyphs(static_cast<size_t>(count));
  for (Glyph& g : glyphs) {
    reader.ReadI32LE(g.width);
    reader.ReadI32LE(g.height);
  }
  const ImageStreamError error = ReadImageStream(reader, image_);
  if (imageError != nullptr) *imageError = error;
  if (error != ImageStreamError::kNone) {
    image_.ReleaseTextures();
    return FontRecordError::kBadImage;
  }
  firstCode_ = firstCode;
  extraAdvance_ = extraAdvance;
  glyphs_ = std::move(glyphs);
  loaded_ = true;
  return FontRecordError::kNone;
}

void RenderFont::Unload() {
  loaded_ = false;
  glyphs_.clear();
  image_.ReleaseTextures();
}

int RenderFont::GlyphOf(unsigned char ch) const {
  const int64_t g = int64_t{ch} - firstCode_;
  if (g < 0 || g >= static_cast<int64_t>(glyphs_.size())) return -1;
  return static_cast<int>(g);
}

size_t RenderFont::TakeTag(std::string_view text, size_t i, uint32_t& colour1,
                           uint32_t& colour2) const {
  if (!colourTags_ || text.size() - i < 11) return 0;
  const char a = text[i];
  const char b = text[i + 1];
  const bool upper = a == '#' && b == '$';
  const bool lower = a == '&' && b == '$';
  const bool both = a == '0' && b == 'x';
  if (!upper && !lower && !both) return 0;
  uint32_t value = 0;
  bool valid = true;
  for (size_t k = i + 2; k < i + 10; ++k) {
    const int d = HexDigit(text[k]);
    if (d < 0) {
      valid = false;
      break;
    }
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  if (valid) {
    if (upper || both) colour1 = value;
    if (lower || both) colour2 = value;
  }
  return 10;
}

// The walk TextOut draws and TextWidth and TextHeight measure, so they
// cannot drift apart:
// colour tags update the colours and take no room; visit(glyph, pen) for
// each glyph the font has, pen being where it goes; a missing glyph only
// advances. Answers the pen after the last glyph.
template <class Visit>
double RenderFont::WalkGlyphs(std::string_view text, double pen, uint32_t& colour1,
                              uint32_t& colour2, Visit&& visit) const {
  size_t i = 0;
  while (i < text.size()) {
    if (size_t tag = TakeTag(text, i, colour1, colour2)) {
      i += tag;
      continue;
    }
    const int g = GlyphOf(static_cast<unsigned char>(text[i++]));
    if (g < 0) {
      pen += (image_.VisibleWidth() * missingWidthFactor_ + extraSpacing_) * scale_;
      continue;
    }
    visit(g, pen);
    pen += (glyphs_[static_cast<size_t>(g)].width + static_cast<double>(extraAdvance_) +
            extraSpacing_) *
           scale_;
  }
  return pen;
}

void RenderFont::TextOut(Canvas& canvas, std::string_view text, double x, double y,
                         uint32_t colour1, uint32_t colour2, uint32_t effect) const {
  if (!loaded_) return;
  const double width = std::nearbyint(image_.VisibleWidth() * scale_);
  const double height = std::nearbyint(image_.VisibleHeight() * scale_);
  const bool shadow = (style_ & kStyleShadow) != 0;
  const bool emboss = (style_ & kStyleEmboss) != 0;
  const uint32_t shadowColour = (shadowColour_ & 0xFFFFFFu) | AlphaByte(shadowOpacity_) << 24;
  const uint32_t embossColour = (embossColour_ & 0xFFFFFFu) | AlphaByte(embossOpacity_) << 24;
  const double shadowOffset = 2 * scale_ * shadowDistance_;
  WalkGlyphs(text, x, colour1, colour2, [&](int g, double pen) {
    if (shadow) {
      canvas.DrawImageQuad(&image_,
                           RectCorners(pen + shadowOffset, y + shadowOffset, width, height),
                           SameColours(shadowColour), g, SourceRect{}, effect);
    }
    const double shift = emboss ? -1 : 0;
    canvas.DrawImageQuad(&image_, RectCorners(pen + shift, y + shift, width, height),
                         QuadColours{colour1, colour1, colour2, colour2}, g, SourceRect{},
                         effect);
    if (emboss) {
      canvas.DrawImageQuad(&image_, RectCorners(pen, y, width, height), SameColours(embossColour),
                           g, SourceRect{}, effect);
    }
  });
}

double RenderFont::TextWidth(std::string_view text) const {
  if (!loaded_) return 0;
  uint32_t c1 = 0, c2 = 0;
  return WalkGlyphs(text, 0, c1, c2, [](int, double) {});
}

double RenderFont::TextHeight(std::string_view text) const {
  if (!loaded_) return 0;
  uint32_t c1 = 0, c2 = 0;
  int32_t tallest = 0;
  bool any = false;
  WalkGlyphs(text, 0, c1, c2, [&](int g, double) {
    const int32_t h = glyphs_[static_cast<size_t>(g)].height;
    if (!any || h > tallest) tallest = h;
    any = true;
  });
  return any ? tallest * scale_ : 0;
}

}  // namespace render
