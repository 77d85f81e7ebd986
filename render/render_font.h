#pragma once
// RenderFont: a bitmap font read from a font archive record.
//
// Font record (the inflated data of a kind-3 record, little-endian): first
// code, extra advance, 4 reserved bytes, glyph count G (int32 each); G glyph
// sizes (width, height: int32 each); then an image stream whose pattern g is
// the picture of glyph g.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/image_stream.h"
#include "render/render_image.h"

namespace render {

class Canvas;

enum class FontRecordError {
  kNone,
  kTruncated,
  kBadGlyphCount,
  kBadImage,
};

class RenderFont {
 public:
  static constexpr uint32_t kStyleShadow = 4;
  static constexpr uint32_t kStyleEmboss = 8;

  explicit RenderFont(std::string name) : name_(std::move(name)) {}
  RenderFont(const RenderFont&) = delete;
  RenderFont& operator=(const RenderFont&) = delete;

  const std::string& Name() const { return name_; }

  // Reads a font record, replacing the glyphs and resetting every property to
  // its default. On failure the font is left unloaded.
  FontRecordError Load(std::span<const uint8_t> record, ImageStreamError* imageError = nullptr);
  // Frees the glyphs; an unloaded font draws nothing and measures 0.
  void Unload();
  bool Loaded() const { return loaded_; }

  int32_t FirstCode() const { return firstCode_; }
  int32_t ExtraAdvance() const { return extraAdvance_; }
  int GlyphCount() const { return static_cast<int>(glyphs_.size()); }
  int GlyphWidth(int glyph) const { return glyphs_[static_cast<size_t>(glyph)].width; }
  int GlyphHeight(int glyph) const { return glyphs_[static_cast<size_t>(glyph)].height; }
  const RenderImage& Image() const { return image_; }

  // Properties, with their defaults at load.
  double Scale() const { return scale_; }  // 1.0
  void SetScale(double v) { scale_ = v; }
  double ExtraSpacing() const { return extraSpacing_; }  // 0, added to every advance
  void SetExtraSpacing(double v) { extraSpacing_ = v; }
  double MissingWidthFactor() const { return missingWidthFactor_; }  // 0.3
  void SetMissingWidthFactor(double v) { missingWidthFactor_ = v; }
  bool ColourTags() const { return colourTags_; }  // on
  void SetColourTags(bool on) { colourTags_ = on; }
  uint32_t Style() const { return style_; }  // none; kStyleShadow | kStyleEmboss
  void SetStyle(uint32_t flags) { style_ = flags; }
  uint32_t ShadowColour() const { return shadowColour_; }  // set by the text element
  void SetShadowColour(uint32_t c) { shadowColour_ = c; }
  double ShadowOpacity() const { return shadowOpacity_; }  // 0.5
  void SetShadowOpacity(double v) { shadowOpacity_ = v; }
  double ShadowDistance() const { return shadowDistance_; }  // 1.0
  void SetShadowDistance(double v) { shadowDistance_ = v; }
  uint32_t EmbossColour() const { return embossColour_; }  // black
  void SetEmbossColour(uint32_t c) { embossColour_ = c; }
  double EmbossOpacity() const { return embossOpacity_; }  // 0.8
  void SetEmbossOpacity(double v) { embossOpacity_ = v; }

  // Draws the text (single-byte character codes) with the pen starting at
  // (x, y). Colour tags of ten characters ("#$", "&$" or "0x" and eight
  // hexadecimal digits: upper colour, lower colour, both) are taken only when
  // at least ten more characters follow the tag's first character; they are
  // not drawn and do not advance the pen; a malformed number leaves the colour
  // as it was. Characters without a glyph advance by (visible width x missing
  // width factor + extra spacing) x scale. Each glyph is a quad of
  // round(visible size x scale) at the pen with colour 1 on its upper and
  // colour 2 on its lower corners, preceded by the shadow copy (moved by
  // 2 x scale x shadow distance, shadow colour at the shadow opacity) and, with
  // the emboss style, moved by (-1, -1) and followed by a copy at the pen in
  // the emboss colour at the emboss opacity. The pen then advances by
  // (glyph width + extra advance + extra spacing) x scale.
  void TextOut(Canvas& canvas, std::string_view text, double x, double y, uint32_t colour1,
               uint32_t colour2, uint32_t effect) const;
  // The sum of the advances TextOut makes (colour tags skipped).
  double TextWidth(std::string_view text) const;
  // The largest glyph height x scale among the characters that have glyphs
  // (colour tags skipped); 0 when none has.
  double TextHeight(std::string_view text) const;

 private:
  struct Glyph {
    int32_t width = 0;
    int32_t height = 0;
  };

  // The glyph number of a character, or -1 without a glyph.
  int GlyphOf(unsigned char ch) const;
  // The one glyph walk of TextOut, TextWidth and TextHeight (render_font.cpp).
  template <class Visit>
  double WalkGlyphs(std::string_view text, double pen, uint32_t& colour1, uint32_t& colour2,
                    Visit&& visit) const;
  // Length of the colour tag at position i (10) after applying it, or 0.
  size_t TakeTag(std::string_view text, size_t i, uint32_t& colour1, uint32_t& colour2) const;
  void ResetProperties();

  std::string name_;
  bool loaded_ = false;
  int32_t firstCode_ = 0;
  int32_t extraAdvance_ = 0;
  std::vector<Glyph> glyphs_;
  RenderImage image_;

  double scale_ = 1.0;
  double extraSpacing_ = 0;
  double missingWidthFactor_ = 0.3;
  bool colourTags_ = true;
  uint32_t style_ = 0;
  uint32_t shadowColour_ = 0;
  double shadowOpacity_ = 0.5;
  double shadowDistance_ = 1.0;
  uint32_t embossColour_ = 0;
  double embossOpacity_ = 0.8;
};

}  // namespace render
