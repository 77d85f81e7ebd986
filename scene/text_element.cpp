#include "scene/text_element.h"

#include <cmath>

#include "platform/path_resolver.h"
#include "render/canvas.h"
#include "render/font_store.h"
#include "render/image_store.h"
#include "render/render_font.h"
#include "render/text_picture.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/prop_table.h"
#include "scene/text_layout.h"
#include "scene/visual_util.h"

namespace scene {

namespace {

// The unicode picture is drawn at 30 points of a 96 dpi screen (40 pixels
// per em); only its proportions matter, the drawing scales it to the line.
constexpr int kPicturePixelSize = 40;
constexpr double kPictureLineScale = 1.5;

}  // namespace

TQZText::TQZText(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZText");
  BindClass(cls);
}

TQZText::~TQZText() = default;

// ---- text and layout ------------------------------------------------------------

void TQZText::SetText(const std::string& value) {
  // While TextId is set the language text wins over any assigned text.
  if (!textId_.empty() && Root())
    text_ = Root()->LookupText(textId_);
  else
    text_ = value;
  Layout();
}

void TQZText::SetTextId(const std::string& id) {
  textId_ = id;
  SetText(text_);
}

void TQZText::SetFont(const std::string& name) {
  fontName_ = name;
  render::FontStore* fonts = FontsOf(*this);
  font_ = fonts ? fonts->FindFont(name) : nullptr;
  SetText(text_);
}

void TQZText::SetScale(double value) {
  Scale = value;
  SetText(text_);
}

void TQZText::SetLayoutFlag(bool& field, bool value) {
  field = value;
  SetText(text_);
}

void TQZText::SetSizeX(int32_t value) {
  SizeX = value;
  SetText(text_);
}

void TQZText::Layout() {
  if (!EnEnter || !font_) {
    laidOut_ = text_;
    return;
  }
  font_->SetScale(Scale);
  laidOut_ = SplitLines(text_);
  if (!AutoEnter) return;
  const MeasureFn measure = [this](std::string_view s) { return MeasureText(s); };
  if (UnicodeMode()) {
    const double k = AtlasScale(Atlas(false));
    const GlyphAdvanceFn advance = [this, k](uint16_t unit) { return GlyphAdvance(unit, k); };
    laidOut_ = WrapWords(laidOut_, SizeX, measure, &advance);
  } else {
    laidOut_ = WrapWords(laidOut_, SizeX, measure, nullptr);
  }
}

bool TQZText::UnicodeMode() const { return Root() && Root()->UnicodeMode(); }

render::RenderImage* TQZText::Atlas(bool draw) const {
  if (!Root()) return nullptr;
  resources::TQZIm* entry = Root()->UnicodeGlyphs();
  if (!draw) return LoadedTexture(entry);
  resources::ImageCache* cache = ImagesOf(*this);
  return cache ? cache->TextureOf(entry) : nullptr;
}

double TQZText::AtlasScale(const render::RenderImage* atlas) const {
  if (!atlas || !font_ || atlas->PatternHeight() <= 0) return 0;
  return font_->TextHeight("W") / atlas->PatternHeight();
}

double TQZText::GlyphAdvance(uint16_t unit, double k) const {
  const auto& table = Root()->UnicodeTable();
  return unit < table.size() ? table[unit].advance * k : 0.0;
}

double TQZText::MeasureText(std::string_view s) {
  if (!font_) return 0;
  font_->SetScale(Scale);
  if (!UnicodeMode()) return font_->TextWidth(s);
  const double k = AtlasScale(Atlas(false));
  double width = 0;
  ForEachCodeUnit(s, [&](uint16_t unit) { width += GlyphAdvance(unit, k); });
  return width;
}

// ---- drawing --------------------------------------------------------------------

void TQZText::DrawTextLine(std::string_view line, double x, double y) {
  render::Canvas* canvas = CanvasOf(*this);
  if (!canvas || !font_) return;
  if (!UnicodeMode()) {
    font_->TextOut(*canvas, line, x, y, Colour1, Colour2, hxDrawFx);
    return;
  }
  render::RenderImage* atlas = Atlas(true);
  const double k = AtlasScale(atlas);
  if (!atlas || k <= 0) return;
  canvas->SetSmoothing(true);
  const auto& table = Root()->UnicodeTable();
  const int pw = atlas->PatternWidth();
  const int ph = atlas->PatternHeight();
  ForEachCodeUnit(line, [&](uint16_t unit) {
    if (unit >= table.size() || table[unit].advance == 0) return;
    const double left = x, top = y, right = x + pw * k, bottom = y + ph * k;
    const GuardCut cut = GuardBand(left, top, right, bottom, k, k, pw, ph);
    const int srcW = pw - cut.left - cut.right;
    const int srcH = ph - cut.top - cut.bottom;
    if (srcW > 0 && srcH > 0) {
      canvas->DrawImageQuad(
          atlas, render::RectCorners(left + cut.left * k, top + cut.top * k, srcW * k, srcH * k),
          render::SameColours(Colour1), table[unit].glyph,
          render::SourceRect{double(cut.left), double(cut.top), double(srcW), double(srcH)},
          hxDrawFx);
    }
    x += table[unit].advance * k;
  });
}

bool TQZText::DrawnAsPicture() const {
  const TQZDB* root = Root();
  return root && root->UnicodeMode() && root->UnicodeFontFile().has_value() &&
         (Uni || root->FocusedText() == this);
}

void TQZText::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                    int32_t flag) {
  if (!ResourcesLoaded) LoadResources();
  if (layer == Order && CanvasOf(*this) && font_ && !laidOut_.empty() &&
      VisibleColour(Colour1) && VisibleColour(Colour2)) {
    if (DrawnAsPicture())
      DrawPicture(offsetX, offsetY);
    else
      DrawLines(offsetX, offsetY);
  }
  TQZElement::Paint(layer, colour, offsetX, offsetY, flag);
}

