#pragma once
// TQZShape: a box or a circle sector, optionally clipping its children.

#include <cstdint>

#include "scene/element.h"

namespace scene {

class TQZShape : public TQZElement {
 public:
  explicit TQZShape(TQZElement* parent);
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
};

}  // namespace scene
