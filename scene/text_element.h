#pragma once
// TQZText: a piece of text drawn in a box with a bitmap font or the unicode font.
//
// The text is laid out (split into lines at explicit line ends and, with
// AutoEnter, wrapped to SizeX) whenever the text, font, scale, width or
// wrapping flags change; drawing only walks the laid-out lines. In unicode
// mode the glyphs come from the unicode glyph atlas; a text marked Uni (or
// the text receiving typed input) is drawn as one picture of the whole text
// rendered with the game's TrueType font, made again only when Text changes.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "scene/element.h"

namespace render {
class ImageStore;
class RenderFont;
class RenderImage;
}  // namespace render

namespace scene {

class TQZText : public TQZElement {
 public:
  explicit TQZText(TQZElement* parent);
  ~TQZText() override;
  static void Register(ClassRegistry& registry);

  uint32_t hxDrawFx = 0x504;
  uint32_t Colour1 = 0xFFFFFFFF;
  uint32_t Colour2 = 0;
  int32_t SizeX = 100;
  int32_t SizeY = 100;
  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  bool EnEnter = false;
  bool AutoScale = false;
  bool AutoEnter = false;
  double Interval = 0;
  double Scale = 1.0;
  uint32_t hxShadColor = 0;
  bool Emboss = false;
  bool Shadow = false;
  bool Uni = false;

  const std::string& Text() const { return text_; }
  // Stores the language text of TextId when TextId is set, otherwise the
  // value, and lays it out.
  void SetText(const std::string& value);
  const std::string& TextId() const { return textId_; }
  void SetTextId(const std::string& id);
  const std::string& Font() const { return fontName_; }
  // Stores the name, finds the font (none when absent) and lays out again.
  void SetFont(const std::string& name);
  void SetScale(double value);
  // Layout-affecting flags (EnEnter, AutoEnter, AutoScale): store and lay out again.
  void SetLayoutFlag(bool& field, bool value);

  // The font found by Font, or null.
  render::RenderFont* FontObject() const { return font_; }
  // The lines, each ended by a zero byte; the text as it is when it is not
  // processed for line ends.
  const std::string& LaidOutText() const { return laidOut_; }

  // Width in pixels of a piece of text at the text's Scale.
  double MeasureText(std::string_view s);
  // Draws one line with its top-left corner at (x, y).
  void DrawTextLine(std::string_view line, double x, double y);
  // The drawn width of the text, as scripts read it through "TEXTSZ".
  double TextSize();
  // Whether the text is drawn as one TrueType picture (unicode font present,
  // and the text marked Uni or receiving typed input).
  bool DrawnAsPicture() const;
  // The picture's size in pixels before scaling (0 x 0 before it is made).
  int PictureWidth() const { return pictureWidth_; }
  int PictureHeight() const { return pictureHeight_; }
  // How many times the picture was rendered (it is rendered again only when Text changes).
  int PictureRenders() const { return pictureRenders_; }

  void SetSizeX(int32_t value) override;
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }
  TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
             int32_t flag) override;
  bool GetValue(const std::string& name, script::Value& out) override;

 private:
  void Layout();
  bool UnicodeMode() const;
  // The unicode glyph atlas (unstamped for measuring, stamped for drawing).
  render::RenderImage* Atlas(bool draw) const;
  // Atlas pixels to screen pixels: TextHeight("W") / atlas pattern height.
  double AtlasScale(const render::RenderImage* atlas) const;
  double GlyphAdvance(uint16_t unit, double k) const;
  void DrawLines(double offsetX, double offsetY);
  void DrawPicture(double offsetX, double offsetY);
  void RenderPicture();
  // The picture's scale: 1.5 x TextHeight("W") / picture height.
  double PictureScale() const;

  std::string text_;
  std::string textId_;
  std::string fontName_;
  render::RenderFont* font_ = nullptr;
  std::string laidOut_;

  std::unique_ptr<render::ImageStore> pictureStore_;  // owns the picture image
  render::RenderImage* picture_ = nullptr;
  bool pictureMade_ = false;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  int pictureRenders_ = 0;
  std::string lastRendered_;
};

}  // namespace scene