void TQZText::DrawLines(double offsetX, double offsetY) {
  render::Canvas* canvas = CanvasOf(*this);
  font_->SetScale(Scale);
  const std::vector<std::string_view> lines = LaidOutLines(laidOut_);
  const double h = font_->TextHeight(laidOut_);
  const double n = lines.empty() ? 1.0 : static_cast<double>(lines.size());
  const double total = n * h + (n - 1) * Interval;
  double y = offsetY + rY + AnchorHalves(PosVert) * (SizeY - total) / 2;
  const uint32_t style = (Shadow ? render::RenderFont::kStyleShadow : 0u) |
                         (Emboss ? render::RenderFont::kStyleEmboss : 0u);
  for (std::string_view line : lines) {
    const double x = offsetX + rX + AnchorHalves(PosHor) * (SizeX - MeasureText(line)) / 2;
    // Whole-pixel lines at scale 1 stay sharp.
    canvas->SetSmoothing(Scale != 1 || x != std::floor(x) || y != std::floor(y));
    font_->SetShadowColour(hxShadColor);
    font_->SetStyle(style);
    DrawTextLine(line, x, y);
    y += font_->TextHeight(line) + Interval;
  }
}

void TQZText::RenderPicture() {
  if (!pictureStore_) pictureStore_ = std::make_unique<render::ImageStore>();
  if (picture_) pictureStore_->ReleaseImage(picture_);
  picture_ = pictureStore_->AddImage();
  pictureMade_ = true;
  ++pictureRenders_;
  lastRendered_ = text_;
  pictureWidth_ = pictureHeight_ = 0;
  const auto& fontFile = Root()->UnicodeFontFile();
  render::TextPicture drawn;
  const std::u16string text = DecodeForDrawing(text_, platform::GameFiles().Cp());
  if (render::RenderTextPicture(fontFile->string(), kPicturePixelSize, text, drawn) !=
      render::TextPictureError::kNone)
    return;
  if (pictureStore_->LoadImagePixels(
          picture_, render::BitmapView::Argb(drawn.pixels.data(), drawn.width, drawn.height, true),
          1, 1, render::ColourKey::kBlack)) {
    pictureWidth_ = drawn.width;
    pictureHeight_ = drawn.height;
  }
}

double TQZText::PictureScale() const {
  if (!font_ || pictureHeight_ <= 0) return 0;
  font_->SetScale(Scale);
  return font_->TextHeight("W") / pictureHeight_ * kPictureLineScale;
}

