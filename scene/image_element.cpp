#include "scene/image_element.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/canvas.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "scene/prop_table.h"
#include "scene/visual_util.h"

namespace scene {

TQZImage::TQZImage(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZImage");
  BindClass(cls);
  Vis = true;
}

// Thousandths that do not fit 32 bits leave the value as it was.
void TQZImage::SetScale(double value) {
  if (auto t = platform::RoundHalfEvenI32(value * 1000.0)) ScaleThousandths = *t;
}

void TQZImage::SetAngle(double value) {
  if (auto t = platform::RoundHalfEvenI32(value * 1000.0)) AngleThousandths = *t;
}

double TQZImage::AngleRadians() const {
  return AngleThousandths / 1000.0 * std::numbers::pi / 180.0;
}

std::string TQZImage::GetImImage() const { return picture_ ? picture_->Name() : imImageName_; }

void TQZImage::SetImImage(const std::string& name) {
  imImageName_ = name;
  resources::ImageCache* cache = ImagesOf(*this);
  picture_ = (cache && !name.empty()) ? cache->RequestImage(name, false) : nullptr;
}

bool TQZImage::PictureLoaded() const { return LoadedTexture(picture_) != nullptr; }

double TQZImage::DrawnWidth() const {
  const render::RenderImage* tex = LoadedTexture(picture_);
  return tex ? Scale() * tex->PatternWidth() * ScaleX : 0.0;
}

double TQZImage::DrawnHeight() const {
  const render::RenderImage* tex = LoadedTexture(picture_);
  return tex ? Scale() * tex->PatternHeight() * ScaleY : 0.0;
}

int32_t TQZImage::GetSizeX() { return RoundToInt(DrawnWidth()); }
int32_t TQZImage::GetSizeY() { return RoundToInt(DrawnHeight()); }

int32_t TQZImage::GetAbsX() {
  const int64_t w = GetSizeX();
  int64_t x = X();
  if (PosHor == TQZPosHor::phCenter) x -= w / 2;
  if (PosHor == TQZPosHor::phRight) x -= w;
  if (Parent()) x += Parent()->GetAbsX();
  return SaturateI32(x);
}

int32_t TQZImage::GetAbsY() {
  const int64_t h = GetSizeY();
  int64_t y = Y();
  if (PosVert == TQZPosVert::pvCenter) y -= h / 2;
  if (PosVert == TQZPosVert::pvBottom) y -= h;
  if (Parent()) y += Parent()->GetAbsY();
  return SaturateI32(y);
}

// ---- drawing -------------------------------------------------------------------

void TQZImage::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                     int32_t flag) {
  if (!ResourcesLoaded) LoadResources();
  resources::ImageCache* cache = ImagesOf(*this);
  if (cache && picture_ && !picture_->Texture() && !picture_->Failed()) {
    // Load on draw: an image the screen switch did not load comes in now.
    const bool loadNow = cache->LoadNow();
    cache->SetLoadNow(true);
    SetImImage(std::string(picture_->Name()));
    cache->SetLoadNow(loadNow);
  }
  const double w = DrawnWidth();
  const double h = DrawnHeight();
  if (layer == Order && VisibleColour(Colour) && PictureLoaded()) DrawPicture(offsetX, offsetY);
  // Children are placed from the picture's drawn top-left corner.
  TQZElement::Paint(layer, colour, offsetX - AnchorHalves(PosHor) * w / 2,
                    offsetY - AnchorHalves(PosVert) * h / 2, flag);
}

