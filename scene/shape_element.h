#pragma once
// TQZShape: a box or a circle sector, optionally clipping its children.
//
// A circle is drawn from a pie mask (white on black, uploaded with black as
// the transparent colour) tinted with the shape's colour and scaled by Par3.
// The mask follows Par1, Par2 and the size on every frame it is drawn in; it
// is rasterised again only when one of them changed since the last upload.

#include <cstdint>
#include <memory>

#include "scene/element.h"

namespace render {
class ImageStore;
class RenderImage;
}  // namespace render

namespace scene {

class TQZShape : public TQZElement {
 public:
  explicit TQZShape(TQZElement* parent);
  ~TQZShape() override;
  static void Register(ClassRegistry& registry);

  uint32_t hxDrawFx = 0x504;
  uint32_t Colour = 0xFFFFFFFF;
  int32_t SizeX = 100;
  int32_t SizeY = 100;
  bool Crop = false;
  TQZShapeType ShapeType = TQZShapeType::stBox;
  double Par1 = 0;
  double Par2 = 0;
  double Par3 = 0;

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }
  TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
             int32_t flag) override;

  // The mask image of a circle as last uploaded (null before the first
  // circle is drawn, or when the size allows no mask).
  const render::RenderImage* MaskImage() const;

 private:
  // The point (x, y), in the parent's coordinates, lies in the box, edges included.
  bool InBox(int32_t x, int32_t y) const;
  void DrawCircle(double left, double top);

  struct MaskKey {
    int32_t width = -1;
    int32_t height = -1;
    double par1 = 0;
    double par2 = 0;
    bool operator==(const MaskKey&) const = default;
  };
  std::unique_ptr<render::ImageStore> maskStore_;  // owns the mask image
  render::RenderImage* mask_ = nullptr;
  MaskKey maskKey_;
};

}  // namespace scene