void TQZText::DrawPicture(double offsetX, double offsetY) {
  if (!pictureMade_ || text_ != lastRendered_) RenderPicture();
  if (pictureWidth_ <= 0 || pictureHeight_ <= 0) return;
  render::Canvas* canvas = CanvasOf(*this);
  const double k = PictureScale();
  // The scaled picture is centred on the anchor point of the box.
  const double cx = offsetX + rX + AnchorHalves(PosHor) * SizeX / 2.0;
  const double cy = offsetY + rY + AnchorHalves(PosVert) * SizeY / 2.0;
  const double w = platform::RoundHalfEvenD(pictureWidth_ * k);
  const double h = platform::RoundHalfEvenD(pictureHeight_ * k);
  canvas->SetSmoothing(true);
  canvas->DrawImageScaled(picture_, Colour1, cx - w / 2, cy - h / 2, k, 0, render::kEffectAlpha);
}

double TQZText::TextSize() {
  if (DrawnAsPicture()) return pictureWidth_ * PictureScale();
  if (!font_) return 0;
  font_->SetScale(Scale);
  return font_->TextWidth(text_);
}

// ---- hit testing and names -----------------------------------------------------------

// The whole box counts, edges included; the children are never hit.
TQZElement* TQZText::HitTest(int32_t layer, int32_t x, int32_t y, int32_t, int32_t) {
  if (layer != Order || !TakesPartInHitTest(*this)) return nullptr;
  const int64_t left = X(), top = Y();
  if (left <= x && x <= left + SizeX && top <= y && y <= top + SizeY) return this;
  return nullptr;
}

bool TQZText::GetValue(const std::string& name, script::Value& out) {
  if (TQZElement::GetValue(name, out)) return true;
  if (name == "TEXTSZ") {
    out = script::Value::Real(TextSize());
    return true;
  }
  return false;
}

void TQZText::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZText";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZText>(parent); };
  PropTable<TQZText> t(cls);
  t.Base();
  t.Field("hxDrawFx", PropType::UInt32, &TQZText::hxDrawFx);
  t.ColourPair("hxColor1", "hxTrans1", &TQZText::Colour1);
  t.ColourPair("hxColor2", "hxTrans2", &TQZText::Colour2);
  t.Field("MousedNotVis", PropType::Bool, &TQZText::MousedNotVis);
  t.EventScripts();
  t.Field("MousedVis", PropType::Bool, &TQZText::MousedVis);
  t.Field("NoMsQZDB", PropType::Bool, &TQZText::NoMsQZDB);
  t.Order();
  t.Field("rX", PropType::Double, &TQZText::rX);
  t.Field("rY", PropType::Double, &TQZText::rY);
  t.Size();
  t.StrFn(
      "Font", [](const TQZText& e) { return e.Font(); },
      [](TQZText& e, const std::string& v) { e.SetFont(v); });
  t.Field("PosHor", PropType::Enum, &TQZText::PosHor).Names(kPosHorNames);
  t.Field("PosVert", PropType::Enum, &TQZText::PosVert).Names(kPosVertNames);
  t.StrFn(
      "TextId", [](const TQZText& e) { return e.TextId(); },
      [](TQZText& e, const std::string& v) { e.SetTextId(v); });
  t.OrdFn(
      "AutoEnter", PropType::Bool, [](const TQZText& e) -> int64_t { return e.AutoEnter; },
      [](TQZText& e, int64_t v) { e.SetLayoutFlag(e.AutoEnter, v != 0); });
  t.OrdFn(
      "EnEnter", PropType::Bool, [](const TQZText& e) -> int64_t { return e.EnEnter; },
      [](TQZText& e, int64_t v) { e.SetLayoutFlag(e.EnEnter, v != 0); });
  t.OrdFn(
      "AutoScale", PropType::Bool, [](const TQZText& e) -> int64_t { return e.AutoScale; },
      [](TQZText& e, int64_t v) { e.SetLayoutFlag(e.AutoScale, v != 0); });
  t.Field("Interval", PropType::Double, &TQZText::Interval);
  t.StrFn(
      "Text", [](const TQZText& e) { return e.Text(); },
      [](TQZText& e, const std::string& v) { e.SetText(v); });
  t.FloatFn(
      "Scale", PropType::Double, [](const TQZText& e) { return e.Scale; },
      [](TQZText& e, double v) { e.SetScale(v); });
  t.Field("Tag", PropType::String, &TQZText::Tag);
  t.Field("NotSave", PropType::Bool, &TQZText::NotSave);
  t.Field("hxShadColor", PropType::UInt32, &TQZText::hxShadColor);
  t.Field("Emboss", PropType::Bool, &TQZText::Emboss);
  t.Field("Shadow", PropType::Bool, &TQZText::Shadow);
  t.Field("Uni", PropType::Bool, &TQZText::Uni);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