void TQZImage::DrawPicture(double offsetX, double offsetY) {
  render::Canvas* canvas = CanvasOf(*this);
  resources::ImageCache* cache = ImagesOf(*this);
  if (!canvas || !cache) return;
  render::RenderImage* tex = cache->TextureOf(picture_);
  if (!tex) return;
  const int pw = tex->PatternWidth();
  const int ph = tex->PatternHeight();
  const double pixelW = Scale() * ScaleX;
  const double pixelH = Scale() * ScaleY;
  const double w = pw * pixelW;
  const double h = ph * pixelH;
  const double centreX = offsetX + rX + (1 - AnchorHalves(PosHor)) * w / 2;
  const double centreY = offsetY + rY + (1 - AnchorHalves(PosVert)) * h / 2;
  const double left = centreX - w / 2, right = centreX + w / 2;
  const double top = centreY - h / 2, bottom = centreY + h / 2;
  canvas->SetSmoothing(true);

  const GuardCut cut = GuardBand(left, top, right, bottom, pixelW, pixelH, pw, ph);
  const int srcW = pw - cut.left - cut.right;
  const int srcH = ph - cut.top - cut.bottom;
  // Everything cut: nothing lies near the screen (a source size of 0 would
  // mean the whole pattern).
  if (srcW <= 0 || srcH <= 0) return;

  const bool pixelExact = hxDrawFx == render::kEffectAlpha && ScaleThousandths == 1000 &&
                          AngleThousandths == 0 &&
                          platform::RoundHalfEvenD(ScaleX * 1000) == 1000 &&
                          platform::RoundHalfEvenD(ScaleY * 1000) == 1000 &&
                          tex->TextureCount() == 1;
  if (pixelExact) {
    // Only the opaque box, at whole pixels and unfiltered: large mostly
    // transparent overlays cost their visible part and stay sharp.
    const resources::OpaqueBox& box = picture_->Box();
    const int bl = std::max(box.left, cut.left);
    const int bt = std::max(box.top, cut.top);
    const int br = std::min(box.right + 1, pw - cut.right);
    const int bb = std::min(box.bottom + 1, ph - cut.bottom);
    if (br <= bl || bb <= bt) return;
    const double x = platform::RoundHalfEvenD(left + bl);
    const double y = platform::RoundHalfEvenD(top + bt);
    canvas->SetSmoothing(false);
    canvas->DrawImageQuad(tex, render::RectCorners(x, y, br - bl, bb - bt),
                          render::SameColours(Colour), Anim,
                          render::SourceRect{double(bl), double(bt), double(br - bl),
                                             double(bb - bt)},
                          render::kEffectAlpha);
    return;
  }

  const double dl = left + cut.left * pixelW, dr = right - cut.right * pixelW;
  const double dt = top + cut.top * pixelH, db = bottom - cut.bottom * pixelH;
  const render::SourceRect source{double(cut.left), double(cut.top), double(srcW),
                                  double(srcH)};
  render::QuadCorners corners;
  if (AngleThousandths != 0) {
    const double a = AngleRadians();
    const double c = std::cos(a), s = std::sin(a);
    auto turn = [&](double x, double y) {
      const double rx = x - centreX, ry = y - centreY;
      return render::PointD{centreX + (rx * c - ry * s), centreY + (ry * c + rx * s)};
    };
    corners = {turn(dl, dt), turn(dr, dt), turn(dr, db), turn(dl, db)};
  } else {
    corners = render::RectCorners(dl, dt, dr - dl, db - dt);
  }
  canvas->DrawImageQuad(tex, corners, render::SameColours(Colour), Anim, source, hxDrawFx);
}

// ---- hit testing ------------------------------------------------------------------

TQZElement* TQZImage::HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) {
  // Children see the pointer relative to the picture's top-left corner.
  const int64_t w = GetSizeX();
  const int64_t h = GetSizeY();
  int64_t cx = x, cy = y;
  if (PosHor == TQZPosHor::phCenter) cx += w / 2;
  if (PosHor == TQZPosHor::phRight) cx += w;
  if (PosVert == TQZPosVert::pvCenter) cy += h / 2;
  if (PosVert == TQZPosVert::pvBottom) cy += h;
  if (TQZElement* hit = TQZElement::HitTest(layer, SaturateI32(cx), SaturateI32(cy), extra, flag))
    return hit;
  if (layer == Order && picture_ && TakesPartInHitTest(*this) && PixelHit(x, y, extra, flag))
    return this;
  return nullptr;
}

