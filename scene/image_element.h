#pragma once
// TQZImage: a picture drawn with an anchor, scale, rotation, tint and pattern.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace scene {

class TQZImage : public TQZElement {
 public:
  explicit TQZImage(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  uint32_t hxDrawFx = 0x504;
  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  int32_t ScaleThousandths = 1000;  // `Scale` x 1000, rounded
  int32_t AngleThousandths = 0;     // `Angle` x 1000, rounded; degrees, clockwise
  int32_t Anim = 0;
  double ScaleX = 1.0;
  double ScaleY = 1.0;
  bool Interpol = true;
  bool InterpolSc = true;
  std::string TextId;
  uint32_t Colour = 0xFFFFFFFF;  // hxColor is the low 24 bits, hxTrans the top 8

  double Scale() const { return ScaleThousandths / 1000.0; }
  double Angle() const { return AngleThousandths / 1000.0; }
  void SetScale(double value);
  void SetAngle(double value);

  virtual std::string GetImImage() const { return imImageName_; }
  virtual void SetImImage(const std::string& name) { imImageName_ = name; }

 protected:
  std::string imImageName_;
};

}  // namespace scene
