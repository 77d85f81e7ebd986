#include "scene/shape_element.h"

#include <algorithm>
#include <vector>

#include "render/canvas.h"
#include "render/image_store.h"
#include "scene/circle_mask.h"
#include "scene/prop_table.h"
#include "scene/visual_util.h"

namespace scene {

TQZShape::TQZShape(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZShape");
  BindClass(cls);
}

TQZShape::~TQZShape() = default;

const render::RenderImage* TQZShape::MaskImage() const { return mask_; }

bool TQZShape::InBox(int32_t x, int32_t y) const {
  const int64_t left = X(), top = Y();
  return left <= x && x <= left + SizeX && top <= y && y <= top + SizeY;
}

void TQZShape::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                     int32_t flag) {
  if (!ResourcesLoaded) LoadResources();
  if (layer < MinOrder || layer > MaxOrder) return;
  render::Canvas* canvas = CanvasOf(*this);
  const double x0 = offsetX + rX;
  const double y0 = offsetY + rY;
  const int32_t left = RoundToInt(x0);
  const int32_t top = RoundToInt(y0);
  const int32_t right = RoundToInt(x0 + SizeX);
  const int32_t bottom = RoundToInt(y0 + SizeY);

  render::ClipRect saved;
  const bool crop = Crop && canvas;
  if (crop) {
    // The box with its corners in order, intersected with the current clip.
    // A box beside the clip leaves nothing to draw in: ordering the corners
    // after intersecting would open a rectangle outside both.
    saved = canvas->GetClipRect();
    render::ClipRect clip{std::max(saved.left, std::min(left, right)),
                          std::max(saved.top, std::min(top, bottom)),
                          std::min(saved.right, std::max(left, right)),
                          std::min(saved.bottom, std::max(top, bottom))};
    if (clip.Empty()) clip = {clip.left, clip.top, clip.left, clip.top};
    canvas->SetClipRect(clip);
  }
  if (layer == Order && canvas && VisibleColour(Colour)) {
    if (ShapeType == TQZShapeType::stBox)
      canvas->FillRect(left, top, SizeX, SizeY, Colour, hxDrawFx);
    else
      DrawCircle(left, top);
  }
  TQZElement::Paint(layer, colour, offsetX, offsetY, flag);
  if (crop) canvas->SetClipRect(saved);
}

void TQZShape::DrawCircle(double left, double top) {
  render::Canvas* canvas = CanvasOf(*this);
  if (!maskStore_) maskStore_ = std::make_unique<render::ImageStore>();
  if (!mask_ || !maskStore_->Contains(mask_)) {
    mask_ = maskStore_->AddImage();
    maskKey_ = MaskKey{};
  }
  const MaskKey key{SizeX, SizeY, Par1, Par2};
  if (!(key == maskKey_)) {
    maskKey_ = key;
    std::vector<uint32_t> pixels;
    if (DrawPieMask(SizeX, SizeY, Par1, Par2, pixels)) {
      maskStore_->LoadImagePixels(
          mask_, render::BitmapView::Argb(pixels.data(), SizeX, SizeY, true), 1, 1,
          render::ColourKey::kBlack);
    } else {
      mask_->ReleaseTextures();
    }
  }
  if (!mask_->HasTextures()) return;
  canvas->DrawImageScaled(mask_, Colour, left, top, Par3, 0, render::kEffectAlpha);
}

TQZElement* TQZShape::HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) {
  if (!TakesPartInHitTest(*this)) return nullptr;
  if (TQZElement* hit = TQZElement::HitTest(layer, x, y, extra, flag)) {
    // A cropped shape hides its children outside the box.
    if (Crop && !InBox(x, y)) return nullptr;
    return hit;
  }
  if (layer == Order && InBox(x, y)) return this;
  return nullptr;
}

void TQZShape::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZShape";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZShape>(parent); };
  PropTable<TQZShape> t(cls);
  t.Base();
  t.Field("hxDrawFx", PropType::UInt32, &TQZShape::hxDrawFx);
  t.ColourPair("hxColor", "hxTrans", &TQZShape::Colour);
  t.Field("MousedNotVis", PropType::Bool, &TQZShape::MousedNotVis);
  t.EventScripts();
  t.Field("MousedVis", PropType::Bool, &TQZShape::MousedVis);
  t.Field("NoMsQZDB", PropType::Bool, &TQZShape::NoMsQZDB);
  t.Order();
  t.Field("rX", PropType::Double, &TQZShape::rX);
  t.Field("rY", PropType::Double, &TQZShape::rY);
  t.Size();
  t.Field("Tag", PropType::String, &TQZShape::Tag);
  t.Field("NotSave", PropType::Bool, &TQZShape::NotSave);
  t.Field("Crop", PropType::Bool, &TQZShape::Crop);
  t.Field("ShapeType", PropType::Enum, &TQZShape::ShapeType).Names(kShapeTypeNames);
  t.Field("Par1", PropType::Double, &TQZShape::Par1);
  t.Field("Par2", PropType::Double, &TQZShape::Par2);
  t.Field("Par3", PropType::Double, &TQZShape::Par3);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