// The tested rectangle follows Scale alone (ScaleX and ScaleY stretch only
// the drawing) and turns with the angle about its centre; the opacity comes
// from pattern 0 whatever Anim shows.
//
// A hit margin pads the rectangle to (w + 2m) x (h + 2m) about the anchored
// point. The picture keeps the place it has without a margin inside that
// padded rectangle: m from its left edge for a centred anchor, 2m for a right
// anchor, 0 for a left anchor (likewise vertically). A point of the padding
// outside the picture takes the opacity of the nearest picture pixel, so
// opaque edges reach across the margin and transparent ones do not.
bool TQZImage::PixelHit(int32_t x, int32_t y, int32_t margin, int32_t threshold) const {
  const render::RenderImage* tex = LoadedTexture(picture_);
  if (!tex || ScaleThousandths <= 0) return false;
  const int pw = tex->PatternWidth();
  const int ph = tex->PatternHeight();
  const double scale = ScaleThousandths / 1000.0;
  const int64_t w = platform::RoundHalfEvenI64(pw * scale).value_or(0);
  const int64_t h = platform::RoundHalfEvenI64(ph * scale).value_or(0);
  if (w <= 0 || h <= 0) return false;
  const int64_t m = std::max<int32_t>(margin, 0);
  const int64_t wp = w + 2 * m;
  const int64_t hp = h + 2 * m;
  const int64_t reach = std::max(wp, hp) / 2;
  const int ah = AnchorHalves(PosHor);
  const int av = AnchorHalves(PosVert);
  // Centre of the padded rectangle: X + wp div 2, X or X - wp div 2.
  const int64_t cx = X() + (1 - ah) * (wp / 2);
  const int64_t cy = Y() + (1 - av) * (hp / 2);
  const int64_t dx = x - cx;
  const int64_t dy = y - cy;
  if (dx < -reach || dx > reach || dy < -reach || dy > reach) return false;
  const double r = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
  const double t = std::atan2(static_cast<double>(dy), static_cast<double>(dx)) - AngleRadians();
  const double u = r * std::cos(t) + static_cast<double>(wp / 2);
  const double v = r * std::sin(t) + static_cast<double>(hp / 2);
  if (!(u >= 0 && u < wp && v >= 0 && v < hp)) return false;
  const double pu = u - static_cast<double>(ah * m);
  const double pv = v - static_cast<double>(av * m);
  const bool inPadding = pu < 0 || pu >= w || pv < 0 || pv >= h;
  int64_t c = platform::RoundHalfEvenI64(pu * 1000.0 / ScaleThousandths).value_or(-1);
  int64_t d = platform::RoundHalfEvenI64(pv * 1000.0 / ScaleThousandths).value_or(-1);
  if (inPadding) {
    c = std::clamp<int64_t>(c, 0, pw - 1);
    d = std::clamp<int64_t>(d, 0, ph - 1);
  }
  if (c < 0 || c >= pw || d < 0 || d >= ph) return false;
  const uint32_t alpha = tex->ReadPixel(static_cast<int>(c), static_cast<int>(d), 0) >> 24;
  return static_cast<int64_t>(alpha) > threshold;
}

void TQZImage::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZImage";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZImage>(parent); };
  PropTable<TQZImage> t(cls);
  t.Base();
  t.StrFn(
      "imImage", [](const TQZImage& e) { return e.GetImImage(); },
      [](TQZImage& e, const std::string& v) { e.SetImImage(v); });
  t.Field("hxDrawFx", PropType::UInt32, &TQZImage::hxDrawFx);
  t.Field("PosHor", PropType::Enum, &TQZImage::PosHor).Names(kPosHorNames);
  t.Field("PosVert", PropType::Enum, &TQZImage::PosVert).Names(kPosVertNames);
  t.FloatFn(
      "Scale", PropType::Extended, [](const TQZImage& e) { return e.Scale(); },
      [](TQZImage& e, double v) { e.SetScale(v); });
  t.FloatFn(
      "Angle", PropType::Extended, [](const TQZImage& e) { return e.Angle(); },
      [](TQZImage& e, double v) { e.SetAngle(v); });
  t.ColourPair("hxColor", "hxTrans", &TQZImage::Colour);
  t.Field("MousedNotVis", PropType::Bool, &TQZImage::MousedNotVis);
  t.EventScripts();
  t.Field("MousedVis", PropType::Bool, &TQZImage::MousedVis);
  t.Field("Anim", PropType::Int32, &TQZImage::Anim);
  t.Field("NoMsQZDB", PropType::Bool, &TQZImage::NoMsQZDB);
  t.Order();
  t.Field("rX", PropType::Double, &TQZImage::rX);
  t.Field("rY", PropType::Double, &TQZImage::rY);
  t.Field("ScaleX", PropType::Extended, &TQZImage::ScaleX);
  t.Field("ScaleY", PropType::Extended, &TQZImage::ScaleY);
  t.Field("Interpol", PropType::Bool, &TQZImage::Interpol);
  t.Field("InterpolSc", PropType::Bool, &TQZImage::InterpolSc);
  t.Field("MsKeep", PropType::Bool, &TQZImage::MsKeep);
  t.Field("Tag", PropType::String, &TQZImage::Tag);
  t.Field("TextId", PropType::String, &TQZImage::TextId);
  t.Field("NotSave", PropType::Bool, &TQZImage::NotSave);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
